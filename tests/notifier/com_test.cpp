// The notifier as its clients meet it: registered by regsvr32, created by
// ProgID, called late-bound by name from C++ and from VBScript.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "notifier/mod_notify.h"
#include "notifier/notify_class.h"
#include "notifier/registration.h"
#include "tests/notifier/notifier_test_support.h"
#include "base/scoped.h"
#include "base/text.h"
#include "tests/support/pump.h"

namespace orvo::test {
namespace {

using namespace orvo::notifier;

bool ClassesKeyExists(const std::wstring& path) {
    ScopedRegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::wstring ClassesValue(const std::wstring& path, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return data;
}

// Runs a command line to its end; returns the exit code, or -1.
DWORD RunToEnd(std::wstring commandLine, DWORD timeoutMs = 30000) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return static_cast<DWORD>(-1);
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        return static_cast<DWORD>(-1);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

// The client programs are of the test's own architecture: the 32-bit DLL is
// registered by the 32-bit regsvr32 and used from a 32-bit script host (a
// host of the other size could not load it in-process).
constexpr DWORD kOwnBinaryType = sizeof(void*) == 8 ? SCS_64BIT_BINARY : SCS_32BIT_BINARY;

DWORD BinaryTypeOf(const std::wstring& path) {
    DWORD type = static_cast<DWORD>(-1);
    return GetBinaryTypeW(path.c_str(), &type) ? type : static_cast<DWORD>(-1);
}

std::wstring ProgramOnPath(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    return SearchPathW(nullptr, name, nullptr, MAX_PATH, path, nullptr) ? path : L"";
}

std::wstring ImageOf(HANDLE process) {
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameW(process, 0, path, &size) ? path : L"";
}

ComPtr<IDispatch> CreateByProgId() {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(kProgId, &clsid), S_OK);
    ComPtr<IDispatch> object;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.PutVoid()), S_OK);
    return object;
}

// Calls Notify by name with both strings passed by reference, as a
// late-bound client does.
HRESULT CallNotify(IDispatch* object, const wchar_t* name, const wchar_t* other) {
    LPOLESTR method = const_cast<LPOLESTR>(L"Notify");
    DISPID id = 0;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &method, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    EXPECT_EQ(id, 0x60030000);
    ScopedBstr nameText(name), otherText(other);
    BSTR nameRef = nameText.Get(), otherRef = otherText.Get();
    VARIANTARG args[2];
    // Arguments go in reverse order: strOther first.
    VariantInit(&args[0]);
    args[0].vt = VT_BYREF | VT_BSTR;
    args[0].pbstrVal = &otherRef;
    VariantInit(&args[1]);
    args[1].vt = VT_BYREF | VT_BSTR;
    args[1].pbstrVal = &nameRef;
    DISPPARAMS params{args, nullptr, 2, 0};
    UINT argError = 0;
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, &argError);
    // The key is read, never changed.
    EXPECT_EQ(nameRef, nameText.Get());
    EXPECT_STREQ(nameRef ? nameRef : L"", name);
    return hr;
}

using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
CanUnloadFn DllCanUnloadNowOfLoadedDll() {
    HMODULE dll = GetModuleHandleW(L"OrvoVMNotify.dll");
    if (!dll) return nullptr;
    return reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
}

