// The pictures of the flat buttons: layout, the shared glyph lists and the
// per-button glyph object.
//
// The finished pictures are composed pixel by pixel in 32-bit colour from
// the strip's pixels (read once per build with GetDIBits), so the rules for
// the disabled looks do not depend on the depth or palette of the strip.
#include "controls/FlatButtons.h"

#include <algorithm>

#include "ui/SysUtils.h"

TGlyphCache* GlyphCacheInstance = nullptr;

// ======================================================================== layout

TButtonLayoutResult CalcLayout(const TButtonLayoutParams& p, const TMeasureCaption& measure) {
    const int cw = p.Client.right - p.Client.left;
    const int ch = p.Client.bottom - p.Client.top;
    const int gw = p.Glyph.cx, gh = p.Glyph.cy;
    const bool noGlyph = gw == 0 || gh == 0;
    const int aw = p.DropArrow ? 9 : 0, ah = p.DropArrow ? 3 : 0;

    TButtonLayout layout = p.Layout;
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (!horizontal && noGlyph) {
        layout = blGlyphLeft;
        horizontal = true;
    }
    int margin = p.Margin, spacing = p.Spacing;

    // The caption's size, measured against the width it may take.
    int tw = 0, th = 0;
    if (p.ShowText && measure) {
        int right = cw;
        if (horizontal) right -= aw;
        if (p.WordWrap) {
            int m = 4;
            if (horizontal && !noGlyph) {
                right -= gw + (spacing == -1 ? 4 : spacing);
                m = margin != -1 ? margin : spacing != -1 ? spacing : 4;
            }
            right -= 2 * m;
        }
        TSize size = measure(right);
        tw = size.cx;
        th = size.cy;
    }

    // Centred across the main axis.
    TPoint g{0, 0}, a{0, 0};
    int tx = 0, ty = 0;
    if (horizontal) {
        g.y = (ch - gh + 1) / 2;
        ty = (ch - th + 1) / 2;
    } else {
        g.x = (cw - gw - aw + 1) / 2;
        tx = (cw - tw + 1) / 2;
        a.x = noGlyph ? tx + tw : g.x + gw;
    }

    if (tw == 0 || th == 0 || noGlyph) spacing = 0;
    if (margin == -1 && spacing == -1) {
        const int sx = gw + tw + aw, sy = gh + th;
        margin = horizontal ? (cw - sx) / 3 : (ch - sy) / 3;
        spacing = margin;
    } else if (margin == -1) {
        const int sx = gw + spacing + tw + aw, sy = gh + spacing + th;
        margin = horizontal ? (cw - sx + 1) / 2 : (ch - sy + 1) / 2;
    } else if (spacing == -1) {
        const int sx = cw - (margin + gw + aw), sy = ch - (margin + gh);
        spacing = horizontal ? (sx - tw) / 2 : (sy - th) / 2;
    }

    switch (layout) {
        case blGlyphLeft:
            g.x = margin;
            tx = g.x + gw + spacing;
            a.x = tx + tw;
            break;
        case blGlyphRight:
            a.x = cw - margin - aw;
            g.x = a.x - gw;
            tx = g.x - spacing - tw;
            break;
        case blGlyphTop:
            g.y = margin;
            ty = g.y + gh + spacing;
            break;
        case blGlyphBottom:
            g.y = ch - margin - gh;
            ty = g.y - spacing - th;
            break;
    }
    a.y = noGlyph ? ty + (th - ah) / 2 : g.y + (gh - ah) / 2;

    const int dx = p.Client.left + p.Offset, dy = p.Client.top + p.Offset;
    TButtonLayoutResult r;
    r.Glyph = Point(g.x + dx, g.y + dy);
    r.Arrow = Point(a.x + dx, a.y + dy);
    r.Caption = Rect(tx + dx, ty + dy, tx + dx + tw, ty + dy + th);
    return r;
}

// ======================================================================== pixels

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kGray = RGB(128, 128, 128);
const COLORREF kSilver = RGB(192, 192, 192);

