// The pattern list: loaded from its file at start-up, extended with the
// pattern field and the mode box, taken back by double-clicking a row or
// removed with Supr, and saved to its file after every change.
#include "app/MainUnit.h"
#include "app/WindowTexts.h"
#include "engine/PatternList.h"
#include "ui/SysUtils.h"
#include "base/Module.h"

std::string TMain::IniPath() { return base::ExeFolder() + "\\Sweepfield.Ini"; }

void TMain::LoadPatterns(const std::string& iniPath, const std::string& roaming) {
    patternFile_ = sweep::PatternFile(iniPath, roaming);
    std::vector<sweep::PatternRow> rows = patternFile_.Load();
    sgFiles->SetRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        sgFiles->SetCells(0, r, rows[static_cast<std::size_t>(r)].pattern);
        sgFiles->SetCells(2, r, rows[static_cast<std::size_t>(r)].mode);
    }
}

std::vector<sweep::PatternRow> TMain::PatternRows() const {
    std::vector<sweep::PatternRow> rows;
    for (int r = 0; r < sgFiles->GetRowCount(); ++r) rows.push_back({sgFiles->GetCells(0, r), sgFiles->GetCells(2, r)});
    return rows;
}

void TMain::SavePatterns() {
    // The list in the window stays whatever happens to its file; the next
    // change tries again.
    const std::string before = patternFile_.Path();
    const DWORD error = patternFile_.Save(PatternRows());
    if (error != ERROR_SUCCESS)
        SetPanel(pnActivity, sweep::PatternsNotSaved(error));
    else if (patternFile_.Path() != before)
        SetPanel(pnActivity, sweep::PatternsSavedElsewhere(patternFile_.Path()));
}

void TMain::AddButtonClick(TObject*) {
    const std::string pattern = eName->GetText();
    for (int r = 0; r < sgFiles->GetRowCount(); ++r) {
        if (sgFiles->GetCells(0, r) != pattern) continue;
        sgFiles->SetRow(r);
        SetPanel(pnActivity, sweep::PatternAlreadyListed(pattern));
        return;
    }
    // The mode is the item chosen in the box, whatever its edit line shows.
    const int mode = cbAutodel->GetItemIndex();
    const int row = sgFiles->GetRowCount();
    sgFiles->SetRowCount(row + 1);
    sgFiles->SetCells(0, row, pattern);
    sgFiles->SetCells(1, row, "");
    sgFiles->SetCells(2, row, cbAutodel->GetItem(mode >= 0 ? mode : 0));
    sgFiles->SetRow(row);
    eName->SetText("");
    SavePatterns();
}

void TMain::RemovePatternRow(int row) {
    if (sgFiles->GetRowCount() > 1) {
        sgFiles->DeleteRow(row);
    } else {
        // The only row stays, blank: that is the empty list.
        for (int col = 0; col < 3; ++col) sgFiles->SetCells(col, row, "");
    }
    SavePatterns();
}

void TMain::sgFilesDblClick(TObject*) {
    int row = sgFiles->GetRow();
    eName->SetText(sgFiles->GetCells(0, row));
    cbAutodel->SetItemIndex(sweep::ModeIndexOf(sgFiles->GetCells(2, row)));
    ShowModeHint();
    RemovePatternRow(row);
}

void TMain::sgFilesKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    if (ShortCut(Key, Shift) != ShortCut(VK_DELETE, {})) return;
    RemovePatternRow(sgFiles->GetRow());
    Key = 0;
}

void TMain::cbAutodelDblClick(TObject*) {
    int index = cbAutodel->GetItemIndex();
    if (index >= 0) cbAutodel->SetItemIndex((index + 1) % cbAutodel->GetItemCount());
    ShowModeHint();
}

void TMain::cbAutodelChange(TObject*) { ShowModeHint(); }

void TMain::cbAutodelKeyPress(TObject*, wchar_t& Key) {
    Key = 0;  // the mode is chosen, never typed
}

void TMain::ShowModeHint() { cbAutodel->SetHint(sweep::ModeHint(cbAutodel->GetItemIndex())); }

void TMain::ApplyDefaultPattern() {
    if (sgFiles->GetRowCount() < 2 && sgFiles->GetCells(0, 0).empty()) {
        sgFiles->SetRowCount(1);
        sgFiles->SetCells(0, 0, "*.*");
        sgFiles->SetCells(2, 0, "No");
        SavePatterns();
    }
}
