// Duplicate results, as the window runs them: the duplicate search on its
// threads (Duplicates.h), its groups placed in the list as they are
// confirmed, in the engine's order, each group's rows together and its first
// row the copy that is kept; another copy made the kept one; the copies of
// the groups with a selected row removed, each compared byte for byte with
// the kept file first (DuplicateRemoval.h). The rows are Listed as after any
// search, and removal, its reasons and its summary are the ordinary ones
// (MainDelete.cpp).
#include "app/MainUnit.h"

#include "app/DuplicateRows.h"
#include "app/WindowTexts.h"
#include "base/Unicode.h"

namespace {
const char kKeepHint[] = "Elimina las copias de los grupos seleccionados; se conserva la primera de cada grupo";
const char kDeleteHint[] = "Elimina los archivos seleccionados";
// The copies' and space's panels are wider than the ordinary total's.
constexpr int kTotalWidth = 70, kCopiesWidth = 96, kSpaceWidth = 80;
}  // namespace

// ---------------------------------------------------------------- the search

void TMain::StartDuplicateSearch(sweep::SearchRequest request) {
    // The engine makes no texts: the window makes each row's as it shows it.
    dupTexts_ = std::move(request.texts);
    request.texts = nullptr;
    dupSearch_ = std::make_unique<sweep::DuplicateSearch>(
        std::move(request), [over = searchOver_.Handle()] { ::PostMessageW(over, WM_APP, 0, 0); });
    WorkTimer->SetEnabled(true);
}

void TMain::DuplicateSearchProgress() {
    std::vector<sweep::DuplicateGroup> groups;
    const bool over = dupSearch_->Collect(groups);
    ShowGroups(groups);
    SetPanel(pnActivity, sweep::DuplicateProgressText(dupSearch_->Progress()));
    if (!over) return;
    const bool stopped = dupSearch_->Stopped();
    const std::vector<sweep::FolderError> folders = dupSearch_->UnreadableFolders();
    const std::vector<sweep::UnreadFile> files = dupSearch_->UnreadableFiles();
    dupSearch_.reset();
    shownGroups_ = {};
    if (!xgFoundFiles->HasSelection())
        xgFoundFiles->SetSelection(TGridRect{0, 1, xgFoundFiles->GetColCount() - 1, 1}, false);
    ShowCounts();
    SetPanel(pnActivity, sweep::DuplicateSearchSummary(folders.size(), files.size(), stopped));
    ShowUnread(folders, files);
    // The automatic modes never apply to copies: nothing more is asked.
    EndWork();
}

void TMain::ShowGroups(std::vector<sweep::DuplicateGroup>& groups) {
    if (groups.empty()) return;
    for (sweep::DuplicateGroup& group : groups) {
        // Each group goes where the engine's order puts it among those shown.
        const std::size_t place = sweep::PlaceOf(shownGroups_, group);
        int at = 1;
        for (std::size_t i = 0; i < place; ++i) at += static_cast<int>(shownGroups_[i].files.size());
        const std::uint32_t id = nextGroup_++;
        std::vector<TGridRow> rows;
        rows.reserve(group.files.size());
        for (const sweep::DuplicateFile& f : group.files) {
            std::vector<std::string> texts;
            if (dupTexts_) dupTexts_(f.file, base::Utf8(*f.file.folder), texts);
            listed_.push_back(Listed{f.file, f.pattern, nextSeq_++});
            listed_.back().group = id;
            rows.push_back(TGridRow{std::move(texts), &listed_.back()});
        }
        xgFoundFiles->InsertRows(at, std::move(rows));
        shownGroups_.insert(shownGroups_.begin() + static_cast<std::ptrdiff_t>(place), std::move(group));
    }
    RestyleGroups();
    ShowDuplicateTotals();
}

// ---------------------------------------------------------------- the groups

void TMain::SetDuplicateResults(bool duplicates) {
    dupResults_ = duplicates;
    Eliminar1->SetCaption(duplicates ? "Eliminar copias" : "Eliminar");
    Eliminar2->SetCaption(Eliminar1->GetCaption());
    EnviaralaPapelera1->SetCaption(duplicates ? "Enviar copias a la Papelera" : "Enviar a la Papelera");
    EnviaralaPapelera2->SetCaption(EnviaralaPapelera1->GetCaption());
    ConservarCopia1->SetVisible(duplicates);
    DeleteButton->SetHint(duplicates ? kKeepHint : kDeleteHint);
    SetPanel(pnFoundLabel, "Encontrados");
    StatusBar->GetPanels()->GetItem(pnTotal)->SetWidth(duplicates ? kCopiesWidth : kTotalWidth);
    StatusBar->GetPanels()->GetItem(pnUnit)->SetWidth(duplicates ? kSpaceWidth : kTotalWidth);
}

