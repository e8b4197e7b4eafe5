// The one-walk search against the oracle of one walk per pattern, on
// generated trees of real folders: the same rows, row for row, in the same
// order, whatever the threads do; stopping keeps an ordered prefix; the walk
// never leaves its start folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <set>
#include <map>
#include <random>

#include "app/FolderListing.h"
#include "app/SearchEngine.h"
#include "support/FileTrees.h"
#include "support/SearchOracle.h"
#include "support/TestSupport.h"
#include "ui/Unicode.h"

using test::OracleRow;

namespace test {
std::ostream& operator<<(std::ostream& o, const OracleRow& r) {
    return o << r.pattern << " " << ui::Utf8(r.folder) << "|" << ui::Utf8(r.name) << "|" << r.size;
}
}  // namespace test

namespace {

// Names that put the wildcard rules to the test: no extension, several dots,
// leading and trailing dots and blanks, "~" and "$", letter case, names whose
// short names differ, other scripts.
const wchar_t* const kNames[] = {
    L"a.tmp",      L"A.TMP",         L"b.tmpx",    L"abc.txt",   L"abc",      L"a.b.c",      L"x.tmp.",
    L"y.tmp ",     L".hidden",       L"~lock.doc", L"file~",     L"$RECYCLE", L"ab",         L"a",
    L"Thumbs.db",  L"\x0434.tmp",    L"\xFF46\xFF55\xFF4C\xFF4C.tmp",          L"\x0101.tmp", L"no_ext",
    L"..dots",     L"a.c",           L"ac.b",      L"abc.d",     L"report.final.bak",        L"longfilename.extension",
    L"t.tm",       L"z.tmp.bak",     L"ABC.Tmp",   L"q.",        L"~$draft.doc"};
const wchar_t* const kFolders[] = {L"sub", L"Sub2", L"x.y", L"\x0434\x0438\x0440", L"deep", L"~tmp"};

const std::vector<std::wstring> kPatterns = {
    L"*.tmp", L"*",     L"*.*",  L"?",    L"a?c.*", L"*.",   L"~*.*", L"*~",   L"$*",  L"*.TMP",  L"sub\\*.tmp",
    L"",      L"*.tmp", L"*.tm?", L"??.*", L"*.?",  L"a?.*", L".*",   L"*.bak", L"a*b*c", L"Thumbs.db"};

// A tree of real folders from a seed: every run of one seed makes the same tree.
void MakeTree(const std::wstring& root, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::pair<std::wstring, int>> folders{{root, 0}};
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const auto [folder, depth] = folders[i];
        for (const wchar_t* name : kNames)
            if (random() % 3 == 0) test::MakeExactFile(folder + L"\\" + name, random() % 5000);
        if (depth >= 3) continue;
        for (const wchar_t* name : kFolders) {
            if (random() % 3 != 0) continue;
            const std::wstring sub = folder + L"\\" + name;
            if (test::MakeExactFolder(sub)) folders.emplace_back(sub, depth + 1);
        }
    }
}

// Every row of a search, in the order the window shows them: pattern by
// pattern, each pattern's rows in the order handed out.
std::vector<OracleRow> RowsOf(sweep::Search& search, std::vector<std::vector<OracleRow>>* byPattern = nullptr,
                              std::vector<sweep::FoundRow> found = {}, std::size_t most = SIZE_MAX) {
    while (!search.Collect(found, most)) ::Sleep(most == SIZE_MAX ? 1 : 0);
    std::vector<std::vector<OracleRow>> buckets;
    for (const sweep::FoundRow& r : found) {
        if (buckets.size() <= static_cast<std::size_t>(r.pattern)) buckets.resize(static_cast<std::size_t>(r.pattern) + 1);
        buckets[static_cast<std::size_t>(r.pattern)].push_back(OracleRow{r.pattern, *r.file.folder, r.file.name, r.file.size});
        // The row's texts are the file's own.
        EXPECT_EQ(r.name, ui::Utf8(r.file.name));
        EXPECT_EQ(r.folder, ui::Utf8(*r.file.folder));
    }
    std::vector<OracleRow> rows;
    for (const auto& b : buckets) rows.insert(rows.end(), b.begin(), b.end());
    if (byPattern) *byPattern = std::move(buckets);
    return rows;
}

class OneWalk : public ::testing::Test {
protected:
    sweep::SearchRequest Request(const std::vector<std::wstring>& patterns, int threads = 2) const {
        sweep::SearchRequest r;
        r.startFolder = root + L"\\";
        r.patterns = patterns;
        r.threads = threads;
        return r;
    }
    test::TempDir tree;
    std::wstring root = sweep::FolderReader(ui::Wide(tree.path())).FinalPath();
};

