// Push buttons with a picture: the system's BUTTON control, drawn by the
// class library (BS_OWNERDRAW) so that it can show a glyph beside or instead
// of its caption.
//
// The glyph is a strip of NumGlyphs pictures of equal width: the first is
// drawn normally, the second while the button is disabled (with one picture,
// a disabled button shows it embossed). The strip's bottom-left pixel gives
// the colour that lets the button's face show through.
//
// A default button answers Enter anywhere on its form (through
// TForm::SetDefaultButton). As with the system's dialog buttons, the thick
// default frame is on the focused button, or on the default button while
// the focus is on a control that is not a push button.
#pragma once

#include <memory>

#include "ui/Controls.h"

class TBitBtn : public TWinControl {
public:
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;

    TBitmap* GetGlyph() const { return glyph_.get(); }
    void SetGlyph(const TBitmap* glyph) { glyph_->Assign(glyph); }
    int GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    bool GetDefault() const { return default_; }
    void SetDefault(bool isDefault);

    void SetParent(TWinControl* parent) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    bool DialogChar(wchar_t key) override;
    void TextChanged() override;
    void EnabledChanged() override;

private:
    void RegisterDefault();
    // The thick frame: this button speaks for Enter right now.
    bool ShowsDefaultFrame() const;
    void DrawButton(HDC dc, const TRect& bounds, bool pressed, bool focused);
    void DrawGlyph(TCanvas* canvas, int x, int y);
    void InvalidateDefaultButton();

    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    bool default_ = false;
};
