// The duplicate search on a generated tree with known groups (hard links,
// near copies, empty files), its order and keep rules as tables, and removing
// copies after the files changed in every way that must stop it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "base/Unicode.h"
#include "engine/DuplicateRemoval.h"
#include "engine/Duplicates.h"
#include "engine/FolderListing.h"
#include "support/DupTree.h"
#include "support/FileTrees.h"
#include "support/TempDir.h"

using sweep::DuplicateFile;
using sweep::DuplicateGroup;
using sweep::KeepRule;
using sweep::RemovalOutcome;
using namespace test;

namespace {

std::wstring RootOf(const TempDir& dir) { return sweep::FolderReader(base::Wide(dir.path())).FinalPath(); }

// Every group a duplicate search of `root` finds.
std::vector<DuplicateGroup> FindDuplicates(const std::wstring& root, sweep::DuplicateProgress* progress = nullptr,
                                           std::vector<std::wstring> patterns = {L"*"}) {
    sweep::SearchRequest request;
    request.startFolder = root + L"\\";
    request.patterns = std::move(patterns);
    sweep::DuplicateSearch search(request);
    std::vector<DuplicateGroup> groups;
    EXPECT_TRUE(WaitUntil([&] { return search.Collect(groups); }, 60000));
    EXPECT_TRUE(search.UnreadableFiles().empty());
    if (progress) *progress = search.Progress();
    return groups;
}

std::vector<std::vector<std::wstring>> PathsOf(const std::vector<DuplicateGroup>& groups) {
    std::vector<std::vector<std::wstring>> paths;
    for (const DuplicateGroup& g : groups) {
        paths.emplace_back();
        for (const DuplicateFile& f : g.files) paths.back().push_back(f.file.Path());
    }
    return paths;
}

TEST(DuplicateSearch, FindsTheTrueGroupsOfATreeOnceEachInTheirOrder) {
    TempDir dir;
    DupTreeShape shape;
    shape.files = 80;
    shape.medianBytes = 6000;
    shape.largest = 300 * 1024;
    shape.inGroups = 0.4;
    shape.folders = 8;
    shape.nearPairs = 6;
    shape.linksToUnique = shape.linksToCopies = shape.emptyFiles = 4;
    shape.seed = 7;
    const DupTree tree = MakeDupTree(base::Wide(dir.path()), shape);
    std::size_t linked = 0;
    for (const auto& group : tree.groups)
        for (const auto& names : group) linked += names.size() - 1;
    ASSERT_GT(linked, 0u) << "the tree gives some copies a second name";
    sweep::DuplicateProgress progress;
    // Two patterns that find some files twice: each once, in the first one's rows.
    std::vector<DuplicateGroup> groups = FindDuplicates(RootOf(dir), &progress, {L"*.jpg", L"*"});
    // Every true group, one name of each of its files; no near pair, no
    // second name of a file, no empty file.
    EXPECT_EQ(DifferencesFromTruth(tree, RootOf(dir), PathsOf(groups)), "");
    EXPECT_EQ(progress.filesCompared, progress.candidates);
    EXPECT_EQ(progress.groups, tree.groups.size());
    EXPECT_FALSE(progress.listing);

    // The search's order: the first pattern's rows before the second's.
    std::uint32_t lastOfFirst = 0, firstOfSecond = UINT32_MAX;
    for (const DuplicateGroup& g : groups)
        for (const DuplicateFile& f : g.files)
            (f.pattern == 0 ? lastOfFirst : firstOfSecond) =
                f.pattern == 0 ? std::max(lastOfFirst, f.row) : std::min(firstOfSecond, f.row);
    EXPECT_LT(lastOfFirst, firstOfSecond);
    // Largest recoverable space first; in a group the oldest first, ties in
    // the search's order.
    sweep::SortGroups(groups);
    std::int64_t recoverable = 0;
    for (const DuplicateGroup& g : groups) recoverable += g.Recoverable();
    EXPECT_EQ(recoverable, tree.copyBytes);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (i) {
            EXPECT_GE(groups[i - 1].Recoverable(), groups[i].Recoverable());
        }
        for (std::size_t k = 1; k < groups[i].files.size(); ++k) {
            const DuplicateFile &a = groups[i].files[k - 1], &b = groups[i].files[k];
            EXPECT_TRUE(a.file.lastWrite < b.file.lastWrite || (a.file.lastWrite == b.file.lastWrite && a.row < b.row));
        }
    }
}

