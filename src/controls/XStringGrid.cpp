#include "controls/XStringGrid.h"

TXStringGrid::TXStringGrid(TComponent* owner) : TStringGrid(owner), titleFont_(new TFont) {}

TXStringGrid::~TXStringGrid() = default;

void TXStringGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
    TCanvas* canvas = GetCanvas();
    // Measured in the font the base prepared (Font), also in row 0: a title
    // whose bold face is more than 10 pixels wider than its plain face is
    // clipped at the column's edge.
    const int needed = canvas->TextWidth(GetCells(col, row)) + 10;
    if (GetColWidths(col) < needed) SetColWidths(col, needed);
    rect.right = rect.left + GetColWidths(col);
    // The whole font, colour included: a selected row keeps its font's colour
    // on the highlight, not the highlight text colour the base chose.
    canvas->SetFont(row == 0 ? titleFont_.get() : GetFont());
    TStringGrid::DrawCell(col, row, rect, state);
}
