#include "ui/StringGrid.h"

#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "ui/SysUtils.h"

namespace {

constexpr UINT_PTR kDragScrollTimer = 1;
constexpr UINT kDragScrollMs = 60;
// The scroll bars follow the rows and widths a moment after they change, at
// most this often. A search appends rows all the time, and every
// SetScrollInfo draws the bar at once (some 2 ms each under Wine).
constexpr UINT_PTR kScrollBarTimer = 2;
constexpr UINT kScrollBarMs = 250;
constexpr int kHorzLine = 16;  // pixels per horizontal scroll-bar line
// A column's sizing border: this many pixels either side of its right edge.
constexpr int kSizingReach = 3;
constexpr int kMinColWidth = 8;  // what dragging a border leaves at least

// Where a cell's text lies in its row's texts: [begin, end), or begin past
// the end when the row has no such cell.
std::pair<std::size_t, std::size_t> CellSpan(const std::string& texts, int col) {
    std::size_t begin = 0;
    for (int c = 0; c < col; ++c) {
        const std::size_t zero = texts.find('\0', begin);
        if (zero == std::string::npos) return {texts.size() + 1, texts.size() + 1};
        begin = zero + 1;
    }
    if (begin >= texts.size()) return {texts.size() + 1, texts.size() + 1};
    return {begin, texts.find('\0', begin)};
}

std::string JoinTexts(const std::vector<std::string>& cells, int count) {
    std::string texts;
    std::size_t length = 0;
    for (int c = 0; c < count && c < static_cast<int>(cells.size()); ++c) length += cells[static_cast<std::size_t>(c)].size() + 1;
    texts.reserve(length);
    for (int c = 0; c < count && c < static_cast<int>(cells.size()); ++c) {
        texts += cells[static_cast<std::size_t>(c)];
        texts += '\0';
    }
    return texts;
}

[[noreturn]] void IndexOutOfRange() { throw EInvalidOperation("Grid index out of range"); }

// Solid brushes of the colours one paint needs, each made once.
class BrushCache {
public:
    HBRUSH Get(TColor color) {
        const COLORREF rgb = ColorToRGB(color);
        for (auto& e : brushes_)
            if (e.first == rgb) return e.second.get();
        brushes_.emplace_back(rgb, ui::BrushHandle(::CreateSolidBrush(rgb)));
        return brushes_.back().second.get();
    }

private:
    std::vector<std::pair<COLORREF, ui::BrushHandle>> brushes_;
};

}  // namespace

namespace ui {

int GridMaxTopRow(int rowCount, int fixedRows, int pageRows) {
    return std::max(fixedRows, rowCount - std::max(1, pageRows));
}

int GridTopRowShowing(int row, int topRow, int pageRows) {
    pageRows = std::max(1, pageRows);
    if (row < topRow) return row;
    if (row >= topRow + pageRows) return row - pageRows + 1;
    return topRow;
}

int GridRowAfterRemoval(int row, int first, int count) {
    if (row >= first + count) return row - count;
    if (row >= first) return first;
    return row;
}

}  // namespace ui

struct TStringGrid::PaintContext {
    HDC dc;
    TRect clip;
    Extent client;
    bool focused;
    BrushCache brushes;
};

// ======================================================================== set-up

TStringGrid::TStringGrid(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle({csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque});
    SetTabStop(true);
    colWidths_.assign(static_cast<std::size_t>(colCount_), defaultColWidth_);
    rows_.resize(5);
    SetBounds(GetLeft(), GetTop(), 320, 120);
}

TStringGrid::~TStringGrid() = default;

