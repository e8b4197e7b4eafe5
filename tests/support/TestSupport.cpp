#include "support/TestSupport.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "ui/Forms.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"

namespace test {

Canvas32::Canvas32(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down: row y is bits_[y * width]
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    dc_ = ::CreateCompatibleDC(nullptr);
    old_ = ::SelectObject(dc_, bitmap_);
    Fill(fill);
}

Canvas32::~Canvas32() {
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
    ::DeleteObject(bitmap_);
}

COLORREF Canvas32::At(int x, int y) const {
    ::GdiFlush();
    std::uint32_t v = bits_[static_cast<std::size_t>(y) * width_ + x];  // 0x00RRGGBB in memory order B,G,R
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void Canvas32::Fill(COLORREF color) {
    ::GdiFlush();
    std::uint32_t v = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    std::fill_n(bits_, static_cast<std::size_t>(width_) * height_, v);
}

void Canvas32::SaveBmp(const std::string& path) const {
    ::GdiFlush();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width_;
    ih.biHeight = -height_;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    DWORD size = static_cast<DWORD>(width_) * height_ * 4;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + size;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::fwrite(bits_, size, 1, f);
    std::fclose(f);
}

namespace {

// The windows live on the thread that made the application. A test that
// plays the user from another thread (while the program's thread is inside
// a modal loop) only waits: the class library is not to be entered from
// there.
DWORD ProgramThread() {
    return Application && Application->GetHandle() ? ::GetWindowThreadProcessId(Application->GetHandle(), nullptr)
                                                   : ::GetCurrentThreadId();
}

bool OnProgramThread() { return ProgramThread() == ::GetCurrentThreadId(); }

// The input the tests send carries a tag and a number of its own in its
// extra information; a hook on the program's thread notes the last number
// taken from the queue, and the last marker message.
const ULONG_PTR kTag = 0x5F000000, kTagMask = 0xFF000000, kNumberMask = 0x00FFFFFF;
std::atomic<ULONG_PTR> lastNumber{0}, lastTaken{0}, lastMarker{0}, lastMarkerTaken{0};
// The number of the last input sent that goes to the program.
std::atomic<ULONG_PTR> lastWitness{0};

UINT MarkerMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"SweepfieldTestMarker");
    return message;
}

bool IsInputMessage(UINT m) {
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK);
}

void Raise(std::atomic<ULONG_PTR>& value, ULONG_PTR to) {
    ULONG_PTR now = value;
    while (now < to && !value.compare_exchange_weak(now, to)) {
    }
}

// Every loop takes a message out of the queue only once it has handled the
// one before, so a number taken means that all input before it was handled.
LRESULT CALLBACK NoteTaken(int code, WPARAM removed, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE) {
        if (IsInputMessage(msg->message)) {
            const ULONG_PTR extra = static_cast<ULONG_PTR>(::GetMessageExtraInfo());
            if ((extra & kTagMask) == kTag) Raise(lastTaken, extra & kNumberMask);
        } else if (msg->message == MarkerMessage() && !msg->hwnd) {
            Raise(lastMarkerTaken, static_cast<ULONG_PTR>(msg->lParam));
        }
    }
    return ::CallNextHookEx(nullptr, code, removed, lParam);
}

// A hook goes with the thread that set it: it is set on the program's own.
void WatchProgramThread() {
    static HHOOK hook = nullptr;
    if (!hook && OnProgramThread()) hook = ::SetWindowsHookExW(WH_GETMESSAGE, NoteTaken, nullptr, ProgramThread());
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs, bool pump) {
    if (pump) WatchProgramThread();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (pump) Application->ProcessMessages();
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return condition();
        if (pump)
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        else
            ::Sleep(5);
    }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& condition, int timeoutMs) {
    return WaitFor(condition, timeoutMs, OnProgramThread());
}


void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

void HandlePosted() {
    WatchProgramThread();
    const ULONG_PTR marker = ++lastMarker;
    ::PostThreadMessageW(::GetCurrentThreadId(), MarkerMessage(), 0, static_cast<LPARAM>(marker));
    PumpUntil([marker] { return lastMarkerTaken >= marker; });
}

