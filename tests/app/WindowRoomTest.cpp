// The main window with room to work: it grows and keeps its controls where
// they belong, remembers its place and columns in a settings key of the
// test's own, fits its four result columns with long paths shortened (whole
// in a tip), groups sizes as the user's language does, and leads from a row
// to its file: the file manager's command line (through a stand-in for
// CreateProcessW), the rows' menu, the paths on the clipboard, the list
// saved as CSV (through a stand-in for the save dialog).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/SweepWindows.h"
#include "support/HintsAndClipboard.h"
#include "support/SystemCalls.h"

namespace {

using namespace sweeptest;

const wchar_t kTestKey[] = L"Software\\Tallowmere\\SweepfieldTest";

class Room : public SweepWindows {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
        TMain::SettingsKey = kTestKey;
        SweepWindows::SetUp();
    }
    void TearDown() override {
        SweepWindows::TearDown();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    }
    // The program closed (its settings saved) and started again.
    void Restart() {
        Main->FormClose(Main);
        SweepWindows::TearDown();
        SweepWindows::SetUp();
    }
    static void SetValue(const wchar_t* name, DWORD value) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kTestKey, name, REG_DWORD, &value, sizeof value);
    }
    static DWORD Value(const wchar_t* name) {
        DWORD value = 0xFFFFFFFF, size = sizeof value;
        ::RegGetValueW(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }
    static RECT WindowRect(HWND wnd) {
        RECT r{};
        ::GetWindowRect(wnd, &r);
        return r;
    }
    TXStringGrid* Grid() const { return Main->xgFoundFiles; }
    void ShowResults() {
        if (Main->ConfigButton->GetDown()) ClickControl(Main->ConfigButton);
    }
    POINT RowPoint(int row, int col = TMain::colName) const {
        const TRect r = Grid()->CellRect(col, row);
        return test::ScreenPointOf(Grid(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    std::string PathOf(int row) const { return Grid()->GetCells(TMain::colFolder, row) + Grid()->GetCells(0, row); }
};

// ---------------------------------------------------------------- room

// Grown, the lists take the room and the rest stays; the size it starts
// with is the smallest; maximized, the results fill the screen.
TEST_F(Room, TheListsTakeTheRoomAndTheOptionsStay) {
    const HWND main = Main->GetHandle();
    const RECT start = WindowRect(main);
    const TRect options = Main->SearchSubdirs->GetBoundsRect(), add = Main->AddButton->GetBoundsRect();
    const int patterns = Main->sgFiles->GetHeight(), patternsWide = Main->sgFiles->GetWidth();
    ::SetWindowPos(main, nullptr, 0, 0, start.right - start.left + 200, start.bottom - start.top + 150,
                   SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Main->sgFiles->GetHeight(), patterns + 150);
    EXPECT_EQ(Main->sgFiles->GetWidth(), patternsWide);
    EXPECT_EQ(Main->Bevel3->GetHeight(), 217 + 150);
    EXPECT_EQ(Main->TileImage2->GetWidth(), 538 + 200);
    EXPECT_EQ(Main->SearchSubdirs->GetBoundsRect(), options);
    EXPECT_EQ(Main->AddButton->GetBoundsRect(), add);
    EXPECT_EQ(Main->StartButton->GetLeft(), 8);
    ShowResults();
    EXPECT_EQ(Grid()->GetWidth(), 540 + 200);

    // Never smaller than it starts, however small it is asked to be.
    MINMAXINFO limits{};
    ::SendMessageW(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, start.right - start.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, start.bottom - start.top);

    ::ShowWindow(main, SW_MAXIMIZE);
    EXPECT_EQ(Grid()->GetWidth(), Main->GetClientWidth());
    EXPECT_GE(Main->GetClientWidth(), ::GetSystemMetrics(SM_CXSCREEN) - 20);
}

// Closed and started again, the window comes back where and as large as it
// was, its columns as wide; a place on no monitor comes back on the screen;
// a maximized window comes back maximized.
TEST_F(Room, ThePlaceSizeAndColumnsComeBack) {
    ::SetWindowPos(Main->GetHandle(), nullptr, 40, 50, 700, 450, SWP_NOZORDER);
    ShowResults();  // the columns as wide as the grown grid
    Grid()->SetColWidths(TMain::colName, 60);
    Restart();
    EXPECT_EQ(Value(L"Left"), 40u);
    EXPECT_EQ(Value(L"Width"), 700u);
    EXPECT_EQ(Value(L"Maximized"), 0u);
    const RECT back = WindowRect(Main->GetHandle());
    EXPECT_EQ(back.left, 40);
    EXPECT_EQ(back.top, 50);
    EXPECT_EQ(back.right - back.left, 700);
    EXPECT_EQ(back.bottom - back.top, 450);
    EXPECT_EQ(Grid()->GetColWidths(TMain::colName), 60);
    // The path column fits the grid it shows in: all four columns end within it.
    ShowResults();
    EXPECT_LE(Grid()->CellRect(TMain::colModified, 0).right, Grid()->GetClientWidth());

    SetValue(L"Left", 5000);
    SetValue(L"Maximized", 1);
    SweepWindows::TearDown();
    SweepWindows::SetUp();
    const RECT moved = WindowRect(Main->GetHandle());
    EXPECT_TRUE(::IsZoomed(Main->GetHandle()));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ::GetWindowPlacement(Main->GetHandle(), &placement);
    EXPECT_LT(placement.rcNormalPosition.left, ::GetSystemMetrics(SM_CXSCREEN) - 100) << moved.left;
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, 700);
}

// At the size it starts with, the four result columns show; a path too long
// for its column keeps its start and its last folder, and the tip over it
// shows it whole. A sort starts the list at its top.
TEST_F(Room, LongPathsAreShortenedWithTheirWholeTextInATip) {
    const std::string deep = "una carpeta de nombre largo\\otra carpeta más larga todavía\\la última";
    for (int i = 0; i < 40; ++i) tree.MakeFile(deep + "\\f" + std::to_string(i) + ".tmp", static_cast<std::uint64_t>(i));
    UsePatterns({"*.tmp"});
    Search();
    ASSERT_EQ(Results().size(), 40u);
    EXPECT_LE(Grid()->CellRect(TMain::colModified, 0).right, Grid()->GetClientWidth());
    const std::string whole = Grid()->GetCells(TMain::colFolder, 1);
    const std::string shown = Grid()->ShownText(TMain::colFolder, 1);
    EXPECT_EQ(shown.substr(0, 3), "C:\\");
    EXPECT_EQ(shown.substr(shown.size() - 15), "\xE2\x80\xA6\\la \xC3\xBAltima\\");

    HWND tip = Grid()->GetTipWindow();
    const POINT over = RowPoint(2, TMain::colFolder);
    test::MouseMoveTo(over.x - 1, over.y);
    test::MouseMoveTo(over.x, over.y);
    ASSERT_TRUE(test::PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; }));
    wchar_t text[1024] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.lpszText = text;
    ::SendMessageW(tip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(base::Utf8(text), whole);
    test::MouseMoveTo(0, 0);

    Grid()->SetTopRow(20);
    const TRect title = Grid()->CellRect(TMain::colSize, 0);
    const POINT p = test::ScreenPointOf(Grid(), (title.left + title.right) / 2, title.top + 4);
    test::ClickAt(p.x, p.y);
    EXPECT_EQ(Grid()->GetTopRow(), 1);
    EXPECT_EQ(Grid()->GetCells(TMain::colName, 1), "f39.tmp");  // the largest first
}

// ---------------------------------------------------------------- rows

// Sizes are grouped with the user's own separator, read at every search;
// a selection of more than one row shows its count and space.
TEST_F(Room, SizesFollowTheUsersSeparatorAndTheSelectionShowsItsTotal) {
    struct Separator {
        wchar_t before[8] = L"";
        Separator() { ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, before, 8); }
        ~Separator() { ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, before); }
    } restore;
    for (const char* name : {"a.dat", "b.dat", "c.dat"}) tree.MakeFile(name, 1234567);
    UsePatterns({"*.dat"});
    for (const wchar_t* separator : {L",", L"."}) {
        ASSERT_TRUE(::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator));
        Search();
        EXPECT_EQ(Results()[0].size, "1" + base::Utf8(separator) + "234" + base::Utf8(separator) + "567 bytes");
    }
    EXPECT_EQ(test::StatusText(Main->StatusBar->GetHandle(), TMain::pnSelection), "");  // one row
    SelectRows(1, 3);
    EXPECT_EQ(test::StatusText(Main->StatusBar->GetHandle(), TMain::pnSelection), "3 seleccionados · 3616 Kbytes");
    SelectRows(2, 2);
    EXPECT_EQ(Panel(TMain::pnSelection), "");
}

