// The search, as the window runs it: the request made from the pattern list
// and the options, the rows taken in while the search's threads walk the
// tree, the totals, and the order of the rows when the user sorts them.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/ChooseDirUnit.h"
#include "app/DuplicateRows.h"
#include "app/MainUnit.h"
#include "app/WindowTexts.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Text.h"

void TMain::BeginWork() {
    working_ = true;
    ShowSelection();
    StartButton->SetEnabled(false);
    DeleteButton->SetEnabled(false);
    ConfigButton->SetEnabled(false);
}

void TMain::EndWork() {
    working_ = false;
    ShowSelection();
    WorkTimer->SetEnabled(false);
    StatusBar->FlushTexts();
    Screen->SetCursor(crDefault);
    StartButton->SetEnabled(true);
    UpdateDeleteButton();
    ConfigButton->SetEnabled(true);
}

void TMain::StartButtonClick(TObject*) {
    if (Busy()) return;
    ApplyDefaultPattern();
    BeginWork();
    // Until the search really starts (the chooser may be closed, a size field
    // may hold no number), the window keeps its results and goes back to idle.
    struct Idle {
        TMain* main;
        bool searching = false;
        ~Idle() {
            if (!searching) main->EndWork();
        }
    } idle{this};

    // The size limits first: limits that no size can pass make no search,
    // and the status bar says why.
    sweep::SearchRequest request;
    std::optional<std::int64_t> belowKb, aboveKb;
    if (SearchLesserThan->GetChecked()) belowKb = ui::StrToInt64(LesserThan->GetText());
    if (SearchGreaterThan->GetChecked()) aboveKb = ui::StrToInt64(GreaterThan->GetText());
    sweep::SetKbLimits(request, belowKb, aboveKb);
    const std::string deadEnd = sweep::SizeLimitsDeadEnd(request);
    if (!deadEnd.empty()) {
        SetPanel(pnActivity, deadEnd);
        return;
    }

    // The chooser stands three quarters of the way across and down this window.
    ChooseDir->SetBounds(GetLeft() + GetWidth() * 3 / 4, GetTop() + GetHeight() * 3 / 4, ChooseDir->GetWidth(),
                         ChooseDir->GetHeight());
    if (SelectHomeDir->GetChecked() && ChooseDir->ShowModal() != mrOk) return;
    if (Application->Terminated()) return;

    request.startFolder =
        base::Wide(!ChooseDir->ChosenDir.empty() && SelectHomeDir->GetChecked() ? ChooseDir->ChosenDir : "C:\\");
    // The "Excluir" rows are what the search never touches; the others are
    // its patterns, each with the mode it has now.
    sweep::ListedPatterns listed = sweep::PatternsToSearch(PatternRows());
    request.patterns = std::move(listed.patterns);
    request.exclusions = std::move(listed.exclusions);
    searchModes_ = std::move(listed.modes);
    request.subfolders = SearchSubdirs->GetChecked();
    // Sizes are grouped as the user's language groups numbers now.
    request.texts = sweep::RowTextMaker(sweep::UserDigitGrouping());

    // The search starts now: the list and the status bar start afresh
    // together, the bar at once, not at its next update.
    ClearResults();
    patterns_.clear();
    for (const std::wstring& pattern : request.patterns) patterns_.push_back(base::Utf8(pattern));
    SetDuplicateResults(SearchDups->GetChecked());
    ShowCounts();
    SetPanel(pnActivity, "");
    ShowUnread({});
    StatusBar->FlushTexts();
    Screen->SetCursor(crAppStart);
    idle.searching = true;
    if (dupResults_) return StartDuplicateSearch(std::move(request));
    order_ = sweep::ResultOrder<sweep::FoundRow>(request.patterns.size());
    search_ = std::make_unique<sweep::Search>(std::move(request),
                                              [over = searchOver_.Handle()] { ::PostMessageW(over, WM_APP, 0, 0); });
    WorkTimer->SetEnabled(true);
}

void TMain::ClearResults() {
    // The old rows are freed on a thread of their own.
    release_.Release(xgFoundFiles->CutRows(2), std::move(listed_));
    listed_.clear();
    xgFoundFiles->SetColCount(colReason);  // no reasons until a removal keeps a file
    for (int col = 0; col < colReason; ++col) xgFoundFiles->SetCells(col, 1, "");
    xgFoundFiles->SetRowData(1, nullptr);
    xgFoundFiles->SetSortMark(-1, TSortMark::smNone);
    // Nothing is selected while rows come in, unless the user picks some.
    xgFoundFiles->SetRow(1);
    xgFoundFiles->ClearSelection();
    xgFoundFiles->ScrollToTopLeft();
    nextSeq_ = 0;
    totalBytes_ = 0;
    shownGroups_.clear();
    nextGroup_ = 0;
}

void TMain::WorkTimerTimer(TObject*) {
    if (search_) SearchProgress();
    if (dupSearch_) DuplicateSearchProgress();
    if (deletion_) DeletionProgress();
}

void TMain::SearchProgress() {
    // A bounded share each time, so the window never waits long for its
    // turn; the ticks come often enough to keep up with the search.
    constexpr std::size_t kRowsPerTick = 3000;
    std::vector<sweep::FoundRow> found;
    const bool over = search_->Collect(found, kRowsPerTick);
    ShowFound(found);
    SetPanel(pnActivity, search_->CurrentFolder());
    if (!over) return;
    const bool stopped = search_->Stopped();
    const std::vector<sweep::FolderError> unread = search_->UnreadableFolders();
    search_.reset();
    // Unless the user picked rows meanwhile, the first result is the current
    // row, as after any search; the view stays where the user left it.
    if (!xgFoundFiles->HasSelection())
        xgFoundFiles->SetSelection(TGridRect{0, 1, xgFoundFiles->GetColCount() - 1, 1}, false);
    ShowTotal();
    SetPanel(pnActivity, sweep::SearchSummary(unread.size(), stopped));
    ShowUnread(unread);
    EndWork();
    // A stopped search found only part of what the patterns would remove:
    // nothing is removed then.
    if (!stopped) AskAutoRemoval();
}

