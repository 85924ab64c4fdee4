#include "audio/lame_library.h"

#include <memory>
#include <mutex>
#include <string>

#include "base/path.h"
#include "base/scoped.h"

namespace orvo {
namespace {

struct Loaded {
    ScopedModule module;
    LameApi api{};
    bool ok = false;
    std::wstring why;
};

std::mutex g_lock;
std::unique_ptr<Loaded> g_loaded;  // for the life of the process, as a loaded DLL is
std::wstring g_override;

std::wstring ProgramFolder() {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    return FolderOf(path);
}

template <typename Fn>
bool Find(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn != nullptr;
}

bool FindAll(HMODULE m, LameApi& a) {
    return Find(m, "lame_init", a.init) && Find(m, "lame_close", a.close) &&
           Find(m, "lame_set_in_samplerate", a.setInSamplerate) &&
           Find(m, "lame_set_out_samplerate", a.setOutSamplerate) &&
           Find(m, "lame_set_num_channels", a.setNumChannels) && Find(m, "lame_set_mode", a.setMode) &&
           Find(m, "lame_set_brate", a.setBrate) && Find(m, "lame_set_VBR", a.setVbr) &&
           Find(m, "lame_set_quality", a.setQuality) && Find(m, "lame_set_bWriteVbrTag", a.setWriteVbrTag) &&
           Find(m, "lame_set_write_id3tag_automatic", a.setWriteId3tagAutomatic) &&
           Find(m, "lame_init_params", a.initParams) &&
           Find(m, "lame_encode_buffer_ieee_float", a.encodeFloat) &&
           Find(m, "lame_encode_flush", a.encodeFlush) && Find(m, "lame_get_lametag_frame", a.lametagFrame) &&
           Find(m, "id3tag_init", a.id3Init) && Find(m, "id3tag_v2_only", a.id3V2Only) &&
           Find(m, "id3tag_set_textinfo_utf16", a.id3TextUtf16) && Find(m, "lame_get_id3v2_tag", a.id3V2Tag) &&
           Find(m, "get_lame_version", a.version);
}

void Load(Loaded& l) {
    const std::wstring path = g_override.empty() ? ProgramFolder() + L"\\" + kLameDllName : g_override;
    // By full path only; the DLL's own imports are system DLLs.
    l.module.Reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!l.module) {
        DWORD e = GetLastError();
        l.why = e == ERROR_MOD_NOT_FOUND || e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND
                    ? L"程序文件夹中缺少MP3编码库 " + std::wstring(kLameDllName) + L"，请重新安装本程序。"
                    : L"无法载入MP3编码库 " + std::wstring(kLameDllName) + L"（它不是本程序可用的DLL），请重新安装本程序。";
        return;
    }
    if (!FindAll(l.module.Get(), l.api) || std::string(l.api.version()) != "3.100") {
        l.why = L"程序文件夹中的 " + std::wstring(kLameDllName) + L" 不是本程序所需的MP3编码库（LAME 3.100），请重新安装本程序。";
        l.module.Reset();
        return;
    }
    l.ok = true;
}

}  // namespace

const LameApi* Lame(std::wstring* why) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!g_loaded) {
        g_loaded = std::make_unique<Loaded>();
        Load(*g_loaded);
    }
    if (why) *why = g_loaded->why;
    return g_loaded->ok ? &g_loaded->api : nullptr;
}

void LoadLameFrom(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_override = path;
    g_loaded.reset();
}

}  // namespace orvo
