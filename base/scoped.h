// Owners for the handles, memory blocks and COM pointers both programs use.
// Each is non-copyable, movable, and releases what it holds exactly once.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <oleauto.h>
#include <utility>

namespace orvo {

// Generic owner: Traits supplies the invalid value and the release call.
template <typename Traits>
class Scoped {
public:
    using Handle = typename Traits::Handle;
    Scoped() = default;
    explicit Scoped(Handle h) : h_(h) {}
    ~Scoped() { Reset(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& o) noexcept : h_(o.Detach()) {}
    Scoped& operator=(Scoped&& o) noexcept {
        if (this != &o) Reset(o.Detach());
        return *this;
    }
    Handle Get() const { return h_; }
    bool Valid() const { return h_ != Traits::Invalid(); }
    explicit operator bool() const { return Valid(); }
    Handle Detach() { Handle h = h_; h_ = Traits::Invalid(); return h; }
    void Reset(Handle h = Traits::Invalid()) {
        if (Valid()) Traits::Close(h_);
        h_ = h;
    }
    // For out-parameters of the API: releases what is held first.
    Handle* Put() { Reset(); return &h_; }

private:
    Handle h_ = Traits::Invalid();
};

struct HandleTraits {  // kernel handles that use NULL for "none"
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile uses INVALID_HANDLE_VALUE for "none"
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct HGlobalTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
struct MmioTraits {
    using Handle = HMMIO;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { mmioClose(h, 0); }
};
struct GdiTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};
struct AccelTraits {
    using Handle = HACCEL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyAcceleratorTable(h); }
};
struct MemDcTraits {  // DCs from CreateCompatibleDC
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ImageList_Destroy(h); }
};
struct WaveInTraits {
    using Handle = HWAVEIN;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { waveInClose(h); }
};
struct WaveOutTraits {
    using Handle = HWAVEOUT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { waveOutClose(h); }
};
struct WindowTraits {  // windows that are not objects of their own
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    // A child may already be gone with its parent.
    static void Close(Handle h) { if (IsWindow(h)) DestroyWindow(h); }
};
struct HookTraits {
    using Handle = HHOOK;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { UnhookWindowsHookEx(h); }
};
struct MixerTraits {
    using Handle = HMIXER;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { mixerClose(h); }
};

// A block the system handed over to be freed with CoTaskMemFree (an item
// list from the folder browser, a string from a COM call).
struct CoTaskMemTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CoTaskMemFree(h); }
};

using ScopedHandle = Scoped<HandleTraits>;
using ScopedCoTaskMem = Scoped<CoTaskMemTraits>;
using ScopedFile = Scoped<FileHandleTraits>;
using ScopedHGlobal = Scoped<HGlobalTraits>;
using ScopedRegKey = Scoped<RegKeyTraits>;
using ScopedMmio = Scoped<MmioTraits>;
using ScopedIcon = Scoped<IconTraits>;
using ScopedMenu = Scoped<MenuTraits>;
using ScopedAccel = Scoped<AccelTraits>;
using ScopedMemDc = Scoped<MemDcTraits>;
using ScopedModule = Scoped<ModuleTraits>;
using ScopedImageList = Scoped<ImageListTraits>;
using ScopedWaveIn = Scoped<WaveInTraits>;
using ScopedWaveOut = Scoped<WaveOutTraits>;
using ScopedWindow = Scoped<WindowTraits>;
using ScopedMixer = Scoped<MixerTraits>;
using ScopedHook = Scoped<HookTraits>;

// A GDI object of a known type (HBITMAP, HFONT, HBRUSH, HPEN).
template <typename T>
class ScopedGdi {
public:
    ScopedGdi() = default;
    explicit ScopedGdi(T h) : h_(h) {}
    ~ScopedGdi() { Reset(); }
    ScopedGdi(const ScopedGdi&) = delete;
    ScopedGdi& operator=(const ScopedGdi&) = delete;
    ScopedGdi(ScopedGdi&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    ScopedGdi& operator=(ScopedGdi&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    T Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void Reset(T h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }

private:
    T h_ = nullptr;
};

// Selects a GDI object into a DC for the scope and puts the old one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~ScopedSelect() { SelectObject(dc_, old_); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GetDC / ReleaseDC pair.
class ScopedGetDc {
public:
    explicit ScopedGetDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~ScopedGetDc() { if (dc_) ReleaseDC(hwnd_, dc_); }
    ScopedGetDc(const ScopedGetDc&) = delete;
    ScopedGetDc& operator=(const ScopedGetDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint / EndPaint pair, for WM_PAINT.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    ~ScopedPaint() { EndPaint(hwnd_, &ps_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A locked global memory block: GlobalLock on entry, GlobalUnlock on exit.
template <typename T = void>
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h) : h_(h), p_(static_cast<T*>(GlobalLock(h))) {}
    ~GlobalLockGuard() { if (p_) GlobalUnlock(h_); }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    T* Get() const { return p_; }

private:
    HGLOBAL h_;
    T* p_;
};

// Owning COM interface pointer.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* p) { ComPtr c; c.p_ = p; return c; }
    ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
    ~ComPtr() { Reset(); }
    void Reset() { if (p_) { p_->Release(); p_ = nullptr; } }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** Put() { Reset(); return &p_; }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    T* Detach() { return std::exchange(p_, nullptr); }
    template <typename U>
    HRESULT As(ComPtr<U>& out) const {
        return p_ ? p_->QueryInterface(__uuidof(U), out.PutVoid()) : E_POINTER;
    }

private:
    T* p_ = nullptr;
};

// COM initialised on this thread for the scope.
class ScopedCoInit {
public:
    explicit ScopedCoInit(DWORD model = COINIT_APARTMENTTHREADED) : hr_(CoInitializeEx(nullptr, model)) {}
    ~ScopedCoInit() { if (SUCCEEDED(hr_)) CoUninitialize(); }
    ScopedCoInit(const ScopedCoInit&) = delete;
    ScopedCoInit& operator=(const ScopedCoInit&) = delete;
    HRESULT Result() const { return hr_; }

private:
    HRESULT hr_;
};

// An owned BSTR.
class ScopedBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(const wchar_t* s) : b_(SysAllocString(s)) {}
    ~ScopedBstr() { SysFreeString(b_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR Get() const { return b_; }
    BSTR* Put() { SysFreeString(b_); b_ = nullptr; return &b_; }
    UINT Length() const { return SysStringLen(b_); }

private:
    BSTR b_ = nullptr;
};

// An owned VARIANT, cleared on exit.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&v_); }
    ~ScopedVariant() { VariantClear(&v_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* Get() { return &v_; }
    const VARIANT* Get() const { return &v_; }
    // Clears what is held first, for out-parameters.
    VARIANT* Put() { VariantClear(&v_); return &v_; }

private:
    VARIANT v_;
};

}  // namespace orvo
