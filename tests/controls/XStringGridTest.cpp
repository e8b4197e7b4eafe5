// The result grid's own rules: columns that widen while they are painted,
// measured in the grid's font, and a title row in a font of its own.
#include <gtest/gtest.h>

#include <string>

#include "controls/XStringGrid.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"

namespace {

constexpr int kRowHeight = 16;
constexpr int kStride = kRowHeight + 1;

class XStringGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(70, 70, 100, 100);
        form->SetClientWidth(420);
        form->SetClientHeight(220);
        // As the main window makes its result grid.
        grid = new TXStringGrid(form);
        grid->SetParent(form);
        grid->SetBorderStyle(bsNone);
        grid->SetBounds(0, 0, 400, 200);
        grid->SetColCount(4);
        grid->SetRowCount(2);
        grid->SetFixedCols(0);
        grid->SetDefaultRowHeight(kRowHeight);
        grid->SetOptions({goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goRowSelect});
        grid->SetColor(clWhite);
        grid->SetScrollBars(TScrollStyle::ssNone);
        grid->GetFont()->SetColor(clBlue);
        grid->GetTitleFont()->SetStyle({fsBold});
        grid->GetTitleFont()->SetColor(clRed);
        for (int c = 0; c < 4; ++c) grid->SetColWidths(c, 40);
        ASSERT_TRUE(test::ShowActive(form));
    }
    void TearDown() override { delete form; }

    // Paints as WM_PAINT would, twice: a widened column is laid out anew and
    // repainted, as the grid's own invalidation asks.
    void Paint() {
        for (int i = 0; i < 2; ++i)
            ::SendMessageW(grid->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    }
    int TextWidth(const TFont* font, const std::string& text) {
        TCanvas canvas;
        test::Canvas32 scratch(1, 1);
        canvas.SetHandle(scratch.dc());
        canvas.SetFont(font);
        const int w = canvas.TextWidth(text);
        canvas.SetHandle(nullptr);
        return w;
    }
    // Pixels of a colour in a band of the picture.
    int Ink(int left, int top, int right, int bottom, COLORREF colour) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += pic.At(x, y) == colour;
        return n;
    }
    void AddRows(int count, const std::string& text) {
        for (int i = 0; i < count; ++i) {
            const int last = grid->GetRowCount() - 1;
            grid->SetCells(0, last, text);
            grid->SetRowCount(last + 2);
        }
    }

    TForm* form = nullptr;
    TXStringGrid* grid = nullptr;
    test::Canvas32 pic{400, 200};
};

TEST_F(XStringGridTest, ColumnsWidenToTheWidestPaintedTextPlusTenAndNeverShrink) {
    const std::string path = "C:\\Archivos de programa\\Sweepfield\\";
    grid->SetCells(1, 1, path);
    grid->SetCells(0, 1, "a.txt");
    Paint();
    EXPECT_EQ(grid->GetColWidths(1), TextWidth(grid->GetFont(), path) + 10);
    EXPECT_EQ(grid->GetColWidths(0), 40);  // fits already
    // The next column moved right with it, in the same pass.
    EXPECT_EQ(grid->CellRect(2, 1).left, 41 + grid->GetColWidths(1) + 1);

    // A shorter text later, or none, leaves the width; a wider start width is a floor.
    const int wide = grid->GetColWidths(1);
    grid->SetCells(1, 1, "C:\\");
    Paint();
    EXPECT_EQ(grid->GetColWidths(1), wide);
    grid->SetCells(1, 1, "");
    grid->SetColWidths(0, 120);
    Paint();
    EXPECT_EQ(grid->GetColWidths(0), 120);
    EXPECT_EQ(grid->GetColWidths(1), wide);

    // An empty cell still wants 10 pixels.
    grid->SetColWidths(2, 3);
    Paint();
    EXPECT_EQ(grid->GetColWidths(2), 10);
}