TEST(NotifierCom, Regsvr32RegistersEveryKeyAndRemovesThemAgain) {
    std::wstring dll = NotifierDllPath();
    const std::wstring progClsid = std::wstring(kProgId) + L"\\Clsid";
    EXPECT_EQ(BinaryTypeOf(ProgramOnPath(L"regsvr32.exe")), kOwnBinaryType);

    ASSERT_EQ(RunToEnd(L"regsvr32.exe /s /u \"" + dll + L"\""), 0u);
    ASSERT_EQ(RunToEnd(L"regsvr32.exe /s \"" + dll + L"\""), 0u);
    EXPECT_EQ(ClassesValue(kProgId, nullptr), kProgId);
    EXPECT_EQ(ClassesValue(progClsid, nullptr), L"{6BE70F48-A0A8-4C1A-A5BC-A655AF398EE9}");
    EXPECT_EQ(ClassesValue(ClsidKeyPath() + L"\\InprocServer32", nullptr), dll);
    EXPECT_EQ(ClassesValue(ClsidKeyPath() + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ClassesValue(ClsidKeyPath() + L"\\ProgID", nullptr), kProgId);
    EXPECT_EQ(ClassesValue(InterfaceKeyPath() + L"\\TypeLib", nullptr), L"{E3CD68A9-B322-4663-A6A3-38F7A9C51E02}");
    EXPECT_TRUE(ClassesKeyExists(TypeLibKeyPath() + L"\\72.0\\0"));

    // The registered type library is the one in the DLL.
    ComPtr<ITypeLib> registered;
    EXPECT_EQ(LoadRegTypeLib(LIBID_OrvoVMNotify, 114, 0, 0, registered.Put()), S_OK);

    ASSERT_EQ(RunToEnd(L"regsvr32.exe /s /u \"" + dll + L"\""), 0u);
    for (const std::wstring& key : {std::wstring(kProgId), ClsidKeyPath(), InterfaceKeyPath(), TypeLibKeyPath()})
        EXPECT_FALSE(ClassesKeyExists(key)) << std::string(key.begin(), key.end());
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(kProgId, &clsid), S_OK);
    // Unregistering what is not registered is not an error.
    EXPECT_EQ(RunToEnd(L"regsvr32.exe /s /u \"" + dll + L"\""), 0u);

    ASSERT_EQ(RunToEnd(L"regsvr32.exe /s \"" + dll + L"\""), 0u);
    EXPECT_TRUE(CreateByProgId());
}

// The ProgID key is one for both bitnesses; the class keys are per view.
TEST(NotifierCom, UnregisteringKeepsTheProgIdWhileTheOtherBitnessStillRegistersTheClass) {
    REGSAM otherView = KEY_WOW64_32KEY;
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 4) otherView = IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
    if (!otherView) GTEST_SKIP() << "a system with one registry view";
    EnsureRegistered();
    const std::wstring dll = NotifierDllPath();
    const std::wstring guid = ClsidKeyPath().substr(wcslen(L"CLSID\\"));
    ScopedRegKey otherClasses;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, nullptr, 0, KEY_ALL_ACCESS | otherView, nullptr,
                              otherClasses.Put(), nullptr),
              ERROR_SUCCESS);
    {
        // The other build's server, as its own registration leaves it.
        ScopedRegKey server;
        ASSERT_EQ(RegCreateKeyExW(otherClasses.Get(), (guid + L"\\InprocServer32").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, server.Put(), nullptr),
                  ERROR_SUCCESS);
        const wchar_t otherPath[] = L"C:\\Other\\OrvoVMNotify.dll";
        ASSERT_EQ(RegSetValueExW(server.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(otherPath),
                                 sizeof(otherPath)),
                  ERROR_SUCCESS);
    }
    ASSERT_EQ(ClassesValue(ClsidKeyPath() + L"\\InprocServer32", nullptr), dll) << "the views are not separate";

    EXPECT_EQ(UnregisterServer(dll), S_OK);
    EXPECT_FALSE(ClassesKeyExists(ClsidKeyPath()));
    // Read as the other build's clients read it (Windows has one ProgID key
    // for both views, Wine one in each).
    wchar_t progClsid[64] = {};
    DWORD size = sizeof(progClsid);
    ScopedRegKey otherProgId;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kProgId) + L"\\Clsid").c_str(), 0,
                            KEY_READ | otherView, otherProgId.Put()),
              ERROR_SUCCESS);
    EXPECT_EQ(RegGetValueW(otherProgId.Get(), nullptr, nullptr, RRF_RT_REG_SZ, nullptr, progClsid, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(progClsid, L"{6BE70F48-A0A8-4C1A-A5BC-A655AF398EE9}");

    // The other build is gone too (its unregistration took its class and
    // its view's ProgID): the next unregistration takes this view's ProgID.
    ASSERT_EQ(RegDeleteTreeW(otherClasses.Get(), guid.c_str()), ERROR_SUCCESS);
    RegDeleteKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kProgId) + L"\\Clsid").c_str(), otherView, 0);
    RegDeleteKeyExW(HKEY_CLASSES_ROOT, kProgId, otherView, 0);
    EnsureRegistered();
    EXPECT_EQ(UnregisterServer(dll), S_OK);
    EXPECT_FALSE(ClassesKeyExists(kProgId));
    EnsureRegistered();
}

