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
#include <mutex>
#include <random>
#include <tuple>

#include "engine/FolderListing.h"
#include "engine/ResultOrder.h"
#include "engine/Search.h"
#include "support/FileTrees.h"
#include "support/SearchOracle.h"
#include "support/SystemCalls.h"
#include "support/TempDir.h"
#include "base/Unicode.h"

using test::OracleRow;

namespace test {
std::ostream& operator<<(std::ostream& o, const OracleRow& r) {
    return o << r.pattern << " " << base::Utf8(r.folder) << "|" << base::Utf8(r.name) << "|" << r.size;
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

// Patterns that find the same files: a folder part before the pattern
// without one that finds its files again from the folder below, folder
// parts of one and two names each before the other, a repeated pattern.
const std::vector<std::wstring> kPatterns = {
    L"sub\\*.tmp", L"deep\\sub\\a*", L"*.tmp", L"?",    L"a?c.*", L"*.",   L"~*.*",  L"*~",     L"$*",
    L"*.TMP",      L"",               L"*.tmp", L"*.tm?", L"??.*", L"*.?",  L"a?.*",  L".*",     L"*.bak",
    L"a*b*c",      L"Thumbs.db",      L"deep\\*.b*", L"sub\\*", L"*", L"*.*"};

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
    int patterns = 0;
    for (const sweep::FoundRow& r : found) patterns = std::max(patterns, r.pattern + 1);
    std::vector<OracleRow> rows;
    std::vector<std::vector<OracleRow>> buckets(static_cast<std::size_t>(patterns));
    for (const sweep::FoundRow& r : sweep::ResultOrder<sweep::FoundRow>(static_cast<std::size_t>(patterns))
                                        .TakeSettled(std::move(found), true)) {
        rows.push_back(OracleRow{r.pattern, *r.file.folder, r.file.name, r.file.size});
        buckets[static_cast<std::size_t>(r.pattern)].push_back(rows.back());
        // The texts the request asked for, made from the file and its folder.
        EXPECT_EQ(r.texts, (std::vector<std::string>{base::Utf8(r.file.name), base::Utf8(*r.file.folder)}));
    }
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
        r.texts = [](const sweep::FoundFile& file, const std::string& folder, std::vector<std::string>& texts) {
            texts = {base::Utf8(file.name), folder};
        };
        return r;
    }
    test::TempDir tree;
    std::wstring root = sweep::FolderReader(base::Wide(tree.path())).FinalPath();
};

