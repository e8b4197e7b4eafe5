#include "ui/Colors.h"

#include <windows.h>

std::uint32_t ColorToRGB(TColor color) {
    if (IsSystemColor(color))
        return ::GetSysColor(static_cast<int>(static_cast<std::uint32_t>(color) & 0xFF));
    return static_cast<std::uint32_t>(color);
}

std::uint32_t ColorToPlainRGB(TColor color) { return ColorToRGB(color) & 0x00FFFFFFu; }
