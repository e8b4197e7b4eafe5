// The string grid driven as a user drives it: clicks, drags, Shift-clicks,
// double clicks and keys through the system's input queue; its rows,
// selection and painting checked as the windows of the program rely on them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/StringGrid.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Handles.h"

namespace {

constexpr int kRowHeight = 16;
constexpr int kStride = kRowHeight + 1;  // a row and its line

class GridForm : public TForm {
public:
    explicit GridForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetLeft(60);
        SetTop(60);
        SetClientWidth(360);
        SetClientHeight(260);
    }
};

// The result grid's settings: one fixed header row, whole-row range selection.
class StringGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new GridForm(Application);
        grid = new TStringGrid(form);
        grid->SetParent(form);
        grid->SetBounds(10, 10, 300, 200);
        grid->SetBorderStyle(bsNone);
        grid->SetColCount(4);
        grid->SetFixedCols(0);
        grid->SetDefaultRowHeight(kRowHeight);
        grid->SetOptions({goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goRowSelect});
        grid->SetColor(clWhite);
        grid->GetFont()->SetColor(clBlack);
        Fill(20);
        ASSERT_TRUE(test::ShowActive(form));
    }
    void TearDown() override { delete form; }

    // Rows "r1".."rN" under a header row.
    void Fill(int rows) {
        grid->SetRowCount(rows + 1);
        for (int c = 0; c < 4; ++c) grid->SetCells(c, 0, "Head" + std::to_string(c));
        for (int r = 1; r <= rows; ++r) grid->SetCells(0, r, "r" + std::to_string(r));
    }
    // The screen point in the middle of a row's first cell, by row number in view.
    POINT RowPoint(int row) const {
        return test::ScreenPointOf(grid, 20, (row - grid->GetTopRow() + 1) * kStride + kRowHeight / 2);
    }
    void ClickRow(int row) {
        POINT p = RowPoint(row);
        test::ClickAt(p.x, p.y);
    }
    void ShiftClickRow(int row) {
        POINT p = RowPoint(row);
        test::ShiftClickAt(p.x, p.y);
    }
    std::pair<int, int> SelectedRows() const {
        TGridRect s = grid->GetSelection();
        return {s.Top, s.Bottom};
    }
    std::vector<std::string> Column0() const {
        std::vector<std::string> texts;
        for (int r = 0; r < grid->GetRowCount(); ++r) texts.push_back(grid->GetCells(0, r));
        return texts;
    }

    GridForm* form = nullptr;
    TStringGrid* grid = nullptr;
};

TEST_F(StringGridTest, TheRowCountNeverFallsBelowTheFixedRowsAndOneMore) {
    grid->SetRowCount(0);
    EXPECT_EQ(grid->GetRowCount(), 2);
    grid->SetRowCount(-7);
    EXPECT_EQ(grid->GetRowCount(), 2);

    // No fixed rows, as the pattern list: the first row is in view and
    // current, and there is at least one row.
    grid->SetRowCount(5);
    grid->SetRow(3);
    grid->SetFixedRows(0);
    EXPECT_EQ(grid->GetTopRow(), 0);
    EXPECT_EQ(grid->GetRow(), 0);
    grid->SetRowCount(0);
    EXPECT_EQ(grid->GetRowCount(), 1);
    EXPECT_EQ(grid->GetRow(), 0);

    // More fixed rows than rows: rows are added, one stays free.
    grid->SetFixedRows(3);
    EXPECT_EQ(grid->GetRowCount(), 4);
    EXPECT_EQ(grid->GetRow(), 3);

    // Rows cut off and grown again come back blank.
    grid->SetFixedRows(1);
    Fill(5);
    grid->SetRowCount(2);
    grid->SetRowCount(6);
    EXPECT_EQ(grid->GetCells(0, 1), "r1");
    EXPECT_EQ(grid->GetCells(0, 2), "");
    EXPECT_EQ(grid->GetCells(0, 5), "");

    // Reading outside the grid is harmless; writing there is an error.
    EXPECT_EQ(grid->GetCells(9, 1), "");
    EXPECT_EQ(grid->GetCells(0, 99), "");
    EXPECT_THROW(grid->SetCells(0, 6, "x"), EInvalidOperation);
    EXPECT_THROW(grid->SetCells(4, 1, "x"), EInvalidOperation);
}

