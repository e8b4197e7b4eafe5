// Deletion from the result list, driven through the main window: rows
// selected with clicks and Shift-clicks, "Eliminar" chosen in the delete
// button's menu, and real files that can or cannot go.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/SweepWindows.h"

using namespace sweeptest;

namespace {

using Texts = std::vector<std::string>;

class Deleting : public SweepWindows {
protected:
    // Files 1.dat to n.dat, found by a search; `order` is the names as listed.
    void FindFiles(int n) {
        for (int i = 1; i <= n; ++i) tree.MakeFile(std::to_string(i) + ".dat", static_cast<std::uint64_t>(i) * 10);
        UsePatterns({"*.dat"});
        Search();
        order = ResultNames();
        ASSERT_EQ(order.size(), static_cast<std::size_t>(n));
        totalText = Panel(2);
        unitText = Panel(3);
    }
    bool Exists(const std::string& name) const { return tree.Exists(name); }
    void ExpectTotalsOfTheSearch() const {
        EXPECT_EQ(Panel(2), totalText);
        EXPECT_EQ(Panel(3), unitText);
    }

    Texts order;
    std::string totalText, unitText;
};

// Holds a file open without sharing its deletion, as a program using it does.
class InUse {
public:
    explicit InUse(const std::string& path)
        : h_(::CreateFileW(ui::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr)) {}
    ~InUse() { ::CloseHandle(h_); }
    bool Held() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

TEST_F(Deleting, ASelectedBlockGoesWithItsReadOnlyAndHiddenFiles) {
    FindFiles(6);
    const std::string readOnly = order[2], hidden = order[3];
    ::SetFileAttributesW(ui::Wide(tree / readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesW(ui::Wide(tree / hidden).c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(FileData(tree / readOnly).dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(FileData(tree / hidden).dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);

    SelectRows(2, 5);  // the second to the fifth result
    DeleteSelection();

    for (int i = 0; i < 6; ++i) EXPECT_EQ(Exists(order[i]), i == 0 || i == 5) << order[i];
    EXPECT_EQ(ResultNames(), (Texts{order[0], order[5]}));
    EXPECT_TRUE(LastRowIsBlank());
    EXPECT_EQ(Main->xgFoundFiles->GetRowCount(), 4);
    EXPECT_EQ(Panel(0), "2");
    EXPECT_EQ(Panel(4), "Hecho");
    EXPECT_EQ(Screen->GetCursor(), crDefault);
    ExpectTotalsOfTheSearch();
}

TEST_F(Deleting, FilesThatCannotGoStayListedInOrderWithTheirAttributes) {
    FindFiles(5);
    const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    ::SetFileAttributesW(ui::Wide(tree / order[1]).c_str(), attributes);
    InUse second(tree / order[1]), fourth(tree / order[3]);
    ASSERT_TRUE(second.Held() && fourth.Held());

    // Every result and the blank last row.
    const int rows = Main->xgFoundFiles->GetRowCount();
    SelectRows(1, rows - 1);
    DeleteSelection();

    EXPECT_EQ(ResultNames(), (Texts{order[1], order[3]}));
    EXPECT_TRUE(LastRowIsBlank());
    EXPECT_EQ(Main->xgFoundFiles->GetRowCount(), 4);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Exists(order[i]), i == 1 || i == 3) << order[i];
    // What the deletion took off a file it could not delete is put back.
    EXPECT_EQ(FileData(tree / order[1]).dwFileAttributes & attributes, attributes);
    EXPECT_EQ(Panel(0), "2");
    ExpectTotalsOfTheSearch();
}

TEST_F(Deleting, DeletingEveryResultLeavesTheHeaderAndTheBlankRow) {
    FindFiles(4);
    SelectRows(4, 1);  // selected upwards
    DeleteSelection();
    for (const std::string& name : order) EXPECT_FALSE(Exists(name)) << name;
    EXPECT_EQ(Main->xgFoundFiles->GetRowCount(), 2);
    EXPECT_EQ(Main->xgFoundFiles->GetCells(0, 0), "Fichero");
    EXPECT_TRUE(LastRowIsBlank());
    EXPECT_EQ(Panel(0), "0");
    ExpectTotalsOfTheSearch();
}

TEST_F(Deleting, AFileChangedSinceTheSearchIsKeptWithItsRow) {
    FindFiles(4);
    // One file grows, another gets a new last-write time; a third is
    // replaced by a folder of the same name.
    tree.MakeFile(order[0], 11);
    SYSTEMTIME later{2030, 1, 0, 1, 12, 0, 0, 0};
    SetLastWrite(tree / order[1], later);
    ::DeleteFileW(ui::Wide(tree / order[2]).c_str());
    tree.MakeDir(order[2]);
    const std::vector<ResultRow> before = Results();

    SelectRows(1, 4);
    DeleteSelection();

    EXPECT_TRUE(Exists(order[0]));
    EXPECT_TRUE(Exists(order[1]));
    EXPECT_TRUE(Exists(order[2]));
    EXPECT_FALSE(Exists(order[3]));
    EXPECT_EQ(Results(), std::vector<ResultRow>(before.begin(), before.begin() + 3));  // cells unchanged
    EXPECT_EQ(Panel(0), "3");
}

TEST_F(Deleting, ARowNamesOnlyTheFileInItsOwnFolder) {
    // Found through a pattern with a folder part; a file of the same name and
    // size lies in the start folder.
    tree.MakeFile("a.tmp", 7);
    tree.MakeFile("sub\\a.tmp", 7);
    UsePatterns({"sub\\*.tmp", "*.tmp"});
    Search();
    ASSERT_EQ(Results().size(), 3u);  // sub\a.tmp; then a.tmp and sub\a.tmp again
    SelectRows(1, 1);
    DeleteSelection();
    EXPECT_FALSE(tree.Exists("sub\\a.tmp"));
    EXPECT_TRUE(tree.Exists("a.tmp"));

    // The same file listed twice: the second row names no file now, and stays.
    ASSERT_EQ(Results()[1].folder, tree / "sub\\");
    SelectRows(2, 2);
    DeleteSelection();
    EXPECT_EQ(Results().size(), 2u);
    EXPECT_TRUE(tree.Exists("a.tmp"));
    EXPECT_EQ(Panel(0), "2");
}

}  // namespace
