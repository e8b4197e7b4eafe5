// Whether a file name is one that the system's own directory search
// (FindFirstFileW on "<folder>\<pattern>") lists, decided in memory, so that
// a search reads each folder once and matches every entry against every
// pattern. The pattern is the file-name part as the file system receives it,
// as through a "\\?\" path: an ordinary path loses the pattern's trailing
// dots and spaces to the path parser before the search begins (under Wine
// "* " lists the names ending in a space through "\\?\", every name through
// "C:\").
//
// Windows rewrites the pattern into an expression with three more wildcards
// (DosExpression) and the file system matches that: `*` any run, `<` any run
// that does not pass the name's last dot, `>` one character but nothing at a
// dot or at the end, `"` a dot or nothing at the end. So `*.*` lists every
// name, `*.` the names without a dot, and `?.?` lists `a`, `a.b` and `.b`.
//
// Both systems list an entry when its long name or its 8.3 short name
// matches, and ignore letter case one UTF-16 unit at a time through the
// system's upper-case table, RtlUpcaseUnicodeChar (NTFS compares through the
// one it wrote on the volume when formatting it); surrogates stay as they
// are. Neither system lists anything for an empty pattern.
//
// Wine 8 does it differently (measured on this program's test prefix;
// WildcardsTest compares these rules with the system's listing):
//  - No rewriting, and only `*` and `?` are wildcards, `?` always one
//    character: `?.?` does not list `a`, `a?.*` does not list `a`. `>`
//    matches any one character too, though a pattern with no other wildcard
//    is still looked up as one name (below); `<` and `"` only themselves.
//  - Dots and stars left in the pattern when the name has run out are
//    ignored: `*.`, `*.*` and `*..` list every name, `a?.*` lists `ab`,
//    `*.tmp.` lists `x.tmp` but not `x.tmp..`, which `*.tmp..` lists.
//  - A `*` skips to the next character equal to the one after it, taken
//    literally: `*?` and `*?*` list nothing.
//  - It does not backtrack fully: a mismatch retries one character further
//    from the last `*`, but when the part after that `*` has matched and
//    characters remain, it starts that part again where it stands, so `*aa`
//    does not list `aaa`; and a `?` that ends the pattern ends the attempt,
//    so `*.tm?` does not list `a.tmp.tmp` by its long name.
//  - Every name that is not a valid 8.3 name (lower case is valid) gets a
//    short name of up to four of its characters, `~` padding, three hash
//    characters and up to three of the extension, `_` for what cannot be in
//    one (`b.tmpx` is `B~~~~YHP.TMP`, `a.b.c` is `A_B~~54C.C`, `.tmp` is
//    `_TMP~AWO`). Patterns match them too, so `*.tmp` lists `b.tmpx`, `*.?`
//    lists `a.b.c` and `*a*` lists `.tmp`, where the hash decides.
//  - A pattern without `*` or `?` is looked up as one name: the entry of
//    exactly that name, letter case included, when there is one, else the
//    first entry in listing order (Wine sorts a folder) that matches, alone:
//    with `a` and `a.` present, `a.` lists `a.` but `A.` and `a..` list `a`.
//  - Its upper-case table (the same for matching and for names that collide
//    when created) follows Unicode 11 or later: Georgian `ა` matches `Ა`.
//    `µ` and `Μ`, `ſ` and `S` stay different.
//  - A name cannot hold an unpaired surrogate: making one fails.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sweep {

enum class WildcardRules { Windows, Wine };

// Wine when its ntdll exports wine_get_version.
WildcardRules PlatformWildcardRules();

// The expression Windows' directory search hands the file system for a
// pattern: `?` becomes `>`, a `.` before `?` or `*` becomes `"`, a `*` before
// a `.` becomes `<`, trailing dots go, and `*.*` is `*`.
std::wstring DosExpression(std::wstring_view pattern);

// A pattern prepared once per search and asked about every entry of every
// folder: no allocation per name.
class NameMatcher {
public:
    NameMatcher(std::wstring_view pattern, WildcardRules rules);

    // Whether the long name or the short name (empty when there is none)
    // matches. A pattern without wildcards lists one entry at most, chosen
    // among those that match: ForEachListed applies that choice.
    bool Matches(std::wstring_view longName, std::wstring_view shortName) const;

    // Calls onListed(i) for each entry the system's search lists, in order,
    // given the folder's `count` entries in listing order (the order of
    // NtQueryDirectoryFile, "." and ".." included: Wine may choose "." for a
    // pattern of dots). namesAt(i) gives the pair (long name, short name).
    template <class NamesAt, class OnListed>
    void ForEachListed(std::size_t count, NamesAt namesAt, OnListed onListed) const;

private:
    enum class Kind : unsigned char { Nothing, Everything, Literal, Dos, Wine };
    enum class Op : unsigned char { Char, Any, DosAny, DosOne, DosDot };  // `?` is always `>`
    struct Step {
        Op op;
        wchar_t ch;  // upper case
    };

    bool MatchesName(std::wstring_view name) const;
    bool MatchesLiteral(std::wstring_view name) const;
    bool MatchesDos(std::wstring_view name) const;
    bool MatchesWine(std::wstring_view name) const;
    wchar_t Upper(wchar_t c) const { return upper_[static_cast<unsigned short>(c)]; }

    std::wstring pattern_;
    std::wstring folded_;     // Literal: the expression; Wine: the pattern; in upper case
    std::vector<Step> steps_;  // Dos
    std::size_t prefix_ = 0;   // Dos: steps at each end that are plain characters
    std::size_t suffix_ = 0;
    const wchar_t* upper_;
    Kind kind_ = Kind::Nothing;
    bool single_ = false;  // looked up as one name
};

template <class NamesAt, class OnListed>
void NameMatcher::ForEachListed(std::size_t count, NamesAt namesAt, OnListed onListed) const {
    std::size_t first = count;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& names = namesAt(i);  // kept alive if namesAt makes the pair
        if (!Matches(names.first, names.second)) continue;
        if (!single_) {
            onListed(i);
        } else if (names.first == pattern_) {
            onListed(i);
            return;
        } else if (first == count) {
            first = i;
        }
    }
    if (first < count) onListed(first);
}

}  // namespace sweep
