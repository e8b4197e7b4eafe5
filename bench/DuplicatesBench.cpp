// The duplicate search on a generated tree of about 20,000 files and 2 GB
// (tests/support/DupTree.h), for bench/dups-bench.sh, which times it
// against jdupes. One thing per run:
//   DuplicatesBench make FOLDER   - makes the tree (once: a later run finds it made)
//   DuplicatesBench find FOLDER   - the duplicate search through the engine, every
//                                   group written out as jdupes writes its own
//                                   (the kept copy first, a blank line after each);
//                                   with SF_DUPS_TIMES set, the time of each stage
//                                   on the error output
//   DuplicatesBench read FOLDER   - the read limit: one walk that reads every byte
//                                   of every file in blocks of 1 MiB
//   DuplicatesBench opens FOLDER  - the least a duplicate finder does here: every
//                                   file that shares its size with another
//                                   (one name of each) opened, its first 4 KiB
//                                   read and closed, by two threads; prints the
//                                   time of that alone
//   DuplicatesBench check FOLDER  - the groups against the tree's truth, and the
//                                   heap bytes per candidate file beyond its
//                                   search row, measured in the process
//   DuplicatesBench listed FOLDER FILE - the groups SweepfieldCmd --dups listed
//                                   (plain, in FILE) against the tree's truth
// Without a folder it makes and checks the tree that bench/dups-bench.sh
// uses, under the build folder (build/bench-dups/tree).
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchClock.h"
#include "base/Unicode.h"
#include "engine/Duplicates.h"
#include "engine/FolderListing.h"
#include "engine/Search.h"
#include "support/DupTree.h"

