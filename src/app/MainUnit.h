// The main window: pattern list, search options, results and deletion.
//
// The pattern list lives in sgFiles and the options in the check boxes and
// the size fields. The results are the rows of xgFoundFiles: their texts,
// and beside each row the file's identity as the search found it (Listed),
// which is all that deletion ever acts on. The search and deletion run on
// threads of their own (SearchEngine.h, DeletionJob.h); the window takes
// what they did ten times a second, so it stays alive, and Esc stops them.
// The handlers are split by concern: MainPatterns.cpp (the pattern list),
// MainSearch.cpp (the search and sorting), MainDelete.cpp (deletion),
// MainRows.cpp (what leads from the rows elsewhere: their folders, their
// paths on the clipboard, the list saved; the selection's total),
// MainUnit.cpp (the window's definition, start-up, its remembered place and
// columns, views and options).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/BackgroundRelease.h"
#include "engine/DeletionJob.h"
#include "engine/FoundFile.h"
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

    // The pattern list (MainPatterns.cpp).
    void LoadPatterns(const std::string& iniPath);
    void AddButtonClick(TObject* Sender);
    void sgFilesDblClick(TObject* Sender);
    void cbAutodelDblClick(TObject* Sender);
    void cbAutodelKeyPress(TObject* Sender, wchar_t& Key);

    // The search and the order of the results (MainSearch.cpp).
    void StartButtonClick(TObject* Sender);
    void xgFoundFilesTitleClick(TObject* Sender, int ACol);
    // A search or a deletion is running.
    bool Busy() const { return search_ || deletion_; }

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

    // The initialisation file: "Sweepfield.Ini" beside the executable.
    static std::string IniPath();

private:
    // A result row's file, as the search found it.
    struct Listed {
        sweep::FoundFile file;
        int pattern;        // with seq, the row's place in the search's order
        std::uint32_t seq;
        bool gone = false;  // deleted by this window
        const char* keptBecause = nullptr;  // why the last removal kept it
    };
    // The rows selected now, top to bottom (the blank last row never is one).
    std::vector<const Listed*> SelectedFiles() const;

    void SetPanel(Panel panel, const std::string& text);
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
    // The folders the last search could not read, in the status bar's hint.
    void ShowUnread(const std::vector<sweep::FolderError>& unread);
    // Deletion.
    void RemoveSelected(sweep::RemovalKind kind);
    void DeletionProgress();
    void RemoveGoneRows();
    void ShowWhyKept();
    // "Eliminando " and the path, shortened in its middle to fit the panel.
    void ShowRemoving(const std::string& path);

    std::deque<Listed> listed_;        // every row's file; the blank last row has none
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
                                      if (search_ && !HIWORD(::GetQueueStatus(QS_INPUT))) SearchProgress();
                                      return true;
                                  }};
    std::unique_ptr<sweep::Search> search_;
    sweep::BackgroundRelease release_;  // the rows of the last search, going

    std::unique_ptr<sweep::DeletionJob> deletion_;
    std::vector<Listed*> removing_;    // the files of the job, in its order
    std::size_t removalsDone_ = 0;
    bool recycling_ = false;
    sweep::RemovalTally tally_;
};

extern TMain* Main;
