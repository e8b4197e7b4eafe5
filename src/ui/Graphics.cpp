#include "ui/Graphics.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "ui/SysUtils.h"
#include "base/Unicode.h"

int ScreenPixelsPerInch() {
    static int ppi = [] {
        HDC dc = ::GetDC(nullptr);
        int v = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc) ::ReleaseDC(nullptr, dc);
        return v > 0 ? v : 96;
    }();
    return ppi;
}

// ---------------------------------------------------------------- TFont

TFont::TFont() : name_("MS Sans Serif"), height_(-11), color_(clWindowText) {}
TFont::~TFont() = default;

// The old handle lives until the listeners have run: a canvas that has it
// selected puts it out of its context first, and GDI must not delete an
// object that is still selected into one.
void TFont::Changed() {
    ui::FontHandle old = std::move(handle_);
    borrowed_ = nullptr;
    Fire(OnChange, this);
}

void TFont::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

int TFont::GetSize() const { return -::MulDiv(height_, 72, ScreenPixelsPerInch()); }
void TFont::SetSize(int points) { SetHeight(-::MulDiv(points, ScreenPixelsPerInch(), 72)); }

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    // The colour is not part of the GDI font; keep the handle.
    Fire(OnChange, this);
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == pitch_) return;
    pitch_ = pitch;
    Changed();
}

