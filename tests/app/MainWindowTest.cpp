// The main window used as a user uses it: real clicks, keys and pastes on
// the windows the program makes, and what the user then sees (the windows'
// state, the status bar as another program reads it, the files on disk).
//
// Each case starts the program afresh, as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/ChooseDirUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "app/SweepWindows.h"
#include "engine/IniFile.h"
#include "support/FileTrees.h"
#include "support/HintsAndClipboard.h"
#include "support/ProgramWindows.h"
#include "support/TestSupport.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"

namespace {

using test::ClickOn;

POINT CellCentre(const TStringGrid* grid, int row) {
    TRect r = grid->CellRect(0, row);
    return test::ScreenPointOf(grid, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

HWND Focus() { return ::GetFocus(); }

std::string WindowText(HWND wnd) { return ui::WindowText(wnd); }

std::vector<std::string> StatusTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < 5; ++i) texts.push_back(test::StatusText(Main->StatusBar->GetHandle(), i));
    return texts;
}

// Empties a field the way a user does: select everything, delete it.
void ClearField(TWinControl* field) {
    ClickOn(field);
    test::PressKey(VK_END);
    test::PressKey(VK_HOME, true);
    test::PressKey(VK_DELETE);
}

std::vector<std::string> Patterns() {
    std::vector<std::string> rows;
    for (int r = 0; r < Main->sgFiles->GetRowCount(); ++r)
        rows.push_back(Main->sgFiles->GetCells(0, r) + "|" + Main->sgFiles->GetCells(2, r));
    return rows;
}

void TakeBackRow(int row) {
    POINT p = CellCentre(Main->sgFiles, row);
    test::DoubleClickAt(p.x, p.y);
}

// The files of the tree the program starts in: the folder chooser opens
// there. A search in "b" finds the four .tmp files below it.
const char* const kTree[][2] = {
    {"a\\elsewhere.tmp", "50"}, {"b\\one.tmp", "100"},         {"b\\two.tmp", "2000"},
    {"b\\notes.txt", "500"},    {"b\\sub\\three.tmp", "10000"}, {"b\\sub\\four.tmp", "7"},
};

// Every case starts the program afresh, in a tree of its own, with the
// pattern list above beside it: the cases stand alone, in any order.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream ini(TMain::IniPath(), std::ios::trunc);
        ini << "[FindFiles]\nFile1=*.old\nAutodel1=No\nFile2=*.log\nAutodel2=Papelera\n";
        ini.close();
        for (const auto& file : kTree) tree_.MakeFile(file[0], std::stoul(file[1]));
        // The program is started from the tree's folder, which the folder
        // chooser shows first.
        wchar_t previous[MAX_PATH];
        ::GetCurrentDirectoryW(MAX_PATH, previous);
        ::SetCurrentDirectoryW(base::Wide(tree_.path()).c_str());
        Application->CreateForm(Main);
        Application->CreateForm(ChooseDir);
        Application->CreateForm(HelpForm);
        ::SetCurrentDirectoryW(previous);
        Main->Show();
        ::SetForegroundWindow(Main->GetHandle());
        ASSERT_TRUE(test::PumpUntil([] { return ::GetActiveWindow() == Main->GetHandle(); }));
        ASSERT_TRUE(Main->ConfigPanel->Showing());
    }
    void TearDown() override {
        delete HelpForm;
        HelpForm = nullptr;
        delete ChooseDir;
        ChooseDir = nullptr;
        delete Main;
        Main = nullptr;
        ::DeleteFileW(base::Wide(TMain::IniPath()).c_str());
    }

    test::TempDir tree_;
};

