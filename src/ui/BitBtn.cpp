#include "ui/BitBtn.h"

#include <algorithm>

#include "ui/Forms.h"
#include "ui/SysUtils.h"

namespace {

// Where a button puts a glyph and a caption of the given sizes: side by
// side with a gap, the pair centred; either may be empty.
struct TButtonLayout {
    TPoint Glyph;
    TRect Caption;
};

TButtonLayout LayoutButton(const TRect& client, TSize glyph, TSize caption, int spacing) {
    const int gap = glyph.cx > 0 && caption.cx > 0 ? spacing : 0;
    const int total = glyph.cx + gap + caption.cx;
    const int x = client.left + (RectWidth(client) - total) / 2;
    TButtonLayout l;
    l.Glyph = Point(x, client.top + (RectHeight(client) - glyph.cy) / 2);
    const int cx = x + glyph.cx + gap, cy = client.top + (RectHeight(client) - caption.cy) / 2;
    l.Caption = Rect(cx, cy, cx + caption.cx, cy + caption.cy);
    return l;
}

}  // namespace

TBitBtn::TBitBtn(TComponent* owner) : TWinControl(owner), glyph_(new TBitmap) {
    SetControlStyle({csSetCaption});
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBounds(GetLeft(), GetTop(), 75, 25);
    glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.StockClass = L"BUTTON";
    p.Style |= BS_OWNERDRAW;
}

void TBitBtn::CreateWnd() {
    TWinControl::CreateWnd();
    RegisterDefault();
}

void TBitBtn::SetParent(TWinControl* parent) {
    TWinControl::SetParent(parent);
    RegisterDefault();
}

void TBitBtn::SetNumGlyphs(int count) {
    count = std::max(count, 1);
    if (count == numGlyphs_) return;
    numGlyphs_ = count;
    Invalidate();
}

void TBitBtn::SetDefault(bool isDefault) {
    if (isDefault == default_) return;
    default_ = isDefault;
    if (TForm* form = GetParentForm()) {
        if (default_)
            form->SetDefaultButton(this);
        else if (form->GetDefaultButton() == this)
            form->SetDefaultButton(nullptr);
    }
    Invalidate();
}

void TBitBtn::RegisterDefault() {
    if (!default_) return;
    if (TForm* form = GetParentForm()) form->SetDefaultButton(this);
}

