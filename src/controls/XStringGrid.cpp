#include "controls/XStringGrid.h"

#include <commctrl.h>

#include <algorithm>

#include "base/Unicode.h"

namespace {
// The sort mark: a triangle this wide and half as high, this far after the title.
constexpr int kMarkWidth = 7;
constexpr int kMarkGap = 6;
// A cell's text starts 2 pixels in; a shortened one ends as far from the edge.
constexpr int kTextInset = 2;
const wchar_t kEllipsis[] = L"\u2026";

bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
}  // namespace

std::wstring ShortenToFit(const std::wstring& text, std::size_t keepFrom, const std::vector<int>& ends,
                          int ellipsisWidth, int width) {
    const std::size_t n = std::min(text.size(), ends.size());
    keepFrom = std::min(keepFrom, n);
    // The width of the first i units.
    auto upTo = [&](std::size_t i) { return i ? ends[i - 1] : 0; };
    const int total = upTo(n);
    if (total <= width) return text;
    const int tail = total - upTo(keepFrom);
    if (ellipsisWidth + tail <= width) {
        std::size_t head = keepFrom;
        while (head > 0 && upTo(head) + ellipsisWidth + tail > width) --head;
        if (head > 0 && IsLowSurrogate(text[head])) --head;
        return text.substr(0, head) + kEllipsis + text.substr(keepFrom, n - keepFrom);
    }
    std::size_t from = keepFrom;
    while (from < n && total - upTo(from) + ellipsisWidth > width) ++from;
    if (from < n && IsLowSurrogate(text[from])) ++from;
    return kEllipsis + text.substr(from, n - from);
}

std::size_t PathTailStart(const std::wstring& path) {
    std::size_t end = path.size();
    if (end && path[end - 1] == L'\\') --end;
    const std::size_t slash = end ? path.rfind(L'\\', end - 1) : std::wstring::npos;
    return slash == std::wstring::npos ? 0 : slash;
}

std::size_t NameTailStart(const std::wstring& name) {
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos || dot == 0 ? name.size() : dot;
}

TXStringGrid::TXStringGrid(TComponent* owner) : TStringGrid(owner), titleFont_(new TFont) {}

TXStringGrid::~TXStringGrid() = default;

TColumnFit TXStringGrid::GetColumnFit(int col) const {
    return col >= 0 && col < static_cast<int>(fits_.size()) ? fits_[static_cast<std::size_t>(col)] : cfWiden;
}

void TXStringGrid::SetColumnFit(int col, TColumnFit fit) {
    if (col < 0) return;
    if (static_cast<int>(fits_.size()) <= col) fits_.resize(static_cast<std::size_t>(col) + 1, cfWiden);
    fits_[static_cast<std::size_t>(col)] = fit;
    Invalidate();
}

void TXStringGrid::SetSortMark(int col, TSortMark mark) {
    if (mark == TSortMark::smNone) col = -1;
    if (col == sortColumn_ && mark == sortMark_) return;
    sortColumn_ = col;
    sortMark_ = mark;
    InvalidateRect(Rect(0, 0, GetClientWidth(), GetDefaultRowHeight() + 1), false);
}

void TXStringGrid::CreateWnd() {
    TStringGrid::CreateWnd();
    HWND grid = TWinControl::GetHandle();
    tip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, grid, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr));
    if (!tip_) return;
    // One tool, moved to the shortened cell under the mouse; no rectangle
    // while there is none.
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = grid;
    tool.uId = 1;
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tipCol_ = tipRow_ = -1;
}

void TXStringGrid::DestroyWnd() {
    // The tip's owner is the form (a pop-up belongs to a top-level window):
    // it would outlive the grid's window.
    tip_.reset();
    TStringGrid::DestroyWnd();
}

std::string TXStringGrid::DisplayText(int col, int row) {
    const TColumnFit fit = GetColumnFit(col);
    if (fit == cfWiden || row < GetFixedRows()) return GetCells(col, row);
    // Measured in the font the cell is drawn in.
    TCanvas* canvas = GetCanvas();
    const std::wstring text = base::Wide(GetCells(col, row));
    const std::vector<int> ends = canvas->TextEnds(text);
    const int ellipsis = canvas->TextWidth(base::Utf8(kEllipsis));
    const std::size_t keep = fit == cfShortenPath ? PathTailStart(text) : NameTailStart(text);
    return base::Utf8(ShortenToFit(text, keep, ends, ellipsis, GetColWidths(col) - 2 * kTextInset));
}

