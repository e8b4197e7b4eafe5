// The program's three windows made as Sweepfield.exe makes them, for the
// tests that use them as a user does, and the status bar read as another
// program reads it.
#pragma once

#include <windows.h>

#include <string>

namespace test {

// Creates Main, ChooseDir and HelpForm through the application in the
// program's order, so Main is the application's main form and the globals
// point at the windows, then shows the main window as the program's message
// loop does when it starts. The windows live until the test program ends;
// calls after the first do nothing.
void StartProgram();

// The text of a status window's panel, read with SB_GETTEXT, without the
// tabs that align it.
std::string StatusText(HWND statusBar, int panel);

}  // namespace test
