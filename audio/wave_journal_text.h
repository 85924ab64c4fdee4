// The journal beside an element's samples, as text: everything needed to put the
// element together again after the process is gone. It is a short UTF-8
// text, one record a line, replaced as a whole (written beside, flushed,
// moved over) so a reader only ever sees a complete one; wave_journal.h
// writes and reads the files. Nothing here touches a file, so the parser
// can be run on any bytes at all (tests/fuzz):
//
//   OrvoRecord journal 1
//   format <tag> <channels> <samples/s> <bytes/s> <block align> <bits>
//   extension <valid bits> <channel mask>      only when the file described its format so
//   untitled <0|1>
//   saved <0|1>                 every byte is in a saved file, unchanged since
//   began <FILETIME>            UTC, 100 ns units; when recording first began (0: never)
//   name <text>                 the opened file's path or the proposed new name
//   source <n> <size> <FILETIME of last write> <path>      one per opened file, n from 1
//   check <n> <fingerprint>     of source n's contents (older builds skip it)
//   piece <source> <offset> <bytes>                        in element order; source 0 = samples file
//   take <element offset> <file offset> <bytes on disk> <FILETIME began>   while recording
//   mark <frame> <name>         one per mark, in frame order
//   takemark <frame> <name>     a mark made during the running take, frames into it
//   replace <size> <FILETIME> <fingerprint> <path>   a save over the opened files is
//                               about to put this file in their place...
//   replacepiece <offset> <bytes>   ...holding the whole element in these pieces
//   end
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audio/wave_marks.h"
#include "audio/wave_riff.h"

namespace orvo {

struct JournalPiece {
    uint64_t fileOffset;
    uint64_t bytes;
    uint32_t source = 0;  // 0: the samples file; n: sources[n-1]
};

struct JournalSource {
    std::wstring path;
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // FILETIME as one number
    uint64_t fingerprint = 0;  // of the file's contents, sampled; 0: not known
};

struct JournalTake {
    uint64_t elementOffset = 0;
    uint64_t fileOffset = 0;
    uint64_t bytes = 0;
    uint64_t began = 0;
};

// A save over an opened file writes the whole element beside it, then moves
// it into place. Between the two the journal names the new file too, so a
// recorder killed just after the move still knows the file that is there now.
struct JournalReplacement {
    JournalSource file;
    std::vector<JournalPiece> pieces;  // all of that file (source 1 once it is the only source)
    bool Pending() const { return !file.path.empty(); }
};

struct WaveJournal {
    WAVEFORMATEX format{};
    WaveExtension extension;
    bool untitled = true;
    bool saved = true;
    uint64_t began = 0;
    std::wstring name;
    std::vector<JournalSource> sources;
    std::vector<JournalPiece> pieces;
    bool recording = false;
    JournalTake take;
    // Marks are frames of the element. Those made during a running take
    // count from the take's start until the take becomes part of it. A
    // journal of an earlier build knows no marks; its parser passes their
    // records over and restores the sound without them.
    std::vector<WaveMark> marks;
    std::vector<WaveMark> takeMarks;
    JournalReplacement replacement;
};

std::string FormatJournal(const WaveJournal& journal);

// How far a journal could be read. A journal this build cannot read never
// condemns the samples beside it: a newer version's is left to that version,
// a damaged one still leaves the samples to be offered as they are.
enum class JournalState {
    Read,     // complete, in a format we can hold
    Missing,  // no journal file at all
    Busy,     // there, but cannot be opened now (another program has it)
    Newer,    // written by a newer version of the journal
    Damaged,  // anything else: cut short, a bad record, an unknown coding
};
JournalState ParseJournal(std::string_view text, WaveJournal& out);
// From a journal that could not be read as a whole: its format record, if
// that one is whole and usable.
bool SalvageFormat(std::string_view text, WAVEFORMATEX& format);

}  // namespace orvo
