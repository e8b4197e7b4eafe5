// Matching names against wildcard patterns in memory, as the system's own
// directory search does: Windows' rules from what Windows was seen to do,
// and whichever system runs the test against its own listing of a folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/Wildcards.h"

using namespace sweep;

namespace {

bool OnWindows(std::wstring_view pattern, std::wstring_view name, std::wstring_view shortName = {}) {
    return NameMatcher(pattern, WildcardRules::Windows).Matches(name, shortName);
}
bool OnWine(std::wstring_view pattern, std::wstring_view name, std::wstring_view shortName = {}) {
    return NameMatcher(pattern, WildcardRules::Wine).Matches(name, shortName);
}

// A name as a failure message shows it: printable ASCII, the rest as \uXXXX.
std::string Shown(std::wstring_view name) {
    std::string s;
    for (wchar_t c : name) {
        char unit[8];
        std::snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(c));
        s += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : std::string(unit);
    }
    return "\"" + s + "\"";
}

TEST(DosExpression, RewritesEveryPatternOfTheTableSeenOnWindows) {
    const std::pair<const wchar_t*, const wchar_t*> table[] = {
        {L"Hello", L"Hello"}, {L"*", L"*"}, {L"a*", L"a*"}, {L"*a", L"*a"}, {L"a*a", L"a*a"}, {L"**", L"**"},
        {L"*a*", L"*a*"}, {L"a*a*a", L"a*a*a"}, {L"*.*", L"*"}, {L"a*.*", L"a<\"*"}, {L"*.*a", L"<\"*a"},
        {L"a*.*a", L"a<\"*a"}, {L"*.**.*", L"<\"*<\"*"}, {L"*.*a*.*", L"<\"*a<\"*"},
        {L"a*.*a*.*a", L"a<\"*a<\"*a"}, {L".*", L"\"*"}, {L"a.*", L"a\"*"}, {L".*a", L"\"*a"},
        {L"a.*a", L"a\"*a"}, {L".*.*", L"\"<\"*"}, {L".*a.*", L"\"*a\"*"}, {L"a.*a.*a", L"a\"*a\"*a"},
        {L"*.", L"<"}, {L"a*.", L"a<"}, {L"*.a", L"<.a"}, {L"a*.a", L"a<.a"}, {L"*.*.", L"*"},
        {L"*.a*.", L"<.a<"}, {L"a*.a*.a", L"a<.a<.a"}, {L"?", L">"}, {L"a?", L"a>"}, {L"?a", L">a"},
        {L"a?a", L"a>a"}, {L"??", L">>"}, {L"?a?", L">a>"}, {L"a?a?a", L"a>a>a"}, {L"?.?", L">\">"},
        {L"a?.?", L"a>\">"}, {L"?.?a", L">\">a"}, {L"a?.?a", L"a>\">a"}, {L"?.??.?", L">\">>\">"},
        {L"?.?a?.?", L">\">a>\">"}, {L"a?.?a?.?a", L"a>\">a>\">a"}, {L".?", L"\">"}, {L"a.?", L"a\">"},
        {L".?a", L"\">a"}, {L"a.?a", L"a\">a"}, {L".?.?", L"\">\">"}, {L".?a.?", L"\">a\">"},
        {L"a.?a.?a", L"a\">a\">a"}, {L"?.", L">"}, {L"a?.", L"a>"}, {L"?.a", L">.a"}, {L"a?.a", L"a>.a"},
        {L"?.?.", L">\">"}, {L"?.a?.", L">.a>"}, {L"a?.a?.a", L"a>.a>.a"}, {L"f*.", L"f<"}, {L"f.*", L"f\"*"},
        {L"f*.*", L"f<\"*"}, {L"f*.f*", L"f<.f*"}, {L"f*f.*", L"f*f\"*"}, {L"f*.*f", L"f<\"*f"},
    };
    for (const auto& [pattern, expression] : table) EXPECT_EQ(DosExpression(pattern), expression) << Shown(pattern);
}

