// A file the search found, as the system described it: the identity that
// deletion checks before it touches anything. Nothing here comes from the
// texts the result grid shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace sweep {

struct FoundFile {
    // The folder that holds the file, exactly as the walk reached it (plain
    // form, ending with a backslash); shared by every file found in it.
    std::shared_ptr<const std::wstring> folder;
    std::wstring name;  // exact, as listed: it may hold any code unit
    std::int64_t size = 0;
    std::uint64_t lastWrite = 0;  // FILETIME ticks (UTC), exact
    std::uint64_t creation = 0;
    DWORD attributes = 0;
    std::uint64_t fileId = 0;  // 0 where the file system gives none
    DWORD volumeSerial = 0;
    // Its folder held a name that differs from this one only by dots and
    // blanks at the end (see WithoutTrailingDotsAndBlanks): deletion then
    // looks harder at which of the two it reached.
    bool hasTwin = false;

    std::wstring Path() const { return *folder + name; }
};

}  // namespace sweep