void TStringGrid::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    if (borderStyle_ == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TStringGrid::CreateWnd() {
    TCustomControl::CreateWnd();
    UpdateClientSize();
    UpdateScrollBars();
}

// ======================================================================== geometry

int TStringGrid::VertLineWidth() const {
    return options_.Contains(goFixedVertLine) || options_.Contains(goVertLine) ? 1 : 0;
}

int TStringGrid::HorzLineWidth() const {
    return options_.Contains(goFixedHorzLine) || options_.Contains(goHorzLine) ? 1 : 0;
}

int TStringGrid::FixedColsWidth() const {
    int w = 0;
    for (int c = 0; c < fixedCols_; ++c) w += colWidths_[static_cast<std::size_t>(c)] + VertLineWidth();
    return w;
}

int TStringGrid::ScrollableWidth() const {
    int w = 0;
    for (int c = fixedCols_; c < colCount_; ++c) w += colWidths_[static_cast<std::size_t>(c)] + VertLineWidth();
    return w;
}

int TStringGrid::ColLeft(int col) const {
    int x = col < fixedCols_ ? 0 : FixedColsWidth() - scrollX_;
    for (int c = col < fixedCols_ ? 0 : fixedCols_; c < col; ++c)
        x += colWidths_[static_cast<std::size_t>(c)] + VertLineWidth();
    return x;
}

int TStringGrid::RowTop(int row) const {
    if (row < fixedRows_) return row * RowStride();
    return FixedRowsHeight() + (row - topRow_) * RowStride();
}

TStringGrid::Extent TStringGrid::ClientSize() const {
    if (HandleAllocated()) return clientSize_;
    return Extent{GetWidth(), GetHeight()};
}

void TStringGrid::UpdateClientSize() {
    RECT r{0, 0, 0, 0};
    if (HandleAllocated()) ::GetClientRect(TWinControl::GetHandle(), &r);
    const int oldWidth = clientSize_.cx;
    clientSize_ = Extent{static_cast<int>(r.right), static_cast<int>(r.bottom)};
    // The stretch column follows the width (a scroll bar that comes or goes
    // included); a window just made, or one of no width, has nothing to follow.
    if (stretchCol_ >= 0 && stretchCol_ < colCount_ && oldWidth > 0 && r.right > 0 && r.right != oldWidth) {
        int& w = colWidths_[static_cast<std::size_t>(stretchCol_)];
        w = std::max(w + static_cast<int>(r.right) - oldWidth, std::min(w, MinStretchWidth));
        LayoutChanged();
    }
}

int TStringGrid::PageRows() const {
    const int stride = RowStride();
    return stride > 0 ? std::max(0, (ClientSize().cy - FixedRowsHeight()) / stride) : 0;
}

int TStringGrid::MaxTopRow() const { return ui::GridMaxTopRow(GetRowCount(), fixedRows_, PageRows()); }

int TStringGrid::MaxScrollX() const {
    return std::max(0, FixedColsWidth() + ScrollableWidth() - ClientSize().cx);
}

int TStringGrid::GetVisibleRowCount() const { return std::min(PageRows(), GetRowCount() - topRow_); }

int TStringGrid::LastVisibleRow() const {
    const int stride = std::max(1, RowStride());
    const int area = ClientSize().cy - FixedRowsHeight();
    const int shown = area > 0 ? (area + stride - 1) / stride : 0;  // the last one may be cut
    return std::min(GetRowCount() - 1, topRow_ + shown - 1);
}

int TStringGrid::RowAtY(int y) const {
    const int stride = std::max(1, RowStride());
    if (y < 0) return -1;
    if (y < FixedRowsHeight()) return y / stride;
    const int row = topRow_ + (y - FixedRowsHeight()) / stride;
    return row < GetRowCount() ? row : -1;
}

int TStringGrid::ColAtX(int x) const {
    if (x < 0) return -1;
    int left = 0;
    for (int c = 0; c < fixedCols_; ++c) {
        left += colWidths_[static_cast<std::size_t>(c)] + VertLineWidth();
        if (x < left) return c;
    }
    left -= scrollX_;
    for (int c = fixedCols_; c < colCount_; ++c) {
        left += colWidths_[static_cast<std::size_t>(c)] + VertLineWidth();
        if (x < left) return c;
    }
    return -1;
}

TRect TStringGrid::CellRect(int col, int row) const {
    const TRect none = Rect(0, 0, 0, 0);
    if (col < 0 || col >= colCount_ || row < 0 || row >= GetRowCount()) return none;
    if (row >= fixedRows_ && row < topRow_) return none;
    const Extent client = ClientSize();
    const int left = ColLeft(col), top = RowTop(row);
    const int right = left + colWidths_[static_cast<std::size_t>(col)];
    if (top >= client.cy || left >= client.cx) return none;
    if (col >= fixedCols_ && right <= FixedColsWidth()) return none;
    return Rect(left, top, right, top + defaultRowHeight_);
}

void TStringGrid::MouseToCell(int x, int y, int& col, int& row) const {
    col = ColAtX(x);
    row = RowAtY(y);
}

// ======================================================================== properties

void TStringGrid::SetColCount(int count) {
    count = std::max(count, fixedCols_ + 1);
    if (count == colCount_) return;
    colCount_ = count;
    colWidths_.resize(static_cast<std::size_t>(count), defaultColWidth_);
    for (Row& row : rows_) {
        const auto span = CellSpan(row.texts, count);
        if (span.first <= row.texts.size()) row.texts.resize(span.first);
    }
    ClampSelection();
    LayoutChanged();
}

void TStringGrid::SetRowCount(int count) {
    count = std::max(count, fixedRows_ + 1);
    const int old = GetRowCount();
    if (count < old) {
        CutRows(count);
    } else if (count > old) {
        rows_.resize(static_cast<std::size_t>(count));
        InvalidateRows(old, count - 1);
        RequestScrollBarUpdate();
    }
}

std::vector<TStringGrid::Row> TStringGrid::CutRows(int first) {
    first = std::max(first, fixedRows_ + 1);
    if (first >= GetRowCount()) return {};
    std::vector<Row> cut(std::make_move_iterator(rows_.begin() + first), std::make_move_iterator(rows_.end()));
    rows_.erase(rows_.begin() + first, rows_.end());
    ClampSelection();
    ClampView();
    InvalidateFromRow(first);
    RequestScrollBarUpdate();
    return cut;
}

void TStringGrid::SetFixedCols(int count) {
    count = std::max(0, count);
    if (count == fixedCols_) return;
    if (count >= colCount_) SetColCount(count + 1);
    fixedCols_ = count;
    // The view and the current cell start again at the first free column.
    scrollX_ = 0;
    anchor_.col = current_.col = count;
    LayoutChanged();
}

void TStringGrid::SetFixedRows(int count) {
    count = std::max(0, count);
    if (count == fixedRows_) return;
    if (count >= GetRowCount()) rows_.resize(static_cast<std::size_t>(count) + 1);
    fixedRows_ = count;
    // The view and the current row start again at the first free row.
    topRow_ = count;
    anchor_.row = current_.row = count;
    LayoutChanged();
}

void TStringGrid::SetDefaultColWidth(int width) {
    width = std::max(0, width);
    defaultColWidth_ = width;
    std::fill(colWidths_.begin(), colWidths_.end(), width);
    LayoutChanged();
}

void TStringGrid::SetDefaultRowHeight(int height) {
    height = std::max(1, height);
    if (height == defaultRowHeight_) return;
    defaultRowHeight_ = height;
    LayoutChanged();
}

int TStringGrid::GetColWidths(int col) const {
    if (col < 0 || col >= colCount_) IndexOutOfRange();
    return colWidths_[static_cast<std::size_t>(col)];
}

void TStringGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= colCount_) IndexOutOfRange();
    width = std::max(0, width);
    if (colWidths_[static_cast<std::size_t>(col)] == width) return;
    colWidths_[static_cast<std::size_t>(col)] = width;
    LayoutChanged();
}

