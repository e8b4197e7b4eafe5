// The main window: pattern list, search options, results and deletion.
//
// The pattern list lives in sgFiles and the options in the check boxes and
// the size fields. The results are the rows of xgFoundFiles: their texts,
// and beside each row the file's identity as the search found it (Listed),
// which is all that deletion ever acts on. The search and deletion run on
// threads of their own (Search.h, DeletionJob.h); the window takes
// what they did every 40 ms, so it stays alive, and Esc stops them.
// The handlers are split by concern: MainPatterns.cpp (the pattern list),
// MainSearch.cpp (the search and sorting), MainDelete.cpp (deletion),
// MainRows.cpp (what leads from the rows elsewhere: their folders, their
// paths on the clipboard, the list saved; the selection's total),
// MainDups.cpp (the duplicate search's results: groups of copies, the copy
// kept of each, removing the others),
// MainUnit.cpp (the window's definition, start-up, its remembered place and
// columns, views and options).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/BackgroundRelease.h"
#include "engine/DeletionJob.h"
#include "engine/DuplicateRemoval.h"
#include "engine/Duplicates.h"
#include "engine/FoundFile.h"
#include "engine/PatternList.h"
#include "engine/ResultOrder.h"
#include "engine/Search.h"
#include "app/WindowTexts.h"

#include "controls/BtChkBox.h"
#include "controls/ExtraLabel.h"
#include "controls/FlatButtons.h"
#include "controls/GradCaption.h"
#include "controls/TileImage.h"
#include "controls/XStringGrid.h"
#include "ui/Bevel.h"
#include "ui/BitBtn.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/Forms.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/PopupMenu.h"
#include "ui/SpinEdit.h"
#include "ui/StatusBar.h"
#include "ui/StringGrid.h"
#include "ui/Timer.h"
#include "ui/UtilityWindow.h"

class TMain : public TForm {
public:
    explicit TMain(TComponent* owner);

    // The window's controls, named as in its definition.
    TGradientCaption* GradientCaption1 = nullptr;
    TPanel* Panel1 = nullptr;
    TTileImage* TileImage1 = nullptr;
    TFlatButton* StartButton = nullptr;
    TFlatButton* ConfigButton = nullptr;
    TFlatButton* DeleteButton = nullptr;
    TFlatButton* HelpButton = nullptr;
    TStatusBar* StatusBar = nullptr;
    TPanel* ConfigPanel = nullptr;
    TTileImage* TileImage2 = nullptr;
    TExtraLabel* ExtraLabel1 = nullptr;
    TExtraLabel* ExtraLabel2 = nullptr;
    TExtraLabel* ExtraLabel3 = nullptr;
    TBevel* Bevel1 = nullptr;
    TBevel* Bevel2 = nullptr;
    TBevel* Bevel3 = nullptr;
    TBevel* Bevel4 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TBitCheckBox* SearchSubdirs = nullptr;
    TBitCheckBox* SearchDups = nullptr;
    TBitCheckBox* SelectHomeDir = nullptr;
    TBitCheckBox* SearchLesserThan = nullptr;
    TBitCheckBox* SearchGreaterThan = nullptr;
    TEdit* eName = nullptr;
    TComboBox* cbAutodel = nullptr;
    TStringGrid* sgFiles = nullptr;
    TSpinEdit* LesserThan = nullptr;
    TSpinEdit* GreaterThan = nullptr;
    TBitBtn* AddButton = nullptr;
    TXStringGrid* xgFoundFiles = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* Eliminar1 = nullptr;
    TMenuItem* EnviaralaPapelera1 = nullptr;
    // The result rows' context menu.
    TPopupMenu* RowsMenu = nullptr;
    TMenuItem* AbrirCarpeta1 = nullptr;
    TMenuItem* CopiarRuta1 = nullptr;
    TMenuItem* EnviaralaPapelera2 = nullptr;
    TMenuItem* Eliminar2 = nullptr;
    TMenuItem* ConservarCopia1 = nullptr;  // duplicate results only
    TMenuItem* GuardarLista1 = nullptr;
    // Takes in what the search or a deletion did, while one runs.
    TTimer* WorkTimer = nullptr;

    // The status bar's panels and the result grid's columns. The activity
    // takes what the others leave of the bar; the selection panel shows a
    // selection of more than one row.
    enum Panel { pnCount, pnFoundLabel, pnTotal, pnUnit, pnActivity, pnSelection };
    // colReason shows only after a removal that kept files: why each stayed.
    enum Column { colName, colFolder, colSize, colModified, colReason };

