// The dispatch boundary. The window system calls the program back through
// window procedures, subclass procedures and WinMain; no exception may leave
// any of them (it would unwind through the system's own frames). Each runs
// its work through Guarded, which hands an error to the application's error
// report and returns a stated result in place of the work's.
#pragma once

#include <exception>
#include <utility>

namespace ui {

// The application's error report (TApplication::HandleException: a message
// box, or its OnException); a message box of its own when there is no
// application. Never throws: an error raised while reporting is dropped.
void ReportException(const std::exception& error) noexcept;
// The same for something thrown that is not a std::exception.
void ReportUnknownException() noexcept;

// Runs body and returns what it returns; if it throws, reports the error
// and returns `failed` instead.
template <class R, class F>
R Guarded(F&& body, R failed) noexcept {
    try {
        return std::forward<F>(body)();
    } catch (const std::exception& e) {
        ReportException(e);
    } catch (...) {
        ReportUnknownException();
    }
    return failed;
}

}  // namespace ui
