// The gradient caption bar: a component that a form owns and that paints the
// form's title bar itself, a colour gradient (or a solid colour) with three
// separately styled texts side by side: the company, the application name and
// the caption.
//
// The component subclasses the form's window for the window's whole life. It
// paints the bar on WM_NCPAINT and WM_NCACTIVATE and lets the system paint the
// rest of the frame through a clip region that leaves the bar out. It keeps
// the form's window text equal to the visible texts joined by spaces, and
// takes the caption text back from the window text, so a program that sets
// the form's caption directly changes what the bar shows.
//
// Wine draws a window's frame itself only when its X11 driver is told not to
// let the window manager decorate it ("Decorated" = "N"); under a window
// manager that decorates Wine's windows there is no frame to paint into and
// the bar is never seen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/Forms.h"

// How a text's font is made.
enum TFontKind : std::uint8_t {
    fkCustom,      // the text's own font, left as set
    fkSystem,      // the system caption font
    fkSystemI,     // ... in italics
    fkSystemB,     // ... in bold
    fkSystemBI,    // ... in bold italics
    fkAutoHeight,  // the text's own font, its height fitted to the system caption font
};

// When the gradient is drawn rather than a solid caption colour.
enum TGradEnabled : std::uint8_t { geAlways, geNever, geWhenActive, geSmart };

enum TCaptionButton { cbClose, cbMinimize, cbMaximize, cbHelp };
using TCaptionButtons = TSet<TCaptionButton>;

// The bar's rules, without a window: geometry, buttons, gradient bands, the
// choice of texts and the window text.
namespace gradcaption {

// The system metrics the bar's geometry depends on.
struct TFrameMetrics {
    int cxBorder = 1, cyBorder = 1;
    int cxDlgFrame = 3, cyDlgFrame = 3;
    int cxFrame = 4, cyFrame = 4;
    int cyCaption = 19, cySmCaption = 15;
    int cxSize = 18, cxSmSize = 12;
    int cxSmIcon = 16;
    static TFrameMetrics System();
};

// The window whose bar is laid out.
struct TCaptionFrame {
    int width = 0, height = 0;                    // the whole window, frame included
    TFormBorderStyle style = bsSizeable;
    TBorderIcons icons;
    bool newStyle = true;  // small icon at the left, button glyphs at the right
    bool iconic = false;
};

bool IsToolWindowStyle(TFormBorderStyle style);

// The caption bar in window coordinates; empty for bsNone.
TRect CaptionRect(const TCaptionFrame& frame, const TFrameMetrics& metrics);
// The bar less the room of its buttons (and of an old-style system-menu box).
TRect TextRect(const TCaptionFrame& frame, const TFrameMetrics& metrics);
TCaptionButtons ButtonSet(TFormBorderStyle style, TBorderIcons icons, bool newStyle);

// One caption button: where DrawFrameControl draws it and with which DFCS_ state.
struct TButtonFace {
    TRect rect;
    UINT state;
};
// Right to left: close, maximize (greyed without biMaximize), minimize
// (greyed without biMinimize), help.
std::vector<TButtonFace> ButtonFaces(const TRect& bar, TCaptionButtons buttons, TBorderIcons icons, int cxSmIcon,
                                     bool zoomed, bool iconic);

struct TGradientBand {
    int left, right;  // right is exclusive
    COLORREF color;
};
// `count` vertical bands from `start` at the left to `end` at the right,
// covering [left, right) without gaps; none when count is less than 1.
std::vector<TGradientBand> GradientBands(int left, int right, COLORREF start, COLORREF end, int count);
bool DrawsGradient(TGradEnabled enabled, bool active, int bitsPerPixel);

// Which texts fit in `available` pixels, from the widths of the visible texts
// (0 for a hidden one) and the caption text's own width whatever its visibility.
struct TTextChoice {
    bool company;
    bool appName;
    int total;
};
TTextChoice ChooseTexts(int available, int company, int appName, int caption, int captionAlone);
// Where the texts start: centred in old-style bars, at the left in new-style ones.
int TextsLeft(int left, int available, int total, bool newStyle);

// The contrast ratio of two colours by their relative luminance (sRGB), from
// 1 (the same lightness) to 21 (black and white).
double ContrastRatio(COLORREF a, COLORREF b);
// Whether a text colour stands out from a band colour: a clear difference
// in lightness (a contrast ratio of 2 or more) or, between strong colours,
// in hue (a CIE76 colour difference of 60 or more).
bool StandsOut(COLORREF text, COLORREF band);
// The colour a text is drawn in over the bands behind it: its declared
// colour where that stands out from every one of them, otherwise whichever
// of white and black has the better worst contrast with them. (The system's
// caption text colour is black on today's Windows, and the gradient starts
// at black.)
COLORREF ReadableTextColor(COLORREF declared, const std::vector<COLORREF>& behind);

struct TTextPart {
    std::string caption;
    bool visible;
};
// The form's window text: the visible texts joined by single spaces.
std::string JoinTexts(const TTextPart& company, const TTextPart& appName, const TTextPart& caption);
// The caption text inside a window text: what follows the company text and
// the application text, each followed by one space.
std::string CaptionFromWindowText(const std::string& windowText, const TTextPart& company, const TTextPart& appName);

// Whether a system of this version draws new-style captions.
bool IsNewStyleSystem(bool versionKnown, DWORD platformId, DWORD majorVersion);

// A font height that brings a font whose character height is `charHeight` to
// `wanted`, in the font's own sign convention (negative: character height,
// positive: cell height).
int FittedHeight(int height, int charHeight, int wanted);
// Takes a system caption font into a font object.
void AssignCaptionFont(const LOGFONTW& caption, TFont& font);

}  // namespace gradcaption

