// Deleting a found file by its identity, on real folders: look-alike names
// next to their twins, names the Win32 path parser would rewrite, long paths,
// links, files in use, and files changed or replaced since they were found.
#include <gtest/gtest.h>

#include "app/FolderListing.h"
#include "app/SafeDelete.h"
#include "app/SearchEngine.h"
#include "support/FileTrees.h"
#include "support/OwnProcess.h"
#include "support/TestSupport.h"
#include "ui/Unicode.h"

using sweep::DeleteFoundFile;
using sweep::RecycleFoundFile;
using sweep::RemovalOutcome;
using namespace test;

namespace {

class SafeDeleting : public ::testing::Test {
protected:
    std::wstring At(const std::wstring& relative) const { return root + L"\\" + relative; }
    // Makes every file, then finds each one: all have the same size and time.
    void MakeTwins(std::initializer_list<const wchar_t*> names) {
        for (const wchar_t* name : names) {
            ASSERT_TRUE(MakeExactFile(At(name), 7)) << ui::Utf8(name);
            ASSERT_TRUE(SetLastWrite(At(name), kSomeTime));
        }
    }
    static constexpr std::uint64_t kSomeTime = 132000000000000000ull;

    TempDir tree;
    // The folder as the system resolves it, as the search records it.
    std::wstring root = sweep::FolderReader(ui::Wide(tree.path())).FinalPath();
};

TEST_F(SafeDeleting, OnlyTheListedFileGoesNeverALookAlikeOrARewrittenName) {
    // Each first name would reach the second through a code page or the
    // Win32 path parser (best fit, trailing dots and blanks, "..").
    const std::pair<const wchar_t*, const wchar_t*> pairs[] = {
        {L"\x0101.tmp", L"a.tmp"},           // ā
        {L"\xFF41\xFF42.tmp", L"ab.tmp"},    // fullwidth ａｂ
        {L"x.tmp.", L"x.tmp"},
        {L"y.tmp ", L"y.tmp"},
        {L"z\xFF3C..\xFF3C" L"v.tmp", L"v.tmp"},  // fullwidth backslashes
        {L"\x0434\x0438\x0440.tmp", L"___.tmp"},  // дир, which a code page makes "???"
    };
    for (const auto& p : pairs) MakeTwins({p.first, p.second});
    for (const auto& p : pairs) {
        SCOPED_TRACE(ui::Utf8(p.first));
        sweep::FoundFile listed = FoundFileOf(At(p.first));
        ASSERT_EQ(listed.size, 7);
        EXPECT_EQ(DeleteFoundFile(listed), RemovalOutcome::Removed);
        EXPECT_FALSE(ExactExists(At(p.first)));
        EXPECT_TRUE(ExactExists(At(p.second)));
        // Gone is gone: a second attempt finds nothing and deletes nothing.
        EXPECT_EQ(DeleteFoundFile(listed), RemovalOutcome::Missing);
        EXPECT_TRUE(ExactExists(At(p.second)));
    }
}

TEST_F(SafeDeleting, ReadOnlyHiddenAndDeepFilesGo) {
    ASSERT_TRUE(MakeExactFile(At(L"ro.tmp"), 1));
    ASSERT_TRUE(::SetFileAttributesW(sweep::ExactPath(At(L"ro.tmp")).c_str(),
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(At(L"ro.tmp"))), RemovalOutcome::Removed);
    EXPECT_FALSE(ExactExists(At(L"ro.tmp")));

    // A path of more than 300 characters.
    std::wstring deep = root;
    for (int i = 0; i < 8; ++i) {
        deep += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + i));
        ASSERT_TRUE(MakeExactFolder(deep));
    }
    deep += L"\\deep.tmp";
    ASSERT_GT(deep.size(), 300u);
    ASSERT_TRUE(MakeExactFile(deep, 3));
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(deep)), RemovalOutcome::Removed);
    EXPECT_FALSE(ExactExists(deep));
}

