#include "support/ProgramWindows.h"

#include <commctrl.h>

#include <vector>

#include "app/ChooseDirUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "support/TestSupport.h"
#include "base/Unicode.h"

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
    const LRESULT length = ::SendMessageW(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0);
    std::vector<wchar_t> text(LOWORD(length) + 1u, L'\0');
    ::SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.data()));
    std::string s = base::Utf8(text.data());
    s.erase(0, s.find_first_not_of('\t'));
    return s;
}

}  // namespace test
