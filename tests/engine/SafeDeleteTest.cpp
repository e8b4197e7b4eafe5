// Deleting a found file by its identity, on real folders: look-alike names
// next to their twins, names the Win32 path parser would rewrite, long paths,
// links, files in use, files changed or replaced since they were found, and
// recycle bins that cannot take a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <optional>

#include "engine/DeletionJob.h"
#include "engine/DuplicateRemoval.h"
#include "engine/FolderListing.h"
#include "engine/SafeDelete.h"
#include "engine/Search.h"
#include "support/FileTrees.h"
#include "support/OwnProcess.h"
#include "support/SystemCalls.h"
#include "support/TempDir.h"
#include "base/Unicode.h"

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
            ASSERT_TRUE(MakeExactFile(At(name), 7)) << base::Utf8(name);
            ASSERT_TRUE(SetLastWrite(At(name), kSomeTime));
        }
    }
    static constexpr std::uint64_t kSomeTime = 132000000000000000ull;

    TempDir tree;
    // The folder as the system resolves it, as the search records it.
    std::wstring root = sweep::FolderReader(base::Wide(tree.path())).FinalPath();
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
        SCOPED_TRACE(base::Utf8(p.first));
        sweep::FoundFile listed = FoundFileOf(At(p.first));
        ASSERT_EQ(listed.size, 7);
        EXPECT_EQ(DeleteFoundFile(listed).outcome, RemovalOutcome::Removed);
        EXPECT_FALSE(ExactExists(At(p.first)));
        EXPECT_TRUE(ExactExists(At(p.second)));
        // Gone is gone: a second attempt finds nothing and deletes nothing.
        EXPECT_EQ(DeleteFoundFile(listed).outcome, RemovalOutcome::Missing);
        EXPECT_TRUE(ExactExists(At(p.second)));
    }
}

TEST_F(SafeDeleting, ReadOnlyHiddenAndDeepFilesGo) {
    ASSERT_TRUE(MakeExactFile(At(L"ro.tmp"), 1));
    ASSERT_TRUE(::SetFileAttributesW(sweep::ExactPath(At(L"ro.tmp")).c_str(),
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(At(L"ro.tmp"))).outcome, RemovalOutcome::Removed);
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
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(deep)).outcome, RemovalOutcome::Removed);
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

    EXPECT_EQ(DeleteFoundFile(grown).outcome, RemovalOutcome::Changed);
    EXPECT_EQ(DeleteFoundFile(touched).outcome, RemovalOutcome::Changed);
    EXPECT_EQ(DeleteFoundFile(replaced).outcome, RemovalOutcome::Changed);
    for (const wchar_t* name : {L"grown.tmp", L"touched.tmp", L"replaced.tmp"}) EXPECT_TRUE(ExactExists(At(name)));

    MakeTwins({L"folder.tmp"});
    sweep::FoundFile folder = FoundFileOf(At(L"folder.tmp"));
    folder.attributes |= FILE_ATTRIBUTE_DIRECTORY;
    EXPECT_EQ(DeleteFoundFile(folder).outcome, RemovalOutcome::Folder);
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
        EXPECT_EQ(DeleteFoundFile(other).outcome, RemovalOutcome::Changed) << change.first;
        EXPECT_EQ(RecycleFoundFile(other).outcome, RemovalOutcome::Changed) << change.first;
        ASSERT_TRUE(ExactExists(At(L"same.tmp"))) << change.first;
    }
    EXPECT_EQ(DeleteFoundFile(listed).outcome, RemovalOutcome::Removed);
}

TEST_F(SafeDeleting, ALinkIsNeverDeletedThroughAndItsTargetStays) {
    ASSERT_TRUE(MakeExactFolder(At(L"outside")));
    ASSERT_TRUE(MakeExactFile(At(L"outside\\thesis.doc"), 5));
    if (!MakeUnixLink(At(L"link.tmp"), At(L"outside\\thesis.doc"))) GTEST_SKIP() << "no Unix links here";

    const sweep::FoundFile link = FoundFileOf(At(L"link.tmp"));
    ASSERT_EQ(link.size, 5) << "Wine shows a file link as its target";
    EXPECT_EQ(DeleteFoundFile(link).outcome, RemovalOutcome::Link);
    EXPECT_TRUE(ExactExists(At(L"outside\\thesis.doc")));
    EXPECT_TRUE(ExactExists(At(L"link.tmp")));
    // The target itself, found where it is, can go.
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(At(L"outside\\thesis.doc"))).outcome, RemovalOutcome::Removed);
}

