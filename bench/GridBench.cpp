// The cost of the result grid with 100,000 rows: filling it one row at a
// time as a search does, painting the rows in view at the top, the middle and
// the end, and removing a block of 10,000 rows. Each figure is set against a
// baseline measured in the same run:
//   filling   - the same string writes into a plain vector of rows;
//   painting  - a bare ExtTextOutA of the same cells into the same memory DC;
//   removing  - erasing the same range from the plain vector.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/XStringGrid.h"
#include "BenchClock.h"
#include "ui/Forms.h"
#include "base/Unicode.h"

namespace {

constexpr int kRows = 100000;
constexpr int kRemoved = 10000;
constexpr int kPaintRepeats = 200;

using Row = std::array<std::string, 4>;

// Texts of the kind a search writes: a name, a folder, a size, a date.
std::vector<Row> MakeRows() {
    std::vector<Row> rows(kRows);
    char buffer[128];
    for (int i = 0; i < kRows; ++i) {
        std::snprintf(buffer, sizeof buffer, "documento_%05d.tmp", i);
        rows[i][0] = buffer;
        std::snprintf(buffer, sizeof buffer, "C:\\Documents and Settings\\Usuario\\Configuracion local\\Temp\\carpeta%03d\\",
                      i / 50);
        rows[i][1] = buffer;
        std::snprintf(buffer, sizeof buffer, "%d bytes", (i * 7919) % 9000000);
        rows[i][2] = buffer;
        std::snprintf(buffer, sizeof buffer, "%02d/%02d/2004 %02d:%02d:%02d", 1 + i % 28, 1 + i % 12, i % 24, i % 60,
                      (i * 7) % 60);
        rows[i][3] = buffer;
    }
    return rows;
}

// Handles messages for a while: the grid brings its scroll bars up to date
// on a timer.
void Settle(int ms = 300) {
    const double end = Now() + ms / 1000.0;
    while (Now() < end) {
        Application->ProcessMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void Report(const char* what, double seconds, double baseline) {
    std::printf("%-44s %9.3f ms   baseline %9.3f ms   ratio %6.2f\n", what, seconds * 1e3, baseline * 1e3,
                seconds / baseline);
}

// A 32-bit memory picture of the grid's client size.
struct MemoryPicture {
    explicit MemoryPicture(HWND wnd) {
        RECT r;
        ::GetClientRect(wnd, &r);
        width = r.right;
        height = r.bottom;
        HDC screen = ::GetDC(wnd);
        dc = ::CreateCompatibleDC(screen);
        bitmap = ::CreateCompatibleBitmap(screen, width, height);
        ::ReleaseDC(wnd, screen);
        old = ::SelectObject(dc, bitmap);
    }
    ~MemoryPicture() {
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
    }
    int width = 0, height = 0;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

// The grid paints what is in view; the baseline writes the same texts at the
// same places with nothing else around them.
void MeasurePaint(const char* where, TStringGrid* grid, MemoryPicture& picture) {
    HWND wnd = grid->GetHandle();
    ::SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.dc), PRF_CLIENT);  // widen first
    double start = Now();
    for (int i = 0; i < kPaintRepeats; ++i)
        ::SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.dc), PRF_CLIENT);
    const double painted = (Now() - start) / kPaintRepeats;

    struct Cell {
        TRect rect;
        std::string text;
    };
    std::vector<Cell> cells;
    auto addRow = [&](int row) {
        for (int col = 0; col < grid->GetColCount(); ++col) {
            TRect r = grid->CellRect(col, row);
            if (!::IsRectEmpty(&r)) cells.push_back(Cell{r, grid->GetCells(col, row)});
        }
    };
    addRow(0);
    for (int row = grid->GetTopRow(); row < grid->GetRowCount(); ++row) {
        const TRect first = grid->CellRect(0, row);
        if (::IsRectEmpty(&first) || first.top >= picture.height) break;
        addRow(row);
    }
    HGDIOBJ oldFont = ::SelectObject(picture.dc, grid->GetFont()->GetHandle());
    start = Now();
    for (int i = 0; i < kPaintRepeats; ++i)
        for (const Cell& c : cells) {
            // From the same UTF-8 texts, as the grid has them.
            const std::wstring text = base::Wide(c.text);
            ::ExtTextOutW(picture.dc, c.rect.left + 2, c.rect.top + 2, ETO_CLIPPED | ETO_OPAQUE, &c.rect,
                          text.data(), static_cast<UINT>(text.size()), nullptr);
        }
    ::GdiFlush();
    const double bare = (Now() - start) / kPaintRepeats;
    ::SelectObject(picture.dc, oldFont);

    char label[96];
    std::snprintf(label, sizeof label, "paint %zu cells in view, %s", cells.size(), where);
    Report(label, painted, bare);
}

// The whole window repainted through WM_PAINT, off-screen buffer and copy to
// the screen included; no baseline, for scale.
void MeasureRepaint(const char* where, TStringGrid* grid) {
    double start = Now();
    for (int i = 0; i < kPaintRepeats; ++i)
        ::RedrawWindow(grid->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    std::printf("%-44s %9.3f ms\n", (std::string("WM_PAINT of the whole grid, ") + where).c_str(),
                (Now() - start) / kPaintRepeats * 1e3);
}

}  // namespace