TEST_F(StringGridTest, ClickDragAndShiftClickSelectABlockOfRows) {
    ClickRow(3);
    EXPECT_TRUE(grid->Focused());  // a click takes the keyboard focus
    EXPECT_EQ(grid->GetRow(), 3);
    EXPECT_EQ(SelectedRows(), std::make_pair(3, 3));
    EXPECT_EQ(grid->GetSelection().Left, 0);  // whole rows
    EXPECT_EQ(grid->GetSelection().Right, 3);

    ShiftClickRow(6);
    EXPECT_EQ(SelectedRows(), std::make_pair(3, 6));
    EXPECT_EQ(grid->GetRow(), 6);
    ShiftClickRow(1);  // the anchor stays at 3
    EXPECT_EQ(SelectedRows(), std::make_pair(1, 3));
    EXPECT_EQ(grid->GetRow(), 1);

    // A drag from row 2 to row 5, and back up to row 4 before letting go.
    POINT from = RowPoint(2), to = RowPoint(5), back = RowPoint(4);
    test::MouseMoveTo(from.x, from.y);
    test::MouseDown();
    test::MouseMoveTo(to.x, to.y);
    EXPECT_EQ(SelectedRows(), std::make_pair(2, 5));
    test::MouseMoveTo(back.x, back.y);
    test::MouseUp();
    EXPECT_EQ(SelectedRows(), std::make_pair(2, 4));
    EXPECT_EQ(grid->GetRow(), 4);

    // The header and the empty space below the last row select nothing.
    POINT header = test::ScreenPointOf(grid, 20, 5);
    test::ClickAt(header.x, header.y);
    grid->SetRowCount(6);
    POINT below = test::ScreenPointOf(grid, 20, 8 * kStride);
    test::ClickAt(below.x, below.y);
    EXPECT_EQ(SelectedRows(), std::make_pair(2, 4));

    // Without range selection a drag or Shift-click only moves the current row.
    grid->SetOptions({goRowSelect});
    ShiftClickRow(5);
    EXPECT_EQ(SelectedRows(), std::make_pair(5, 5));
}

TEST_F(StringGridTest, DraggingPastTheBottomScrollsAndGoesOnSelecting) {
    Fill(200);
    POINT from = RowPoint(3);
    test::MouseMoveTo(from.x, from.y);
    test::MouseDown();
    RECT r;
    ::GetWindowRect(grid->GetHandle(), &r);
    test::MouseMoveTo(from.x, r.bottom + 20);
    EXPECT_TRUE(test::PumpUntil([&] { return grid->GetTopRow() > 10; }));
    test::MouseUp();
    const int row = grid->GetRow();
    EXPECT_GE(row, grid->GetTopRow() + grid->GetVisibleRowCount() - 1);
    EXPECT_EQ(SelectedRows(), std::make_pair(3, row));
    test::LetTimersRun(60);  // the scrolling tick's interval: it stops with the button
    EXPECT_EQ(grid->GetRow(), row);
}

TEST_F(StringGridTest, ADoubleClickActsOnTheCurrentRowWhereverItFalls) {
    std::vector<int> rowsAtDoubleClick;
    grid->OnDblClick = [&](TObject* sender) {
        EXPECT_EQ(sender, grid);
        rowsAtDoubleClick.push_back(grid->GetRow());
    };
    const POINT row = RowPoint(4);
    test::DoubleClickAt(row.x, row.y);
    ASSERT_EQ(rowsAtDoubleClick, std::vector<int>{4});

    // Below the last row the event still comes, for the row that is current.
    grid->SetRowCount(6);
    POINT below = test::ScreenPointOf(grid, 20, 9 * kStride);
    test::DoubleClickAt(below.x, below.y);
    EXPECT_EQ(rowsAtDoubleClick, (std::vector<int>{4, 4}));
}