TEST_F(OneWalk, GivesTheRowsOfOneWalkPerPatternRowForRow) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        test::TempDir scratch;
        const std::wstring top = sweep::FolderReader(ui::Wide(scratch.path())).FinalPath();
        MakeTree(top, seed);
        const std::vector<OracleRow> expected = test::SearchOnePatternAtATime(top + L"\\", kPatterns);
        ASSERT_GT(expected.size(), 50u);
        for (int threads : {1, 2, 4}) {
            sweep::SearchRequest r;
            r.startFolder = top + L"\\";
            r.patterns = kPatterns;
            r.threads = threads;
            sweep::Search search(r);
            EXPECT_EQ(RowsOf(search), expected) << threads << " threads";
            // Taken a few at a time, as the window takes them.
            sweep::Search again(r);
            EXPECT_EQ(RowsOf(again, nullptr, {}, 7), expected) << threads << " threads, 7 at a time";
        }
    }
}

TEST_F(OneWalk, AFolderTooBigForOneReadIsReadWhole) {
    // 500 entries of long names, some 360 bytes each: three reads of the
    // folder.
    const std::wstring tail(120, L'x');
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(test::MakeExactFile(root + L"\\" + std::to_wstring(i) + tail + L".tmp", 1));
    const std::vector<std::wstring> patterns{L"*.tmp", L"1*"};
    sweep::Search search(Request(patterns));
    const std::vector<OracleRow> rows = RowsOf(search);
    EXPECT_EQ(rows.size(), 500u + 111u);
    EXPECT_EQ(rows, test::SearchOnePatternAtATime(root + L"\\", patterns));
}

TEST_F(OneWalk, SizeLimitsAndTheStartFolderAloneAgreeToo) {
    MakeTree(root, 7);
    const std::vector<std::wstring> patterns{L"*.tmp", L"*", L"a*"};
    sweep::SearchRequest r = Request(patterns);
    r.below = 3000;
    r.above = 1000;
    sweep::Search limited(r);
    EXPECT_EQ(RowsOf(limited), test::SearchOnePatternAtATime(root + L"\\", patterns, true, 3000, 1000));

    r = Request(patterns);
    r.subfolders = false;
    sweep::Search flat(r);
    const std::vector<OracleRow> rows = RowsOf(flat);
    EXPECT_EQ(rows, test::SearchOnePatternAtATime(root + L"\\", patterns, false));
    for (const OracleRow& row : rows) EXPECT_EQ(row.folder, root + L"\\");
}

TEST_F(OneWalk, AStoppedSearchKeepsAPrefixOfEachPatternsRows) {
    for (int i = 0; i < 40; ++i) {
        const std::wstring folder = root + L"\\f" + std::to_wstring(i);
        test::MakeExactFolder(folder);
        for (int k = 0; k < 10; ++k) test::MakeExactFile(folder + L"\\" + std::to_wstring(k) + L".tmp", 1);
    }
    const std::vector<std::wstring> patterns{L"*.tmp", L"1*"};
    std::vector<std::vector<OracleRow>> all, some;
    {
        sweep::Search search(Request(patterns));
        RowsOf(search, &all);
    }
    sweep::Search search(Request(patterns));
    std::vector<sweep::FoundRow> first;
    while (first.empty() && !search.Collect(first)) ::Sleep(1);
    search.Stop();
    RowsOf(search, &some, std::move(first));
    ASSERT_EQ(all.size(), 2u);
    some.resize(2);
    for (std::size_t p = 0; p < 2; ++p) {
        ASSERT_LE(some[p].size(), all[p].size());
        EXPECT_TRUE(std::equal(some[p].begin(), some[p].end(), all[p].begin())) << "pattern " << p;
    }
    EXPECT_TRUE(search.Stopped());
}

TEST_F(OneWalk, TheEndIsToldOnceWhenEverythingCanBeHandedOut) {
    MakeTree(root, 3);
    for (bool stop : {false, true}) {
        std::atomic<int> told{0};
        {
            sweep::Search search(Request({L"*"}, 3), [&] { ++told; });
            if (stop) search.Stop();
            while (told == 0) ::Sleep(1);
            std::vector<sweep::FoundRow> found;
            EXPECT_TRUE(search.Collect(found)) << (stop ? "stopped" : "the whole walk");
        }
        EXPECT_EQ(told, 1);
    }
}

