#include "ui/SysUtils.h"

#include <cctype>
#include <climits>

#include "base/Unicode.h"
#include "base/Text.h"

namespace ui {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Upper case as the system folds it, so that "ñ" and "á" fold as the user expects.
wchar_t UpperChar(wchar_t c) {
    ::CharUpperBuffW(&c, 1);
    return c;
}

// The length of the UTF-8 sequence a lead byte starts (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

[[noreturn]] void RaiseNotInteger(const std::string& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

}  // namespace

std::int64_t StrToInt64(const std::string& text) {
    std::int64_t v;
    if (!base::TryStrToInt64(text, v)) RaiseNotInteger(text);
    return v;
}

std::int32_t StrToInt(const std::string& text) {
    std::int64_t v;
    if (!base::TryStrToInt64(text, v) || v < INT32_MIN || v > INT32_MAX) RaiseNotInteger(text);
    return static_cast<std::int32_t>(v);
}

std::string DateTimeToStr(const SYSTEMTIME& local) {
    wchar_t date[80] = L"", time[80] = L"";
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, 80);
    std::string s = base::Utf8(date);
    if (local.wHour || local.wMinute || local.wSecond) {
        ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, time, 80);
        s += ' ';
        s += base::Utf8(time);
    }
    return s;
}

std::string TrimLeft(const std::string& s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    return s.substr(b);
}

std::string TrimRight(const std::string& s) {
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1])) --e;
    return s.substr(0, e);
}

std::string Trim(const std::string& s) { return TrimRight(TrimLeft(s)); }

std::string UpperCase(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

bool SameText(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

wchar_t AcceleratorOf(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') { ++i; continue; }
        const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(caption[i + 1]));
        const std::wstring c = base::Wide(std::string_view(caption).substr(i + 1, length));
        return c.size() == 1 ? UpperChar(c[0]) : 0;
    }
    return 0;
}

bool IsAccel(wchar_t key, const std::string& caption) {
    const wchar_t a = AcceleratorOf(caption);
    if (!a) return false;
    return a == UpperChar(key);
}

std::string WindowText(HWND wnd) {
    // The text may change between the two calls; what fits is taken.
    const int length = ::GetWindowTextLengthW(wnd);
    if (length <= 0) return std::string();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int n = ::GetWindowTextW(wnd, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return base::Utf8(text);
}

}  // namespace ui
