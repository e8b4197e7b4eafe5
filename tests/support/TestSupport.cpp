#include "support/TestSupport.h"

#include <cstdio>
#include <vector>

#include "ui/Forms.h"
#include "ui/SysUtils.h"
#include "ui/Unicode.h"

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
bool OnProgramThread() {
    return !Application || !Application->GetHandle() ||
           ::GetWindowThreadProcessId(Application->GetHandle(), nullptr) == ::GetCurrentThreadId();
}

}  // namespace

bool PumpUntil(const std::function<bool()>& condition, int timeoutMs) {
    const bool pump = OnProgramThread();
    DWORD start = ::GetTickCount();
    for (;;) {
        if (pump) Application->ProcessMessages();
        if (condition()) return true;
        if (static_cast<int>(::GetTickCount() - start) > timeoutMs) return condition();
        if (pump)
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        else
            ::Sleep(10);
    }
}

void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

namespace {

void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = ::MulDiv(x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = ::MulDiv(y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    ::SendInput(1, &in, sizeof in);
}

void SendKey(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &in, sizeof in);
}

}  // namespace

void MouseMoveTo(int x, int y) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
    Pump(20);
}

void MouseDown(bool left) {
    SendMouse(left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN);
    Pump(20);
}

void MouseUp(bool left) {
    SendMouse(left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP);
    Pump(20);
}

void ClickAt(int x, int y) {
    MouseMoveTo(x, y);
    MouseDown();
    MouseUp();
}

void DoubleClickAt(int x, int y) {
    ClickAt(x, y);
    MouseDown();
    MouseUp();
}

void ShiftClickAt(int x, int y) {
    // Shift goes down once the pointer is in place: under Wine a pointer move
    // takes the modifier keys from the X server, which never saw it.
    MouseMoveTo(x, y);
    SendKey(VK_SHIFT, false);
    MouseDown();
    MouseUp();
    SendKey(VK_SHIFT, true);
    Pump(20);
}

void PressKey(WORD vk, bool shift, bool ctrl) {
    if (shift) SendKey(VK_SHIFT, false);
    if (ctrl) SendKey(VK_CONTROL, false);
    SendKey(vk, false);
    SendKey(vk, true);
    if (ctrl) SendKey(VK_CONTROL, true);
    if (shift) SendKey(VK_SHIFT, true);
    Pump(20);
}

void PressAltKey(WORD vk) {
    SendKey(VK_MENU, false);
    SendKey(vk, false);
    SendKey(vk, true);
    SendKey(VK_MENU, true);
    Pump(20);
}

void PressKeys(std::initializer_list<WORD> vks) {
    std::vector<INPUT> inputs;
    for (WORD vk : vks)
        for (bool up : {false, true}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(in);
        }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Pump(20);
}

void TypeText(const std::string& text) {
    for (wchar_t c : ui::Wide(text)) {
        SHORT vk = ::VkKeyScanW(c);
        if (vk == -1) continue;
        PressKey(LOBYTE(vk), (HIBYTE(vk) & 1) != 0, (HIBYTE(vk) & 2) != 0);
    }
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
        HWND box = nullptr;
        ::EnumThreadWindows(thread, FindMessageBox, reinterpret_cast<LPARAM>(&box));
        // The box can be visible before its text is in place.
        const std::string text = box ? ui::WindowText(::GetDlgItem(box, 0xFFFF)) : std::string();
        if (!text.empty()) {
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
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; ::IsWindow(box) && i < 200; ++i) ::Sleep(5);
            if (::IsWindow(box)) ::PostMessageW(box, WM_CLOSE, 0, 0);
        }
        ::Sleep(5);
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

std::wstring FilePath(const std::string& path) {
    std::wstring wide = ui::Wide(path);
    // Past the length the system's path parser takes (a folder's name must
    // leave room for an 8.3 name inside it), only as it is.
    if (wide.size() >= MAX_PATH - 12 && wide.compare(0, 4, L"\\\\?\\") != 0) wide = L"\\\\?\\" + wide;
    return wide;
}

TempDir::TempDir() {
    wchar_t base[MAX_PATH + 1] = L"";
    ::GetTempPathW(MAX_PATH + 1, base);
    std::string root = ui::Utf8(base);
    if (!root.empty() && root.back() == '\\') root.pop_back();
    static unsigned counter = 0;
    for (;;) {
        path_ = root + "\\sftest_" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++counter);
        if (::CreateDirectoryW(FilePath(path_).c_str(), nullptr)) break;
    }
}

TempDir::~TempDir() { RemoveTree(path_); }

void TempDir::MakeDir(const std::string& relative) const {
    std::string full = path_;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t slash = relative.find('\\', start);
        std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        full += "\\" + part;
        ::CreateDirectoryW(FilePath(full).c_str(), nullptr);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
}

void TempDir::MakeFile(const std::string& relative, std::uint64_t size) const {
    std::size_t slash = relative.rfind('\\');
    if (slash != std::string::npos) MakeDir(relative.substr(0, slash));
    std::string full = path_ + "\\" + relative;
    HANDLE h = ::CreateFileW(FilePath(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    if (size) {
        LARGE_INTEGER li;
        li.QuadPart = static_cast<LONGLONG>(size);
        ::SetFilePointerEx(h, li, nullptr, FILE_BEGIN);
        ::SetEndOfFile(h);
    }
    ::CloseHandle(h);
}

bool TempDir::Exists(const std::string& relative) const {
    return ::GetFileAttributesW(FilePath(path_ + "\\" + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path) {
    RemoveTree(FilePath(path));
}

void RemoveTree(const std::wstring& path) {
    // Names as the system lists them, through "\\?\" paths, so that any
    // name goes, whatever it holds (a trailing dot or blank, any length).
    const std::wstring exact = path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((exact + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = exact + L"\\" + name;
            ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(full);
            else if (!::DeleteFileW(full.c_str()))
                ::RemoveDirectoryW(full.c_str());  // a link to a folder goes as itself, never into it
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(exact.c_str());
}

}  // namespace test
