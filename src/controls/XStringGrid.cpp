#include "controls/XStringGrid.h"

namespace {
// The sort mark: a triangle this wide and half as high, this far after the title.
constexpr int kMarkWidth = 7;
constexpr int kMarkGap = 6;
}  // namespace

TXStringGrid::TXStringGrid(TComponent* owner) : TStringGrid(owner), titleFont_(new TFont) {}

TXStringGrid::~TXStringGrid() = default;

void TXStringGrid::SetSortMark(int col, TSortMark mark) {
    if (mark == TSortMark::smNone) col = -1;
    if (col == sortColumn_ && mark == sortMark_) return;
    sortColumn_ = col;
    sortMark_ = mark;
    InvalidateRect(Rect(0, 0, GetClientWidth(), GetDefaultRowHeight() + 1), false);
}

void TXStringGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
    TCanvas* canvas = GetCanvas();
    const bool marked = row == 0 && col == sortColumn_;
    // Measured in the font the base prepared (Font), also in row 0: a title
    // whose bold face is more than 10 pixels wider than its plain face is
    // clipped at the column's edge.
    const int textWidth = canvas->TextWidth(GetCells(col, row));
    const int needed = textWidth + 10 + (marked ? kMarkGap + kMarkWidth : 0);
    if (GetColWidths(col) < needed) SetColWidths(col, needed);
    rect.right = rect.left + GetColWidths(col);
    // The whole font, colour included: a selected row keeps its font's colour
    // on the highlight, not the highlight text colour the base chose.
    canvas->SetFont(row == 0 ? titleFont_.get() : GetFont());
    TStringGrid::DrawCell(col, row, rect, state);
    if (!marked) return;

    const int left = rect.left + 2 + canvas->TextWidth(GetCells(col, row)) + kMarkGap;
    const int middle = (rect.top + rect.bottom) / 2;
    const int half = kMarkWidth / 2;
    const bool up = sortMark_ == TSortMark::smAscending;
    POINT points[3] = {{left, up ? middle + 2 : middle - 2},
                       {left + kMarkWidth - 1, up ? middle + 2 : middle - 2},
                       {left + half, up ? middle + 2 - half : middle - 2 + half}};
    canvas->GetBrush()->SetColor(titleFont_->GetColor());
    canvas->GetPen()->SetColor(titleFont_->GetColor());
    canvas->Polygon(points, 3);
}

int TXStringGrid::TitleAt(int x, int y) const {
    int col, row;
    MouseToCell(x, y, col, row);
    return row == 0 && GetFixedRows() > 0 ? col : -1;
}

void TXStringGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // The second press of a double click counts too: two quick clicks sort and
    // then reverse.
    pressedTitle_ = button == mbLeft ? TitleAt(x, y) : -1;
    TStringGrid::MouseDown(button, shift, x, y);
}

void TXStringGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const int pressed = pressedTitle_;
    pressedTitle_ = -1;
    TStringGrid::MouseUp(button, shift, x, y);
    if (button == mbLeft && pressed >= 0 && TitleAt(x, y) == pressed) Fire(OnTitleClick, this, pressed);
}
