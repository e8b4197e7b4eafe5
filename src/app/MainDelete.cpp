// Deletion, as the window runs it: "Eliminar" (Mayús+Supr) deletes the
// files of the selected rows for good once the user has said yes, "Enviar a
// la Papelera" (Supr) sends them to the recycle bin, from where they can be
// restored. Each file is checked against what the search found before
// anything happens to it (SafeDelete.h); a row goes only when its file is gone.
// After a search, the rows found by patterns of the modes "Papelera" and
// "Eliminar" go the same way, once the user has said yes to one question.
#include "app/MainUnit.h"

#include <commctrl.h>

#include <unordered_map>
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
    if (dupResults_) return RemoveCopies(kind);
    const TGridRect selection = xgFoundFiles->GetSelection();
    std::vector<Listed*> block;
    std::int64_t bytes = 0;
    for (int row = selection.Top; row <= selection.Bottom; ++row) {
        auto* listed = const_cast<Listed*>(static_cast<const Listed*>(xgFoundFiles->GetRowData(row)));
        if (!listed) continue;  // the blank last row
        block.push_back(listed);
        bytes += listed->file.size;
    }
    if (block.empty()) return;
    // Nothing deleted for good can be had back: the user says yes to the
    // files and space first.
    if (kind == sweep::RemovalKind::Delete &&
        !AskYes(sweep::DeleteForGoodQuestion(static_cast<std::int64_t>(block.size()), bytes)))
        return;
    removal_ = block;
    recycled_.reset();
    StartRemoval(std::move(block), kind);
}

void TMain::AskAutoRemoval() {
    std::vector<Listed*> toBin, toDelete;
    std::int64_t binBytes = 0, deleteBytes = 0;
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        auto* listed = const_cast<Listed*>(static_cast<const Listed*>(xgFoundFiles->GetRowData(row)));
        if (!listed || static_cast<std::size_t>(listed->pattern) >= searchModes_.size()) continue;
        const sweep::PatternMode mode = searchModes_[static_cast<std::size_t>(listed->pattern)];
        if (mode == sweep::PatternMode::Recycle) {
            toBin.push_back(listed);
            binBytes += listed->file.size;
        } else if (mode == sweep::PatternMode::Delete) {
            toDelete.push_back(listed);
            deleteBytes += listed->file.size;
        }
    }
    if (toBin.empty() && toDelete.empty()) return;
    if (!AskYes(sweep::AutoRemovalQuestion(static_cast<std::int64_t>(toBin.size()), binBytes,
                                           static_cast<std::int64_t>(toDelete.size()), deleteBytes)))
        return;
    // Two jobs in turn: the bin's first, then the one for good.
    removal_ = toBin;
    removal_.insert(removal_.end(), toDelete.begin(), toDelete.end());
    recycled_.reset();
    if (toBin.empty()) return StartRemoval(std::move(toDelete), sweep::RemovalKind::Delete);
    thenDelete_ = std::move(toDelete);
    StartRemoval(std::move(toBin), sweep::RemovalKind::Recycle);
}

bool TMain::AskYes(const std::string& question) {
    const std::wstring text = base::Wide(question), title = base::Wide(Application->GetTitle());
    // "No" is the default button: Enter alone removes nothing.
    return ::MessageBoxW(GetHandle(), text.c_str(), title.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void TMain::StartRemoval(std::vector<Listed*> block, sweep::RemovalKind kind, std::vector<sweep::CopiesOf> copies) {
    std::vector<sweep::FoundFile> files;
    if (copies.empty()) {
        files.reserve(block.size());
        for (const Listed* listed : block) files.push_back(listed->file);
    }
    const std::string first = base::Utf8(block.front()->file.Path());
    removing_ = std::move(block);
    removalsDone_ = 0;
    recycling_ = kind == sweep::RemovalKind::Recycle;
    tally_ = {};
    BeginWork();
    Screen->SetCursor(crAppStart);
    ShowRemoving(first);
    if (copies.empty())
        deletion_ = std::make_unique<sweep::DeletionJob>(std::move(files), kind);
    else
        deletion_ = std::make_unique<sweep::CopyRemovalJob>(std::move(copies), kind);
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
        if (result.outcome == sweep::RemovalOutcome::Removed) {
            ++tally_.removed;
            tally_.bytes += listed->file.size;
        } else if (result.outcome == sweep::RemovalOutcome::Missing) {
            // Someone else removed it meanwhile: its row goes as well.
            ++tally_.missing;
        } else {
            ++tally_.kept;
            listed->keptBecause = result.outcome;
            continue;
        }
        listed->gone = true;
        anyGone = true;
    }
    if (anyGone) {
        // The count and the total follow the rows as they go.
        RemoveGoneRows();
        ShowCounts();
    }
    const std::string current = deletion_->CurrentFile();
    if (!current.empty()) ShowRemoving(current);
    if (!over) return;

    const bool stopped = deletion_->Stopped();
    deletion_.reset();
    if (!stopped && !thenDelete_.empty()) {
        recycled_ = tally_;
        StartRemoval(std::move(thenDelete_), sweep::RemovalKind::Delete);
        thenDelete_.clear();
        return;
    }
    thenDelete_.clear();
    // The rows of the removal whose files stayed stay selected when they
    // are next to each other now that the others went (they are, after a
    // command on a selected block). Nothing else is selected.
    const std::unordered_set<const Listed*> block(removal_.begin(), removal_.end());
    int first = -1, last = -1;
    bool together = true;
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        if (!block.count(static_cast<const Listed*>(xgFoundFiles->GetRowData(row)))) continue;
        if (first < 0) first = row;
        together = together && (last < 0 || last == row - 1);
        last = row;
    }
    if (first < 0 || !together)
        xgFoundFiles->ClearSelection();
    else
        xgFoundFiles->SetSelection(TGridRect{0, first, xgFoundFiles->GetColCount() - 1, last});
    removing_.clear();
    removal_.clear();
    ShowWhyKept();

    ShowCounts();
    SetPanel(pnActivity, recycled_ ? sweep::RemovalSummary(*recycled_, tally_, stopped)
                                   : sweep::RemovalSummary(tally_, recycling_, stopped));
    recycled_.reset();
    EndWork();
}

void TMain::ShowWhyKept() {
    // The reason column is there while some row has a reason to show.
    bool any = false;
    for (int row = 1; row < xgFoundFiles->GetRowCount() && !any; ++row) {
        const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
        any = listed && listed->Stayed();
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
        xgFoundFiles->SetCells(colReason, row, listed && listed->Stayed() ? sweep::ReasonOf(listed->keptBecause) : "");
    }
}

void TMain::RemoveGoneRows() {
    if (dupResults_) {
        // A group left with one file is no group: its row leaves the list
        // too (its file stays, untouched).
        std::unordered_map<std::uint32_t, int> left;
        for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
            const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
            if (listed && !listed->gone) ++left[listed->group];
        }
        xgFoundFiles->RemoveRowsIf([&left](const void* data) {
            const Listed* listed = static_cast<const Listed*>(data);
            return listed && (listed->gone || left[listed->group] < 2);
        });
        RestyleGroups();
        return;
    }
    xgFoundFiles->RemoveRowsIf([this](const void* data) {
        const Listed* listed = static_cast<const Listed*>(data);
        if (!listed || !listed->gone) return false;
        totalBytes_ -= listed->file.size;
        return true;
    });
}