DuplicateFile FileAt(const wchar_t* path, std::uint64_t lastWrite, std::uint32_t row, std::int64_t size = 100) {
    const std::wstring p = path;
    DuplicateFile f;
    f.file.folder = std::make_shared<const std::wstring>(p.substr(0, p.rfind(L'\\') + 1));
    f.file.name = p.substr(p.rfind(L'\\') + 1);
    f.file.lastWrite = lastWrite;
    f.file.size = size;
    f.row = row;
    return f;
}

TEST(DuplicateRules, GroupsComeLargestRecoverableSpaceFirstAndCopiesOldestFirst) {
    auto group = [](std::int64_t size, int copies, std::uint32_t firstRow) {
        DuplicateGroup g;
        for (int i = 0; i < copies; ++i) g.files.push_back(FileAt(L"C:\\x\\a", 0, firstRow + static_cast<std::uint32_t>(i), size));
        return g;
    };
    // In the order they must come.
    std::vector<DuplicateGroup> ordered = {
        group(100, 4, 50),  // 300 bytes to recover
        group(200, 2, 60),  // 200, the larger files first
        group(50, 5, 10),   // 200
        group(50, 5, 20),   // 200, found later
        group(150, 2, 0),   // 150
    };
    std::vector<DuplicateGroup> shuffled = {ordered[3], ordered[4], ordered[1], ordered[0], ordered[2]};
    std::vector<DuplicateGroup> placed;
    for (const DuplicateGroup& g : shuffled) placed.insert(placed.begin() + static_cast<std::ptrdiff_t>(sweep::PlaceOf(placed, g)), g);
    sweep::SortGroups(shuffled);
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        EXPECT_EQ(placed[i].files.front().row, ordered[i].files.front().row) << i;
        EXPECT_EQ(shuffled[i].files.front().row, ordered[i].files.front().row) << i;
    }

    DuplicateGroup copies;
    copies.files = {FileAt(L"C:\\a\\1", 30, 4), FileAt(L"C:\\a\\2", 10, 7), FileAt(L"C:\\a\\3", 30, 2),
                    FileAt(L"C:\\a\\4", 10, 5)};
    sweep::SortCopies(copies);
    std::vector<std::uint32_t> rows;
    for (const DuplicateFile& f : copies.files) rows.push_back(f.row);
    EXPECT_EQ(rows, (std::vector<std::uint32_t>{5, 7, 2, 4}));
}