TEST_F(MainWindow, StartsInTheConfigurationView) {
    HWND main = Main->GetHandle();
    EXPECT_EQ(Application->GetMainForm(), Main);
    EXPECT_EQ(WindowText(main), "Tallowmere Sweepfield Beta Version 0.5");
    RECT client, window;
    ::GetClientRect(main, &client);
    ::GetWindowRect(main, &window);
    EXPECT_EQ(client.right, 540);
    EXPECT_EQ(client.bottom, 340);
    // A seventh of the free screen space from the top-left corner.
    EXPECT_EQ(window.left, (::GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 7);
    EXPECT_EQ(window.top, (::GetSystemMetrics(SM_CYSCREEN) - (window.bottom - window.top)) / 7);

    EXPECT_TRUE(::IsWindowVisible(Main->ConfigPanel->GetHandle()));
    EXPECT_FALSE(::IsWindowVisible(Main->xgFoundFiles->GetHandle()));
    EXPECT_TRUE(Main->ConfigButton->GetDown());
    EXPECT_FALSE(Main->StartButton->GetDown());
    EXPECT_FALSE(Main->DeleteButton->GetEnabled());
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"0", "Encontrados", "0", "Total Bytes", "OK, esperando"}));
    // The activity takes the rest of the bar; the selection's panel is
    // empty and takes nothing.
    int edges[8] = {};
    ASSERT_EQ(::SendMessageW(Main->StatusBar->GetHandle(), SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 6);
    const int bar = Main->StatusBar->GetClientWidth();
    EXPECT_EQ(std::vector<int>(edges, edges + 6), (std::vector<int>{50, 120, 190, 260, bar, -1}));
    EXPECT_FALSE(::IsWindowVisible(ChooseDir->GetHandle()));
    EXPECT_FALSE(::IsWindowVisible(HelpForm->GetHandle()));

    // The pattern column under the pattern field, the mode column under the
    // mode box.
    const TStringGrid* patterns = Main->sgFiles;
    EXPECT_EQ(patterns->GetColWidths(0), 137);
    EXPECT_EQ(patterns->GetColWidths(1), 15);
    EXPECT_EQ(patterns->GetColWidths(2), patterns->GetClientWidth() - 152);
}

TEST_F(MainWindow, ConfigurarSwitchesBetweenTheTwoViews) {
    ClickOn(Main->ConfigButton);
    EXPECT_FALSE(::IsWindowVisible(Main->ConfigPanel->GetHandle()));
    EXPECT_TRUE(::IsWindowVisible(Main->xgFoundFiles->GetHandle()));
    EXPECT_FALSE(Main->ConfigButton->GetDown());
    EXPECT_FALSE(Main->DeleteButton->GetEnabled());  // it follows the start button, still up
    // No search yet: the header and one blank row.
    const TXStringGrid* grid = Main->xgFoundFiles;
    ASSERT_EQ(grid->GetRowCount(), 2);
    EXPECT_EQ(grid->GetCells(0, 0) + "|" + grid->GetCells(1, 0) + "|" + grid->GetCells(2, 0) + "|" +
                  grid->GetCells(3, 0),
              "Fichero|Ruta|Tamaño|Modificado");
    for (int col = 0; col < 4; ++col) EXPECT_EQ(grid->GetCells(col, 1), "");

    ClickOn(Main->ConfigButton);
    EXPECT_TRUE(::IsWindowVisible(Main->ConfigPanel->GetHandle()));
    EXPECT_FALSE(::IsWindowVisible(Main->xgFoundFiles->GetHandle()));
    EXPECT_TRUE(Main->ConfigButton->GetDown());
}

TEST_F(MainWindow, PatternsAreAddedAndTakenBack) {
    EXPECT_EQ(Patterns(), (std::vector<std::string>{"*.old|No", "*.log|Papelera"}));  // from the file
    EXPECT_EQ(Main->cbAutodel->GetText(), "No");

    // A double click takes a row back into the pattern field and the mode box.
    TakeBackRow(1);
    EXPECT_EQ(Main->eName->GetText(), "*.log");
    EXPECT_EQ(Main->cbAutodel->GetText(), "Papelera");
    EXPECT_EQ(Patterns(), std::vector<std::string>{"*.old|No"});

    // The add button appends what the two show.
    ClickOn(Main->AddButton);
    EXPECT_EQ(Patterns(), (std::vector<std::string>{"*.old|No", "*.log|Papelera"}));

    // Enter in the pattern field clicks the default button.
    ClearField(Main->eName);
    test::TypeText("*.bak");
    test::PressKey(VK_RETURN);
    EXPECT_EQ(Patterns(), (std::vector<std::string>{"*.old|No", "*.log|Papelera", "*.bak|Papelera"}));
    EXPECT_EQ(Main->eName->GetText(), "");  // emptied for the next one

    // The rows below a row taken back move up.
    TakeBackRow(0);
    EXPECT_EQ(Main->eName->GetText(), "*.old");
    EXPECT_EQ(Main->cbAutodel->GetText(), "No");
    EXPECT_EQ(Patterns(), (std::vector<std::string>{"*.log|Papelera", "*.bak|Papelera"}));
}

