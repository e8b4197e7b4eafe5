// The search as it was first built, kept for the tests as the oracle the
// one-walk search must agree with: one walk of the tree per pattern, the
// system's own directory search matching each pattern (FindFirstFileW on
// the exact path), a folder's matches before its sub-folders, links to
// folders not followed. A file one pattern lists is left out of the later
// patterns' rows. What an excluded pattern lists (the system's search on the
// folder part and the name part) is neither listed nor entered; a folder
// part applies where the folder's last names are its names, letter case
// aside, or, given whole from a drive, in that folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace test {

struct OracleRow {
    int pattern;
    std::wstring folder;  // ends with a backslash
    std::wstring name;
    std::int64_t size;
    bool operator==(const OracleRow& o) const {
        return pattern == o.pattern && folder == o.folder && name == o.name && size == o.size;
    }
};

std::vector<OracleRow> SearchOnePatternAtATime(const std::wstring& start, const std::vector<std::wstring>& patterns,
                                               bool subfolders = true, std::optional<std::int64_t> below = {},
                                               std::optional<std::int64_t> above = {},
                                               const std::vector<std::wstring>& exclusions = {});

}  // namespace test
