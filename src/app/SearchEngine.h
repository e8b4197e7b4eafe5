// The search: one walk of the folder tree that serves the whole pattern list.
//
// Each folder is read once, by one of a small pool of threads, and every
// entry is matched in memory against every pattern, as the system's own
// directory search would match it (Wildcards.h). The results still come out
// in the order of one walk per pattern: pattern by pattern, and within one
// pattern depth first, a folder's own entries (in the order the system lists
// them) before those of its sub-folders. The threads may read folders in any
// order; a result is handed out only once every folder before its own in
// the walk has been read, so what the window shows is always in its final
// order, and the same tree gives the same rows every time.
//
// Links to folders are never followed, and every path is the exact path the
// system reported (FolderListing.h), so the walk never leaves the start
// folder.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/FoundFile.h"
#include "app/Wildcards.h"

namespace sweep {

struct SearchRequest {
    std::wstring startFolder;            // plain path, ending with a backslash
    std::vector<std::wstring> patterns;  // the pattern list, in its order
    bool subfolders = true;              // false: the start folder's own entries only
    std::optional<std::int64_t> below;   // only sizes strictly below this many bytes
    std::optional<std::int64_t> above;   // only sizes strictly above
    WildcardRules rules = PlatformWildcardRules();
    int threads = 2;
};

// One result with the texts of its row.
struct FoundRow {
    FoundFile file;
    int pattern = 0;  // the pattern list's row that found it
    std::string name, folder, size, modified;
};

class Search {
public:
    // `over`, if given, is called once, on a search thread, when the walk is
    // over (or stopped) and no folder is being read any more: from then on
    // Collect hands out everything that is left.
    explicit Search(SearchRequest request, std::function<void()> over = {});
    // Stops the walk and waits for the folders being read.
    ~Search();
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // Asks the walk to stop: no new folder is started. The results already
    // in order are still handed out.
    void Stop();
    // Appends the results that are now in their final place, in walk order
    // (group them by pattern to get the rows' order), at most `most` of
    // them. True once the walk is over and everything has been handed out.
    bool Collect(std::vector<FoundRow>& out, std::size_t most = SIZE_MAX);
    // The folder read most recently, as text.
    std::string CurrentFolder() const;
    // How many folders have been read so far.
    std::size_t FoldersRead() const;
    bool Stopped() const { return stop_; }

private:
    struct Node;
    struct PatternPlan;
    struct Subfolder;
    void Work();
    void Read(Node& node);
    void ListMatches(Node& node, const std::shared_ptr<const std::wstring>& folder, const std::string& folderText,
                     const std::vector<int>& patterns, std::vector<Subfolder>* subfolders);
    const Subfolder* Resolve(const std::vector<Subfolder>& subfolders, const std::wstring& name) const;

    SearchRequest request_;
    std::vector<PatternPlan> plans_;
    std::vector<int> plainPatterns_;  // patterns matched against each folder's own listing
    DWORD volumeSerial_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<Node> root_;
    std::vector<Node*> pending_;  // folders not read yet, the next one last
    int reading_ = 0;
    std::size_t foldersRead_ = 0;
    std::vector<std::pair<Node*, std::size_t>> cursor_;  // where the hand-out stands in the walk
    std::string currentFolder_;
    std::atomic<bool> stop_{false};
    std::atomic<std::chrono::steady_clock::time_point> lastCollect_{std::chrono::steady_clock::now()};
    std::function<void()> over_;
    std::atomic<int> working_{0};  // threads not yet done
    std::vector<std::thread> threads_;
};

}  // namespace sweep
