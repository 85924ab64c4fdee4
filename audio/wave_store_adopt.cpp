// Taking over a leftover's files: its journal is trusted only as far as the
// files bear it out, so that whatever it says, every byte that is there can
// be played and saved and nothing outside the element's files is read.
#include <algorithm>
#include <cwctype>

#include "audio/wave_recovery.h"
#include "audio/wave_store.h"
#include "audio/wave_store_files.h"

namespace orvo {
namespace {

// A journal may have been planted: its sources are only ever the kind of
// path an opened WAV file has, a drive letter's or a share's, never a
// device or a raw \\?\ path, and name an existing file.
bool PlausibleSourcePath(const std::wstring& p) {
    const bool drive = p.size() > 3 && iswalpha(p[0]) && p[1] == L':' && p[2] == L'\\';
    const bool share = p.size() > 4 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'?' && p[2] != L'.' && p[2] != L'\\';
    if (!drive && !share) return false;
    const DWORD attributes = GetFileAttributesW(p.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opened files must be exactly as they were; a piece of one that changed or
// went would play something else, so it is left out. Returns the files, in
// source order, closed for those left out.
std::vector<ScopedFile> ReopenSources(WaveJournal& j, RecoveryLoss& loss) {
    std::vector<ScopedFile> files;
    for (const JournalSource& s : j.sources) {
        ScopedFile f(OpenSameSource(s));
        if (!f) loss.files.push_back(s.path);
        files.push_back(std::move(f));
    }
    std::vector<WaveStore::Piece> kept;
    for (const auto& p : j.pieces) {
        if (p.source > 0 && !files[p.source - 1]) {
            loss.fileBytes += p.bytes;
            continue;
        }
        kept.push_back(p);
    }
    j.pieces = kept;
    return files;
}

// Killed between a save's move over the opened files and the journal that
// follows it: the file in their place holds the whole element.
void TakeReplacement(WaveJournal& j) {
    if (!j.replacement.Pending()) return;
    if (ScopedFile moved(OpenSameSource(j.replacement.file)); moved) {
        j.sources = {j.replacement.file};
        j.pieces = j.replacement.pieces;
    }
    j.replacement = {};
}

}  // namespace

HANDLE OpenSameSource(const JournalSource& s) {
    if (!PlausibleSourcePath(s.path)) return INVALID_HANDLE_VALUE;
    ScopedFile f(OpenForReading(s.path));
    JournalSource now;
    if (!f || !StampSource(f.Get(), s.path, now) || !SameSource(s, now)) return INVALID_HANDLE_VALUE;
    return f.Detach();
}

RecoveryLoss UnavailableSources(const Leftover& leftover) {
    RecoveryLoss loss;
    WaveJournal j = leftover.journal;
    TakeReplacement(j);
    ReopenSources(j, loss);
    return loss;
}

bool WaveStore::Adopt(Leftover&& leftover, RecoveryLoss& loss) {
    Close();
    loss = RecoveryLoss{};
    ScopedFile samples(OpenSamples(leftover.folder + L"\\" + kSamplesFile, OPEN_ALWAYS));
    if (!samples) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(samples.Get(), &size);
    const uint64_t samplesSize = static_cast<uint64_t>(size.QuadPart);
    WaveJournal j = leftover.journal;
    TakeReplacement(j);
    SettleTake(j, samplesSize);
    std::vector<ScopedFile> files = ReopenSources(j, loss);
    ClampPieces(j, samplesSize, loss);
    if (loss.Any()) j.saved = false;
    // Without all of its files the element is not that file any more: a
    // Save must never propose to replace the original with what is left.
    if (!loss.files.empty() || !PlausibleSourcePath(j.name)) j.untitled = true;
    if (leftover.state == JournalState::Damaged) {
        // The journal we could not read stays as it was, beside the one
        // written from now on, for anyone who wants to look at it.
        MoveFileExW((leftover.folder + L"\\" + kJournalFile).c_str(),
                    (leftover.folder + L"\\" + kJournalKeptFile).c_str(), MOVEFILE_REPLACE_EXISTING);
    }

    std::lock_guard<std::mutex> lock(lock_);
    folder_ = leftover.folder;
    path_ = folder_ + L"\\" + kSamplesFile;
    owner_ = std::move(leftover.lock);
    samples_ = std::move(samples);
    sourceFiles_ = std::move(files);
    meta_ = std::move(j);
    length_ = LengthOf(meta_.pieces);
    // New takes go after everything in the file, even bytes no piece
    // names, so none of them is ever written over.
    fileEnd_ = samplesSize;
    WriteJournalLocked();
    lastCheckpoint_ = std::chrono::steady_clock::now();
    return true;
}

}  // namespace orvo