TEST_F(StringGridTest, KeysMoveTheCurrentRowAndShiftExtendsTheSelection) {
    Fill(100);
    ClickRow(2);
    test::PressKey(VK_DOWN);
    test::PressKey(VK_DOWN);
    EXPECT_EQ(grid->GetRow(), 4);
    EXPECT_EQ(SelectedRows(), std::make_pair(4, 4));
    test::PressKey(VK_DOWN, true);
    test::PressKey(VK_DOWN, true);
    EXPECT_EQ(SelectedRows(), std::make_pair(4, 6));
    test::PressKey(VK_UP, true);
    EXPECT_EQ(SelectedRows(), std::make_pair(4, 5));
    test::PressKey(VK_UP);
    EXPECT_EQ(SelectedRows(), std::make_pair(4, 4));

    // A page is the rows in view, and the view follows the current row.
    const int page = grid->GetVisibleRowCount();
    ASSERT_GT(page, 5);
    test::PressKey(VK_NEXT);
    EXPECT_EQ(grid->GetRow(), 4 + page);
    EXPECT_LE(grid->GetTopRow(), grid->GetRow());
    EXPECT_GT(grid->GetTopRow() + page, grid->GetRow());
    test::PressKey(VK_END);
    EXPECT_EQ(grid->GetRow(), 100);
    EXPECT_EQ(grid->GetTopRow(), 101 - page);
    test::PressKey(VK_PRIOR, true);
    EXPECT_EQ(SelectedRows(), std::make_pair(100 - page, 100));
    test::PressKey(VK_HOME);
    EXPECT_EQ(grid->GetRow(), 1);  // the header is never current
    EXPECT_EQ(grid->GetTopRow(), 1);
    test::PressKey(VK_UP);
    EXPECT_EQ(grid->GetRow(), 1);
}

