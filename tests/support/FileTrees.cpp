#include "support/FileTrees.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/FolderListing.h"
#include "support/TempDir.h"
#include "base/Unicode.h"

namespace test {

bool MakeExactFile(const std::wstring& path, std::uint64_t size) {
    HANDLE h = ::CreateFileW(sweep::ExactPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    if (size) {
        LARGE_INTEGER li;
        li.QuadPart = static_cast<LONGLONG>(size);
        ok = ::SetFilePointerEx(h, li, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
    }
    ::CloseHandle(h);
    return ok;
}

bool WriteExactFile(const std::wstring& path, const std::string& bytes) {
    HANDLE h = ::CreateFileW(sweep::ExactPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    ::CloseHandle(h);
    return ok;
}

std::string ExactContents(const std::wstring& path) {
    HANDLE h = ::CreateFileW(sweep::ExactPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
    ::CloseHandle(h);
    return bytes;
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    sweep::FolderReader(folder).ForEachEntry([&](const sweep::DirEntryView& e) {
        if (!sweep::IsDotEntry(e.name)) names.emplace_back(e.name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

bool MakeExactFolder(const std::wstring& path) {
    return ::CreateDirectoryW(sweep::ExactPath(path).c_str(), nullptr) != FALSE;
}

bool ExactExists(const std::wstring& path) {
    return ::GetFileAttributesW(sweep::ExactPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SetLastWrite(const std::wstring& path, std::uint64_t ticks) {
    HANDLE h = ::CreateFileW(sweep::ExactPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    bool ok = ::SetFileTime(h, nullptr, nullptr, &t) != FALSE;
    ::CloseHandle(h);
    return ok;
}

sweep::FoundFile FoundFileOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'\\');
    sweep::FoundFile f;
    f.folder = std::make_shared<const std::wstring>(path.substr(0, slash + 1));
    f.name = path.substr(slash + 1);
    sweep::FolderReader folder(*f.folder);
    f.volumeSerial = folder.VolumeSerial();
    std::vector<std::wstring> twinKeys;
    folder.ForEachEntry([&](const sweep::DirEntryView& e) {
        if (sweep::EndsWithDotOrBlank(e.name)) twinKeys.push_back(sweep::WithoutTrailingDotsAndBlanks(e.name));
        if (e.name != f.name) return;
        f.size = e.size;
        f.lastWrite = e.lastWrite;
        f.creation = e.creation;
        f.attributes = e.attributes;
        f.fileId = e.fileId;
    });
    f.hasTwin = std::find(twinKeys.begin(), twinKeys.end(), sweep::WithoutTrailingDotsAndBlanks(f.name)) != twinKeys.end();
    return f;
}

std::string UnixPath(const std::wstring& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    char* u = toUnix(sweep::ExactPath(path).c_str());
    std::string result = u ? u : "";
    if (u) ::HeapFree(::GetProcessHeap(), 0, u);
    return result;
}

std::wstring TrashFolder() {
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    char data[1024];
    const DWORD n = ::GetEnvironmentVariableA("XDG_DATA_HOME", data, sizeof data);
    if (!toDos || !n || n >= sizeof data) return std::wstring();
    WCHAR* dos = toDos((std::string(data, n) + "/Trash").c_str());
    std::wstring result = dos ? sweep::PlainPath(dos) : L"";
    if (dos) ::HeapFree(::GetProcessHeap(), 0, dos);
    return result;
}

bool RunUnix(const std::string& program, const std::string& arguments) {
    std::wstring command = base::Wide("\"" + program + "\" " + arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(base::Wide("Z:" + program).c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi))
        return false;
    // Wine gives no handles for a Unix program: 0 for the process and 1 for
    // the thread, and closing "1" closes one of the program's own handles
    // (after which no window can be made).
    if (pi.hProcess) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    return true;
}

bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
    const std::string from = UnixPath(target), to = UnixPath(link);
    if (from.empty() || to.empty()) return false;
    if (!RunUnix("/bin/ln", "-s \"" + from + "\" \"" + to + "\"")) return false;
    // A Unix program's handle does not tell when it ends; its work does.
    return WaitUntil([&] {
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW(sweep::ExactPath(link).c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return false;
        ::FindClose(h);
        return true;
    });
}

namespace {
// Whether a file can be added to a folder now. A new name each time: a
// probe made just before the folder closed cannot be deleted any more.
bool CanAddTo(const std::wstring& folder) {
    static unsigned counter = 0;
    const std::wstring probe = sweep::ExactPath(folder + L"\\.probe" + std::to_wstring(++counter));
    HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    ::DeleteFileW(probe.c_str());
    return true;
}

bool IsReadOnly(const std::wstring& path) {
    return (::GetFileAttributesW(sweep::ExactPath(path).c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
}  // namespace

ClosedFolder::ClosedFolder(const std::wstring& path, How how) : path_(path), how_(how) {
    const std::string unixPath = Quoted(UnixPath(path));
    if (unixPath.size() == 2) return;
    if (how == Immutable) {
        changed_ = RunUnix("/usr/bin/chattr", "+i " + unixPath);
        closed_ = changed_ && WaitUntil([&] { return !CanAddTo(path_); });
        return;
    }
    // Wine shows a folder nobody may write to as read-only; root writes there all the same.
    changed_ = RunUnix("/bin/chmod", "555 " + unixPath);
    closed_ = changed_ && WaitUntil([&] { return IsReadOnly(path_); }) && !CanAddTo(path_);
}

bool ClosedFolder::Open() {
    // The folder is removed after this; it must be open to changes again by then.
    const std::string unixPath = Quoted(UnixPath(path_));
    if (how_ == Immutable)
        return RunUnix("/usr/bin/chattr", "-i " + unixPath) && WaitUntil([&] { return CanAddTo(path_); });
    return RunUnix("/bin/chmod", "755 " + unixPath) && WaitUntil([&] { return !IsReadOnly(path_); });
}

ClosedFolder::~ClosedFolder() {
    if (changed_) Open();
}

MountedFolder::MountedFolder(const std::wstring& path, int kilobytes) : path_(path), marker_(path + L"\\.unmounted") {
    // The folder's own files hide under the mount: the marker shows which is there.
    const std::string unixPath = UnixPath(path);
    if (unixPath.empty() || !MakeExactFile(marker_)) return;
    const std::string size = "size=" + std::to_string(kilobytes) + "k";
    mounted_ = RunUnix("/bin/mount", "-t tmpfs -o " + size + " sweepfield " + Quoted(unixPath)) &&
               WaitUntil([&] { return !ExactExists(marker_); });
}

MountedFolder::~MountedFolder() {
    if (mounted_ && RunUnix("/bin/umount", Quoted(UnixPath(path_)))) WaitUntil([&] { return ExactExists(marker_); });
    ::DeleteFileW(sweep::ExactPath(marker_).c_str());
}

FileHeldByAnotherProcess::FileHeldByAnotherProcess(const std::wstring& path, Sharing sharing) {
    wchar_t event[64];
    static unsigned counter = 0;
    wsprintfW(event, L"SweepfieldHold_%lu_%u", ::GetCurrentProcessId(), ++counter);
    release_ = ::CreateEventW(nullptr, TRUE, FALSE, event);
    wchar_t self[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program(self, n);
    program = program.substr(0, program.rfind(L'\\') + 1) + L"HoldFile.exe";
    std::wstring command = L"\"" + program + L"\" \"" + sweep::ExactPath(path) + L"\" " + event +
                           (sharing == Everything ? L" everything" : L"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!release_ || !::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                       &si, &pi))
        return;
    ::CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    held_ = WaitUntil([&] { return ExactExists(path + L".held"); }, 10000);
}

FileHeldByAnotherProcess::~FileHeldByAnotherProcess() {
    if (release_) ::SetEvent(release_);
    if (process_) {
        ::WaitForSingleObject(process_, 10000);
        ::CloseHandle(process_);
    }
    if (release_) ::CloseHandle(release_);
}

}  // namespace test