// The pass that widens a column draws the cell at its new width: a cell cut
// at the old width would show until the repaint that the widening asks for.
TEST_F(XStringGridTest, AWidenedCellIsDrawnWholeInThePassThatWidensIt) {
    const std::string path = "C:\\Archivos de programa\\Sweepfield\\";
    grid->SetCells(1, 1, path);
    ::SendMessageW(grid->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    const int oldRight = 41 + 40;
    const int newRight = 41 + grid->GetColWidths(1);
    ASSERT_GT(newRight, oldRight + 20);
    const COLORREF blue = RGB(0, 0, 255);
    EXPECT_GT(Ink(oldRight + 1, kStride, newRight, kStride + kRowHeight, blue), 20);
    int last = -1;
    for (int x = oldRight; x < newRight; ++x)
        if (Ink(x, kStride, x + 1, kStride + kRowHeight, blue)) last = x;
    EXPECT_GT(last, (oldRight + newRight) / 2);
}

TEST_F(XStringGridTest, RowsOutOfViewWidenNothingUntilTheyAreShown) {
    AddRows(100, "x");
    const std::string longName = "un nombre de fichero bastante largo.txt";
    grid->SetCells(0, 80, longName);
    Paint();
    EXPECT_EQ(grid->GetColWidths(0), 40);
    grid->SetTopRow(75);
    Paint();
    EXPECT_EQ(grid->GetColWidths(0), TextWidth(grid->GetFont(), longName) + 10);
}

TEST_F(XStringGridTest, TheTitleRowIsDrawnInTheTitleFontButMeasuredInTheGridsFont) {
    const std::string title = "Modificado el dia de la ultima escritura";
    grid->SetRowCount(4);
    grid->SetCells(3, 0, title);
    grid->SetCells(3, 2, title);
    Paint();
    // The column fits the plain text; the bold title is wider and is cut at
    // the column's edge.
    const int plain = TextWidth(grid->GetFont(), title);
    ASSERT_GT(TextWidth(grid->GetTitleFont(), title), plain + 10);
    EXPECT_EQ(grid->GetColWidths(3), plain + 10);
    const TRect cell = grid->CellRect(3, 0);
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    EXPECT_GT(Ink(cell.left, 0, cell.right, kRowHeight, red), 0);
    EXPECT_EQ(Ink(cell.left, 0, cell.right, kRowHeight, blue), 0);
    EXPECT_EQ(Ink(cell.right, 0, 400, kStride, red), 0);
    // Bold ink: more of it than the same text in the grid's font.
    EXPECT_GT(Ink(cell.left, 0, cell.left + plain / 2, kRowHeight, red),
              Ink(cell.left, 2 * kStride, cell.left + plain / 2, 2 * kStride + kRowHeight, blue));

    // The title font has no say over repainting: changing it shows at the next paint.
    ::UpdateWindow(grid->GetHandle());
    grid->GetTitleFont()->SetColor(clGreen);
    RECT update;
    EXPECT_FALSE(::GetUpdateRect(grid->GetHandle(), &update, FALSE));
}

TEST_F(XStringGridTest, ASelectedRowKeepsTheFontsColourOnTheHighlight) {
    AddRows(3, "seleccionado.txt");
    grid->SetCells(0, 0, "Fichero");
    grid->SetRow(2);
    grid->SetSearchOptions({soCaseSensitive, soPartialMatch});  // held only: nothing to see
    Paint();
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF highlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    const COLORREF blue = RGB(0, 0, 255);
    const int top = 2 * kStride;
    EXPECT_EQ(pic.At(grid->GetColWidths(0) - 2, top + 1), highlight);
    EXPECT_GT(Ink(0, top, 100, top + kRowHeight, blue), 0);
    EXPECT_EQ(Ink(0, top, 100, top + kRowHeight, highlightText), 0);
    // The other rows: the same colour on the grid's own.
    EXPECT_GT(Ink(0, kStride, 100, kStride + kRowHeight, blue), 0);
    EXPECT_EQ(pic.At(grid->GetColWidths(0) - 2, kStride + 1), RGB(255, 255, 255));
    EXPECT_EQ(grid->GetSearchOptions(), (TSearchOptions{soCaseSensitive, soPartialMatch}));
}

}  // namespace

// A text too long for its width keeps its start and its end from `keepFrom`
// on, with "…" between; measured here at one pixel a unit and the ellipsis.
TEST(ShortenToFit, KeepsTheStartAndTheChosenEnd) {
    auto shorten = [](const std::wstring& text, std::size_t keep, int width) {
        std::vector<int> ends;
        for (std::size_t i = 1; i <= text.size(); ++i) ends.push_back(static_cast<int>(i));
        return ShortenToFit(text, keep, ends, 1, width);
    };
    const std::wstring path = L"C:\\uno\\dos\\tres\\";
    EXPECT_EQ(PathTailStart(path), 10u);  // "\tres\"
    EXPECT_EQ(PathTailStart(L"C:\\"), 0u);
    EXPECT_EQ(NameTailStart(L"informe.final.doc"), 13u);
    EXPECT_EQ(NameTailStart(L".profile"), 8u);  // a leading dot is no extension
    const struct {
        std::wstring text;
        std::size_t keep;
        int width;
        std::wstring shown;
    } cases[] = {
        {path, 10, 16, path},                        // fits
        {path, 10, 14, L"C:\\uno\\\u2026\\tres\\"},  // the last folder whole
        {path, 10, 8, L"C\u2026\\tres\\"},
        {path, 10, 7, L"\u2026\\tres\\"},
        {path, 10, 6, L"\u2026tres\\"},
        {path, 10, 4, L"\u2026es\\"},                // not even that: its end
        {L"informe.final.doc", 13, 10, L"infor\u2026.doc"},
        {L"abcdefgh", 8, 5, L"abcd\u2026"},          // nothing kept: the end goes
        {L"ab\U0001F600cd", 6, 4, L"ab\u2026"},      // a surrogate pair is never cut
    };
    for (const auto& c : cases) EXPECT_EQ(shorten(c.text, c.keep, c.width), c.shown) << c.width;
}