    // Start-up, views and options (MainUnit.cpp).
    void FormCreate(TObject* Sender);
    void ConfigButtonDownChange(TObject* Sender);
    void StartButtonDownChange(TObject* Sender);
    void SearchLesserThanClick(TObject* Sender);
    void SearchGreaterThanClick(TObject* Sender);
    void LesserThanChange(TObject* Sender);
    void GreaterThanChange(TObject* Sender);
    void LesserThanExit(TObject* Sender);
    void GreaterThanExit(TObject* Sender);
    void FilterKeys(TObject* Sender, wchar_t& Key);
    void HelpButtonClick(TObject* Sender);
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void FormClose(TObject* Sender);
    void WorkTimerTimer(TObject* Sender);

    // Where the window's place, size and result columns are kept between
    // runs, under HKEY_CURRENT_USER (tests point it at a key of their own).
    static const wchar_t* SettingsKey;

    // The pattern list (MainPatterns.cpp). It is read from `iniPath`, or
    // from `roaming` when that file exists, and saved there after every
    // change (PatternList.h).
    void LoadPatterns(const std::string& iniPath, const std::string& roaming = std::string());
    void AddButtonClick(TObject* Sender);
    void sgFilesDblClick(TObject* Sender);
    void sgFilesKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void cbAutodelDblClick(TObject* Sender);
    void cbAutodelChange(TObject* Sender);
    void cbAutodelKeyPress(TObject* Sender, wchar_t& Key);
    // The file the list is kept in now.
    const std::string& PatternFilePath() const { return patternFile_.Path(); }

    // The search and the order of the results (MainSearch.cpp).
    void StartButtonClick(TObject* Sender);
    void xgFoundFilesTitleClick(TObject* Sender, int ACol);
    // A search or a deletion is running.
    bool Busy() const { return search_ || dupSearch_ || deletion_; }

    // Deletion (MainDelete.cpp). Supr sends the selected rows' files to the
    // recycle bin, Mayús+Supr deletes them for good (after a question),
    // Ctrl+A selects every result, all in the result list only.
    void Eliminar1Click(TObject* Sender);
    void EnviaralaPapelera1Click(TObject* Sender);
    void xgFoundFilesKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void xgFoundFilesSelectionChange(TObject* Sender);

    // From the rows elsewhere (MainRows.cpp). A double click on a row, or
    // "Abrir carpeta", shows its file selected in its folder in the system's
    // file manager; "Copiar ruta" puts the selected rows' paths on the
    // clipboard; "Guardar lista…" (Ctrl+S) writes the listed rows to a CSV
    // file the user names.
    void xgFoundFilesDblClick(TObject* Sender);
    void xgFoundFilesContextPopup(TObject* Sender, TPoint MousePos, bool& Handled);
    void AbrirCarpeta1Click(TObject* Sender);
    void CopiarRuta1Click(TObject* Sender);
    void GuardarLista1Click(TObject* Sender);
    // Writes the listed rows to a file, as "Guardar lista…" does once the
    // user has named it; false (and the status bar says why) on failure.
    bool SaveList(const std::wstring& path);

    // Duplicate results (MainDups.cpp), after a search with "Buscar ficheros
    // duplicados" ticked: the rows of a group stand together, the first is
    // the copy kept (in bold), groups alternate a light shade. "Conservar
    // esta copia" (or a double click) makes a row the kept one; the delete
    // commands remove every copy but the kept one of each group with a
    // selected row.
    void ConservarCopia1Click(TObject* Sender);
    bool DuplicateResults() const { return dupResults_; }
    // Makes a listed row the kept copy of its group.
    void KeepCopyAt(int row);
    // How the result grid draws a row: the kept copy bold, every second
    // group shaded.
    TRowStyle RowStyle(int row) const;

    // The initialisation file: "Sweepfield.Ini" beside the executable.
    static std::string IniPath();

private:
    // A result row's file, as the search found it.
    struct Listed {
        sweep::FoundFile file;
        int pattern;        // with seq, the row's place in the search's order
        std::uint32_t seq;
        // Duplicate results: the row's group, whether it is the group's
        // kept copy (its first row) and lies on the shade of every second
        // group (both as the list stands now, RestyleGroups).
        std::uint32_t group = 0;
        // Why the last removal kept it; Removed where none did. (The
        // fields are in this order so that a row takes no more room than
        // it must: there are as many as files found.)
        sweep::RemovalOutcome keptBecause = sweep::RemovalOutcome::Removed;
        bool gone = false;  // deleted by this window
        bool kept = false, shaded = false;

        bool Stayed() const { return keptBecause != sweep::RemovalOutcome::Removed; }
    };
    // The rows selected now, top to bottom (the blank last row never is one).
    std::vector<const Listed*> SelectedFiles() const;