TEST(DuplicateRules, TheKeptCopyFollowsTheRuleAndProtectedFoldersKeepTheirs) {
    // In the group's order (oldest first): times, path lengths and search
    // order chosen so that each rule picks another copy; ties go to the first.
    DuplicateGroup g;
    g.files = {FileAt(L"C:\\fotos\\viejas\\playa.jpg", 10, 3), FileAt(L"C:\\Fotos\\copia\\playa.jpg", 10, 1),
               FileAt(L"C:\\fotosx\\playa.jpg", 20, 2), FileAt(L"C:\\b\\playa.jpg", 30, 4),
               FileAt(L"C:\\c\\playa.jpg", 30, 5)};
    const struct {
        KeepRule rule;
        std::vector<std::wstring> protect;
        std::size_t kept;
        std::vector<std::size_t> removed;
    } cases[] = {
        {KeepRule::Oldest, {}, 0, {1, 2, 3, 4}},
        {KeepRule::Newest, {}, 3, {0, 1, 2, 4}},
        {KeepRule::Shortest, {}, 3, {0, 1, 2, 4}},
        {KeepRule::First, {}, 1, {0, 2, 3, 4}},
        // The kept copy comes from the protected ones; all of them stay.
        {KeepRule::Oldest, {L"C:\\c"}, 4, {0, 1, 2, 3}},
        {KeepRule::Newest, {L"c:\\FOTOS\\"}, 0, {2, 3, 4}},        // letter case and a last backslash aside
        {KeepRule::First, {L"\\\\?\\C:\\fotos"}, 1, {2, 3, 4}},  // the exact prefix aside
        {KeepRule::Oldest, {L"C:\\fotosx\\playa.jpg", L"C:\\fot", L"C:\\d"}, 0, {1, 2, 3, 4}},  // no folder of a copy
        {KeepRule::Oldest, {L"C:\\"}, 0, {}},  // every copy protected: nothing goes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.rule) << " " << (c.protect.empty() ? "" : base::Utf8(c.protect[0])));
        const std::size_t kept = sweep::KeptCopy(g, c.rule, c.protect);
        EXPECT_EQ(kept, c.kept);
        const sweep::CopiesOf plan = sweep::CopiesToRemove(g, kept, c.protect);
        std::vector<std::size_t> removed;
        for (const sweep::FoundFile& f : plan.copies)
            for (std::size_t i = 0; i < g.files.size(); ++i)
                if (f.Path() == g.files[i].file.Path()) removed.push_back(i);
        EXPECT_EQ(removed, c.removed);
        EXPECT_EQ(plan.kept.Path(), g.files[c.kept].file.Path());
    }
    EXPECT_EQ(sweep::KeepRuleNamed("shortest"), KeepRule::Shortest);
    EXPECT_EQ(sweep::KeepRuleNamed("Oldest"), std::nullopt);
}

// Three copies, the oldest kept, and what happens to each after a change
// made between the search and the removal.
class RemovingCopies : public ::testing::Test {
public:
    void SetUp() override {
        root = RootOf(dir);
        bytes.resize(100000);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
        MakeCopies();
    }
    void MakeCopies() {
        for (const wchar_t* folder : {L"a", L"b", L"c"}) {
            RemoveTree(At(folder));
            ASSERT_TRUE(MakeExactFolder(At(folder)));
        }
        std::uint64_t time = kSomeTime;
        for (const wchar_t* name : kNames) {
            ASSERT_TRUE(WriteExactFile(At(name), bytes));
            ASSERT_TRUE(SetLastWrite(At(name), time += 36000000000ull));
        }
    }
    std::wstring At(const std::wstring& relative) const { return root + L"\\" + relative; }
    // Changes one byte of a file and puts its time back: only its bytes tell.
    void ChangeLastByte(const wchar_t* name) {
        const sweep::FoundFile before = FoundFileOf(At(name));
        std::string changed = bytes;
        changed.back() ^= 1;
        ASSERT_TRUE(WriteExactFile(At(name), changed));
        ASSERT_TRUE(SetLastWrite(At(name), before.lastWrite));
        ASSERT_EQ(FoundFileOf(At(name)).fileId, before.fileId);
    }

    static constexpr std::uint64_t kSomeTime = 132000000000000000ull;
    static constexpr const wchar_t* kNames[] = {L"a\\kept.jpg", L"b\\copy1.jpg", L"c\\copy2.jpg"};
    TempDir dir;
    std::wstring root;
    std::string bytes;
};

