// Sweepfield: finds unwanted files by name pattern and size, and deletes them.
#include <windows.h>

#include "app/ChooseDirUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "ui/Guarded.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    TApplication application(nullptr);
    // An error that reaches this far (a window that cannot be made while the
    // forms are created, say) is reported while the application is still
    // there to show it, and the program ends.
    return ui::Guarded(
        [] {
            Application->Initialize();
            Application->CreateForm(Main);
            Application->CreateForm(ChooseDir);
            Application->CreateForm(HelpForm);
            Application->Run();
            return 0;
        },
        1);
}