void PaintPending(HWND wnd) { ::RedrawWindow(wnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

bool ShowActive(TForm* form) {
    form->Show();
    return PumpUntil([form] { return form->GetActive() && Application->GetActive(); });
}

namespace {

std::atomic<int> testTicks{0};

void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++testTicks; }

}  // namespace

TestTimer::TestTimer(UINT intervalMs) {
    // The system's own SetTimer: a test may be recording the program's calls.
    static const auto setTimer = reinterpret_cast<decltype(&::SetTimer)>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetTimer")));
    testTicks = 0;
    id_ = setTimer(nullptr, 0, intervalMs, CountTick);
}

TestTimer::~TestTimer() { ::KillTimer(nullptr, id_); }

int TestTimer::Ticks() const { return testTicks; }

void LetTimersRun(UINT intervalMs, int ticks) {
    TestTimer timer(intervalMs);
    PumpUntil([&] { return timer.Ticks() >= ticks; });
}

namespace {

INPUT MouseInput(DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = ::MulDiv(x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = ::MulDiv(y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    return in;
}

INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

void AddKeyPress(std::vector<INPUT>& inputs, WORD vk, bool shift = false, bool ctrl = false, bool alt = false) {
    if (alt) inputs.push_back(KeyInput(VK_MENU, false));
    if (shift) inputs.push_back(KeyInput(VK_SHIFT, false));
    if (ctrl) inputs.push_back(KeyInput(VK_CONTROL, false));
    inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(vk, true));
    if (ctrl) inputs.push_back(KeyInput(VK_CONTROL, true));
    if (shift) inputs.push_back(KeyInput(VK_SHIFT, true));
    if (alt) inputs.push_back(KeyInput(VK_MENU, true));
}

bool IsMove(const INPUT& in) {
    return in.type == INPUT_MOUSE && !(in.mi.dwFlags & ~(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE));
}

// Whether the input goes to a window of the program's thread: keys to the
// foreground window, the mouse to the window that holds it or is under it.
bool GoesToTheProgram(const INPUT& in) {
    const DWORD program = ProgramThread();
    if (in.type == INPUT_KEYBOARD) {
        const HWND foreground = ::GetForegroundWindow();
        return foreground && ::GetWindowThreadProcessId(foreground, nullptr) == program;
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (::GetGUIThreadInfo(program, &info) && info.hwndCapture) return true;
    POINT p{};
    ::GetCursorPos(&p);
    const HWND under = ::WindowFromPoint(p);
    return under && ::GetWindowThreadProcessId(under, nullptr) == program;
}

// Sends the inputs as one batch and waits until the program has them (see
// the header). Measured under Wine 8: the input is in the queue of the
// thread it goes to, and the cursor in place, once SendInput returns.
void Send(std::vector<INPUT> inputs) {
    WatchProgramThread();
    ULONG_PTR witness = 0;
    for (INPUT& in : inputs) {
        const ULONG_PTR number = ++lastNumber & kNumberMask;
        (in.type == INPUT_MOUSE ? in.mi.dwExtraInfo : in.ki.dwExtraInfo) = kTag | number;
        // A move may be merged into the one before it: only keys and
        // buttons are sure to reach the queue as they are.
        if (!IsMove(in) && GoesToTheProgram(in)) witness = number;
    }
    if (witness) Raise(lastWitness, witness);
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (OnProgramThread())
        PumpUntil([] { return HIWORD(::GetQueueStatus(QS_INPUT)) == 0; });
    else if (witness)
        PumpUntil([witness] { return lastTaken >= witness; });
}

}  // namespace

void MouseMoveTo(int x, int y) {
    Send({MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y)});
    PumpUntil([x, y] {
        POINT p{};
        return ::GetCursorPos(&p) && p.x == x && p.y == y;
    });
}

void MouseDown(bool left) { Send({MouseInput(left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN)}); }

void MouseUp(bool left) { Send({MouseInput(left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP)}); }

// A click's press and release are queued at once, as a double click's two
// clicks are: however slowly the program takes the press, no timer of its
// (a button's repeat) comes between them, and the second click of a double
// click falls within the double-click time.
void ClickAt(int x, int y) {
    MouseMoveTo(x, y);
    Send({MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)});
}

void DoubleClickAt(int x, int y) {
    MouseMoveTo(x, y);
    Send({MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP), MouseInput(MOUSEEVENTF_LEFTDOWN),
          MouseInput(MOUSEEVENTF_LEFTUP)});
}

