// Placeholder until the real matcher lands: plain * and ? on the long name.
#pragma once
#include <string>
#include <string_view>
namespace sweep {
enum class WildcardRules { Windows, Wine };
WildcardRules PlatformWildcardRules();
class NameMatcher {
public:
    NameMatcher(std::wstring_view pattern, WildcardRules rules);
    bool Matches(std::wstring_view longName, std::wstring_view shortName) const;
private:
    std::wstring pattern_;
};
}  // namespace sweep