void TFont::SetCharset(BYTE charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

HFONT TFont::GetHandle() {
    if (borrowed_) return borrowed_;
    if (!handle_) {
        LOGFONTW lf{};
        lf.lfHeight = height_;
        lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = style_.Contains(fsItalic);
        lf.lfUnderline = style_.Contains(fsUnderline);
        lf.lfStrikeOut = style_.Contains(fsStrikeOut);
        lf.lfCharSet = charset_;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
        // A face name longer than the record holds is cut, as the system would.
        const std::wstring face = base::Wide(name_).substr(0, LF_FACESIZE - 1);
        face.copy(lf.lfFaceName, face.size());
        handle_.reset(::CreateFontIndirectW(&lf));
    }
    return handle_.get();
}

void TFont::SetHandle(HFONT font) {
    LOGFONTW lf{};
    if (!font || !::GetObjectW(font, sizeof lf, &lf)) return;
    ui::FontHandle old = std::move(handle_);  // see TFont::Changed
    name_ = base::Utf8(std::wstring(lf.lfFaceName, wcsnlen(lf.lfFaceName, LF_FACESIZE)));
    height_ = lf.lfHeight;
    TFontStyles style;
    style.Set(fsBold, lf.lfWeight > FW_MEDIUM);
    style.Set(fsItalic, lf.lfItalic != 0);
    style.Set(fsUnderline, lf.lfUnderline != 0);
    style.Set(fsStrikeOut, lf.lfStrikeOut != 0);
    style_ = style;
    charset_ = lf.lfCharSet;
    pitch_ = fpDefault;
    Fire(OnChange, this);
    borrowed_ = font;  // after OnChange, which must not see a half-set font
}

void TFont::Assign(const TPersistent* source) {
    auto* f = dynamic_cast<const TFont*>(source);
    if (!f) return TPersistent::Assign(source);
    if (SameAs(*f)) return;
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    pitch_ = f->pitch_;
    charset_ = f->charset_;
    Changed();
    borrowed_ = f->borrowed_;
}

bool TFont::SameAs(const TFont& o) const {
    return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
           pitch_ == o.pitch_ && charset_ == o.charset_ && borrowed_ == o.borrowed_;
}

// ---------------------------------------------------------------- TBrush, TPen

TBrush::TBrush() = default;

void TBrush::Changed() {
    ui::BrushHandle old = std::move(handle_);  // see TFont::Changed
    Fire(OnChange, this);
}

void TBrush::SetColor(TColor color) {
    if (color == color_ && style_ != bsClear) return;
    color_ = color;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TBrush::SetBitmap(HBITMAP bitmap) {
    if (bitmap == bitmap_) return;
    bitmap_ = bitmap;
    Changed();
}

HBRUSH TBrush::GetHandle() {
    // A system colour may stand for another value since the brush was made.
    if (handle_ && IsSystemColor(color_) && ColorToRGB(color_) != madeRGB_) Changed();
    if (!handle_) {
        madeRGB_ = ColorToRGB(color_);
        if (bitmap_)
            handle_.reset(::CreatePatternBrush(bitmap_));
        else if (style_ == bsClear) {
            LOGBRUSH lb{BS_NULL, 0, 0};
            handle_.reset(::CreateBrushIndirect(&lb));
        } else
            handle_.reset(::CreateSolidBrush(ColorToRGB(color_)));
    }
    return handle_.get();
}

void TBrush::Assign(const TPersistent* source) {
    auto* b = dynamic_cast<const TBrush*>(source);
    if (!b) return TPersistent::Assign(source);
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    Changed();
}

void TPen::Changed() {
    ui::PenHandle old = std::move(handle_);  // see TFont::Changed
    Fire(OnChange, this);
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TPen::SetWidth(int width) {
    if (width == width_) return;
    width_ = width;
    Changed();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

HPEN TPen::GetHandle() {
    if (handle_ && IsSystemColor(color_) && ColorToRGB(color_) != madeRGB_) Changed();  // as the brush's
    if (!handle_) {
        madeRGB_ = ColorToRGB(color_);
        static const int styles[] = {PS_SOLID, PS_NULL};
        handle_.reset(::CreatePen(styles[style_], width_, ColorToRGB(color_)));
    }
    return handle_.get();
}

void TPen::Assign(const TPersistent* source) {
    auto* p = dynamic_cast<const TPen*>(source);
    if (!p) return TPersistent::Assign(source);
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    Changed();
}

// ---------------------------------------------------------------- TCanvas

TCanvas::TCanvas() : font_(new TFont), brush_(new TBrush), pen_(new TPen) {
    // A changed object is selected anew at the next drawing call.
    font_->OnChange = [this](TObject*) {
        if (dc_ && (state_ & FontValid)) {
            ::SelectObject(dc_, oldFont_);
            oldFont_ = nullptr;
        }
        state_ &= ~FontValid;
    };
    brush_->OnChange = [this](TObject*) {
        if (dc_ && (state_ & BrushValid)) {
            ::SelectObject(dc_, oldBrush_);
            oldBrush_ = nullptr;
        }
        state_ &= ~BrushValid;
    };
    pen_->OnChange = [this](TObject*) {
        if (dc_ && (state_ & PenValid)) {
            ::SelectObject(dc_, oldPen_);
            oldPen_ = nullptr;
        }
        state_ &= ~PenValid;
    };
}

TCanvas::~TCanvas() { DeselectHandles(); }

HDC TCanvas::GetHandle() {
    if (!dc_) CreateHandle();
    if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
    return dc_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == dc_) return;
    DeselectHandles();
    dc_ = dc;
}

void TCanvas::FreeHandle() { SetHandle(nullptr); }

void TCanvas::DeselectHandles() {
    if (dc_) {
        if (state_ & FontValid) ::SelectObject(dc_, oldFont_);
        if (state_ & BrushValid) ::SelectObject(dc_, oldBrush_);
        if (state_ & PenValid) ::SelectObject(dc_, oldPen_);
    }
    oldFont_ = oldBrush_ = oldPen_ = nullptr;
    state_ = 0;
}

void TCanvas::Require(unsigned need) {
    HDC dc = GetHandle();
    unsigned missing = need & ~state_;
    if (missing & FontValid) {
        oldFont_ = ::SelectObject(dc, font_->GetHandle());
        ::SetTextColor(dc, ColorToRGB(font_->GetColor()));
        state_ |= FontValid;
    }
    if (missing & BrushValid) {
        oldBrush_ = ::SelectObject(dc, brush_->GetHandle());
        ::SetBkColor(dc, ColorToRGB(brush_->GetColor()));
        ::SetBkMode(dc, brush_->GetStyle() == bsClear ? TRANSPARENT : OPAQUE);
        state_ |= BrushValid;
    }
    if (missing & PenValid) {
        oldPen_ = ::SelectObject(dc, pen_->GetHandle());
        state_ |= PenValid;
    }
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    Require(FontValid | BrushValid);
    const std::wstring wide = base::Wide(text);
    ::ExtTextOutW(dc_, x, y, 0, nullptr, wide.data(), static_cast<UINT>(wide.size()), nullptr);
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
    Require(FontValid | BrushValid);
    UINT options = ETO_CLIPPED;
    if (brush_->GetStyle() != bsClear) options |= ETO_OPAQUE;
    const std::wstring wide = base::Wide(text);
    ::ExtTextOutW(dc_, x, y, options, &rect, wide.data(), static_cast<UINT>(wide.size()), nullptr);
}

TSize TCanvas::TextExtent(const std::string& text) {
    Require(FontValid);
    TSize size{0, 0};
    const std::wstring wide = base::Wide(text);
    ::GetTextExtentPoint32W(dc_, wide.data(), static_cast<int>(wide.size()), &size);
    return size;
}

std::vector<int> TCanvas::TextEnds(const std::wstring& text) {
    Require(FontValid);
    std::vector<int> ends(text.size());
    SIZE size{};
    if (!text.empty() && !::GetTextExtentExPointW(dc_, text.data(), static_cast<int>(text.size()), 0, nullptr,
                                                  ends.data(), &size))
        ends.assign(text.size(), 0);
    return ends;
}

int TCanvas::DrawText(const std::string& text, TRect& rect, UINT format) {
    Require(FontValid | BrushValid);
    std::wstring wide = base::Wide(text);
    return ::DrawTextW(dc_, wide.data(), static_cast<int>(wide.size()), &rect, format);
}

void TCanvas::FillRect(const TRect& rect) {
    Require(BrushValid);
    ::FillRect(dc_, &rect, brush_->GetHandle());
}

void TCanvas::FrameRect(const TRect& rect) {
    Require(BrushValid);
    ::FrameRect(dc_, &rect, brush_->GetHandle());
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Require(BrushValid | PenValid);
    ::Rectangle(dc_, x1, y1, x2, y2);
}

void TCanvas::Polygon(const TPoint* points, int count) {
    Require(BrushValid | PenValid);
    ::Polygon(dc_, points, count);
}

void TCanvas::MoveTo(int x, int y) { ::MoveToEx(GetHandle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
    Require(PenValid | BrushValid);
    ::LineTo(dc_, x, y);
}

TColor TCanvas::GetPixel(int x, int y) { return static_cast<TColor>(::GetPixel(GetHandle(), x, y)); }
void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixelV(GetHandle(), x, y, ColorToRGB(color)); }

void TCanvas::Draw(int x, int y, TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return;
    Require(FontValid | BrushValid);  // a monochrome picture takes these colours
    ::BitBlt(dc_, x, y, bitmap->GetWidth(), bitmap->GetHeight(), bitmap->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sr) {
    Require(FontValid | BrushValid);
    ::StretchBlt(dc_, dest.left, dest.top, RectWidth(dest), RectHeight(dest), source->GetHandle(), sr.left, sr.top,
                 RectWidth(sr), RectHeight(sr), SRCCOPY);
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* source, const TRect& sr, TColor color) {
    if (!source || source->Empty()) return;
    const int w = RectWidth(sr), h = RectHeight(sr);
    HDC src = source->GetCanvas()->GetHandle();
    // The mask is made from the source before anything is drawn, so a bitmap
    // may be copied onto its own canvas.
    ui::MemoryDc maskDc(::CreateCompatibleDC(nullptr));
    ui::BitmapHandle mask(::CreateBitmap(w, h, 1, 1, nullptr));
    {
        ui::SelectGuard sel(maskDc.get(), mask.get());
        COLORREF oldBk = ::SetBkColor(src, ColorToRGB(color));
        ::BitBlt(maskDc.get(), 0, 0, w, h, src, sr.left, sr.top, SRCCOPY);
        ::SetBkColor(src, oldBk);

        Require(BrushValid);
        ::StretchBlt(dc_, dest.left, dest.top, RectWidth(dest), RectHeight(dest), src, sr.left, sr.top, w, h, SRCCOPY);
        // White mask bits (the colour's pixels) take the brush: D ^ (S & (P ^ D)).
        COLORREF oldText = ::SetTextColor(dc_, RGB(0, 0, 0));
        COLORREF oldBack = ::SetBkColor(dc_, RGB(255, 255, 255));
        ::StretchBlt(dc_, dest.left, dest.top, RectWidth(dest), RectHeight(dest), maskDc.get(), 0, 0, w, h, 0xE20746);
        ::SetTextColor(dc_, oldText);
        ::SetBkColor(dc_, oldBack);
    }
}

// ---------------------------------------------------------------- TBitmap

// The bitmap's own drawing surface: a memory DC made on first use.
class TBitmap::BitmapCanvas : public TCanvas {
public:
    explicit BitmapCanvas(TBitmap* owner) : owner_(owner) {}
    ~BitmapCanvas() override { Release(); }
    void Release() {
        if (!memDc_) return;
        SetHandle(nullptr);
        ::SelectObject(memDc_.get(), oldBitmap_);
        if (oldPalette_) ::SelectPalette(memDc_.get(), oldPalette_, TRUE);
        oldPalette_ = nullptr;
        memDc_.reset();
    }

protected:
    void CreateHandle() override {
        if (!owner_->GetHandle()) throw EInvalidOperation("Bitmap has no picture to draw on");
        memDc_.reset(::CreateCompatibleDC(nullptr));
        oldBitmap_ = ::SelectObject(memDc_.get(), owner_->GetHandle());
        if (owner_->palette_) {
            oldPalette_ = ::SelectPalette(memDc_.get(), owner_->palette_.get(), TRUE);
            ::RealizePalette(memDc_.get());
        }
        SetHandle(memDc_.get());
    }
    void FreeHandle() override { Release(); }

private:
    TBitmap* owner_;
    ui::MemoryDc memDc_;
    HGDIOBJ oldBitmap_ = nullptr;
    HPALETTE oldPalette_ = nullptr;
};

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() { canvas_.reset(); }

namespace ui {

BitmapHandle CreateColorBitmap(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bmp(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp) throw EOutOfResources("Out of system resources");
    std::fill_n(static_cast<DWORD*>(bits), static_cast<std::size_t>(width) * height, 0x00FFFFFFu);
    return bmp;
}

std::string FitPath(const std::string& path, HFONT font, int width) {
    MemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return path;
    SelectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
    // The system writes the shortened text back into the buffer, which
    // needs room for the ellipsis beyond the text.
    std::wstring text = base::Wide(path);
    const int length = static_cast<int>(text.size());
    text.append(4, L'\0');
    RECT r = {0, 0, std::max(width, 1), 100};
    ::DrawTextW(dc.get(), &text[0], length, &r,
                DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_MODIFYSTRING);
    text.resize(std::wcslen(text.c_str()));
    return base::Utf8(text);
}

}  // namespace ui

namespace {

ui::BitmapHandle CreateMonoBitmap(int width, int height) {
    ui::BitmapHandle bmp(::CreateBitmap(width, height, 1, 1, nullptr));
    if (!bmp) throw EOutOfResources("Out of system resources");
    return bmp;
}

// Copies w x h pixels from one bitmap to another, with the default colours
// of fresh contexts (black text, white background) for format changes.
void CopyPixels(HBITMAP to, HBITMAP from, int w, int h) {
    ui::MemoryDc dst(::CreateCompatibleDC(nullptr)), src(::CreateCompatibleDC(nullptr));
    ui::SelectGuard s1(dst.get(), to), s2(src.get(), from);
    ::BitBlt(dst.get(), 0, 0, w, h, src.get(), 0, 0, SRCCOPY);
}

}  // namespace

void TBitmap::Replace(ui::BitmapHandle bitmap) {
    if (canvas_) canvas_->Release();
    handle_ = std::move(bitmap);
    ReadFormat();
}

void TBitmap::ReadFormat() {
    BITMAP bm{};
    if (handle_ && ::GetObjectW(handle_.get(), sizeof bm, &bm)) {
        width_ = bm.bmWidth;
        height_ = bm.bmHeight;
        monochrome_ = bm.bmBitsPixel == 1 && bm.bmPlanes == 1;
    } else {
        width_ = height_ = 0;
        monochrome_ = false;
    }
}

int TBitmap::BitsPerPixel() const {
    BITMAP bm{};
    if (!handle_ || !::GetObjectW(handle_.get(), sizeof bm, &bm)) return 0;
    return bm.bmBitsPixel * bm.bmPlanes;
}

void TBitmap::SetSize(int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (width == width_ && height == height_) return;
    if (width == 0 || height == 0) {
        Replace(ui::BitmapHandle());
        width_ = width;
        height_ = height;
    } else {
        ui::BitmapHandle fresh = monochrome_ ? CreateMonoBitmap(width, height) : ui::CreateColorBitmap(width, height);
        if (monochrome_) {
            ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
            ui::SelectGuard sel(dc.get(), fresh.get());
            ::PatBlt(dc.get(), 0, 0, width, height, WHITENESS);
        }
        if (canvas_) canvas_->Release();  // a bitmap can be selected into one context only
        if (handle_) CopyPixels(fresh.get(), handle_.get(), std::min(width, width_), std::min(height, height_));
        bool mono = monochrome_;
        Replace(std::move(fresh));
        monochrome_ = mono;
    }
    Changed();
}

void TBitmap::SetMonochrome(bool monochrome) {
    if (monochrome == monochrome_) return;
    if (!handle_) {
        monochrome_ = monochrome;
        return;
    }
    ui::BitmapHandle fresh = monochrome ? CreateMonoBitmap(width_, height_) : ui::CreateColorBitmap(width_, height_);
    if (canvas_) canvas_->Release();
    CopyPixels(fresh.get(), handle_.get(), width_, height_);
    Replace(std::move(fresh));
    Changed();
}

void TBitmap::SetHandle(HBITMAP bitmap) {
    Replace(ui::BitmapHandle(bitmap));
    Changed();
}

TCanvas* TBitmap::GetCanvas() {
    if (!canvas_) canvas_.reset(new BitmapCanvas(this));
    return canvas_.get();
}

HPALETTE TBitmap::GetPalette() {
    if (palette_ || !handle_ || BitsPerPixel() > 8 || monochrome_) return palette_.get();
    // A picture with a colour table gets a palette of those colours.
    if (canvas_) canvas_->Release();
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    ui::SelectGuard sel(dc.get(), handle_.get());
    RGBQUAD table[256];
    UINT n = ::GetDIBColorTable(dc.get(), 0, 256, table);
    if (n == 0) return nullptr;
    std::vector<BYTE> buf(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(n);
    for (UINT i = 0; i < n; ++i)
        lp->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    palette_.reset(::CreatePalette(lp));
    return palette_.get();
}

void TBitmap::SetPalette(HPALETTE palette) {
    if (canvas_) canvas_->Release();
    palette_.reset();
    if (!palette) return;
    WORD n = 0;
    ::GetObjectW(palette, sizeof n, &n);
    if (n == 0) return;
    std::vector<BYTE> buf(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = n;
    ::GetPaletteEntries(palette, 0, n, lp->palPalEntry);
    palette_.reset(::CreatePalette(lp));
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    ui::BitmapHandle bmp(static_cast<HBITMAP>(
        ::LoadImageW(instance, base::Wide(name).c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bmp) throw EResNotFound("Resource " + name + " not found");
    palette_.reset();
    Replace(std::move(bmp));
    Changed();
}

void TBitmap::Assign(const TPersistent* source) {
    if (!source) {
        palette_.reset();
        Replace(ui::BitmapHandle());
        Changed();
        return;
    }
    auto* b = dynamic_cast<const TBitmap*>(source);
    if (!b) return TPersistent::Assign(source);
    if (b == this) return;
    ui::BitmapHandle copy;
    if (b->canvas_) b->canvas_->Release();
    if (b->handle_) {
        // A DIB section stays one, with its depth and colour table; a
        // monochrome bitmap stays a device-dependent one.
        copy.reset(static_cast<HBITMAP>(
            ::CopyImage(b->handle_.get(), IMAGE_BITMAP, 0, 0, b->monochrome_ ? 0 : LR_CREATEDIBSECTION)));
        if (!copy) throw EOutOfResources("Out of system resources");
    }
    SetPalette(b->palette_.get());
    const bool copied = static_cast<bool>(copy);
    Replace(std::move(copy));
    if (!copied) {
        width_ = b->width_;
        height_ = b->height_;
        monochrome_ = b->monochrome_;
    }
    Changed();
}

void TBitmap::ReleaseDeviceResources() {
    if (canvas_) canvas_->Release();
}

TColor TBitmap::GetTransparentColor() {
    if (monochrome_) return 0x02FFFFFF;
    if (Empty()) return PaletteRelativeFlag;
    return static_cast<TColor>(::GetPixel(GetCanvas()->GetHandle(), 0, height_ - 1)) | PaletteRelativeFlag;
}

// ---------------------------------------------------------------- TIcon

void TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    HICON icon = static_cast<HICON>(::LoadImageW(instance, base::Wide(name).c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    if (!icon) throw EResNotFound("Resource " + name + " not found");
    SetHandle(icon);
}

void TIcon::Assign(const TPersistent* source) {
    if (!source) {
        handle_.reset();
        Fire(OnChange, this);
        return;
    }
    auto* i = dynamic_cast<const TIcon*>(source);
    if (!i) return TPersistent::Assign(source);
    SetHandle(i->handle_ ? ::CopyIcon(i->handle_.get()) : nullptr);
}