void TStringGrid::SetFixedColor(TColor color) {
    if (color == fixedColor_) return;
    fixedColor_ = color;
    InvalidateGrid();
}

void TStringGrid::SetOptions(TGridOptions options) {
    if (options == options_) return;
    options_ = options;
    if (!options_.Contains(goRangeSelect)) anchor_ = current_;
    LayoutChanged();
}

void TStringGrid::SetScrollBars(TScrollStyle scrollBars) {
    if (scrollBars == scrollBars_) return;
    scrollBars_ = scrollBars;
    UpdateScrollBars();
}

void TStringGrid::SetBorderStyle(TFormBorderStyle style) {
    if (style != bsNone) style = bsSingle;
    if (style == borderStyle_) return;
    borderStyle_ = style;
    if (!HandleAllocated()) return;
    HWND wnd = TWinControl::GetHandle();
    LONG ex = ::GetWindowLongW(wnd, GWL_EXSTYLE);
    ex = style == bsSingle ? ex | WS_EX_CLIENTEDGE : ex & ~WS_EX_CLIENTEDGE;
    ::SetWindowLongW(wnd, GWL_EXSTYLE, ex);
    ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TStringGrid::SetDefaultDrawing(bool defaultDrawing) {
    if (defaultDrawing == defaultDrawing_) return;
    defaultDrawing_ = defaultDrawing;
    InvalidateGrid();
}

std::string TStringGrid::GetCells(int col, int row) const {
    if (row < 0 || row >= GetRowCount() || col < 0) return std::string();
    const std::string& texts = rows_[static_cast<std::size_t>(row)].texts;
    const auto span = CellSpan(texts, col);
    return span.first > texts.size() ? std::string() : texts.substr(span.first, span.second - span.first);
}

void TStringGrid::SetCells(int col, int row, const std::string& text) {
    if (col < 0 || col >= colCount_ || row < 0 || row >= GetRowCount()) IndexOutOfRange();
    std::string& texts = rows_[static_cast<std::size_t>(row)].texts;
    auto span = CellSpan(texts, col);
    if (span.first > texts.size()) {
        // Rows get their texts on first write: appending a row costs nothing more.
        if (text.empty()) return;
        int cells = static_cast<int>(std::count(texts.begin(), texts.end(), '\0'));
        for (; cells <= col; ++cells) texts += '\0';
        span = CellSpan(texts, col);
    }
    if (texts.compare(span.first, span.second - span.first, text) == 0) return;
    texts.replace(span.first, span.second - span.first, text);
    InvalidateCell(col, row);
}

const void* TStringGrid::GetRowData(int row) const {
    return row >= 0 && row < GetRowCount() ? rows_[static_cast<std::size_t>(row)].data : nullptr;
}

void TStringGrid::SetRowData(int row, const void* data) {
    if (row < 0 || row >= GetRowCount()) IndexOutOfRange();
    rows_[static_cast<std::size_t>(row)].data = data;
}

// ======================================================================== rows

void TStringGrid::InsertRow(int row) { InsertRows(row, std::vector<TGridRow>(1)); }

void TStringGrid::InsertRows(int row, std::vector<TGridRow> rows) {
    if (rows.empty()) return;
    row = std::clamp(row, 0, GetRowCount());
    const int count = static_cast<int>(rows.size());
    std::vector<Row> made(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        made[i].texts = JoinTexts(rows[i].Cells, colCount_);
        made[i].data = rows[i].Data;
    }
    rows_.insert(rows_.begin() + row, std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
    for (Cell* c : {&anchor_, &current_})
        if (c->row >= row) c->row += count;
    ClampSelection();
    InvalidateFromRow(row);
    RequestScrollBarUpdate();
}

void TStringGrid::DeleteRows(int firstRow, int count) {
    const int old = GetRowCount();
    if (firstRow < 0 || firstRow >= old || count <= 0) return;
    count = std::min(count, old - firstRow);
    rows_.erase(rows_.begin() + firstRow, rows_.begin() + firstRow + count);
    // The grid never has fewer rows than its fixed ones and one more; a
    // removal that goes below leaves blank rows.
    if (GetRowCount() < fixedRows_ + 1) rows_.resize(static_cast<std::size_t>(fixedRows_) + 1);
    for (Cell* c : {&anchor_, &current_}) c->row = ui::GridRowAfterRemoval(c->row, firstRow, count);
    ClampSelection();
    ClampView();
    InvalidateFromRow(firstRow);
    RequestScrollBarUpdate();
}

int TStringGrid::RemoveRowsIf(const std::function<bool(const void*)>& remove) {
    const int old = GetRowCount();
    int kept = fixedRows_, firstRemoved = -1;
    Cell* moving[] = {&anchor_, &current_};
    int newRow[2] = {anchor_.row, current_.row};
    for (int row = fixedRows_; row < old; ++row) {
        const bool goes = remove(rows_[static_cast<std::size_t>(row)].data);
        for (int i = 0; i < 2; ++i)
            if (moving[i]->row == row) newRow[i] = kept;  // a removed row's cell lands on the next one kept
        if (goes) {
            if (firstRemoved < 0) firstRemoved = row;
            continue;
        }
        if (kept != row) rows_[static_cast<std::size_t>(kept)] = std::move(rows_[static_cast<std::size_t>(row)]);
        ++kept;
    }
    if (firstRemoved < 0) return 0;
    rows_.resize(static_cast<std::size_t>(std::max(kept, fixedRows_ + 1)));
    anchor_.row = newRow[0];
    current_.row = newRow[1];
    ClampSelection();
    ClampView();
    InvalidateFromRow(firstRemoved);
    RequestScrollBarUpdate();
    return old - kept;
}

// ======================================================================== selection

TGridRect TStringGrid::GetSelection() const {
    TGridRect r;
    r.Top = std::min(anchor_.row, current_.row);
    r.Bottom = std::max(anchor_.row, current_.row);
    if (options_.Contains(goRowSelect)) {
        r.Left = fixedCols_;
        r.Right = colCount_ - 1;
    } else {
        r.Left = std::min(anchor_.col, current_.col);
        r.Right = std::max(anchor_.col, current_.col);
    }
    return r;
}

bool TStringGrid::IsSelected(int col, int row) const {
    if (!hasSelection_) return false;
    const TGridRect s = GetSelection();
    return col >= s.Left && col <= s.Right && row >= s.Top && row <= s.Bottom;
}

void TStringGrid::SetSelection(const TGridRect& s, bool show) {
    Cell anchor{std::min(s.Left, s.Right), std::min(s.Top, s.Bottom)};
    Cell current{std::max(s.Left, s.Right), std::max(s.Top, s.Bottom)};
    if (!options_.Contains(goRangeSelect)) anchor = current;
    ChangeSelection(anchor, current);
    if (show) ScrollIntoView(current_.col, current_.row);
}

void TStringGrid::ClearSelection() {
    if (!hasSelection_) return;
    const TGridRect old = GetSelection();
    hasSelection_ = false;
    InvalidateRows(old.Top, old.Bottom);
    Fire(OnSelectionChange, this);
}

void TStringGrid::SetTrailingRows(int count) {
    trailingRows_ = std::max(count, 0);
    ClampSelection();
}

void TStringGrid::SetRow(int row) { MoveCurrent(Cell{current_.col, row}, false); }
void TStringGrid::SetCol(int col) { MoveCurrent(Cell{col, current_.row}, false); }

void TStringGrid::MoveCurrent(Cell current, bool extend) {
    const Cell anchor = extend && options_.Contains(goRangeSelect) ? anchor_ : current;
    ChangeSelection(anchor, current);
    ScrollIntoView(current_.col, current_.row);
}

void TStringGrid::ChangeSelection(Cell anchor, Cell current) {
    const TGridRect old = GetSelection();
    const Cell oldCurrent = current_;
    const bool hadSelection = hasSelection_;
    anchor_ = anchor;
    current_ = current;
    hasSelection_ = true;
    ClampSelection(false);
    const TGridRect now = GetSelection();
    if (now == old && current_ == oldCurrent && hadSelection == hasSelection_) return;
    InvalidateRows(old.Top, old.Bottom);
    InvalidateRows(now.Top, now.Bottom);
    InvalidateRows(oldCurrent.row, oldCurrent.row);  // its focus rectangle
    Fire(OnSelectionChange, this);
}

void TStringGrid::ClampSelection(bool tell) {
    const int lastRow = std::max(fixedRows_, LastSelectableRow()), lastCol = colCount_ - 1;
    for (Cell* c : {&anchor_, &current_}) {
        c->row = std::clamp(c->row, fixedRows_, lastRow);
        c->col = std::clamp(c->col, fixedCols_, lastCol);
    }
    // Only trailing rows are left: nothing can be selected.
    if (hasSelection_ && LastSelectableRow() < fixedRows_) {
        hasSelection_ = false;
        InvalidateRows(fixedRows_, GetRowCount() - 1);
        if (tell) Fire(OnSelectionChange, this);
    }
}

// ======================================================================== scrolling

void TStringGrid::ClampView() {
    const int top = std::clamp(topRow_, fixedRows_, MaxTopRow());
    const int x = std::clamp(scrollX_, 0, MaxScrollX());
    if (top == topRow_ && x == scrollX_) return;
    topRow_ = top;
    scrollX_ = x;
    InvalidateGrid();
}

void TStringGrid::SetTopRow(int row) { ScrollTo(row, scrollX_); }

void TStringGrid::ScrollToTopLeft() { ScrollTo(fixedRows_, 0); }

void TStringGrid::ScrollIntoView(int col, int row) {
    int top = topRow_;
    if (row >= fixedRows_) top = ui::GridTopRowShowing(row, topRow_, PageRows());
    int x = scrollX_;
    if (col >= fixedCols_ && !options_.Contains(goRowSelect)) {
        // In content coordinates of the scrolled part.
        const int left = ColLeft(col) + scrollX_ - FixedColsWidth();
        const int right = left + colWidths_[static_cast<std::size_t>(col)];
        const int view = ClientSize().cx - FixedColsWidth();
        if (right - x > view) x = right - view;
        if (left < x) x = left;
    }
    ScrollTo(top, x);
}

void TStringGrid::ScrollTo(int topRow, int scrollX, bool moveThumb) {
    topRow = std::clamp(topRow, fixedRows_, MaxTopRow());
    scrollX = std::clamp(scrollX, 0, MaxScrollX());
    if (topRow == topRow_ && scrollX == scrollX_) return;
    const bool vertical = topRow != topRow_, horizontal = scrollX != scrollX_;
    topRow_ = topRow;
    scrollX_ = scrollX;
    if (!HandleAllocated()) return;
    // While the user drags a thumb it is where it should be already.
    if (moveThumb) {
        HWND wnd = TWinControl::GetHandle();
        SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
        if (vertical && scrollBars_ != TScrollStyle::ssNone && scrollBars_ != TScrollStyle::ssHorizontal) {
            si.nPos = topRow_ - fixedRows_;
            ::SetScrollInfo(wnd, SB_VERT, &si, TRUE);
        }
        if (horizontal && scrollBars_ != TScrollStyle::ssNone && scrollBars_ != TScrollStyle::ssVertical) {
            si.nPos = scrollX_;
            ::SetScrollInfo(wnd, SB_HORZ, &si, TRUE);
        }
    }
    if (horizontal) {
        InvalidateGrid();
    } else {
        // The fixed rows stay; everything below them moves.
        const Extent client = ClientSize();
        TRect r = Rect(0, FixedRowsHeight(), client.cx, client.cy);
        InvalidateRect(r, false);
    }
}

void TStringGrid::HandleScroll(int bar, WORD code) {
    HWND wnd = TWinControl::GetHandle();
    if (code == SB_THUMBTRACK && !options_.Contains(goThumbTracking)) return;
    // The 16-bit position of the message cannot carry a hundred thousand rows.
    SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
    const int track = ::GetScrollInfo(wnd, bar, &si) ? si.nTrackPos : 0;
    if (bar == SB_VERT) {
        const int page = std::max(1, PageRows());
        switch (code) {
            case SB_LINEUP: ScrollBy(-1); break;
            case SB_LINEDOWN: ScrollBy(1); break;
            case SB_PAGEUP: ScrollBy(-page); break;
            case SB_PAGEDOWN: ScrollBy(page); break;
            case SB_TOP: ScrollTo(fixedRows_, scrollX_); break;
            case SB_BOTTOM: ScrollTo(MaxTopRow(), scrollX_); break;
            case SB_THUMBTRACK: ScrollTo(fixedRows_ + track, scrollX_, false); break;
            case SB_THUMBPOSITION: ScrollTo(fixedRows_ + track, scrollX_); break;
            default: break;
        }
    } else {
        const int page = std::max(kHorzLine, ClientSize().cx - FixedColsWidth());
        switch (code) {
            case SB_LINELEFT: ScrollTo(topRow_, scrollX_ - kHorzLine); break;
            case SB_LINERIGHT: ScrollTo(topRow_, scrollX_ + kHorzLine); break;
            case SB_PAGELEFT: ScrollTo(topRow_, scrollX_ - page); break;
            case SB_PAGERIGHT: ScrollTo(topRow_, scrollX_ + page); break;
            case SB_LEFT: ScrollTo(topRow_, 0); break;
            case SB_RIGHT: ScrollTo(topRow_, MaxScrollX()); break;
            case SB_THUMBTRACK: ScrollTo(topRow_, track, false); break;
            case SB_THUMBPOSITION: ScrollTo(topRow_, track); break;
            default: break;
        }
    }
}

void TStringGrid::RequestScrollBarUpdate() {
    if (!HandleAllocated() || scrollBarsPending_) return;
    scrollBarsPending_ = true;
    ::SetTimer(TWinControl::GetHandle(), kScrollBarTimer, kScrollBarMs, nullptr);
}

void TStringGrid::UpdateScrollBars() {
    if (!HandleAllocated() || updatingScrollBars_) return;
    HWND wnd = TWinControl::GetHandle();
    if (scrollBarsPending_) ::KillTimer(wnd, kScrollBarTimer);
    scrollBarsPending_ = false;
    updatingScrollBars_ = true;
    const bool vertical = scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth;
    const bool horizontal = scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth;
    // A bar that comes or goes changes the client area, and so what the
    // other bar needs; a few rounds settle it.
    for (int round = 0; round < 3; ++round) {
        const Extent before = ClientSize();
        ClampView();
        if (vertical)
            SetScrollBar(SB_VERT, GetRowCount() - fixedRows_ - 1, PageRows(), topRow_ - fixedRows_);
        else
            ::ShowScrollBar(wnd, SB_VERT, FALSE);
        if (horizontal)
            SetScrollBar(SB_HORZ, ScrollableWidth() - 1, std::max(0, ClientSize().cx - FixedColsWidth()), scrollX_);
        else
            ::ShowScrollBar(wnd, SB_HORZ, FALSE);
        UpdateClientSize();
        const Extent after = ClientSize();
        if (after.cx == before.cx && after.cy == before.cy) break;
        InvalidateGrid();
    }
    ClampView();
    updatingScrollBars_ = false;
}

void TStringGrid::SetScrollBar(int bar, int max, int page, int pos) {
    HWND wnd = TWinControl::GetHandle();
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    // Asking is cheap; setting draws the bar. A bar that someone hid while
    // its range still calls for it is set all the same, which shows it.
    const bool shown = (::GetWindowLongW(wnd, GWL_STYLE) & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
    const bool needed = page <= max;
    if (::GetScrollInfo(wnd, bar, &si) && si.nMin == 0 && si.nMax == max && static_cast<int>(si.nPage) == page &&
        si.nPos == pos && shown == needed)
        return;
    si = SCROLLINFO{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, max, static_cast<UINT>(page), pos, 0};
    ::SetScrollInfo(wnd, bar, &si, TRUE);
}

// ======================================================================== repainting

void TStringGrid::InvalidateGrid() {
    if (HandleAllocated()) ::InvalidateRect(TWinControl::GetHandle(), nullptr, FALSE);
}

void TStringGrid::LayoutChanged() {
    ClampView();
    InvalidateGrid();
    RequestScrollBarUpdate();
}

void TStringGrid::InvalidateRows(int first, int last) {
    if (!HandleAllocated() || last < first) return;
    const Extent client = ClientSize();
    const int stride = RowStride();
    // Fixed rows first, then the scrolled ones that are in view.
    if (first < fixedRows_) {
        TRect r = Rect(0, first * stride, client.cx, std::min(last + 1, fixedRows_) * stride);
        InvalidateRect(r, false);
    }
    first = std::max({first, fixedRows_, topRow_});
    last = std::min(last, LastVisibleRow());
    if (first > last) return;
    TRect r = Rect(0, RowTop(first), client.cx, std::min(client.cy, RowTop(last) + stride));
    InvalidateRect(r, false);
}

void TStringGrid::InvalidateFromRow(int row) {
    if (!HandleAllocated()) return;
    const Extent client = ClientSize();
    const int top = row < fixedRows_ ? RowTop(row) : RowTop(std::max(row, topRow_));
    if (top >= client.cy) return;
    TRect r = Rect(0, std::max(top, 0), client.cx, client.cy);
    InvalidateRect(r, false);
}

void TStringGrid::InvalidateCell(int col, int row) {
    if (!HandleAllocated()) return;
    TRect r = CellRect(col, row);
    if (IsRectEmpty(&r)) return;
    r.right += VertLineWidth();
    r.bottom += HorzLineWidth();
    InvalidateRect(r, false);
}

void TStringGrid::FontChanged() {
    TCustomControl::FontChanged();
    InvalidateGrid();
}

void TStringGrid::ColorChanged() {
    TCustomControl::ColorChanged();
    InvalidateGrid();
}

// ======================================================================== painting

void TStringGrid::Paint() {
    TCanvas* canvas = GetCanvas();
    PaintContext pc{canvas->GetHandle(), Rect(0, 0, 0, 0), ClientSize(), Focused(), BrushCache()};
    if (::GetClipBox(pc.dc, &pc.clip) == ERROR) return;
    const int stride = RowStride();
    // Only rows in view are painted: the fixed ones, then from TopRow down to
    // the bottom of the window.
    int y = 0;
    for (int row = 0; row < fixedRows_ && y < pc.clip.bottom; ++row, y += stride)
        if (y + stride > pc.clip.top) PaintRow(pc, row, y);
    for (int row = topRow_; row < GetRowCount() && y < pc.clip.bottom; ++row, y += stride)
        if (y + stride > pc.clip.top) PaintRow(pc, row, y);
    if (y < pc.clip.bottom) {
        TRect below = Rect(pc.clip.left, y, pc.clip.right, pc.clip.bottom);
        ::FillRect(pc.dc, &below, pc.brushes.Get(GetColor()));
    }
    PaintFocusRect(pc);
}

void TStringGrid::PaintRow(PaintContext& pc, int row, int top) {
    const int fixedWidth = FixedColsWidth();
    const int vlw = VertLineWidth();
    // The scrolled columns first: the fixed ones are painted over whatever
    // part of them slid underneath.
    int x = fixedWidth - scrollX_;
    for (int col = fixedCols_; col < colCount_ && x < pc.clip.right; ++col) {
        const int w = colWidths_[static_cast<std::size_t>(col)];
        if (x + w + vlw > std::max(static_cast<int>(pc.clip.left), fixedWidth))
            PaintCell(pc, col, row, Rect(x, top, x + w, top + defaultRowHeight_));
        // A drawing hook may have widened the column: the next one starts after it.
        x += colWidths_[static_cast<std::size_t>(col)] + vlw;
    }
    if (x < pc.clip.right) {
        TRect rest = Rect(std::max(x, fixedWidth), top, pc.clip.right, top + RowStride());
        ::FillRect(pc.dc, &rest, pc.brushes.Get(GetColor()));
    }
    x = 0;
    for (int col = 0; col < fixedCols_ && x < pc.clip.right; ++col) {
        const int w = colWidths_[static_cast<std::size_t>(col)];
        if (x + w + vlw > pc.clip.left) PaintCell(pc, col, row, Rect(x, top, x + w, top + defaultRowHeight_));
        x += colWidths_[static_cast<std::size_t>(col)] + vlw;
    }
}

void TStringGrid::PaintCell(PaintContext& pc, int col, int row, const TRect& cell) {
    const bool fixed = col < fixedCols_ || row < fixedRows_;
    TGridDrawState state;
    if (fixed) {
        state.Include(gdFixed);
    } else {
        const bool focusedCell = pc.focused && row == current_.row && col == current_.col;
        if (focusedCell) state.Include(gdFocused);
        if (IsSelected(col, row) &&
            (!focusedCell || options_.Contains(goDrawFocusSelected) || options_.Contains(goRowSelect)))
            state.Include(gdSelected);
    }
    const bool selected = state.Contains(gdSelected);
    const TColor background = selected ? clHighlight : fixed ? fixedColor_ : GetColor();
    TCanvas* canvas = GetCanvas();
    if (defaultDrawing_) {
        // The colour first: a font that differs from Font only in colour (the
        // last cell was selected) is then the same font, and no new GDI font
        // is made for it.
        TFont* font = canvas->GetFont();
        font->SetColor(GetFont()->GetColor());
        font->Assign(GetFont());
        if (selected) font->SetColor(clHighlightText);
        canvas->GetBrush()->SetColor(background);
        canvas->FillRect(cell);
    }
    DrawCell(col, row, cell, state);

    // DrawCell may have widened the column; the edges and lines go round the
    // cell as it is now.
    const int width = colWidths_[static_cast<std::size_t>(col)];
    TRect r = Rect(cell.left, cell.top, cell.left + width, cell.bottom);
    if (defaultDrawing_ && fixed) {
        UINT edges = 0;
        if (options_.Contains(goFixedVertLine)) edges |= BF_LEFT | BF_RIGHT;
        if (options_.Contains(goFixedHorzLine)) edges |= BF_TOP | BF_BOTTOM;
        if (edges) ::DrawEdge(pc.dc, &r, BDR_RAISEDINNER, edges);
    }
    // The lines right of and below the cell, or the cell's own colour where
    // the options want no line, so that a selected row stays one band.
    const COLORREF window = ColorToPlainRGB(GetColor());
    const TColor lineColor = fixed ? cl3DDkShadow : window == RGB(192, 192, 192) ? clGray : clSilver;
    const int vlw = VertLineWidth(), hlw = HorzLineWidth();
    if (vlw) {
        const bool line = options_.Contains(fixed ? goFixedVertLine : goVertLine);
        TRect gap = Rect(r.right, r.top, r.right + vlw, r.bottom + hlw);
        ::FillRect(pc.dc, &gap, pc.brushes.Get(line ? lineColor : background));
    }
    if (hlw) {
        const bool line = options_.Contains(fixed ? goFixedHorzLine : goHorzLine);
        TRect gap = Rect(r.left, r.bottom, r.right, r.bottom + hlw);
        ::FillRect(pc.dc, &gap, pc.brushes.Get(line ? lineColor : background));
    }
}

void TStringGrid::PaintFocusRect(PaintContext& pc) {
    if (!pc.focused || current_.row < topRow_ || current_.row > LastVisibleRow()) return;
    TRect r;
    if (options_.Contains(goRowSelect)) {
        const int last = colCount_ - 1;
        r = Rect(std::max(ColLeft(fixedCols_), FixedColsWidth()), RowTop(current_.row),
                 ColLeft(last) + colWidths_[static_cast<std::size_t>(last)], RowTop(current_.row) + defaultRowHeight_);
    } else {
        r = CellRect(current_.col, current_.row);
        r.left = std::max(static_cast<int>(r.left), FixedColsWidth());
    }
    r.right = std::min(static_cast<int>(r.right), pc.client.cx);
    if (r.left >= r.right) return;
    // DrawFocusRect inverts with the DC's colours: black on white dots.
    ui::DcStateGuard state(pc.dc);
    ::SetTextColor(pc.dc, RGB(0, 0, 0));
    ::SetBkColor(pc.dc, RGB(255, 255, 255));
    ::DrawFocusRect(pc.dc, &r);
}

void TStringGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
    if (defaultDrawing_) GetCanvas()->TextRect(rect, rect.left + 2, rect.top + 2, DisplayText(col, row));
    Fire(OnDrawCell, this, col, row, rect, state);
}

// ======================================================================== input

LRESULT TStringGrid::DialogCode() {
    LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (options_.Contains(goTabs)) code |= DLGC_WANTTAB;
    return code;
}

void TStringGrid::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);  // OnKeyDown may take the key
    if (!key) return;
    const bool rowSelect = options_.Contains(goRowSelect);
    const bool ctrl = shift.Contains(ssCtrl);
    bool extend = shift.Contains(ssShift);
    const int page = std::max(1, PageRows());
    Cell c = current_;
    switch (key) {
        case VK_UP: --c.row; break;
        case VK_DOWN: ++c.row; break;
        case VK_PRIOR:
            // A page moves the view and the current row together.
            ScrollBy(-page);
            c.row -= page;
            break;
        case VK_NEXT:
            ScrollBy(page);
            c.row += page;
            break;
        case VK_HOME:
            if (rowSelect || ctrl) c.row = fixedRows_;
            if (!rowSelect) c.col = fixedCols_;
            break;
        case VK_END:
            if (rowSelect || ctrl) c.row = GetRowCount() - 1;
            if (!rowSelect) c.col = colCount_ - 1;
            break;
        case VK_LEFT:
        case VK_RIGHT: {
            const int step = key == VK_LEFT ? -1 : 1;
            if (rowSelect) {
                ScrollTo(topRow_, scrollX_ + step * kHorzLine);
                key = 0;
                return;
            }
            c.col += step;
            break;
        }
        case VK_TAB:
            if (!options_.Contains(goTabs) || ctrl) return;
            // Tab goes along the row and on to the next one; Shift+Tab back.
            extend = false;
            if (shift.Contains(ssShift)) {
                if (--c.col < fixedCols_) {
                    c.col = colCount_ - 1;
                    --c.row;
                }
            } else if (++c.col >= colCount_) {
                c.col = fixedCols_;
                ++c.row;
            }
            if (c.row < fixedRows_ || c.row >= GetRowCount()) c = current_;
            break;
        default:
            return;
    }
    MoveCurrent(c, extend);
    key = 0;
}