int main() {
    TApplication application(nullptr);
    Application->Initialize();
    auto* form = new TForm(Application);
    form->SetBounds(40, 40, 560, 400);
    form->SetClientWidth(540);
    form->SetClientHeight(256);
    // The result grid as the main window makes it.
    auto* grid = new TXStringGrid(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetColCount(4);
    grid->SetRowCount(2);
    grid->SetFixedCols(0);
    grid->SetDefaultRowHeight(16);
    grid->SetOptions({goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goRowSelect});
    grid->SetTabStop(false);
    grid->GetTitleFont()->SetStyle({fsBold});
    const char* headings[] = {"Fichero", "Ruta", "Tamaño", "Modificado"};
    const int w = grid->GetClientWidth();
    const int widths[] = {w * 2 / 5, w * 2 / 5 - 2, w / 5, w / 5};
    for (int c = 0; c < 4; ++c) {
        grid->SetCells(c, 0, headings[c]);
        grid->SetColWidths(c, widths[c]);
    }
    form->Show();
    Settle();

    const std::vector<Row> texts = MakeRows();
    std::printf("Result grid of %d rows, %d x %d client pixels\n\n", kRows, grid->GetClientWidth(),
                grid->GetClientHeight());

    // Filling: write the blank last row, then add a new blank one.
    double start = Now();
    for (const Row& row : texts) {
        const int last = grid->GetRowCount() - 1;
        for (int c = 0; c < 4; ++c) grid->SetCells(c, last, row[static_cast<std::size_t>(c)]);
        grid->SetRowCount(last + 2);
    }
    const double filled = Now() - start;
    start = Now();
    std::vector<Row> plain(2);
    for (int c = 0; c < 4; ++c) plain[0][static_cast<std::size_t>(c)] = headings[c];
    for (const Row& row : texts) {
        Row& last = plain.back();
        for (int c = 0; c < 4; ++c) last[static_cast<std::size_t>(c)] = row[static_cast<std::size_t>(c)];
        plain.emplace_back();
    }
    const double filledPlain = Now() - start;
    Report("fill 100000 rows, one at a time", filled, filledPlain);
    std::printf("%-44s %9.3f us\n", "  per row", filled / kRows * 1e6);
    start = Now();
    Application->ProcessMessages();  // the scroll bars catch up once
    std::printf("%-44s %9.3f ms\n", "  messages after the fill (scroll bars, paint)", (Now() - start) * 1e3);

    // As a search really goes: the message queue is read once per folder
    // (here every 20 rows), so the scroll bar follows as the rows come. The
    // baseline reads the queue as often around its plain writes.
    grid->SetRowCount(2);
    Application->ProcessMessages();
    start = Now();
    int n = 0;
    for (const Row& row : texts) {
        const int last = grid->GetRowCount() - 1;
        for (int c = 0; c < 4; ++c) grid->SetCells(c, last, row[static_cast<std::size_t>(c)]);
        grid->SetRowCount(last + 2);
        if (++n % 20 == 0) Application->ProcessMessages();
    }
    const double pumped = Now() - start;
    std::vector<Row> plain2(2);
    start = Now();
    n = 0;
    for (const Row& row : texts) {
        Row& last = plain2.back();
        for (int c = 0; c < 4; ++c) last[static_cast<std::size_t>(c)] = row[static_cast<std::size_t>(c)];
        plain2.emplace_back();
        if (++n % 20 == 0) Application->ProcessMessages();
    }
    Report("fill 100000 rows, messages every 20 rows", pumped, Now() - start);
    std::printf("%-44s %9.3f us\n\n", "  per row", pumped / kRows * 1e6);

    Settle();
    {
        MemoryPicture picture(grid->GetHandle());
        MeasurePaint("top", grid, picture);
        MeasureRepaint("top", grid);
        start = Now();
        grid->SetTopRow(kRows / 2);
        std::printf("%-44s %9.3f ms\n", "scroll to the middle (sets the scroll bar)", (Now() - start) * 1e3);
        MeasurePaint("middle", grid, picture);
        MeasureRepaint("middle", grid);
        grid->SetTopRow(kRows + 1);
        MeasurePaint("end", grid, picture);
        MeasureRepaint("end", grid);
    }
    std::printf("\n");

    // Removing: three blocks of 10,000 from the middle, one call each.
    double removed = 0, removedPlain = 0;
    for (int i = 0; i < 3; ++i) {
        const int first = grid->GetRowCount() / 2 - kRemoved / 2;
        start = Now();
        grid->DeleteRows(first, kRemoved);
        removed += Now() - start;
        start = Now();
        plain.erase(plain.begin() + first, plain.begin() + first + kRemoved);
        removedPlain += Now() - start;
    }
    Report("remove 10000 rows from the middle (each)", removed / 3, removedPlain / 3);
    if (grid->GetRowCount() != static_cast<int>(plain.size())) std::printf("row counts differ!\n");

    start = Now();
    std::size_t length = 0;
    for (int row = 0; row < grid->GetRowCount(); ++row) length += grid->GetCells(1, row).size();
    const double read = Now() - start;
    start = Now();
    std::size_t plainLength = 0;
    for (const Row& row : plain) plainLength += row[1].size();
    Report("read one column of every row", read, Now() - start);
    if (length != plainLength) std::printf("texts differ!\n");
    return 0;
}