TEST_F(StringGridTest, RemovingABlockKeepsTheOtherRowsInOrderAndTheSelectionValid) {
    Fill(10);
    grid->SetSelection(TGridRect{0, 4, 3, 6});
    EXPECT_EQ(grid->GetRow(), 6);
    grid->DeleteRows(3, 3);  // r3, r4, r5
    EXPECT_EQ(Column0(), (std::vector<std::string>{"Head0", "r1", "r2", "r6", "r7", "r8", "r9", "r10"}));
    // The selection began inside the block: it now starts on the row after it.
    EXPECT_EQ(SelectedRows(), std::make_pair(3, 3));
    EXPECT_EQ(grid->GetRow(), 3);

    // A current row below the block moves up with its row.
    grid->SetRow(6);  // r9
    grid->DeleteRows(1, 2);
    EXPECT_EQ(grid->GetCells(0, grid->GetRow()), "r9");

    // More than there is stops at the end; the current row stays on a row.
    grid->DeleteRows(4, 50);
    EXPECT_EQ(Column0(), (std::vector<std::string>{"Head0", "r6", "r7", "r8"}));
    EXPECT_EQ(grid->GetRow(), 3);

    // Nothing is left but the header and one blank row.
    grid->DeleteRows(1, 3);
    EXPECT_EQ(Column0(), (std::vector<std::string>{"Head0", ""}));
    EXPECT_EQ(grid->GetRow(), 1);

    // With no fixed rows the last row removed leaves the blank one.
    grid->SetFixedRows(0);
    grid->SetCells(0, 0, "*.txt");
    grid->SetRowCount(1);
    grid->DeleteRow(0);
    EXPECT_EQ(Column0(), std::vector<std::string>{""});

    // Inserting moves the later rows and the current row down.
    grid->SetRowCount(3);
    grid->SetCells(0, 0, "a");
    grid->SetCells(0, 1, "b");
    grid->SetRow(1);
    grid->InsertRow(1);
    EXPECT_EQ(Column0(), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(grid->GetRow(), 2);
}

TEST_F(StringGridTest, OnlyTheRowsInViewArePainted) {
    const int rows = 100000;
    grid->SetRowCount(rows + 1);
    grid->SetCells(0, rows, "last");
    std::vector<int> drawnRows;
    grid->OnDrawCell = [&](TObject*, int, int row, TRect, TGridDrawState) { drawnRows.push_back(row); };
    test::Canvas32 pic(300, 200);
    auto paint = [&] {
        drawnRows.clear();
        ::SendMessageW(grid->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    };
    const int inView = (200 + kStride - 1) / kStride;  // the last one cut

    paint();
    ASSERT_FALSE(drawnRows.empty());
    EXPECT_EQ(drawnRows.front(), 0);
    EXPECT_EQ(drawnRows.back(), inView - 1);
    EXPECT_EQ(drawnRows.size(), static_cast<std::size_t>(inView * 4));

    grid->SetTopRow(50000);
    paint();
    EXPECT_EQ(drawnRows[0], 0);  // the header stays
    EXPECT_EQ(drawnRows[4], 50000);
    EXPECT_EQ(drawnRows.back(), 50000 + inView - 2);
    EXPECT_EQ(drawnRows.size(), static_cast<std::size_t>(inView * 4));

    // At the end the last row sits at the bottom, whole.
    grid->SetTopRow(rows + 100);
    EXPECT_EQ(grid->GetTopRow(), rows + 1 - grid->GetVisibleRowCount());
    paint();
    EXPECT_EQ(drawnRows.back(), rows);
}

// A text of another script is measured and painted as its wide text is,
// not as the "?"s of a conversion to the ANSI code page.
TEST_F(StringGridTest, ACellOfAnyScriptIsMeasuredAndPaintedWhole) {
    const std::string text = "дир ā.tmp";
    const std::wstring wide = base::Wide(text);
    grid->SetCells(1, 3, text);
    test::Canvas32 painted(300, 200, RGB(255, 255, 255)), expected(300, 200, RGB(255, 255, 255));
    ::SendMessageW(grid->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(painted.dc()), PRF_CLIENT);
    const TRect cell = grid->CellRect(1, 3);
    auto write = [&](const std::wstring& what) {
        expected.Fill(RGB(255, 255, 255));
        ui::SelectGuard font(expected.dc(), grid->GetFont()->GetHandle());
        ::SetTextColor(expected.dc(), RGB(0, 0, 0));
        ::SetBkColor(expected.dc(), RGB(255, 255, 255));
        ::ExtTextOutW(expected.dc(), cell.left + 2, cell.top + 2, ETO_CLIPPED | ETO_OPAQUE, &cell, what.data(),
                      static_cast<UINT>(what.size()), nullptr);
    };
    auto same = [&] {
        int ink = 0;
        for (int y = cell.top; y < cell.bottom; ++y)
            for (int x = cell.left; x < cell.right; ++x) {
                if (painted.At(x, y) != expected.At(x, y)) return false;
                ink += painted.At(x, y) != RGB(255, 255, 255);
            }
        return ink > 0;
    };
    write(wide);
    EXPECT_TRUE(same());
    write(L"??? ?.tmp");
    EXPECT_FALSE(same());

    SIZE size{};
    {
        ui::SelectGuard font(expected.dc(), grid->GetFont()->GetHandle());
        ::GetTextExtentPoint32W(expected.dc(), wide.data(), static_cast<int>(wide.size()), &size);
    }
    EXPECT_EQ(grid->GetCanvas()->TextWidth(text), size.cx);
}

// Rows in view and their colours: the header as a button, the selected row
// in the highlight colour, lines between the cells.
TEST_F(StringGridTest, PaintsHeaderSelectionAndLines) {
    grid->SetColWidths(0, 80);
    grid->SetRow(2);
    test::Canvas32 pic(300, 200);
    ::SendMessageW(grid->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);

    const COLORREF face = ::GetSysColor(COLOR_BTNFACE), highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    // Header: button face, raised (light top edge, shadow bottom edge), no
    // vertical line, a dark line below.
    EXPECT_EQ(pic.At(60, 8), face);
    EXPECT_EQ(pic.At(60, 0), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(60, kRowHeight - 1), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(80, 8), face);
    EXPECT_EQ(pic.At(60, kRowHeight), ::GetSysColor(COLOR_3DDKSHADOW));
    // Row 1: white cells with silver lines right of and below them.
    EXPECT_EQ(pic.At(60, kStride + 8), RGB(255, 255, 255));
    EXPECT_EQ(pic.At(80, kStride + 8), RGB(192, 192, 192));
    EXPECT_EQ(pic.At(60, 2 * kStride - 1), RGB(192, 192, 192));
    // Row 2 is selected from the first to the last column.
    EXPECT_EQ(pic.At(60, 2 * kStride + 8), highlight);
    EXPECT_EQ(pic.At(250, 2 * kStride + 8), highlight);
    // Right of the last column and below the last row: the grid's colour.
    EXPECT_EQ(pic.At(280, 2 * kStride + 8), RGB(255, 255, 255));
    grid->SetRowCount(4);
    // Painting again makes no GDI object it does not give back.
    const long handles = base::LiveHandleCount();
    ::SendMessageW(grid->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    grid->Repaint();
    EXPECT_EQ(base::LiveHandleCount(), handles);
    EXPECT_EQ(pic.At(60, 4 * kStride + 8), RGB(255, 255, 255));

    // The selected row's text in the highlight-text colour, others in Font's.
    auto hasColour = [&](int top, COLORREF colour) {
        for (int y = top; y < top + kRowHeight; ++y)
            for (int x = 0; x < 40; ++x)
                if (pic.At(x, y) == colour) return true;
        return false;
    };
    EXPECT_TRUE(hasColour(2 * kStride, ::GetSysColor(COLOR_HIGHLIGHTTEXT)));
    EXPECT_TRUE(hasColour(kStride, RGB(0, 0, 0)));
    EXPECT_FALSE(hasColour(2 * kStride, RGB(0, 0, 0)));
}

TEST_F(StringGridTest, FixedColumnsStayWhileTheOthersScrollSideways) {
    // A cell grid with a fixed first column, wider than the window.
    grid->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine});
    grid->SetFixedCols(1);
    grid->SetColWidths(2, 200);
    grid->SetColWidths(3, 200);
    HWND wnd = grid->GetHandle();
    // The scroll bars take their room a moment after a change.
    ASSERT_TRUE(test::PumpUntil([wnd] {
        return (::GetWindowLongW(wnd, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) == (WS_HSCROLL | WS_VSCROLL);
    }));
    ::SendMessageW(wnd, WM_HSCROLL, SB_LINERIGHT, 0);
    ::SendMessageW(wnd, WM_HSCROLL, SB_LINERIGHT, 0);
    // Column 1 slid 32 pixels, half under the fixed column.
    EXPECT_EQ(grid->CellRect(1, 1).left, 65 - 32);
    test::Canvas32 pic(300, 200);
    ::SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    EXPECT_EQ(pic.At(40, kStride + 8), ::GetSysColor(COLOR_BTNFACE));  // the fixed column
    EXPECT_EQ(pic.At(70, kStride + 8), RGB(255, 255, 255));           // what shows of column 1
    EXPECT_EQ(pic.At(65 + 32, kStride + 8), RGB(192, 192, 192));      // its right line

    // Moving the current cell to the last column brings it into view.
    grid->SetFocus();
    ASSERT_TRUE(grid->Focused());
    grid->SetCol(1);
    test::PressKey(VK_RIGHT);
    test::PressKey(VK_RIGHT);
    EXPECT_EQ(grid->GetCol(), 3);
    const TRect last = grid->CellRect(3, grid->GetRow());
    RECT client;
    ::GetClientRect(wnd, &client);
    EXPECT_EQ(last.right, client.right);
    test::PressKey(VK_HOME);  // the first free column, and the view goes back
    EXPECT_EQ(grid->GetCol(), 1);
    EXPECT_EQ(grid->CellRect(1, grid->GetRow()).left, 65);
}

TEST_F(StringGridTest, ColumnWidthsLayTheColumnsOutAgain) {
    EXPECT_EQ(grid->CellRect(1, 1), Rect(65, kStride, 129, kStride + kRowHeight));
    grid->SetColWidths(0, 100);
    EXPECT_EQ(grid->CellRect(1, 1), Rect(101, kStride, 165, kStride + kRowHeight));
    int col = -2, row = -2;
    grid->MouseToCell(120, kStride * 3 + 2, col, row);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 3);
    grid->MouseToCell(299, 199, col, row);
    EXPECT_EQ(col, -1);  // right of the last column
    EXPECT_THROW(grid->SetColWidths(4, 10), EInvalidOperation);

    // A new default width applies to every column.
    grid->SetDefaultColWidth(30);
    EXPECT_EQ(grid->GetColWidths(0), 30);
    EXPECT_EQ(grid->CellRect(2, 1).left, 62);
}

// Drags a grid's vertical thumb half the client height down and returns the
// top row seen while the button is still down. The scroll bar tracks the
// thumb in a message loop of its own, so the drag goes on from a timer that
// fires inside that loop.
struct ThumbDragState {
    HWND wnd;
    POINT to;
    int step;
    int topRowWhileDown;
    bool done;
};
ThumbDragState thumbDrag;

void SendMouse(DWORD flags, POINT p = POINT{0, 0}) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = ::MulDiv(p.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = ::MulDiv(p.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    ::SendInput(1, &in, sizeof in);
}

void CALLBACK ThumbDragTick(HWND, UINT, UINT_PTR id, DWORD) {
    switch (thumbDrag.step++) {
        case 0: SendMouse(MOUSEEVENTF_MOVE, thumbDrag.to); break;
        case 1:
            thumbDrag.topRowWhileDown = static_cast<TStringGrid*>(TWinControl::FindControl(thumbDrag.wnd))->GetTopRow();
            SendMouse(MOUSEEVENTF_LEFTUP, thumbDrag.to);
            break;
        default:
            ::KillTimer(nullptr, id);
            thumbDrag.done = true;
    }
}

int ThumbDrag(HWND wnd) {
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof bar;
    EXPECT_TRUE(::GetScrollBarInfo(wnd, OBJID_VSCROLL, &bar));
    RECT client;
    ::GetClientRect(wnd, &client);
    POINT from{(bar.rcScrollBar.left + bar.rcScrollBar.right) / 2,
               bar.rcScrollBar.top + (bar.xyThumbTop + bar.xyThumbBottom) / 2};
    thumbDrag = ThumbDragState{wnd, POINT{from.x, from.y + client.bottom / 2}, 0, -1, false};
    test::MouseMoveTo(from.x, from.y);
    ::SetTimer(nullptr, 0, 150, ThumbDragTick);
    SendMouse(MOUSEEVENTF_LEFTDOWN, from);
    EXPECT_TRUE(test::PumpUntil([] { return thumbDrag.done; }));
    return thumbDrag.topRowWhileDown;
}

TEST_F(StringGridTest, ScrollBarsFollowTheRowsAndTheThumbScrollsWhileDragged) {
    HWND wnd = grid->GetHandle();
    auto hasStyle = [&](DWORD style) { return (::GetWindowLongW(wnd, GWL_STYLE) & style) != 0; };
    // The bars catch up a moment after a change, not at every row.
    Fill(5);
    EXPECT_TRUE(test::PumpUntil([&] { return !hasStyle(WS_VSCROLL); }));
    Fill(1000);
    EXPECT_FALSE(hasStyle(WS_VSCROLL));
    ASSERT_TRUE(test::PumpUntil([&] { return hasStyle(WS_VSCROLL); }));
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(wnd, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 999);
    EXPECT_EQ(static_cast<int>(si.nPage), grid->GetVisibleRowCount());
    EXPECT_FALSE(hasStyle(WS_HSCROLL));

    // Columns wider than the window bring the horizontal bar, unless only
    // the vertical one is wanted.
    grid->SetColWidths(1, 400);
    EXPECT_TRUE(test::PumpUntil([&] { return hasStyle(WS_HSCROLL); }));
    grid->SetScrollBars(TScrollStyle::ssVertical);
    EXPECT_FALSE(hasStyle(WS_HSCROLL));
    EXPECT_TRUE(hasStyle(WS_VSCROLL));

    // Dragging the thumb half way down: with thumb tracking the rows follow
    // before the button is released.
    grid->SetOptions(grid->GetOptions() + TGridOptions{goThumbTracking});
    EXPECT_GT(ThumbDrag(wnd), 300);
    const int afterRelease = grid->GetTopRow();
    EXPECT_GT(afterRelease, 300);

    // Without it they move only when the thumb is let go.
    grid->SetOptions(grid->GetOptions() - TGridOptions{goThumbTracking});
    grid->SetTopRow(1);
    EXPECT_EQ(ThumbDrag(wnd), 1);
    EXPECT_EQ(grid->GetTopRow(), afterRelease);
}

TEST_F(StringGridTest, AGridThatIsNoTabStopIsPassedOverByTab) {
    auto* other = new TStringGrid(form);
    other->SetParent(form);
    other->SetBounds(10, 215, 100, 40);
    auto* third = new TStringGrid(form);
    third->SetParent(form);
    third->SetBounds(120, 215, 100, 40);
    other->SetTabStop(false);
    grid->SetFocus();
    ASSERT_TRUE(grid->Focused());
    test::PressKey(VK_TAB);
    EXPECT_TRUE(third->Focused());
    test::PressKey(VK_TAB);
    EXPECT_TRUE(grid->Focused());
    // A click still gives it the focus.
    POINT p = test::ScreenPointOf(other, 30, 10);
    test::ClickAt(p.x, p.y);
    EXPECT_TRUE(other->Focused());
}

}  // namespace
