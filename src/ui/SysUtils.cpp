#include "ui/SysUtils.h"

#include <cctype>
#include <climits>

namespace ui {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Upper case by the ANSI code page, so that "ñ" and "á" fold as the user expects.
char UpperChar(char c) {
    UINT_PTR v = static_cast<unsigned char>(c);
    return static_cast<char>(reinterpret_cast<UINT_PTR>(::CharUpperA(reinterpret_cast<LPSTR>(v))));
}

[[noreturn]] void RaiseNotInteger(const std::string& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

}  // namespace

bool TryStrToInt64(const std::string& text, std::int64_t& value) {
    std::size_t i = 0, n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == n || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    // Accumulate as a negative number so that INT64_MIN fits.
    std::int64_t acc = 0;
    for (; i < n && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        int digit = text[i] - '0';
        if (acc < (INT64_MIN + digit) / 10) return false;
        acc = acc * 10 - digit;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return false;
    if (!negative) {
        if (acc == INT64_MIN) return false;
        acc = -acc;
    }
    value = acc;
    return true;
}

std::int64_t StrToInt64(const std::string& text) {
    std::int64_t v;
    if (!TryStrToInt64(text, v)) RaiseNotInteger(text);
    return v;
}

std::int32_t StrToInt(const std::string& text) {
    std::int64_t v;
    if (!TryStrToInt64(text, v) || v < INT32_MIN || v > INT32_MAX) RaiseNotInteger(text);
    return static_cast<std::int32_t>(v);
}

std::string IntToStr(std::int64_t value) {
    char buf[24];
    char* p = buf + sizeof buf;
    std::uint64_t u = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        *--p = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (value < 0) *--p = '-';
    return std::string(p, buf + sizeof buf);
}

std::string DateTimeToStr(const SYSTEMTIME& local) {
    char date[80] = "", time[80] = "";
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, date, sizeof date);
    std::string s = date;
    if (local.wHour || local.wMinute || local.wSecond) {
        ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &local, nullptr, time, sizeof time);
        s += ' ';
        s += time;
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

char AcceleratorOf(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') { ++i; continue; }
        return UpperChar(caption[i + 1]);
    }
    return 0;
}

bool IsAccel(char key, const std::string& caption) {
    char a = AcceleratorOf(caption);
    if (!a) return false;
    return a == UpperChar(key);
}

std::string ExeFolder() {
    char path[MAX_PATH * 2];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    std::size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : s.substr(0, slash);
}

}  // namespace ui