TEST(NotifierCom, LateBoundCallOpensOneWindowThatOutlivesTheObject) {
    EnsureRegistered();
    SettingsGuard settings;
    settings.Set(kHideWindowValue, std::nullopt);

    ComPtr<IDispatch> first = CreateByProgId();
    ASSERT_TRUE(first);
    CanUnloadFn canUnload = DllCanUnloadNowOfLoadedDll();
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);

    EXPECT_EQ(CallNotify(first.Get(), L"orvorecord", L"anything"), S_OK);
    first.Reset();
    ASSERT_EQ(NoticeWindowsOf(GetCurrentThreadId()).size(), 1u);
    HWND window = NoticeWindowsOf(GetCurrentThreadId())[0];
    EXPECT_TRUE(IsWindowVisible(window));
    // The object is gone but the window lives: the DLL must stay.
    EXPECT_EQ(canUnload(), S_FALSE);

    // Another object on the same thread reuses the window.
    ComPtr<IDispatch> second = CreateByProgId();
    EXPECT_EQ(CallNotify(second.Get(), L"orvorecord", L""), S_OK);
    std::vector<HWND> windows = NoticeWindowsOf(GetCurrentThreadId());
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0], window);
    second.Reset();

    CloseNoticeWindows(GetCurrentThreadId());
    EXPECT_TRUE(NoticeWindowsOf(GetCurrentThreadId()).empty());
    EXPECT_EQ(canUnload(), S_OK);
}

BOOL CALLBACK FindEditBox(HWND child, LPARAM found) {
    wchar_t name[16] = L"";
    GetClassNameW(child, name, 16);
    if (_wcsicmp(name, L"Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// A client that shows the notice again and again in one process: each time
// through the class by its ProgID, each window closed by its own Esc (the
// keyboard hook of the thread) or by the close box, and the next one opens
// and answers its keys as the first did. A window or lock left behind by an
// earlier one would stall the next.
TEST(NotifierCom, OneClientOpensClosesAndReopensTheWindowManyTimes) {
    EnsureRegistered();
    SettingsGuard settings;
    settings.Set(kHideWindowValue, std::nullopt);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        ComPtr<IDispatch> notifier = CreateByProgId();
        ASSERT_TRUE(notifier);
        EXPECT_EQ(CallNotify(notifier.Get(), L"orvorecord", L""), S_OK);
        notifier.Reset();
        std::vector<HWND> windows = NoticeWindowsOf(GetCurrentThreadId());
        ASSERT_EQ(windows.size(), 1u);
        HWND window = windows[0];
        EXPECT_TRUE(IsWindowVisible(window));
        if (round % 2 == 0) {
            HWND box = nullptr;
            EnumChildWindows(window, &FindEditBox, reinterpret_cast<LPARAM>(&box));
            ASSERT_NE(box, nullptr) << "no search box";
            PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        } else {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 5000));
        EXPECT_TRUE(NoticeWindowsOf(GetCurrentThreadId()).empty());
    }
}

TEST(NotifierCom, EachThreadGetsItsOwnWindow) {
    EnsureRegistered();
    SettingsGuard settings;
    settings.Set(kHideWindowValue, std::nullopt);

    ComPtr<IDispatch> mine = CreateByProgId();
    ASSERT_EQ(CallNotify(mine.Get(), L"orvorecord", L""), S_OK);
    ASSERT_EQ(NoticeWindowsOf(GetCurrentThreadId()).size(), 1u);

    size_t otherCount = 0;
    HWND otherWindow = nullptr;
    std::thread other([&] {
        ScopedCoInit com;
        ComPtr<IDispatch> object = CreateByProgId();
        if (!object) return;
        CallNotify(object.Get(), L"orvorecord", L"");
        CallNotify(object.Get(), L"orvorecord", L"");
        std::vector<HWND> windows = NoticeWindowsOf(GetCurrentThreadId());
        otherCount = windows.size();
        if (!windows.empty()) otherWindow = windows[0];
        object.Reset();
        CloseNoticeWindows(GetCurrentThreadId());
    });
    other.join();
    EXPECT_EQ(otherCount, 1u);
    EXPECT_NE(otherWindow, nullptr);
    EXPECT_NE(otherWindow, NoticeWindowsOf(GetCurrentThreadId())[0]);

    mine.Reset();
    CloseNoticeWindows(GetCurrentThreadId());
    CanUnloadFn canUnload = DllCanUnloadNowOfLoadedDll();
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
    return TRUE;
}

// The window's class and its children's, where registered by the DLL or
// under the program's instance.
std::vector<std::pair<std::wstring, HINSTANCE>> ModuleClassesOf(HWND window, HMODULE dll) {
    std::vector<HWND> all{window};
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&all));
    std::vector<std::pair<std::wstring, HINSTANCE>> classes;
    for (HWND hwnd : all) {
        wchar_t name[256] = {};
        GetClassNameW(hwnd, name, 256);
        auto instance = reinterpret_cast<HINSTANCE>(GetClassLongPtrW(hwnd, GCLP_HMODULE));
        std::pair<std::wstring, HINSTANCE> entry{name, instance};
        if ((instance == dll || instance == GetModuleHandleW(nullptr)) &&
            std::find(classes.begin(), classes.end(), entry) == classes.end())
            classes.push_back(entry);
    }
    return classes;
}

