// The folder chooser: shown modally by a search when "Seleccionar directorio
// de inicio" is checked, it gives the folder where the search starts.
#pragma once

#include <string>

#include "controls/FlatButtons.h"
#include "controls/GradCaption.h"
#include "controls/TileImage.h"
#include "ui/FolderControls.h"
#include "ui/Forms.h"

class TChooseDir : public TForm {
public:
    explicit TChooseDir(TComponent* owner);

    TGradientCaption* GradientCaption1 = nullptr;
    TTileImage* TileImage2 = nullptr;
    TDirectoryListBox* DirectoryListBox1 = nullptr;
    TDriveComboBox* DriveComboBox1 = nullptr;
    TFlatButton* FlatButton1 = nullptr;

    // The folder confirmed with "Seguir", ending with a backslash; empty until then.
    std::string ChosenDir;

    void FlatButton1Click(TObject* Sender);
};

extern TChooseDir* ChooseDir;
