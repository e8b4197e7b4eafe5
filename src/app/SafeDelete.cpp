#include "app/SafeDelete.h"

#include <windows.h>
#include <winternl.h>
#include <shellapi.h>

#include <unordered_set>

#include "app/FolderListing.h"

namespace sweep {

namespace {

constexpr DWORD kBlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Opens the file itself (a link as the link), for deletion and its
// attributes. Others may go on reading it, but not write to it while it is
// compared and removed.
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

// What an open file is now: everything the checks need, in one call to the
// system (the size, times, kind, id and the path it reached).
struct OpenFileFacts {
    std::int64_t size;
    std::uint64_t lastWrite, creation, id;
    DWORD attributes;
    bool directory;
    std::wstring volumePath;  // within its volume, as the system tells it for the handle
};

// `buffer` is kept from call to call: room for the longest path.
bool FactsOf(HANDLE handle, OpenFileFacts& facts, std::vector<char>& buffer) {
    if (buffer.empty()) buffer.resize(sizeof(FILE_ALL_INFORMATION) + 32768 * sizeof(wchar_t));
    IO_STATUS_BLOCK io{};
    if (!NT_SUCCESS(::NtQueryInformationFile(handle, &io, buffer.data(), static_cast<ULONG>(buffer.size()),
                                             FileAllInformation)))
        return false;
    const auto* all = reinterpret_cast<const FILE_ALL_INFORMATION*>(buffer.data());
    facts.size = all->StandardInformation.EndOfFile.QuadPart;
    facts.lastWrite = static_cast<std::uint64_t>(all->BasicInformation.LastWriteTime.QuadPart);
    facts.creation = static_cast<std::uint64_t>(all->BasicInformation.CreationTime.QuadPart);
    facts.id = static_cast<std::uint64_t>(all->InternalInformation.IndexNumber.QuadPart);
    facts.attributes = all->BasicInformation.FileAttributes;
    facts.directory = all->StandardInformation.Directory != 0;
    facts.volumePath.assign(all->NameInformation.FileName, all->NameInformation.FileNameLength / sizeof(wchar_t));
    return true;
}

bool IsSameFile(const FoundFile& listed, const OpenFileFacts& now) {
    return !now.directory && now.size == listed.size && now.lastWrite == listed.lastWrite &&
           now.creation == listed.creation && (!listed.fileId || now.id == listed.fileId);
}

// Whether the open file is the listed one and not another file a link led
// to. Under Wine a handle on a link reports its target's path, with the
// dots and blanks at the ends of names dropped; a twin name that differs
// only there is then told apart by its id.
bool ReachedTheListedName(const OpenFileFacts& now, const FoundFile& listed, const std::wstring& path) {
    const std::wstring_view expected = VolumePart(path);
    if (now.volumePath.empty()) return false;
    if (now.volumePath != expected &&
        WithoutTrailingDotsAndBlanks(now.volumePath) != WithoutTrailingDotsAndBlanks(expected))
        return false;
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

bool SendToRecycleBin(const std::wstring& path) {
    // The exact path, so that the shell's own parsing cannot turn "x.tmp."
    // into "x.tmp"; where the shell does not take such a path, it fails and
    // the file stays.
    const std::wstring exact = ExactPath(path);
    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof bin;
    if (FAILED(::SHQueryRecycleBinW(exact.c_str(), &bin))) return false;
    std::wstring from = exact;
    from.push_back(L'\0');  // the list of paths ends with an empty one
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    return ::SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
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

std::optional<RemovalOutcome> Remover::Start(const FoundFile& file) {
    if (file.attributes & FILE_ATTRIBUTE_DIRECTORY) return RemovalOutcome::Folder;
    const std::wstring path = file.Path();
    ui::KernelHandle handle = OpenListed(path);
    if (!handle) return OutcomeOfFailedOpen(::GetLastError());
    OpenFileFacts now;
    if (!FactsOf(handle.get(), now, factsBuffer_)) return RemovalOutcome::Refused;
    if (!IsSameFile(file, now) || !OnTheRecordedVolume(file)) return RemovalOutcome::Changed;
    if (!ReachedTheListedName(now, file, path)) return RemovalOutcome::Link;

    if (kind_ == RemovalKind::Recycle) {
        // Held open while the shell moves it, so that nobody writes to it
        // between the check and the move.
        if (!SendToRecycleBin(path)) return RemovalOutcome::Refused;
        started_.push_back(Started{file, now.attributes, false});
        return std::nullopt;
    }
    // A read-only file cannot be deleted; hidden and system go too.
    const bool cleared = (now.attributes & kBlockingAttributes) != 0;
    if (cleared && !SetAttributes(handle.get(), (now.attributes & ~kBlockingAttributes) | FILE_ATTRIBUTE_ARCHIVE))
        return RemovalOutcome::Refused;
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition, sizeof disposition)) {
        if (cleared) SetAttributes(handle.get(), now.attributes);
        return RemovalOutcome::Refused;
    }
    started_.push_back(Started{file, now.attributes, cleared});
    return std::nullopt;  // the file goes when its handle closes, here
}

std::vector<RemovalOutcome> Remover::Confirm() {
    std::vector<RemovalOutcome> outcomes;
    outcomes.reserve(started_.size());
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
            outcomes.push_back(RemovalOutcome::Removed);
            continue;
        }
        // Not gone after all (Wine reports success on a file it cannot
        // unlink): the file keeps what it had, if it is still the same file.
        if (s.cleared) {
            ui::KernelHandle again = OpenListed(s.file.Path());
            OpenFileFacts now;
            if (again && FactsOf(again.get(), now, factsBuffer_) && IsSameFile(s.file, now)) SetAttributes(again.get(), s.attributes);
        }
        outcomes.push_back(RemovalOutcome::StillThere);
    }
    started_.clear();
    return outcomes;
}

namespace {
RemovalOutcome RemoveOne(const FoundFile& file, RemovalKind kind) {
    Remover remover(kind);
    if (std::optional<RemovalOutcome> refused = remover.Start(file)) return *refused;
    return remover.Confirm().front();
}
}  // namespace

RemovalOutcome DeleteFoundFile(const FoundFile& file) { return RemoveOne(file, RemovalKind::Delete); }
RemovalOutcome RecycleFoundFile(const FoundFile& file) { return RemoveOne(file, RemovalKind::Recycle); }

}  // namespace sweep
