#include "support/SearchOracle.h"

#include <windows.h>

#include <map>
#include <set>

#include "engine/FolderListing.h"

namespace test {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The names the system's search lists for a pattern in a folder.
std::set<std::wstring> Listed(const std::wstring& folder, const std::wstring& pattern) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW(sweep::ExactPath(folder + pattern).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.insert(fd.cFileName);
    while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return names;
}

struct Walk {
    const std::vector<std::wstring>& patterns;
    bool subfolders;
    std::optional<std::int64_t> below, above;
    const std::vector<std::wstring>& exclusions;
    std::vector<OracleRow> rows;
    mutable std::map<std::pair<std::wstring, std::size_t>, std::set<std::wstring>> listedBy;  // folder, exclusion

    // Whether an exclusion lists the entry `name` of `folder`.
    bool Excluded(const std::wstring& folder, const std::wstring& name) const {
        for (std::size_t i = 0; i < exclusions.size(); ++i) {
            const std::wstring& x = exclusions[i];
            const std::size_t slash = x.rfind(L'\\');
            if (slash != std::wstring::npos) {
                const std::wstring part = x.substr(0, slash + 1);
                const bool absolute = part.size() > 1 && part[1] == L':';
                if (absolute ? !SameText(part, folder)
                             : folder.size() < part.size() || folder[folder.size() - part.size() - 1] != L'\\' ||
                                   !SameText(folder.substr(folder.size() - part.size()), part))
                    continue;
            }
            auto listed = listedBy.find({folder, i});
            if (listed == listedBy.end()) listed = listedBy.emplace(std::make_pair(folder, i), Listed(folder, x.substr(slash + 1))).first;
            if (listed->second.count(name)) return true;
        }
        return false;
    }

    void Folder(int p, const std::wstring& path) {
        const std::wstring& pattern = patterns[static_cast<std::size_t>(p)];
        const std::size_t slash = pattern.rfind(L'\\');
        const std::wstring matchesIn = slash == std::wstring::npos ? path : path + pattern.substr(0, slash + 1);
        // A folder part leads through no excluded folder.
        bool through = true;
        for (std::size_t at = path.size(); at < matchesIn.size() && through; at = matchesIn.find(L'\\', at) + 1)
            through = !Excluded(matchesIn.substr(0, at), matchesIn.substr(at, matchesIn.find(L'\\', at) - at));
        WIN32_FIND_DATAW fd;
        HANDLE find = through ? ::FindFirstFileW(sweep::ExactPath(path + pattern).c_str(), &fd) : INVALID_HANDLE_VALUE;
        if (find != INVALID_HANDLE_VALUE && !pattern.empty()) {
            do {
                if (sweep::IsDotEntry(fd.cFileName) || Excluded(matchesIn, fd.cFileName)) continue;
                const std::int64_t size =
                    static_cast<std::int64_t>((static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
                if (below && !(size < *below)) continue;
                if (above && !(size > *above)) continue;
                rows.push_back(OracleRow{p, matchesIn, fd.cFileName, size});
            } while (::FindNextFileW(find, &fd));
        }
        if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
        if (!subfolders) return;

        std::vector<std::wstring> names;
        find = ::FindFirstFileW(sweep::ExactPath(path + L"*").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !sweep::IsDotEntry(fd.cFileName) &&
                    !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !Excluded(path, fd.cFileName))
                    names.emplace_back(fd.cFileName);
            } while (::FindNextFileW(find, &fd));
            ::FindClose(find);
        }
        for (const std::wstring& name : names) Folder(p, path + name + L"\\");
    }
};

}  // namespace

std::vector<OracleRow> SearchOnePatternAtATime(const std::wstring& start, const std::vector<std::wstring>& patterns,
                                               bool subfolders, std::optional<std::int64_t> below,
                                               std::optional<std::int64_t> above,
                                               const std::vector<std::wstring>& exclusions) {
    Walk walk{patterns, subfolders, below, above, exclusions, {}, {}};
    std::set<std::wstring> listed;  // full paths, from the patterns before
    std::vector<OracleRow> rows;
    for (std::size_t p = 0; p < patterns.size(); ++p) {
        walk.rows.clear();
        walk.Folder(static_cast<int>(p), start);
        for (const OracleRow& row : walk.rows)
            if (!listed.count(row.folder + row.name)) rows.push_back(row);
        for (const OracleRow& row : walk.rows) listed.insert(row.folder + row.name);
    }
    return rows;
}

}  // namespace test