class TGradientCaption;

// One of the three texts of the bar.
class TCompanyText : public TPersistent {
public:
    explicit TCompanyText(TGradientCaption* owner);
    ~TCompanyText() override;

    virtual std::string GetCaption() const { return caption_; }
    virtual void SetCaption(const std::string& caption);
    // The caption as last stored, without looking at the form.
    const std::string& StoredCaption() const { return caption_; }

    TColor GetColorActive() const { return colorActive_; }
    void SetColorActive(TColor color);
    TColor GetColorInactive() const { return colorInactive_; }
    void SetColorInactive(TColor color);

    TFont* GetFont() const { return font_.get(); }
    // Takes the given font's attributes; an auto-height text keeps its kind
    // and has its height fitted, any other text becomes fkCustom.
    void SetFont(const TFont* font);
    TFontKind GetFontKind() const { return fontKind_; }
    void SetFontKind(TFontKind kind);
    // Whether the font belongs in a stored form: only a font that is not a
    // copy of the system's.
    bool IsFontStored() const { return fontKind_ == fkCustom || fontKind_ == fkAutoHeight; }

    bool GetVisible() const { return visible_; }
    void SetVisible(bool visible);

    TGradientCaption* GetOwner() const { return owner_; }

private:
    friend class TGradientCaption;
    // Makes the font as the kind says, without redrawing.
    void ApplyFontKind(TFontKind kind);

    std::string caption_;
    TColor colorActive_;
    TColor colorInactive_;
    std::unique_ptr<TFont> font_;
    TFontKind fontKind_ = fkSystem;
    TGradientCaption* owner_;
    bool visible_ = true;
};

class TAppNameText : public TCompanyText {
public:
    using TCompanyText::TCompanyText;
};

// The caption text is read back from the form's window text.
class TCaptionText : public TCompanyText {
public:
    using TCompanyText::TCompanyText;
    std::string GetCaption() const override;
};

class TGradientCaption : public TComponent {
public:
    // The owner must be a form: anything else raises EInvalidCast.
    explicit TGradientCaption(TComponent* owner);
    ~TGradientCaption() override;

    TCompanyText* GetCompanyText() const { return companyText_.get(); }
    TAppNameText* GetAppNameText() const { return appNameText_.get(); }
    TCaptionText* GetCaptionText() const { return captionText_.get(); }

    // The gradient's colour at the left end of the bar.
    TColor GetColor() const { return color_; }
    void SetColor(TColor color);
    TGradEnabled GetEnabled() const { return enabled_; }
    void SetEnabled(TGradEnabled enabled);
    // Colour bands of the gradient, 1 to 256.
    int GetNumColors() const { return numColors_; }
    void SetNumColors(int count);

    bool GetNewStyle() const { return newStyle_; }
    TFont* GetSystemFont() const { return systemFont_.get(); }
    TForm* GetForm() const { return form_; }

    // Fills a font with the system caption font (the stock system font when
    // the system will not tell).
    static void LoadSystemFont(TFont* font);
    // Makes the font's character height that of the system caption font.
    void FitFontHeight(TFont* font);

    bool IsFormActive() const;
    // Has the system recompute and repaint the frame (through WM_NCPAINT).
    void RedrawFrame();
    // Sets the form's window text from the visible texts.
    void UpdateFormCaption();

    // Paints the bar into the form's window; returns the painted rectangle in
    // window coordinates, empty when nothing was painted.
    TRect PaintCaption(bool active);
    TRect GetCaptionRect() const;
    TRect GetTextRect() const;
    TCaptionButtons GetButtonSet() const;

    // The steps of the painting, on any surface in window coordinates. The
    // icon and the texts move the left edge of the text rectangle they get.
    void DrawGradient(HDC surface, TColor start, const TRect& rect, TColor end) const;
    static void FillSolid(HDC surface, TColor color, const TRect& rect);
    void DrawFormIcon(HDC surface, TRect& textRect) const;
    void DrawCaptionButtons(HDC surface, const TRect& bar) const;
    static int MeasureCaptionPart(HDC surface, const TRect& textRect, const TCompanyText* text);
    // The text goes in its declared colour, or in black or white where that
    // would not stand out from the `bands` under it (none: kept as declared).
    static void DrawCaptionPart(HDC surface, TRect& textRect, bool active, const TCompanyText* text,
                                const std::vector<gradcaption::TGradientBand>& bands = {});
    // Composes the whole bar (background, icon, buttons, texts) on a surface
    // whose origin is the window's.
    void ComposeCaption(HDC surface, bool active, const TRect& bar, TRect textRect);

    // Every message of the form's window comes here first.
    void CaptionWndProc(TMessage& message);

protected:
    void Loaded() override;

private:
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    void HookForm();
    void UnhookForm();
    void NcPaint(TMessage& message);
    void NcActivate(TMessage& message);
    void SystemSettingsChanged(TMessage& message);
    void CallDefault(TMessage& message) const;
    gradcaption::TCaptionFrame Frame() const;

    std::unique_ptr<TFont> systemFont_;
    std::unique_ptr<TCompanyText> companyText_;
    std::unique_ptr<TAppNameText> appNameText_;
    std::unique_ptr<TCaptionText> captionText_;
    bool newStyle_ = true;
    TColor color_ = clBlack;
    TGradEnabled enabled_ = geSmart;
    int numColors_ = 64;
    TForm* form_ = nullptr;
    HWND wnd_ = nullptr;  // the hooked window; null once it is destroyed
    bool active_ = true;
    bool activeKnown_ = false;
};