std::string PatternFileBytes() {
    std::ifstream file(TMain::IniPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void AddPattern(const std::string& pattern) {
    ClearField(Main->eName);
    test::TypeText(pattern);
    test::PressKey(VK_RETURN);
}

// The list as users of such tools expect it, and kept in its file at every
// change, whatever its modes.
TEST_F(MainWindow, ThePatternListIsKeptInItsFileAtEveryChange) {
    TStringGrid* list = Main->sgFiles;
    for (const char* pattern : {"*.a", "*.b", "*.c", "*.d", "*.e", "*.f", "*.g", "*.h"}) {
        AddPattern(pattern);
        EXPECT_EQ(Main->eName->GetText(), "");
    }
    ASSERT_EQ(list->GetCells(0, 9), "*.h");
    const TRect last = list->CellRect(0, 9);
    EXPECT_FALSE(::IsRectEmpty(&last)) << "the new row is out of view";
    AddPattern("*.log");
    EXPECT_EQ(list->GetRowCount(), 10);
    EXPECT_EQ(Main->StatusBar->GetPanels()->GetItem(4)->GetText(), "«*.log» ya está en la lista");

    // The mode is chosen with double clicks, through four; typing changes nothing.
    const POINT box = test::CentreOf(Main->cbAutodel);
    for (const char* mode : {"Papelera", "Eliminar", "Excluir", "No", "Papelera"}) {
        test::DoubleClickAt(box.x, box.y);
        EXPECT_EQ(Main->cbAutodel->GetText(), mode);
    }
    test::TypeText("x");
    EXPECT_EQ(Main->cbAutodel->GetText(), "Papelera");
    test::DoubleClickAt(box.x, box.y);
    test::DoubleClickAt(box.x, box.y);
    AddPattern("node_modules");
    test::DoubleClickAt(box.x, box.y);
    ASSERT_EQ(Main->cbAutodel->GetText(), "No");

    // A save that fails is said, and the list in the window stays: the next
    // change saves it whole. Supr removes the pattern row picked.
    const std::string before = PatternFileBytes();
    HANDLE held = ::CreateFileW(base::Wide(TMain::IniPath()).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    AddPattern("*.z");
    ::CloseHandle(held);
    EXPECT_EQ(Main->StatusBar->GetPanels()->GetItem(4)->GetText(), "No se pudo guardar la lista de patrones (en uso)");
    EXPECT_EQ(PatternFileBytes(), before);
    const TRect picked = list->CellRect(0, 9);
    ASSERT_FALSE(::IsRectEmpty(&picked));
    const POINT h = CellCentre(list, 9);
    test::ClickAt(h.x, h.y);
    test::PressKey(VK_DELETE);
    std::string expected = "[FindFiles]\r\nFile1=*.old\r\nAutodel1=No\r\nFile2=*.log\r\nAutodel2=Papelera\r\n";
    const std::vector<std::pair<std::string, std::string>> rest = {
        {"*.a", "No"}, {"*.b", "No"}, {"*.c", "No"},          {"*.d", "No"},      {"*.e", "No"},
        {"*.f", "No"}, {"*.g", "No"}, {"node_modules", "Excluir"}, {"*.z", "No"}};
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const std::string n = std::to_string(i + 3);
        expected += "File" + n + "=" + rest[i].first + "\r\nAutodel" + n + "=" + rest[i].second + "\r\n";
    }
    EXPECT_EQ(PatternFileBytes(), expected);
    std::vector<std::string> shown;
    for (const sweep::PatternRow& row : sweep::PatternRowsFrom(sweep::ReadIniSection(TMain::IniPath(), "FindFiles")))
        shown.push_back(row.pattern + "|" + row.mode);
    EXPECT_EQ(shown, Patterns());

    // An excluded row comes back as "Excluir".
    TakeBackRow(9);
    EXPECT_EQ(Main->eName->GetText(), "node_modules");
    EXPECT_EQ(Main->cbAutodel->GetText(), "Excluir");

    // Where the file's folder takes no new file, the list goes to the
    // user's own file, and the status bar says where.
    test::TempDir other;
    other.MakeDir("exe");
    ASSERT_TRUE(test::WriteExactFile(base::Wide(other / "exe\\Sweepfield.Ini"), "[FindFiles]\r\nFile1=*.old\r\n"));
    test::ClosedFolder closed(base::Wide(other / "exe"));
    if (!closed.Closed()) return;
    Main->LoadPatterns(other / "exe\\Sweepfield.Ini", other / "roaming.ini");
    AddPattern("*.y");
    EXPECT_EQ(Main->StatusBar->GetPanels()->GetItem(4)->GetText(), "La lista de patrones se guarda en " + (other / "roaming.ini"));
}

// Each size option enables and focuses its field, which takes digits only.
TEST_F(MainWindow, SizeFieldsTakeDigitsOnly) {
    for (auto option : {std::make_pair(Main->SearchLesserThan, Main->LesserThan),
                        std::make_pair(Main->SearchGreaterThan, Main->GreaterThan)}) {
        TBitCheckBox* box = option.first;
        TSpinEdit* field = option.second;
        SCOPED_TRACE(field->GetName());
        HWND wnd = field->GetHandle();
        ASSERT_FALSE(::IsWindowEnabled(wnd));

        ClickOn(box);
        EXPECT_TRUE(box->GetChecked());
        EXPECT_TRUE(::IsWindowEnabled(wnd));
        EXPECT_EQ(Focus(), wnd);

        ClearField(field);
        EXPECT_EQ(field->GetText(), "");  // empty while it has the focus
        ASSERT_TRUE(test::PutOnClipboard(Main->GetHandle(), "1a2"));
        test::PressKey('V', false, true);
        EXPECT_EQ(field->GetText(), "12");
        test::TypeText(",-x");
        EXPECT_EQ(field->GetText(), "12");
        test::TypeText("3");
        EXPECT_EQ(field->GetText(), "123");

        ClearField(field);
        ASSERT_TRUE(test::PutOnClipboard(Main->GetHandle(), "99999999999"));
        test::PressKey('V', false, true);
        EXPECT_EQ(field->GetText(), "2147483647");

        ClearField(field);
        test::PressKey(VK_TAB);
        EXPECT_NE(Focus(), wnd);
        EXPECT_EQ(field->GetText(), "0");

        HWND focused = Focus();
        ClickOn(box);
        EXPECT_FALSE(box->GetChecked());
        EXPECT_FALSE(::IsWindowEnabled(wnd));
        EXPECT_EQ(Focus(), focused);
        EXPECT_EQ(field->GetText(), "0");
    }
}

TEST_F(MainWindow, TabFollowsTheTabOrder) {
    auto tabs = [](int count, bool back = false) {
        std::vector<HWND> seen;
        for (int i = 0; i < count; ++i) {
            test::PressKey(VK_TAB, back);
            seen.push_back(Focus());
        }
        return seen;
    };
    HWND name = Main->eName->GetHandle(), patterns = Main->sgFiles->GetHandle(), add = Main->AddButton->GetHandle();
    HWND lesser = Main->LesserThan->GetHandle(), greater = Main->GreaterThan->GetHandle();
    HWND mode = ::FindWindowExW(Main->cbAutodel->GetHandle(), nullptr, L"Edit", nullptr);  // its edit line

    // The size fields are disabled.
    ClickOn(Main->eName);
    ASSERT_EQ(Focus(), name);
    EXPECT_EQ(tabs(4), (std::vector<HWND>{mode, patterns, add, name}));

    ClickOn(Main->SearchLesserThan);
    ClickOn(Main->SearchGreaterThan);
    ClickOn(Main->eName);
    EXPECT_EQ(tabs(6), (std::vector<HWND>{mode, patterns, lesser, greater, add, name}));
    EXPECT_EQ(tabs(2, true), (std::vector<HWND>{add, greater}));
    ClickOn(Main->SearchLesserThan);
    ClickOn(Main->SearchGreaterThan);
    EXPECT_FALSE(Main->SearchLesserThan->GetChecked() || Main->SearchGreaterThan->GetChecked());
}

// What the tooltip shows over a control: the tool that the mouse over its
// middle would meet, found as the tooltip finds it.
std::string HintOver(const TControl* control) {
    HWND tip = Application->GetHintWindow();
    POINT p = test::CentreOf(control);
    HWND under = ::WindowFromPoint(p);
    TTHITTESTINFOW hit{};
    hit.hwnd = under;
    hit.pt = p;
    ::ScreenToClient(under, &hit.pt);
    hit.ti.cbSize = sizeof hit.ti;
    if (!::SendMessageW(tip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit))) return "";
    // The hit test names the tool; TTM_GETTEXTW gives its whole text.
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = hit.ti.hwnd;
    tool.uId = hit.ti.uId;
    wchar_t wide[1024] = L"";
    tool.lpszText = wide;
    ::SendMessageW(tip, TTM_GETTEXTW, sizeof wide / sizeof wide[0], reinterpret_cast<LPARAM>(&tool));
    return base::Utf8(wide);
}

TEST_F(MainWindow, EveryControlWithAHintShowsIt) {
    const std::vector<std::pair<const TControl*, std::string>> hints = {
        {Main->StartButton, "Pulsa para comenzar/repetir la búsqueda"},
        {Main->ConfigButton, "Pulsa para configurar la búsqueda"},
        {Main->DeleteButton, "Elimina los archivos seleccionados"},
        {Main->HelpButton, ""},
        {Main->ExtraLabel1, "Introduce un nuevo patrón de búsqueda"},
        {Main->eName, "Introduce un nuevo patrón de búsqueda"},
        {Main->sgFiles,
         "Lista de patrones a buscar y modo de eliminación automática, para editar/eliminar hacer doble clic."},
        {Main->AddButton, "Añade el nuevo patrón de búsqueda a la lista"},
        {Main->ExtraLabel2, sweep::kModesHint},
        {Main->cbAutodel, "No: lo que encuentre el patrón solo se lista (doble clic para cambiar)"},
        {Main->ExtraLabel3, ""},
        {Main->SearchSubdirs, "Marca para buscar también en los subdirectorios del inicial"},
        {Main->SearchDups,
         "Marca para listar solo los ficheros encontrados cuyo contenido es idéntico al de otro, por grupos"},
        {Main->SelectHomeDir, "Marca para seleccionar un directorio inicial (por defecto es c:\\)"},
        {Main->SearchLesserThan, "Solo busca archivos menores al valor especificado"},
        {Main->LesserThan, "Tamaño máximo del fichero a buscar"},
        {Main->SearchGreaterThan, "Solo busca archivos mayores al valor especificado"},
        {Main->GreaterThan, "Tamaño mínimo del fichero a buscar"},
    };
    for (const auto& h : hints) EXPECT_EQ(HintOver(h.first), h.second) << h.first->GetName();

    // And it really shows, over a windowless label and over a disabled field.
    EXPECT_EQ(test::HintShownAt(test::CentreOf(Main->ExtraLabel2)), sweep::kModesHint);
    EXPECT_EQ(test::HintShownAt(test::CentreOf(Main->LesserThan)), "Tamaño máximo del fichero a buscar");
}

// A heading's shadow, in the highlight colour, lies one pixel right of and
// below its text, whole: its last column is inside the label.
TEST_F(MainWindow, TheHeadingsShadowsAreWhole) {
    for (TExtraLabel* heading : {Main->ExtraLabel1, Main->ExtraLabel2, Main->ExtraLabel3}) {
        const COLORREF ground = RGB(0x12, 0x34, 0x56), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
        test::Canvas32 pic(heading->GetWidth(), heading->GetHeight(), ground);
        heading->PaintTo(pic.dc(), 0, 0);
        int textRight = -1, textBottom = -1, shadowRight = -1, shadowBottom = -1;
        for (int y = 0; y < pic.height(); ++y)
            for (int x = 0; x < pic.width(); ++x) {
                const COLORREF c = pic.At(x, y);
                if (c == ground) continue;
                int& right = c == light ? shadowRight : textRight;
                int& bottom = c == light ? shadowBottom : textBottom;
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
        EXPECT_EQ(shadowRight, textRight + 1) << heading->GetCaption();
        EXPECT_EQ(shadowBottom, textBottom + 1) << heading->GetCaption();
        EXPECT_LT(shadowRight, pic.width() - 1) << heading->GetCaption();
    }
}

// Waits on the user's thread until the condition holds; false after 10 s.
bool WaitFor(const std::function<bool()>& condition) { return test::PumpUntil(condition, 10000); }

TEST_F(MainWindow, SearchesAChosenFolderAndDeletesASelectedBlock) {
    // One pattern, "*.tmp", and the start folder asked for.
    for (int i = 0; i < 100 && Patterns() != std::vector<std::string>{"|"}; ++i) TakeBackRow(0);
    ClearField(Main->eName);
    test::TypeText("*.tmp");
    Main->cbAutodel->SetItemIndex(0);  // "No": nothing is removed without the menu
    test::PressKey(VK_RETURN);
    TakeBackRow(0);
    ASSERT_EQ(Patterns().size(), 1u);
    ASSERT_EQ(Patterns()[0].substr(0, 6), "*.tmp|");
    ClickOn(Main->SelectHomeDir);
    ASSERT_TRUE(Main->SelectHomeDir->GetChecked());

    // The user picks "b" in the folder chooser with a double click, then "Seguir".
    const HWND main = Main->GetHandle();
    const TRect seguir = ChooseDir->FlatButton1->GetBoundsRect();
    bool chooserShown = false, mainWaited = false, folderOpened = false;
    test::UserThread user([&] {
        HWND chooser = nullptr;
        chooserShown = WaitFor([&] {
            chooser = ::FindWindowW(nullptr, L"Tallowmere Sweepfield - Selecciona directorio");
            return chooser && ::IsWindowVisible(chooser);
        });
        if (!chooserShown) return;
        mainWaited = !::IsWindowEnabled(main);
        HWND list = ::FindWindowExW(chooser, nullptr, L"ListBox", nullptr);
        if (WaitFor([&] { return sweeptest::ListIndexOf(list, L"b") >= 0; })) {
            POINT p = sweeptest::ListItemCentre(list, sweeptest::ListIndexOf(list, L"b"));
            test::DoubleClickAt(p.x, p.y);
            folderOpened = WaitFor([&] { return sweeptest::ListIndexOf(list, L"sub") >= 0; });
        }
        if (folderOpened) {
            POINT p{(seguir.left + seguir.right) / 2, (seguir.top + seguir.bottom) / 2};
            ::ClientToScreen(chooser, &p);
            test::ClickAt(p.x, p.y);
        }
        // Whatever happened, the chooser goes, so the program's thread comes back.
        if (!WaitFor([&] { return !::IsWindowVisible(chooser); })) ::PostMessageW(chooser, WM_CLOSE, 0, 0);
    });
    ClickOn(Main->StartButton);  // returns once the chooser is gone; the search runs on
    user.Join();
    EXPECT_TRUE(chooserShown);
    EXPECT_TRUE(mainWaited);
    EXPECT_TRUE(folderOpened);
    ASSERT_TRUE(test::PumpUntil([] { return test::StatusText(Main->StatusBar->GetHandle(), 4) == "Hecho"; }));

    // 12107 bytes in four files: 11 Kbytes.
    EXPECT_EQ(StatusTexts(), (std::vector<std::string>{"4", "Encontrados", "11", "Kbytes", "Hecho"}));
    EXPECT_TRUE(::IsWindowVisible(Main->xgFoundFiles->GetHandle()));
    EXPECT_FALSE(::IsWindowVisible(Main->ConfigPanel->GetHandle()));
    EXPECT_TRUE(Main->StartButton->GetDown());
    EXPECT_TRUE(Main->DeleteButton->GetEnabled());
    const TXStringGrid* grid = Main->xgFoundFiles;
    ASSERT_EQ(grid->GetRowCount(), 6);
    const std::string b = tree_ / "b\\";
    std::set<std::string> found;
    for (int row = 1; row <= 4; ++row) found.insert(grid->GetCells(1, row) + grid->GetCells(0, row));
    EXPECT_EQ(found, (std::set<std::string>{b + "one.tmp", b + "two.tmp", b + "sub\\three.tmp", b + "sub\\four.tmp"}));

    // Rows 2 to 4 by a click and a Shift-click, then "Eliminar" from the
    // menu that a press on the delete button opens.
    std::vector<std::string> chosen, kept;
    for (int row = 1; row <= 4; ++row)
        (row >= 2 ? chosen : kept).push_back(grid->GetCells(1, row) + grid->GetCells(0, row));
    POINT p = CellCentre(grid, 2);
    test::ClickAt(p.x, p.y);
    p = CellCentre(grid, 4);
    test::ShiftClickAt(p.x, p.y);
    ASSERT_EQ(grid->GetSelection().Top, 2);
    ASSERT_EQ(grid->GetSelection().Bottom, 4);

    std::string firstItem;
    sweeptest::Answer yes(sweeptest::SayYes);
    test::UserThread picker([&] {
        HWND menu = nullptr;
        if (!WaitFor([&] { return (menu = test::OpenMenuWindow()) != nullptr; })) return;
        HMENU items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
        wchar_t text[64] = L"";
        ::GetMenuStringW(items, 0, text, 64, MF_BYPOSITION);
        firstItem = base::Utf8(text);
        RECT r{};
        ::GetMenuItemRect(nullptr, items, 0, &r);
        test::MouseUp();  // the press ends on the button; the menu stays open
        test::ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        if (!WaitFor([] { return test::OpenMenuWindow() == nullptr; })) test::PressKey(VK_ESCAPE);
    });
    p = test::CentreOf(Main->DeleteButton);
    test::MouseMoveTo(p.x, p.y);
    test::MouseDown();  // returns once the menu has closed
    picker.Join();
    yes.Asked();
    EXPECT_EQ(firstItem, "Eliminar\tMayús+Supr");
    ASSERT_TRUE(test::PumpUntil([&] { return grid->GetRowCount() == 3 && !Main->Busy(); }));

    for (const std::string& file : chosen)
        EXPECT_EQ(::GetFileAttributesW(base::Wide(file).c_str()), INVALID_FILE_ATTRIBUTES) << file << " is still there";
    for (const std::string& file : kept)
        EXPECT_NE(::GetFileAttributesW(base::Wide(file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
    EXPECT_TRUE(tree_.Exists("b\\notes.txt"));
    EXPECT_TRUE(tree_.Exists("a\\elsewhere.tmp"));
    EXPECT_EQ(grid->GetCells(1, 1) + grid->GetCells(0, 1), kept[0]);
    // The total is that of the file still listed.
    EXPECT_EQ(StatusTexts(),
              (std::vector<std::string>{"1", "Encontrados", "100", "bytes", "Hecho: 3 borrados (11 Kbytes)"}));
}

}  // namespace
