#include "recorder/unattended/auto_saver.h"

#include <shlobj.h>

#include <algorithm>

#include "audio/wave_errors.h"
#include "base/path.h"
#include "base/scoped.h"
#include "base/user_settings.h"

namespace orvo::recorder {

namespace {

constexpr wchar_t kFolderValue[] = L"AutoSaveFolder";
constexpr wchar_t kFormatValue[] = L"AutoSaveFormat";
constexpr wchar_t kNameValue[] = L"AutoSaveName";
constexpr wchar_t kFormatWords[][5] = {L"wav", L"mp3", L"flac"};

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path) folder = path;
    CoTaskMemFree(path);
    return folder;
}

std::wstring Digits(unsigned value, int width) {
    std::wstring text = std::to_wstring(value);
    if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), L'0');
    return text;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool Reserved(const std::vector<std::wstring>& reserved, const std::wstring& path) {
    return std::any_of(reserved.begin(), reserved.end(), [&](const std::wstring& r) {
        return CompareStringOrdinal(r.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
}

}  // namespace

AutoSaveTarget DefaultAutoSaveTarget() {
    AutoSaveTarget t;
    t.folder = KnownFolder(FOLDERID_Music);
    if (t.folder.empty()) t.folder = KnownFolder(FOLDERID_Documents);
    t.pattern = kDefaultNamePattern;
    return t;
}

AutoSaveTarget LoadAutoSaveTarget() {
    AutoSaveTarget t = DefaultAutoSaveTarget();
    std::wstring folder = ReadUserSetting(kFolderValue), name = ReadUserSetting(kNameValue),
                 format = ReadUserSetting(kFormatValue);
    if (!folder.empty()) t.folder = folder;
    if (!name.empty()) t.pattern = name;
    for (int i = 0; i < 3; ++i)
        if (CompareStringOrdinal(format.c_str(), -1, kFormatWords[i], -1, TRUE) == CSTR_EQUAL)
            t.format = static_cast<SaveFormat>(i);
    return t;
}

void StoreAutoSaveTarget(const AutoSaveTarget& target) {
    WriteUserSetting(kFolderValue, target.folder);
    WriteUserSetting(kNameValue, target.pattern);
    WriteUserSetting(kFormatValue, kFormatWords[static_cast<int>(target.format)]);
}

std::wstring ExpandNamePattern(const std::wstring& pattern, const SYSTEMTIME& local) {
    std::wstring name;
    bool afterHour = false;
    for (size_t i = 0; i < pattern.size();) {
        auto at = [&](const wchar_t* token) { return pattern.compare(i, wcslen(token), token) == 0; };
        if (at(L"YYYY")) {
            name += Digits(local.wYear, 4);
            i += 4;
        } else if (at(L"MM")) {
            name += Digits(afterHour ? local.wMinute : local.wMonth, 2);
            i += 2;
        } else if (at(L"DD")) {
            name += Digits(local.wDay, 2);
            i += 2;
        } else if (at(L"HH")) {
            name += Digits(local.wHour, 2);
            afterHour = true;
            i += 2;
        } else if (at(L"SS")) {
            name += Digits(local.wSecond, 2);
            i += 2;
        } else {
            wchar_t c = pattern[i++];
            name += c < 32 || wcschr(L"\\/:*?\"<>|", c) ? L'_' : c;
        }
    }
    // Windows drops trailing dots and spaces from a file name.
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    return name.empty() ? std::wstring(L"录音") : name;
}

std::wstring UniqueTarget(const AutoSaveTarget& target, const SYSTEMTIME& local,
                          const std::vector<std::wstring>& reserved) {
    std::wstring folder = target.folder;
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    const std::wstring stem = folder + ExpandNamePattern(target.pattern, local);
    const std::wstring extension = std::wstring(L".") + kFormatWords[static_cast<int>(target.format)];
    std::wstring path = stem + extension;
    for (int n = 2; Exists(path) || Reserved(reserved, path); ++n) path = stem + L"_" + std::to_wstring(n) + extension;
    return path;
}

AutoSaver::AutoSaver(HWND notify, UINT message) : notify_(notify), message_(message) {}

AutoSaver::~AutoSaver() {
    {
        std::unique_lock<std::mutex> lock(lock_);
        idle_.wait(lock, [this] { return queue_.empty() && writing_.empty(); });
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void AutoSaver::SetNotify(HWND notify, UINT message) {
    std::lock_guard<std::mutex> lock(lock_);
    notify_ = notify;
    message_ = message;
}

void AutoSaver::Queue(AutoSavePiece piece) {
    {
        std::lock_guard<std::mutex> lock(lock_);
        queue_.push_back(std::move(piece));
        // Started with the first piece: most runs never save unattended.
        if (!worker_.joinable()) worker_ = std::thread(&AutoSaver::Run, this);
    }
    wake_.notify_one();
}

size_t AutoSaver::Pending() const {
    std::lock_guard<std::mutex> lock(lock_);
    return queue_.size() + writing_.size();
}

std::vector<std::wstring> AutoSaver::Reserved() const {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<std::wstring> paths = writing_;
    for (const AutoSavePiece& p : queue_) paths.push_back(p.path);
    return paths;
}

void AutoSaver::Finish() {
    std::unique_lock<std::mutex> lock(lock_);
    idle_.wait(lock, [this] { return queue_.empty() && writing_.empty(); });
}

std::vector<AutoSaveResult> AutoSaver::TakeResults() {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<AutoSaveResult> results;
    results.swap(results_);
    return results;
}

AutoSaveResult AutoSaver::Write(const AutoSavePiece& piece) {
    AutoSaveResult result{piece, {}};
    if (!piece.device) {
        result.failure = SaveFailureText(piece.path, 0, WaveErrorText(MCIERR_NONAPPLICABLE_FUNCTION));
        return result;
    }
    std::unique_ptr<SampleWriter> encoder;
    if (piece.format != SaveFormat::Wav) {
        std::wstring why = UnavailableReason(piece.format, piece.device->Format());
        if (why.empty()) encoder = MakeEncoder(piece.format, LoadMp3Bitrate(), TagsFor(piece.path, L""));
        if (!encoder) {
            result.failure = why.empty() ? SaveFailureText(piece.path, 0, WaveErrorText(MCIERR_FILE_NOT_SAVED)) : why;
            return result;
        }
    }
    SetLastError(0);
    MCIERROR e = piece.device->SaveRange(piece.path, encoder.get(), piece.fromFrame, piece.toFrame);
    if (e) result.failure = SaveFailureText(piece.path, GetLastError(), WaveErrorText(e));
    return result;
}

void AutoSaver::Run() {
    std::unique_lock<std::mutex> lock(lock_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        AutoSavePiece piece = std::move(queue_.front());
        queue_.pop_front();
        writing_ = {piece.path};
        lock.unlock();
        AutoSaveResult result = Write(piece);
        lock.lock();
        results_.push_back(std::move(result));
        writing_.clear();
        if (notify_) PostMessageW(notify_, message_, 0, 0);
        if (queue_.empty()) idle_.notify_all();
    }
}

}  // namespace orvo::recorder
