// Sweepfield: finds unwanted files by name pattern and size, and deletes them.
#include <windows.h>

#include "app/ChooseDirUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TApplication application(nullptr);
    Application->Initialize();
    Application->CreateForm(Main);
    Application->CreateForm(ChooseDir);
    Application->CreateForm(HelpForm);
    Application->Run();
    return 0;
}
