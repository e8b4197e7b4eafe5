#include "controls/TileImage.h"

TTileImage::TTileImage(TComponent* owner)
    : TGraphicControl(owner), workBitmap_(new TBitmap), image_(new TBitmap), maskBitmap_(new TBitmap) {
    SetControlStyle({csCaptureMouse, csClickEvents, csDoubleClicks});
    // Whatever changes the picture in place (a window definition loading it,
    // a caller drawing on it) prepares the tiles anew.
    image_->OnChange = [this](TObject*) { BuildTile(); };
    SetBounds(0, 0, 64, 64);
    SetAlign(alClient);
}

TTileImage::~TTileImage() {
    workBitmap_.reset();
    maskBitmap_.reset();
    image_.reset();
}

void TTileImage::SetImage(TBitmap* image) {
    if (!image) {
        // Nothing to show any more: no tiles, and no old picture that a later
        // change of colour or mode would bring back.
        image_->Assign(nullptr);
        return;
    }
    tranColor_ = image->GetTransparentColor();
    if (image == image_.get())
        BuildTile();
    else
        image_->Assign(image);
}

void TTileImage::SetTranColor(TColor color) {
    tranColor_ = color;
    BuildTile();
}

void TTileImage::SetFadeColor(TColor color) {
    fadeColor_ = color;
    BuildTile();
}

void TTileImage::SetTileMode(TTileMode mode) {
    if (mode == tileMode_) return;
    tileMode_ = mode;
    BuildTile();
}

void TTileImage::SetTransparent(bool transparent) {
    SetTileMode(transparent ? tmTransparent : tmNormal);
}

void TTileImage::SetFaded(bool faded) {
    if (faded)
        SetTileMode(tmFaded);
    else if (tileMode_ == tmFaded)
        SetTileMode(tmTransparent);
}

HPALETTE TTileImage::GetPalette() {
    if (workBitmap_->Empty()) return nullptr;
    switch (tileMode_) {
        case tmFaded: return maskBitmap_->GetPalette();  // the faded tile is made from the mask
        case tmTransparent: return workBitmap_->GetPalette();
        case tmNormal: break;
    }
    return image_->GetPalette();
}

TColor TTileImage::ParentColorNow() const {
    // Without a parent yet, the colour of the program's windows stands in.
    return GetParent() ? GetParent()->GetBrush()->GetColor() : clBtnFace;
}

void TTileImage::BuildTile() {
    workBitmap_->Assign(image_.get());
    maskBitmap_->Assign(image_.get());
    const int w = workBitmap_->GetWidth(), h = workBitmap_->GetHeight();
    if (!workBitmap_->Empty()) {
        HDC work = workBitmap_->GetCanvas()->GetHandle();
        const COLORREF savedBk = ::GetBkColor(work);
        maskBitmap_->SetSize(w, h);
        maskBitmap_->SetMonochrome(true);
        if (tileMode_ != tmNormal) {
            // Colour to monochrome: the pixels equal to the source's
            // background colour, as the picture's surface holds it, turn
            // white. The flag of a palette-relative colour stays, so it is
            // matched against the picture's own colours.
            ::SetBkColor(work, ColorToRGB(tranColor_));
            HDC mask = maskBitmap_->GetCanvas()->GetHandle();
            ::BitBlt(mask, 0, 0, w, h, work, 0, 0, SRCCOPY);
            if (tileMode_ == tmTransparent) {
                // Monochrome to colour: white bits take the background
                // colour, black ones the text colour; so the transparent
                // pixels turn black and the others keep their colour, ready
                // to be ORed onto what the mask leaves.
                ::SetBkColor(work, RGB(0, 0, 0));
                ::SetTextColor(work, RGB(255, 255, 255));
                ::BitBlt(work, 0, 0, w, h, mask, 0, 0, SRCAND);
                ::SetBkColor(work, savedBk);
            } else {
                maskBitmap_->SetMonochrome(false);
                workBitmap_->Assign(maskBitmap_.get());
                const TRect all = Rect(0, 0, w, h);
                TCanvas* canvas = workBitmap_->GetCanvas();
                canvas->GetBrush()->SetColor(fadeColor_);
                canvas->BrushCopy(all, maskBitmap_.get(), all, clBlack);
                // A fade colour that is pure white goes the parent's way too.
                canvas->GetBrush()->SetColor(ParentColorNow());
                canvas->BrushCopy(all, workBitmap_.get(), all, clWhite);
            }
        }
    }
    Invalidate();
}

void TTileImage::Paint() {
    TCanvas* canvas = GetCanvas();
    if (workBitmap_->Empty()) {
        return;
    }
    const int tw = workBitmap_->GetWidth(), th = workBitmap_->GetHeight();
    const int width = GetWidth(), height = GetHeight();
    HDC dc = canvas->GetHandle();
    ui::DcStateGuard state(dc);
    // A monochrome bitmap copied onto colour takes the text colour for its
    // black bits and the background colour for its white ones; the
    // transparent mode's mask needs exactly black and white, whatever the
    // colour scheme.
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    HDC work = workBitmap_->GetCanvas()->GetHandle();
    HDC mask = tileMode_ == tmTransparent ? maskBitmap_->GetCanvas()->GetHandle() : nullptr;
    HDC picture = tileMode_ == tmNormal ? image_->GetCanvas()->GetHandle() : nullptr;
    for (int y = 0; y < height; y += th) {
        for (int x = 0; x < width; x += tw) {
            switch (tileMode_) {
                case tmFaded:
                    ::BitBlt(dc, x, y, tw, th, work, 0, 0, SRCCOPY);
                    break;
                case tmNormal:
                    ::BitBlt(dc, x, y, tw, th, picture, 0, 0, SRCCOPY);
                    break;
                case tmTransparent:
                    // The mask keeps what lies under the transparent pixels
                    // and blackens the rest; the picture goes into the black.
                    ::BitBlt(dc, x, y, tw, th, mask, 0, 0, SRCAND);
                    ::BitBlt(dc, x, y, tw, th, work, 0, 0, SRCPAINT);
                    break;
            }
        }
    }
}
