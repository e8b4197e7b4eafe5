// Deletion: "Eliminar" deletes the files of the selected block of result rows
// and removes their rows. Deletion is immediate and final.
#include "app/MainUnit.h"
#include "app/SearchRules.h"
#include "ui/SysUtils.h"
#include "ui/Unicode.h"

bool TMain::DeleteListedFile(int row) {
    if (xgFoundFiles->GetCells(0, row).empty()) return false;  // the blank last row
    const std::string path = xgFoundFiles->GetCells(1, row) + xgFoundFiles->GetCells(0, row);
    // One look at the file gives what the existence test, the comparison
    // with the row and the restoring of attributes need.
    const std::wstring widePath = ui::Wide(path);
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!::GetFileAttributesExW(widePath.c_str(), GetFileExInfoStandard, &file)) return false;
    if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    // Only what was listed is deleted: a file whose size or time changed since
    // the search is another file now, and stays.
    if (sweep::SizeText(sweep::EntrySize(file)) != xgFoundFiles->GetCells(2, row) ||
        sweep::ModifiedText(file.ftLastWriteTime) != xgFoundFiles->GetCells(3, row))
        return false;

    SetPanel(4, "Eliminando " + path);
    // Read-only, hidden and system go; a file that has only the archive
    // attribute (as most have) needs no call for that.
    const bool clear = file.dwFileAttributes != FILE_ATTRIBUTE_ARCHIVE;
    if (clear) ::SetFileAttributesW(widePath.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    if (::DeleteFileW(widePath.c_str())) return true;
    // Not deleted (in use, no right): the file keeps what it had.
    if (clear) ::SetFileAttributesW(widePath.c_str(), file.dwFileAttributes);
    return false;
}

void TMain::Eliminar1Click(TObject*) {
    Screen->SetCursor(crAppStart);
    // However it ends, the status bar shows the last texts and the cursor is back.
    struct Idle {
        TMain* main;
        ~Idle() {
            main->StatusBar->FlushTexts();
            Screen->SetCursor(crDefault);
        }
    } idle{this};

    // The range is the selection as it stands now. Every row of it is visited
    // once; the rows whose files stay are moved up over the deleted ones as
    // the visit goes, and the gap is closed with one removal at the end, so
    // no row below is moved more than once.
    const TGridRect selection = xgFoundFiles->GetSelection();
    const int top = selection.Top, bottom = selection.Bottom;
    int kept = top;
    for (int row = top; row <= bottom; ++row) {
        if (DeleteListedFile(row)) continue;
        if (kept != row)
            for (int col = 0; col < 4; ++col) xgFoundFiles->SetCells(col, kept, xgFoundFiles->GetCells(col, row));
        ++kept;
    }
    if (kept <= bottom) xgFoundFiles->DeleteRows(kept, bottom - kept + 1);

    SetPanel(0, ui::IntToStr(xgFoundFiles->GetRowCount() - 2));
    SetPanel(4, "Hecho");
}
