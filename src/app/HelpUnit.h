// The help window: a short text and three buttons that open the maker's web
// site, the author's page and an e-mail message to the author.
#pragma once

#include "controls/FlatButtons.h"
#include "controls/GoToWeb.h"
#include "controls/GradCaption.h"
#include "controls/TileImage.h"
#include "ui/Forms.h"
#include "ui/Label.h"

class THelpForm : public TForm {
public:
    explicit THelpForm(TComponent* owner);

    TGradientCaption* GradientCaption1 = nullptr;
    TTileImage* TileImage2 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label1 = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TFlatButton* FlatButton2 = nullptr;
    TFlatButton* FlatButton3 = nullptr;
    TGoToWeb* GoHomeSite = nullptr;
    TGoToWeb* GoAuthorPage = nullptr;
    TGoToWeb* GoEMail = nullptr;

    void FlatButton1Click(TObject* Sender);
    void FlatButton2Click(TObject* Sender);
    void FlatButton3Click(TObject* Sender);
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
};

extern THelpForm* HelpForm;
