// Switches the system's 3-D colours to values unlike any picture colour (the
// default highlight is plain white, which would hide a missing colour
// mapping) for the life of the object, and puts them back.
#pragma once

#include <windows.h>

namespace test {

class Unusual3DColors {
public:
    static constexpr COLORREF Face = RGB(230, 220, 200);
    static constexpr COLORREF Highlight = RGB(250, 240, 100);
    static constexpr COLORREF Shadow = RGB(90, 80, 70);

    Unusual3DColors() {
        for (int i = 0; i < 3; ++i) saved_[i] = ::GetSysColor(kIndexes[i]);
        const COLORREF unusual[3] = {Face, Highlight, Shadow};
        ::SetSysColors(3, kIndexes, unusual);
    }
    ~Unusual3DColors() { ::SetSysColors(3, kIndexes, saved_); }
    Unusual3DColors(const Unusual3DColors&) = delete;
    Unusual3DColors& operator=(const Unusual3DColors&) = delete;

private:
    static constexpr INT kIndexes[3] = {COLOR_BTNFACE, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
    COLORREF saved_[3];
};

}  // namespace test
