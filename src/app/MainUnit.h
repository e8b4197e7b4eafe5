// The main window: pattern list, search options, results and deletion.
#pragma once

#include "ui/Forms.h"

class TMain : public TForm {
public:
    explicit TMain(TComponent* owner);

    void FormCreate(TObject* Sender);
};

extern TMain* Main;