// A picture as COLORREFs, row by row from the top.
struct Pixels {
    Pixels(int w, int h, COLORREF fill) : width(w), height(h), px(static_cast<std::size_t>(w) * h, fill) {}
    COLORREF At(int x, int y) const { return px[static_cast<std::size_t>(y) * width + x]; }
    void Set(int x, int y, COLORREF c) {
        if (x >= 0 && y >= 0 && x < width && y < height) px[static_cast<std::size_t>(y) * width + x] = c;
    }
    int width, height;
    std::vector<COLORREF> px;
};

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// DIB memory holds blue, green, red; a COLORREF red, green, blue.
COLORREF SwapRedBlue(std::uint32_t v) { return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); }

// The whole bitmap's pixels. A monochrome bitmap reads as black and white.
Pixels ReadPixels(TBitmap* bitmap) {
    Pixels p(bitmap->GetWidth(), bitmap->GetHeight(), kBlack);
    bitmap->ReleaseDeviceResources();  // GetDIBits wants the bitmap unselected
    BITMAPINFO bi = TopDown32(p.width, p.height);
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!::GetDIBits(dc.get(), bitmap->GetHandle(), 0, static_cast<UINT>(p.height), p.px.data(), &bi,
                     DIB_RGB_COLORS))
        throw EOutOfResources("Out of system resources");
    for (COLORREF& c : p.px) c = SwapRedBlue(c);
    return p;
}

// A colour bitmap of the picture's size holding its pixels.
void WritePixels(TBitmap& bitmap, const Pixels& p) {
    bitmap.SetSize(p.width, p.height);
    std::vector<std::uint32_t> bits(p.px.size());
    std::transform(p.px.begin(), p.px.end(), bits.begin(), [](COLORREF c) {
        return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    });
    bitmap.ReleaseDeviceResources();
    BITMAPINFO bi = TopDown32(p.width, p.height);
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!::SetDIBits(dc.get(), bitmap.GetHandle(), 0, static_cast<UINT>(p.height), bits.data(), &bi,
                     DIB_RGB_COLORS))
        throw EOutOfResources("Out of system resources");
}

// A cell filled with one colour and picture `index` of the strip copied to
// its top-left corner.
Pixels CellWithPicture(const Pixels& strip, int index, int w, int h, COLORREF fill) {
    Pixels cell(w + 1, h + 1, fill);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) cell.Set(x, y, strip.At(index * w + x, y));
    return cell;
}

// Raised look of a flat picture: every marked pixel in the shadow colour,
// with a highlight copy one pixel right and down under it.
template <class Marked>
Pixels Embossed(int w, int h, int sourceWidth, int sourceHeight, Marked marked) {
    const COLORREF face = ColorToPlainRGB(clBtnFace);
    const COLORREF highlight = ColorToPlainRGB(clBtnHighlight);
    const COLORREF shadow = ColorToPlainRGB(clBtnShadow);
    Pixels cell(w + 1, h + 1, face);
    for (int y = 0; y < sourceHeight; ++y)
        for (int x = 0; x < sourceWidth; ++x)
            if (marked(x, y)) cell.Set(x + 1, y + 1, highlight);
    for (int y = 0; y < sourceHeight; ++y)
        for (int x = 0; x < sourceWidth; ++x)
            if (marked(x, y)) cell.Set(x, y, shadow);
    return cell;
}

}  // namespace

// ======================================================================== TGlyphList

TGlyphList::TGlyphList(int width, int height) : TImageList(nullptr, width, height) {}

int TGlyphList::AllocateSlot() {
    auto free = std::find(used_.begin(), used_.end(), false);
    std::size_t index = static_cast<std::size_t>(free - used_.begin());
    if (free == used_.end()) {
        // A blank picture holds the new slot's place until it is filled.
        TBitmap blank, blankMask;
        blank.SetSize(GetWidth(), GetHeight());
        blankMask.SetMonochrome(true);
        blankMask.SetSize(GetWidth(), GetHeight());
        index = static_cast<std::size_t>(Add(&blank, &blankMask));
        if (used_.size() < index + 1) used_.resize(index + 1, false);
    }
    used_[index] = true;
    return static_cast<int>(index);
}