// What the stand-in for CreateProcessW was asked to start.
std::vector<std::wstring> started;
BOOL WINAPI RecordStart(LPCWSTR, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                        LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION info) {
    started.emplace_back(commandLine);
    *info = PROCESS_INFORMATION{};
    return TRUE;
}

// A double click on a row shows its file selected in the file manager; one
// on the blank row starts nothing.
TEST_F(Room, ADoubleClickShowsTheFileInItsFolder) {
    tree.MakeFile("sub carpeta\\a b.tmp", 5);
    UsePatterns({"*.tmp"});
    Search();
    test::ImportedFunction standIn("kernel32.dll", "CreateProcessW", reinterpret_cast<void*>(&RecordStart));
    ASSERT_TRUE(standIn.Replaced());
    started.clear();
    POINT p = RowPoint(1);
    test::DoubleClickAt(p.x, p.y);
    p = RowPoint(2);
    test::DoubleClickAt(p.x, p.y);
    wchar_t windows[MAX_PATH];
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(started, std::vector<std::wstring>{L"\"" + std::wstring(windows) + L"\\explorer.exe\" /select,\"" +
                                                 base::Wide(tree / "sub carpeta\\a b.tmp") + L"\""});
}

// The rows' menu, opened by a right click or the keyboard: its items, and
// "Copiar ruta" puts every selected row's path on the clipboard.
TEST_F(Room, TheRowsMenuCopiesTheSelectedPaths) {
    for (const char* name : {"a.tmp", "b.tmp", "c.tmp"}) tree.MakeFile(name, 5);
    UsePatterns({"*.tmp"});
    Search();
    SelectRows(1, 2);
    // Opens the menu with `open`, reads its items and chooses the one
    // `downs` presses of the down key reach (none: Esc).
    auto useMenu = [](const std::function<void()>& open, int downs) {
        std::vector<std::string> items;
        test::UserThread user([&] {
            const HWND menu = test::WaitForMenu();
            if (!menu) return;
            HMENU handle = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
            for (int i = 0; i < ::GetMenuItemCount(handle); ++i) {
                wchar_t text[64] = L"";
                ::GetMenuStringW(handle, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
                items.push_back(base::Utf8(text));
            }
            for (int i = 0; i < downs; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageW(menu, WM_KEYDOWN, downs ? VK_RETURN : VK_ESCAPE, 0);
        });
        open();
        user.Join();
        test::HandlePosted();
        return items;
    };
    test::ClickOn(Grid());
    SelectRows(1, 2);
    EXPECT_EQ(useMenu([] { test::PressKey(VK_F10, true); }, 0),
              (std::vector<std::string>{"Abrir carpeta", "Copiar ruta", "", "Enviar a la Papelera\tSupr",
                                        "Eliminar\tMayús+Supr", "", "Guardar lista…\tCtrl+S"}));
    const POINT second = RowPoint(2);
    ASSERT_TRUE(test::PutOnClipboard(Main->GetHandle(), "nada"));
    useMenu(
        [&] {
            test::MouseMoveTo(second.x, second.y);
            test::MouseDown(false);
            test::MouseUp(false);
        },
        2);
    EXPECT_EQ(Grid()->GetSelection().Top, 1);  // a right click inside the selection keeps it
    ASSERT_TRUE(::OpenClipboard(Main->GetHandle()));
    HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    const std::string copied = data ? base::Utf8(static_cast<const wchar_t*>(::GlobalLock(data))) : "";
    if (data) ::GlobalUnlock(data);
    ::CloseClipboard();
    EXPECT_EQ(copied, PathOf(1) + "\r\n" + PathOf(2));
}

// What the stand-in for the save dialog answers.
std::wstring answeredPath;
BOOL WINAPI AnswerSave(LPOPENFILENAMEW ofn) {
    ::lstrcpynW(ofn->lpstrFile, answeredPath.c_str(), static_cast<int>(ofn->nMaxFile));
    return TRUE;
}

// Ctrl+S writes the listed rows, in the order shown, as the console
// program's CSV: UTF-8 with its mark, quoted fields, CRLF. A write that
// fails says so and leaves the list and any file of that name as they were.
TEST_F(Room, CtrlSSavesTheListAsCsv) {
    tree.MakeFile("x\\uno, dos.tmp", 12);
    tree.MakeFile("x\\b.log", 3);
    SetLastWrite(tree / "x\\uno, dos.tmp", SYSTEMTIME{2024, 5, 0, 1, 10, 20, 30, 0});
    SetLastWrite(tree / "x\\b.log", SYSTEMTIME{2023, 1, 0, 2, 3, 4, 6, 0});
    UsePatterns({"*.tmp", "*.log"});
    Search();
    test::ImportedFunction standIn("comdlg32.dll", "GetSaveFileNameW", reinterpret_cast<void*>(&AnswerSave));
    ASSERT_TRUE(standIn.Replaced());
    test::TempDir out;
    answeredPath = base::Wide(out / "lista.csv");
    test::ClickOn(Grid());
    test::PressKey('S', false, true);
    std::ifstream file(out / "lista.csv", std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string x = tree / "x\\";
    EXPECT_EQ(bytes.str(), "\xEF\xBB\xBFruta,nombre,carpeta,bytes,modificado,patron\r\n\"" + x +
                               "uno, dos.tmp\",\"uno, dos.tmp\"," + x + ",12,2024-05-01T10:20:30Z,*.tmp\r\n" + x +
                               "b.log,b.log," + x + ",3,2023-01-02T03:04:06Z,*.log\r\n");
    EXPECT_EQ(Panel(TMain::pnActivity), "Lista guardada: 2 ficheros");

    std::ofstream(out / "antes.csv") << "antes";
    ::SetFileAttributesW(base::Wide(out / "antes.csv").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::pair<std::string, const char*> failures[] = {
        {out / "no existe\\lista.csv", "la carpeta no existe"}, {out / "antes.csv", "sin permiso"}};
    for (const auto& [path, why] : failures) {
        EXPECT_FALSE(Main->SaveList(base::Wide(path)));
        EXPECT_EQ(Panel(TMain::pnActivity), std::string("No se pudo guardar la lista: ") + why);
    }
    std::ifstream before(out / "antes.csv");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(before), {}), "antes");
    EXPECT_EQ(Results().size(), 2u);
    ::SetFileAttributesW(base::Wide(out / "antes.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