TEST_F(SafeDeleting, AFileThatChangedOrWasReplacedStays) {
    MakeTwins({L"grown.tmp", L"touched.tmp", L"replaced.tmp", L"new.tmp"});
    const sweep::FoundFile grown = FoundFileOf(At(L"grown.tmp"));
    const sweep::FoundFile touched = FoundFileOf(At(L"touched.tmp"));
    const sweep::FoundFile replaced = FoundFileOf(At(L"replaced.tmp"));

    ASSERT_TRUE(MakeExactFile(At(L"grown.tmp"), 8));
    ASSERT_TRUE(SetLastWrite(At(L"grown.tmp"), kSomeTime));
    ASSERT_TRUE(SetLastWrite(At(L"touched.tmp"), kSomeTime + 1));  // a tenth of a microsecond
    // Another file of the same name, size and time takes its place.
    ASSERT_TRUE(::MoveFileExW(sweep::ExactPath(At(L"new.tmp")).c_str(), sweep::ExactPath(At(L"replaced.tmp")).c_str(),
                              MOVEFILE_REPLACE_EXISTING));

    EXPECT_EQ(DeleteFoundFile(grown), RemovalOutcome::Changed);
    EXPECT_EQ(DeleteFoundFile(touched), RemovalOutcome::Changed);
    EXPECT_EQ(DeleteFoundFile(replaced), RemovalOutcome::Changed);
    for (const wchar_t* name : {L"grown.tmp", L"touched.tmp", L"replaced.tmp"}) EXPECT_TRUE(ExactExists(At(name)));

    MakeTwins({L"folder.tmp"});
    sweep::FoundFile folder = FoundFileOf(At(L"folder.tmp"));
    folder.attributes |= FILE_ATTRIBUTE_DIRECTORY;
    EXPECT_EQ(DeleteFoundFile(folder), RemovalOutcome::Folder);
    EXPECT_TRUE(ExactExists(At(L"folder.tmp")));
}

TEST_F(SafeDeleting, EveryPartOfTheRecordedIdentityIsCompared) {
    // What the search recorded differs in one thing each time: the file stays.
    ASSERT_TRUE(MakeExactFile(At(L"same.tmp"), 6));
    const sweep::FoundFile listed = FoundFileOf(At(L"same.tmp"));
    ASSERT_NE(listed.volumeSerial, 0u);
    ASSERT_NE(listed.fileId, 0u);
    const std::pair<const char*, void (*)(sweep::FoundFile&)> changes[] = {
        {"size", [](sweep::FoundFile& f) { f.size += 1; }},
        {"last write", [](sweep::FoundFile& f) { f.lastWrite += 1; }},
        {"creation", [](sweep::FoundFile& f) { f.creation += 1; }},
        {"id", [](sweep::FoundFile& f) { f.fileId += 1; }},
        {"volume", [](sweep::FoundFile& f) { f.volumeSerial ^= 1; }},
    };
    for (const auto& change : changes) {
        sweep::FoundFile other = listed;
        change.second(other);
        EXPECT_EQ(DeleteFoundFile(other), RemovalOutcome::Changed) << change.first;
        EXPECT_EQ(RecycleFoundFile(other), RemovalOutcome::Changed) << change.first;
        ASSERT_TRUE(ExactExists(At(L"same.tmp"))) << change.first;
    }
    EXPECT_EQ(DeleteFoundFile(listed), RemovalOutcome::Removed);
}

