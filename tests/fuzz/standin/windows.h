// A stand-in for the few Windows types and calls the parsers still name, so
// that the very sources the programs are built from compile on the build
// machine for the fuzzers. Never part of a program.
#pragma once
#include <cstddef>
#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using LONG = int32_t;
using BOOL = int;
using HANDLE = void*;
using LPCCH = const char*;
using LPCWCH = const wchar_t*;
using LPSTR = char*;
using LPWSTR = wchar_t*;
using LPBOOL = BOOL*;
using HRESULT = int32_t;
using SIZE_T = size_t;
using DWORD_PTR = uintptr_t;
using HPSTR = char*;
using FOURCC = DWORD;

// Handles the owners of base/scoped.h name; the parsers never open any.
#define ORVO_STANDIN_HANDLE(name) \
    struct name##__;              \
    using name = name##__*;
ORVO_STANDIN_HANDLE(HWND)
ORVO_STANDIN_HANDLE(HDC)
ORVO_STANDIN_HANDLE(HICON)
ORVO_STANDIN_HANDLE(HMENU)
ORVO_STANDIN_HANDLE(HACCEL)
ORVO_STANDIN_HANDLE(HMODULE)
ORVO_STANDIN_HANDLE(HKEY)
ORVO_STANDIN_HANDLE(HHOOK)
ORVO_STANDIN_HANDLE(HIMAGELIST)
ORVO_STANDIN_HANDLE(HWAVEIN)
ORVO_STANDIN_HANDLE(HWAVEOUT)
ORVO_STANDIN_HANDLE(HMIXER)
ORVO_STANDIN_HANDLE(HMMIO)
using HGDIOBJ = void*;
using HGLOBAL = void*;
using BSTR = wchar_t*;
struct VARIANT {
    uint64_t data[3];
};
struct RECT {
    LONG left, top, right, bottom;
};
struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};
#define CALLBACK
#define SUCCEEDED(hr) ((hr) >= 0)
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr DWORD COINIT_APARTMENTTHREADED = 2;
constexpr int SW_SHOWNORMAL = 1;
constexpr UINT MB_OK = 0;
constexpr DWORD GMEM_FIXED = 0;
constexpr DWORD GMEM_ZEROINIT = 0x40;
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    };
    int64_t QuadPart;
};

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
};
enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard };

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// UTF-8 (any other code page is read as Latin-1) to UTF-16 units, invalid
// bytes as U+FFFD, as the system does; and back.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH text, int bytes, LPWSTR out, int room);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH text, int units, LPSTR out, int room, LPCCH, LPBOOL);

// Declared for base/scoped.h; only those the waveform reader calls are
// defined (beside the mmio calls, in mmio_standin.cpp).
BOOL CloseHandle(HANDLE);
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL);
void* GlobalLock(HGLOBAL);
BOOL GlobalUnlock(HGLOBAL);
LONG RegCloseKey(HKEY);
BOOL DeleteObject(HGDIOBJ);
BOOL DestroyIcon(HICON);
BOOL DestroyMenu(HMENU);
BOOL DestroyAcceleratorTable(HACCEL);
BOOL DeleteDC(HDC);
BOOL FreeLibrary(HMODULE);
BOOL ImageList_Destroy(HIMAGELIST);
BOOL IsWindow(HWND);
BOOL DestroyWindow(HWND);
BOOL UnhookWindowsHookEx(HHOOK);
HGDIOBJ SelectObject(HDC, HGDIOBJ);
HDC GetDC(HWND);
int ReleaseDC(HWND, HDC);
HDC BeginPaint(HWND, PAINTSTRUCT*);
BOOL EndPaint(HWND, const PAINTSTRUCT*);
HWND GetActiveWindow();
void Sleep(DWORD);
HRESULT CoInitializeEx(void*, DWORD);
void CoUninitialize();
void CoTaskMemFree(void*);
// The waveform reader's file size: the stand-in file's, in mmio_standin.cpp.
BOOL GetFileAttributesExW(const wchar_t* path, GET_FILEEX_INFO_LEVELS, void* data);
BSTR SysAllocString(const wchar_t*);
void SysFreeString(BSTR);
UINT SysStringLen(BSTR);
void VariantInit(VARIANT*);
HRESULT VariantClear(VARIANT*);

// The interface id of a COM type, as base/scoped.h's ComPtr asks for it.
template <typename T>
const GUID& StandInInterfaceId();
#define __uuidof(T) StandInInterfaceId<T>()
