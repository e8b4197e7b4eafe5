#include "base/Unicode.h"

#include <windows.h>

namespace base {

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring s(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &s[0], n);
    return s;
}

std::string Utf8(std::wstring_view utf16) {
    if (utf16.empty()) return std::string();
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::string Utf8(const wchar_t* utf16) { return utf16 ? Utf8(std::wstring_view(utf16)) : std::string(); }

}  // namespace base
