#include "engine/FolderListing.h"
#include "base/Handles.h"

#include <cstring>
#include <mutex>

namespace sweep {

namespace {

constexpr std::wstring_view kPrefix = L"\\\\?\\";
constexpr std::wstring_view kUncPrefix = L"\\\\?\\UNC\\";

// One listing call fills this much; large enough for a typical folder in one
// round trip to the system.
constexpr std::size_t kBufferSize = 64 * 1024;

std::uint64_t Ticks(const LARGE_INTEGER& t) { return static_cast<std::uint64_t>(t.QuadPart); }

// The listing buffers not in use, kept for the next reader: under Wine a
// fresh 64 KB block costs a trip to the system, which every folder of a
// walk would pay. (Not a thread_local buffer: MinGW's emulated thread
// storage may be freed before its objects' destructors run at thread exit.)
class BufferPool {
public:
    std::unique_ptr<char[]> Take() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                std::unique_ptr<char[]> buffer = std::move(free_.back());
                free_.pop_back();
                return buffer;
            }
        }
        return std::unique_ptr<char[]>(new char[kBufferSize]);
    }
    void Give(std::unique_ptr<char[]> buffer) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (buffer && free_.size() < kKept) free_.push_back(std::move(buffer));
    }

private:
    static constexpr std::size_t kKept = 16;
    std::mutex mutex_;
    std::vector<std::unique_ptr<char[]>> free_;
};

BufferPool& Buffers() {
    static BufferPool& pool = *new BufferPool;  // never destroyed: readers may outlive the statics
    return pool;
}

}  // namespace

std::wstring ExactPath(std::wstring_view path) {
    if (path.substr(0, kPrefix.size()) == kPrefix) return std::wstring(path);
    if (path.substr(0, 2) == L"\\\\") return std::wstring(kUncPrefix).append(path.substr(2));
    return std::wstring(kPrefix).append(path);
}

std::wstring PlainPath(std::wstring_view path) {
    if (path.substr(0, kUncPrefix.size()) == kUncPrefix) return std::wstring(L"\\\\").append(path.substr(kUncPrefix.size()));
    if (path.substr(0, kPrefix.size()) == kPrefix) return std::wstring(path.substr(kPrefix.size()));
    return std::wstring(path);
}

FolderReader::FolderReader(std::wstring_view folder) {
    // FILE_FLAG_OPEN_REPARSE_POINT: a folder that is a link is opened as the
    // link and lists nothing, so no walk goes where a link points.
    handle_.reset(base::ValidOrNull(::CreateFileW(ExactPath(folder).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                                nullptr)));
    if (!handle_) error_ = ::GetLastError();
}

FolderReader::~FolderReader() {
    Buffers().Give(std::move(buffer_));
    for (std::unique_ptr<char[]>& batch : kept_) Buffers().Give(std::move(batch));
}

std::wstring FolderReader::FinalPath() const { return handle_ ? FinalPathOf(handle_.get()) : std::wstring(); }

DWORD FolderReader::VolumeSerial() const {
    BY_HANDLE_FILE_INFORMATION info;
    return handle_ && ::GetFileInformationByHandle(handle_.get(), &info) ? info.dwVolumeSerialNumber : 0;
}

bool FolderReader::ReadBatch(bool restart, char* into) {
    if (!handle_) return false;
    if (!buffer_) buffer_ = Buffers().Take();
    if (::GetFileInformationByHandleEx(handle_.get(), restart ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo,
                                       into ? into : buffer_.get(), static_cast<DWORD>(kBufferSize))) {
        error_ = ERROR_SUCCESS;
        return true;
    }
    error_ = ::GetLastError();
    // An empty folder (not even "." on some file systems) is read to its end.
    if (error_ == ERROR_FILE_NOT_FOUND && restart) error_ = ERROR_NO_MORE_FILES;
    return false;
}

std::size_t FolderReader::Decode(const char* batch, std::size_t at, DirEntryView& e) {
    // The records are aligned to 8 bytes in the buffer; copy the fixed part
    // out rather than rely on the buffer's own alignment.
    FILE_ID_BOTH_DIR_INFO info;
    const char* record = batch + at;
    std::memcpy(&info, record, offsetof(FILE_ID_BOTH_DIR_INFO, FileName));
    const auto* name = reinterpret_cast<const wchar_t*>(record + offsetof(FILE_ID_BOTH_DIR_INFO, FileName));
    e.name = std::wstring_view(name, info.FileNameLength / sizeof(wchar_t));
    const auto* shortName = reinterpret_cast<const wchar_t*>(record + offsetof(FILE_ID_BOTH_DIR_INFO, ShortName));
    e.shortName = std::wstring_view(shortName, static_cast<std::size_t>(info.ShortNameLength) / sizeof(wchar_t));
    e.attributes = info.FileAttributes;
    e.size = info.EndOfFile.QuadPart;
    e.lastWrite = Ticks(info.LastWriteTime);
    e.creation = Ticks(info.CreationTime);
    e.fileId = static_cast<std::uint64_t>(info.FileId.QuadPart);
    return info.NextEntryOffset;
}

bool FolderReader::ReadAll(std::vector<DirEntryView>& entries, const std::function<bool()>& goOn) {
    // The first batch stays in the buffer; any later one, which the views
    // of the first must outlive, is read into a block of its own.
    for (bool restart = true;; restart = false) {
        if (goOn && handle_ && !goOn()) {
            error_ = ERROR_OPERATION_ABORTED;
            return false;
        }
        char* into = nullptr;
        if (!restart) {
            kept_.push_back(Buffers().Take());
            into = kept_.back().get();
        }
        if (!ReadBatch(restart, into)) {
            if (into) {
                Buffers().Give(std::move(kept_.back()));
                kept_.pop_back();
            }
            break;
        }
        for (std::size_t at = 0;;) {
            DirEntryView e;
            const std::size_t next = Decode(into ? into : buffer_.get(), at, e);
            entries.push_back(e);
            if (!next) break;
            at += next;
        }
    }
    return error_ == ERROR_NO_MORE_FILES || error_ == ERROR_SUCCESS;
}

std::wstring FinalPathOf(HANDLE handle) {
    std::wstring path(512, L'\0');
    for (;;) {
        DWORD n = ::GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return PlainPath(path);
        }
        path.resize(n + 1);
    }
}

std::wstring_view VolumePart(std::wstring_view path) {
    if (path.size() >= 2 && path[1] == L':') return path.substr(2);
    if (path.substr(0, 2) == L"\\\\") {
        // "\\server\share" is the volume.
        std::size_t share = path.find(L'\\', 2);
        std::size_t rest = share == std::wstring_view::npos ? share : path.find(L'\\', share + 1);
        return rest == std::wstring_view::npos ? std::wstring_view() : path.substr(rest);
    }
    return path;
}

std::wstring WithoutTrailingDotsAndBlanks(std::wstring_view path) {
    std::wstring result;
    result.reserve(path.size());
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find(L'\\', start);
        std::wstring_view name = path.substr(start, end == std::wstring_view::npos ? end : end - start);
        std::size_t keep = name.find_last_not_of(L". ");
        result.append(name.substr(0, keep == std::wstring_view::npos ? 0 : keep + 1));
        if (end == std::wstring_view::npos) return result;
        result += L'\\';
        start = end + 1;
    }
}

}  // namespace sweep
