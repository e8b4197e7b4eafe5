#include "engine/SafeDelete.h"

#include <windows.h>
#include <winternl.h>
#include <shellapi.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <unordered_set>

#include "engine/FolderListing.h"
#include "base/Handles.h"

namespace sweep {

const char* ReasonOf(RemovalOutcome outcome) {
    switch (outcome) {
        case RemovalOutcome::Removed:
        case RemovalOutcome::Missing: return "";
        case RemovalOutcome::Folder: return "es una carpeta";
        case RemovalOutcome::Changed: return "cambió desde la búsqueda";
        case RemovalOutcome::Link: return "enlace";
        case RemovalOutcome::InUse: return "en uso";
        case RemovalOutcome::Denied: return "sin permiso";
        case RemovalOutcome::BinRefused: return "la Papelera no lo admitió";
        case RemovalOutcome::StillThere: return "el sistema no lo borró";
        case RemovalOutcome::KeptMissing: return "la copia que se conserva ya no está";
        case RemovalOutcome::KeptChanged: return "la copia que se conserva cambió";
        case RemovalOutcome::KeptUnreadable: return "la copia que se conserva no se pudo leer";
        case RemovalOutcome::Differs: return "no es igual a la copia que se conserva";
        case RemovalOutcome::SameFile: return "es la copia que se conserva";
        case RemovalOutcome::Refused: break;
    }
    return "no se pudo borrar";
}

bool BinTookACopy(const BinTotals& before, const BinTotals& after, std::int64_t size) {
    return after.items == before.items + 1 && after.bytes == before.bytes + size;
}

RemovalOutcome OutcomeOfError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return RemovalOutcome::Missing;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE: return RemovalOutcome::InUse;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_PRIVILEGE_NOT_HELD: return RemovalOutcome::Denied;
        default: return RemovalOutcome::Refused;
    }
}

// What an open file is now: everything the checks need, in one call to the
// system (the size, times, kind, id, names and the path it reached).
struct OpenFileFacts {
    std::int64_t size;
    std::uint64_t lastWrite, creation, id;
    DWORD attributes;
    ULONG links;  // how many names the file has
    bool directory;
    std::wstring volumePath;  // within its volume, as the system tells it for the handle
};

