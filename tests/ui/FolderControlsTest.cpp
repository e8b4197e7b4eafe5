// The drive box and the folder list: the path rules, the list's rows, a
// double click into a sub-folder of a real tree, folders that cannot be read,
// the system's drives, and the two controls following each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "ui/FolderControls.h"
#include "ui/Forms.h"
#include "base/Unicode.h"

namespace {

TEST(FolderPaths, AListingTakesThePrefixThatLiftsTheLengthLimitOnlyWhenLong) {
    EXPECT_EQ(folders::ListingPattern(L"C:\\Temp"), L"C:\\Temp\\*");
    EXPECT_EQ(folders::ListingPattern(L"C:\\"), L"C:\\*");
    const std::wstring longPart(300, L'д');
    // 259 characters are still taken as they are; 260 are not.
    const std::wstring edge = L"C:\\" + std::wstring(MAX_PATH - 6, L'x');
    EXPECT_EQ(folders::ListingPattern(edge), edge + L"\\*");
    EXPECT_EQ(folders::ListingPattern(edge + L"x"), L"\\\\?\\" + edge + L"x\\*");
    EXPECT_EQ(folders::ListingPattern(L"D:\\" + longPart), L"\\\\?\\D:\\" + longPart + L"\\*");
    EXPECT_EQ(folders::ListingPattern(L"\\\\srv\\share\\" + longPart),
              L"\\\\?\\UNC\\srv\\share\\" + longPart + L"\\*");
    EXPECT_EQ(folders::ListingPattern(L"\\\\?\\D:\\" + longPart), L"\\\\?\\D:\\" + longPart + L"\\*");
}

TEST(FolderPaths, NormalizeKeepsABackslashOnlyAtADrivesRoot) {
    EXPECT_EQ(folders::Normalize("D:"), "D:\\");
    EXPECT_EQ(folders::Normalize("D:\\"), "D:\\");
    EXPECT_EQ(folders::Normalize("D:\\Temp\\"), "D:\\Temp");
    EXPECT_EQ(folders::Normalize("d:/a/b/"), "d:\\a\\b");
    EXPECT_EQ(folders::Normalize("\\\\srv\\share\\"), "\\\\srv\\share");

    EXPECT_EQ(folders::Levels("D:\\Temp\\Old"), (std::vector<std::string>{"D:\\", "Temp", "Old"}));
    EXPECT_EQ(folders::Levels("D:\\"), (std::vector<std::string>{"D:\\"}));
    EXPECT_EQ(folders::Levels("\\\\srv\\share\\x"), (std::vector<std::string>{"\\\\srv\\share", "x"}));
    EXPECT_EQ(folders::Join("D:\\", "Temp"), "D:\\Temp");
    EXPECT_EQ(folders::Join("D:\\Temp", "Old"), "D:\\Temp\\Old");
    EXPECT_EQ(folders::DriveOf("d:\\x"), 'D');
    EXPECT_EQ(folders::DriveOf("\\\\srv\\share"), 0);

    std::vector<std::string> names{"beta", "Alpha", "gamma", "ALPHA2", "Beta1"};
    folders::SortNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "Beta1", "gamma"}));
}

std::string CurrentFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = ::GetCurrentDirectoryW(MAX_PATH, buf);
    return folders::Normalize(base::Utf8(std::wstring_view(buf, n)));
}

std::string FullPathOf(const std::string& path) {
    wchar_t buf[MAX_PATH];
    DWORD n = ::GetFullPathNameW(base::Wide(path).c_str(), MAX_PATH, buf, nullptr);
    return folders::Normalize(base::Utf8(std::wstring_view(buf, n)));
}

class ChooserForm : public TForm {
public:
    explicit ChooserForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsToolWindow);
        SetLeft(40);
        SetTop(40);
        SetClientWidth(297);
        SetClientHeight(194);
        drives = new TDriveComboBox(this);
        drives->SetParent(this);
        drives->SetBounds(0, 8, 145, 19);
        list = new TDirectoryListBox(this);
        list->SetParent(this);
        list->SetBounds(0, 31, 297, 163);
        list->SetItemHeight(16);
        drives->SetDirList(list);
    }
    TDriveComboBox* drives;
    TDirectoryListBox* list;
};

class FolderControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.MakeDir("beta\\inner");
        tree.MakeDir("Alpha");
        tree.MakeDir("gamma");
        tree.MakeFile("file.txt");
        tree.MakeDir("hidden");
        ::SetFileAttributesW(base::Wide(tree / "hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
        form = new ChooserForm(Application);
        form->list->OnChange = [this](TObject*) { log.push_back(form->list->GetDirectory()); };
        ASSERT_TRUE(test::ShowActive(form));
    }
    void TearDown() override { delete form; }

    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        HWND wnd = form->list->GetHandle();
        int n = static_cast<int>(::SendMessageW(wnd, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            std::wstring text(static_cast<std::size_t>(::SendMessageW(wnd, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
            ::SendMessageW(wnd, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
            rows.push_back(base::Utf8(text.c_str()));
        }
        return rows;
    }
    int RowOf(const std::string& text) const {
        std::vector<std::string> rows = Rows();
        auto it = std::find(rows.begin(), rows.end(), text);
        return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
    }
    void DoubleClickRow(int row) {
        RECT r;
        ::SendMessageW(form->list->GetHandle(), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        POINT p{r.left + 40, (r.top + r.bottom) / 2};
        ::ClientToScreen(form->list->GetHandle(), &p);
        test::ClickAt(p.x, p.y);
        test::ClickAt(p.x, p.y);
    }

    test::TempDir tree;
    ChooserForm* form = nullptr;
    std::vector<std::string> log;
};

TEST_F(FolderControlsTest, AtCreationBothShowTheProcesssCurrentFolder) {
    EXPECT_EQ(form->list->GetDirectory(), CurrentFolder());
    EXPECT_EQ(form->drives->GetDrive(), folders::DriveOf(CurrentFolder()));
    std::vector<std::string> levels = folders::Levels(CurrentFolder());
    std::vector<std::string> rows = Rows();
    ASSERT_GE(rows.size(), levels.size());
    EXPECT_TRUE(std::equal(levels.begin(), levels.end(), rows.begin()));
    // The current folder is the selected row.
    EXPECT_EQ(::SendMessageW(form->list->GetHandle(), LB_GETCURSEL, 0, 0), static_cast<LRESULT>(levels.size() - 1));
    EXPECT_EQ(::SendMessageW(form->list->GetHandle(), LB_GETITEMHEIGHT, 0, 0), 16);
}

TEST_F(FolderControlsTest, ThePathThenTheSubFoldersSortedWithoutLetterCase) {
    form->list->SetDirectory(tree.path() + "\\");
    EXPECT_EQ(form->list->GetDirectory(), tree.path());
    EXPECT_EQ(log, (std::vector<std::string>{tree.path()}));
    std::vector<std::string> expected = folders::Levels(tree.path());
    for (const char* name : {"Alpha", "beta", "gamma"}) expected.push_back(name);  // no file, no hidden folder
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(form->list->GetItemPath(RowOf("gamma")), tree / "gamma");
    EXPECT_EQ(form->list->GetItemPath(0), folders::Levels(tree.path())[0]);
}

TEST_F(FolderControlsTest, ADoubleClickOpensTheFolderUnderTheCursor) {
    form->list->SetDirectory(tree.path());
    log.clear();
    DoubleClickRow(RowOf("beta"));
    ASSERT_TRUE(test::PumpUntil([&] { return form->list->GetDirectory() == tree / "beta"; }));
    EXPECT_EQ(log, (std::vector<std::string>{tree / "beta"}));
    EXPECT_EQ(Rows().back(), "inner");
    EXPECT_EQ(Rows()[Rows().size() - 2], "beta");

    // Up to the drive's root: a path with its one backslash.
    DoubleClickRow(0);
    ASSERT_TRUE(test::PumpUntil([&] { return form->list->GetDirectory().size() == 3; }));
    EXPECT_EQ(form->list->GetDirectory(), std::string(1, folders::DriveOf(tree.path())) + ":\\");
}

TEST_F(FolderControlsTest, FoldersOfAnyScriptAreListedAndOpenAsThemselves) {
    // "дир" and its fullwidth look-alike "ｄｉｒ" are two folders: through the
    // ANSI code page the first would read "???" and the second "dir".
    tree.MakeDir("scripts\\дир\\in дир");
    tree.MakeDir("scripts\\ｄｉｒ\\in ｄｉｒ");
    tree.MakeDir("scripts\\文件 😀");
    tree.MakeFile("scripts\\ā.tmp");
    form->list->SetDirectory(tree / "scripts");
    const std::vector<std::string> rows = Rows();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(std::set<std::string>(rows.end() - 3, rows.end()), (std::set<std::string>{"дир", "ｄｉｒ", "文件 😀"}));
    EXPECT_EQ(RowOf("ā.tmp"), -1);
    for (const std::string name : {"дир", "ｄｉｒ"}) {
        form->list->SetDirectory(tree / "scripts");
        form->list->OpenItem(RowOf(name));
        EXPECT_EQ(form->list->GetDirectory(), tree / ("scripts\\" + name));
        EXPECT_EQ(Rows().back(), "in " + name);
    }
}

TEST_F(FolderControlsTest, AFolderBeyondTheOldPathLimitListsItsSubFolders) {
    std::string deep = "long";
    while ((tree / deep).size() < MAX_PATH + 40) deep += "\\" + std::string(40, 'd');
    tree.MakeDir(deep + "\\leaf");
    form->list->SetDirectory(tree / deep);
    EXPECT_EQ(form->list->GetDirectory(), tree / deep);
    EXPECT_EQ(Rows().back(), "leaf");
    form->list->OpenItem(RowOf("leaf"));
    EXPECT_EQ(form->list->GetDirectory(), tree / (deep + "\\leaf"));
}

TEST_F(FolderControlsTest, EnterOpensTheSelectedFolder) {
    form->list->SetDirectory(tree.path());
    form->list->SetFocus();
    ASSERT_TRUE(form->list->Focused());
    test::PressKey(VK_DOWN);  // from the current folder to its first sub-folder
    test::PressKey(VK_RETURN);
    EXPECT_EQ(form->list->GetDirectory(), tree / "Alpha");
}

TEST_F(FolderControlsTest, AFolderThatCannotBeReadShowsNoSubFolders) {
    form->list->SetDirectory(tree / "missing\\deeper");
    EXPECT_EQ(form->list->GetDirectory(), tree / "missing\\deeper");
    EXPECT_EQ(Rows(), folders::Levels(tree / "missing\\deeper"));
}

TEST_F(FolderControlsTest, TheDriveBoxListsTheSystemsDrives) {
    wchar_t buf[512] = {};
    ::GetLogicalDriveStringsW(511, buf);
    std::vector<char> expected;
    for (const wchar_t* p = buf; *p; p += std::wcslen(p) + 1)
        expected.push_back(static_cast<char>(std::toupper(static_cast<char>(*p))));
    EXPECT_EQ(form->drives->GetDrives(), expected);
    HWND wnd = form->drives->GetHandle();
    ASSERT_EQ(::SendMessageW(wnd, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        wchar_t text[MAX_PATH];
        ::SendMessageW(wnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::toupper(static_cast<char>(text[0])), expected[i]);
        EXPECT_EQ(text[1], L':');
    }
}

TEST_F(FolderControlsTest, ChoosingADriveShowsItsFoldersAndTheListMovesTheBox) {
    // The list opening a folder on another drive moves the box there.
    form->list->SetDirectory(tree.path());
    const char treeDrive = folders::DriveOf(tree.path());
    EXPECT_EQ(form->drives->GetDrive(), treeDrive);
    const std::vector<char>& drives = form->drives->GetDrives();
    auto other = std::find_if(drives.begin(), drives.end(), [&](char d) { return d != treeDrive; });
    ASSERT_NE(other, drives.end()) << "needs a second drive";

    // Typing a drive's letter into the box picks it, as a user would.
    form->drives->SetFocus();
    ASSERT_TRUE(form->drives->Focused());
    log.clear();
    test::TypeText(std::string(1, static_cast<char>(std::tolower(*other))));
    ASSERT_TRUE(test::PumpUntil([&] { return form->list->GetDrive() == *other; }));
    EXPECT_EQ(form->drives->GetDrive(), *other);
    EXPECT_EQ(form->list->GetDirectory(), FullPathOf(std::string(1, *other) + ":"));
    EXPECT_EQ(log.size(), 1u);
    const std::vector<std::string> levels = folders::Levels(form->list->GetDirectory());
    const std::vector<std::string> rows = Rows();
    ASSERT_GE(rows.size(), levels.size());
    EXPECT_TRUE(std::equal(levels.begin(), levels.end(), rows.begin()));
}

TEST_F(FolderControlsTest, EachLevelIsIndentedFurther) {
    form->list->SetDirectory(tree / "beta");
    HWND wnd = form->list->GetHandle();
    RECT client;
    ::GetClientRect(wnd, &client);
    test::Canvas32 pic(client.right, client.bottom, RGB(1, 2, 3));
    ::SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    auto firstInk = [&](int row) {
        RECT r;
        ::SendMessageW(wnd, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        const COLORREF back = pic.At(r.right - 1, r.top + 1);
        for (int x = 0; x < r.right; ++x)
            for (int y = r.top + 1; y < r.bottom - 1; ++y)
                if (pic.At(x, y) != back) return x;
        return -1;
    };
    const int rows = static_cast<int>(Rows().size());
    ASSERT_GE(rows, 3);
    // Past the selected row (the current folder, highlighted) every row's
    // picture starts further right than the one of the level above it.
    const int current = RowOf("beta");
    for (int i = 1; i < current; ++i) EXPECT_GT(firstInk(i), firstInk(i - 1)) << i;
    EXPECT_GT(firstInk(current + 1), firstInk(current - 1));
}

TEST_F(FolderControlsTest, TheListKeepsItsFolderInANewWindow) {
    form->list->SetDirectory(tree.path());
    form->list->RecreateWnd();
    EXPECT_EQ(form->list->GetDirectory(), tree.path());
    EXPECT_EQ(Rows().back(), "gamma");
    EXPECT_EQ(::SendMessageW(form->list->GetHandle(), LB_GETITEMHEIGHT, 0, 0), 16);
}

}  // namespace
