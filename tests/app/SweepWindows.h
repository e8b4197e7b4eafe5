// The program's three windows, made as the program makes them, and a user's
// hands on them: clicks sent as mouse messages to the windows that receive
// them (windowless controls through their parent's window), the folder
// chooser answered from a timer while its modal loop runs, the delete
// button's menu answered from another thread. Shared by the search and
// deletion tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/ChooseDirUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "support/ProgramWindows.h"
#include "support/TestSupport.h"
#include "ui/Handles.h"
#include "ui/SysUtils.h"
#include "ui/Timer.h"
#include "base/Unicode.h"

namespace sweeptest {

// A press and a release of the left button at a client point of a window.
inline void SendClick(HWND wnd, int x, int y, WPARAM keys = 0) {
    const LPARAM at = MAKELPARAM(x, y);
    ::SendMessageW(wnd, WM_LBUTTONDOWN, keys | MK_LBUTTON, at);
    ::SendMessageW(wnd, WM_LBUTTONUP, keys, at);
}

// The window that receives the mouse over a control, and the control's
// centre in that window's client coordinates.
inline std::pair<HWND, POINT> MouseTarget(TControl* control) {
    if (control->IsWindowed())
        return {static_cast<TWinControl*>(control)->GetHandle(), {control->GetWidth() / 2, control->GetHeight() / 2}};
    return {control->GetParent()->GetHandle(),
            {control->GetLeft() + control->GetWidth() / 2, control->GetTop() + control->GetHeight() / 2}};
}

inline void ClickControl(TControl* control, WPARAM keys = 0) {
    auto [wnd, at] = MouseTarget(control);
    SendClick(wnd, at.x, at.y, keys);
}

// Sees every text the status bar's window is given (the alignment tabs
// taken off), and lets a test act at that moment: the search writes panel 4
// at the start of every folder visit and panel 0 for every result. While it
// watches, the bar passes every change on at once.
class PanelWatch {
public:
    using Handler = std::function<void(int panel, const std::string& text)>;
    explicit PanelWatch(Handler handler)
        : handler_(std::move(handler)),
          wnd_(Main->StatusBar->GetHandle()),
          interval_(Main->StatusBar->GetTextInterval()) {
        Main->StatusBar->SetTextInterval(0);
        ::SetWindowSubclass(wnd_, Proc, kId, reinterpret_cast<DWORD_PTR>(this));
    }
    ~PanelWatch() {
        ::RemoveWindowSubclass(wnd_, Proc, kId);
        Main->StatusBar->SetTextInterval(interval_);
    }
    PanelWatch(const PanelWatch&) = delete;
    PanelWatch& operator=(const PanelWatch&) = delete;

private:
    static constexpr UINT_PTR kId = 0x5EA7;
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
        if (msg == SB_SETTEXTW && lParam) {
            const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
            while (*text == L'\t') ++text;
            reinterpret_cast<PanelWatch*>(data)->handler_(static_cast<int>(LOBYTE(LOWORD(wParam))), base::Utf8(text));
        }
        return ::DefSubclassProc(wnd, msg, wParam, lParam);
    }
    Handler handler_;
    HWND wnd_;
    UINT interval_;
};

// The user who answers the program's next question (a message box with the
// program's title) on a thread of their own, with keys: SayNo presses Enter,
// that is the default button; SayYes goes from "No" to "Yes" and presses it.
// Asked() handles the program's messages until then and gives the question
// (empty when none came).
inline void SayYes() { test::PressKeys({VK_TAB, VK_SPACE}); }
inline void SayNo() { test::PressKey(VK_RETURN); }
class Answer {
public:
    explicit Answer(std::function<void()> keys)
        : user_([this, keys = std::move(keys), title = base::Wide(Application->GetTitle())] {
              HWND box = nullptr;
              test::PumpUntil([&] {
                  box = ::FindWindowW(L"#32770", title.c_str());
                  return box && ::GetForegroundWindow() == box && !ui::WindowText(::GetDlgItem(box, 0xFFFF)).empty();
              }, 10000);
              if (box) question_ = ui::WindowText(::GetDlgItem(box, 0xFFFF));
              if (box) keys();
              done_ = true;
          }) {}
    std::string Asked() {
        test::PumpUntil([this] { return done_.load(); }, 20000);
        user_.Join();
        return question_;
    }

private:
    std::string question_;
    std::atomic<bool> done_{false};
    test::UserThread user_;  // last: it uses the members above
};