namespace {

constexpr DWORD kBlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Others may go on reading the file, but not write to it while it is
// compared and removed.
constexpr DWORD kShareReading = FILE_SHARE_READ | FILE_SHARE_DELETE;

// The POSIX-style deletion (FileDispositionInformationEx), which the headers
// for Windows 7 do not have.
constexpr auto kFileDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
constexpr ULONG kDispositionDelete = 0x1, kDispositionPosixSemantics = 0x2;

RemovalResult Result(RemovalOutcome outcome, DWORD error = ERROR_SUCCESS) { return RemovalResult{outcome, error}; }
RemovalResult ResultOfError(DWORD error) { return RemovalResult{OutcomeOfError(error), error}; }

constexpr DWORD kRemoving = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kReading = FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// Opens the file itself (a link as the link; a folder as the folder), by
// default for deletion and its attributes.
base::KernelHandle OpenExact(const std::wstring& path, DWORD share, DWORD access = kRemoving) {
    return base::KernelHandle(base::ValidOrNull(::CreateFileW(ExactPath(path).c_str(), access, share, nullptr,
                                                              OPEN_EXISTING,
                                                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                                              nullptr)));
}

// `buffer` is kept from call to call: room for the longest path. Returns
// the system's code where it cannot tell.
DWORD FactsOf(HANDLE handle, OpenFileFacts& facts, std::vector<char>& buffer) {
    if (buffer.empty()) buffer.resize(sizeof(FILE_ALL_INFORMATION) + 32768 * sizeof(wchar_t));
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = ::NtQueryInformationFile(handle, &io, buffer.data(), static_cast<ULONG>(buffer.size()),
                                                     FileAllInformation);
    if (!NT_SUCCESS(status)) return ::RtlNtStatusToDosError(status);
    const auto* all = reinterpret_cast<const FILE_ALL_INFORMATION*>(buffer.data());
    facts.size = all->StandardInformation.EndOfFile.QuadPart;
    facts.lastWrite = static_cast<std::uint64_t>(all->BasicInformation.LastWriteTime.QuadPart);
    facts.creation = static_cast<std::uint64_t>(all->BasicInformation.CreationTime.QuadPart);
    facts.id = static_cast<std::uint64_t>(all->InternalInformation.IndexNumber.QuadPart);
    facts.attributes = all->BasicInformation.FileAttributes;
    facts.links = all->StandardInformation.NumberOfLinks;
    facts.directory = all->StandardInformation.Directory != 0;
    facts.volumePath.assign(all->NameInformation.FileName, all->NameInformation.FileNameLength / sizeof(wchar_t));
    return ERROR_SUCCESS;
}

bool IsSameFile(const FoundFile& listed, const OpenFileFacts& now) {
    return !now.directory && now.size == listed.size && now.lastWrite == listed.lastWrite &&
           now.creation == listed.creation && (!listed.fileId || now.id == listed.fileId);
}

// Whether the open file was reached by its own name at `path`, not through a
// link. Under Wine a handle on a link reports its target's path, with the
// dots and blanks at the ends of names dropped.
bool ReachedByItsName(const OpenFileFacts& now, const std::wstring& path) {
    const std::wstring_view expected = VolumePart(path);
    return !now.volumePath.empty() &&
           (now.volumePath == expected ||
            WithoutTrailingDotsAndBlanks(now.volumePath) == WithoutTrailingDotsAndBlanks(expected));
}

// Whether the open file is the listed one and not another file a link led
// to: a twin name that differs only by trailing dots and blanks reports the
// same path under Wine, and is told apart by its id.
bool ReachedTheListedName(const OpenFileFacts& now, const FoundFile& listed, const std::wstring& path) {
    if (!ReachedByItsName(now, path)) return false;
    if (!listed.hasTwin) return true;
    const std::wstring key = WithoutTrailingDotsAndBlanks(listed.name);
    bool twinIsThisFile = false;
    FolderReader folder(*listed.folder);
    const bool read = folder.ForEachEntry([&](const DirEntryView& e) {
        if (e.name != listed.name && e.fileId == now.id && WithoutTrailingDotsAndBlanks(e.name) == key)
            twinIsThisFile = true;
    });
    return read && !twinIsThisFile;
}

bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic{};  // zero times: left as they are
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

// Marks an open file for deletion, the POSIX way where the system can (its
// name goes at once, whoever else holds the file); otherwise, when
// `orWhenClosed`, the ordinary way (it goes when the last handle on it
// closes). Returns the system's code where it said no.
DWORD MarkForDeletion(HANDLE file, bool orWhenClosed) {
    ULONG flags = kDispositionDelete | kDispositionPosixSemantics;
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = ::NtSetInformationFile(file, &io, &flags, sizeof flags, kFileDispositionInformationEx);
    if (NT_SUCCESS(status)) return ERROR_SUCCESS;
    if (!orWhenClosed) return ::RtlNtStatusToDosError(status);
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) ? ERROR_SUCCESS
                                                                                                     : ::GetLastError();
}

// Gives the open file the name `path` (exact, plain form), as another name
// (FileLinkInformation) or instead of the one it has (FileRenameInformation),
// never in place of a file there. Returns the system's code where it cannot.
DWORD Name(HANDLE file, const std::wstring& path, FILE_INFORMATION_CLASS how) {
    std::wstring target = ExactPath(path);
    target[1] = L'?';  // "\??\": the system's own form of "\\?\"
    // The link and rename requests are laid out alike.
    std::vector<char> buffer(offsetof(FILE_LINK_INFORMATION, FileName) + target.size() * sizeof(wchar_t));
    auto* request = reinterpret_cast<FILE_LINK_INFORMATION*>(buffer.data());
    request->ReplaceIfExists = FALSE;
    request->RootDirectory = nullptr;
    request->FileNameLength = static_cast<ULONG>(target.size() * sizeof(wchar_t));
    std::memcpy(request->FileName, target.data(), request->FileNameLength);
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        ::NtSetInformationFile(file, &io, request, static_cast<ULONG>(buffer.size()), how);
    return NT_SUCCESS(status) ? ERROR_SUCCESS : ::RtlNtStatusToDosError(status);
}

// Gives the open file a second name in its folder, for as long as the
// shell has its first one: a name no junk pattern looks for, hidden from
// Unix listings by its dot, and new in the folder.
DWORD MakeSecondName(HANDLE file, const std::wstring& folder, std::wstring& second) {
    static std::atomic<unsigned> counter{0};
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < 8 && error == ERROR_ALREADY_EXISTS; ++attempt) {
        wchar_t name[48];
        wsprintfW(name, L".sweepfield-kept-%lx-%x", ::GetCurrentProcessId(), ++counter);
        second = folder + name;
        error = Name(file, second, FileLinkInformation);
    }
    return error;
}

// Hands the file to the shell for its recycle bin; returns the shell's code,
// 0 where it said yes.
int SendToRecycleBin(const std::wstring& exactPath) {
    // The exact path, so that the shell's own parsing cannot turn "x.tmp."
    // into "x.tmp"; where the shell does not take such a path, it fails and
    // the file stays.
    std::wstring from = exactPath;
    from.push_back(L'\0');  // the list of paths ends with an empty one
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    const int code = ::SHFileOperationW(&operation);
    return code ? code : operation.fAnyOperationsAborted ? ERROR_CANCELLED : 0;
}

}  // namespace