TEST_F(SafeDeleting, ALinkToATwinWhoseNameDiffersOnlyByATrailingDotIsALinkToo) {
    // Wine reports a linked file's path without the dots and blanks at the
    // end of its names, so these links report their listed names.
    MakeTwins({L"x.tmp", L"w.tmp.", L"v.tmp "});
    if (!MakeUnixLink(At(L"x.tmp."), At(L"x.tmp"))) GTEST_SKIP() << "no Unix links here";
    ASSERT_TRUE(MakeUnixLink(At(L"w.tmp"), At(L"w.tmp.")));
    ASSERT_TRUE(MakeUnixLink(At(L"v.tmp."), At(L"v.tmp ")));
    for (const wchar_t* link : {L"x.tmp.", L"w.tmp", L"v.tmp."}) {
        SCOPED_TRACE(base::Utf8(link));
        EXPECT_EQ(DeleteFoundFile(FoundFileOf(At(link))).outcome, RemovalOutcome::Link);
    }
    for (const wchar_t* name : {L"x.tmp", L"w.tmp.", L"v.tmp ", L"x.tmp.", L"w.tmp", L"v.tmp."})
        EXPECT_TRUE(ExactExists(At(name))) << base::Utf8(name);
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
            EXPECT_EQ(DeleteFoundFile(row.file).outcome, RemovalOutcome::Link);
        }
    EXPECT_TRUE(ExactExists(At(L"x.tmp")));
}

// A stand-in for CreateFileW that holds the opening of "first.tmp" until the
// test lets it go, so that a job is stopped with that file in hand.
struct HeldOpen {
    static HANDLE inHand, release;
    static test::ImportedFunction* system;
    static HANDLE WINAPI CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                     DWORD disposition, DWORD flags, HANDLE model) {
        if (std::wcsstr(path, L"first.tmp")) {
            ::SetEvent(inHand);
            ::WaitForSingleObject(release, 30000);
        }
        return reinterpret_cast<decltype(&::CreateFileW)>(system->Original())(path, access, share, security,
                                                                               disposition, flags, model);
    }
};
HANDLE HeldOpen::inHand, HeldOpen::release;
test::ImportedFunction* HeldOpen::system;

TEST_F(SafeDeleting, AStoppedRemovalEndsWithTheFileInHandAndLeavesTheRestUntouched) {
    for (const bool copies : {false, true}) {
        SCOPED_TRACE(copies ? "the copies of duplicates" : "found files");
        std::vector<sweep::FoundFile> files;
        for (const wchar_t* name : {L"first.tmp", L"b.tmp", L"c.tmp", L"kept.tmp"}) {
            ASSERT_TRUE(WriteExactFile(At(name), "same"));
            files.push_back(FoundFileOf(At(name)));
        }
        const sweep::CopiesOf group{files.back(), {files.begin(), files.end() - 1}};
        files.pop_back();
        HeldOpen::inHand = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HeldOpen::release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        test::ImportedFunction standIn("kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&HeldOpen::CreateFileW));
        ASSERT_TRUE(standIn.Replaced());
        HeldOpen::system = &standIn;
        std::unique_ptr<sweep::RemovalJob> job;
        if (copies)
            job = std::make_unique<sweep::CopyRemovalJob>(std::vector<sweep::CopiesOf>{group},
                                                          sweep::RemovalKind::Delete);
        else
            job = std::make_unique<sweep::DeletionJob>(files, sweep::RemovalKind::Delete);
        EXPECT_EQ(::WaitForSingleObject(HeldOpen::inHand, 30000), WAIT_OBJECT_0);
        EXPECT_NE(job->CurrentFile().find("first.tmp"), std::string::npos);
        job->Stop();
        ::SetEvent(HeldOpen::release);
        std::vector<sweep::RemovalResult> results;
        EXPECT_TRUE(WaitUntil([&] { return job->Collect(results); }));
        job.reset();
        ::CloseHandle(HeldOpen::inHand);
        ::CloseHandle(HeldOpen::release);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].outcome, RemovalOutcome::Removed);
        EXPECT_FALSE(ExactExists(At(L"first.tmp")));
        for (const wchar_t* name : {L"b.tmp", L"c.tmp", L"kept.tmp"}) EXPECT_TRUE(ExactExists(At(name)));
    }
}

