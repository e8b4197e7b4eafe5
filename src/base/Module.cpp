#include "base/Module.h"

#include <windows.h>

#include "base/Unicode.h"

namespace base {

std::wstring ExePath() {
    // The buffer grows until the path fits: a path may be longer than MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string ExeFolder() {
    const std::string s = Utf8(ExePath());
    std::size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : s.substr(0, slash);
}

}  // namespace base