void TGlyphList::ReleaseSlot(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < used_.size()) used_[static_cast<std::size_t>(index)] = false;
}

void TGlyphList::FreeSlot(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= used_.size() || !used_[static_cast<std::size_t>(index)])
        return;
    used_[static_cast<std::size_t>(index)] = false;
    --usedCount_;
}

int TGlyphList::AddWithMask(TBitmap* image, TBitmap* mask) {
    const int slot = AllocateSlot();
    try {
        Replace(slot, image, mask);
    } catch (...) {
        ReleaseSlot(slot);
        throw;
    }
    ++usedCount_;
    return slot;
}

int TGlyphList::AddKeyed(TBitmap* image, TColor key) {
    // Checked before a slot is taken, so a refused picture costs none.
    if (image->GetWidth() < GetWidth() || image->GetHeight() < GetHeight())
        throw EInvalidOperation("Invalid image size");
    const int slot = AllocateSlot();
    HIMAGELIST list = GetHandle();
    const int countBefore = ::ImageList_GetImageCount(list);
    try {
        // The system makes the mask from the key colour when the picture is
        // added; the picture and mask it made are drawn out of a temporary
        // entry and put into the slot, and the temporary entry goes again.
        image->ReleaseDeviceResources();
        const int temporary = ::ImageList_AddMasked(list, image->GetHandle(), ColorToRGB(key));
        struct RemoveAdded {
            HIMAGELIST list;
            int from;
            ~RemoveAdded() {
                for (int i = ::ImageList_GetImageCount(list) - 1; i >= from; --i) ::ImageList_Remove(list, i);
            }
        } removeAdded{list, countBefore};
        if (temporary < 0) throw EInvalidOperation("Unable to Replace Image");

        TBitmap picture, mask;
        picture.SetSize(GetWidth(), GetHeight());
        picture.GetCanvas()->GetBrush()->SetColor(clBlack);  // what the mask keeps out must be black
        picture.GetCanvas()->FillRect(Rect(0, 0, GetWidth(), GetHeight()));
        mask.SetMonochrome(true);
        mask.SetSize(GetWidth(), GetHeight());
        ::ImageList_Draw(list, temporary, picture.GetCanvas()->GetHandle(), 0, 0, ILD_NORMAL);
        ::ImageList_Draw(list, temporary, mask.GetCanvas()->GetHandle(), 0, 0, ILD_MASK);
        picture.ReleaseDeviceResources();
        mask.ReleaseDeviceResources();
        if (!::ImageList_Replace(list, slot, picture.GetHandle(), mask.GetHandle()))
            throw EInvalidOperation("Unable to Replace Image");
    } catch (...) {
        ReleaseSlot(slot);
        throw;
    }
    ++usedCount_;
    Change();
    return slot;
}

// ======================================================================== TGlyphCache

TGlyphCache::TGlyphCache() = default;
TGlyphCache::~TGlyphCache() = default;

TGlyphList* TGlyphCache::AcquireList(int width, int height) {
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
        if ((*it)->GetWidth() == width && (*it)->GetHeight() == height) return it->get();
    lists_.emplace_back(new TGlyphList(width, height));
    return lists_.back().get();
}

void TGlyphCache::ReleaseList(TGlyphList* list) {
    if (!list || list->GetUsedCount() != 0) return;
    lists_.erase(std::remove_if(lists_.begin(), lists_.end(),
                                [list](const std::unique_ptr<TGlyphList>& l) { return l.get() == list; }),
                 lists_.end());
}

// ======================================================================== TButtonGlyph

TButtonGlyph::TButtonGlyph() : glyph_(new TBitmap) {
    std::fill(std::begin(indexes_), std::end(indexes_), -1);
    glyph_->OnChange = [this](TObject*) { GlyphChanged(); };
    if (!GlyphCacheInstance) GlyphCacheInstance = new TGlyphCache;
}

