// The string grid: rows and columns of text cells in a window of the class
// library's own class, painted by the grid itself.
//
// Rows are all DefaultRowHeight high, so the place of any row is arithmetic
// and a grid of a hundred thousand rows scrolls and paints as fast as one of
// ten: painting starts at TopRow and stops at the bottom of the window.
// Rows are stored one string each in one vector: a row's texts one after
// the other, each ended by a zero, in one block of memory (a result list of
// a hundred thousand rows is mostly this). Appending a row costs one row,
// and removing a block moves every later row once.
//
// Vertical scrolling goes by whole rows (TopRow), horizontal scrolling by
// pixels, so a column wider than the window can still be read to its end.
// Fixed columns stay in place while the others scroll under them.
//
// With goColSizing the border right of a column's title (the fixed rows)
// can be dragged to size the column. A stretch column, when one is set,
// takes up whatever the grid's width gains or loses, so columns that fit
// the window keep fitting it while it is resized.
//
// Differences from the grids Windows users know from other programs: the
// options goRowSizing, goRowMoving, goColMoving, goEditing and
// goAlwaysShowEditor are kept but have no behaviour (no in-place editor,
// no row sizing, no moving with the mouse).
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
// Scoped: the shadowed label's styles take the name ssNone unscoped.
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

struct TGridRect {
    int Left, Top, Right, Bottom;
};
inline bool operator==(const TGridRect& a, const TGridRect& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}
inline bool operator!=(const TGridRect& a, const TGridRect& b) { return !(a == b); }

using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;

// Rows to insert: their texts, and a value the program keeps with each row,
// which moves with it when rows are inserted, removed or sorted.
struct TGridRow {
    std::vector<std::string> Cells;
    const void* Data = nullptr;
};

namespace ui {
// The first row a view may show at the top so that it stays within the rows
// that exist: TopRow lies in [fixedRows, MaxTopRow]. `pageRows` is the number
// of rows that fit below the fixed rows (at least one counts).
int GridMaxTopRow(int rowCount, int fixedRows, int pageRows);
// The top row that brings `row` into a view of `pageRows` rows starting at
// `topRow`, moving the view as little as possible.
int GridTopRowShowing(int row, int topRow, int pageRows);
// Where the rows of a block removal end up: a row after the block moves up by
// `count`, a row inside it lands on the first row after it (now `first`).
int GridRowAfterRemoval(int row, int first, int count);
}  // namespace ui

class TStringGrid : public TCustomControl {
public:
    // A row as the grid keeps it.
    struct Row {
        std::string texts;  // each cell's text followed by a zero; missing cells read as empty
        const void* data = nullptr;
    };

    explicit TStringGrid(TComponent* owner);
    ~TStringGrid() override;

