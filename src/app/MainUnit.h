// The main window: pattern list, search options, results and deletion.
//
// The state of the cleaning tool lives in the window's controls: the pattern
// list in sgFiles, the results in xgFoundFiles, the count and the total as
// text in the status bar's panels, the options in the check boxes and the
// size fields. The handlers are split by concern: MainPatterns.cpp (the
// pattern list), MainSearch.cpp (the search), MainDelete.cpp (deletion),
// MainUnit.cpp (the window's definition, start-up, views and options).
#pragma once

#include <cstdint>
#include <string>

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

    // The pattern of the search pass in progress.
    std::string CurrentPattern;

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

    // The pattern list (MainPatterns.cpp).
    void LoadPatterns(const std::string& iniPath);
    void AddButtonClick(TObject* Sender);
    void sgFilesDblClick(TObject* Sender);
    void cbAutodelDblClick(TObject* Sender);
    void cbAutodelKeyPress(TObject* Sender, wchar_t& Key);

    // The search (MainSearch.cpp).
    void StartButtonClick(TObject* Sender);
    void SearchFolder(const std::string& path);

    // Deletion (MainDelete.cpp).
    void Eliminar1Click(TObject* Sender);

    // The initialisation file: "Sweepfield.Ini" beside the executable.
    static std::string IniPath();

private:
    void SetPanel(int index, const std::string& text);
    std::string PanelText(int index) const;
    void ApplyDefaultPattern();
    void CleanSizeField(TSpinEdit* field, bool leaving);
    void SizeOptionClicked(TBitCheckBox* box, TSpinEdit* field);
    bool DeleteListedFile(int row);

    // A size limit, read from its field at the first entry of a folder that
    // reaches its test (the field can only change while messages are handled,
    // at the start of a folder visit).
    struct Limit {
        bool read = false;
        std::int64_t bytes = 0;
    };
    std::int64_t LimitOf(Limit& limit, TSpinEdit* field);
    bool searchStopped_ = false;
};

extern TMain* Main;
