#include "engine/Duplicates.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

#include "base/Handles.h"
#include "engine/DuplicateHash.h"
#include "engine/FolderListing.h"
#include "engine/ReadBlocks.h"

namespace sweep {

namespace {

// A file up to this size is read whole in one go: a read of 64 KiB costs
// about what a read of 4 KiB does, and settles the file with one open.
constexpr std::int64_t kWholeAtOnce = 64 * 1024;
// How much of each end of a larger file is read first.
constexpr DWORD kEnds = 4096;
// A size's files stay open from their ends to their whole content while
// there are no more than this many of them; more are opened again.
constexpr std::size_t kHeldOpen = 64;

// Opens a found file for reading, sharing everything: the search disturbs
// no other program. A link is opened as the link (on Windows; links to files
// are no candidates there).
base::KernelHandle OpenToRead(const FoundFile& file) {
    return base::KernelHandle(base::ValidOrNull(
        ::CreateFileW(ExactPath(file.Path()).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
}

// A file found by the search can be a duplicate: a plain file with content.
bool CanBeADuplicate(const FoundFile& file) {
    return file.size > 0 && !(file.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace

struct DuplicateSearch::Candidate {
    DuplicateFile entry;
    Hash128 hash;         // of its ends, then of its whole content
    bool unread = false;  // it could not be read
};

// The candidates of one size: candidates_[first, first + count).
struct DuplicateSearch::SizeGroup {
    std::size_t first, count;
};

// One of the two readers: takes the next size not read yet until none is left.
class DuplicateSearch::Reader {
public:
    explicit Reader(DuplicateSearch& search) : search_(search) {}

    void Work() {
        for (;;) {
            const std::size_t next = search_.nextSize_++;
            if (next >= search_.sizes_.size() || search_.stop_) return;
            CompareSize(search_.sizes_[next]);
        }
    }

private:
    void CompareSize(const SizeGroup& size) {
        Candidate* const c = &search_.candidates_[size.first];
        const std::size_t n = size.count;
        const std::int64_t bytes = c[0].entry.file.size;
        const bool whole = bytes <= kWholeAtOnce;
        std::vector<base::KernelHandle> held(n);
        for (std::size_t i = 0; i < n; ++i) {
            if (search_.stop_) return;
            base::KernelHandle file = OpenToRead(c[i].entry.file);
            if (!file) {
                Unread(c[i], ::GetLastError());
                continue;
            }
            if (!(whole ? HashWhole(file.get(), c[i], true) : HashEnds(file.get(), c[i]))) continue;
            if (whole)
                search_.filesCompared_++;
            else if (n <= kHeldOpen)
                held[i] = std::move(file);
        }
        std::vector<std::size_t> order(n);
        for (std::size_t i = 0; i < n; ++i) order[i] = i;
        if (!whole) {
            // Only files whose ends are alike are read whole; the rest are settled.
            SortByHash(c, order);
            for (std::size_t run = 0, end; run < n; run = end) {
                end = RunEnd(c, order, run);
                for (std::size_t k = run; k < end; ++k) {
                    Candidate& f = c[order[k]];
                    if (f.unread) continue;
                    if (end - run < 2) {
                        search_.filesCompared_++;
                        continue;
                    }
                    if (search_.stop_) return;
                    base::KernelHandle& file = held[order[k]];
                    const bool opened = !file;
                    if (opened) file = OpenToRead(f.entry.file);
                    if (!file) {
                        Unread(f, ::GetLastError());
                        continue;
                    }
                    const bool read = HashWhole(file.get(), f, opened);
                    file.reset();
                    if (read) search_.filesCompared_++;
                }
            }
        }
        SortByHash(c, order);
        std::vector<DuplicateGroup> groups;
        for (std::size_t run = 0, end; run < n; run = end) {
            end = RunEnd(c, order, run);
            if (end - run < 2 || c[order[run]].unread) continue;
            DuplicateGroup group;
            for (std::size_t k = run; k < end; ++k) group.files.push_back(c[order[k]].entry);
            groups.push_back(std::move(group));
        }
        search_.Confirm(std::move(groups));
    }

    // The hash of the first and last 4 KiB of a file larger than 64 KiB,
    // just opened.
    bool HashEnds(HANDLE file, Candidate& c) {
        const std::int64_t size = c.entry.file.size;
        DWORD head = 0, tail = 0, error = ERROR_SUCCESS;
        if (!ReadNext(file, block_.data(), kEnds, head, error) ||
            !ReadAt(file, block_.data() + kEnds, kEnds, size - kEnds, tail, error) || head != kEnds || tail != kEnds)
            return Unread(c, error == ERROR_SUCCESS ? ERROR_FILE_INVALID : error);
        search_.bytesRead_ += head + tail;
        c.hash = HashOf(block_.data(), head + tail);
        return true;
    }

    // The hash of the whole content, which must be as long as the search
    // saw it: a file that grew or shrank meanwhile is no candidate. `opened`:
    // the file was just opened, and nothing read yet.
    bool HashWhole(HANDLE file, Candidate& c, bool opened) {
        const std::int64_t size = c.entry.file.size;
        std::int64_t at = 0;
        hash_.Reset();
        for (;;) {
            if (search_.stop_) return false;
            DWORD got = 0, error = ERROR_SUCCESS;
            const bool read = at == 0 && !opened ? ReadAt(file, block_.data(), kReadBlock, 0, got, error)
                                                 : ReadNext(file, block_.data(), kReadBlock, got, error);
            if (!read) return Unread(c, error);
            if (got == 0) break;
            hash_.Add(block_.data(), got);
            at += got;
            search_.bytesRead_ += got;
            // A short read is the end of the file: one read settles a small one.
            if (got < kReadBlock || at > size) break;
        }
        if (at != size) return Unread(c, ERROR_FILE_INVALID);
        c.hash = hash_.Digest();
        return true;
    }

    bool Unread(Candidate& c, DWORD error) {
        c.unread = true;
        search_.filesCompared_++;
        std::lock_guard<std::mutex> lock(search_.mutex_);
        search_.unread_.push_back(UnreadFile{c.entry.file, error});
        return false;
    }

    // Files that could not be read last, the others by hash.
    static void SortByHash(const Candidate* c, std::vector<std::size_t>& order) {
        std::sort(order.begin(), order.end(), [c](std::size_t a, std::size_t b) {
            if (c[a].unread != c[b].unread) return c[b].unread;
            return c[a].hash < c[b].hash || (c[a].hash == c[b].hash && a < b);
        });
    }
    static std::size_t RunEnd(const Candidate* c, const std::vector<std::size_t>& order, std::size_t run) {
        std::size_t end = run + 1;
        while (end < order.size() && c[order[end]].unread == c[order[run]].unread &&
               c[order[end]].hash == c[order[run]].hash)
            ++end;
        return end;
    }

    DuplicateSearch& search_;
    ReadBlock block_;
    StreamHash hash_;
};

DuplicateSearch::DuplicateSearch(SearchRequest request, std::function<void()> over)
    : request_(std::move(request)), over_(std::move(over)) {
    request_.texts = nullptr;
    worker_ = std::thread([this] { Run(); });
}

DuplicateSearch::~DuplicateSearch() {
    Stop();
    worker_.join();
}

void DuplicateSearch::Stop() {
    stop_ = true;
    std::lock_guard<std::mutex> lock(mutex_);
    if (search_) search_->Stop();
    listed_.notify_all();
}

void DuplicateSearch::Run() {
    List();
    if (!stop_) Plan();
    if (!stop_) {
        std::thread second([this] { Reader(*this).Work(); });
        Reader(*this).Work();
        second.join();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    if (over_) over_();
}

void DuplicateSearch::List() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return;
        search_ = std::make_unique<Search>(request_, [this] {
            std::lock_guard<std::mutex> over(mutex_);
            listingOver_ = true;
            listed_.notify_all();
        });
    }
    // Each row's place in its pattern's rows, made a place in the search's
    // order once every pattern's rows are counted.
    std::vector<std::uint32_t> perPattern(std::max<std::size_t>(request_.patterns.size(), 1), 0);
    std::vector<FoundRow> batch;
    for (;;) {
        // Collected often: a search nobody collects from leaves the machine
        // to its collector.
        const bool over = search_->Collect(batch);
        for (FoundRow& row : batch) {
            const std::size_t pattern = static_cast<std::size_t>(row.pattern);
            const std::uint32_t place = perPattern[pattern]++;
            if (!CanBeADuplicate(row.file)) continue;
            rows_.push_back(DuplicateFile{std::move(row.file), row.pattern, place});
        }
        filesFound_ += batch.size();
        batch.clear();
        if (over) break;
        std::unique_lock<std::mutex> lock(mutex_);
        listed_.wait_for(lock, std::chrono::milliseconds(10), [this] { return listingOver_ || stop_.load(); });
    }
    std::vector<std::uint32_t> offset(perPattern.size(), 0);
    for (std::size_t p = 1; p < perPattern.size(); ++p) offset[p] = offset[p - 1] + perPattern[p - 1];
    for (DuplicateFile& f : rows_) f.row += offset[static_cast<std::size_t>(f.pattern)];
    std::unique_ptr<Search> over;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        folders_ = search_->UnreadableFolders();
        over = std::move(search_);
        listing_ = false;
    }
    // Its tree of folders is not needed any more. Let go outside the lock:
    // one of its threads may still be telling it is over, under that lock.
    over.reset();
}

void DuplicateSearch::Plan() {
    // The rows by size, each size's files by volume and id (their order on
    // the disk, roughly), names of one file together, the first found first.
    std::vector<std::uint32_t> order(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
    std::sort(order.begin(), order.end(), [this](std::uint32_t i, std::uint32_t j) {
        const DuplicateFile &a = rows_[i], &b = rows_[j];
        const FoundFile &x = a.file, &y = b.file;
        if (x.size != y.size) return x.size > y.size;
        if (x.volumeSerial != y.volumeSerial) return x.volumeSerial < y.volumeSerial;
        if (x.fileId != y.fileId) return x.fileId < y.fileId;
        return a.row < b.row;
    });
    // One name of each file (the first found), and only sizes that two
    // files or more have.
    auto sameFile = [](const FoundFile& x, const FoundFile& y) {
        return x.fileId != 0 && x.fileId == y.fileId && x.volumeSerial == y.volumeSerial;
    };
    std::size_t kept = 0;
    for (std::size_t i = 0; i < order.size();) {
        const std::size_t start = kept;
        const std::int64_t size = rows_[order[i]].file.size;
        std::size_t end = i;
        for (; end < order.size() && rows_[order[end]].file.size == size; ++end)
            if (kept == start || !sameFile(rows_[order[end]].file, rows_[order[kept - 1]].file)) order[kept++] = order[end];
        if (kept - start < 2) kept = start;  // a size of one file
        else sizes_.push_back(SizeGroup{start, kept - start});
        i = end;
    }
    candidates_.reserve(kept);
    std::int64_t bytes = 0;
    for (std::size_t k = 0; k < kept; ++k) {
        candidates_.emplace_back();
        candidates_.back().entry = std::move(rows_[order[k]]);
        bytes += candidates_.back().entry.file.size;
    }
    rows_ = std::deque<DuplicateFile>();
    // The sizes in the order of their first file on its volume.
    std::sort(sizes_.begin(), sizes_.end(), [this](const SizeGroup& a, const SizeGroup& b) {
        const FoundFile &x = candidates_[a.first].entry.file, &y = candidates_[b.first].entry.file;
        return x.volumeSerial != y.volumeSerial ? x.volumeSerial < y.volumeSerial : x.fileId < y.fileId;
    });
    candidateBytes_ = bytes;
    candidateCount_ = candidates_.size();
}

void DuplicateSearch::Confirm(std::vector<DuplicateGroup>&& groups) {
    if (groups.empty()) return;
    for (DuplicateGroup& group : groups) SortCopies(group);
    std::lock_guard<std::mutex> lock(mutex_);
    for (DuplicateGroup& group : groups) confirmed_.push_back(std::move(group));
    groupCount_ += groups.size();
}

bool DuplicateSearch::Collect(std::vector<DuplicateGroup>& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (DuplicateGroup& group : confirmed_) out.push_back(std::move(group));
    confirmed_.clear();
    return done_;
}

DuplicateProgress DuplicateSearch::Progress() const {
    DuplicateProgress p;
    p.listing = listing_;
    p.filesFound = filesFound_;
    p.candidates = candidateCount_;
    p.candidateBytes = candidateBytes_;
    p.filesCompared = filesCompared_;
    p.bytesRead = bytesRead_;
    p.groups = groupCount_;
    return p;
}

std::vector<FolderError> DuplicateSearch::UnreadableFolders() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return search_ ? search_->UnreadableFolders() : folders_;
}

std::vector<UnreadFile> DuplicateSearch::UnreadableFiles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unread_;
}

}  // namespace sweep