TEST(WindowsRules, DosWildcardsStopAtTheLastDot) {
    for (const wchar_t* name : {L"a", L"a.b", L".b", L"a.", L"a.b.c"}) EXPECT_TRUE(OnWindows(L"*.*", name)) << Shown(name);
    EXPECT_TRUE(OnWindows(L"*.", L"abc"));
    EXPECT_FALSE(OnWindows(L"*.", L"a.b"));
    EXPECT_FALSE(OnWindows(L"*.", L"a."));
    for (const wchar_t* name : {L"a", L"a.b", L".b"}) EXPECT_TRUE(OnWindows(L"?.?", name)) << Shown(name);
    EXPECT_FALSE(OnWindows(L"?.?", L"ab"));
    EXPECT_FALSE(OnWindows(L"?.?", L"a.bc"));
    for (const wchar_t* name : {L"a", L"a.txt", L"ab.txt", L"ab"}) EXPECT_TRUE(OnWindows(L"a?.*", name)) << Shown(name);
    EXPECT_FALSE(OnWindows(L"a?.*", L"abc.txt"));
    // `<` passes every dot but the last; `>` takes nothing at a dot or the end.
    EXPECT_TRUE(OnWindows(L"*.tmp", L"a.b.tmp"));
    EXPECT_TRUE(OnWindows(L"*.a*.", L"x.ay"));
    EXPECT_FALSE(OnWindows(L"*.a*.", L"x.a.y"));
    EXPECT_TRUE(OnWindows(L"a??", L"a"));
    EXPECT_TRUE(OnWindows(L"a??", L"abc"));
    EXPECT_FALSE(OnWindows(L"a??", L"abcd"));
    EXPECT_FALSE(OnWindows(L"a??", L"a.b"));
    EXPECT_FALSE(OnWindows(L"?a", L"a"));
    EXPECT_TRUE(OnWindows(L"a.*", L"a."));
    EXPECT_FALSE(OnWindows(L"a.*", L"ab"));
    EXPECT_FALSE(OnWindows(L".*", L"a"));
    // The DOS wildcards typed as they are.
    EXPECT_TRUE(OnWindows(L"<", L"abc"));
    EXPECT_FALSE(OnWindows(L"<", L"a.b"));
    EXPECT_TRUE(OnWindows(L"a\"", L"a"));
}

TEST(WindowsRules, ShortNamesLetterCaseAndLiterals) {
    EXPECT_TRUE(OnWindows(L"*.tmp", L"b.tmpx", L"B~1.TMP"));
    EXPECT_FALSE(OnWindows(L"*.tmp", L"b.tmpx"));
    EXPECT_TRUE(OnWindows(L"\u0414*", L"\u0434\u043E\u043C.txt"));  // Д*, дом.txt
    EXPECT_TRUE(OnWindows(L"\u0100.TMP", L"\u0101.tmp"));       // Ā.TMP, ā.tmp
    EXPECT_TRUE(OnWindows(L"\uFF46*", L"\uFF26.tmp"));  // fullwidth ｆ*, Ｆ.tmp: a case of their own
    EXPECT_FALSE(OnWindows(L"f*", L"\uFF46.tmp"));
    EXPECT_TRUE(OnWindows(L"*\U0001F600", L"a\U0001F600"));  // a pair of surrogates
    EXPECT_TRUE(OnWindows(L"?\xD800", L"a\xD800"));
    EXPECT_FALSE(OnWindows(L"?\xD800", L"a\xDC00"));
    EXPECT_TRUE(OnWindows(L"Thumbs.db", L"THUMBS.DB"));
    EXPECT_TRUE(OnWindows(L"Thumbs.db", L"x", L"THUMBS.DB"));
    EXPECT_FALSE(OnWindows(L"Thumbs.db", L"Thumbs.db2"));
    EXPECT_FALSE(OnWindows(L"Thumbs.db", L"Thumbs.d"));
    EXPECT_TRUE(OnWindows(L"a.", L"a"));
    const std::wstring many(70, L'b');  // more steps than the matcher keeps on the stack
    EXPECT_TRUE(OnWindows(L"a*" + many + L"*", L"a" + many));
    EXPECT_FALSE(OnWindows(L"a*" + many + L"*", L"a" + many.substr(1)));
    EXPECT_FALSE(OnWindows(L"", L"a"));
    EXPECT_FALSE(OnWindows(L".", L"a"));
}

// What Wine 8 lists where Windows would list otherwise (the system listing
// test below proves these here; they stay guarded on Windows too).
TEST(WineRules, DifferFromWindowsAsMeasured) {
    EXPECT_FALSE(OnWine(L"?.?", L"a"));
    EXPECT_TRUE(OnWine(L"a?.*", L"ab"));
    EXPECT_TRUE(OnWine(L"*.", L"a.b"));
    EXPECT_TRUE(OnWine(L"a..", L"a"));
    EXPECT_FALSE(OnWine(L"*.tmp.", L"x.tmp.."));
    EXPECT_TRUE(OnWine(L"*.tmp..", L"x.tmp.."));
    EXPECT_FALSE(OnWine(L"*?", L"abc"));
    EXPECT_FALSE(OnWine(L"*aa", L"aaa"));
    EXPECT_FALSE(OnWine(L"*.tm?", L"a.tmp.tmp"));
    EXPECT_TRUE(OnWine(L"*.tm?", L"a.tmp.tmp", L"A_TM~EEO.TMP"));
    EXPECT_TRUE(OnWine(L"a>", L"ab"));
    EXPECT_FALSE(OnWine(L"a<", L"ab"));
}

