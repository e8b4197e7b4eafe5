// Folders read by their exact names.
//
// Every path here is the path the system reported, used as it stands: it is
// handed to the system with the "\\?\" prefix, so that nothing rewrites it
// (a trailing dot or blank, a ".." in a name, a path of any length) and no
// code page is between the name and the file. A folder's entries come from
// one listing with what the system knows of each: long and short name,
// attributes, size, times and the file's id.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Handles.h"

namespace sweep {

// The path as the system takes it without rewriting: "\\?\" before a drive
// path, "\\?\UNC\" instead of the "\\" of a network path; a path that has a
// prefix already stays as it is.
std::wstring ExactPath(std::wstring_view path);
// The ordinary form of a path the system gave with a prefix (the inverse of
// ExactPath): "\\?\C:\x" is "C:\x", "\\?\UNC\s\x" is "\\s\x".
std::wstring PlainPath(std::wstring_view path);

// What a listing says of one entry. The views point into the listing's
// buffer and last until the next entry.
struct DirEntryView {
    std::wstring_view name;
    std::wstring_view shortName;  // empty when the entry has none
    DWORD attributes;
    std::int64_t size;
    std::uint64_t lastWrite;  // FILETIME ticks (UTC)
    std::uint64_t creation;
    std::uint64_t fileId;     // 0 when the file system gives none
};

inline bool IsDotEntry(std::wstring_view name) { return name == L"." || name == L".."; }
inline bool EndsWithDotOrBlank(std::wstring_view name) {
    return !name.empty() && (name.back() == L'.' || name.back() == L' ') && !IsDotEntry(name);
}

// A folder opened for listing by its plain path (no prefix). Links are not
// followed: a folder that is itself a link is opened as the link, which has
// no entries to list.
class FolderReader {
public:
    explicit FolderReader(std::wstring_view folder);
    bool IsOpen() const { return static_cast<bool>(handle_); }
    // The error of the open, or of the last read that failed.
    DWORD Error() const { return error_; }
    // The folder's path as the system resolves it now (plain form), or empty.
    std::wstring FinalPath() const;
    DWORD VolumeSerial() const;

    // Calls onEntry(const DirEntryView&) for every entry, "." and ".."
    // included, in the order the system lists them. False when the listing
    // could not be read to its end (Error tells why).
    template <class F>
    bool ForEachEntry(F&& onEntry) {
        bool restart = true;
        while (ReadBatch(restart)) {
            restart = false;
            for (std::size_t at = 0;;) {
                DirEntryView e;
                std::size_t next = Decode(buffer_.get(), at, e);
                onEntry(static_cast<const DirEntryView&>(e));
                if (!next) break;
                at += next;
            }
        }
        return error_ == ERROR_NO_MORE_FILES || error_ == ERROR_SUCCESS;
    }

    // Every entry, "." and ".." included, in the order the system lists
    // them; the views last as long as the reader. False as ForEachEntry.
    // goOn, if given, is asked before each batch of entries (one call to
    // the system, up to 64 KB): when it answers false the listing ends
    // there, unfinished, and Error() is ERROR_OPERATION_ABORTED, so that a
    // huge folder can be given up within one batch.
    bool ReadAll(std::vector<DirEntryView>& entries, const std::function<bool()>& goOn = {});

    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

private:
    // Reads the next batch of entries into `into`, or into the buffer.
    bool ReadBatch(bool restart, char* into = nullptr);
    static std::size_t Decode(const char* batch, std::size_t at, DirEntryView& entry);

    base::KernelHandle handle_;
    DWORD error_ = ERROR_SUCCESS;
    // Listing buffers come from a pool and go back to it, reused from folder
    // to folder.
    std::unique_ptr<char[]> buffer_;
    std::vector<std::unique_ptr<char[]>> kept_;  // later batches, for ReadAll's views
};

// The path an open file or folder has now, as the system resolves it (plain
// form); empty when the system cannot tell (Wine cannot for long paths).
std::wstring FinalPathOf(HANDLE handle);

// The part of a plain path after its volume: "C:\x\y" gives "\x\y",
// "\\server\share\x" gives "\x".
std::wstring_view VolumePart(std::wstring_view path);
// The path with the dots and blanks at the end of each name removed. Wine
// reports the path of an open file in this form ("x.tmp." as "x.tmp"), so
// two names that differ only there cannot be told apart by that path.
std::wstring WithoutTrailingDotsAndBlanks(std::wstring_view path);

}  // namespace sweep
