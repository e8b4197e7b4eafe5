// Deletion, as the window runs it: "Eliminar" (Mayús+Supr) deletes the
// files of the selected rows for good once the user has said yes, "Enviar a
// la Papelera" (Supr) sends them to the recycle bin, from where they can be
// restored. Each file is checked against what the search found before
// anything happens to it (SafeDelete.h); a row goes only when its file is gone.
#include "app/MainUnit.h"

#include <commctrl.h>

#include <unordered_set>

#include "app/WindowTexts.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Text.h"

void TMain::Eliminar1Click(TObject*) { RemoveSelected(sweep::RemovalKind::Delete); }
void TMain::EnviaralaPapelera1Click(TObject*) { RemoveSelected(sweep::RemovalKind::Recycle); }

void TMain::xgFoundFilesKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    if (Busy()) return;
    const TShortCut pressed = ShortCut(Key, Shift);
    if (pressed == ShortCut('A', {ssCtrl})) {
        if (xgFoundFiles->GetRowCount() > 2)
            xgFoundFiles->SetSelection(TGridRect{0, 1, xgFoundFiles->GetColCount() - 1, xgFoundFiles->GetRowCount() - 2},
                                       false);
    } else if (pressed == Eliminar1->GetShortCut()) {
        RemoveSelected(sweep::RemovalKind::Delete);
    } else if (pressed == EnviaralaPapelera1->GetShortCut()) {
        RemoveSelected(sweep::RemovalKind::Recycle);
    } else {
        return;
    }
    Key = 0;
}

void TMain::xgFoundFilesSelectionChange(TObject*) {
    UpdateDeleteButton();
    ShowSelection();
}

void TMain::RemoveSelected(sweep::RemovalKind kind) {
    // After a deletion nothing may be selected: then nothing is done until
    // the user selects again.
    if (Busy() || !xgFoundFiles->HasSelection()) return;
    const TGridRect selection = xgFoundFiles->GetSelection();
    std::vector<Listed*> block;
    std::vector<sweep::FoundFile> files;
    for (int row = selection.Top; row <= selection.Bottom; ++row) {
        auto* listed = const_cast<Listed*>(static_cast<const Listed*>(xgFoundFiles->GetRowData(row)));
        if (!listed) continue;  // the blank last row
        block.push_back(listed);
        files.push_back(listed->file);
    }
    if (files.empty()) return;
    if (kind == sweep::RemovalKind::Delete) {
        // Nothing deleted for good can be had back: the user says yes to the
        // files and space first.
        std::int64_t bytes = 0;
        for (const sweep::FoundFile& file : files) bytes += file.size;
        const std::wstring question =
            base::Wide(sweep::DeleteForGoodQuestion(static_cast<std::int64_t>(files.size()), bytes));
        const std::wstring title = base::Wide(Application->GetTitle());
        if (::MessageBoxW(GetHandle(), question.c_str(), title.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) !=
            IDYES)
            return;
    }
    removing_ = std::move(block);
    removalsDone_ = 0;
    recycling_ = kind == sweep::RemovalKind::Recycle;
    tally_ = {};
    BeginWork();
    Screen->SetCursor(crAppStart);
    ShowRemoving(base::Utf8(files.front().Path()));
    deletion_ = std::make_unique<sweep::DeletionJob>(std::move(files), kind);
    WorkTimer->SetEnabled(true);
}

void TMain::ShowRemoving(const std::string& path) {
    // The bar's own font and the panel's width, less its edges and the few
    // pixels the control leaves before the text.
    constexpr int kTextInset = 8;
    HWND bar = StatusBar->GetHandle();
    RECT part{};
    ::SendMessageW(bar, SB_GETRECT, pnActivity, reinterpret_cast<LPARAM>(&part));
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(bar, WM_GETFONT, 0, 0));
    SetPanel(pnActivity, ui::FitPath("Eliminando " + path, font, part.right - part.left - kTextInset));
}

void TMain::DeletionProgress() {
    std::vector<sweep::RemovalResult> results;
    const bool over = deletion_->Collect(results);
    bool anyGone = false;
    for (const sweep::RemovalResult& result : results) {
        Listed* listed = removing_[removalsDone_++];
        listed->keptBecause = nullptr;
        if (result.outcome == sweep::RemovalOutcome::Removed) {
            ++tally_.removed;
            tally_.bytes += listed->file.size;
        } else if (result.outcome == sweep::RemovalOutcome::Missing) {
            // Someone else removed it meanwhile: its row goes as well.
            ++tally_.missing;
        } else {
            ++tally_.kept;
            listed->keptBecause = sweep::ReasonOf(result.outcome);
            continue;
        }
        listed->gone = true;
        anyGone = true;
    }
    if (anyGone) {
        // The count and the total follow the rows as they go.
        RemoveGoneRows();
        SetPanel(pnCount, base::IntToStr(xgFoundFiles->GetRowCount() - 2));
        ShowTotal();
    }
    const std::string current = deletion_->CurrentFile();
    if (!current.empty()) ShowRemoving(current);
    if (!over) return;

    const bool stopped = deletion_->Stopped();
    deletion_.reset();
    // The rows of the block whose files stayed stay selected; they are next
    // to each other now that the others went. Nothing else is selected.
    const std::unordered_set<const Listed*> block(removing_.begin(), removing_.end());
    int first = -1, last = -1;
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        if (!block.count(static_cast<const Listed*>(xgFoundFiles->GetRowData(row)))) continue;
        if (first < 0) first = row;
        last = row;
    }
    if (first < 0)
        xgFoundFiles->ClearSelection();
    else
        xgFoundFiles->SetSelection(TGridRect{0, first, xgFoundFiles->GetColCount() - 1, last});
    removing_.clear();
    ShowWhyKept();

    SetPanel(pnCount, base::IntToStr(xgFoundFiles->GetRowCount() - 2));
    ShowTotal();
    SetPanel(pnActivity, sweep::RemovalSummary(tally_, recycling_, stopped));
    EndWork();
}

void TMain::ShowWhyKept() {
    // The reason column is there while some row has a reason to show.
    bool any = false;
    for (int row = 1; row < xgFoundFiles->GetRowCount() && !any; ++row) {
        const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
        any = listed && listed->keptBecause;
    }
    if (!any) {
        xgFoundFiles->SetColCount(colReason);
        return;
    }
    if (xgFoundFiles->GetColCount() <= colReason) {
        xgFoundFiles->SetColCount(colReason + 1);
        xgFoundFiles->SetCells(colReason, 0, "Motivo");
        xgFoundFiles->SetColWidths(colReason, 60);  // the grid widens it to its texts as it paints
    }
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
        xgFoundFiles->SetCells(colReason, row, listed && listed->keptBecause ? listed->keptBecause : "");
    }
}

void TMain::RemoveGoneRows() {
    xgFoundFiles->RemoveRowsIf([this](const void* data) {
        const Listed* listed = static_cast<const Listed*>(data);
        if (!listed || !listed->gone) return false;
        totalBytes_ -= listed->file.size;
        return true;
    });
}