bool Remover::OnTheRecordedVolume(const FoundFile& file) {
    // A file is on its folder's volume; asking for a volume's serial is
    // slow, so each folder is asked once.
    if (!file.volumeSerial) return true;
    if (file.folder.get() != checkedFolder_) {
        checkedFolder_ = file.folder.get();
        checkedFolderOnVolume_ = FolderReader(*file.folder).VolumeSerial() == file.volumeSerial;
    }
    return checkedFolderOnVolume_;
}

std::optional<RemovalResult> Remover::OpenChecked(const FoundFile& file, const std::wstring& path, DWORD share,
                                                  DWORD access, base::KernelHandle& handle, OpenFileFacts& now) {
    handle = OpenExact(path, share, access);
    if (!handle) return ResultOfError(::GetLastError());
    if (const DWORD error = FactsOf(handle.get(), now, factsBuffer_)) return Result(RemovalOutcome::Refused, error);
    if (!IsSameFile(file, now) || !OnTheRecordedVolume(file)) return Result(RemovalOutcome::Changed);
    if (!ReachedTheListedName(now, file, path)) return Result(RemovalOutcome::Link);
    return std::nullopt;
}

std::optional<RemovalResult> Remover::Start(const FoundFile& file, const BeforeRemoving& check) {
    if (file.attributes & FILE_ATTRIBUTE_DIRECTORY) return Result(RemovalOutcome::Folder);
    return kind_ == RemovalKind::Recycle ? StartRecycling(file, check) : StartDeleting(file, check);
}

std::optional<RemovalResult> Remover::OpenToRead(const FoundFile& file, base::KernelHandle& handle) {
    if (file.attributes & FILE_ATTRIBUTE_DIRECTORY) return Result(RemovalOutcome::Folder);
    OpenFileFacts now;
    return OpenChecked(file, file.Path(), FILE_SHARE_READ, kReading, handle, now);
}

std::optional<RemovalResult> Remover::StartDeleting(const FoundFile& file, const BeforeRemoving& check) {
    const std::wstring path = file.Path();
    const DWORD access = check ? kRemoving | kReading : kRemoving;
    base::KernelHandle handle;
    OpenFileFacts now;
    // No sharing: the open fails while another program has the file open,
    // and no other can open it until the deletion is done.
    std::optional<RemovalResult> refused = OpenChecked(file, path, 0, access, handle, now);
    const bool alone = !refused || refused->outcome != RemovalOutcome::InUse;
    if (!alone && !check) {
        // In use: only the POSIX way can delete it now, through a handle
        // that shares everything; nothing else may mark it.
        if (std::optional<RemovalResult> shared = OpenChecked(file, path, kShareAll, access, handle, now)) {
            if (shared->outcome != RemovalOutcome::InUse) return shared;
        } else {
            refused.reset();
        }
    }
    if (refused) return refused;
    if (check)
        if (std::optional<RemovalResult> kept = check(handle.get())) return kept;
    // A read-only file cannot be deleted; hidden and system go too.
    const bool cleared = (now.attributes & kBlockingAttributes) != 0;
    if (cleared && !SetAttributes(handle.get(), (now.attributes & ~kBlockingAttributes) | FILE_ATTRIBUTE_ARCHIVE))
        return ResultOfError(::GetLastError());
    if (const DWORD error = MarkForDeletion(handle.get(), alone)) {
        if (cleared) SetAttributes(handle.get(), now.attributes);
        return alone ? ResultOfError(error) : Result(RemovalOutcome::InUse, ERROR_SHARING_VIOLATION);
    }
    started_.push_back(Started{file, now.attributes, cleared, Result(RemovalOutcome::StillThere)});
    return std::nullopt;  // the file goes when its handle closes, here
}