bool TBitBtn::ShowsDefaultFrame() const {
    if (Focused()) return true;
    if (!default_) return false;
    // Another push button with the focus takes Enter (and the frame) itself.
    HWND focus = ::GetFocus();
    if (!focus) return true;
    LRESULT code = ::SendMessageW(focus, WM_GETDLGCODE, 0, 0);
    return !(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

void TBitBtn::InvalidateDefaultButton() {
    TForm* form = GetParentForm();
    TControl* d = form ? form->GetDefaultButton() : nullptr;
    if (d && d != this) d->Invalidate();
}

void TBitBtn::TextChanged() { Invalidate(); }

void TBitBtn::EnabledChanged() { Invalidate(); }

bool TBitBtn::DialogChar(wchar_t key) {
    if (ui::IsAccel(key, GetCaption()) && CanFocus()) {
        Click();
        return true;
    }
    return false;
}

void TBitBtn::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            if (HIWORD(m.WParam) == BN_CLICKED) {
                Click();
                return;
            }
            break;
        case CN_DRAWITEM: {
            const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
            DrawButton(dis->hDC, dis->rcItem, (dis->itemState & ODS_SELECTED) != 0, (dis->itemState & ODS_FOCUS) != 0);
            m.Result = TRUE;
            return;
        }
        case WM_ERASEBKGND:
            m.Result = 1;  // the whole face is drawn with the item
            return;
        case WM_GETDLGCODE:
            m.Result = DLGC_BUTTON | (ShowsDefaultFrame() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TWinControl::WndProc(m);
            // The default frame moves between this button and the default one.
            Invalidate();
            InvalidateDefaultButton();
            return;
        default:
            break;
    }
    TWinControl::WndProc(m);
}

void TBitBtn::DrawButton(HDC dc, const TRect& bounds, bool pressed, bool focused) {
    const int w = RectWidth(bounds), h = RectHeight(bounds);
    if (w <= 0 || h <= 0) return;
    // Composed off-screen and copied in one go: no flicker while pressed.
    ui::MemoryDc mem(::CreateCompatibleDC(dc));
    ui::BitmapHandle bmp(mem ? ::CreateCompatibleBitmap(dc, w, h) : nullptr);
    if (!bmp) return;
    ui::SelectGuard select(mem.get(), bmp.get());
    TCanvas canvas;
    canvas.SetHandle(mem.get());

    TRect r = Rect(0, 0, w, h);
    if (ShowsDefaultFrame()) {
        canvas.GetBrush()->SetColor(clWindowFrame);
        canvas.FrameRect(r);
        ::InflateRect(&r, -1, -1);
    }
    if (pressed) {
        canvas.GetBrush()->SetColor(clBtnShadow);
        canvas.FrameRect(r);
        ::InflateRect(&r, -1, -1);
    } else {
        ::DrawEdge(mem.get(), &r, EDGE_RAISED, BF_RECT | BF_SOFT | BF_ADJUST);
    }
    canvas.GetBrush()->SetColor(GetColor());
    canvas.FillRect(r);

    canvas.SetFont(GetFont());
    const std::string caption = GetCaption();
    TRect textSize = Rect(0, 0, 0, 0);
    if (!caption.empty()) canvas.DrawText(caption, textSize, DT_SINGLELINE | DT_CALCRECT);
    TSize glyph{0, 0};
    if (!glyph_->Empty()) glyph = TSize{glyph_->GetWidth() / numGlyphs_, glyph_->GetHeight()};
    TRect content = Rect(0, 0, w, h);
    if (pressed) ::OffsetRect(&content, 1, 1);
    TButtonLayout layout = LayoutButton(content, glyph, TSize{textSize.right, textSize.bottom}, 4);

    if (glyph.cx > 0) DrawGlyph(&canvas, layout.Glyph.x, layout.Glyph.y);
    if (!caption.empty()) {
        canvas.GetBrush()->SetStyle(bsClear);
        TRect tr = layout.Caption;
        if (!GetEnabled()) {
            TRect lit = tr;
            ::OffsetRect(&lit, 1, 1);
            canvas.GetFont()->SetColor(clBtnHighlight);
            canvas.DrawText(caption, lit, DT_SINGLELINE);
            canvas.GetFont()->SetColor(clBtnShadow);
        }
        canvas.DrawText(caption, tr, DT_SINGLELINE);
    }
    if (focused) {
        TRect fr = Rect(0, 0, w, h);
        ::InflateRect(&fr, -4, -4);
        ::SetTextColor(mem.get(), ColorToRGB(clBtnText));
        ::SetBkColor(mem.get(), ColorToRGB(GetColor()));
        ::DrawFocusRect(mem.get(), &fr);
    }
    canvas.SetHandle(nullptr);
    ::BitBlt(dc, bounds.left, bounds.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

void TBitBtn::DrawGlyph(TCanvas* canvas, int x, int y) {
    const int gw = glyph_->GetWidth() / numGlyphs_, gh = glyph_->GetHeight();
    const TColor transparent = static_cast<TColor>(ColorToPlainRGB(glyph_->GetTransparentColor()));
    const bool enabled = GetEnabled();
    if (enabled || numGlyphs_ >= 2) {
        const int index = enabled ? 0 : 1;
        canvas->GetBrush()->SetColor(GetColor());
        canvas->BrushCopy(Bounds(x, y, gw, gh), glyph_.get(), Bounds(index * gw, 0, gw, gh), transparent);
        return;
    }
    // One picture only: disabled, its outline is embossed into the face.
    // The outline is every pixel that is neither the transparent colour
    // nor white (white parts are the picture's own highlights).
    HDC src = glyph_->GetCanvas()->GetHandle();
    ui::MemoryDc maskDc(::CreateCompatibleDC(nullptr));
    ui::BitmapHandle mask(::CreateBitmap(gw, gh, 1, 1, nullptr));
    ui::SelectGuard selectMask(maskDc.get(), mask.get());
    COLORREF oldBk = ::SetBkColor(src, ColorToRGB(transparent));
    ::BitBlt(maskDc.get(), 0, 0, gw, gh, src, 0, 0, NOTSRCCOPY);
    ::SetBkColor(src, RGB(255, 255, 255));
    ::BitBlt(maskDc.get(), 0, 0, gw, gh, src, 0, 0, 0x00220326);  // DSna: clears white pixels
    ::SetBkColor(src, oldBk);
    // Mask bits set (the outline) take the brush: D ^ (S & (P ^ D)).
    HDC dc = canvas->GetHandle();
    COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
    COLORREF oldBack = ::SetBkColor(dc, RGB(255, 255, 255));
    TBrush* brush = canvas->GetBrush();
    brush->SetColor(clBtnHighlight);
    {
        ui::SelectGuard b(dc, brush->GetHandle());
        ::BitBlt(dc, x + 1, y + 1, gw, gh, maskDc.get(), 0, 0, 0x00E20746);
    }
    brush->SetColor(clBtnShadow);
    {
        ui::SelectGuard b(dc, brush->GetHandle());
        ::BitBlt(dc, x, y, gw, gh, maskDc.get(), 0, 0, 0x00E20746);
    }
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBack);
}