void TMain::RestyleGroups() {
    const Listed* previous = nullptr;
    bool shaded = true;  // the first group is plain
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        auto* listed = const_cast<Listed*>(static_cast<const Listed*>(xgFoundFiles->GetRowData(row)));
        if (!listed) continue;
        listed->kept = !previous || previous->group != listed->group;
        if (listed->kept) shaded = !shaded;
        listed->shaded = shaded;
        previous = listed;
    }
    xgFoundFiles->Invalidate();
}

TRowStyle TMain::RowStyle(int row) const {
    const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
    if (!dupResults_ || !listed) return TRowStyle{};
    TRowStyle style;
    style.bold = listed->kept;
    if (listed->shaded)
        style.background = static_cast<TColor>(sweep::GroupShade(ColorToPlainRGB(xgFoundFiles->GetColor()),
                                                                  ::GetSysColor(COLOR_HIGHLIGHT)));
    return style;
}

std::vector<const TMain::Listed*> TMain::KeptRows() const {
    std::vector<const Listed*> kept(nextGroup_, nullptr);
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
        if (listed && !kept[listed->group]) kept[listed->group] = listed;
    }
    return kept;
}

void TMain::ShowDuplicateTotals() {
    std::int64_t groups = 0, copies = 0, bytes = 0;
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
        if (!listed) continue;
        if (listed->kept) {
            ++groups;
        } else {
            ++copies;
            bytes += listed->file.size;
        }
    }
    const sweep::DuplicateTotals totals = sweep::DuplicateTotalsText(groups, copies, bytes);
    SetPanel(pnCount, totals.groups);
    SetPanel(pnFoundLabel, totals.groupsLabel);
    SetPanel(pnTotal, totals.copies);
    SetPanel(pnUnit, totals.space);
}

void TMain::KeepCopyAt(int row) {
    if (Busy() || !dupResults_) return;
    const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
    if (!listed || listed->kept) return;
    auto sameGroup = [&](int r) {
        const auto* other = static_cast<const Listed*>(xgFoundFiles->GetRowData(r));
        return other && other->group == listed->group;
    };
    int first = row;
    while (first > 1 && sameGroup(first - 1)) --first;
    // The row goes to its group's top; the others keep their order.
    xgFoundFiles->SortRows(first, row, [listed](const void* a, const void* b) { return a == listed && b != listed; });
    RestyleGroups();
    // Under a sort the group goes where its new kept row puts it.
    if (xgFoundFiles->GetSortColumn() >= 0)
        SortResults(xgFoundFiles->GetSortColumn(), xgFoundFiles->GetSortMark() == TSortMark::smAscending);
    for (int r = 1; r < xgFoundFiles->GetRowCount(); ++r)
        if (xgFoundFiles->GetRowData(r) == listed) {
            xgFoundFiles->SetSelection(TGridRect{0, r, xgFoundFiles->GetColCount() - 1, r});
            break;
        }
}

void TMain::ConservarCopia1Click(TObject*) { KeepCopyAt(menuRow_); }

// ---------------------------------------------------------------- removal

void TMain::RemoveCopies(sweep::RemovalKind kind) {
    const TGridRect selection = xgFoundFiles->GetSelection();
    std::vector<Listed*> rows;
    std::vector<std::uint32_t> groups;
    std::size_t first = SIZE_MAX, last = 0;
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        auto* listed = const_cast<Listed*>(static_cast<const Listed*>(xgFoundFiles->GetRowData(row)));
        if (!listed) continue;
        if (row >= selection.Top && row <= selection.Bottom) {
            first = std::min(first, rows.size());
            last = rows.size();
        }
        rows.push_back(listed);
        groups.push_back(listed->group);
    }
    if (first == SIZE_MAX) return;
    std::vector<sweep::CopiesOf> plan;
    std::vector<Listed*> copies;
    std::int64_t bytes = 0;
    for (const sweep::CopiesPick& pick : sweep::CopiesPicked(groups, first, last)) {
        if (pick.copies.empty()) continue;
        sweep::CopiesOf group;
        group.kept = rows[pick.kept]->file;
        for (std::size_t i : pick.copies) {
            group.copies.push_back(rows[i]->file);
            copies.push_back(rows[i]);
            bytes += rows[i]->file.size;
        }
        plan.push_back(std::move(group));
    }
    if (copies.empty()) return;
    if (kind == sweep::RemovalKind::Delete &&
        !AskYes(sweep::DeleteCopiesQuestion(static_cast<std::int64_t>(copies.size()), bytes)))
        return;
    removal_ = copies;
    recycled_.reset();
    StartRemoval(std::move(copies), kind, std::move(plan));
}
