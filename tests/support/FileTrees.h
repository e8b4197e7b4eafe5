// Files with exact names for the tests: made through "\\?\" paths so that
// trailing dots and blanks, fullwidth separators and any script survive;
// Unix links made with the system's own ln; a file held open by another
// process; the folder modes and attributes only Unix can set, and a small
// file system of its own for a folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FoundFile.h"

namespace test {

// Makes a file (and no folders) by its exact path; false when it could not.
bool MakeExactFile(const std::wstring& path, std::uint64_t size = 0);
// Makes a file with these bytes; false when it could not.
bool WriteExactFile(const std::wstring& path, const std::string& bytes);
// A file's bytes; empty when it cannot be read.
std::string ExactContents(const std::wstring& path);
bool MakeExactFolder(const std::wstring& path);
// The names in a folder, "." and ".." left out, sorted.
std::vector<std::wstring> NamesIn(const std::wstring& folder);
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

// Closes a folder to changes while the object lives: immutable with the
// system's chattr (nothing in it can be added or removed; Wine then reports
// a deletion there as done and keeps the file), or by its Unix mode 555
// (which keeps out every user but root). Closed() is false where that cannot
// be done (no Unix below, not root for chattr, root for the mode, a file
// system without the attribute).
class ClosedFolder {
public:
    enum How { Immutable, ModeReadOnly };
    explicit ClosedFolder(const std::wstring& path, How how = Immutable);
    ~ClosedFolder();
    ClosedFolder(const ClosedFolder&) = delete;
    ClosedFolder& operator=(const ClosedFolder&) = delete;
    bool Closed() const { return closed_; }

private:
    bool Open();
    std::wstring path_;
    How how_;
    bool changed_ = false;  // the command that closes it ran
    bool closed_ = false;
};

// Mounts a file system of its own in memory (tmpfs, of `kilobytes`) on an
// empty folder while the object lives, with the system's mount; Mounted() is
// false where that cannot be done (not root).
class MountedFolder {
public:
    MountedFolder(const std::wstring& path, int kilobytes);
    ~MountedFolder();
    MountedFolder(const MountedFolder&) = delete;
    MountedFolder& operator=(const MountedFolder&) = delete;
    bool Mounted() const { return mounted_; }

private:
    std::wstring path_, marker_;
    bool mounted_ = false;
};

// The tests' recycle bin under Wine (the desktop trash made for the tests,
// see scripts/wine-env.sh), as a Windows path; empty elsewhere.
std::wstring TrashFolder();

// A child process (HoldFile.exe, beside the test) that holds a file open
// for reading until this object goes: letting others read it only, or
// letting others read, write and delete it.
class FileHeldByAnotherProcess {
public:
    enum Sharing { ReadOnly, Everything };
    explicit FileHeldByAnotherProcess(const std::wstring& path, Sharing sharing = ReadOnly);
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