    int GetColCount() const { return colCount_; }
    void SetColCount(int count);
    // Never below FixedRows + 1: there is always a row that is not fixed.
    int GetRowCount() const { return static_cast<int>(rows_.size()); }
    void SetRowCount(int count);
    // Takes the rows from `first` on out of the grid, as SetRowCount(first)
    // drops them, and hands them over: freeing 100,000 rows takes a while,
    // which the caller may spend elsewhere.
    std::vector<Row> CutRows(int first);
    int GetFixedCols() const { return fixedCols_; }
    void SetFixedCols(int count);
    int GetFixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);
    int GetDefaultColWidth() const { return defaultColWidth_; }
    // Sets every column to the new width.
    void SetDefaultColWidth(int width);
    int GetDefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);
    int GetColWidths(int col) const;
    void SetColWidths(int col, int width);
    // The column that takes up the changes of the grid's client width (-1:
    // none). It keeps at least MinStretchWidth pixels.
    int GetStretchCol() const { return stretchCol_; }
    void SetStretchCol(int col) { stretchCol_ = col; }
    static constexpr int MinStretchWidth = 40;
    TColor GetFixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor color);

    TGridOptions GetOptions() const { return options_; }
    void SetOptions(TGridOptions options);
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle scrollBars);
    // bsSingle: a sunken 3-D edge round the grid; bsNone: no edge.
    TFormBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    bool GetDefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool defaultDrawing);

    // A cell outside the grid reads as empty; writing one raises
    // EInvalidOperation "Grid index out of range".
    std::string GetCells(int col, int row) const;
    void SetCells(int col, int row, const std::string& text);

    // The current cell: always inside the selection, never fixed.
    int GetRow() const { return current_.row; }
    void SetRow(int row);
    int GetCol() const { return current_.col; }
    void SetCol(int col);
    int GetTopRow() const { return topRow_; }
    void SetTopRow(int row);
    // Rows shown whole below the fixed rows.
    int GetVisibleRowCount() const;
    // The selected block; with goRowSelect it spans every column that is not fixed.
    TGridRect GetSelection() const;
    // Selects a block; its bottom-right cell becomes the current cell, and
    // is scrolled into view unless `show` is false.
    void SetSelection(const TGridRect& selection, bool show = true);
    // Whether any cell is selected. ClearSelection leaves none selected (the
    // current cell stays, for the keyboard) until the selection is set or
    // the user moves the current cell.
    bool HasSelection() const { return hasSelection_; }
    void ClearSelection();
    // The last `count` rows are shown but never selected nor made current:
    // a click on them selects nothing new, and the keys and a drag stop at
    // the row above. Without any other row below the fixed ones, nothing
    // is selected.
    int GetTrailingRows() const { return trailingRows_; }
    void SetTrailingRows(int count);

    // Shows the first rows and the left edge of the columns.
    void ScrollToTopLeft();

    // The program's value kept with a row (none: nullptr); reads outside the
    // grid give none, writes raise EInvalidOperation.
    const void* GetRowData(int row) const;
    void SetRowData(int row, const void* data);

    // Inserts a blank row before `row` (RowCount appends one).
    void InsertRow(int row);
    // Inserts rows before `row` in one pass: every later row moves once.
    // The selection stays on the rows it was on.
    void InsertRows(int row, std::vector<TGridRow> rows);
    // Removes every row after the fixed ones for whose value `remove`
    // holds, in one pass; the others keep their order and the selection
    // stays on the rows it was on (or on the next row kept). Returns how
    // many went.
    int RemoveRowsIf(const std::function<bool(const void* data)>& remove);
    // Puts the rows from `first` to `last` in the order `less` gives to
    // their values (a strict weak order), keeping the order of equal rows.
    template <class Less>
    void SortRows(int first, int last, Less less) {
        first = std::max(first, 0);
        last = std::min(last, GetRowCount() - 1);
        if (first >= last) return;
        std::stable_sort(rows_.begin() + first, rows_.begin() + last + 1,
                         [&](const Row& a, const Row& b) { return less(a.data, b.data); });
        InvalidateFromRow(first);
    }
    void DeleteRow(int row) { DeleteRows(row, 1); }
    // Removes count rows from firstRow in one pass: every later row moves
    // once. The current row and the selection stay on rows that exist.
    void DeleteRows(int firstRow, int count);

    // The cell's rectangle in client pixels; empty when the cell is out of view.
    TRect CellRect(int col, int row) const;
    // The cell under a client point, or -1 for a coordinate on no cell.
    void MouseToCell(int x, int y, int& col, int& row) const;

    TDrawCellEvent OnDrawCell;
    // The selection was set, moved, cleared or dropped (by the user or the
    // program, or because its rows went).
    TNotifyEvent OnSelectionChange;