TEST(ListedEntries, APatternWithoutWildcardsListsOneEntry) {
    const std::vector<std::pair<std::wstring, std::wstring>> folder = {
        {L".", L""}, {L"..", L""}, {L"A", L""}, {L"a", L""}, {L"a.", L"A_~~~YNZ"}, {L"b.tmpx", L"B~~~~YHP.TMP"}};
    auto listed = [&](const wchar_t* pattern, WildcardRules rules) {
        std::vector<std::wstring> names;
        NameMatcher(pattern, rules)
            .ForEachListed(
                folder.size(), [&](std::size_t i) { return std::make_pair(folder[i].first, folder[i].second); },
                [&](std::size_t i) { names.push_back(folder[i].first); });
        return names;
    };
    using Names = std::vector<std::wstring>;
    EXPECT_EQ(listed(L"a.", WildcardRules::Wine), Names{L"a."});  // its own name first
    EXPECT_EQ(listed(L"A.", WildcardRules::Wine), Names{L"A"});   // else the first that matches
    EXPECT_EQ(listed(L"...", WildcardRules::Wine), Names{L"."});
    EXPECT_EQ(listed(L"b~~~~yhp.tmp", WildcardRules::Wine), Names{L"b.tmpx"});
    EXPECT_EQ(listed(L"a?", WildcardRules::Wine), Names{L"a."});
    EXPECT_EQ(listed(L"a*", WildcardRules::Wine), (Names{L"A", L"a", L"a."}));
    EXPECT_EQ(listed(L"a.", WildcardRules::Windows), Names{L"A"});
    EXPECT_EQ(listed(L"c", WildcardRules::Wine), Names{});
}

// A fresh folder whose names only a "\\?\" path keeps whole (trailing dots
// and spaces, characters no code page has), removed with them at the end.
class WideFolder {
public:
    WideFolder() {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        static unsigned counter = 0;
        do {
            path_ = std::wstring(L"\\\\?\\") + temp + L"sfwild_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                    std::to_wstring(++counter);
        } while (!::CreateDirectoryW(path_.c_str(), nullptr));
    }
    ~WideFolder() {
        for (const auto& entry : List(L"*"))
            if (entry.first != L"." && entry.first != L"..") ::DeleteFileW((path_ + L"\\" + entry.first).c_str());
        ::RemoveDirectoryW(path_.c_str());
    }
    WideFolder(const WideFolder&) = delete;
    WideFolder& operator=(const WideFolder&) = delete;

