// Where an element's samples live: a folder of its own under the per-user
// recovery folder, holding a samples file that only grows, a journal that
// says which pieces make up the element in which order, and a lock file.
// Recording always appends to the samples file; a take recorded in the
// middle of the element becomes a piece inserted there, so nothing already
// recorded is moved or lost. A piece may also lie in an opened WAV file,
// which is then read where it is instead of being copied.
//
// The files outlive the process: after a crash, a kill or the end of the
// session the next start finds them (wave_recovery.h). Only Close, the
// user's word that the element may go, deletes them.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "audio/wave_journal.h"
#include "audio/wave_riff.h"
#include "audio/wave_writer.h"
#include "base/job.h"
#include "base/replacing_file.h"
#include "base/scoped.h"

namespace orvo {

class WaveStore {
public:
    using Piece = JournalPiece;
    // A take that is still being recorded: bytes of the samples file from
    // fileOffset that belong at elementOffset.
    struct Pending {
        uint64_t elementOffset;
        uint64_t fileOffset;
        uint64_t bytes;
    };

    WaveStore() = default;
    ~WaveStore();
    WaveStore(const WaveStore&) = delete;
    WaveStore& operator=(const WaveStore&) = delete;

    // Creates the element's folder, lock, journal and samples file; false
    // (GetLastError set) when it cannot.
    bool Open();
    // Takes over the files of a leftover (its lock included). Pieces of an
    // opened file that changed or went are dropped, and what the journal
    // names beyond the end of a file is cut; loss tells both. False when the
    // samples file cannot be opened.
    bool Adopt(Leftover&& leftover, RecoveryLoss& loss);
    // The user's word: closes and deletes every file of the element.
    void Close();
    // Closes but keeps the files, with a final journal, for the next start
    // to offer. A running take must have been ended first.
    void Release();
    bool IsOpen() const { return samples_.Valid(); }
    // The samples file and the element's folder.
    const std::wstring& Path() const { return path_; }
    const std::wstring& Folder() const { return folder_; }

    // What the journal says about the element besides its pieces.
    void Describe(const WAVEFORMATEX& format, const WaveExtension& extension, const std::wstring& name,
                  bool untitled);
    const WAVEFORMATEX& Format() const { return meta_.format; }
    const WaveExtension& Extension() const { return meta_.extension; }
    const std::wstring& Name() const { return meta_.name; }
    bool Untitled() const { return meta_.untitled; }
    // True while every byte of the element is in a saved file, unchanged
    // since: such an element is removed silently after a crash.
    void SetSaved(bool saved);
    bool Saved() const;

    // Bytes of the element (without a pending take).
    uint64_t Length() const;
    // Where the next appended bytes go in the samples file.
    uint64_t FileEnd() const;

    // Positional I/O on the samples file; safe from two threads at once.
    bool WriteFileAt(uint64_t fileOffset, const void* data, uint32_t n) const;
    bool ReadFileAt(uint64_t fileOffset, void* data, uint32_t n) const;

    // Appends bytes to the samples file and to the end of the element.
    bool Append(const void* data, uint32_t n);
    // Makes the bytes [fileOffset, fileOffset+bytes) of the samples file,
    // written by a take, part of the element at elementOffset (clamped to its
    // length). Ends the take, if one was begun.
    void Insert(uint64_t elementOffset, uint64_t fileOffset, uint64_t bytes);

    // The element becomes the whole of an opened WAV file, read where it is
    // instead of being copied: named after it, in its format, counted as
    // saved, in one journal write. The store keeps the handle (opened for
    // reading, shared for reading only) until Close, Release or a save over
    // the file.
    void TakeFile(const std::wstring& path, ScopedFile file, const WaveLayout& layout);

    // Writes the element, with a take still running spliced in (nullptr:
    // none runs), through writer into a file beside path that replaces path
    // only when complete and flushed, so a full disk or a cancel never leaves
    // a half-written file in place of a good one. The target may be the very
    // file the element reads from: it is let go for the replace and read from
    // again after it. A save with no take running, into a file that holds the
    // element unchanged, counts the element as saved. 0 or an MCI error code;
    // a cancelled save returns MCIERR_FILE_NOT_SAVED. After a failure the
    // thread's last error is what the system refused (ERROR_DISK_FULL, ...).
    MCIERROR SaveAs(const std::wstring& path, SampleWriter& writer, const Pending* pending,
                    const JobControl* control);
    // Writes bytes [from, to) of the element (whole frames, a running take
    // spliced in as for SaveAs) the same way, its marks inside the stretch
    // moved with it. The element is not counted saved and keeps its
    // sources, so the target may not be a file the element reads from. A
    // stretch reaching past the element is refused (MCIERR_OUTOFRANGE).
    MCIERROR SaveRange(const std::wstring& path, SampleWriter& writer, const Pending* pending, uint64_t from,
                       uint64_t to, const JobControl* control);