TEST_F(OneWalk, FoldersAreReadDepthFirstSoWhatIsReadCanBeShown) {
    // With one thread the folders are read in the walk's order: whatever has
    // been read when a search stops is handed out, every folder of it.
    for (int i = 0; i < 20; ++i) {
        const std::wstring d = root + L"\\d" + std::to_wstring(i);
        ASSERT_TRUE(test::MakeExactFolder(d));
        for (int k = 0; k < 4; ++k) {
            ASSERT_TRUE(test::MakeExactFolder(d + L"\\s" + std::to_wstring(k)));
            ASSERT_TRUE(test::MakeExactFile(d + L"\\s" + std::to_wstring(k) + L"\\f.tmp", 1));
        }
    }
    sweep::Search search(Request({L"*"}, 1));
    while (search.FoldersRead() < 3 && !search.Stopped()) ::Sleep(1);
    search.Stop();
    std::vector<sweep::FoundRow> found;
    while (!search.Collect(found)) ::Sleep(1);
    // Each folder holds an entry, so each folder handed out shows rows.
    std::set<std::wstring> folders;
    for (const sweep::FoundRow& r : found) folders.insert(*r.file.folder);
    EXPECT_EQ(folders.size(), search.FoldersRead());
}

TEST_F(OneWalk, AStartFolderNamedInAnotherCaseIsWalkedByItsOwnNames) {
    ASSERT_TRUE(test::MakeExactFolder(root + L"\\Sub"));
    ASSERT_TRUE(test::MakeExactFile(root + L"\\Sub\\a.tmp", 1));
    std::wstring other = root + L"\\SUB\\";
    std::transform(other.begin(), other.begin() + 2, other.begin(), ::towlower);  // "c:"
    sweep::SearchRequest r = Request({L"*.tmp"});
    r.startFolder = other;
    sweep::Search search(r);
    const std::vector<OracleRow> rows = RowsOf(search);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].folder, root + L"\\Sub\\");
}

TEST_F(OneWalk, FolderPartsNeverLeadUpOrThroughALink) {
    ASSERT_TRUE(test::MakeExactFile(root + L"\\up.tmp", 1));
    ASSERT_TRUE(test::MakeExactFolder(root + L"\\start"));
    ASSERT_TRUE(test::MakeExactFolder(root + L"\\elsewhere"));
    ASSERT_TRUE(test::MakeExactFile(root + L"\\elsewhere\\far.tmp", 1));
    const bool link = test::MakeUnixLink(root + L"\\start\\lnk", root + L"\\elsewhere");
    sweep::SearchRequest r = Request({L"..\\*.tmp", L".\\*.tmp", L"lnk\\*.tmp", L"l*\\*.tmp"});
    r.startFolder = root + L"\\start\\";
    sweep::Search search(r);
    EXPECT_TRUE(RowsOf(search).empty());
    if (!link) GTEST_SKIP() << "no Unix links here: only the first part was checked";
    EXPECT_EQ(search.FoldersRead(), 1u) << "the link is not read";
}

TEST_F(OneWalk, NeverLeavesTheStartFolder) {
    // Outside the start folder: a file that matches, and another that would
    // only be reached through rewritten names.
    ASSERT_TRUE(test::MakeExactFolder(root + L"\\outside"));
    ASSERT_TRUE(test::MakeExactFile(root + L"\\outside\\victim.tmp", 9));
    const std::wstring start = root + L"\\start";
    ASSERT_TRUE(test::MakeExactFolder(start));
    // Fullwidth backslashes and dots in a file's and a folder's names.
    ASSERT_TRUE(test::MakeExactFile(start + L"\\x\xFF3C..\xFF3C..\xFF3Coutside\xFF3Cvictim.tmp", 1));
    ASSERT_TRUE(test::MakeExactFolder(start + L"\\\xFF0E\xFF0E"));
    ASSERT_TRUE(test::MakeExactFolder(start + L"\\..."));
    ASSERT_TRUE(test::MakeExactFile(start + L"\\\xFF0E\xFF0E\\in.tmp", 2));
    // A link back up, and a link out.
    const bool links = test::MakeUnixLink(start + L"\\up", root) && test::MakeUnixLink(start + L"\\out.tmp", root + L"\\outside\\victim.tmp");

    sweep::SearchRequest r = Request({L"*.tmp", L"*"});
    r.startFolder = start + L"\\";
    sweep::Search search(r);
    const std::vector<OracleRow> rows = RowsOf(search);
    std::multiset<std::wstring> names;
    for (const OracleRow& row : rows) {
        EXPECT_EQ(row.folder.compare(0, start.size() + 1, start + L"\\"), 0) << row;
        names.insert(row.folder.substr(start.size()) + row.name);
    }
    EXPECT_EQ(names.count(L"\\x\xFF3C..\xFF3C..\xFF3Coutside\xFF3Cvictim.tmp"), 2u);
    EXPECT_EQ(names.count(L"\\\xFF0E\xFF0E\\in.tmp"), 2u);
    EXPECT_EQ(names.count(L"\\up"), links ? 1u : 0u);   // listed, never entered
    EXPECT_EQ(names.count(L"\\out.tmp"), links ? 2u : 0u);
}

}  // namespace
