#include "ui/Guarded.h"

#include <windows.h>

#include "ui/Forms.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"

namespace ui {

void ReportException(const std::exception& error) noexcept {
    try {
        if (Application) {
            Application->HandleException(error);
            return;
        }
        ::MessageBoxW(nullptr, base::Wide(error.what()).c_str(), L"Error", MB_OK | MB_ICONSTOP);
    } catch (...) {
        // The report itself failed (out of memory, a handler that throws):
        // there is no one left to tell.
    }
}

void ReportUnknownException() noexcept {
    try {
        ReportException(Exception("Unexpected error"));
    } catch (...) {
    }
}

}  // namespace ui
