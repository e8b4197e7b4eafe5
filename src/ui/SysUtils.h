// Runtime helpers: the exceptions the class library raises, number and date
// texts, and the small string operations the windows use.
#pragma once

#include <windows.h>
#include <cstdint>
#include <stdexcept>
#include <string>

// Base of every error the class library raises; its message is what the
// application's default error report shows.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EConvertError : public Exception { public: using Exception::Exception; };
class EInvalidOperation : public Exception { public: using Exception::Exception; };
class EInvalidCast : public Exception { public: using Exception::Exception; };
class EResNotFound : public Exception { public: using Exception::Exception; };
class EOutOfResources : public Exception { public: using Exception::Exception; };

namespace ui {

// Decimal text to a signed 32-bit integer. Leading and trailing blanks and a
// sign are accepted; anything else, or a value out of range, raises
// EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);
std::int64_t StrToInt64(const std::string& text);

// The text of a local date and time as the user's regional settings write it:
// the short date, then, unless the time is exactly 00:00:00, a blank and the
// long time format.
std::string DateTimeToStr(const SYSTEMTIME& local);

std::string Trim(const std::string& s);  // blanks and control characters at both ends
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
std::string UpperCase(const std::string& s);  // ASCII letters only, as the runtime does
bool SameText(const std::string& a, const std::string& b);  // ASCII case-insensitive

// The accelerator character of a caption (UTF-8): the character after a
// single "&", upper-cased as the system does (CharUpperW); 0 when there is
// none ("&&" is a literal ampersand). A character outside the basic plane
// cannot be typed as one WM_CHAR and is no accelerator.
wchar_t AcceleratorOf(const std::string& caption);
// True when key (a UTF-16 unit from WM_CHAR or WM_SYSCHAR) is the caption's
// accelerator, compared without letter case.
bool IsAccel(wchar_t key, const std::string& caption);

// A window's text (WM_GETTEXT), whole, as UTF-8.
std::string WindowText(HWND wnd);

}  // namespace ui
