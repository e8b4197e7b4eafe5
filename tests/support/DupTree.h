// A tree of files with known duplicates, for the duplicate search's tests
// and benchmark: files of random content and sizes (log-normal, up to a
// largest size), some of them in groups of 2 to 5 copies in different
// folders, pairs of the same size that differ in one byte only (the first, a
// middle or the last), hard links to unique files and to copies, and empty
// files. The same shape and seed make the same tree, and the same truth.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test {

struct DupTreeShape {
    int files = 20000;                       // unique files, copies and near pairs together
    double medianBytes = 16 * 1024;          // sizes: log-normal around this ...
    double spread = 2.1;                     // ... with this deviation of their logarithm
    std::int64_t largest = 4 * 1024 * 1024;  // no file is larger
    double inGroups = 0.3;                   // the share of files that are copies in groups
    int folders = 600;
    int nearPairs = 30;                      // pairs of one size that differ in one byte
    int linksToUnique = 30, linksToCopies = 30;  // hard links, each in a folder of its own choosing
    int emptyFiles = 30;
    std::uint32_t seed = 1;
    // A tree made before in the same folder with the same shape (a marker
    // beside the folder says so) is used as it is.
    bool reuse = false;
};

// A tree made, and its truth. Paths are relative to the tree's folder.
struct DupTree {
    // The true groups of copies; each file of a group by its names (the
    // first made first, then its hard links).
    std::vector<std::vector<std::vector<std::wstring>>> groups;
    std::size_t names = 0;     // names made: files, hard links and empty files
    std::int64_t bytes = 0;    // every file's, each file once (not each name)
    std::int64_t copyBytes = 0;  // the space removing every copy but one gives back
};

// Makes the tree in `folder` (made if missing), or with `reuse` only its
// truth where it was made before.
DupTree MakeDupTree(const std::wstring& folder, const DupTreeShape& shape);

// Whether groups found (each by full paths) are exactly the true groups:
// every true group, one name of each of its files, and nothing else (no
// near pair, no second name of a file, no empty file). Empty when they are;
// otherwise what differs, in a few lines. `root` is the tree's folder as
// the found paths begin with it.
std::string DifferencesFromTruth(const DupTree& tree, const std::wstring& root,
                                 const std::vector<std::vector<std::wstring>>& found);

}  // namespace test
