// The pattern list: loaded once from the initialisation file, extended with
// the pattern field and the mode box, and taken back by double-clicking.
#include "app/MainUnit.h"
#include "app/WindowTexts.h"
#include "engine/IniFile.h"
#include "ui/SysUtils.h"
#include "base/Module.h"

std::string TMain::IniPath() { return base::ExeFolder() + "\\Sweepfield.Ini"; }

void TMain::LoadPatterns(const std::string& iniPath) {
    std::vector<sweep::PatternRow> rows = sweep::PatternRowsFrom(sweep::ReadIniSection(iniPath, "FindFiles"));
    sgFiles->SetRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        sgFiles->SetCells(0, r, rows[static_cast<std::size_t>(r)].pattern);
        sgFiles->SetCells(2, r, rows[static_cast<std::size_t>(r)].mode);
    }
}

void TMain::AddButtonClick(TObject*) {
    int row = sgFiles->GetRowCount();
    sgFiles->SetRowCount(row + 1);
    sgFiles->SetCells(0, row, eName->GetText());
    sgFiles->SetCells(1, row, "");
    sgFiles->SetCells(2, row, cbAutodel->GetText());
}

void TMain::sgFilesDblClick(TObject*) {
    int row = sgFiles->GetRow();
    eName->SetText(sgFiles->GetCells(0, row));
    cbAutodel->SetItemIndex(sweep::ModeIndexOf(sgFiles->GetCells(2, row)));
    if (sgFiles->GetRowCount() > 1) {
        sgFiles->DeleteRow(row);
    } else {
        // The only row stays, blank: that is the empty list.
        for (int col = 0; col < 3; ++col) sgFiles->SetCells(col, row, "");
    }
}

void TMain::cbAutodelDblClick(TObject*) {
    int index = cbAutodel->GetItemIndex();
    if (index >= 0) cbAutodel->SetItemIndex((index + 1) % 3);
}

void TMain::cbAutodelKeyPress(TObject*, wchar_t& Key) {
    Key = 0;  // the mode is chosen, never typed
}

void TMain::ApplyDefaultPattern() {
    if (sgFiles->GetRowCount() < 2 && sgFiles->GetCells(0, 0).empty()) {
        sgFiles->SetRowCount(1);
        sgFiles->SetCells(0, 0, "*.*");
        sgFiles->SetCells(2, 0, "No");
    }
}
