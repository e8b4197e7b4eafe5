// The duplicate search: among the files a search finds, those whose content
// is byte for byte the same as another's, in groups.
//
// One file is never its own duplicate: names that reach the same file (hard
// links, overlapping folders) are one file, told by its volume's serial and
// its id, and listed once, by the name the search found first. Empty files,
// folders and links to folders are no duplicates of anything. Under Wine a
// Unix link to a file shows as its target, with the target's id, so it is
// one file with its target too.
//
// The work, on threads of its own: the search (Search.h) lists the files;
// files of a size no other file has are left at once; the others are read,
// a size at a time, in the order of their ids on their volume (roughly
// their place on the disk), by two readers. A file of 64 KiB or less is
// read whole at once; a larger one first by its first and last 4 KiB, and
// read whole only while another of its size still has the same ends. The
// XXH3-128 hash of the whole content groups them (DuplicateHash.h). A group
// is handed out as soon as every file of its size has been read. The hash
// only narrows: removing a copy compares its bytes with the kept file's
// first (DuplicateRemoval.h).
//
// Order, in one place for every front end: groups with the most space to
// recover (size times copies less one) first, then larger files first, then
// the group whose first file the search found first; in a group the oldest
// file (last write) first, ties in the search's order. The first file of a
// group is the one kept by default (KeptCopy tells others).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/FoundFile.h"
#include "engine/Search.h"

namespace sweep {

// One file of a group.
struct DuplicateFile {
    FoundFile file;
    int pattern = 0;         // the pattern that found it
    std::uint32_t row = 0;   // its place in the search's order (pattern by pattern, then the walk's)
};

// Files with the same content, two or more, each a file of its own.
struct DuplicateGroup {
    std::vector<DuplicateFile> files;  // the oldest first, ties in the search's order

    std::int64_t Size() const { return files.empty() ? 0 : files.front().file.size; }
    // The space removing every copy but one gives back.
    std::int64_t Recoverable() const {
        return files.empty() ? 0 : Size() * static_cast<std::int64_t>(files.size() - 1);
    }
};

// Whether group `a` comes before group `b` in the order every front end
// shows; PlaceOf tells where a group goes in a list kept in that order
// (after any equal to it), SortGroups sorts one.
bool ComesBefore(const DuplicateGroup& a, const DuplicateGroup& b);
std::size_t PlaceOf(const std::vector<DuplicateGroup>& ordered, const DuplicateGroup& group);
void SortGroups(std::vector<DuplicateGroup>& groups);
// Puts a group's files in their order: oldest first, ties in the search's order.
void SortCopies(DuplicateGroup& group);

// Which copy of each group a front end keeps by default.
enum class KeepRule {
    Oldest,    // the oldest last write
    Newest,    // the newest last write
    Shortest,  // the shortest path
    First,     // the first the search found
};
// The rule named "oldest", "newest", "shortest" or "first"; none for another name.
std::optional<KeepRule> KeepRuleNamed(std::string_view name);

// A folder whose copies are kept: none of its files, at any depth, is ever
// removed as a copy. ProtectedFolder makes one of a path as a user types it
// (relative to the current folder, any letter case, a short name): the
// folder as the system resolves it, as the search records paths.
std::wstring ProtectedFolder(std::wstring_view typed);
// Whether a file lies in one of the folders, at any depth (letter case aside).
bool IsProtected(const FoundFile& file, const std::vector<std::wstring>& protectedFolders);

// The copy of a group that is kept, by the rule: among the protected copies
// when there are any, among all otherwise. Ties go to the first in the
// group's order.
std::size_t KeptCopy(const DuplicateGroup& group, KeepRule rule,
                     const std::vector<std::wstring>& protectedFolders = {});

// What removing a group's copies touches: the file kept and the copies to
// remove (every other file of the group that is not protected).
struct CopiesOf {
    FoundFile kept;
    std::vector<FoundFile> copies;
};
CopiesOf CopiesToRemove(const DuplicateGroup& group, std::size_t kept,
                        const std::vector<std::wstring>& protectedFolders = {});

// A file the duplicate search could not read (in use, no permission, gone,
// or changed while it was read): it is in no group.
struct UnreadFile {
    FoundFile file;
    DWORD error;  // the system's code; ERROR_FILE_INVALID where it changed
};
// Why, in words a user reads (Spanish): "en uso", "sin permiso", "ya no
// existe", "cambió mientras se leía" or "no se pudo leer".
const char* ReasonOf(const UnreadFile& unread);

// How far the duplicate search has got.
struct DuplicateProgress {
    bool listing = true;             // the search is still listing files
    std::size_t filesFound = 0;      // files listed so far
    std::size_t candidates = 0;      // files that share their size with another (known once listed)
    std::int64_t candidateBytes = 0;
    std::size_t filesCompared = 0;   // candidates read and settled
    std::int64_t bytesRead = 0;      // bytes read so far
    std::size_t groups = 0;          // groups confirmed so far
};

class DuplicateSearch {
public:
    // Searches as `request` says (its texts are not made) and compares what
    // it finds. `over`, if given, is called once, on a worker, when all is
    // done or stopped: from then on Collect hands out everything that is left.
    explicit DuplicateSearch(SearchRequest request, std::function<void()> over = {});
    // Stops and waits for the workers.
    ~DuplicateSearch();
    DuplicateSearch(const DuplicateSearch&) = delete;
    DuplicateSearch& operator=(const DuplicateSearch&) = delete;

    // Stops at once: no more files are listed or read. The groups confirmed
    // so far are kept, and Collect still hands them out.
    void Stop();
    bool Stopped() const { return stop_; }
    // Appends the groups confirmed since the last call, each in its own
    // order (SortGroups or PlaceOf order them among themselves). True once
    // all is done, or stopped, and everything has been handed out.
    bool Collect(std::vector<DuplicateGroup>& out);
    DuplicateProgress Progress() const;
    // The folders the search could not read, in walk order.
    std::vector<FolderError> UnreadableFolders() const;
    // The files that could not be read, in no order.
    std::vector<UnreadFile> UnreadableFiles() const;

private:
    struct Candidate;
    struct SizeGroup;
    class Reader;
    void Run();
    void List();
    void Plan();
    void Read();
    void Confirm(std::vector<DuplicateGroup>&& groups);

    SearchRequest request_;
    std::function<void()> over_;
    std::atomic<bool> stop_{false};

    mutable std::mutex mutex_;
    std::condition_variable listed_;
    std::unique_ptr<Search> search_;
    bool listingOver_ = false;
    std::vector<DuplicateGroup> confirmed_;  // not handed out yet
    std::vector<UnreadFile> unread_;
    std::vector<FolderError> folders_;  // the search's unreadable folders, once it is over
    bool done_ = false;

    std::deque<DuplicateFile> rows_;  // every file the search listed that can be a duplicate
    std::vector<Candidate> candidates_;
    std::vector<SizeGroup> sizes_;
    std::atomic<std::size_t> nextSize_{0};

    std::atomic<bool> listing_{true};
    std::atomic<std::size_t> filesFound_{0}, candidateCount_{0}, filesCompared_{0}, groupCount_{0};
    std::atomic<std::int64_t> candidateBytes_{0}, bytesRead_{0};
    std::thread worker_;
};

}  // namespace sweep
