// The folder chooser: shown modally by a search when "Seleccionar directorio
// de inicio" is checked, it gives the folder where the search starts: the
// folder highlighted in the list, whose path the window shows above it.
#pragma once

#include <string>

#include "controls/FlatButtons.h"
#include "controls/GradCaption.h"
#include "controls/TileImage.h"
#include "ui/FolderControls.h"
#include "ui/Forms.h"
#include "ui/Label.h"

class TChooseDir : public TForm {
public:
    explicit TChooseDir(TComponent* owner);

    TGradientCaption* GradientCaption1 = nullptr;
    TTileImage* TileImage2 = nullptr;
    TDirectoryListBox* DirectoryListBox1 = nullptr;
    TDriveComboBox* DriveComboBox1 = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TLabel* SearchInLabel = nullptr;
    // The path of the highlighted folder, shortened in its middle to fit.
    TLabel* PathLabel = nullptr;

    // The folder confirmed with "Seguir", ending with a backslash; empty until then.
    std::string ChosenDir;

    void FlatButton1Click(TObject* Sender);
    void DirectoryListBox1Select(TObject* Sender);
};

extern TChooseDir* ChooseDir;