    // A take begins at elementOffset, written from fileOffset on.
    void BeginTake(uint64_t elementOffset, uint64_t fileOffset);
    // The recording thread tells how much of the take is in the file. At
    // most every CheckpointInterval the samples are flushed and the journal
    // is rewritten to include them.
    void TakeWritten(uint64_t bytes);
    // Milliseconds between checkpoints while recording; 0 turns the journal
    // off during takes (for measuring what it costs).
    void SetCheckpointInterval(uint32_t ms) { checkpointMs_ = ms; }

    // Reads n bytes of the element at offset, with an optional pending take
    // spliced in. False on a read error or when the range is outside.
    bool ReadElement(uint64_t offset, void* data, uint32_t n, const Pending* pending = nullptr) const;

    std::vector<Piece> Pieces() const;

    // A mark at frame of the element, or (inTake) at frame of the running
    // take, counted from its start; the journal has it at once. Marks after
    // a place where bytes are inserted move with the sound after it.
    void AddMark(const WaveMark& mark, bool inTake);
    // A mark at frame of the running take, made on the capture thread: the
    // journal has it with the take's next checkpoint, so that the capture
    // never waits for a journal write.
    void MarkTake(const WaveMark& mark);
    // The marks in frame order, with those of a pending take at their place.
    std::vector<WaveMark> Marks(const Pending* pending = nullptr) const;

    // Seams for tests, process-wide, never set by the program: writes that
    // would take the samples file past fileBytes fail with ERROR_DISK_FULL
    // as on a full disk (what fits is written), and elements are held to at
    // most elementBytes (a take stops there, as at the WAV size limit).
    // kNoLimit lifts either.
    static constexpr uint64_t kNoLimit = UINT64_MAX;
    static void FailWritesBeyond(uint64_t fileBytes);
    static void LimitElementsTo(uint64_t elementBytes);
    // Called before each checkpoint's flush, standing for a disk that is
    // slow to flush; nullptr: none.
    static void BeforeCheckpointFlush(void (*hook)());
    // The most an element may hold, given what its file format can hold.
    static uint64_t ElementLimit(uint64_t formatLimit);

private:
    // The source whose file is the one at path, or 0.
    uint32_t SourceOf(const std::wstring& path) const;
    // Lets go of a source's file so it can be replaced, and takes it again.
    void ReleaseSource(uint32_t source);
    bool ReopenSource(uint32_t source);
    // After a save over one of the sources: that file, now holding the whole
    // element, becomes the only source; pieces lists (offset, bytes) of it in
    // element order.
    bool ReplaceSources(const std::wstring& path, ScopedFile file,
                        const std::vector<std::pair<uint64_t, uint64_t>>& pieces);
    // Writes bytes [from, to) of the element into out; the save's first half.
    MCIERROR CopyInto(HANDLE out, SampleWriter& writer, const Pending* pending, uint64_t from, uint64_t to,
                      const JobControl* control) const;
    // The temporary file of a save written and closed, or why not (the
    // thread's last error kept for the caller).
    MCIERROR WriteTemporary(ReplacingFile& out, SampleWriter& writer, const Pending* pending, uint64_t from,
                            uint64_t to, const JobControl* control) const;
    void ResetState();
    bool WriteJournalLocked();
    static HANDLE SourceHandle(const std::vector<ScopedFile>& files, uint32_t source);

    // Writes a journal taken as number `taken`, unless a later one is on disk
    // already: a checkpoint writes its copy outside lock_, so a slow disk
    // holds up neither the window nor the recording's bookkeeping.
    bool WriteJournalCopy(const std::wstring& folder, const WaveJournal& journal, uint64_t taken);

    mutable std::mutex lock_;
    std::mutex journalLock_;       // one journal write at a time; after lock_ when both are held
    uint64_t journalTaken_ = 0;    // under lock_
    uint64_t journalWritten_ = 0;  // under journalLock_
    ScopedFile samples_;
    ScopedFile owner_;  // the lock file: held while this process has the element
    std::wstring folder_, path_;
    WaveJournal meta_;
    std::vector<ScopedFile> sourceFiles_;  // index source-1, parallel to meta_.sources
    uint64_t length_ = 0;
    uint64_t fileEnd_ = 0;
    uint32_t checkpointMs_ = 1000;
    std::chrono::steady_clock::time_point lastCheckpoint_{};
};

}  // namespace orvo
