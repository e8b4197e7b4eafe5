#include "support/SearchOracle.h"

#include <windows.h>

#include <set>

#include "engine/FolderListing.h"

namespace test {

namespace {

struct Walk {
    const std::vector<std::wstring>& patterns;
    bool subfolders;
    std::optional<std::int64_t> below, above;
    std::vector<OracleRow> rows;

    void Folder(int p, const std::wstring& path) {
        const std::wstring& pattern = patterns[static_cast<std::size_t>(p)];
        const std::size_t slash = pattern.rfind(L'\\');
        const std::wstring matchesIn = slash == std::wstring::npos ? path : path + pattern.substr(0, slash + 1);
        WIN32_FIND_DATAW fd;
        HANDLE find = ::FindFirstFileW(sweep::ExactPath(path + pattern).c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE && !pattern.empty()) {
            do {
                if (sweep::IsDotEntry(fd.cFileName)) continue;
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
                    !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
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
                                               std::optional<std::int64_t> above) {
    Walk walk{patterns, subfolders, below, above, {}};
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