TEST_F(SafeDeleting, ALinkIsNeverDeletedThroughAndItsTargetStays) {
    ASSERT_TRUE(MakeExactFolder(At(L"outside")));
    ASSERT_TRUE(MakeExactFile(At(L"outside\\thesis.doc"), 5));
    if (!MakeUnixLink(At(L"link.tmp"), At(L"outside\\thesis.doc"))) GTEST_SKIP() << "no Unix links here";

    const sweep::FoundFile link = FoundFileOf(At(L"link.tmp"));
    ASSERT_EQ(link.size, 5) << "Wine shows a file link as its target";
    EXPECT_EQ(DeleteFoundFile(link), RemovalOutcome::Link);
    EXPECT_TRUE(ExactExists(At(L"outside\\thesis.doc")));
    EXPECT_TRUE(ExactExists(At(L"link.tmp")));
    // The target itself, found where it is, can go.
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(At(L"outside\\thesis.doc"))), RemovalOutcome::Removed);
}

TEST_F(SafeDeleting, ALinkToATwinWhoseNameDiffersOnlyByATrailingDotIsALinkToo) {
    // Wine reports a linked file's path without the dots and blanks at the
    // end of its names, so these links report their listed names.
    MakeTwins({L"x.tmp", L"w.tmp.", L"v.tmp "});
    if (!MakeUnixLink(At(L"x.tmp."), At(L"x.tmp"))) GTEST_SKIP() << "no Unix links here";
    ASSERT_TRUE(MakeUnixLink(At(L"w.tmp"), At(L"w.tmp.")));
    ASSERT_TRUE(MakeUnixLink(At(L"v.tmp."), At(L"v.tmp ")));
    for (const wchar_t* link : {L"x.tmp.", L"w.tmp", L"v.tmp."}) {
        SCOPED_TRACE(ui::Utf8(link));
        EXPECT_EQ(DeleteFoundFile(FoundFileOf(At(link))), RemovalOutcome::Link);
    }
    for (const wchar_t* name : {L"x.tmp", L"w.tmp.", L"v.tmp ", L"x.tmp.", L"w.tmp", L"v.tmp."})
        EXPECT_TRUE(ExactExists(At(name))) << ui::Utf8(name);
}

TEST_F(SafeDeleting, FilesTheSearchFoundAreCheckedTheSameWay) {
    // The search marks a name that has a twin differing only by a trailing
    // dot, as FoundFileOf does: a link between twins is never deleted through.
    MakeTwins({L"x.tmp"});
    if (!MakeUnixLink(At(L"x.tmp."), At(L"x.tmp"))) GTEST_SKIP() << "no Unix links here";
    sweep::SearchRequest request;
    request.startFolder = root + L"\\";
    request.patterns = {L"x.tmp*"};
    sweep::Search search(request);
    std::vector<sweep::FoundRow> found;
    while (!search.Collect(found)) ::Sleep(1);
    ASSERT_EQ(found.size(), 2u);
    for (const sweep::FoundRow& row : found)
        if (row.file.name == L"x.tmp.") {
            EXPECT_EQ(DeleteFoundFile(row.file), RemovalOutcome::Link);
        }
    EXPECT_TRUE(ExactExists(At(L"x.tmp")));
}

TEST_F(SafeDeleting, AFileInUseStaysWithItsAttributes) {
    ASSERT_TRUE(MakeExactFile(At(L"busy.tmp"), 2));
    const std::wstring exact = sweep::ExactPath(At(L"busy.tmp"));
    ASSERT_TRUE(::SetFileAttributesW(exact.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = ::GetFileAttributesW(exact.c_str());
    FileHeldByAnotherProcess holder(At(L"busy.tmp"));
    ASSERT_TRUE(holder.Held());
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(At(L"busy.tmp"))), RemovalOutcome::Refused);
    EXPECT_TRUE(ExactExists(At(L"busy.tmp")));
    EXPECT_EQ(::GetFileAttributesW(exact.c_str()), attributes);
}