    void SetPanel(Panel panel, const std::string& text);
    // The pattern list.
    std::vector<sweep::PatternRow> PatternRows() const;
    void SavePatterns();
    void RemovePatternRow(int row);
    void ShowModeHint();
    // The place, size and columns of the last run, and saving them.
    void RestoreSettings();
    void SaveSettings();
    // The result grid's starting column widths: the size and time columns
    // as wide as their longest texts, the name and folder sharing the rest.
    void DefaultColumnWidths();
    void ShowSelection();
    // Shows a row's file selected in its folder.
    void OpenFolderOf(int row);
    void ApplyDefaultPattern();
    void CleanSizeField(TSpinEdit* field, bool leaving);
    void SizeOptionClicked(TBitCheckBox* box, TSpinEdit* field);

    // Both jobs: the window busy, and back to idle.
    void BeginWork();
    void EndWork();
    // "Borrar Selección" is there for a selection of the results in view,
    // while no job runs.
    void UpdateDeleteButton();
    // The search.
    void ClearResults();
    void ShowFound(std::vector<sweep::FoundRow>& found);
    void SearchProgress();
    void ShowTotal();
    // The count and total of what is listed now, for either kind of results.
    void ShowCounts();
    // The folders (and files) the last search could not read, in the status bar's hint.
    void ShowUnread(const std::vector<sweep::FolderError>& unread, const std::vector<sweep::UnreadFile>& files = {});
    // What the patterns with an automatic mode found, removed once the user
    // says yes.
    void AskAutoRemoval();
    // The duplicate search.
    void StartDuplicateSearch(sweep::SearchRequest request);
    void DuplicateSearchProgress();
    void ShowGroups(std::vector<sweep::DuplicateGroup>& groups);
    // Duplicate results or ordinary ones from now on: the menus' words,
    // the status bar's panels.
    void SetDuplicateResults(bool duplicates);
    // Marks each row kept or not and shaded or not, as the list stands now.
    void RestyleGroups();
    void ShowDuplicateTotals();
    // The kept row of each group as the list stands now, by group.
    std::vector<const Listed*> KeptRows() const;
    // Deletion.
    void RemoveSelected(sweep::RemovalKind kind);
    void RemoveCopies(sweep::RemovalKind kind);
    // Removes the rows' files, or with `copies` (their copies, in the
    // rows' order) the copies of those groups.
    void StartRemoval(std::vector<Listed*> block, sweep::RemovalKind kind, std::vector<sweep::CopiesOf> copies = {});
    // Puts the rows in a column's order (kept groups together for duplicates).
    void SortResults(int col, bool ascending);
    // Asks the user a question in a message box; "No" is the default.
    bool AskYes(const std::string& question);
    void DeletionProgress();
    void RemoveGoneRows();
    void ShowWhyKept();
    // "Eliminando " and the path, shortened in its middle to fit the panel.
    void ShowRemoving(const std::string& path);

    sweep::PatternFile patternFile_;
    std::deque<Listed> listed_;        // every row's file; the blank last row has none
    std::vector<sweep::PatternMode> searchModes_;  // each pattern's mode, as the search began
    std::vector<std::string> patterns_;  // of the search the rows come from
    sweep::ResultOrder<sweep::FoundRow> order_;  // where the search's rows go
    std::uint32_t nextSeq_ = 0;
    std::int64_t totalBytes_ = 0;      // of the files listed
    bool working_ = false;             // from BeginWork to EndWork
    // Takes in the end of a search as soon as it comes, not at the next
    // tick; but keys and clicks already waiting go first (an Esc pressed
    // before then still stops the search), and the tick takes the end in.
    ui::UtilityWindow searchOver_{ui::UtilityWindow::MessageOnly, [this](UINT msg, WPARAM, LPARAM) {
                                      if (msg != WM_APP) return false;
                                      if (HIWORD(::GetQueueStatus(QS_INPUT))) return true;
                                      if (search_) SearchProgress();
                                      if (dupSearch_) DuplicateSearchProgress();
                                      return true;
                                  }};
    std::unique_ptr<sweep::Search> search_;
    // The duplicate search, its rows' texts, and the groups shown so far in
    // their order (where the next one goes) while it runs.
    std::unique_ptr<sweep::DuplicateSearch> dupSearch_;
    sweep::RowTexts dupTexts_;
    std::vector<sweep::DuplicateGroup> shownGroups_;
    std::uint32_t nextGroup_ = 0;
    bool dupResults_ = false;  // the rows are groups of duplicates
    int menuRow_ = -1;         // the row the rows' menu was opened on
    sweep::BackgroundRelease release_;  // the rows of the last search, going

    std::unique_ptr<sweep::RemovalJob> deletion_;
    std::vector<Listed*> removing_;    // the files of the job, in its order
    std::vector<Listed*> removal_;     // every file of the removal, in both jobs
    std::vector<Listed*> thenDelete_;  // deleted for good once the job to the bin is over
    std::size_t removalsDone_ = 0;
    bool recycling_ = false;
    sweep::RemovalTally tally_;
    std::optional<sweep::RemovalTally> recycled_;  // the first of two jobs
};

extern TMain* Main;
