// How long the options panel's background takes to paint (538 x 254 with
// the program's 110 x 34 tile) in each mode, and to prepare, against one
// block transfer of the whole area as the baseline.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "controls/TileImage.h"
#include "ui/Handles.h"

namespace {

constexpr int kWidth = 538, kHeight = 254;

HBITMAP NewSurface(HDC dc) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kWidth;
    bi.bmiHeader.biHeight = -kHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    return ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// Median microseconds per call over batches of calls.
double Median(const std::function<void()>& work, int batches = 15, int perBatch = 40) {
    std::vector<double> times;
    for (int b = 0; b < batches; ++b) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < perBatch; ++i) work();
        ::GdiFlush();
        std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
        times.push_back(spent.count() / perBatch);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    ui::MemoryDc target(::CreateCompatibleDC(nullptr)), source(::CreateCompatibleDC(nullptr));
    ui::BitmapHandle targetBmp(NewSurface(target.get())), sourceBmp(NewSurface(source.get()));
    ui::SelectGuard t(target.get(), targetBmp.get()), s(source.get(), sourceBmp.get());

    const double baseline = Median([&] {
        ::BitBlt(target.get(), 0, 0, kWidth, kHeight, source.get(), 0, 0, SRCCOPY);
    });
    std::printf("baseline: one %d x %d block transfer: %.1f us\n", kWidth, kHeight, baseline);

    TTileImage tile(nullptr);
    tile.SetBounds(0, 0, kWidth, kHeight);
    tile.GetImage()->LoadFromResourceName(::GetModuleHandleW(nullptr), "TILE");
    tile.SetTranColor(0x02FEFEFE);  // so that every mode has transparent pixels
    tile.SetFadeColor(clNavy);
    const char* names[] = {"tmFaded", "tmTransparent", "tmNormal"};
    for (TTileMode mode : {tmFaded, tmTransparent, tmNormal}) {
        tile.SetTileMode(mode);
        const double paint = Median([&] { tile.PaintTo(target.get(), 0, 0); });
        const double build = Median([&] { tile.BuildTile(); }, 15, 10);
        std::printf("%-14s paint %7.1f us (%.2f x baseline), prepare %7.1f us (%.2f x baseline)\n", names[mode],
                    paint, paint / baseline, build, build / baseline);
    }
    return 0;
}
