// Reading files in large blocks, for the duplicate search and the byte
// comparison before a copy is removed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <new>

namespace sweep {

// Files are read in blocks of this size.
constexpr DWORD kReadBlock = 1 << 20;

// A block to read into, from the system's pages rather than the heap:
// aligned for any kind of read, and no part of the memory per file.
class ReadBlock {
public:
    ReadBlock()
        : data_(static_cast<char*>(::VirtualAlloc(nullptr, kReadBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {
        if (!data_) throw std::bad_alloc();
    }
    ~ReadBlock() { ::VirtualFree(data_, 0, MEM_RELEASE); }
    ReadBlock(const ReadBlock&) = delete;
    ReadBlock& operator=(const ReadBlock&) = delete;
    char* data() const { return data_; }

private:
    char* data_;
};

// Reads up to `size` bytes where the last read ended (at the start, after
// the open) of a file opened for synchronous reading; false with the
// system's code where the read failed. The end of the file is no failure:
// `got` is then short, or 0. Wine answers a read at an offset (ReadAt) with
// one more round trip to its server than a read where the last one ended.
inline bool ReadNext(HANDLE file, char* into, DWORD size, DWORD& got, DWORD& error) {
    got = 0;
    if (::ReadFile(file, into, size, &got, nullptr)) return true;
    error = ::GetLastError();
    return error == ERROR_HANDLE_EOF;
}

// The same at `offset`; the next ReadNext goes on from where this one ended.
inline bool ReadAt(HANDLE file, char* into, DWORD size, std::int64_t offset, DWORD& got, DWORD& error) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    got = 0;
    if (::ReadFile(file, into, size, &got, &at)) return true;
    error = ::GetLastError();
    return error == ERROR_HANDLE_EOF;
}

}  // namespace sweep
