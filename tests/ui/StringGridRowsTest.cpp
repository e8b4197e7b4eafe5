// The grid's rows as a list that changes under the user's eyes: rows that
// carry the program's data through insertions, removals and sorting, the
// selection that can be empty, and the screen below the last row after the
// list got shorter, read back from the window itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/StringGrid.h"
#include "ui/SysUtils.h"

namespace {

constexpr int kRowHeight = 16;
constexpr int kStride = kRowHeight + 1;

class GridRows : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBorderStyle(bsSingle);
        form->SetBounds(60, 60, 400, 320);
        grid = new TStringGrid(form);
        grid->SetParent(form);
        grid->SetBounds(10, 10, 300, 240);
        grid->SetBorderStyle(bsNone);
        grid->SetColCount(2);
        grid->SetFixedCols(0);
        grid->SetDefaultRowHeight(kRowHeight);
        grid->SetOptions({goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goRowSelect});
        grid->SetScrollBars(TScrollStyle::ssNone);
        grid->SetColor(clWhite);
        grid->GetFont()->SetColor(clBlack);
        ASSERT_TRUE(test::ShowActive(form));
    }
    void TearDown() override { delete form; }

    // Rows of dark text under a header; each row's data is its number.
    void Fill(int rows) {
        grid->SetRowCount(rows + 1);
        for (int r = 1; r <= rows; ++r) {
            grid->SetCells(0, r, "WWWWWWWWWWWW" + std::to_string(r));
            grid->SetCells(1, r, "MMMMMMMMMMMM");
            grid->SetRowData(r, Tag(r));
        }
    }
    static const void* Tag(int n) { return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(n)); }
    std::vector<std::uintptr_t> Tags() const {
        std::vector<std::uintptr_t> tags;
        for (int r = 1; r < grid->GetRowCount(); ++r) tags.push_back(reinterpret_cast<std::uintptr_t>(grid->GetRowData(r)));
        return tags;
    }
    // Pixels on the window that are not the grid's white, below a row's line.
    int DarkPixelsBelowRow(int rows) const {
        ::UpdateWindow(grid->GetHandle());  // what was invalidated is painted now
        ui::WindowDc dc(grid->GetHandle());
        int dark = 0;
        for (int y = rows * kStride + 1; y < 240; y += 2)
            for (int x = 0; x < 280; x += 3)
                if (::GetPixel(dc.get(), x, y) != RGB(255, 255, 255)) ++dark;
        return dark;
    }

    TForm* form = nullptr;
    TStringGrid* grid = nullptr;
};

TEST_F(GridRows, NothingOfTheRowsThatWentStaysOnTheScreen) {
    // Every way the list gets shorter: a smaller row count, a block removed,
    // one row removed; each after the longer list was on screen.
    Fill(12);
    ASSERT_GT(DarkPixelsBelowRow(6), 0);
    grid->SetRowCount(7);
    EXPECT_EQ(DarkPixelsBelowRow(7), 0) << "SetRowCount";

    Fill(12);
    ASSERT_GT(DarkPixelsBelowRow(6), 0);
    grid->DeleteRows(3, 6);
    EXPECT_EQ(DarkPixelsBelowRow(7), 0) << "DeleteRows";

    Fill(3);
    ASSERT_GT(DarkPixelsBelowRow(3), 0);
    grid->DeleteRow(2);
    EXPECT_EQ(DarkPixelsBelowRow(3), 0) << "DeleteRow";

    // Rows cut out are handed over whole, in order.
    Fill(12);
    ASSERT_GT(DarkPixelsBelowRow(6), 0);
    const std::vector<TStringGrid::Row> cut = grid->CutRows(7);
    EXPECT_EQ(DarkPixelsBelowRow(7), 0) << "CutRows";
    ASSERT_EQ(cut.size(), 6u);
    EXPECT_EQ(cut.front().data, Tag(7));
    EXPECT_EQ(cut.back().data, Tag(12));
    EXPECT_EQ(cut.back().texts.substr(0, 14), "WWWWWWWWWWWW12");
    EXPECT_EQ(grid->GetRowCount(), 7);
}

