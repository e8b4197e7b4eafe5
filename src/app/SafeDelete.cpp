#include "app/SafeDelete.h"

#include <shellapi.h>

#include "app/FolderListing.h"

namespace sweep {

namespace {

constexpr DWORD kBlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::uint64_t Ticks(const FILETIME& t) { return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// Opens the file itself (a link as the link), for deletion and its
// attributes. Others may go on reading it, but not write to it while it is
// compared and deleted.
ui::KernelHandle OpenListed(const std::wstring& path) {
    return ui::KernelHandle(ui::ValidOrNull(
        ::CreateFileW(ExactPath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                      nullptr)));
}

RemovalOutcome OutcomeOfFailedOpen(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? RemovalOutcome::Missing
                                                                          : RemovalOutcome::Refused;
}

std::uint64_t IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

bool IsSameFile(const FoundFile& listed, const BY_HANDLE_FILE_INFORMATION& now) {
    const std::uint64_t id = IdOf(now);
    const std::int64_t size = static_cast<std::int64_t>((static_cast<std::uint64_t>(now.nFileSizeHigh) << 32) |
                                                        now.nFileSizeLow);
    return (now.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && size == listed.size &&
           Ticks(now.ftLastWriteTime) == listed.lastWrite && Ticks(now.ftCreationTime) == listed.creation &&
           (!listed.fileId || id == listed.fileId) &&
           (!listed.volumeSerial || now.dwVolumeSerialNumber == listed.volumeSerial);
}

// Whether the open file is the listed one and not another file a link led
// to. Under Wine a handle on a link reports its target's path, with the
// dots and blanks at the ends of names dropped; a twin name that differs
// only there is then told apart by its id.
bool ReachedTheListedName(HANDLE handle, const FoundFile& listed, const std::wstring& path, std::uint64_t id) {
    const std::wstring reported = VolumePathOf(handle);
    const std::wstring_view expected = VolumePart(path);
    if (reported.empty()) return false;
    if (reported != expected && WithoutTrailingDotsAndBlanks(reported) != WithoutTrailingDotsAndBlanks(expected))
        return false;
    if (!listed.hasTwin) return true;
    const std::wstring key = WithoutTrailingDotsAndBlanks(listed.name);
    bool twinIsThisFile = false;
    FolderReader folder(*listed.folder);
    const bool read = folder.ForEachEntry([&](const DirEntryView& e) {
        if (e.name != listed.name && e.fileId == id && WithoutTrailingDotsAndBlanks(e.name) == key)
            twinIsThisFile = true;
    });
    return read && !twinIsThisFile;
}

bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic{};  // zero times: left as they are
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

bool NameIsGone(const std::wstring& path) {
    if (::GetFileAttributesW(ExactPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Opens the listed file and checks that it is still the file that was
// found, reached by its own name. Empty, with the reason, when it is not.
ui::KernelHandle OpenIfStillListed(const FoundFile& file, const std::wstring& path, BY_HANDLE_FILE_INFORMATION& now,
                                   RemovalOutcome& refusal) {
    if (file.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        refusal = RemovalOutcome::Folder;
        return {};
    }
    ui::KernelHandle handle = OpenListed(path);
    if (!handle) {
        refusal = OutcomeOfFailedOpen(::GetLastError());
    } else if (!::GetFileInformationByHandle(handle.get(), &now)) {
        refusal = RemovalOutcome::Refused;
        handle.reset();
    } else if (!IsSameFile(file, now)) {
        refusal = RemovalOutcome::Changed;
        handle.reset();
    } else if (!ReachedTheListedName(handle.get(), file, path, IdOf(now))) {
        refusal = RemovalOutcome::Link;
        handle.reset();
    }
    return handle;
}

}  // namespace

RemovalOutcome DeleteFoundFile(const FoundFile& file) {
    const std::wstring path = file.Path();
    DWORD attributes;
    bool cleared;
    {
        BY_HANDLE_FILE_INFORMATION now;
        RemovalOutcome refusal;
        ui::KernelHandle handle = OpenIfStillListed(file, path, now, refusal);
        if (!handle) return refusal;

        // A read-only file cannot be deleted; hidden and system go too.
        attributes = now.dwFileAttributes;
        cleared = (attributes & kBlockingAttributes) != 0;
        if (cleared && !SetAttributes(handle.get(), (attributes & ~kBlockingAttributes) | FILE_ATTRIBUTE_ARCHIVE))
            return RemovalOutcome::Refused;
        FILE_DISPOSITION_INFO disposition{TRUE};
        if (!::SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition, sizeof disposition)) {
            if (cleared) SetAttributes(handle.get(), attributes);
            return RemovalOutcome::Refused;
        }
    }  // the file goes when its last handle closes

    if (NameIsGone(path)) return RemovalOutcome::Removed;
    // Not gone after all (Wine reports success on a file it cannot unlink):
    // the file keeps what it had, if it is still the same file.
    if (cleared) {
        ui::KernelHandle again = OpenListed(path);
        BY_HANDLE_FILE_INFORMATION now;
        if (again && ::GetFileInformationByHandle(again.get(), &now) && IsSameFile(file, now))
            SetAttributes(again.get(), attributes);
    }
    return RemovalOutcome::StillThere;
}

RemovalOutcome RecycleFoundFile(const FoundFile& file) {
    const std::wstring path = file.Path();
    BY_HANDLE_FILE_INFORMATION now;
    RemovalOutcome refusal;
    // Held open while the shell moves it, so that nobody writes to it between
    // the check and the move.
    ui::KernelHandle handle = OpenIfStillListed(file, path, now, refusal);
    if (!handle) return refusal;

    // The exact path, so that the shell's own parsing cannot turn "x.tmp."
    // into "x.tmp"; where the shell does not take such a path, it fails and
    // the file stays.
    const std::wstring exact = ExactPath(path);
    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof bin;
    if (FAILED(::SHQueryRecycleBinW(exact.c_str(), &bin))) return RemovalOutcome::Refused;
    std::wstring from = exact;
    from.push_back(L'\0');  // the list of paths ends with an empty one
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    const bool done = ::SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
    handle.reset();
    if (NameIsGone(path)) return RemovalOutcome::Removed;
    return done ? RemovalOutcome::StillThere : RemovalOutcome::Refused;
}

}  // namespace sweep