std::string TXStringGrid::ShownText(int col, int row) {
    TCanvas* canvas = GetCanvas();
    canvas->SetFont(GetFont());
    return DisplayText(col, row);
}

void TXStringGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
    TCanvas* canvas = GetCanvas();
    const bool marked = row == 0 && col == sortColumn_;
    const TRowStyle style = OnRowStyle && row >= GetFixedRows() ? OnRowStyle(row) : TRowStyle{};
    // A bold row is measured bold too.
    if (style.bold) canvas->GetFont()->SetStyle({fsBold});
    // Measured in the font the base prepared (Font), also in row 0: a title
    // whose bold face is more than 10 pixels wider than its plain face is
    // clipped at the column's edge.
    if (GetColumnFit(col) == cfWiden || row == 0) {
        const int textWidth = canvas->TextWidth(GetCells(col, row));
        const int needed = textWidth + 10 + (marked ? kMarkGap + kMarkWidth : 0);
        const int grow = needed - GetColWidths(col);
        if (grow > 0) {
            SetColWidths(col, needed);
            // The room comes from the stretch column, so the columns that
            // fitted the grid still do.
            const int stretch = GetStretchCol();
            if (stretch >= 0 && stretch != col && stretch < GetColCount())
                SetColWidths(stretch, std::max(GetColWidths(stretch) - grow,
                                               std::min(GetColWidths(stretch), MinStretchWidth)));
        }
    }
    rect.right = rect.left + GetColWidths(col);
    // The whole font, colour included: a selected row keeps its font's colour
    // on the highlight, not the highlight text colour the base chose.
    canvas->SetFont(row == 0 ? titleFont_.get() : GetFont());
    if (style.bold) canvas->GetFont()->SetStyle({fsBold});
    if (style.background != clNone && !state.Contains(gdSelected)) {
        canvas->GetBrush()->SetColor(style.background);
        canvas->FillRect(rect);
    }
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

void TXStringGrid::TipFor(int col, int row) {
    if (!tip_ || (col == tipCol_ && row == tipRow_)) return;
    tipCol_ = col;
    tipRow_ = row;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = TWinControl::GetHandle();
    tool.uId = 1;
    // The tip of the cell left behind goes at once.
    ::SendMessageW(tip_.get(), TTM_POP, 0, 0);
    std::wstring text;
    if (col >= 0 && row >= GetFixedRows()) {
        const std::string whole = GetCells(col, row);
        if (!whole.empty() && ShownText(col, row) != whole) {
            text = base::Wide(whole);
            tool.rect = CellRect(col, row);
        }
    }
    ::SendMessageW(tip_.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = &text[0];
    if (text.empty()) tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

int TXStringGrid::TitleAt(int x, int y) const {
    int col, row;
    MouseToCell(x, y, col, row);
    return row == 0 && GetFixedRows() > 0 ? col : -1;
}

void TXStringGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TStringGrid::MouseDown(button, shift, x, y);
    // The second press of a double click counts too: two quick clicks sort and
    // then reverse. A press that takes a column's border sizes it and sorts
    // nothing.
    pressedTitle_ = button == mbLeft && !SizingColumn() ? TitleAt(x, y) : -1;
}

void TXStringGrid::MouseMove(TShiftState shift, int x, int y) {
    TStringGrid::MouseMove(shift, x, y);
    int col, row;
    MouseToCell(x, y, col, row);
    TipFor(col, row);
}

void TXStringGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const int pressed = pressedTitle_;
    pressedTitle_ = -1;
    TStringGrid::MouseUp(button, shift, x, y);
    if (button == mbLeft && pressed >= 0 && TitleAt(x, y) == pressed) Fire(OnTitleClick, this, pressed);
}

void TXStringGrid::MouseLeave() {
    TStringGrid::MouseLeave();
    TipFor(-1, -1);
}