constexpr wchar_t kClientProcessFlag[] = L"ORVO_NOTIFIER_CLIENT_PROCESS";

// The client side of NotifierLifetime, in a process of its own: the test
// program keeps the DLL loaded, which would hide the fault.
TEST(NotifierClientProcess, UninitialisesWithTheWindowOpenThenKeepsUsingIt) {
    if (GetEnvironmentVariableW(kClientProcessFlag, nullptr, 0) == 0)
        GTEST_SKIP() << "runs only in the process NotifierLifetime starts";
    ASSERT_EQ(GetModuleHandleW(L"OrvoVMNotify.dll"), nullptr);
    SettingsGuard settings;
    settings.Set(kHideWindowValue, std::nullopt);

    // The client's uninitialise must be the process's last, as in a client
    // with one COM thread: COM then frees its in-process servers.
    OleUninitialize();
    std::vector<std::pair<std::wstring, HINSTANCE>> classes;
    bool loadedAfterUninitialize = false;
    bool windowOpen = false;
    std::thread client([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            // Bound early, through the interface: the late-bound path loads
            // the type library, whose loader keeps the DLL mapped under Wine
            // and would hide the fault.
            CLSID clsid{};
            CLSIDFromProgID(kProgId, &clsid);
            ComPtr<_CNotify> object;
            if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__CNotify, object.PutVoid()))) {
                ScopedBstr name(L"orvorecord"), other(L"");
                BSTR nameRef = name.Get(), otherRef = other.Get();
                object->Notify(&nameRef, &otherRef);
            }
        }
        std::vector<HWND> windows = NoticeWindowsOf(GetCurrentThreadId());
        HWND window = windows.empty() ? nullptr : windows[0];
        if (window) classes = ModuleClassesOf(window, GetModuleHandleW(L"OrvoVMNotify.dll"));
        CoUninitialize();
        loadedAfterUninitialize = GetModuleHandleW(L"OrvoVMNotify.dll") != nullptr;
        if (!window) return;

        // A second of the pointer moving over the window, its messages pumped.
        RECT r{};
        GetWindowRect(window, &r);
        for (int step = 0; step < 50; ++step) {
            POINT p{r.left + (r.right - r.left) * (step % 10 + 1) / 11, r.top + (r.bottom - r.top) * (step / 10 + 1) / 6};
            SetCursorPos(p.x, p.y);
            ScreenToClient(window, &p);
            PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
            PumpMessagesFor(20);
        }
        windowOpen = IsWindowVisible(window);
        SendMessageW(window, WM_CLOSE, 0, 0);
        PumpMessagesFor(50);
    });
    client.join();
    OleInitialize(nullptr);
    EXPECT_TRUE(loadedAfterUninitialize) << "COM's release unloaded the DLL under its window";
    EXPECT_TRUE(windowOpen);
    EXPECT_FALSE(classes.empty());

    // The window is closed: the module may unload at COM's next clean-up
    // (the windows' own reference is given back then). Wine keeps the DLL
    // mapped past that here, so the classes are checked only where it goes.
    {
        CLSID clsid{};
        CLSIDFromProgID(kProgId, &clsid);
        ComPtr<_CNotify> again;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__CNotify, again.PutVoid()), S_OK);
    }
    CanUnloadFn canUnload = DllCanUnloadNowOfLoadedDll();
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    CoFreeUnusedLibrariesEx(0, 0);
    if (GetModuleHandleW(L"OrvoVMNotify.dll")) return;
    for (const auto& [name, instance] : classes) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        EXPECT_FALSE(GetClassInfoExW(instance, name.c_str(), &wc)) << WideToAnsi(name) << " is still registered";
    }
}

