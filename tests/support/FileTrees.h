// Files with exact names for the tests: made through "\\?\" paths so that
// trailing dots and blanks, fullwidth separators and any script survive;
// Unix links made with the system's own ln; a file held open by another
// process; and the file attributes only Unix can set.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/FoundFile.h"

namespace test {

// Makes a file (and no folders) by its exact path; false when it could not.
bool MakeExactFile(const std::wstring& path, std::uint64_t size = 0);
bool MakeExactFolder(const std::wstring& path);
bool ExactExists(const std::wstring& path);
// Sets a file's last-write time (FILETIME ticks).
bool SetLastWrite(const std::wstring& path, std::uint64_t ticks);

// The file as a listing of its folder describes it, as the search records it.
sweep::FoundFile FoundFileOf(const std::wstring& path);

// Wine keeps links as Unix symbolic links and makes none itself; the system's
// ln makes one. False where there is no Unix below (the test then skips).
bool MakeUnixLink(const std::wstring& link, const std::wstring& target);
// The Unix path of a file, empty where there is no Unix below.
std::string UnixPath(const std::wstring& path);
// Starts a Unix program. Its handle does not tell when it ends: wait for
// what it does.
bool RunUnix(const std::string& program, const std::string& arguments);

// Makes a folder immutable with the system's chattr while the object lives:
// nothing in it can be added or removed (Wine then reports a deletion there
// as done and keeps the file). Immutable() is false where that cannot be
// done (no Unix below, not root, a file system without the attribute).
class ImmutableFolder {
public:
    explicit ImmutableFolder(const std::wstring& path);
    ~ImmutableFolder();
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;
    bool Immutable() const { return immutable_; }

private:
    std::wstring path_;
    bool immutable_ = false;
};

// The tests' recycle bin under Wine (the desktop trash made for the tests,
// see scripts/wine-env.sh), as a Windows path; empty elsewhere.
std::wstring TrashFolder();

// A child process (HoldFile.exe, beside the test) that holds a file open
// without sharing its deletion or writing, until this object goes.
class FileHeldByAnotherProcess {
public:
    explicit FileHeldByAnotherProcess(const std::wstring& path);
    ~FileHeldByAnotherProcess();
    FileHeldByAnotherProcess(const FileHeldByAnotherProcess&) = delete;
    FileHeldByAnotherProcess& operator=(const FileHeldByAnotherProcess&) = delete;
    bool Held() const { return held_; }

private:
    HANDLE process_ = nullptr;
    HANDLE release_ = nullptr;
    bool held_ = false;
};

}  // namespace test
