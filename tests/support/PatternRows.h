// Pattern rows of the initialisation file compared and printed in tests.
#pragma once

#include <ostream>

#include "engine/IniFile.h"

namespace sweep {
inline bool operator==(const PatternRow& a, const PatternRow& b) { return a.pattern == b.pattern && a.mode == b.mode; }
inline std::ostream& operator<<(std::ostream& o, const PatternRow& r) {
    return o << "{" << r.pattern << "|" << r.mode << "}";
}
}  // namespace sweep