TButtonGlyph::~TButtonGlyph() {
    glyph_->OnChange = nullptr;
    glyph_.reset();
    ReleaseImages();
    if (GlyphCacheInstance && GlyphCacheInstance->IsEmpty()) {
        delete GlyphCacheInstance;
        GlyphCacheInstance = nullptr;
    }
}

void TButtonGlyph::GlyphChanged() {
    transparentColor_ = glyph_->GetTransparentColor();
    glyph_->ReleaseDeviceResources();
    ReleaseImages();
    Fire(OnChange, this);
}

void TButtonGlyph::SetGlyph(TBitmap* value) {
    ReleaseImages();
    glyph_->Assign(value);
    if (!value || glyph_->GetHeight() <= 0) return;
    transparentColor_ = glyph_->GetTransparentColor();
    glyph_->ReleaseDeviceResources();
    // Square pictures count themselves; more than five make one wide picture.
    const int w = glyph_->GetWidth(), h = glyph_->GetHeight();
    if (w % h == 0) {
        int n = w / h;
        if (n > 5) n = 1;
        SetNumGlyphs(n);
    }
}

void TButtonGlyph::SetNumGlyphs(int value) {
    value = std::min(value, ButtonVisualStateCount);
    if (value == numGlyphs_ || value <= 0) return;
    ReleaseImages();
    numGlyphs_ = value;
    GlyphChanged();
}

void TButtonGlyph::ReleaseImages() {
    for (int& index : indexes_) {
        if (index != -1 && list_) list_->FreeSlot(index);
        index = -1;
    }
    if (list_) {
        if (GlyphCacheInstance) GlyphCacheInstance->ReleaseList(list_);
        list_ = nullptr;
    }
}

int TButtonGlyph::GetStateImage(TButtonVisualState state) {
    // The up picture stands for every look the strip has no picture for; the
    // disabled look is always made, from picture 1 or from picture 0.
    if (state != vsDisabled && state >= numGlyphs_) state = vsUp;
    if (indexes_[state] != -1) return indexes_[state];
    if (glyph_->Empty()) return -1;
    const int w = glyph_->GetWidth() / numGlyphs_, h = glyph_->GetHeight();
    if (w <= 0) return -1;

    try {
        if (!list_) {
            if (!GlyphCacheInstance) GlyphCacheInstance = new TGlyphCache;
            list_ = GlyphCacheInstance->AcquireList(w + 1, h + 1);
        }
        const Pixels strip = ReadPixels(glyph_.get());
        const COLORREF transparent = ColorToPlainRGB(transparentColor_);
        TBitmap work;
        int slot;
        if (state != vsDisabled) {
            const int index = state < numGlyphs_ ? state : 0;
            WritePixels(work, CellWithPicture(strip, index, w, h, transparent));
            slot = list_->AddKeyed(&work, transparentColor_);
        } else if (numGlyphs_ >= 2) {
            // The strip's own disabled picture, in this system's 3-D colours.
            Pixels cell = CellWithPicture(strip, 1, w, h, transparent);
            Pixels mask(w + 1, h + 1, kWhite);
            const COLORREF highlight = ColorToPlainRGB(clBtnHighlight);
            const COLORREF shadow = ColorToPlainRGB(clBtnShadow);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const COLORREF c = strip.At(w + x, y);
                    if (c == kWhite) cell.Set(x, y, highlight);
                    else if (c == kGray) cell.Set(x, y, shadow);
                    if (c != transparent) mask.Set(x, y, kBlack);
                }
            }
            WritePixels(work, cell);
            TBitmap maskBitmap;
            WritePixels(maskBitmap, mask);
            maskBitmap.SetMonochrome(true);  // white stays white: transparent
            slot = list_->AddWithMask(&work, &maskBitmap);
        } else if (oldDisabledStyle_) {
            // Embossed from the pixels that show black.
            WritePixels(work, Embossed(w, h, strip.width, strip.height,
                                       [&](int x, int y) { return strip.At(x, y) == kBlack; }));
            slot = list_->AddKeyed(&work, clBtnFace);
        } else {
            // Embossed from everything but the background and the light greys.
            auto dark = [&](int x, int y) {
                const COLORREF c = strip.At(x, y);
                return c != transparent && c != kWhite && c != kSilver;
            };
            WritePixels(work, Embossed(w, h, w, h, dark));
            slot = list_->AddKeyed(&work, clBtnFace);
        }
        indexes_[state] = slot;
    } catch (...) {
        // A list this object holds no picture in must not outlive it unseen.
        if (std::all_of(std::begin(indexes_), std::end(indexes_), [](int i) { return i == -1; })) ReleaseImages();
        throw;
    }
    glyph_->ReleaseDeviceResources();
    return indexes_[state];
}

