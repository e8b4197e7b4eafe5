#include "app/Wildcards.h"
#include <windows.h>
namespace sweep {
WildcardRules PlatformWildcardRules() { return WildcardRules::Wine; }
NameMatcher::NameMatcher(std::wstring_view pattern, WildcardRules) : pattern_(pattern) {}
namespace {
bool Match(const wchar_t* p, const wchar_t* pe, const wchar_t* n, const wchar_t* ne) {
    if (p == pe) return n == ne;
    if (*p == L'*') { for (const wchar_t* k = n; ; ++k) { if (Match(p + 1, pe, k, ne)) return true; if (k == ne) return false; } }
    if (n == ne) return false;
    if (*p == L'?' || ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(*p))) == ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(*n)))) return Match(p + 1, pe, n + 1, ne);
    return false;
}
}
bool NameMatcher::Matches(std::wstring_view longName, std::wstring_view) const {
    if (pattern_.empty()) return false;
    if (pattern_ == L"*.*") return true;
    return Match(pattern_.data(), pattern_.data() + pattern_.size(), longName.data(), longName.data() + longName.size());
}
}  // namespace sweep
