// Fonts, brushes, pens, canvases, bitmaps and icons over GDI.
//
// Each object owns the GDI handles it creates and releases them itself; a
// canvas draws on a device context it may or may not own and selects its
// font, brush and pen into it only when a drawing call needs them.
#pragma once

#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "ui/Colors.h"
#include "ui/Component.h"
#include "ui/Handles.h"

using TRect = RECT;
using TPoint = POINT;
using TSize = SIZE;

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) { return TRect{left, top, left + width, top + height}; }
inline TPoint Point(int x, int y) { return TPoint{x, y}; }
inline int RectWidth(const TRect& r) { return r.right - r.left; }
inline int RectHeight(const TRect& r) { return r.bottom - r.top; }
inline bool operator==(const TRect& a, const TRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const TRect& a, const TRect& b) { return !(a == b); }
inline bool operator==(const TPoint& a, const TPoint& b) { return a.x == b.x && a.y == b.y; }

// Logical pixels per inch of the screen, for font point sizes.
int ScreenPixelsPerInch();

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

// A font description; the GDI font is made when a handle is first asked for
// and made anew after every change, which is reported through OnChange.
class TFont : public TPersistent {
public:
    TFont();
    ~TFont() override;

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name);
    // Negative: character height in pixels; positive: cell height.
    int GetHeight() const { return height_; }
    void SetHeight(int height);
    int GetSize() const;
    void SetSize(int points);
    TFontStyles GetStyle() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor GetColor() const { return color_; }
    void SetColor(TColor color);
    TFontPitch GetPitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    BYTE GetCharset() const { return charset_; }
    void SetCharset(BYTE charset);

    HFONT GetHandle();
    // Takes name, height, style and pitch from an existing font (such as a
    // stock font) and draws with that font until the next change.
    void SetHandle(HFONT font);

    void Assign(const TPersistent* source) override;
    bool SameAs(const TFont& other) const;

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    std::string name_;
    int height_;
    TFontStyles style_;
    TColor color_;
    TFontPitch pitch_ = fpDefault;
    BYTE charset_ = DEFAULT_CHARSET;
    ui::FontHandle handle_;
    HFONT borrowed_ = nullptr;
};

enum TBrushStyle { bsSolid, bsClear };

class TBrush : public TPersistent {
public:
    TBrush();
    TColor GetColor() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle GetStyle() const { return style_; }
    void SetStyle(TBrushStyle style);
    // A pattern bitmap replaces the colour while set (not owned).
    HBITMAP GetBitmap() const { return bitmap_; }
    void SetBitmap(HBITMAP bitmap);
    HBRUSH GetHandle();
    void Assign(const TPersistent* source) override;
    TNotifyEvent OnChange;

private:
    void Changed();
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    HBITMAP bitmap_ = nullptr;
    ui::BrushHandle handle_;
    std::uint32_t madeRGB_ = 0;  // the colour's value when the handle was made
};

enum TPenStyle { psSolid, psClear };

class TPen : public TPersistent {
public:
    TColor GetColor() const { return color_; }
    void SetColor(TColor color);
    int GetWidth() const { return width_; }
    void SetWidth(int width);
    TPenStyle GetStyle() const { return style_; }
    void SetStyle(TPenStyle style);
    HPEN GetHandle();
    void Assign(const TPersistent* source) override;
    TNotifyEvent OnChange;

private:
    void Changed();
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    ui::PenHandle handle_;
    std::uint32_t madeRGB_ = 0;
};

class TBitmap;