// ======================================================================== drawing

void TButtonGlyph::DrawGlyphImage(TCanvas* canvas, const TPoint& point, TButtonVisualState state) {
    if (glyph_->Empty()) return;
    const int index = GetStateImage(state);
    if (index < 0) return;
    list_->DrawEx(canvas, point.x, point.y, index, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
}

void TButtonGlyph::DrawCaptionText(TCanvas* canvas, const std::string& caption, const TRect& rect, bool wordWrap,
                                   TButtonVisualState state) {
    canvas->GetBrush()->SetStyle(bsClear);
    const UINT format = DT_CENTER | DT_VCENTER | (wordWrap ? DT_WORDBREAK : DT_SINGLELINE);
    TRect r = rect;
    if (state == vsDisabled) {
        ::OffsetRect(&r, 1, 1);
        canvas->GetFont()->SetColor(clBtnHighlight);
        canvas->DrawText(caption, r, format);
        r = rect;
        canvas->GetFont()->SetColor(clBtnShadow);
    }
    canvas->DrawText(caption, r, format);
}

void TButtonGlyph::DrawDropArrow(TCanvas* canvas, int x, int y, TButtonVisualState state) {
    auto triangle = [canvas](int left, int top, TColor color) {
        canvas->GetPen()->SetColor(color);
        canvas->GetBrush()->SetColor(color);
        const TPoint corners[3] = {Point(left + 4, top), Point(left + 8, top), Point(left + 6, top + 2)};
        canvas->Polygon(corners, 3);
    };
    if (state == vsDisabled) {
        triangle(x + 1, y + 1, clBtnHighlight);
        triangle(x, y, clBtnShadow);
    } else {
        triangle(x, y, canvas->GetFont()->GetColor());
    }
}

TRect TButtonGlyph::Draw(TCanvas* canvas, const TRect& client, int offset, bool showGlyph, bool showText,
                         const std::string& caption, bool wordWrap, TButtonLayout layout, int margin, int spacing,
                         bool dropArrow, TButtonVisualState state) {
    TButtonLayoutParams p;
    p.Client = client;
    p.Offset = offset;
    if (showGlyph) p.Glyph = TSize{glyph_->GetWidth() / numGlyphs_, glyph_->GetHeight()};
    p.ShowText = showText && !caption.empty();
    p.WordWrap = wordWrap;
    p.DropArrow = dropArrow;
    p.Layout = layout;
    p.Margin = margin;
    p.Spacing = spacing;
    const TButtonLayoutResult places = CalcLayout(p, [&](int maxWidth) {
        TRect r = Rect(0, 0, maxWidth, 0);
        canvas->DrawText(caption, r, DT_CALCRECT | (wordWrap ? DT_WORDBREAK : 0));
        return TSize{r.right - r.left, r.bottom - r.top};
    });
    if (showGlyph) DrawGlyphImage(canvas, places.Glyph, state);
    if (showText) DrawCaptionText(canvas, caption, places.Caption, wordWrap, state);
    if (dropArrow) DrawDropArrow(canvas, places.Arrow.x, places.Arrow.y, state);
    return places.Caption;
}
