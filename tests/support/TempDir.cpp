#include "support/TempDir.h"

#include <windows.h>

#include <chrono>
#include <string>

#include "base/Unicode.h"
#include "support/FileTrees.h"

namespace test {

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return condition();
        ::Sleep(5);
    }
}

std::wstring FilePath(const std::string& path) {
    std::wstring wide = base::Wide(path);
    // Past the length the system's path parser takes (a folder's name must
    // leave room for an 8.3 name inside it), only as it is.
    if (wide.size() >= MAX_PATH - 12 && wide.compare(0, 4, L"\\\\?\\") != 0) wide = L"\\\\?\\" + wide;
    return wide;
}

TempDir::TempDir() {
    wchar_t base[MAX_PATH + 1] = L"";
    ::GetTempPathW(MAX_PATH + 1, base);
    std::string root = base::Utf8(base);
    if (!root.empty() && root.back() == '\\') root.pop_back();
    static unsigned counter = 0;
    for (;;) {
        path_ = root + "\\sftest_" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++counter);
        if (::CreateDirectoryW(FilePath(path_).c_str(), nullptr)) break;
    }
}

TempDir::~TempDir() {
    RemoveTree(path_);
    // Unix links the system cannot remove as themselves (Wine deletes a file
    // link's target and keeps the link) go from the Unix side.
    const std::wstring exact = FilePath(path_);
    if (::GetFileAttributesW(exact.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    const std::string unixPath = UnixPath(exact);
    if (!unixPath.empty() && RunUnix("/bin/rm", "-rf \"" + unixPath + "\""))
        WaitUntil([&] { return ::GetFileAttributesW(exact.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

void TempDir::MakeDir(const std::string& relative) const {
    std::string full = path_;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t slash = relative.find('\\', start);
        std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        full += "\\" + part;
        ::CreateDirectoryW(FilePath(full).c_str(), nullptr);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
}

void TempDir::MakeFile(const std::string& relative, std::uint64_t size) const {
    std::size_t slash = relative.rfind('\\');
    if (slash != std::string::npos) MakeDir(relative.substr(0, slash));
    std::string full = path_ + "\\" + relative;
    HANDLE h = ::CreateFileW(FilePath(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    if (size) {
        LARGE_INTEGER li;
        li.QuadPart = static_cast<LONGLONG>(size);
        ::SetFilePointerEx(h, li, nullptr, FILE_BEGIN);
        ::SetEndOfFile(h);
    }
    ::CloseHandle(h);
}

bool TempDir::Exists(const std::string& relative) const {
    return ::GetFileAttributesW(FilePath(path_ + "\\" + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path) {
    RemoveTree(FilePath(path));
}

void RemoveTree(const std::wstring& path) {
    // Names as the system lists them, through "\\?\" paths, so that any
    // name goes, whatever it holds (a trailing dot or blank, any length).
    const std::wstring exact = path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((exact + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = exact + L"\\" + name;
            ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(full);
            else if (!::DeleteFileW(full.c_str()))
                ::RemoveDirectoryW(full.c_str());  // a link to a folder goes as itself, never into it
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(exact.c_str());
}

}  // namespace test
