#include "cli/Console.h"

#include <algorithm>
#include <atomic>
#include <iterator>

#include "base/Unicode.h"

namespace cli {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// WriteConsoleW takes at most some 64 KB at once on older systems.
constexpr std::size_t kConsoleChunk = 8 * 1024;

std::atomic<bool> interrupted{false};
HANDLE interruptEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    interrupted = true;
    ::SetEvent(interruptEvent);
    return TRUE;
}

bool IsConsoleHandle(HANDLE handle) {
    DWORD mode;
    return handle && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

}  // namespace

Output::Output(DWORD standardHandle) : handle_(::GetStdHandle(standardHandle)) {
    if (handle_ == INVALID_HANDLE_VALUE) handle_ = nullptr;
    console_ = IsConsoleHandle(handle_);
    buffer_.reserve(kBufferSize);
}

Output::~Output() { Flush(); }

void Output::Write(std::string_view utf8) {
    if (buffer_.size() + utf8.size() > kBufferSize) Flush();
    if (utf8.size() > kBufferSize)
        WriteOut(utf8);
    else
        buffer_.append(utf8);
}

bool Output::Flush() {
    WriteOut(buffer_);
    buffer_.clear();
    return error_ == ERROR_SUCCESS;
}

void Output::WriteOut(std::string_view utf8) {
    // Without a handle (a program started with none) the text goes nowhere,
    // which is no failure; after a failure nothing more is tried.
    if (utf8.empty() || !handle_ || error_ != ERROR_SUCCESS) return;
    if (console_) {
        const std::wstring text = base::Wide(utf8);
        for (std::size_t at = 0; at < text.size();) {
            DWORD written = 0;
            const DWORD size = static_cast<DWORD>(std::min(kConsoleChunk, text.size() - at));
            if (!::WriteConsoleW(handle_, text.data() + at, size, &written, nullptr) || !written) {
                error_ = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
                return;
            }
            at += written;
        }
        return;
    }
    for (std::size_t at = 0; at < utf8.size();) {
        DWORD written = 0;
        if (!::WriteFile(handle_, utf8.data() + at, static_cast<DWORD>(utf8.size() - at), &written, nullptr) ||
            !written) {
            error_ = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
            return;
        }
        at += written;
    }
}

void CatchInterrupts() {
    if (interruptEvent) return;
    interruptEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool Interrupted() { return interrupted; }

HANDLE InterruptEvent() { return interruptEvent; }

bool InputIsConsole() { return IsConsoleHandle(::GetStdHandle(STD_INPUT_HANDLE)); }

std::optional<std::string> ReadConsoleLine() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line;
    wchar_t chunk[256];
    for (;;) {
        DWORD read = 0;
        if (!::ReadConsoleW(input, chunk, static_cast<DWORD>(std::size(chunk)), &read, nullptr) || !read)
            return std::nullopt;
        line.append(chunk, read);
        const std::size_t end = line.find(L'\n');
        if (end != std::wstring::npos) {
            line.resize(end);
            if (!line.empty() && line.back() == L'\r') line.pop_back();
            return base::Utf8(line);
        }
    }
}

ProgressLine::ProgressLine(Output& err, bool wanted) : err_(err), shown_(wanted && err.IsConsole()) {}

void ProgressLine::Show(const std::string& text, bool now) {
    if (!shown_) return;
    const auto t = std::chrono::steady_clock::now();
    if (!now && t - last_ < std::chrono::milliseconds(100)) return;
    last_ = t;
    std::wstring line = base::Wide(text);
    // One line, never wrapped: a wrapped line could not be written over.
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (::GetConsoleScreenBufferInfo(err_.Handle(), &info) && info.dwSize.X > 1)
        line.resize(std::min<std::size_t>(line.size(), static_cast<std::size_t>(info.dwSize.X - 1)));
    const std::size_t length = line.size();
    if (length < drawn_) line.append(drawn_ - length, L' ');
    drawn_ = length;
    err_.Write("\r" + base::Utf8(line));
    err_.Flush();
}

void ProgressLine::Finish(const std::string& text) {
    if (!shown_) return;
    Show(text, true);
    err_.Write("\r\n");
    err_.Flush();
    drawn_ = 0;
}

void ProgressLine::Clear() {
    if (!shown_ || !drawn_) return;
    err_.Write("\r" + std::string(drawn_, ' ') + "\r");
    err_.Flush();
    drawn_ = 0;
}

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n && text ? std::wstring(text, n) : std::wstring();
    if (text) ::LocalFree(text);
    // One line, without the final stop.
    for (wchar_t& c : message)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!message.empty() && (message.back() == L' ' || message.back() == L'.')) message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : base::Utf8(message);
}

}  // namespace cli