// Draws on a device context with its own font, brush and pen. The context is
// either handed in (SetHandle, not owned) or made by a subclass on demand.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    HDC GetHandle();
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return dc_ != nullptr; }

    TFont* GetFont() const { return font_.get(); }
    void SetFont(const TFont* font) { font_->Assign(font); }
    TBrush* GetBrush() const { return brush_.get(); }
    TPen* GetPen() const { return pen_.get(); }

    void TextOut(int x, int y, const std::string& text);
    // ExtTextOut clipped to the rectangle, on an opaque background unless the
    // brush is clear.
    void TextRect(const TRect& rect, int x, int y, const std::string& text);
    TSize TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    // The width of the text up to the end of each of its UTF-16 units.
    std::vector<int> TextEnds(const std::wstring& text);
    int DrawText(const std::string& text, TRect& rect, UINT format);

    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Polygon(const TPoint* points, int count);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    TColor GetPixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    void Draw(int x, int y, TBitmap* bitmap);
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
    // Copies sourceRect of a bitmap to dest with every pixel of the given
    // colour replaced by this canvas's brush.
    void BrushCopy(const TRect& dest, TBitmap* source, const TRect& sourceRect, TColor color);

    // Forgets the selected objects, putting back the context's own ones.
    void DeselectHandles();

protected:
    // Called when a drawing call needs a context and none is set.
    virtual void CreateHandle() {}
    virtual void FreeHandle();

private:
    enum State : unsigned { FontValid = 1, BrushValid = 2, PenValid = 4 };
    void Require(unsigned state);

    HDC dc_ = nullptr;
    unsigned state_ = 0;
    HGDIOBJ oldFont_ = nullptr, oldBrush_ = nullptr, oldPen_ = nullptr;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TPen> pen_;
};

// A picture in memory: a DIB section for colour pictures, a device-dependent
// bitmap for monochrome ones (so that colour/monochrome copies follow the
// text and background colour rules of BitBlt).
class TBitmap : public TPersistent {
public:
    TBitmap();
    ~TBitmap() override;

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    void SetSize(int width, int height);
    bool Empty() const { return width_ == 0 || height_ == 0; }

    bool GetMonochrome() const { return monochrome_; }
    void SetMonochrome(bool monochrome);
    int BitsPerPixel() const;

    HBITMAP GetHandle() const { return handle_.get(); }
    // Takes ownership of a bitmap handle.
    void SetHandle(HBITMAP bitmap);
    TCanvas* GetCanvas();
    HPALETTE GetPalette();
    void SetPalette(HPALETTE palette);  // keeps a copy

    // Raises EResNotFound "Resource <name> not found" when there is none.
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);
    // Copies another bitmap's pixels and format; none empties this one.
    void Assign(const TPersistent* source) override;
    // Gives back the drawing context and other device resources; the pixels stay.
    void ReleaseDeviceResources();

    // The bottom-left pixel's colour, palette-relative; white for monochrome.
    TColor GetTransparentColor();

    // Fired after the picture's size, format or pixels were replaced.
    TNotifyEvent OnChange;
    void Changed() { Fire(OnChange, this); }

private:
    class BitmapCanvas;
    void Replace(ui::BitmapHandle bitmap);
    void ReadFormat();

    ui::BitmapHandle handle_;
    ui::PaletteHandle palette_;
    // Released before the handle is selected anywhere else: a bitmap can be
    // selected into one device context at a time.
    std::unique_ptr<BitmapCanvas> canvas_;
    int width_ = 0, height_ = 0;
    bool monochrome_ = false;
};

class TIcon : public TPersistent {
public:
    HICON GetHandle() const { return handle_.get(); }
    void SetHandle(HICON icon) { handle_.reset(icon); Fire(OnChange, this); }  // takes ownership
    bool Empty() const { return !handle_; }
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);
    void Assign(const TPersistent* source) override;
    TNotifyEvent OnChange;

private:
    ui::IconHandle handle_;
};

namespace ui {
// A new 32-bit DIB section, white.
BitmapHandle CreateColorBitmap(int width, int height);
// A path as it fits in `width` pixels of the font: unchanged when it fits,
// otherwise shortened in its middle with "..." by the system's own rule
// (DT_PATH_ELLIPSIS), which keeps the text after the last backslash (the
// file's or folder's own name) whole as far as it can.
std::string FitPath(const std::string& path, HFONT font, int width);
}  // namespace ui