TEST(NotifierLifetime, AClientThatUninitialisesCOMWithTheWindowOpenSurvives) {
    EnsureRegistered();
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring log = std::wstring(temp) + L"orvo_notifier_client.log";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    ScopedFile out(CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(out);

    std::wstring command = L"\"" + std::wstring(exe) +
                           L"\" --gtest_filter=NotifierClientProcess.UninitialisesWithTheWindowOpenThenKeepsUsingIt";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.Get();
    si.hStdError = out.Get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    SetEnvironmentVariableW(kClientProcessFlag, L"1");
    BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(kClientProcessFlag, nullptr);
    ASSERT_TRUE(started);
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    out.Reset();
    ASSERT_EQ(WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.Get(), &code);

    std::ifstream in(log.c_str(), std::ios::binary);
    std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileW(log.c_str());
    // A crash can end the process with 0 under Wine: the client's own report counts.
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    EXPECT_EQ(code, 0u) << output;
}

TEST(NotifierCom, VBScriptClientOpensTheWindowInItsProcess) {
    EnsureRegistered();
    SettingsGuard settings;
    settings.Set(kHideWindowValue, std::nullopt);

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring script = std::wstring(temp) + L"orvo_notify_client.vbs";
    // Wine's script host has no WScript.Sleep: the script keeps its process
    // (and the window) alive until the test removes this file.
    std::wstring hold = std::wstring(temp) + L"orvo_notify_client.hold";
    std::string holdAnsi = WideToAnsi(hold);
    { std::ofstream(hold.c_str()) << "hold"; }
    {
        std::ofstream out(script.c_str(), std::ios::binary);
        out << "Set notifier = CreateObject(\"OrvoVMNotify.CNotify\")\r\n"
               "notifier.Notify \"orvorecord\", \"\"\r\n"
               "Set notifier = Nothing\r\n"
               "Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
               "deadline = Timer + 15\r\n"
               "Do While fso.FileExists(\"" << holdAnsi << "\") And Timer < deadline\r\n"
               "Loop\r\n";
    }
    std::wstring command = L"cscript.exe //nologo \"" + script + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    std::wstring host = ImageOf(process.Get());
    EXPECT_EQ(BinaryTypeOf(host), kOwnBinaryType) << "script host " << WideToAnsi(host);

    HWND found = nullptr;
    PumpUntil(
        [&] {
            std::vector<HWND> windows = NoticeWindowsOfProcess(pi.dwProcessId);
            if (!windows.empty() && IsWindowVisible(windows[0])) found = windows[0];
            return found != nullptr;
        },
        15000);
    ASSERT_NE(found, nullptr) << "the script's Notify opened no window";
    EXPECT_TRUE(GetWindowLongPtrW(found, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT r{};
    GetWindowRect(found, &r);
    EXPECT_GT(r.left, GetSystemMetrics(SM_CXSCREEN) / 2) << "not in the bottom-right corner";
    EXPECT_GT(r.top, GetSystemMetrics(SM_CYSCREEN) / 3) << "not in the bottom-right corner";
    DeleteFileW(hold.c_str());
    EXPECT_EQ(WaitForSingleObject(process.Get(), 20000), WAIT_OBJECT_0);
    DeleteFileW(script.c_str());
}

TEST(NotifierCom, BuiltDllCarriesItsVersionBlockAndTypeLibrary) {
    std::wstring dll = NotifierDllPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(dll.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(120, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(200, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(120, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(200, 0));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &len));
    ASSERT_GE(len, 4u);
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 0x04B0);

    auto text = [&](const wchar_t* name) -> std::wstring {
        wchar_t* value = nullptr;
        UINT chars = 0;
        std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
        if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars)) return L"<missing>";
        return value ? std::wstring(value) : std::wstring();
    };
    EXPECT_EQ(text(L"FileVersion"), L"1.120.0200");
    EXPECT_EQ(text(L"ProductVersion"), L"1.120.0200");
    EXPECT_EQ(text(L"Comments"), L"VELMORA");
    EXPECT_EQ(text(L"InternalName"), L"OrvoVMNotify");
    EXPECT_EQ(text(L"OriginalFilename"), L"OrvoVMNotify.dll");
    EXPECT_EQ(text(L"OLESelfRegister"), L"");
    EXPECT_EQ(text(L"CompanyName"), L"www.velmora.example");

    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, library.Put()), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, LIBID_OrvoVMNotify);
    EXPECT_EQ(attr->wMajorVerNum, 114);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0u);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(attr);
    ScopedBstr libName;
    library->GetDocumentation(-1, libName.Put(), nullptr, nullptr, nullptr);
    EXPECT_STREQ(libName.Get(), L"OrvoVMNotify");

    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_CNotify, coclass.Put()), S_OK);
    TYPEATTR* classAttr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&classAttr), S_OK);
    EXPECT_EQ(classAttr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(classAttr->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ(classAttr->cImplTypes, 1);
    coclass->ReleaseTypeAttr(classAttr);

    ComPtr<ITypeInfo> iface;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__CNotify, iface.Put()), S_OK);
    TYPEATTR* ifaceAttr = nullptr;
    ASSERT_EQ(iface->GetTypeAttr(&ifaceAttr), S_OK);
    EXPECT_EQ(ifaceAttr->typekind, TKIND_DISPATCH);  // dual interfaces are described by their dispatch face
    WORD flags = ifaceAttr->wTypeFlags;
    EXPECT_TRUE(flags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(flags & TYPEFLAG_FHIDDEN);
    EXPECT_TRUE(flags & TYPEFLAG_FNONEXTENSIBLE);
    iface->ReleaseTypeAttr(ifaceAttr);

    // The vtable face: Notify in the first slot after IDispatch's seven.
    HREFTYPE vtableRef = 0;
    ASSERT_EQ(iface->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef), S_OK);
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(iface->GetRefTypeInfo(vtableRef, vtable.Put()), S_OK);
    FUNCDESC* func = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(0, &func), S_OK);
    EXPECT_EQ(func->memid, 0x60030000);
    EXPECT_EQ(func->oVft, static_cast<SHORT>(7 * sizeof(void*)));
    EXPECT_EQ(func->cParams, 2);
    EXPECT_EQ(func->cParamsOpt, 0);
    EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(func->lprgelemdescParam[i].tdesc.vt, VT_PTR);
        EXPECT_EQ(func->lprgelemdescParam[i].tdesc.lptdesc->vt, VT_BSTR);
        EXPECT_EQ(func->lprgelemdescParam[i].paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT),
                  PARAMFLAG_FIN | PARAMFLAG_FOUT);
    }
    MEMBERID memid = func->memid;
    vtable->ReleaseFuncDesc(func);
    ScopedBstr names[3];
    BSTR raw[3] = {};
    UINT count = 0;
    ASSERT_EQ(vtable->GetNames(memid, raw, 3, &count), S_OK);
    for (UINT i = 0; i < count; ++i) *names[i].Put() = raw[i];
    ASSERT_EQ(count, 3u);
    EXPECT_STREQ(names[0].Get(), L"Notify");
    EXPECT_STREQ(names[1].Get(), L"strName");
    EXPECT_STREQ(names[2].Get(), L"strOther");
}

}  // namespace
}  // namespace orvo::test