void ShiftClickAt(int x, int y) {
    // Shift goes down once the pointer is in place: under Wine a pointer move
    // takes the modifier keys from the X server, which never saw it.
    MouseMoveTo(x, y);
    Send({KeyInput(VK_SHIFT, false), MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP),
          KeyInput(VK_SHIFT, true)});
}

void PressKey(WORD vk, bool shift, bool ctrl) {
    std::vector<INPUT> inputs;
    AddKeyPress(inputs, vk, shift, ctrl);
    Send(inputs);
}

void PressAltKey(WORD vk) {
    std::vector<INPUT> inputs;
    AddKeyPress(inputs, vk, false, false, true);
    Send(inputs);
}

void PressKeys(std::initializer_list<WORD> vks) {
    std::vector<INPUT> inputs;
    for (WORD vk : vks) AddKeyPress(inputs, vk);
    Send(inputs);
}

void TypeText(const std::string& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : base::Wide(text)) {
        SHORT vk = ::VkKeyScanW(c);
        if (vk == -1) continue;
        AddKeyPress(inputs, LOBYTE(vk), (HIBYTE(vk) & 1) != 0, (HIBYTE(vk) & 2) != 0);
    }
    if (!inputs.empty()) Send(inputs);
}

UserThread::UserThread(std::function<void()> play) {
    WatchProgramThread();
    thread_ = std::thread(std::move(play));
}

POINT ScreenPointOf(const TControl* control, int x, int y) { return control->ClientToScreen(Point(x, y)); }

POINT CentreOf(const TControl* control) {
    return ScreenPointOf(control, control->GetWidth() / 2, control->GetHeight() / 2);
}

void ClickOn(const TControl* control) {
    POINT p = CentreOf(control);
    ClickAt(p.x, p.y);
}

HWND OpenMenuWindow() {
    for (HWND w = ::FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
         w = ::FindWindowExW(nullptr, w, L"#32768", nullptr))
        if (::IsWindowVisible(w)) return w;
    return nullptr;
}

HWND WaitForMenu() {
    HWND menu = nullptr;
    WaitUntil([&] { return (menu = OpenMenuWindow()) != nullptr && lastTaken >= lastWitness; });
    return menu;  // a menu that opened all the same is handed on, to be closed
}

namespace {

BOOL CALLBACK FindMessageBox(HWND wnd, LPARAM found) {
    wchar_t cls[16] = L"";
    ::GetClassNameW(wnd, cls, 16);
    if (std::wstring(cls) != L"#32770" || !::IsWindowVisible(wnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = wnd;
    return FALSE;
}

}  // namespace

MessageBoxCloser::MessageBoxCloser() : watcher_([this, ui = ::GetCurrentThreadId()] { Watch(ui); }) {}

MessageBoxCloser::~MessageBoxCloser() {
    stop_ = true;
    watcher_.join();
}

void MessageBoxCloser::Watch(DWORD thread) {
    while (!stop_) {
        // The box can be visible before its text is in place.
        HWND box = nullptr;
        std::string text;
        PumpUntil([&] {
            box = nullptr;
            ::EnumThreadWindows(thread, FindMessageBox, reinterpret_cast<LPARAM>(&box));
            text = box ? ui::WindowText(::GetDlgItem(box, 0xFFFF)) : std::string();
            return stop_ || !text.empty();
        });
        if (text.empty()) continue;
        Box b{ui::WindowText(box), text, 0};
        for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            wchar_t cls[32] = L"";
            ::GetClassNameW(c, cls, 32);
            if (::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, cls, -1, L"Button", -1) == CSTR_EQUAL &&
                ::IsWindowVisible(c))
                ++b.buttons;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            boxes_.push_back(b);
        }
        // OK answers a box that has it; one without an OK button (Yes and
        // No) is closed.
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        ::PostMessageW(box, WM_CLOSE, 0, 0);
        PumpUntil([box] { return !::IsWindow(box); });
    }
}

std::vector<MessageBoxCloser::Box> MessageBoxCloser::Boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

std::string MessageBoxCloser::LastText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_.empty() ? std::string() : boxes_.back().text;
}

}  // namespace test