TEST_F(OneWalk, GivesTheRowsOfOneWalkPerPatternRowForRow) {
    for (unsigned seed : {1u, 3u, 5u}) {
        SCOPED_TRACE(seed);
        test::TempDir scratch;
        const std::wstring top = sweep::FolderReader(base::Wide(scratch.path())).FinalPath();
        MakeTree(top, seed);
        // Where the folder parts of two names lead, from the start folder
        // and from "sub": files found by several patterns from three folders.
        for (const wchar_t* folder : {L"\\sub", L"\\sub\\deep", L"\\sub\\deep\\sub", L"\\deep", L"\\deep\\sub"})
            test::MakeExactFolder(top + folder);
        for (const wchar_t* file : {L"a.tmp", L"abc.txt", L"~lock.doc", L"b.bak", L"no_ext"}) {
            ASSERT_TRUE(test::MakeExactFile(top + L"\\deep\\sub\\" + file, 1));
            ASSERT_TRUE(test::MakeExactFile(top + L"\\sub\\deep\\sub\\" + file, 2));
        }
        const std::vector<OracleRow> expected = test::SearchOnePatternAtATime(top + L"\\", kPatterns);
        ASSERT_GT(expected.size(), 100u);
        for (int threads : {1, 2, 4}) {
            sweep::SearchRequest r = Request(kPatterns, threads);
            r.startFolder = top + L"\\";
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
    const std::vector<std::wstring> patterns{L"1*", L"*.tmp"};
    sweep::Search search(Request(patterns));
    const std::vector<OracleRow> rows = RowsOf(search);
    EXPECT_EQ(rows.size(), 500u);
    EXPECT_EQ(rows, test::SearchOnePatternAtATime(root + L"\\", patterns));
}

TEST_F(OneWalk, SizeLimitsAndTheStartFolderAloneAgreeToo) {
    MakeTree(root, 7);
    for (const wchar_t* folder : {L"\\sub", L"\\deep", L"\\deep\\sub"}) test::MakeExactFolder(root + folder);
    for (const wchar_t* file : {L"\\sub\\in.tmp", L"\\deep\\sub\\in.tmp"})
        ASSERT_TRUE(test::MakeExactFile(root + file, 2000));
    // From the start folder alone, "*.tmp" does not find the files that
    // "sub\*" finds, nor "sub\*" those that "deep\sub\*" finds.
    const std::vector<std::wstring> patterns{L"*.tmp", L"sub\\*", L"a*", L"*", L"sub\\a*", L"deep\\sub\\*"};
    sweep::SearchRequest r = Request(patterns);
    r.below = 3000;
    r.above = 1000;
    sweep::Search limited(r);
    EXPECT_EQ(RowsOf(limited), test::SearchOnePatternAtATime(root + L"\\", patterns, true, 3000, 1000));
    // Some size passes only where a whole number of bytes lies between the limits.
    for (const auto& [below, above, passes] : {std::tuple{3000, 1000, true}, {1002, 1000, true}, {1001, 1000, false}}) {
        r.below = below;
        r.above = above;
        EXPECT_EQ(sweep::AnySizePasses(r), passes) << below << " " << above;
    }

    r = Request(patterns);
    r.subfolders = false;
    sweep::Search flat(r);
    EXPECT_EQ(RowsOf(flat), test::SearchOnePatternAtATime(root + L"\\", patterns, false));
}

TEST_F(OneWalk, AStoppedSearchKeepsAPrefixOfEachPatternsRows) {
    for (int i = 0; i < 40; ++i) {
        const std::wstring folder = root + L"\\f" + std::to_wstring(i);
        test::MakeExactFolder(folder);
        for (int k = 0; k < 10; ++k) test::MakeExactFile(folder + L"\\" + std::to_wstring(k) + L".tmp", 1);
    }
    const std::vector<std::wstring> patterns{L"1*", L"*.tmp"};
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

TEST_F(OneWalk, AStopInAHugeFolderGivesItUpAndHandsOutNothingMore) {
    // 8,000 files, some 23 batches of the listing, made by the system's own
    // tools (Wine looks through the whole folder for each new name), which
    // make the file "big.done" once through.
    const std::wstring big = root + L"\\big";
    ASSERT_TRUE(test::MakeExactFolder(big));
    const std::string unixBig = test::UnixPath(big);
    if (unixBig.empty()) GTEST_SKIP() << "no Unix tools here";
    ASSERT_TRUE(test::RunUnix("/bin/sh", "-c \"cd '" + unixBig + "' && seq -f %g-a-name-long-enough-to-fill-a-batch.tmp" +
                                             " 8000 | xargs touch && touch '" + unixBig + ".done'\""));
    ASSERT_TRUE(test::WaitUntil([&] { return test::ExactExists(big + L".done"); }, 60000));
    std::atomic<bool> over{false};
    sweep::Search search(Request({L"*"}), [&] { over = true; });
    // Once a thread has taken "big" (and no other folder is left), the
    // start folder's rows are ready.
    ASSERT_TRUE(test::WaitUntil([&] { return search.CurrentFolder() == base::Utf8(big + L"\\"); }, 60000));
    search.Stop();
    const std::size_t listedAtStop = search.EntriesListed();
    ASSERT_TRUE(test::WaitUntil([&] { return over.load(); }, 60000));
    std::vector<sweep::FoundRow> after;
    EXPECT_TRUE(search.Collect(after));
    EXPECT_TRUE(after.empty()) << after.size() << " rows handed out after the stop";
    // Given up within the batch being read: 64 KB, at most some 360 of
    // these names.
    EXPECT_LT(search.EntriesListed() - listedAtStop, 400u);
    // Removed by the system's tools too.
    if (test::RunUnix("/bin/rm", "-rf \"" + unixBig + "\""))
        test::WaitUntil([&] { return !test::ExactExists(big); }, 60000);
}

// A chain of folders whose path grows past what the system opens (under
// Wine, 4,096 bytes of Unix path): made with one-letter names, then renamed
// to long ones from the bottom up, so that no step needs the whole path;
// named back on the way out, so that the tree can be removed.
class TooLongPath {
public:
    explicit TooLongPath(std::wstring top) : top_(std::move(top)) {
        std::vector<std::wstring> chain{top_};
        for (int i = 0; i < kDepth; ++i) test::MakeExactFolder(chain.emplace_back(chain.back() + L"\\d"));
        for (int i = kDepth; i > 0; --i) Rename(chain[i], chain[i].substr(0, chain[i].size() - 1) + kName);
        std::wstring path = top_;
        for (int i = 0; i < kDepth && unreadable_.empty(); ++i)
            if (!sweep::FolderReader(path += L"\\" + kName).IsOpen()) unreadable_ = path + L"\\";
    }
    ~TooLongPath() {
        std::wstring path = top_;
        for (int i = 0; i < kDepth; ++i, path += L"\\d") Rename(path + L"\\" + kName, path + L"\\d");
    }
    // The first folder of the chain that cannot be opened; empty if none.
    const std::wstring& Unreadable() const { return unreadable_; }
    const std::wstring kName = std::wstring(250, L'n');

private:
    static constexpr int kDepth = 20;
    static void Rename(const std::wstring& from, const std::wstring& to) {
        ::MoveFileW(sweep::ExactPath(from).c_str(), sweep::ExactPath(to).c_str());
    }
    std::wstring top_, unreadable_;
};

TEST_F(OneWalk, TheFoldersThatCannotBeReadAreToldInWalkOrderAndTheRestIsSearched) {
    ASSERT_TRUE(test::MakeExactFile(root + L"\\found.tmp", 1));
    ASSERT_TRUE(test::MakeExactFolder(root + L"\\a"));
    ASSERT_TRUE(test::MakeExactFolder(root + L"\\b"));
    ASSERT_TRUE(test::MakeExactFile(root + L"\\b\\found.tmp", 1));
    const TooLongPath first(root + L"\\a"), second(root + L"\\b");
    const std::wstring tooLong = first.Unreadable(), alsoTooLong = second.Unreadable();
    ASSERT_FALSE(tooLong.empty() || alsoTooLong.empty()) << "every folder of the chains opened";
    const std::wstring aboveIt = tooLong.substr(0, tooLong.rfind(L'\\', tooLong.size() - 2) + 1);
    // Folder parts into them: from the folder above the first, and from the
    // start folder into the second, which is so found before the first
    // (and still told after it, and once).
    const std::vector<std::wstring> patterns{L"*", first.kName + L"\\*", alsoTooLong.substr(root.size() + 1) + L"*"};
    struct Case {
        const char* what;
        std::wstring start;
        bool subfolders;
        std::vector<std::wstring> unreadable;
        DWORD error = 0;  // the code of the first; 0: any but success
    };
    const Case cases[] = {
        {"a start folder that is not there", root + L"\\missing\\", true, {root + L"\\missing\\"},
         ERROR_FILE_NOT_FOUND},
        {"a start folder that is a file", root + L"\\found.tmp\\", true, {root + L"\\found.tmp\\"}},
        {"paths too long, below", root + L"\\", true, {tooLong, alsoTooLong}},
        {"a path too long, read for a folder part alone", aboveIt, false, {tooLong}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sweep::SearchRequest r = Request(patterns);
        r.startFolder = c.start;
        r.subfolders = c.subfolders;
        sweep::Search search(r);
        EXPECT_EQ(RowsOf(search), test::SearchOnePatternAtATime(c.start, patterns, c.subfolders));
        const std::vector<sweep::FolderError> errors = search.UnreadableFolders();
        ASSERT_EQ(errors.size(), c.unreadable.size());
        for (std::size_t i = 0; i < errors.size(); ++i) {
            EXPECT_EQ(errors[i].folder, c.unreadable[i]);
            EXPECT_NE(errors[i].error, static_cast<DWORD>(ERROR_SUCCESS));
        }
        if (c.error) {
            EXPECT_EQ(errors[0].error, c.error);
        }
    }
}

// Who opens what: the threads that opened a file or folder through the
// system's CreateFileW while the stand-in is in place.
std::vector<DWORD> openers;
test::ImportedFunction* createFile = nullptr;
HANDLE WINAPI RecordOpener(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD creation,
                           DWORD flags, HANDLE model) {
    static std::mutex mutex;
    {
        std::lock_guard<std::mutex> lock(mutex);
        openers.push_back(::GetCurrentThreadId());
    }
    return reinterpret_cast<decltype(&::CreateFileW)>(createFile->Original())(path, access, share, security, creation,
                                                                           flags, model);
}

TEST_F(OneWalk, TheStartFolderIsOpenedByAWorkerAndWalkedByItsOwnNames) {
    ASSERT_TRUE(test::MakeExactFolder(root + L"\\Sub"));
    ASSERT_TRUE(test::MakeExactFile(root + L"\\Sub\\a.tmp", 1));
    std::wstring other = root + L"\\SUB\\";
    std::transform(other.begin(), other.begin() + 2, other.begin(), ::towlower);  // "c:"
    sweep::SearchRequest r = Request({L"*.tmp"});
    r.startFolder = other;
    // Making a search opens nothing: on a slow network path the caller (the
    // window) would wait.
    test::ImportedFunction standIn("kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&RecordOpener));
    ASSERT_TRUE(standIn.Replaced());
    createFile = &standIn;
    openers.clear();
    sweep::Search search(r);
    const std::vector<OracleRow> rows = RowsOf(search);
    ASSERT_FALSE(openers.empty());
    EXPECT_EQ(std::count(openers.begin(), openers.end(), ::GetCurrentThreadId()), 0);
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
    EXPECT_EQ(names.count(L"\\x\xFF3C..\xFF3C..\xFF3Coutside\xFF3Cvictim.tmp"), 1u);
    EXPECT_EQ(names.count(L"\\\xFF0E\xFF0E\\in.tmp"), 1u);
    EXPECT_EQ(names.count(L"\\up"), links ? 1u : 0u);   // listed, never entered
    EXPECT_EQ(names.count(L"\\out.tmp"), links ? 1u : 0u);
}

}  // namespace
