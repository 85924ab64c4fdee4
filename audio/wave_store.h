// Where an element's samples live: a temporary file that only grows, and a
// list of pieces of it that make up the element in order. Recording always
// appends to the file; a take recorded in the middle of the element becomes
// a piece inserted there, so nothing already recorded is moved or lost. The
// file is deleted by the system when the store is closed, also when the
// program ends abnormally.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/scoped.h"

namespace orvo {

class WaveStore {
public:
    struct Piece {
        uint64_t fileOffset;
        uint64_t bytes;
    };
    // A take that is still being recorded: bytes of the file from fileOffset
    // that belong at elementOffset.
    struct Pending {
        uint64_t elementOffset;
        uint64_t fileOffset;
        uint64_t bytes;
    };

    // Creates the temporary file; false (GetLastError set) when it cannot.
    bool Open();
    void Close();
    bool IsOpen() const { return file_.Valid(); }
    const std::wstring& Path() const { return path_; }

    // Bytes of the element (without a pending take).
    uint64_t Length() const { return length_; }
    // Where the next appended bytes go in the file.
    uint64_t FileEnd() const { return fileEnd_; }

    // Positional I/O on the file; safe from two threads at once.
    bool WriteFileAt(uint64_t fileOffset, const void* data, uint32_t n) const;
    bool ReadFileAt(uint64_t fileOffset, void* data, uint32_t n) const;

    // Appends bytes to the file and to the end of the element.
    bool Append(const void* data, uint32_t n);
    // Makes the bytes [fileOffset, fileOffset+bytes) of the file, written by
    // a take, part of the element at elementOffset (clamped to its length).
    void Insert(uint64_t elementOffset, uint64_t fileOffset, uint64_t bytes);

    // Reads n bytes of the element at offset, with an optional pending take
    // spliced in. False on a read error or when the range is outside.
    bool ReadElement(uint64_t offset, void* data, uint32_t n, const Pending* pending = nullptr) const;

    const std::vector<Piece>& Pieces() const { return pieces_; }

private:
    ScopedFile file_;
    std::wstring path_;
    std::vector<Piece> pieces_;
    uint64_t length_ = 0;
    uint64_t fileEnd_ = 0;
};

}  // namespace orvo