void TMain::ShowUnread(const std::vector<sweep::FolderError>& unread, const std::vector<sweep::UnreadFile>& files) {
    // The status bar's hint names them, the first ones at least: the
    // folders, then the files a duplicate search could not read.
    constexpr std::size_t kNamed = 15;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < unread.size() && lines.size() < kNamed; ++i)
        lines.push_back(base::Utf8(unread[i].folder) + " (" + sweep::ReasonOf(unread[i]) + ")");
    for (std::size_t i = 0; i < files.size() && lines.size() < kNamed; ++i) {
        const DWORD error = files[i].error;
        const char* why = error == ERROR_FILE_INVALID        ? "cambió mientras se leía"
                          : error == ERROR_SHARING_VIOLATION ? "en uso"
                                                             : sweep::ReasonOf(sweep::FolderError{L"", error});
        lines.push_back(base::Utf8(files[i].file.Path()) + " (" + why + ")");
    }
    std::string hint;
    for (const std::string& line : lines) hint += (hint.empty() ? "" : "\n") + line;
    const std::size_t all = unread.size() + files.size();
    if (all > lines.size()) hint += "\n... y " + base::GroupedCount(static_cast<std::int64_t>(all - lines.size())) + " más";
    StatusBar->SetHint(hint);
}

void TMain::ShowFound(std::vector<sweep::FoundRow>& found) {
    if (found.empty()) return;
    // Each pattern's rows go where they belong: the list is always in its
    // final order.
    for (auto& run : order_.Place(std::move(found))) {
        std::vector<TGridRow> rows;
        rows.reserve(run.rows.size());
        for (sweep::FoundRow& r : run.rows) {
            totalBytes_ += r.file.size;
            listed_.push_back(Listed{std::move(r.file), r.pattern, nextSeq_++});
            rows.push_back(TGridRow{std::move(r.texts), &listed_.back()});
        }
        xgFoundFiles->InsertRows(1 + static_cast<int>(run.at), std::move(rows));
    }
    SetPanel(pnCount, base::IntToStr(xgFoundFiles->GetRowCount() - 2));
    SetPanel(pnTotal, base::IntToStr(totalBytes_));
}

void TMain::ShowCounts() {
    if (dupResults_) return ShowDuplicateTotals();
    SetPanel(pnCount, base::IntToStr(xgFoundFiles->GetRowCount() - 2));
    ShowTotal();
}

void TMain::ShowTotal() {
    const base::ScaledTotal total = base::ScaleTotal(totalBytes_);
    SetPanel(pnTotal, total.text);
    SetPanel(pnUnit, total.unit);
}

void TMain::xgFoundFilesTitleClick(TObject*, int ACol) {
    if (Busy() || ACol < colName || ACol > colModified) return;
    // A second click reverses the order; the first puts names and folders
    // from A to Z and sizes and times from the largest and newest down, the
    // files a cleaner looks for first.
    const bool ascending = xgFoundFiles->GetSortColumn() == ACol
                               ? xgFoundFiles->GetSortMark() != TSortMark::smAscending
                               : ACol == colName || ACol == colFolder;
    SortResults(ACol, ascending);
    xgFoundFiles->SetSortMark(ACol, ascending ? TSortMark::smAscending : TSortMark::smDescending);
    // The rows selected before are elsewhere now: none is selected. The
    // list starts again at its first row.
    xgFoundFiles->ClearSelection();
    xgFoundFiles->ScrollToTopLeft();
}

void TMain::SortResults(int col, bool ascending) {
    // The texts are compared as the user's language sorts them, without
    // letter case; keys made once make 100,000 rows quick to sort.
    std::vector<std::string> keys;
    if (col == colName || col == colFolder) {
        keys.resize(nextSeq_);
        for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
            const auto* l = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
            if (l) keys[l->seq] = sweep::SortKey(xgFoundFiles->GetCells(col, row));
        }
    }
    // Equal rows keep the search's order, whichever way the sort goes.
    auto rowBefore = [&](const Listed* a, const Listed* b) {
        int c = 0;
        switch (col) {
            case colName:
            case colFolder: c = keys[a->seq].compare(keys[b->seq]); break;
            case colSize: c = a->file.size < b->file.size ? -1 : a->file.size > b->file.size; break;
            default: c = a->file.lastWrite < b->file.lastWrite ? -1 : a->file.lastWrite > b->file.lastWrite; break;
        }
        if (c) return ascending ? c < 0 : c > 0;
        return a->pattern != b->pattern ? a->pattern < b->pattern : a->seq < b->seq;
    };
    // Duplicates: each group stays together, under its kept row.
    const std::vector<const Listed*> kept = dupResults_ ? KeptRows() : std::vector<const Listed*>();
    auto keptOf = [&kept](const Listed* l) { return kept[l->group]; };
    auto before = [&](const void* x, const void* y) {
        const auto* a = static_cast<const Listed*>(x);
        const auto* b = static_cast<const Listed*>(y);
        if (!a || !b) return a != nullptr;  // the blank last row stays last
        return dupResults_ ? sweep::GroupedBefore(a, b, keptOf, rowBefore) : rowBefore(a, b);
    };
    xgFoundFiles->SortRows(1, xgFoundFiles->GetRowCount() - 1, before);
    if (dupResults_) RestyleGroups();
}
