#include "engine/Wildcards.h"

#include <windows.h>

#include <algorithm>

namespace sweep {

namespace {

// The file system's letter case: every UTF-16 unit through ntdll's table,
// built once. The table leaves surrogates as they are, so a pair compares
// unit by unit and an unpaired one only with itself.
const wchar_t* UpperCaseTable() {
    static const std::vector<wchar_t> table = [] {
        using Upcase = WCHAR(WINAPI*)(WCHAR);
        auto upcase = reinterpret_cast<Upcase>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlUpcaseUnicodeChar")));
        std::vector<wchar_t> t(0x10000);
        for (unsigned c = 0; c < t.size(); ++c)
            t[c] = upcase ? upcase(static_cast<WCHAR>(c)) : static_cast<wchar_t>(c);
        return t;
    }();
    return table.data();
}

bool IsDosWildcard(wchar_t c) { return c == L'*' || c == L'<' || c == L'>' || c == L'"'; }

}  // namespace

WildcardRules PlatformWildcardRules() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") ? WildcardRules::Wine : WildcardRules::Windows;
}

std::wstring DosExpression(std::wstring_view pattern) {
    std::wstring_view kept = pattern;
    while (!kept.empty() && kept.back() == L'.') kept.remove_suffix(1);
    if (kept == L"*.*") return L"*";
    std::wstring expression;
    expression.reserve(kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        // What follows is read in the pattern as given: the `*` of `*.` is a
        // DOS star although its dot is dropped.
        const wchar_t c = kept[i];
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        if (c == L'?')
            expression += L'>';
        else if (c == L'.' && (next == L'?' || next == L'*'))
            expression += L'"';
        else if (c == L'*' && next == L'.')
            expression += L'<';
        else
            expression += c;
    }
    return expression;
}

NameMatcher::NameMatcher(std::wstring_view pattern, WildcardRules rules)
    : pattern_(pattern), upper_(UpperCaseTable()) {
    if (rules == WildcardRules::Wine) {
        if (pattern.empty()) return;
        single_ = pattern.find_first_of(L"*?") == std::wstring_view::npos;
        // A `*` followed only by dots and stars never fails: the rest of the
        // pattern is ignored once the name runs out.
        if (pattern[0] == L'*' && pattern.find_first_not_of(L"*.") == std::wstring_view::npos) {
            kind_ = Kind::Everything;
            return;
        }
        kind_ = Kind::Wine;
        for (wchar_t c : pattern) folded_ += Upper(c);
        return;
    }
    const std::wstring expression = DosExpression(pattern);
    if (expression.empty()) return;
    if (expression.find_first_not_of(L'*') == std::wstring::npos) {
        kind_ = Kind::Everything;
        return;
    }
    if (std::none_of(expression.begin(), expression.end(), IsDosWildcard)) {
        kind_ = Kind::Literal;
        single_ = true;
        for (wchar_t c : expression) folded_ += Upper(c);
        return;
    }
    kind_ = Kind::Dos;
    for (wchar_t c : expression) {
        switch (c) {
        case L'*': steps_.push_back({Op::Any, c}); break;
        case L'<': steps_.push_back({Op::DosAny, c}); break;
        case L'>': steps_.push_back({Op::DosOne, c}); break;
        case L'"': steps_.push_back({Op::DosDot, c}); break;
        default: steps_.push_back({Op::Char, Upper(c)}); break;
        }
    }
    auto isChar = [](const Step& s) { return s.op == Op::Char; };
    prefix_ = static_cast<std::size_t>(std::find_if_not(steps_.begin(), steps_.end(), isChar) - steps_.begin());
    suffix_ = static_cast<std::size_t>(std::find_if_not(steps_.rbegin(), steps_.rend(), isChar) - steps_.rbegin());
}

bool NameMatcher::Matches(std::wstring_view longName, std::wstring_view shortName) const {
    return MatchesName(longName) || (!shortName.empty() && MatchesName(shortName));
}

bool NameMatcher::MatchesName(std::wstring_view name) const {
    switch (kind_) {
    case Kind::Nothing: return false;
    case Kind::Everything: return true;
    case Kind::Literal: return MatchesLiteral(name);
    case Kind::Dos: return MatchesDos(name);
    case Kind::Wine: return MatchesWine(name);
    }
    return false;
}

