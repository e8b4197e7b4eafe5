// The search: one walk of the folder tree that serves the whole pattern list.
//
// Each folder is read once (and again for a pattern whose folder part leads
// into it), by one of a small pool of threads, and every entry is matched in
// memory against every pattern, as the system's own directory search would
// match it (Wildcards.h). The results still come out
// in the order of one walk per pattern: pattern by pattern, and within one
// pattern depth first, a folder's own entries (in the order the system lists
// them) before those of its sub-folders. The threads may read folders in any
// order; a result is handed out only once every folder before its own in
// the walk has been read, so what the window shows is always in its final
// order, and the same tree gives the same rows every time.
//
// A file is listed once, under the first pattern of the list that finds it,
// in that pattern's place; the later patterns that find it leave it out.
// This is decided as a folder is read, for every pattern that finds the
// entry from anywhere in the walk: "sub\*.tmp" finds the files of R\sub
// while R is read, "*.tmp" finds the same files while R\sub is read. Two
// names of one file (hard links) are two entries, and two rows.
//
// What is never touched (SearchRequest::exclusions): an entry whose name,
// long or short, an excluded pattern matches (letter case aside, every such
// entry, not the one a name without wildcards looks up) is never listed,
// whatever pattern finds it, and a folder it matches is never read, by the
// walk or by a folder part. An excluded pattern with a folder part applies
// in the folders whose path ends with that part ("Proyectos\*" in every
// folder called Proyectos, whose entries are then all excluded, so it is not
// read at all), or, for an absolute one ("C:\Users\ana\Fotos"), in that
// folder alone. A start folder that lies in what is excluded gives nothing.
//
// A folder that cannot be read (no access, gone, a path too long, a
// listing that fails part way) gives no rows and no sub-folders, and is
// reported with the system's code (UnreadableFolders), so a walk that
// skipped folders never passes for a whole one. Links to folders are never
// followed, and are no error. Every path is the exact path the system
// reported (FolderListing.h), so the walk never leaves the start folder.
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

#include "engine/FolderListing.h"
#include "engine/FoundFile.h"
#include "engine/Wildcards.h"

