// The console program's edge: its standard handles, the question's answer,
// Ctrl+C and Ctrl+Break, the progress line and the system's messages.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// Standard output or standard error. To a console the text goes through
// WriteConsoleW, so that every script shows whatever the console's code
// page; to a file or a pipe as UTF-8 without a mark, buffered, so that a
// long listing costs one call to the system per 64 KB.
class Output {
public:
    explicit Output(DWORD standardHandle);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool IsConsole() const { return console_; }
    HANDLE Handle() const { return handle_; }
    // Text in UTF-8; it goes out when the buffer is full or at Flush.
    void Write(std::string_view utf8);
    bool Pending() const { return !buffer_.empty(); }
    // Writes out what is buffered. False once a write has failed (a pipe
    // whose reader went, a full disk): what was not written is dropped.
    bool Flush();
    // The system's code of the first write that failed, or ERROR_SUCCESS.
    DWORD Error() const { return error_; }

private:
    void WriteOut(std::string_view utf8);

    HANDLE handle_;
    bool console_ = false;
    std::string buffer_;
    DWORD error_ = ERROR_SUCCESS;
};

// From the first Ctrl+C or Ctrl+Break on, Interrupted() is true and
// InterruptEvent() is set: the program stops after the file in hand. Other
// console events (the window closed, the user logging off) are left to the
// system.
void CatchInterrupts();
bool Interrupted();
HANDLE InterruptEvent();

// Whether standard input is a console a user can answer at.
bool InputIsConsole();
// A line typed at the console, without its line end (UTF-8); none when the
// console gave no line (Ctrl+C, the input closed).
std::optional<std::string> ReadConsoleLine();

// The one progress line on standard error, rewritten in place, at most ten
// times a second; shown only when standard error is a console.
class ProgressLine {
public:
    ProgressLine(Output& err, bool wanted);
    bool Shown() const { return shown_; }
    // Puts this text on the line, unless the line changed less than a tenth
    // of a second ago (`now` overrides that).
    void Show(const std::string& text, bool now = false);
    // Blanks the line and puts the cursor back at its start.
    void Clear();
    // Leaves this text on the line, and goes to the next.
    void Finish(const std::string& text);

private:
    Output& err_;
    bool shown_;
    std::size_t drawn_ = 0;  // characters on the line now
    std::chrono::steady_clock::time_point last_{};
};

// The system's message for an error code, in one line: "Acceso denegado".
std::string SystemMessage(DWORD error);

}  // namespace cli