bool NameMatcher::MatchesLiteral(std::wstring_view name) const {
    if (name.size() != folded_.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (Upper(name[i]) != folded_[i]) return false;
    return true;
}

bool NameMatcher::MatchesDos(std::wstring_view name) const {
    const std::size_t n = steps_.size(), length = name.size();
    // Most names fail on the plain characters at either end (`<.tmp`), before
    // any wildcard is tried.
    if (length < prefix_ + suffix_) return false;
    for (std::size_t i = 0; i < prefix_; ++i)
        if (Upper(name[i]) != steps_[i].ch) return false;
    for (std::size_t i = 1; i <= suffix_; ++i)
        if (Upper(name[length - i]) != steps_[n - i].ch) return false;

    // The set of steps reached so far, advanced one character at a time: no
    // backtracking, so no pattern is slow. Patterns of up to 63 wildcards and
    // characters, that is every typed one, keep the set on the stack.
    constexpr std::size_t kLocalStates = 64;
    unsigned char local[2 * kLocalStates];
    std::vector<unsigned char> heap;
    unsigned char* now = local;
    if (n + 1 > kLocalStates) {
        heap.resize(2 * (n + 1));
        now = heap.data();
    }
    unsigned char* next = now + n + 1;
    std::fill(now, now + n + 1, 0);
    now[0] = 1;
    const std::size_t lastDot = name.rfind(L'.');
    for (std::size_t i = 0;; ++i) {
        const bool end = i == length;
        const wchar_t c = end ? L'\0' : name[i];
        // Steps that can match nothing here let the following step start at
        // the same character (in order, so a run of them chains).
        for (std::size_t j = 0; j < n; ++j) {
            if (!now[j]) continue;
            const Op op = steps_[j].op;
            if (op == Op::Any || op == Op::DosAny || (op == Op::DosOne && (end || c == L'.')) ||
                (op == Op::DosDot && end))
                now[j + 1] = 1;
        }
        if (end) return now[n] != 0;
        std::fill(next, next + n + 1, 0);
        bool alive = false;
        auto reach = [&](std::size_t j) {
            next[j] = 1;
            alive = true;
        };
        const wchar_t upper = Upper(c);
        for (std::size_t j = 0; j < n; ++j) {
            if (!now[j]) continue;
            switch (steps_[j].op) {
            case Op::Char: if (steps_[j].ch == upper) reach(j + 1); break;
            case Op::Any: reach(j); break;
            case Op::DosAny: if (i != lastDot) reach(j); break;
            case Op::DosOne: if (c != L'.') reach(j + 1); break;
            case Op::DosDot: if (c == L'.') reach(j + 1); break;
            }
        }
        if (!alive) return false;
        std::swap(now, next);
    }
}

// Wine's matching as measured: a `*` skips to the next character equal to
// the one after it, a mismatch retries one character further from the last
// `*` only, and what is left of the pattern when the name runs out may be
// dots and stars. Its quirks are what it lists, so they stay.
bool NameMatcher::MatchesWine(std::wstring_view name) const {
    const std::wstring& mask = folded_;
    const std::size_t length = name.size(), size = mask.size();
    constexpr std::size_t kNone = std::wstring::npos;
    std::size_t n = 0, m = 0, joker = kNone, retry = 0;
    while (n < length && m < size) {
        const wchar_t k = mask[m];
        if (k == L'*') {
            while (m < size && mask[m] == L'*') ++m;
            if (m == size) return true;
            joker = m;
            while (n < length && Upper(name[n]) != mask[m]) ++n;
            retry = n;
        } else if (k == L'?' || k == L'>') {
            ++m, ++n;
        } else if (Upper(name[n]) == k) {
            ++m, ++n;
            if (m == size && n < length && joker != kNone) m = joker;
        } else if (joker != kNone) {
            n = ++retry;
            m = joker;
        } else {
            return false;
        }
    }
    while (m < size && (mask[m] == L'.' || mask[m] == L'*')) ++m;
    return n == length && m == size;
}

}  // namespace sweep