    bool Make(const std::wstring& name) const {
        HANDLE h = ::CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        ::CloseHandle(h);
        return true;
    }
    // The system's search of the folder for a pattern: long and short names, in its order.
    std::vector<std::pair<std::wstring, std::wstring>> List(const std::wstring& pattern) const {
        std::vector<std::pair<std::wstring, std::wstring>> entries;
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW((path_ + L"\\" + pattern).c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return entries;
        do entries.emplace_back(fd.cFileName, fd.cAlternateFileName);
        while (::FindNextFileW(h, &fd));
        ::FindClose(h);
        return entries;
    }

private:
    std::wstring path_;
};

// Every word of the alphabet's characters, one to `longest` of them.
std::vector<std::wstring> Words(std::wstring_view alphabet, std::size_t longest) {
    std::vector<std::wstring> words = {L""};
    for (std::size_t i = 0; i < words.size(); ++i)
        if (words[i].size() < longest)
            for (wchar_t c : alphabet) words.push_back(words[i] + c);
    words.erase(words.begin());
    return words;
}

// Every name over {a, b, .} up to four long (but "." and ".."), and names
// with spaces, dots at either end, `~` and `$`, letter case, short names,
// other scripts.
std::vector<std::wstring> Names() {
    std::vector<std::wstring> names = Words(L"ab.", 4);
    names.erase(std::remove_if(names.begin(), names.end(), [](const std::wstring& n) { return n == L"." || n == L".."; }),
                names.end());
    for (const wchar_t* name :
         {L"a b c.tmp", L" lead", L"s ", L"s.tmp ", L"t .tmp", L"~a.tmp", L"~$doc.docx", L"c~", L"$x", L"x$",
          L"$$$.$$$", L"MiXeD.TmP", L"abcdefghij.tmp", L"longfilename.text", L"verylongname.tmpx", L"a+b.tmp",
          L"name.with.dots.tmp", L"UPPERCASE.JPEG", L"x.tmpx", L"b.tmpx", L"file.tmp~", L"a.tmp.tmp", L"x.tmp.bak",
          L".hidden", L".tmp", L"q.tmp.", L"qrs.tmp..", L"д.tmp", L"Дом.txt", L"ā.tmp",
          L"ｆｕｌｌ.tmp", L"σ.tmp", L"ÿ.tmp", L"µ.tmp", L"ſ.tmp", L"ß.tmp", L"ა.tmp", L"😀.tmp"})
        names.push_back(name);
    names.push_back(std::wstring(200, L'c') + L".txt");
    return names;
}

std::vector<std::wstring> Patterns() {
    std::vector<std::wstring> patterns = {
        L"", L"*", L"*.*", L"*.", L".*", L"?", L"??", L"???", L"?.?", L"a?.*", L"a?c.*", L"*.tm?", L"??.*", L"*.?",
        L"*.??", L"*.???", L"*.tmp", L"*.TMP", L"~*.*", L"*~", L"$*", L"*.tmp.", L"*.tmp..", L"*.tmp ", L"* ",
        L" *", L"*.*.", L"*..", L"a.", L"a..", L"A.", L".", L"..", L"...", L"a*b*c", L"*a*", L"*aa", L"*ab",
        L"*?", L"*?*", L"?*", L"**", L"*.*.*", L"*~*", L"?~*", L"*.tex", L"Д*", L"д*", L"Ā*", L"Ｆ*", L"F*", L"Σ*",
        L"S*", L"Μ*", L"Ÿ*", L"SS*", L"Ა*", L"😀*", L"mixed.tmp", L"VERYLONGNAME.TMPX", L"b.tmpx.", L"a>", L"a<",
        L"a\"*", L">", L"*.<", L"s ", L"q.tmp", L"*" + std::wstring(199, L'c') + L"*"};
    const std::vector<std::wstring> words = Words(L"a.*?", 3);
    patterns.insert(patterns.end(), words.begin(), words.end());
    // And longer ones, the same on every run.
    const std::wstring alphabet = L"abB.*?> ~";
    unsigned seed = 12345;
    for (int i = 0; i < 300; ++i) {
        std::wstring p;
        for (int length = 0; length < 4 + i % 6; ++length) {
            seed = seed * 1103515245u + 12345u;
            p += alphabet[(seed >> 16) % alphabet.size()];
        }
        patterns.push_back(p);
    }
    return patterns;
}

TEST(SystemListing, EveryPatternListsWhatTheMatcherMatches) {
    WideFolder folder;
    for (const std::wstring& name : Names()) EXPECT_TRUE(folder.Make(name)) << Shown(name);
    // Wine cannot store it; where a system can, it is one more name to list.
    folder.Make(L"k\xD800" L".tmp");
    const auto all = folder.List(L"*");
    ASSERT_GE(all.size(), Names().size() + 2);

    std::vector<std::wstring> patterns = Patterns();
    for (const auto& entry : all) {  // a short name is a pattern too, in either case
        if (entry.second.empty()) continue;
        patterns.push_back(entry.second);
        std::wstring lower = entry.second;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; });
        patterns.push_back(lower);
    }

    const WildcardRules rules = PlatformWildcardRules();
    int differences = 0;
    for (const std::wstring& pattern : patterns) {
        // "." and ".." are never rows, but Wine may choose "." for a pattern of dots.
        auto isEntry = [](const std::wstring& name) { return name != L"." && name != L".."; };
        std::set<std::wstring> system, matched;
        for (const auto& entry : folder.List(pattern))
            if (isEntry(entry.first)) system.insert(entry.first);
        NameMatcher(pattern, rules)
            .ForEachListed(
                all.size(), [&](std::size_t i) { return std::make_pair(all[i].first, all[i].second); },
                [&](std::size_t i) {
                    if (isEntry(all[i].first)) matched.insert(all[i].first);
                });
        if (system == matched) continue;
        if (++differences > 20) continue;
        std::string message = "pattern " + Shown(pattern) + ":";
        for (const auto& name : system)
            if (!matched.count(name)) message += "\n  listed by the system only: " + Shown(name);
        for (const auto& name : matched)
            if (!system.count(name)) message += "\n  matched only: " + Shown(name);
        ADD_FAILURE() << message;
    }
    EXPECT_EQ(differences, 0) << "of " << patterns.size() << " patterns on " << all.size() << " entries";
}

}  // namespace