int TStringGrid::SizingBorderAt(int x, int y) const {
    if (!options_.Contains(goColSizing) || y < 0 || y >= FixedRowsHeight()) return -1;
    // The last column whose edge is near: a column sized down to nothing
    // can still be widened again.
    for (int c = colCount_ - 1; c >= 0; --c) {
        const int edge = ColLeft(c) + colWidths_[static_cast<std::size_t>(c)];
        if (c >= fixedCols_ && edge <= FixedColsWidth()) continue;  // scrolled under the fixed columns
        if (x >= edge - kSizingReach && x <= edge + kSizingReach) return c;
    }
    return -1;
}

void TStringGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && (sizingCol_ = SizingBorderAt(x, y)) >= 0) {
        sizingGrab_ = x - (ColLeft(sizingCol_) + colWidths_[static_cast<std::size_t>(sizingCol_)]);
        TCustomControl::MouseDown(button, shift, x, y);
        return;
    }
    if (button == mbLeft) {
        if (CanFocus() && !Focused()) SetFocus();
        int col, row;
        MouseToCell(x, y, col, row);
        // A whole-row selection takes a press anywhere along the row.
        if (options_.Contains(goRowSelect) && row >= 0 && col < fixedCols_) col = current_.col;
        if (row >= fixedRows_ && row <= LastSelectableRow() && col >= fixedCols_) {
            MoveCurrent(Cell{col, row}, shift.Contains(ssShift));
            selecting_ = true;
        }
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TStringGrid::MouseMove(TShiftState shift, int x, int y) {
    if (sizingCol_ >= 0) {
        SetColWidths(sizingCol_, std::max(kMinColWidth, x - sizingGrab_ - ColLeft(sizingCol_)));
        // Painted as it goes, not when the mouse rests.
        if (HandleAllocated()) ::UpdateWindow(TWinControl::GetHandle());
    } else if (selecting_ && shift.Contains(ssLeft)) {
        const Extent client = ClientSize();
        const bool above = y < FixedRowsHeight(), below = y >= client.cy;
        // Beyond the top or bottom the selection goes on growing, a row a tick.
        if (above || below)
            ::SetTimer(TWinControl::GetHandle(), kDragScrollTimer, kDragScrollMs, nullptr);
        else
            ::KillTimer(TWinControl::GetHandle(), kDragScrollTimer);
        int row = above ? topRow_ : below ? LastVisibleRow() : RowAtY(y);
        if (row < 0) row = GetRowCount() - 1;  // under the last row
        int col = ColAtX(x);
        if (col < 0) col = x < 0 ? fixedCols_ : colCount_ - 1;
        const Cell target{std::max(col, fixedCols_), std::max(row, fixedRows_)};
        if (!(target == current_)) MoveCurrent(target, true);
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TStringGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        StopDragSelecting();
        sizingCol_ = -1;
    }
    TCustomControl::MouseUp(button, shift, x, y);
}

void TStringGrid::StopDragSelecting() {
    selecting_ = false;
    if (HandleAllocated()) ::KillTimer(TWinControl::GetHandle(), kDragScrollTimer);
}

void TStringGrid::DragScrollTick() {
    if (!selecting_) return StopDragSelecting();
    POINT p;
    ::GetCursorPos(&p);
    ::ScreenToClient(TWinControl::GetHandle(), &p);
    if (p.y < FixedRowsHeight())
        MoveCurrent(Cell{current_.col, std::max(fixedRows_, std::min(current_.row, topRow_) - 1)}, true);
    else if (p.y >= ClientSize().cy)
        MoveCurrent(Cell{current_.col, std::min(GetRowCount() - 1, std::max(current_.row, LastVisibleRow()) + 1)},
                    true);
}

void TStringGrid::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_VSCROLL:
        case WM_HSCROLL:
            HandleScroll(m.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(m.WParam));
            return;
        case WM_MOUSEWHEEL: {
            UINT lines = 3;
            ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
            wheelDelta_ += GET_WHEEL_DELTA_WPARAM(m.WParam);
            const int notches = wheelDelta_ / WHEEL_DELTA;
            wheelDelta_ -= notches * WHEEL_DELTA;
            const int perNotch = lines == WHEEL_PAGESCROLL ? std::max(1, PageRows()) : static_cast<int>(lines);
            ScrollBy(-notches * perNotch);
            return;
        }
        case WM_SIZE:
            TCustomControl::WndProc(m);
            UpdateClientSize();
            UpdateScrollBars();
            InvalidateGrid();
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TCustomControl::WndProc(m);
            InvalidateRows(current_.row, current_.row);  // the focus rectangle comes or goes
            return;
        case WM_CAPTURECHANGED:
        case WM_CANCELMODE:
            StopDragSelecting();
            sizingCol_ = -1;
            break;
        case WM_SETCURSOR:
            if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == TWinControl::GetHandle()) {
                POINT p;
                ::GetCursorPos(&p);
                ::ScreenToClient(TWinControl::GetHandle(), &p);
                if (sizingCol_ >= 0 || SizingBorderAt(p.x, p.y) >= 0) {
                    ::SetCursor(CursorHandle(crSizeWE));
                    m.Result = 1;
                    return;
                }
            }
            break;
        case WM_TIMER:
            if (m.WParam == kDragScrollTimer) {
                DragScrollTick();
                return;
            }
            if (m.WParam == kScrollBarTimer) {
                UpdateScrollBars();
                return;
            }
            break;
        default:
            break;
    }
    TCustomControl::WndProc(m);
}