namespace {

// The tree: made once, then found made.
test::DupTreeShape BenchTree() {
    test::DupTreeShape shape;
    shape.reuse = true;
    return shape;
}

sweep::SearchRequest RequestFor(const std::wstring& folder) {
    sweep::SearchRequest request;
    request.startFolder = folder + L"\\";
    request.patterns = {L"*"};
    return request;
}

int Find(const std::wstring& folder) {
    const double start = Now();
    double listed = 0;
    sweep::DuplicateSearch search(RequestFor(folder));
    std::vector<sweep::DuplicateGroup> groups;
    while (!search.Collect(groups)) {
        if (!listed && !search.Progress().listing) listed = Now();
        ::Sleep(1);
    }
    const double compared = Now();
    sweep::SortGroups(groups);
    std::string out;
    for (const sweep::DuplicateGroup& g : groups) {
        for (const sweep::DuplicateFile& f : g.files) out += base::Utf8(f.file.Path()) + "\n";
        out += "\n";
    }
    _setmode(_fileno(stdout), _O_BINARY);  // lines end as jdupes' do
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (::GetEnvironmentVariableW(L"SF_DUPS_TIMES", nullptr, 0))
        std::fprintf(stderr, "listed in %.3f s, compared in %.3f s, ordered and written in %.3f s\n", listed - start,
                     compared - listed, Now() - compared);
    return 0;
}

void ReadAll(const std::wstring& folder, std::vector<char>& block, std::int64_t& bytes) {
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW(sweep::ExactPath(folder + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = fd.cFileName;
        if (sweep::IsDotEntry(name)) continue;
        const std::wstring path = folder + L"\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ReadAll(path, block, bytes);
            continue;
        }
        HANDLE file = ::CreateFileW(sweep::ExactPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        DWORD got = 0;
        while (::ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got) bytes += got;
        ::CloseHandle(file);
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
}

int Opens(const std::wstring& folder) {
    std::vector<sweep::FoundRow> rows;
    {
        sweep::Search search(RequestFor(folder));
        while (!search.Collect(rows)) ::Sleep(2);
    }
    // Plain files only, as the duplicate search takes them.
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [](const sweep::FoundRow& row) {
                                  return (row.file.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
                              }),
               rows.end());
    std::sort(rows.begin(), rows.end(), [](const sweep::FoundRow& a, const sweep::FoundRow& b) {
        return a.file.size != b.file.size ? a.file.size < b.file.size : a.file.fileId < b.file.fileId;
    });
    std::vector<std::wstring> paths;
    for (std::size_t i = 0, end; i < rows.size(); i = end) {
        for (end = i + 1; end < rows.size() && rows[end].file.size == rows[i].file.size;) ++end;
        if (rows[i].file.size == 0) continue;
        // One name of each file; a size that only one file has is settled.
        std::vector<std::wstring> ofSize;
        for (std::size_t k = i; k < end; ++k)
            if (k == i || rows[k].file.fileId != rows[k - 1].file.fileId)
                ofSize.push_back(sweep::ExactPath(rows[k].file.Path()));
        if (ofSize.size() >= 2) paths.insert(paths.end(), ofSize.begin(), ofSize.end());
    }
    std::atomic<std::size_t> next{0};
    auto open = [&] {
        std::vector<char> head(4096);
        for (std::size_t i; (i = next++) < paths.size();) {
            HANDLE file = ::CreateFileW(paths[i].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD got = 0;
            ::ReadFile(file, head.data(), 4096, &got, nullptr);
            ::CloseHandle(file);
        }
    };
    const double start = Now();
    std::thread second(open);
    open();
    second.join();
    const double took = Now() - start;
    std::printf("%zu files opened, their first 4 KiB read and closed in %.3f s (%.0f us a file, two threads)\n",
                paths.size(), took, took * 1e6 / static_cast<double>(paths.size()));
    return 0;
}

int Check(const std::wstring& folder) {
    const test::DupTree tree = test::MakeDupTree(folder, BenchTree());
    const std::wstring root = sweep::FolderReader(folder).FinalPath();
    const std::uint64_t empty = HeapBytes();
    std::printf("tree: %zu names, %.2f GB; %zu true groups\n", tree.names, static_cast<double>(tree.bytes) / 1e9,
                tree.groups.size());

    // The search's rows: the heap a plain search holds once it is over,
    // its rows collected.
    std::uint64_t rowsHeap = 0;
    std::size_t rowCount = 0;
    {
        sweep::Search search(RequestFor(folder));
        std::vector<sweep::FoundRow> rows;
        while (!search.Collect(rows)) ::Sleep(2);
        rowsHeap = HeapBytes() - empty;
        rowCount = rows.size();
    }
    // The duplicate search's heap, sampled all along, before any group is
    // collected.
    std::atomic<bool> over{false};
    std::uint64_t peak = 0, comparing = 0;
    sweep::DuplicateProgress progress;
    std::vector<sweep::DuplicateGroup> groups;
    {
        const double start = Now();
        sweep::DuplicateSearch search(RequestFor(folder), [&] { over = true; });
        while (!over) {
            const bool listing = search.Progress().listing;
            const std::uint64_t now = HeapBytes() - empty;
            peak = std::max(peak, now);
            if (!listing) comparing = std::max(comparing, now);
            ::Sleep(1);
        }
        const double took = Now() - start;
        search.Collect(groups);
        progress = search.Progress();
        std::printf("duplicate search, heap sampled: %.2f s; %zu unreadable files\n", took,
                    search.UnreadableFiles().size());
    }
    std::vector<std::vector<std::wstring>> found;
    std::size_t copies = 0;
    std::int64_t recoverable = 0;
    for (const sweep::DuplicateGroup& g : groups) {
        found.emplace_back();
        for (const sweep::DuplicateFile& f : g.files) found.back().push_back(f.file.Path());
        copies += g.files.size() - 1;
        recoverable += g.Recoverable();
    }
    const std::string differences = test::DifferencesFromTruth(tree, root, found);
    std::printf("found: %zu groups, %zu copies, %.1f MB to recover (truth: %.1f MB)\n", groups.size(), copies,
                static_cast<double>(recoverable) / 1e6, static_cast<double>(tree.copyBytes) / 1e6);
    std::printf("groups equal the truth (every true group; no near copy, no second name, no empty file): %s\n%s",
                differences.empty() ? "yes" : "NO", differences.c_str());
    std::printf("candidates: %zu files of a size another has, %.2f GB; read: %.2f GB (%.0f %% of the tree)\n",
                progress.candidates, static_cast<double>(progress.candidateBytes) / 1e9,
                static_cast<double>(progress.bytesRead) / 1e9,
                100.0 * static_cast<double>(progress.bytesRead) / static_cast<double>(tree.bytes));
    const double beyond = (static_cast<double>(peak) - static_cast<double>(rowsHeap)) /
                          static_cast<double>(progress.candidates);
    std::printf("heap: a search's %zu rows %.1f MB (%.0f bytes a row); the duplicate search at its peak %.1f MB: "
                "%.0f bytes per candidate beyond the rows (target 250) %s\n",
                rowCount, static_cast<double>(rowsHeap) / 1048576.0,
                static_cast<double>(rowsHeap) / static_cast<double>(rowCount), static_cast<double>(peak) / 1048576.0,
                beyond, beyond <= 250 ? "met" : "MISSED");
    std::printf("  after the listing (its rows sorted by size included), at most %.1f MB: %.0f bytes per candidate,\n"
                "  its row included; the two readers' blocks (2 MiB) are pages of their own, outside the heap\n",
                static_cast<double>(comparing) / 1048576.0,
                static_cast<double>(comparing) / static_cast<double>(progress.candidates));
    return differences.empty() ? 0 : 1;
}

// The groups of a plain listing of SweepfieldCmd --dups (UTF-8, a blank
// line between groups) against the tree's truth.
int Listed(const std::wstring& folder, const std::wstring& listing) {
    const test::DupTree tree = test::MakeDupTree(folder, BenchTree());
    std::string text;
    if (FILE* f = _wfopen(listing.c_str(), L"rb")) {
        char chunk[65536];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
        std::fclose(f);
    }
    std::vector<std::vector<std::wstring>> found(1);
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        if (end == at)
            found.emplace_back();
        else
            found.back().push_back(base::Wide(text.substr(at, end - at)));
    }
    if (found.back().empty()) found.pop_back();
    const std::string differences = test::DifferencesFromTruth(tree, sweep::FolderReader(folder).FinalPath(), found);
    std::printf("SweepfieldCmd --dups listed %zu groups (truth: %zu); equal to the truth: %s\n%s", found.size(),
                tree.groups.size(), differences.empty() ? "yes" : "NO", differences.c_str());
    return differences.empty() ? 0 : 1;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::wstring folder;
    std::wstring what = argc > 1 ? argv[1] : L"check";
    if (argc > 2) {
        folder = sweep::PlainPath(argv[2]);
    } else {
        std::string tree = "Z:" SF_DUPS_TREE;  // the build folder, through Wine's drive of the Unix root
        std::replace(tree.begin(), tree.end(), '/', '\\');
        folder = base::Wide(tree);
        ::CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
    }
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (what == L"find") return Find(folder);
    if (what == L"opens") return Opens(folder);
    if (what == L"listed") return Listed(folder, argc > 3 ? argv[3] : L"");
    if (what == L"read") {
        std::vector<char> block(1 << 20);
        std::int64_t bytes = 0;
        ReadAll(folder, block, bytes);
        std::printf("%lld bytes read\n", static_cast<long long>(bytes));
        return 0;
    }
    const double start = Now();
    const test::DupTree tree = test::MakeDupTree(folder, BenchTree());
    std::printf("tree of %zu names, %.2f GB, ready in %.1f s\n", tree.names, static_cast<double>(tree.bytes) / 1e9,
                Now() - start);
    if (what == L"make") return 0;
    return Check(folder);
}