protected:
    // The per-cell drawing hook, called for every visible cell while painting,
    // after the grid set the canvas font to Font, the brush to the highlight
    // colour (and the font colour to the highlight-text colour) for a selected
    // cell or to the cell colour otherwise, and filled the rectangle. This
    // version writes DisplayText with ExtTextOutW at (left + 2, top + 2), clipped
    // to the rectangle on an opaque background (when DefaultDrawing is on),
    // then fires OnDrawCell.
    virtual void DrawCell(int col, int row, TRect rect, TGridDrawState state);
    // The text DrawCell writes in a cell: the cell's own text here.
    virtual std::string DisplayText(int col, int row) { return GetCells(col, row); }
    // The column whose sizing border (its title's right edge, with
    // goColSizing) is under a client point, or -1.
    int SizingBorderAt(int x, int y) const;
    // A column's border is being dragged.
    bool SizingColumn() const { return sizingCol_ >= 0; }

    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Paint() override;
    void WndProc(TMessage& message) override;
    LRESULT DialogCode() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    struct Cell {
        int col, row;
        bool operator==(const Cell& o) const { return col == o.col && row == o.row; }
    };
    struct Extent {
        int cx, cy;
    };
    struct PaintContext;
    // Geometry. Lines are one pixel between cells, part of neither.
    int VertLineWidth() const;
    int HorzLineWidth() const;
    int RowStride() const { return defaultRowHeight_ + HorzLineWidth(); }
    int FixedRowsHeight() const { return fixedRows_ * RowStride(); }
    int FixedColsWidth() const;
    int ScrollableWidth() const;
    int ColLeft(int col) const;
    int RowTop(int row) const;
    Extent ClientSize() const;
    void UpdateClientSize();
    int PageRows() const;
    int MaxTopRow() const;
    int MaxScrollX() const;
    int RowAtY(int y) const;
    int ColAtX(int x) const;
    int LastVisibleRow() const;
    bool IsSelected(int col, int row) const;

    // Painting.
    void PaintRow(PaintContext& pc, int row, int top);
    void PaintCell(PaintContext& pc, int col, int row, const TRect& cell);
    void PaintFocusRect(PaintContext& pc);

    // Selection and scrolling.
    void MoveCurrent(Cell current, bool extend);
    void ChangeSelection(Cell anchor, Cell current);
    // Keeps the selection on rows that can be selected; drops it (and
    // tells, when asked) when there are none.
    void ClampSelection(bool tell = true);
    int LastSelectableRow() const { return GetRowCount() - 1 - trailingRows_; }
    void ScrollIntoView(int col, int row);
    void ScrollTo(int topRow, int scrollX, bool moveThumb = true);
    void ScrollBy(int rows) { ScrollTo(topRow_ + rows, scrollX_); }
    void HandleScroll(int bar, WORD code);
    void StopDragSelecting();
    void DragScrollTick();

    // Repainting and the scroll bars.
    void InvalidateRows(int first, int last);
    // Everything from a row's place down to the bottom of the window: rows
    // that moved or went, whose old pixels are still on screen.
    void InvalidateFromRow(int row);
    void InvalidateCell(int col, int row);
    void ClampView();
    void InvalidateGrid();
    void LayoutChanged();
    void RequestScrollBarUpdate();
    void UpdateScrollBars();
    void SetScrollBar(int bar, int max, int page, int pos);

    std::vector<Row> rows_;
    int colCount_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    std::vector<int> colWidths_;
    TColor fixedColor_ = clBtnFace;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TScrollStyle scrollBars_ = TScrollStyle::ssBoth;
    TFormBorderStyle borderStyle_ = bsSingle;
    bool defaultDrawing_ = true;

    Cell anchor_{1, 1};
    Cell current_{1, 1};
    bool hasSelection_ = true;
    int trailingRows_ = 0;
    int stretchCol_ = -1;
    int sizingCol_ = -1;   // the column whose border is being dragged
    int sizingGrab_ = 0;   // where on the border it was taken, from its edge
    int topRow_ = 1;
    int scrollX_ = 0;

    Extent clientSize_{0, 0};  // kept from WM_SIZE: appending rows asks for it often
    int wheelDelta_ = 0;
    bool selecting_ = false;
    bool scrollBarsPending_ = false;
    bool updatingScrollBars_ = false;
};
