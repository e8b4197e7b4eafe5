#include "support/ProgramWindows.h"

#include <commctrl.h>

#include <vector>

#include "app/ChooseDirUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "support/TestSupport.h"

namespace test {

void StartProgram() {
    if (Main) return;
    Application->CreateForm(Main);
    Application->CreateForm(ChooseDir);
    Application->CreateForm(HelpForm);
    Main->Show();
    PumpUntil([] { return ::GetActiveWindow() == Main->GetHandle(); });
}

std::string StatusText(HWND statusBar, int panel) {
    const LRESULT length = ::SendMessageA(statusBar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(panel), 0);
    std::vector<char> text(LOWORD(length) + 1u, '\0');
    ::SendMessageA(statusBar, SB_GETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.data()));
    std::string s = text.data();
    s.erase(0, s.find_first_not_of('\t'));
    return s;
}

}  // namespace test
