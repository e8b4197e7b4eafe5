// What a flat toolbar button costs to paint: the main window's 121 x 49
// buttons (picture above a bold caption), opaque and see-through, and the
// first paint after the pictures were released (which builds them again).
// The baseline is one copy of a button-sized block, the least any paint of
// an opaque button does.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "controls/FlatButtons.h"
#include "ui/Forms.h"

namespace {

// The best of five rounds: the machine is shared, and the best round is the
// one least disturbed by others.
double MicrosecondsPer(int runs, const std::function<void()>& work) {
    work();  // warm up
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < runs; ++i) work();
        std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / runs);
    }
    return best;
}

}  // namespace

int main() {
    TApplication application(nullptr);
    Application->Initialize();
    auto* form = new TForm(Application);
    form->SetClientWidth(540);
    form->SetClientHeight(65);
    const char* strips[] = {"BTN_START", "BTN_CONFIG", "BTN_DELETE", "BTN_HELP"};
    const char* captions[] = {"Comenzar búsqueda", "Configurar", "Borrar Selección", "Ayuda"};
    TFlatButton* buttons[4];
    for (int i = 0; i < 4; ++i) {
        TFlatButton* b = new TFlatButton(form);
        b->SetBounds(8 + 128 * i, 8, 121, 49);
        b->SetCaption(captions[i]);
        b->SetLayout(blGlyphTop);
        b->GetFont()->SetStyle({fsBold});
        TBitmap strip;
        strip.LoadFromResourceName(::GetModuleHandleW(nullptr), strips[i]);
        b->SetGlyph(&strip);
        b->SetParent(form);
        buttons[i] = b;
    }
    form->HandleNeeded();

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, 540, 65);
    HDC source = ::CreateCompatibleDC(screen);
    HBITMAP block = ::CreateCompatibleBitmap(screen, 121, 49);
    HGDIOBJ oldTarget = ::SelectObject(dc, target), oldSource = ::SelectObject(source, block);

    const int runs = 500;
    const double copy = MicrosecondsPer(runs, [&] { ::BitBlt(dc, 8, 8, 121, 49, source, 0, 0, SRCCOPY); });
    const double opaque = MicrosecondsPer(runs, [&] { buttons[0]->PaintTo(dc, 8, 8); });
    buttons[0]->SetOpaque(false);
    const double seeThrough = MicrosecondsPer(runs, [&] { buttons[0]->PaintTo(dc, 8, 8); });
    buttons[0]->SetOpaque(true);
    const double rebuild = MicrosecondsPer(runs / 10, [&] {
        buttons[0]->SetNumGlyphs(1);  // releases the pictures...
        buttons[0]->SetNumGlyphs(2);
        buttons[0]->PaintTo(dc, 8, 8);  // ...and the paint builds the up picture again
    });
    const double toolbar = MicrosecondsPer(runs / 4, [&] {
        ::SendMessageW(form->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });

    std::printf("one button-sized copy (baseline)     %8.1f us\n", copy);
    std::printf("opaque button paint                  %8.1f us  %6.1f x baseline\n", opaque, opaque / copy);
    std::printf("see-through button paint             %8.1f us  %6.1f x baseline\n", seeThrough, seeThrough / copy);
    std::printf("paint that rebuilds the up picture   %8.1f us  %6.1f x baseline\n", rebuild, rebuild / copy);
    std::printf("whole toolbar (background, 4 buttons)%8.1f us  %6.1f x baseline\n", toolbar, toolbar / copy);

    ::SelectObject(dc, oldTarget);
    ::SelectObject(source, oldSource);
    ::DeleteObject(target);
    ::DeleteObject(block);
    ::DeleteDC(dc);
    ::DeleteDC(source);
    ::ReleaseDC(nullptr, screen);
    return 0;
}