TEST_F(GridRows, DataMovesWithItsRowAndTheSelectionStaysOnItsRows) {
    Fill(5);
    grid->SetSelection(TGridRect{0, 2, 1, 3});
    std::vector<TGridRow> rows(2);
    rows[0].Cells = {"new a"};
    rows[0].Data = Tag(10);
    rows[1].Cells = {"new b", "x", "beyond the columns"};
    rows[1].Data = Tag(11);
    grid->InsertRows(2, std::move(rows));
    EXPECT_EQ(Tags(), (std::vector<std::uintptr_t>{1, 10, 11, 2, 3, 4, 5}));
    EXPECT_EQ(grid->GetCells(0, 3), "new b");
    EXPECT_EQ(grid->GetCells(2, 3), "");
    EXPECT_EQ(grid->GetSelection().Top, 4);
    EXPECT_EQ(grid->GetSelection().Bottom, 5);

    grid->DeleteRows(2, 2);
    EXPECT_EQ(Tags(), (std::vector<std::uintptr_t>{1, 2, 3, 4, 5}));
    EXPECT_THROW(grid->SetRowData(9, nullptr), EInvalidOperation);
    EXPECT_EQ(grid->GetRowData(9), nullptr);
}

TEST_F(GridRows, EachCellKeepsItsTextWhateverIsWrittenAroundIt) {
    grid->SetColCount(4);
    grid->SetRowCount(3);
    auto row = [&](int r) {
        std::string all;
        for (int c = 0; c < 4; ++c) all += grid->GetCells(c, r) + "|";
        return all;
    };
    grid->SetCells(2, 2, "c");  // a row's first text, past cells never written
    EXPECT_EQ(row(2), "||c||");
    grid->SetCells(0, 2, "aaa");
    grid->SetCells(3, 2, "d");
    grid->SetCells(2, 2, "");
    grid->SetCells(1, 2, "b");
    EXPECT_EQ(row(2), "aaa|b||d|");
    grid->SetCells(0, 2, "");
    EXPECT_EQ(row(2), "|b||d|");
    // Fewer columns cut the texts off; more bring back empty cells.
    grid->SetColCount(2);
    grid->SetColCount(4);
    EXPECT_EQ(row(2), "|b|||");
    EXPECT_EQ(row(1), "||||");
    EXPECT_EQ(grid->GetCells(9, 2), "");
}

TEST_F(GridRows, SortingKeepsTheOrderOfEqualRows) {
    Fill(6);
    // By the parity of the tag: odd ones first, each group in its old order.
    grid->SortRows(1, 6, [](const void* a, const void* b) {
        return (reinterpret_cast<std::uintptr_t>(a) % 2) > (reinterpret_cast<std::uintptr_t>(b) % 2);
    });
    EXPECT_EQ(Tags(), (std::vector<std::uintptr_t>{1, 3, 5, 2, 4, 6}));
    EXPECT_EQ(grid->GetCells(0, 2), "WWWWWWWWWWWW3");
}

TEST_F(GridRows, AClearedSelectionShowsNoRowUntilTheUserPicksOne) {
    Fill(5);
    grid->SetSelection(TGridRect{0, 2, 1, 3});
    auto highlighted = [&](int row) {
        ::UpdateWindow(grid->GetHandle());
        ui::WindowDc dc(grid->GetHandle());
        return ::GetPixel(dc.get(), 100, row * kStride + 1) == ColorToRGB(clHighlight);
    };
    EXPECT_TRUE(highlighted(2));
    grid->ClearSelection();
    EXPECT_FALSE(grid->HasSelection());
    EXPECT_FALSE(highlighted(2));
    EXPECT_FALSE(highlighted(3));

    const POINT p = test::ScreenPointOf(grid, 20, 4 * kStride + kRowHeight / 2);
    test::ClickAt(p.x, p.y);
    ASSERT_TRUE(test::PumpUntil([&] { return grid->HasSelection(); }));
    EXPECT_EQ(grid->GetSelection().Top, 4);
    EXPECT_TRUE(highlighted(4));
}

TEST_F(GridRows, ScrollingToTheTopLeftShowsTheFirstRowAndColumn) {
    grid->SetScrollBars(TScrollStyle::ssBoth);
    grid->SetColWidths(0, 500);
    Fill(100);
    grid->SetTopRow(50);
    ::SendMessageW(grid->GetHandle(), WM_HSCROLL, SB_RIGHT, 0);
    ASSERT_EQ(grid->GetTopRow(), 50);
    grid->ScrollToTopLeft();
    EXPECT_EQ(grid->GetTopRow(), 1);
    EXPECT_EQ(grid->CellRect(0, 1).left, 0);
}

}  // namespace
