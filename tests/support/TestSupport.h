// Helpers for the tests: pictures to paint into and read back, pumping the
// message queue, real input, and temporary folders.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/TempDir.h"
#include "ui/Controls.h"

class TForm;

namespace test {

// A 32-bit top-down DIB section with a memory DC, for painting tests.
class Canvas32 {
public:
    Canvas32(int width, int height, COLORREF fill = RGB(0x12, 0x34, 0x56));
    ~Canvas32();
    Canvas32(const Canvas32&) = delete;
    Canvas32& operator=(const Canvas32&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The pixel as a COLORREF (0x00BBGGRR).
    COLORREF At(int x, int y) const;
    void Fill(COLORREF color);
    // Writes a PNG-free debugging dump (a .bmp) of the picture.
    void SaveBmp(const std::string& path) const;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_, height_;
};

// Handles queued messages until the condition holds or the time runs out;
// returns the condition's last value. On any thread but the program's it
// only waits and looks. The time is the system's own, never the clock a test
// holds (HeldClock). The default is long: a wait ends as soon as the
// condition holds, and only a failing test waits that long.
bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 10000);
// Handles queued messages for a fixed time. Kept for older callers: a test
// waits for the thing it needs, never for a time.
void Pump(int ms = 50);
// Handles every message posted to the program's thread before the call, and
// whatever those handled first post in turn before the marker this posts
// comes back. Program's thread only.
void HandlePosted();
// A timer of the tests' own, running while the object lives: it counts its
// ticks, which come from whatever loop the program's thread runs (a menu's
// too). One at a time, made and destroyed on the program's thread.
class TestTimer {
public:
    explicit TestTimer(UINT intervalMs);
    ~TestTimer();
    TestTimer(const TestTimer&) = delete;
    TestTimer& operator=(const TestTimer&) = delete;
    int Ticks() const;

private:
    UINT_PTR id_;
};
// Handles messages until a timer of the tests' own, started now with the
// interval, has ticked `ticks` times. A timer of the program with that
// interval or a shorter one, running all the while, would have ticked by
// then too: this is how a test shows that a timer did not. Program's thread
// only.
void LetTimersRun(UINT intervalMs, int ticks = 3);

// Paints now whatever waits to be painted in the window and its children,
// for a test that reads the screen.
void PaintPending(HWND wnd);
// Shows the form and waits until it is the active window of the active
// program, where the keys typed go; returns whether it came to be.
bool ShowActive(TForm* form);

// Real input through the system (SendInput), at screen coordinates. Each
// call returns once the program has the input: on the program's thread,
// once every input message queued for it has been handled; on a thread
// that plays the user while the program's thread is in a loop of its own (a
// menu, a modal form, a window being dragged), once that loop has taken the
// last key or button press that goes to one of the program's windows. They
// pump nothing there.
void MouseMoveTo(int x, int y);
void MouseDown(bool left = true);
void MouseUp(bool left = true);
void ClickAt(int x, int y);
void DoubleClickAt(int x, int y);
// A click with Shift held.
void ShiftClickAt(int x, int y);
void PressKey(WORD vk, bool shift = false, bool ctrl = false);
// A key pressed with Alt held (Alt+F4).
void PressAltKey(WORD vk);
// Several keys pressed one after another, queued all at once: the program
// sees the later ones only after it has handled the first.
void PressKeys(std::initializer_list<WORD> vks);
void TypeText(const std::string& text);
// Screen coordinates of a point of a control's client area.
POINT ScreenPointOf(const TControl* control, int x, int y);
// The middle of a control, on the screen, and a click there.
POINT CentreOf(const TControl* control);
void ClickOn(const TControl* control);

// Plays the user on a thread of its own while the program's thread is in a
// loop that a test cannot leave by itself (a menu, a modal window, the
// system tracking a title-bar button): the input helpers above work there,
// pumping nothing. Joined when it goes.
class UserThread {
public:
    explicit UserThread(std::function<void()> play);
    ~UserThread() { Join(); }
    UserThread(const UserThread&) = delete;
    UserThread& operator=(const UserThread&) = delete;
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

// The menu window that is open, if any.
HWND OpenMenuWindow();
// Waits for a menu to open and for the menu's loop to have taken all the
// input sent so far, then returns the menu's window (null when it did not
// open). Keys sent with the one that opened the menu (Shift+F10's releases)
// would otherwise reach the window after a quick choice closed the menu:
// under Wine a lone F10 release there puts the window in its menu bar's
// loop, which nothing ends.
HWND WaitForMenu();

// Answers the message boxes that the creating thread shows: another thread
// waits for each box's text to be in place, records the box and presses its
// button. A message box is modal, so once the call that showed it returns,
// the box is on the record.
class MessageBoxCloser {
public:
    struct Box {
        std::string title;
        std::string text;
        int buttons;
    };
    MessageBoxCloser();
    ~MessageBoxCloser();
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;
    std::vector<Box> Boxes() const;
    int Count() const { return static_cast<int>(Boxes().size()); }
    // The text of the last box, or empty when there was none.
    std::string LastText() const;

private:
    void Watch(DWORD thread);
    mutable std::mutex mutex_;
    std::vector<Box> boxes_;
    std::atomic<bool> stop_{false};
    std::thread watcher_;
};


}  // namespace test
