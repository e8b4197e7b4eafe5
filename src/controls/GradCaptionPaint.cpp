// The painting of the gradient caption bar: where the bar and its texts go,
// which buttons it shows, the gradient bands, the icon, the glyphs and the
// texts, composed off-screen and copied to the window in one BitBlt.
#include "controls/GradCaption.h"

#include <algorithm>
#include <cmath>

#include "ui/SysUtils.h"
#include "base/Unicode.h"

namespace gradcaption {

TFrameMetrics TFrameMetrics::System() {
    TFrameMetrics m;
    m.cxBorder = ::GetSystemMetrics(SM_CXBORDER);
    m.cyBorder = ::GetSystemMetrics(SM_CYBORDER);
    m.cxDlgFrame = ::GetSystemMetrics(SM_CXDLGFRAME);
    m.cyDlgFrame = ::GetSystemMetrics(SM_CYDLGFRAME);
    m.cxFrame = ::GetSystemMetrics(SM_CXFRAME);
    m.cyFrame = ::GetSystemMetrics(SM_CYFRAME);
    m.cyCaption = ::GetSystemMetrics(SM_CYCAPTION);
    m.cySmCaption = ::GetSystemMetrics(SM_CYSMCAPTION);
    m.cxSize = ::GetSystemMetrics(SM_CXSIZE);
    m.cxSmSize = ::GetSystemMetrics(SM_CXSMSIZE);
    m.cxSmIcon = ::GetSystemMetrics(SM_CXSMICON);
    return m;
}

bool IsToolWindowStyle(TFormBorderStyle style) { return style == bsToolWindow || style == bsSizeToolWin; }

TRect CaptionRect(const TCaptionFrame& f, const TFrameMetrics& m) {
    if (f.style == bsNone) return Rect(0, 0, 0, 0);
    TRect r = Rect(0, 0, f.width, f.height);
    if (f.iconic) {
        if (f.newStyle)
            ::InflateRect(&r, -m.cxDlgFrame, -m.cyDlgFrame);
        else
            ::InflateRect(&r, -(m.cxBorder + m.cxDlgFrame), -(m.cyBorder + m.cyDlgFrame));
    } else if (f.style == bsSizeable || f.style == bsSizeToolWin) {
        ::InflateRect(&r, -m.cxFrame, -m.cyFrame);
    } else {
        ::InflateRect(&r, -m.cxDlgFrame, -m.cyDlgFrame);
    }
    r.bottom = r.top + (IsToolWindowStyle(f.style) ? m.cySmCaption : m.cyCaption) - 1;
    return r;
}

TRect TextRect(const TCaptionFrame& f, const TFrameMetrics& m) {
    TRect r = CaptionRect(f, m);
    const int b = m.cxSize;
    const bool minMax = f.icons.Contains(biMinimize) || f.icons.Contains(biMaximize);
    const bool singleOrSizeable = f.style == bsSingle || f.style == bsSizeable;
    if (IsToolWindowStyle(f.style)) {
        r.right -= m.cxSmSize + 2;
    } else if (f.style != bsNone) {
        if (f.icons.Contains(biSystemMenu) && f.newStyle) r.right -= b + 2;
        if (f.icons.Contains(biHelp) && (f.style == bsDialog || (singleOrSizeable && !minMax))) r.right -= b + 2;
        if (f.icons.Contains(biSystemMenu) && !f.newStyle &&
            (f.style == bsSingle || f.style == bsSizeable))
            r.left += b;  // the old-style system-menu box
        if (f.style != bsDialog) {
            if (f.newStyle) {
                if (minMax) r.right -= 2 * b;
            } else {
                if (f.icons.Contains(biMinimize)) r.right -= b;
                if (f.icons.Contains(biMaximize)) r.right -= b;
            }
        }
    }
    if (r.left >= r.right) r.right = r.left + 2;
    return r;
}

TCaptionButtons ButtonSet(TFormBorderStyle style, TBorderIcons icons, bool newStyle) {
    if (style == bsNone) return {};
    if (IsToolWindowStyle(style)) return {cbClose};
    TCaptionButtons set;
    const bool minMax = icons.Contains(biMinimize) || icons.Contains(biMaximize);
    if (icons.Contains(biSystemMenu) && newStyle) set.Include(cbClose);
    if (icons.Contains(biHelp) && (style == bsDialog || ((style == bsSingle || style == bsSizeable) && !minMax)))
        set.Include(cbHelp);
    if (style == bsDialog) return set;
    if (newStyle) {
        if (minMax) set.Include(cbMinimize).Include(cbMaximize);
    } else {
        set.Set(cbMinimize, icons.Contains(biMinimize));
        set.Set(cbMaximize, icons.Contains(biMaximize));
    }
    return set;
}

std::vector<TButtonFace> ButtonFaces(const TRect& bar, TCaptionButtons buttons, TBorderIcons icons, int cxSmIcon,
                                     bool zoomed, bool iconic) {
    std::vector<TButtonFace> faces;
    TRect r = bar;
    ::InflateRect(&r, -2, -2);
    const int w = cxSmIcon;
    r.left = r.right - w;
    if (buttons.Contains(cbClose)) {
        faces.push_back({r, DFCS_CAPTIONCLOSE});
        ::OffsetRect(&r, -(w + 2), 0);
    }
    if (buttons.Contains(cbMaximize)) {
        UINT state = zoomed ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX;
        if (!icons.Contains(biMaximize)) state |= DFCS_INACTIVE;
        faces.push_back({r, state});
        ::OffsetRect(&r, -w, 0);
    }
    if (buttons.Contains(cbMinimize)) {
        UINT state = iconic ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN;
        if (!icons.Contains(biMinimize)) state |= DFCS_INACTIVE;
        faces.push_back({r, state});
        ::OffsetRect(&r, -w, 0);
    }
    if (buttons.Contains(cbHelp)) faces.push_back({r, DFCS_CAPTIONHELP});
    return faces;
}

std::vector<TGradientBand> GradientBands(int left, int right, COLORREF start, COLORREF end, int count) {
    std::vector<TGradientBand> bands;
    if (count < 1) return bands;
    bands.reserve(static_cast<std::size_t>(count));
    const int width = right - left;
    const int r1 = GetRValue(start), g1 = GetGValue(start), b1 = GetBValue(start);
    const int r2 = GetRValue(end), g2 = GetGValue(end), b2 = GetBValue(end);
    for (int i = 0; i < count; ++i) {
        TGradientBand band;
        band.left = left + ::MulDiv(i, width, count);
        band.right = left + ::MulDiv(i + 1, width, count);
        if (count == 1) {
            band.color = RGB(r1, g1, b1);
        } else {
            band.color = RGB((r1 + ::MulDiv(i, r2 - r1, count - 1)) & 0xFF,
                             (g1 + ::MulDiv(i, g2 - g1, count - 1)) & 0xFF,
                             (b1 + ::MulDiv(i, b2 - b1, count - 1)) & 0xFF);
        }
        bands.push_back(band);
    }
    return bands;
}

bool DrawsGradient(TGradEnabled enabled, bool active, int bitsPerPixel) {
    switch (enabled) {
        case geAlways: return true;
        case geNever: return false;
        case geWhenActive: return active;
        case geSmart: return active ? bitsPerPixel >= 8 : bitsPerPixel > 8;
    }
    return false;
}

TTextChoice ChooseTexts(int available, int company, int appName, int caption, int captionAlone) {
    if (company + appName + caption < available) return {true, true, company + appName + caption};
    if (appName + caption < available) return {false, true, appName + caption};
    return {false, false, captionAlone};
}

int TextsLeft(int left, int available, int total, bool newStyle) {
    if (!newStyle && total < available) return left + (available - total) / 2;
    return left;
}

namespace {

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF c) {
    return 0.2126 * Linear(GetRValue(c)) + 0.7152 * Linear(GetGValue(c)) + 0.0722 * Linear(GetBValue(c));
}

// CIE L*a*b* under D65.
struct Lab {
    double l, a, b;
};
Lab ToLab(COLORREF c) {
    const double r = Linear(GetRValue(c)), g = Linear(GetGValue(c)), b = Linear(GetBValue(c));
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    const double x = f((0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047);
    const double y = f(0.2126 * r + 0.7152 * g + 0.0722 * b);
    const double z = f((0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883);
    return {116 * y - 16, 500 * (x - y), 200 * (y - z)};
}

double WorstContrast(COLORREF text, const std::vector<COLORREF>& behind) {
    double worst = 21;
    for (COLORREF band : behind) worst = std::min(worst, ContrastRatio(text, band));
    return worst;
}

}  // namespace

double ContrastRatio(COLORREF a, COLORREF b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool StandsOut(COLORREF text, COLORREF band) {
    if (ContrastRatio(text, band) >= 2) return true;
    const Lab t = ToLab(text), b = ToLab(band);
    return std::hypot(t.l - b.l, t.a - b.a, t.b - b.b) >= 60;
}

COLORREF ReadableTextColor(COLORREF declared, const std::vector<COLORREF>& behind) {
    if (std::all_of(behind.begin(), behind.end(), [&](COLORREF band) { return StandsOut(declared, band); }))
        return declared;
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    return WorstContrast(white, behind) >= WorstContrast(black, behind) ? white : black;
}

}  // namespace gradcaption

using namespace gradcaption;

namespace {

const UINT kTextFormat = DT_SINGLELINE | DT_VCENTER;

// Fills a rectangle with a brush of its own, as PATCOPY does.
void PatFill(HDC surface, COLORREF color, const TRect& r) {
    ui::BrushHandle brush(::CreateSolidBrush(color));
    if (!brush) throw EOutOfResources("Out of system resources");
    ui::SelectGuard select(surface, brush.get());
    ::PatBlt(surface, r.left, r.top, r.right - r.left, r.bottom - r.top, PATCOPY);
}

}  // namespace

TCaptionFrame TGradientCaption::Frame() const {
    TCaptionFrame f;
    RECT window{};
    if (wnd_) ::GetWindowRect(wnd_, &window);
    f.width = window.right - window.left;
    f.height = window.bottom - window.top;
    f.style = form_->GetBorderStyle();
    f.icons = form_->GetBorderIcons();
    f.newStyle = newStyle_;
    f.iconic = wnd_ && ::IsIconic(wnd_);
    return f;
}

TRect TGradientCaption::GetCaptionRect() const { return CaptionRect(Frame(), TFrameMetrics::System()); }

TRect TGradientCaption::GetTextRect() const { return TextRect(Frame(), TFrameMetrics::System()); }

TCaptionButtons TGradientCaption::GetButtonSet() const {
    return ButtonSet(form_->GetBorderStyle(), form_->GetBorderIcons(), newStyle_);
}

void TGradientCaption::DrawGradient(HDC surface, TColor start, const TRect& r, TColor end) const {
    // One brush per band; at most 256 of them.
    for (const TGradientBand& band : GradientBands(r.left, r.right, ColorToPlainRGB(start), ColorToPlainRGB(end),
                                                   numColors_))
        PatFill(surface, band.color, Rect(band.left, r.top, band.right, r.bottom));
}

void TGradientCaption::FillSolid(HDC surface, TColor color, const TRect& r) {
    PatFill(surface, ColorToRGB(color), r);
}

void TGradientCaption::DrawFormIcon(HDC surface, TRect& t) const {
    t.left += 1;
    HICON icon = form_->GetIcon()->GetHandle();
    if (!icon && Application) icon = Application->GetIcon()->GetHandle();
    if (!icon) icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    int cx = ::GetSystemMetrics(SM_CXSMICON);
    if (cx == 0) cx = ::GetSystemMetrics(SM_CXSIZE);
    int cy = ::GetSystemMetrics(SM_CYSMICON);
    if (cy == 0) cy = ::GetSystemMetrics(SM_CYSIZE);
    ui::IconHandle small(static_cast<HICON>(::CopyImage(icon, IMAGE_ICON, cx, cy, LR_COPYFROMRESOURCE)));
    // An icon that was not loaded from a resource cannot be copied that way;
    // DrawIconEx scales it instead.
    ::DrawIconEx(surface, t.left + 1, t.top + 1, small ? small.get() : icon, small ? 0 : cx, small ? 0 : cy, 0,
                 nullptr, DI_NORMAL);
    t.left += ::GetSystemMetrics(SM_CXSMICON) + 1;
}

void TGradientCaption::DrawCaptionButtons(HDC surface, const TRect& bar) const {
    for (TButtonFace face : ButtonFaces(bar, GetButtonSet(), form_->GetBorderIcons(),
                                        ::GetSystemMetrics(SM_CXSMICON), wnd_ && ::IsZoomed(wnd_),
                                        wnd_ && ::IsIconic(wnd_)))
        ::DrawFrameControl(surface, &face.rect, DFC_CAPTION, face.state);
}

int TGradientCaption::MeasureCaptionPart(HDC surface, const TRect& t, const TCompanyText* text) {
    ui::SelectGuard select(surface, text->GetFont()->GetHandle());
    TRect m = t;
    const std::wstring caption = base::Wide(text->StoredCaption());
    ::DrawTextW(surface, caption.data(), static_cast<int>(caption.size()), &m, DT_CALCRECT | kTextFormat);
    return m.right - m.left + 3;
}

void TGradientCaption::DrawCaptionPart(HDC surface, TRect& t, bool active, const TCompanyText* text,
                                       const std::vector<TGradientBand>& bands) {
    t.left += 3;
    ui::DcStateGuard state(surface);  // text colour, background mode and font come back
    ::SetBkMode(surface, TRANSPARENT);
    ::SelectObject(surface, text->GetFont()->GetHandle());
    const std::wstring caption = base::Wide(text->StoredCaption());
    TRect m = t;
    ::DrawTextW(surface, caption.data(), static_cast<int>(caption.size()), &m, DT_CALCRECT | kTextFormat);
    // The bands the text lies over, as far as it is drawn.
    const int right = std::min(m.right, t.right);
    std::vector<COLORREF> behind;
    for (const TGradientBand& band : bands)
        if (band.left < right && band.right > t.left) behind.push_back(band.color);
    ::SetTextColor(surface, ReadableTextColor(ColorToPlainRGB(active ? text->GetColorActive() : text->GetColorInactive()),
                                              behind));
    ::DrawTextW(surface, caption.data(), static_cast<int>(caption.size()), &t, DT_END_ELLIPSIS | kTextFormat);
    t.left = m.right;
}

void TGradientCaption::ComposeCaption(HDC surface, bool active, const TRect& bar, TRect t) {
    TColor base = active ? clActiveCaption : clInactiveCaption;
    // The bands behind the texts, whose colours the texts must stand out from.
    std::vector<TGradientBand> bands;
    if (DrawsGradient(enabled_, active, ::GetDeviceCaps(surface, BITSPIXEL))) {
        DrawGradient(surface, color_, bar, base);
        bands = GradientBands(bar.left, bar.right, ColorToPlainRGB(color_), ColorToPlainRGB(base), numColors_);
    } else {
        FillSolid(surface, base, bar);
        bands.push_back({bar.left, bar.right, ColorToRGB(base)});
    }

    TBorderIcons icons = form_->GetBorderIcons();
    TFormBorderStyle style = form_->GetBorderStyle();
    if (newStyle_ && icons.Contains(biSystemMenu) && (style == bsSingle || style == bsSizeable))
        DrawFormIcon(surface, t);
    if (newStyle_) DrawCaptionButtons(surface, bar);

    // The bar follows the form's window text.
    captionText_->caption_ = captionText_->GetCaption();

    auto widthOf = [&](const TCompanyText* text) {
        return text->GetVisible() ? MeasureCaptionPart(surface, t, text) : 0;
    };
    const int available = t.right - t.left;
    TTextChoice choice = ChooseTexts(available, widthOf(companyText_.get()), widthOf(appNameText_.get()),
                                     widthOf(captionText_.get()), MeasureCaptionPart(surface, t, captionText_.get()));
    t.left = TextsLeft(t.left, available, choice.total, newStyle_);

    if (choice.company && companyText_->GetVisible() && !companyText_->caption_.empty())
        DrawCaptionPart(surface, t, active, companyText_.get(), bands);
    if (choice.appName && appNameText_->GetVisible() && !appNameText_->caption_.empty())
        DrawCaptionPart(surface, t, active, appNameText_.get(), bands);
    if (captionText_->GetVisible()) DrawCaptionPart(surface, t, active, captionText_.get(), bands);
}

TRect TGradientCaption::PaintCaption(bool active) {
    const TRect none = Rect(0, 0, 0, 0);
    if (!wnd_) return none;
    if (form_->GetBorderStyle() == bsNone) return none;

    ui::WindowDc wdc(wnd_, true);
    if (!wdc) return none;
    ui::MemoryDc mdc(::CreateCompatibleDC(wdc.get()));
    if (!mdc) return none;
    TRect t = GetTextRect();
    // New-style bars are painted whole, buttons included; old-style ones leave
    // the buttons and the system-menu box to the system.
    TRect q = newStyle_ ? GetCaptionRect() : t;
    if (::IsRectEmpty(&q)) return none;
    // The bitmap starts at the window's origin, so both surfaces share coordinates.
    ui::BitmapHandle bmp(::CreateCompatibleBitmap(wdc.get(), q.right, q.bottom));
    if (!bmp) return none;
    ui::SelectGuard select(mdc.get(), bmp.get());

    ComposeCaption(mdc.get(), active, q, t);
    ::BitBlt(wdc.get(), q.left, q.top, q.right - q.left, q.bottom - q.top, mdc.get(), q.left, q.top, SRCCOPY);
    return q;
}