TEST_F(SafeDeleting, AFileInUseStaysWithItsAttributesAndIsNotDeletedWhenLetGo) {
    // Held by a program that lets others only read it, and by one that lets
    // them read, write and delete it: a deletion mark would take effect when
    // that program lets go. (Windows 10 would delete the second at once, the
    // POSIX way; Wine cannot.)
    for (const auto sharing : {FileHeldByAnotherProcess::ReadOnly, FileHeldByAnotherProcess::Everything}) {
        const std::wstring busy = At(L"busy" + std::to_wstring(sharing) + L".tmp");
        SCOPED_TRACE(base::Utf8(busy));
        ASSERT_TRUE(MakeExactFile(busy, 2));
        const std::wstring exact = sweep::ExactPath(busy);
        ASSERT_TRUE(::SetFileAttributesW(exact.c_str(), FILE_ATTRIBUTE_READONLY));
        const DWORD attributes = ::GetFileAttributesW(exact.c_str());
        {
            FileHeldByAnotherProcess holder(busy, sharing);
            ASSERT_TRUE(holder.Held());
            const sweep::RemovalResult result = DeleteFoundFile(FoundFileOf(busy));
            EXPECT_EQ(result.outcome, RemovalOutcome::InUse);
            EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        EXPECT_TRUE(ExactExists(busy));
        EXPECT_EQ(::GetFileAttributesW(exact.c_str()), attributes);
    }
}

TEST_F(SafeDeleting, AFileTheSystemCannotUnlinkIsReportedAsStillThere) {
    // A file in an immutable folder: Wine says the deletion succeeded and
    // keeps the file.
    ASSERT_TRUE(MakeExactFolder(At(L"frozen")));
    const std::wstring stuck = At(L"frozen\\stuck.tmp");
    ASSERT_TRUE(MakeExactFile(stuck, 4));
    ASSERT_TRUE(::SetFileAttributesW(sweep::ExactPath(stuck).c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD attributes = ::GetFileAttributesW(sweep::ExactPath(stuck).c_str());
    ClosedFolder frozen(At(L"frozen"));
    if (!frozen.Closed()) GTEST_SKIP() << "no immutable files here (chattr, or not root)";
    EXPECT_EQ(DeleteFoundFile(FoundFileOf(stuck)).outcome, RemovalOutcome::StillThere);
    EXPECT_TRUE(ExactExists(stuck));
    // It keeps the read-only mark the deletion took off.
    EXPECT_EQ(::GetFileAttributesW(sweep::ExactPath(stuck).c_str()), attributes);
}

// Recycle bins that cannot take a file, and one on another disk that can.
// Each case runs in a program of its own with a bin of its own (Wine looks
// for its trash once per program, through XDG_DATA_HOME).
enum class Bin { None, FilesImmutable, FilesReadOnly, FilesAFile, DiskFull, OtherDisk };
struct BinCase {
    const char* name;
    Bin bin;
    RemovalOutcome expected;
};
const BinCase kBins[] = {
    {"NoTrashFolder", Bin::None, RemovalOutcome::BinRefused},
    {"FilesImmutable", Bin::FilesImmutable, RemovalOutcome::BinRefused},
    {"FilesReadOnly", Bin::FilesReadOnly, RemovalOutcome::BinRefused},
    {"FilesIsAFile", Bin::FilesAFile, RemovalOutcome::BinRefused},
    {"DiskFull", Bin::DiskFull, RemovalOutcome::BinRefused},
    {"OtherDiskWithRoom", Bin::OtherDisk, RemovalOutcome::Removed},
};

void PrintTo(const BinCase& c, std::ostream* out) { *out << c.name; }

class RecyclingInto : public SafeDeleting, public ::testing::WithParamInterface<BinCase> {};

TEST_P(RecyclingInto, EveryFileIsInTheBinWholeOrWhereItWasWholeAndNothingElseIsLeft) {
    if (!InItsOwnProcess()) return RunInItsOwnProcess();
    const Bin bin = GetParam().bin;
    const std::wstring data = At(L"data"), trash = data + L"\\Trash";
    std::optional<MountedFolder> disk;
    std::optional<ClosedFolder> closed;
    if (bin != Bin::None) {
        ASSERT_TRUE(MakeExactFolder(data) && MakeExactFolder(trash));
        if (bin == Bin::DiskFull || bin == Bin::OtherDisk) {
            disk.emplace(trash, bin == Bin::DiskFull ? 256 : 2048);
            if (!disk->Mounted()) GTEST_SKIP() << "a small disk for the bin needs root to mount it";
        }
        ASSERT_TRUE(MakeExactFolder(trash + L"\\info"));
        ASSERT_TRUE(bin == Bin::FilesAFile ? MakeExactFile(trash + L"\\files") : MakeExactFolder(trash + L"\\files"));
        if (bin == Bin::FilesImmutable) closed.emplace(trash + L"\\files", ClosedFolder::Immutable);
        if (bin == Bin::FilesReadOnly) closed.emplace(trash + L"\\files", ClosedFolder::ModeReadOnly);
        if (closed && !closed->Closed())
            GTEST_SKIP() << (bin == Bin::FilesImmutable ? "no immutable folders here (chattr, or not root)"
                                                        : "mode 555 keeps out every user but root, and this is root");
    }
    ASSERT_TRUE(::SetEnvironmentVariableW(L"XDG_DATA_HOME", base::Wide(UnixPath(root) + "/data").c_str()));

    // Each one bigger than the small disk, each with bytes of its own.
    auto bytes = [](std::size_t size, std::size_t seed) {
        std::string b(size, '\0');
        for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<char>((i * 31 + seed) % 251);
        return b;
    };
    const std::pair<std::wstring, std::string> files[] = {{L"big.tmp", bytes(300000, 1)},
                                                          {L"bigger.tmp", bytes(280000, 2)}};
    for (const auto& f : files) ASSERT_TRUE(WriteExactFile(At(f.first), f.second));
    for (const auto& f : files)
        EXPECT_EQ(RecycleFoundFile(FoundFileOf(At(f.first))).outcome, GetParam().expected) << base::Utf8(f.first);
    closed.reset();

    // In the bin whole, with the record that gives it back, or where it was, whole.
    const bool recycled = GetParam().expected == RemovalOutcome::Removed;
    std::vector<std::wstring> left;
    for (const auto& f : files) {
        EXPECT_TRUE(ExactContents(recycled ? trash + L"\\files\\" + f.first : At(f.first)) == f.second)
            << base::Utf8(f.first);
        if (recycled) {
            EXPECT_TRUE(ExactExists(trash + L"\\info\\" + f.first + L".trashinfo"));
        } else {
            left.push_back(f.first);
        }
    }
    // And no second name left behind.
    if (bin != Bin::None) left.push_back(L"data");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(NamesIn(root), left);
}

INSTANTIATE_TEST_SUITE_P(Bins, RecyclingInto, ::testing::ValuesIn(kBins),
                         [](const ::testing::TestParamInfo<BinCase>& c) { return std::string(c.param.name); });

TEST(RecycleBinTotals, OnlyOneMoreItemOfTheFilesSizeIsACopyOfIt) {
    const struct {
        sweep::BinTotals after;
        std::int64_t size;
        bool copied;
    } cases[] = {
        {{11, 1300}, 300, true},
        {{10, 1000}, 0, false},   // an empty file the bin did not take
        {{11, 1100}, 300, false},  // a copy cut short
        {{12, 1600}, 300, false},  // another program's file came in too
    };
    for (const auto& c : cases)
        EXPECT_EQ(sweep::BinTookACopy({10, 1000}, c.after, c.size), c.copied) << c.after.items << " " << c.after.bytes;
}

TEST_F(SafeDeleting, ARecycledFileLandsInTheRecycleBinAndCanBeRestored) {
    const std::wstring trash = TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "the tests' recycle bin is Wine's trash";
    // A unique name, and its twin that the Win32 path parser would reach.
    const std::wstring name = L"recycled" + std::to_wstring(::GetTickCount()) + L".tmp";
    MakeTwins({(name + L".").c_str(), name.c_str()});
    const sweep::FoundFile listed = FoundFileOf(At(name + L"."));
    EXPECT_EQ(RecycleFoundFile(listed).outcome, RemovalOutcome::Removed);
    // Only its twin is left: no second name either.
    EXPECT_EQ(NamesIn(root), std::vector<std::wstring>{name});
    EXPECT_EQ(RecycleFoundFile(listed).outcome, RemovalOutcome::Missing);
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
        EXPECT_EQ(RecycleFoundFile(FoundFileOf(At(L"link.tmp"))).outcome, RemovalOutcome::Link);
        EXPECT_TRUE(ExactExists(At(L"target.doc")));
    }
    const sweep::FoundFile grown = FoundFileOf(At(name));
    ASSERT_TRUE(MakeExactFile(At(name), 8));
    EXPECT_EQ(RecycleFoundFile(grown).outcome, RemovalOutcome::Changed);
}

}  // namespace