struct ResultRow {
    std::string name, folder, size, modified;
    bool operator==(const ResultRow& o) const {
        return name == o.name && folder == o.folder && size == o.size && modified == o.modified;
    }
};
inline std::ostream& operator<<(std::ostream& o, const ResultRow& r) {
    return o << "{" << r.name << " | " << r.folder << " | " << r.size << " | " << r.modified << "}";
}

// Makes the windows as the program's start-up does and gives them back at
// the end; every case starts from a program just started. A case gets a
// fresh folder tree of its own in `tree`.
class SweepWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetFileAttributesW(base::Wide(TMain::IniPath()).c_str()), INVALID_FILE_ATTRIBUTES)
            << "a pattern list left beside the tests";
        Application->CreateForm(Main);
        Application->CreateForm(ChooseDir);
        Application->CreateForm(HelpForm);
        // The list starts empty and is kept in a file of the case's own.
        Main->LoadPatterns(ini_ / "Sweepfield.Ini");
        test::ShowActive(Main);
    }
    void TearDown() override {
        // The other two windows belong to the main window's: they go first.
        delete HelpForm;
        HelpForm = nullptr;
        delete ChooseDir;
        ChooseDir = nullptr;
        delete Main;
        Main = nullptr;
    }

    // The pattern list, as loaded from an initialisation file; each
    // pattern's mode is "No" unless given.
    void UsePatterns(const std::vector<std::string>& patterns, const std::vector<std::string>& modes = {}) {
        std::string text = "[FindFiles]\n";
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            text += "File" + n + "=" + patterns[i] + "\nAutodel" + n + "=" + (i < modes.size() ? modes[i] : "No") + "\n";
        }
        const std::string path = ini_ / "patterns.ini";
        HANDLE h = ::CreateFileW(base::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(h);
        Main->LoadPatterns(path);
    }

    void ShowConfiguration() {
        if (!Main->ConfigButton->GetDown()) ClickControl(Main->ConfigButton);
        ASSERT_TRUE(Main->ConfigPanel->GetVisible());
    }

    // Checks or unchecks an option box with a click, as the user does.
    void SetOption(TBitCheckBox* box, bool checked) {
        if (box->GetChecked() == checked) return;
        ShowConfiguration();
        ClickControl(box);
        ASSERT_EQ(box->GetChecked(), checked);
    }

    // Types a size field's new text over the old one.
    void TypeSize(TSpinEdit* field, const std::string& text) {
        HWND edit = field->GetHandle();
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        ::SendMessageW(edit, WM_CLEAR, 0, 0);
        for (wchar_t c : base::Wide(text)) ::SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
    }

    // A click on "Comenzar búsqueda" that starts in `folder`: the folder is
    // chosen in the chooser, which the search shows modally; `chosen` runs
    // once "Seguir" has been clicked, before the walk begins. The search
    // runs on its own threads: the click returns as it starts.
    void StartSearchIn(const std::string& folder, const std::function<void()>& chosen = nullptr) {
        SetOption(Main->SelectHomeDir, true);
        TTimer user(nullptr);
        user.SetInterval(20);
        chooserShown_ = 0;
        user.OnTimer = [&](TObject*) {
            if (!ChooseDir->IsModal() || !ChooseDir->GetVisible()) return;
            ++chooserShown_;
            ChooseDir->DirectoryListBox1->SetDirectory(folder);
            ClickControl(ChooseDir->FlatButton1);  // "Seguir"
            if (chosen) chosen();
        };
        ClickControl(Main->StartButton);
    }
    // A search in `folder`, to its end.
    void SearchIn(const std::string& folder, const std::function<void()>& chosen = nullptr) {
        StartSearchIn(folder, chosen);
        WaitUntilIdle();
    }
    void Search() { SearchIn(tree.path()); }
    // Idle: the default cursor and the buttons a search or a deletion
    // disables enabled again.
    void ExpectIdleButtons() const {
        EXPECT_EQ(Screen->GetCursor(), crDefault);
        EXPECT_TRUE(Main->StartButton->GetEnabled());
        EXPECT_TRUE(Main->ConfigButton->GetEnabled());
        // "Borrar Selección" only with a selection to act on.
        EXPECT_EQ(Main->DeleteButton->GetEnabled(), Main->xgFoundFiles->HasSelection());
    }
    void WaitUntilIdle() { ASSERT_TRUE(test::PumpUntil([] { return !Main->Busy(); }, 60000)); }

    std::string Panel(int index) const { return Main->StatusBar->GetPanels()->GetItem(index)->GetText(); }
    // The status bar's texts, as another program reads them.
    std::vector<std::string> StatusTexts() const {
        std::vector<std::string> texts;
        for (int i = 0; i < 5; ++i) texts.push_back(test::StatusText(Main->StatusBar->GetHandle(), i));
        return texts;
    }

    // The result rows, between the header and the blank last row.
    std::vector<ResultRow> Results() const {
        std::vector<ResultRow> rows;
        TStringGrid* g = Main->xgFoundFiles;
        for (int r = 1; r < g->GetRowCount() - 1; ++r)
            rows.push_back({g->GetCells(0, r), g->GetCells(1, r), g->GetCells(2, r), g->GetCells(3, r)});
        return rows;
    }
    bool LastRowIsBlank() const {
        TStringGrid* g = Main->xgFoundFiles;
        for (int c = 0; c < 4; ++c)
            if (!g->GetCells(c, g->GetRowCount() - 1).empty()) return false;
        return true;
    }
    // The results' names and folders, in the order listed.
    using Place = std::pair<std::string, std::string>;
    std::vector<Place> Places() const {
        std::vector<Place> places;
        for (const ResultRow& r : Results()) places.emplace_back(r.name, r.folder);
        return places;
    }
    std::vector<std::string> ResultNames() const {
        std::vector<std::string> names;
        for (const ResultRow& r : Results()) names.push_back(r.name);
        return names;
    }

    // Selects grid rows first to last: a click on the first, a Shift-click on the last.
    void SelectRows(int first, int last) {
        TStringGrid* g = Main->xgFoundFiles;
        const TRect a = g->CellRect(0, first), b = g->CellRect(0, last);
        ASSERT_FALSE(::IsRectEmpty(&a)) << "row " << first << " is out of view";
        ASSERT_FALSE(::IsRectEmpty(&b)) << "row " << last << " is out of view";
        SendClick(g->GetHandle(), a.left + 5, (a.top + a.bottom) / 2);
        SendClick(g->GetHandle(), b.left + 5, (b.top + b.bottom) / 2, MK_SHIFT);
        const TGridRect s = g->GetSelection();
        ASSERT_EQ(s.Top, std::min(first, last));
        ASSERT_EQ(s.Bottom, std::max(first, last));
    }

    // "Borrar Selección" pressed, and the menu's item chosen with the keys:
    // "Eliminar" (the first, its question answered by `answer`; the
    // question is kept in `asked`) or "Enviar a la Papelera" (the second).
    // Waits until the deletion is over.
    void ChooseFromDeleteMenu(int item, std::function<void()> answer = SayYes) {
        ASSERT_TRUE(Main->DeleteButton->GetEnabled());
        std::optional<Answer> answering;
        if (item == 0) answering.emplace(std::move(answer));
        bool chosen = false;
        std::thread user([&chosen, item] {
            const HWND menu = test::WaitForMenu();
            if (!menu) return;
            for (int i = 0; i <= item; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            chosen = true;
        });
        auto [wnd, at] = MouseTarget(Main->DeleteButton);
        ::SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));  // the menu's loop runs here
        user.join();
        ::SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        ASSERT_TRUE(chosen) << "the menu did not open";
        // The choice runs from the message loop once the menu has closed,
        // and the deletion on a thread of its own.
        test::HandlePosted();
        if (answering) asked = answering->Asked();
        WaitUntilIdle();
    }
    void DeleteSelection(std::function<void()> answer = SayYes) { ChooseFromDeleteMenu(0, std::move(answer)); }
    void RecycleSelection() { ChooseFromDeleteMenu(1); }

    test::TempDir tree;
    int chooserShown_ = 0;
    std::string asked;

private:
    test::TempDir ini_;
};

// A row of a list box: its index by its text, and its middle on the screen.
inline int ListIndexOf(HWND list, const wchar_t* text) {
    return static_cast<int>(::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(text)));
}
inline POINT ListItemCentre(HWND list, int index) {
    RECT r{};
    ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(list, &p);
    return p;
}

// The width of a text in a font, as the system measures it.
inline int TextWidth(const std::string& text, HFONT font) {
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    ui::SelectGuard select(dc.get(), font);
    const std::wstring wide = base::Wide(text);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
    return extent.cx;
}

// A file's attributes, size and times as the system has them now.
inline WIN32_FILE_ATTRIBUTE_DATA FileData(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    d.dwFileAttributes = INVALID_FILE_ATTRIBUTES;
    ::GetFileAttributesExW(base::Wide(path).c_str(), GetFileExInfoStandard, &d);
    return d;
}

inline void SetLastWrite(const std::string& path, const SYSTEMTIME& utc) {
    FILETIME ft;
    ::SystemTimeToFileTime(&utc, &ft);
    HANDLE h = ::CreateFileW(base::Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ::SetFileTime(h, nullptr, nullptr, &ft);
    ::CloseHandle(h);
}

}  // namespace sweeptest