TEST_F(RemovingCopies, OnlyCopiesStillIdenticalToAnUnchangedKeptFileGo) {
    const RemovalOutcome R = RemovalOutcome::Removed;
    using Change = std::function<void(RemovingCopies&, sweep::CopiesOf&)>;
    const struct {
        const char* name;
        Change change;
        std::vector<RemovalOutcome> outcomes;  // of copy1 and copy2
    } cases[] = {
        {"nothing changed", {}, {R, R}},
        {"the kept file's last byte changed", [](auto& t, auto&) { t.ChangeLastByte(kNames[0]); },
         {RemovalOutcome::Differs, RemovalOutcome::Differs}},
        {"the kept file replaced by a file alike",
         [](auto& t, auto&) {
             ASSERT_TRUE(WriteExactFile(t.At(L"a\\new.jpg"), t.bytes));
             const sweep::FoundFile old = FoundFileOf(t.At(kNames[0]));
             ASSERT_TRUE(::MoveFileExW(sweep::ExactPath(t.At(L"a\\new.jpg")).c_str(),
                                       sweep::ExactPath(t.At(kNames[0])).c_str(), MOVEFILE_REPLACE_EXISTING));
             ASSERT_TRUE(SetLastWrite(t.At(kNames[0]), old.lastWrite));
         },
         {RemovalOutcome::KeptChanged, RemovalOutcome::KeptChanged}},
        {"the kept file deleted",
         [](auto& t, auto&) { ASSERT_TRUE(::DeleteFileW(sweep::ExactPath(t.At(kNames[0])).c_str())); },
         {RemovalOutcome::KeptMissing, RemovalOutcome::KeptMissing}},
        {"a copy's last byte changed", [](auto& t, auto&) { t.ChangeLastByte(kNames[2]); },
         {R, RemovalOutcome::Differs}},
        {"a copy made a hard link of the kept file",
         [](auto& t, auto& plan) {
             ASSERT_TRUE(::DeleteFileW(sweep::ExactPath(t.At(kNames[1])).c_str()));
             ASSERT_TRUE(::CreateHardLinkW(sweep::ExactPath(t.At(kNames[1])).c_str(),
                                           sweep::ExactPath(t.At(kNames[0])).c_str(), nullptr));
             plan.copies[0] = FoundFileOf(t.At(kNames[1]));  // as a front end that looked again would pass it
         },
         {RemovalOutcome::SameFile, R}},
        {"a copy made a hard link of the kept file, its record without an id",
         [](auto& t, auto& plan) {
             ASSERT_TRUE(::DeleteFileW(sweep::ExactPath(t.At(kNames[1])).c_str()));
             ASSERT_TRUE(::CreateHardLinkW(sweep::ExactPath(t.At(kNames[1])).c_str(),
                                           sweep::ExactPath(t.At(kNames[0])).c_str(), nullptr));
             plan.copies[0] = FoundFileOf(t.At(kNames[1]));
             plan.copies[0].fileId = 0;  // as a drive without ids lists it
         },
         {RemovalOutcome::SameFile, R}},
        {"the kept file passed as a copy too", [](auto&, auto& plan) { plan.copies[0] = plan.kept; },
         {RemovalOutcome::SameFile, R}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakeCopies();
        const std::vector<DuplicateGroup> groups = FindDuplicates(root);
        ASSERT_EQ(groups.size(), 1u);
        sweep::CopiesOf plan = sweep::CopiesToRemove(groups[0], sweep::KeptCopy(groups[0], KeepRule::Oldest));
        ASSERT_EQ(plan.kept.Path(), At(kNames[0]));
        if (c.change) c.change(*this, plan);
        std::map<std::wstring, std::string> before;
        for (const wchar_t* name : kNames)
            if (ExactExists(At(name))) before[name] = ExactContents(At(name));
        std::vector<RemovalOutcome> outcomes;
        for (const sweep::RemovalResult& r : sweep::RemoveCopies(plan, sweep::RemovalKind::Delete)) outcomes.push_back(r.outcome);
        EXPECT_EQ(outcomes, c.outcomes);
        // Exactly the copies removed are gone; the rest are as they were.
        for (std::size_t k = 0; k < 3; ++k) {
            const bool removed = k > 0 && c.outcomes[k - 1] == R;
            if (removed || before.count(kNames[k]) == 0)
                EXPECT_FALSE(ExactExists(At(kNames[k]))) << base::Utf8(kNames[k]);
            else
                EXPECT_TRUE(ExactContents(At(kNames[k])) == before[kNames[k]]) << base::Utf8(kNames[k]);
        }
    }
}

TEST_F(RemovingCopies, NobodyCanWriteToTheKeptFileOrACopyWhileTheyAreCompared) {
    auto writable = [&](const wchar_t* name) {
        HANDLE h = ::CreateFileW(sweep::ExactPath(At(name)).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        ::CloseHandle(h);
        return true;
    };
    for (const sweep::RemovalKind kind : {sweep::RemovalKind::Delete, sweep::RemovalKind::Recycle}) {
        sweep::Remover remover(kind);
        base::KernelHandle kept;
        ASSERT_FALSE(remover.OpenToRead(FoundFileOf(At(kNames[0])), kept));
        EXPECT_FALSE(writable(kNames[0]));
        bool checked = false, copyWritable = true;
        const std::optional<sweep::RemovalResult> result =
            remover.Start(FoundFileOf(At(kNames[1])), [&](HANDLE) -> std::optional<sweep::RemovalResult> {
                checked = true;
                copyWritable = writable(kNames[1]);
                return sweep::RemovalResult{RemovalOutcome::Differs};  // and so it stays
            });
        EXPECT_TRUE(checked);
        EXPECT_FALSE(copyWritable);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->outcome, RemovalOutcome::Differs);
    }
    EXPECT_TRUE(writable(kNames[0]) && writable(kNames[1]));
}

TEST_F(RemovingCopies, AKeptFileInUseOrProtectedCopiesStayAndTheBinTakesCopiesWhole) {
    const std::vector<DuplicateGroup> groups = FindDuplicates(root);
    ASSERT_EQ(groups.size(), 1u);
    // Every copy protected: nothing to remove.
    const sweep::CopiesOf none = sweep::CopiesToRemove(groups[0], 0, {root});
    EXPECT_TRUE(none.copies.empty());
    EXPECT_TRUE(sweep::RemoveCopies(none, sweep::RemovalKind::Delete).empty());
    // Another program reads the kept file, letting others read it too:
    // nobody can change it while the copies are compared and go.
    sweep::CopiesOf plan = sweep::CopiesToRemove(groups[0], 0);
    plan.copies.pop_back();
    {
        FileHeldByAnotherProcess reader(At(kNames[0]));
        ASSERT_TRUE(reader.Held());
        EXPECT_EQ(sweep::RemoveCopies(plan, sweep::RemovalKind::Delete).front().outcome, RemovalOutcome::Removed);
    }
    EXPECT_FALSE(ExactExists(At(kNames[1])));
    EXPECT_TRUE(ExactContents(At(kNames[0])) == bytes);
    // A copy into the recycle bin, through the job.
    const std::wstring trash = TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "the tests' recycle bin is Wine's trash";
    plan = sweep::CopiesToRemove(groups[0], 0);
    plan.copies.erase(plan.copies.begin());
    ::DeleteFileW(sweep::ExactPath(trash + L"\\files\\copy2.jpg").c_str());
    sweep::CopyRemovalJob job({plan}, sweep::RemovalKind::Recycle);
    std::vector<sweep::RemovalResult> results;
    ASSERT_TRUE(WaitUntil([&] { return job.Collect(results); }));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, RemovalOutcome::Removed);
    EXPECT_FALSE(ExactExists(At(kNames[2])));
    EXPECT_TRUE(ExactContents(trash + L"\\files\\copy2.jpg") == bytes);
    ::DeleteFileW(sweep::ExactPath(trash + L"\\files\\copy2.jpg").c_str());
    ::DeleteFileW(sweep::ExactPath(trash + L"\\info\\copy2.jpg.trashinfo").c_str());
}

}  // namespace
