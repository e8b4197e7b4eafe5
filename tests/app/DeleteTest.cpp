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
    }
    bool Exists(const std::string& name) const { return tree.Exists(name); }
    // The total of the files still listed, in bytes (all below 10000 here).
    void ExpectTotalOf(const Texts& names) const {
        int bytes = 0;
        for (const std::string& name : names) bytes += std::stoi(name) * 10;
        EXPECT_EQ(Panel(2), std::to_string(bytes));
        EXPECT_EQ(Panel(3), "bytes");
    }
    // The rows selected now, or none.
    std::pair<int, int> Selected() const {
        if (!Main->xgFoundFiles->HasSelection()) return {0, 0};
        const TGridRect s = Main->xgFoundFiles->GetSelection();
        return {s.Top, s.Bottom};
    }

    Texts order;
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
    ExpectTotalOf({order[0], order[5]});
    // Every selected file went: nothing is selected, and the commands do
    // nothing until the user selects again.
    EXPECT_EQ(Selected(), std::make_pair(0, 0));
    DeleteSelection();
    RecycleSelection();
    EXPECT_EQ(ResultNames(), (Texts{order[0], order[5]}));
    EXPECT_TRUE(Exists(order[0]) && Exists(order[5]));
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
    ExpectTotalOf({order[1], order[3]});
    EXPECT_EQ(Panel(4), "Hecho; 2 no se pudieron borrar");
    // The two that stayed are still selected, side by side now.
    EXPECT_EQ(Selected(), std::make_pair(1, 2));
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
    ExpectTotalOf({});
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
    EXPECT_EQ(Panel(4), "Hecho; 3 no se pudieron borrar");
}

TEST_F(Deleting, ARowNamesOnlyTheFileInItsOwnFolder) {
    // Found through a pattern with a folder part (and so not again by the
    // second); a file of the same name and size lies in the start folder.
    tree.MakeFile("a.tmp", 7);
    tree.MakeFile("sub\\a.tmp", 7);
    UsePatterns({"sub\\*.tmp", "*.tmp"});
    Search();
    ASSERT_EQ(Places(), (std::vector<Place>{{"a.tmp", tree / "sub\\"}, {"a.tmp", tree / ""}}));
    SelectRows(1, 1);
    DeleteSelection();
    EXPECT_FALSE(tree.Exists("sub\\a.tmp"));
    EXPECT_TRUE(tree.Exists("a.tmp"));
    EXPECT_EQ(Places(), (std::vector<Place>{{"a.tmp", tree / ""}}));
    EXPECT_EQ(Panel(0), "1");
    EXPECT_EQ(Panel(2), "7");
    EXPECT_EQ(Panel(4), "Hecho");
}

TEST_F(Deleting, WithNoRowPickedTheCommandActsOnTheCurrentRow) {
    FindFiles(3);
    // Right after a search the first result is the current row.
    DeleteSelection();
    EXPECT_FALSE(Exists(order[0]));
    EXPECT_EQ(ResultNames(), (Texts{order[1], order[2]}));
}

TEST_F(Deleting, TheWindowShowsTheFileBeingDeletedAndIsBusyMeanwhile) {
    FindFiles(3);
    SelectRows(1, 3);
    std::vector<std::string> activity;
    bool busyMeanwhile = true;
    PanelWatch watch([&](int panel, const std::string& text) {
        if (panel != 4) return;
        activity.push_back(text);
        if (text.rfind("Eliminando ", 0) == 0)
            busyMeanwhile = busyMeanwhile && Screen->GetCursor() == crAppStart && !Main->StartButton->GetEnabled() &&
                            !Main->DeleteButton->GetEnabled() && !Main->ConfigButton->GetEnabled();
    });
    DeleteSelection();
    ASSERT_FALSE(activity.empty());
    EXPECT_EQ(activity.back(), "Hecho");
    const std::string prefix = "Eliminando " + tree.path() + "\\";
    const auto shown = std::count_if(activity.begin(), activity.end(), [&](const std::string& t) {
        return t.size() > prefix.size() && t.compare(0, prefix.size(), prefix) == 0 &&
               std::find(order.begin(), order.end(), t.substr(prefix.size())) != order.end();
    });
    EXPECT_GE(shown, 1);
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_EQ(Screen->GetCursor(), crDefault);
}

}  // namespace
