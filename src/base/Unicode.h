// Text at the edges: inside the program text is UTF-8 in std::string; the
// system's ...W functions take and give UTF-16. These two conversions are
// the only way between them.
//
// File names are not text in this sense: a name the system reports may hold
// an unpaired surrogate, which no UTF-8 string can carry. Such names are kept
// as the system gave them (std::wstring) wherever they identify a file, and
// converted here only to be shown, with U+FFFD in place of what cannot be
// written.
#pragma once

#include <string>
#include <string_view>

namespace base {

// UTF-8 to UTF-16. A byte sequence that is not UTF-8 becomes U+FFFD.
std::wstring Wide(std::string_view utf8);
// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view utf16);
std::string Utf8(const wchar_t* utf16);

}  // namespace base