TEST_F(SafeDeleting, AFileTheSystemCannotUnlinkIsReportedAsStillThere) {
    // A file in an immutable folder: Wine says the deletion succeeded and
    // keeps the file.
    ASSERT_TRUE(MakeExactFolder(At(L"frozen")));
    const std::wstring stuck = At(L"frozen\\stuck.tmp");
    ASSERT_TRUE(MakeExactFile(stuck, 4));
    ASSERT_TRUE(::SetFileAttributesW(sweep::ExactPath(stuck).c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = ::GetFileAttributesW(sweep::ExactPath(stuck).c_str());
    ImmutableFolder frozen(At(L"frozen"));
    if (!frozen.Immutable()) GTEST_SKIP() << "no immutable files here (chattr, or not root)";
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(stuck)), RemovalOutcome::StillThere);
    EXPECT_TRUE(ExactExists(stuck));
    // It keeps the read-only mark the deletion took off.
    EXPECT_EQ(::GetFileAttributesW(sweep::ExactPath(stuck).c_str()), attributes);
}

TEST_F(SafeDeleting, WithoutARecycleBinAFileIsKeptNotDeletedForGood) {
    // Wine looks for its trash once per program; without one it deletes for good.
    if (!InItsOwnProcess()) return RunInItsOwnProcess();
    const std::wstring trash = TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "the tests' recycle bin is Wine's trash";
    ASSERT_TRUE(MakeExactFile(At(L"kept.tmp"), 1));
    // Without the folder that holds the trash, Wine cannot make one.
    const std::wstring home = trash.substr(0, trash.rfind(L'\\'));
    ASSERT_TRUE(::MoveFileW(sweep::ExactPath(home).c_str(), sweep::ExactPath(home + L".away").c_str()));
    const RemovalOutcome outcome = RecycleFoundFile(FoundFileOf(At(L"kept.tmp")));
    ASSERT_TRUE(::MoveFileW(sweep::ExactPath(home + L".away").c_str(), sweep::ExactPath(home).c_str()));
    EXPECT_NE(outcome, RemovalOutcome::Removed);
    EXPECT_TRUE(ExactExists(At(L"kept.tmp")));
}

TEST_F(SafeDeleting, ARecycledFileLandsInTheRecycleBinAndCanBeRestored) {
    const std::wstring trash = TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "the tests' recycle bin is Wine's trash";
    // A unique name, and its twin that the Win32 path parser would reach.
    const std::wstring name = L"recycled" + std::to_wstring(::GetTickCount()) + L".tmp";
    MakeTwins({(name + L".").c_str(), name.c_str()});
    EXPECT_EQ(RecycleFoundFile(FoundFileOf(At(name + L"."))), RemovalOutcome::Removed);
    EXPECT_FALSE(ExactExists(At(name + L".")));
    EXPECT_TRUE(ExactExists(At(name)));
    // In the bin with where it came from, and back from there.
    const std::wstring binned = trash + L"\\files\\" + name + L".";
    ASSERT_TRUE(ExactExists(binned));
    EXPECT_TRUE(ExactExists(trash + L"\\info\\" + name + L"..trashinfo"));
    ASSERT_TRUE(::MoveFileW(sweep::ExactPath(binned).c_str(), sweep::ExactPath(At(name + L".")).c_str()));
    EXPECT_EQ(FoundFileOf(At(name + L".")).size, 7);
    ::DeleteFileW(sweep::ExactPath(trash + L"\\info\\" + name + L"..trashinfo").c_str());

    // The same checks as a deletion.
    ASSERT_TRUE(MakeExactFile(At(L"target.doc"), 3));
    if (MakeUnixLink(At(L"link.tmp"), At(L"target.doc"))) {
        EXPECT_EQ(RecycleFoundFile(FoundFileOf(At(L"link.tmp"))), RemovalOutcome::Link);
        EXPECT_TRUE(ExactExists(At(L"target.doc")));
    }
    const sweep::FoundFile grown = FoundFileOf(At(name));
    ASSERT_TRUE(MakeExactFile(At(name), 8));
    EXPECT_EQ(RecycleFoundFile(grown), RemovalOutcome::Changed);
}

}  // namespace
