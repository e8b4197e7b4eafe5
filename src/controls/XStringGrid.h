// The result grid: a string grid whose title row has a font of its own. Its
// columns fit their texts in one of two ways: a column that widens, while it
// is painted, until the widest text drawn in it fits with 10 pixels to spare
// (taking the room from the stretch column, when the grid has one), or one
// that keeps its width and shortens a text too long for it in its middle
// (a path keeps its last folder, a file name its extension); the whole text
// of a shortened cell shows in a tip over it. A click on a column's title (a
// press and a release on the same title) is reported, and a title can show
// a small triangle after its text that tells how the rows are sorted. A row
// may be drawn in bold or on a background of its own (OnRowStyle).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/Handles.h"
#include "ui/StringGrid.h"

enum TSearchElements { soCaseSensitive, soPartialMatch };
using TSearchOptions = TSet<TSearchElements>;
using TTitleClickEvent = std::function<void(TObject* Sender, int ACol)>;
// How a row that is not a title is drawn: its text in bold or not, and on
// the grid's colour (clNone) or another one while it is not selected.
struct TRowStyle {
    bool bold = false;
    TColor background = clNone;
};
using TRowStyleEvent = std::function<TRowStyle(int row)>;
enum class TSortMark { smNone, smAscending, smDescending };
// How a column fits its texts: it widens for them, or it shortens paths in
// their middle, or file names before their extension.
enum TColumnFit { cfWiden, cfShortenPath, cfShortenName };

// A text shortened to fit `width` pixels: unchanged when it fits; otherwise
// as much of its start as fits, "…", and its end from `keepFrom` on; when
// even that end does not fit, "…" and as much of the end as fits. `ends`
// holds the width of the text up to the end of each UTF-16 unit, and a
// surrogate pair is never cut.
std::wstring ShortenToFit(const std::wstring& text, std::size_t keepFrom, const std::vector<int>& ends,
                          int ellipsisWidth, int width);
// Where the end kept of a path starts: its last name (a folder's with its
// backslashes), from the backslash before it.
std::size_t PathTailStart(const std::wstring& path);
// ... and of a file name: its extension, from its dot (none: nothing kept).
std::size_t NameTailStart(const std::wstring& name);

class TXStringGrid : public TStringGrid {
public:
    explicit TXStringGrid(TComponent* owner);
    ~TXStringGrid() override;

    // Held only: nothing in the grid reads it.
    TSearchOptions GetSearchOptions() const { return searchOptions_; }
    void SetSearchOptions(TSearchOptions options) { searchOptions_ = options; }
    // The font of row 0. Changing it does not repaint the grid by itself.
    TFont* GetTitleFont() const { return titleFont_.get(); }
    // Copies a font's properties into the title font (the object stays).
    void SetTitleFont(const TFont* font) { titleFont_->Assign(font); }

    // cfWiden for every column unless set.
    TColumnFit GetColumnFit(int col) const;
    void SetColumnFit(int col, TColumnFit fit);
    // What a cell shows in its column's width now (the title row is never
    // shortened).
    std::string ShownText(int col, int row);
    // The window of the tips over shortened cells.
    HWND GetTipWindow() const { return tip_.get(); }

    // The triangle after a title: pointing up for an ascending order, down
    // for a descending one; at most one column shows it.
    void SetSortMark(int col, TSortMark mark);
    int GetSortColumn() const { return sortColumn_; }
    TSortMark GetSortMark() const { return sortMark_; }

    TTitleClickEvent OnTitleClick;
    // Asked for each row painted below the titles; none: every row plain.
    TRowStyleEvent OnRowStyle;

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    void DrawCell(int col, int row, TRect rect, TGridDrawState state) override;
    std::string DisplayText(int col, int row) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseLeave() override;

private:
    int TitleAt(int x, int y) const;
    // The tip follows the cell under the mouse: shown for a shortened one.
    void TipFor(int col, int row);
    int sortColumn_ = -1;
    TSortMark sortMark_ = TSortMark::smNone;
    int pressedTitle_ = -1;
    TSearchOptions searchOptions_;
    std::vector<TColumnFit> fits_;
    ui::WindowHandle tip_;
    int tipCol_ = -1, tipRow_ = -1;
    // No override of the base runs while the base is being set up, so the
    // font, made right after it, is there before any cell is drawn.
    std::unique_ptr<TFont> titleFont_;
};
