// Deletion, as the window runs it: "Eliminar" deletes the files of the
// selected rows for good, "Enviar a la Papelera" sends them to the recycle
// bin. Each file is checked against what the search found before anything
// happens to it (SafeDelete.h); a row goes only when its file is gone.
#include "app/MainUnit.h"
#include "app/SearchRules.h"
#include "ui/SysUtils.h"
#include "ui/Unicode.h"

void TMain::Eliminar1Click(TObject*) { RemoveSelected(sweep::RemovalKind::Delete); }
void TMain::EnviaralaPapelera1Click(TObject*) { RemoveSelected(sweep::RemovalKind::Recycle); }

void TMain::RemoveSelected(sweep::RemovalKind kind) {
    // After a deletion nothing may be selected: then nothing is done until
    // the user selects again.
    if (Busy() || !xgFoundFiles->HasSelection()) return;
    const TGridRect selection = xgFoundFiles->GetSelection();
    std::vector<sweep::FoundFile> files;
    removing_.clear();
    for (int row = selection.Top; row <= selection.Bottom; ++row) {
        auto* listed = const_cast<Listed*>(static_cast<const Listed*>(xgFoundFiles->GetRowData(row)));
        if (!listed) continue;  // the blank last row
        removing_.push_back(listed);
        files.push_back(listed->file);
    }
    if (files.empty()) return;
    removalsDone_ = 0;
    goneNames_.clear();
    gonePaths_.clear();
    BeginWork();
    Screen->SetCursor(crAppStart);
    SetPanel(pnActivity, "Eliminando " + ui::Utf8(files.front().Path()));
    deletion_ = std::make_unique<sweep::DeletionJob>(std::move(files), kind);
    WorkTimer->SetEnabled(true);
}

void TMain::DeletionProgress() {
    std::vector<sweep::RemovalResult> results;
    const bool over = deletion_->Collect(results);
    bool anyGone = false;
    for (const sweep::RemovalResult& result : results) {
        Listed* listed = removing_[removalsDone_++];
        // A file someone else removed meanwhile goes from the list as well.
        if (result.outcome != sweep::RemovalOutcome::Removed && result.outcome != sweep::RemovalOutcome::Missing)
            continue;
        listed->gone = true;
        goneNames_.insert(listed->file.name);
        gonePaths_.insert(listed->file.Path());
        anyGone = true;
    }
    if (anyGone) RemoveGoneRows();
    const std::string current = deletion_->CurrentFile();
    if (!current.empty()) SetPanel(pnActivity, "Eliminando " + current);
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

    SetPanel(pnCount, ui::IntToStr(xgFoundFiles->GetRowCount() - 2));
    ShowTotal();
    const int kept = first < 0 ? 0 : last - first + 1;
    if (stopped)
        SetPanel(pnActivity, "Detenido");
    else if (kept)
        SetPanel(pnActivity, "Hecho; " + ui::IntToStr(kept) + " no se pudieron borrar");
    else
        SetPanel(pnActivity, "Hecho");
    EndWork();
}

void TMain::RemoveGoneRows() {
    // Every row of a file that went, also one that another pattern found.
    xgFoundFiles->RemoveRowsIf([this](const void* data) {
        const Listed* listed = static_cast<const Listed*>(data);
        if (!listed) return false;
        const bool gone =
            listed->gone || (goneNames_.count(listed->file.name) && gonePaths_.count(listed->file.Path()));
        if (gone) totalBytes_ -= listed->file.size;
        return gone;
    });
}