// The stretch column takes what the grid's width gains or loses, and what a
// widening column needs; a shortening column keeps its width and shows its
// text shortened.
TEST_F(XStringGridTest, TheStretchColumnGivesAndTakesAndPathsAreShortened) {
    grid->SetStretchCol(1);
    grid->SetColumnFit(1, cfShortenPath);
    grid->SetColWidths(1, 200);
    const std::string path = "C:\\Archivos de programa\\Sweepfield\\Ejemplos antiguos\\de 2019\\Ejemplos\\";
    grid->SetCells(1, 1, path);
    grid->SetCells(2, 1, "una cosa bastante larga");
    Paint();
    const int grown = grid->GetColWidths(2) - 40;
    EXPECT_GT(grown, 0);
    EXPECT_EQ(grid->GetColWidths(1), 200 - grown);
    const std::string shown = grid->ShownText(1, 1);
    EXPECT_EQ(shown.substr(0, 3), "C:\\");
    EXPECT_EQ(shown.substr(shown.size() - 13), "\xE2\x80\xA6\\Ejemplos\\");
    EXPECT_LE(TextWidth(grid->GetFont(), shown), grid->GetColWidths(1) - 4);

    grid->SetWidth(grid->GetWidth() + 50);
    EXPECT_EQ(grid->GetColWidths(1), 200 - grown + 50);
    grid->SetWidth(grid->GetWidth() - 300);  // never below a readable width
    EXPECT_EQ(grid->GetColWidths(1), TStringGrid::MinStretchWidth);
}

// With goColSizing a title's right border dragged with the mouse sizes its
// column, and the press on it sorts nothing.
TEST_F(XStringGridTest, ATitlesBorderDraggedSizesTheColumnWithoutAClick) {
    grid->SetOptions(grid->GetOptions() + TGridOptions{goColSizing});
    int clicks = 0;
    grid->OnTitleClick = [&](TObject*, int) { ++clicks; };
    const POINT border = test::ScreenPointOf(grid, 40, kRowHeight / 2);  // column 0's right edge
    test::MouseMoveTo(border.x, border.y);
    test::MouseDown();
    test::MouseMoveTo(border.x + 25, border.y);
    test::MouseUp();
    EXPECT_EQ(grid->GetColWidths(0), 65);
    EXPECT_EQ(clicks, 0);
    // A click in the middle of a title still is one.
    test::ClickOn(grid);  // the grid's middle is a cell, not a title
    const POINT title = test::ScreenPointOf(grid, 20, kRowHeight / 2);
    test::ClickAt(title.x, title.y);
    EXPECT_EQ(clicks, 1);
}

// The row style hook: a bold row is measured bold, and its text takes more
// ink than the same text plain; its background fills the row while it is
// not selected, and the highlight wins over it while it is.
TEST_F(XStringGridTest, BoldAndBackgroundApplyToTheRowsTheHookNames) {
    const TColor shade = RGB(0xE0, 0xF0, 0xFF);
    grid->OnRowStyle = [shade](int row) { return row == 2 ? TRowStyle{} : TRowStyle{row == 1, shade}; };
    grid->SetRowCount(4);
    for (int row = 1; row <= 3; ++row) grid->SetCells(0, row, "Mmmm Wwww");
    grid->SetSelection(TGridRect{0, 3, 3, 3});
    Paint();
    TFont bold;
    bold.Assign(grid->GetFont());
    bold.SetStyle({fsBold});
    EXPECT_EQ(grid->GetColWidths(0), TextWidth(&bold, "Mmmm Wwww") + 10);
    const int w = grid->GetColWidths(0);
    auto ink = [&](int row, COLORREF colour) { return Ink(0, row * kStride, w, row * kStride + kRowHeight, colour); };
    const COLORREF blue = RGB(0, 0, 255), light = ColorToPlainRGB(shade);
    EXPECT_GT(ink(1, blue), ink(2, blue) * 5 / 4);
    EXPECT_GT(ink(1, light), w * kRowHeight / 2);
    EXPECT_EQ(ink(2, light), 0);
    EXPECT_EQ(ink(3, light), 0);  // selected: the highlight
}