namespace sweep {

// What a front end makes of each file found, on the search's threads, where
// it costs the window's thread nothing: the texts of its row, say. It gets
// the file and its folder's path as UTF-8 (made once per folder).
using RowTexts = std::function<void(const FoundFile& file, const std::string& folder, std::vector<std::string>& texts)>;

struct SearchRequest {
    std::wstring startFolder;            // plain path, ending with a backslash
    std::vector<std::wstring> patterns;  // the pattern list, in its order
    std::vector<std::wstring> exclusions;  // what is never listed nor entered
    bool subfolders = true;              // false: the start folder's own entries only
    std::optional<std::int64_t> below;   // only sizes strictly below this many bytes
    std::optional<std::int64_t> above;   // only sizes strictly above
    WildcardRules rules = PlatformWildcardRules();
    int threads = 2;
    RowTexts texts;                      // none: the rows carry no texts
};

// The size limits as the user gives them, in Kb (1 Kb = 1024 bytes), both
// strict; a limit not given is none.
void SetKbLimits(SearchRequest& request, std::optional<std::int64_t> smallerKb, std::optional<std::int64_t> largerKb);
// Whether some size in bytes can pass both limits: none can when the
// smaller-than limit is not above the larger-than limit by 2 bytes or more.
bool AnySizePasses(const SearchRequest& request);

// A folder the search could not read.
struct FolderError {
    std::wstring folder;  // plain path, ending with a backslash
    DWORD error;          // the system's code
};
// Why a folder could not be read, in words a user reads (Spanish): "sin
// permiso", "ya no existe", "ruta demasiado larga", "no es una carpeta", or
// "no se pudo leer".
const char* ReasonOf(const FolderError& unread);

// One result: the file, the pattern that found it, and the texts the front
// end asked for (SearchRequest::texts).
struct FoundRow {
    FoundFile file;
    int pattern = 0;  // the pattern list's row that found it
    std::vector<std::string> texts;
};

class Search {
public:
    // `over`, if given, is called once, on a search thread, when the walk is
    // over (or stopped) and no folder is being read any more: from then on
    // Collect hands out everything that is left (nothing, once stopped).
    explicit Search(SearchRequest request, std::function<void()> over = {});
    // Stops the walk and waits for the folders being read.
    ~Search();
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // Stops the walk: no new folder is started, a folder being read is
    // given up before its next batch of entries, and nothing more is handed
    // out. What Collect handed out before is a prefix of the rows the whole
    // walk would have given; the rows of the folders being read are dropped.
    void Stop();
    // Appends the results that are now in their final place, in walk order
    // (group them by pattern to get the rows' order), at most `most` of
    // them. True once the walk is over and everything has been handed out,
    // or, once stopped, as soon as no thread is reading any more.
    bool Collect(std::vector<FoundRow>& out, std::size_t most = SIZE_MAX);
    // The folders that could not be read so far, in walk order, each once
    // (the start folder included, when it cannot be opened).
    std::vector<FolderError> UnreadableFolders() const;
    // The folder read most recently, as text.
    std::string CurrentFolder() const;
    // How many folders have been read so far.
    std::size_t FoldersRead() const;
    // How many entries the walk has listed so far, batch by batch.
    std::size_t EntriesListed() const { return entriesListed_; }
    bool Stopped() const { return stop_; }

private:
    struct Node;
    struct PatternPlan;
    struct Exclusion;
    struct Subfolder;
    struct Arrival;
    using WalkKey = std::vector<std::uint32_t>;  // child indices from the start folder
    void Work();
    void ResolveStart();
    void Read(Node& node);
    void MatchFolderPart(Node& node, int pattern, const std::vector<Subfolder>& subfolders,
                         const std::vector<Arrival>& passing);
    bool List(FolderReader& reader, const std::wstring& folder, const Node& node, const WalkKey& below,
              std::vector<DirEntryView>& entries);
    void ListMatches(Node& node, const std::shared_ptr<const std::wstring>& folder, const std::string& folderText,
                     const std::vector<DirEntryView>& entries, const std::vector<char>& excluded,
                     std::vector<int> finders, int only);
    const Subfolder* Resolve(const std::vector<Subfolder>& subfolders, const std::wstring& name) const;
    // The excluded name patterns that apply to a folder's entries, and
    // which of the entries they exclude (none when none apply).
    std::vector<const Exclusion*> ExclusionsIn(std::wstring_view folder) const;
    std::vector<char> Excluded(std::wstring_view folder, const std::vector<DirEntryView>& entries) const;
    // Whether every entry of a folder is excluded: it is not read at all.
    bool Emptied(std::wstring_view folder) const;
    // Whether a folder lies in what is excluded: it, or a folder above it.
    bool LeftOut(std::wstring_view folder) const;
    // The sub-folders of a listing that are not excluded, links included.
    std::vector<Subfolder> SubfoldersOf(const std::vector<DirEntryView>& entries, const std::vector<char>& excluded,
                                        const std::wstring& folder) const;
    const Subfolder* Next(const Arrival& a, const std::vector<Subfolder>& subfolders) const;
    void Unreadable(const std::wstring& folder, const Node& node, const WalkKey& below, DWORD error);

    SearchRequest request_;
    std::vector<PatternPlan> plans_;
    std::vector<int> plainPatterns_;   // patterns matched against each folder's own listing
    std::vector<int> folderPatterns_;  // patterns with a folder part that can find something
    std::vector<Exclusion> exclusions_;
    DWORD volumeSerial_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<Node> root_;
    std::vector<Node*> pending_;  // folders not read yet, the next one last
    int reading_ = 0;
    std::size_t foldersRead_ = 0;
    std::vector<std::pair<Node*, std::size_t>> cursor_;  // where the hand-out stands in the walk
    std::string currentFolder_;
    std::vector<std::pair<WalkKey, FolderError>> unreadable_;
    std::atomic<std::size_t> entriesListed_{0};
    std::atomic<bool> stop_{false};
    std::atomic<std::chrono::steady_clock::time_point> lastCollect_{std::chrono::steady_clock::now()};
    std::function<void()> over_;
    std::atomic<int> working_{0};  // threads not yet done
    std::vector<std::thread> threads_;
};

}  // namespace sweep
