// The result grid's titles: a click on a title (press and release on the
// same one, with real input), and the triangle that shows the sort order.
#include <gtest/gtest.h>

#include <vector>

#include "controls/XStringGrid.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"

namespace {

constexpr int kRowHeight = 16;
constexpr int kStride = kRowHeight + 1;
constexpr int kColWidth = 90;

class GridTitles : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(80, 80, 100, 100);
        form->SetClientWidth(420);
        form->SetClientHeight(220);
        grid = new TXStringGrid(form);
        grid->SetParent(form);
        grid->SetBorderStyle(bsNone);
        grid->SetBounds(0, 0, 400, 200);
        grid->SetColCount(4);
        grid->SetRowCount(5);
        grid->SetFixedCols(0);
        grid->SetDefaultRowHeight(kRowHeight);
        grid->SetOptions({goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goRowSelect});
        grid->SetColor(clWhite);
        grid->SetScrollBars(TScrollStyle::ssNone);
        grid->GetTitleFont()->SetColor(clRed);
        for (int c = 0; c < 4; ++c) {
            grid->SetColWidths(c, kColWidth);
            grid->SetCells(c, 0, "T");
        }
        grid->OnTitleClick = [this](TObject*, int col) { clicks.push_back(col); };
        ASSERT_TRUE(test::ShowActive(form));
    }
    void TearDown() override { delete form; }
    POINT Title(int col) const { return test::ScreenPointOf(grid, col * (kColWidth + 1) + 30, kRowHeight / 2); }
    void Drag(POINT from, POINT to) {
        test::MouseMoveTo(from.x, from.y);
        test::MouseDown();
        test::MouseMoveTo(to.x, to.y);
        test::MouseUp();
    }

    TForm* form = nullptr;
    TXStringGrid* grid = nullptr;
    std::vector<int> clicks;
};

TEST_F(GridTitles, AClickNeedsThePressAndTheReleaseOnTheSameTitle) {
    const POINT first = Title(1), second = Title(2);
    test::ClickAt(first.x, first.y);
    ASSERT_EQ(clicks.size(), 1u);
    // Two quick clicks are two clicks, though the system calls the second a double click.
    test::DoubleClickAt(second.x, second.y);
    ASSERT_EQ(clicks.size(), 3u);
    Drag(first, second);
    Drag(test::ScreenPointOf(grid, 30, 2 * kStride + 4), first);
    Drag(first, test::ScreenPointOf(grid, 30, 2 * kStride + 4));
    EXPECT_EQ(clicks, (std::vector<int>{1, 2, 2}));
}

TEST_F(GridTitles, WithoutAFixedRowTheFirstRowHasNoTitles) {
    grid->SetFixedRows(0);
    const POINT first = Title(1);
    test::ClickAt(first.x, first.y);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(GridTitles, TheSortedColumnShowsATrianglePointingItsWay) {
    test::Canvas32 pic(400, 200, RGB(1, 2, 3));
    auto paint = [&] {
        pic.Fill(RGB(1, 2, 3));
        for (int i = 0; i < 2; ++i)  // a widened column is laid out, then painted again
            ::SendMessageW(grid->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    };
    // Rows of red pixels in the title row of a column, top to bottom.
    auto redRows = [&](int col) {
        std::vector<int> widths;
        const int left = grid->CellRect(col, 0).left, right = grid->CellRect(col, 0).right;
        for (int y = 0; y < kRowHeight; ++y) {
            int n = 0;
            for (int x = left + 12; x < right; ++x) n += pic.At(x, y) == RGB(255, 0, 0);
            if (n) widths.push_back(n);
        }
        return widths;
    };
    paint();
    EXPECT_TRUE(redRows(1).empty());

    grid->SetSortMark(1, TSortMark::smAscending);
    paint();
    std::vector<int> up = redRows(1);
    ASSERT_GE(up.size(), 3u);
    EXPECT_LT(up.front(), up.back()) << "narrow at the top";
    EXPECT_TRUE(redRows(2).empty());

    grid->SetSortMark(1, TSortMark::smDescending);
    paint();
    std::vector<int> down = redRows(1);
    ASSERT_GE(down.size(), 3u);
    EXPECT_GT(down.front(), down.back()) << "wide at the top";

    // A title too narrow for its text and the triangle widens.
    grid->SetColWidths(3, 10);
    grid->SetSortMark(3, TSortMark::smAscending);
    paint();
    EXPECT_GE(grid->GetColWidths(3), 10 + 6 + 7);
    EXPECT_TRUE(redRows(1).empty());
    grid->SetSortMark(3, TSortMark::smNone);
    EXPECT_EQ(grid->GetSortColumn(), -1);

    // A new mark asks for the title row to be painted again.
    ::UpdateWindow(grid->GetHandle());
    grid->SetSortMark(2, TSortMark::smDescending);
    RECT update{};
    ASSERT_TRUE(::GetUpdateRect(grid->GetHandle(), &update, FALSE));
    EXPECT_EQ(update.top, 0);
    EXPECT_GE(update.bottom, kRowHeight);
}

}  // namespace