std::optional<RemovalResult> Remover::StartRecycling(const FoundFile& file, const BeforeRemoving& check) {
    const std::wstring path = file.Path();
    base::KernelHandle handle;
    OpenFileFacts now;
    if (std::optional<RemovalResult> refused =
            OpenChecked(file, path, kShareReading, check ? kRemoving | kReading : kRemoving, handle, now))
        return refused;
    if (check)
        if (std::optional<RemovalResult> kept = check(handle.get())) return kept;
    const std::wstring exact = ExactPath(path);
    // A drive without a bin: the shell would delete for good.
    SHQUERYRBINFO binBefore{};
    binBefore.cbSize = sizeof binBefore;
    if (const HRESULT hr = ::SHQueryRecycleBinW(exact.c_str(), &binBefore); FAILED(hr))
        return Result(RemovalOutcome::BinRefused, static_cast<DWORD>(HRESULT_CODE(hr)));

    std::wstring second;
    if (const DWORD error = MakeSecondName(handle.get(), *file.folder, second)) {
        const RemovalOutcome outcome = OutcomeOfError(error);
        return Result(outcome == RemovalOutcome::Denied ? outcome : RemovalOutcome::BinRefused, error);
    }
    OpenFileFacts linked{};
    const bool counted = !FactsOf(handle.get(), linked, factsBuffer_) && linked.links >= 2;
    // Held open while the shell moves it, so that nobody writes to it
    // between the check and the move; closed before the names are counted,
    // since Windows keeps a name it deleted while a handle on it is open.
    const int shellCode = counted ? SendToRecycleBin(exact) : ERROR_NOT_SUPPORTED;
    handle.reset();
    const RemovalResult notTaken = Result(RemovalOutcome::BinRefused, static_cast<DWORD>(shellCode));

    base::KernelHandle kept = OpenExact(second, kShareAll);
    OpenFileFacts after;
    // The file by its id: giving it a name may count as a change of its
    // times.
    if (!kept || FactsOf(kept.get(), after, factsBuffer_) || after.directory || after.size != file.size ||
        (file.fileId && after.id != file.fileId) || !ReachedByItsName(after, second))
        return notTaken;  // someone else took the second name meanwhile: it is not touched
    // As many names as before: the shell renamed the file into the bin, or
    // left it where it was (Confirm tells which). One name fewer: the shell
    // removed it, and the bin holds the file only if it took a copy.
    if (after.links < linked.links) {
        SHQUERYRBINFO binAfter{};
        binAfter.cbSize = sizeof binAfter;
        const bool copied = SUCCEEDED(::SHQueryRecycleBinW(ExactPath(second).c_str(), &binAfter)) &&
                            BinTookACopy({binBefore.i64NumItems, binBefore.i64Size},
                                         {binAfter.i64NumItems, binAfter.i64Size}, file.size);
        if (!copied) {
            // Deleted instead of recycled: the second name takes the first back.
            if (const DWORD error = Name(kept.get(), path, FileRenameInformation))
                return Result(RemovalOutcome::BinRefused, error);  // it stays, whole, by its second name
            return notTaken;
        }
    }
    MarkForDeletion(kept.get(), true);
    started_.push_back(Started{file, now.attributes, false, notTaken});
    return std::nullopt;
}

std::vector<RemovalResult> Remover::Confirm() {
    std::vector<RemovalResult> results;
    results.reserve(started_.size());
    const std::wstring* listedFolder = nullptr;
    std::unordered_set<std::wstring> names;
    bool listed = false, folderGone = false;
    for (const Started& s : started_) {
        if (s.file.folder.get() != listedFolder) {
            listedFolder = s.file.folder.get();
            names.clear();
            FolderReader folder(*listedFolder);
            std::vector<DirEntryView> entries;
            listed = folder.ReadAll(entries);
            folderGone = !folder.IsOpen() &&
                         (folder.Error() == ERROR_FILE_NOT_FOUND || folder.Error() == ERROR_PATH_NOT_FOUND);
            for (const DirEntryView& e : entries) names.emplace(e.name);
        }
        // A folder that could not be read tells nothing: the file counts as
        // still there, unless the folder itself is gone.
        const bool gone = folderGone || (listed && !names.count(s.file.name));
        if (gone) {
            results.push_back(Result(RemovalOutcome::Removed));
            continue;
        }
        // Not gone after all (Wine reports success on a file it cannot
        // unlink): the file keeps what it had, if it is still the same file.
        if (s.cleared) {
            base::KernelHandle again = OpenExact(s.file.Path(), kShareAll);
            OpenFileFacts now;
            if (again && !FactsOf(again.get(), now, factsBuffer_) && IsSameFile(s.file, now))
                SetAttributes(again.get(), s.attributes);
        }
        results.push_back(s.ifStillThere);
    }
    started_.clear();
    return results;
}

namespace {
RemovalResult RemoveOne(const FoundFile& file, RemovalKind kind) {
    Remover remover(kind);
    if (std::optional<RemovalResult> refused = remover.Start(file)) return *refused;
    return remover.Confirm().front();
}
}  // namespace

RemovalResult DeleteFoundFile(const FoundFile& file) { return RemoveOne(file, RemovalKind::Delete); }
RemovalResult RecycleFoundFile(const FoundFile& file) { return RemoveOne(file, RemovalKind::Recycle); }

}  // namespace sweep
