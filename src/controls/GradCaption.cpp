// The gradient caption bar: its texts, fonts, window hook and messages. The
// painting of the bar is in GradCaptionPaint.cpp.
//
// Known differences from a plain reading of the classic design:
// - RedrawFrame does not activate the window (SWP_NOACTIVATE): a setting
//   change broadcast to every top-level window must not bring a hidden form
//   to the front.
// - A bar that goes away tells the system the activation state it missed,
//   so the system's own caption comes back in the right colours.
// - After WM_SETTEXT the bar is painted again at once: DefWindowProc redraws
//   the title itself, without WM_NCPAINT, and would leave the system's
//   caption showing until the next activation.
// - A positive caption font height from the system is a cell height, and is
//   kept as one; FitFontHeight works for cell heights as well as for
//   character heights.
#include "controls/GradCaption.h"

#include <commctrl.h>

#include <cwchar>

#include "ui/Guarded.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"

namespace gradcaption {

std::string JoinTexts(const TTextPart& company, const TTextPart& appName, const TTextPart& caption) {
    std::string s;
    if (company.visible) {
        s += company.caption;
        if (!company.caption.empty() && (appName.visible || caption.visible)) s += ' ';
    }
    if (appName.visible) {
        s += appName.caption;
        if (!appName.caption.empty() && caption.visible) s += ' ';
    }
    if (caption.visible) s += caption.caption;
    return s;
}

namespace {

// Drops what precedes and includes the first occurrence of a visible text,
// then one space.
void SkipPart(std::string& s, const TTextPart& part) {
    if (!part.visible) return;
    if (!part.caption.empty()) {
        std::size_t at = s.find(part.caption);
        if (at != std::string::npos) s.erase(0, at + part.caption.size());
    }
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
}

}  // namespace

std::string CaptionFromWindowText(const std::string& windowText, const TTextPart& company, const TTextPart& appName) {
    std::string s = windowText;
    SkipPart(s, company);
    SkipPart(s, appName);
    return s;
}

bool IsNewStyleSystem(bool versionKnown, DWORD platformId, DWORD majorVersion) {
    if (!versionKnown) return false;
    switch (platformId) {
        case VER_PLATFORM_WIN32s: return false;
        case VER_PLATFORM_WIN32_WINDOWS: return true;
        case VER_PLATFORM_WIN32_NT: return majorVersion >= 4;
        default: return true;
    }
}

int FittedHeight(int height, int charHeight, int wanted) {
    if (height == 0) height = -charHeight;  // the default size: start from what it gave
    int excess = charHeight - wanted;
    return height < 0 ? height + excess : height - excess;
}

void AssignCaptionFont(const LOGFONTW& caption, TFont& font) {
    // The face name need not end within the record.
    font.SetName(base::Utf8(std::wstring_view(caption.lfFaceName, wcsnlen(caption.lfFaceName, LF_FACESIZE))));
    font.SetHeight(caption.lfHeight);
    TFontStyles style;
    style.Set(fsItalic, caption.lfItalic != 0);
    style.Set(fsBold, caption.lfWeight > FW_MEDIUM);
    font.SetStyle(style);
    font.SetPitch(fpDefault);
}

}  // namespace gradcaption

namespace {

// The one id under which the caption bar subclasses a form's window.
constexpr UINT_PTR kCaptionSubclassId = 0x47436170;  // "GCap"

bool SystemDrawsNewStyleCaptions() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    static_assert(sizeof(OSVERSIONINFOW) == 276, "the version record the system expects");
    BOOL known = ::GetVersionExW(&info);
    return gradcaption::IsNewStyleSystem(known != FALSE, info.dwPlatformId, info.dwMajorVersion);
}

// Character height (cell height less internal leading) of a font.
int CharHeightOf(HDC dc, HFONT font) {
    ui::SelectGuard select(dc, font);
    TEXTMETRICW tm{};
    if (!::GetTextMetricsW(dc, &tm)) return 0;
    return tm.tmHeight - tm.tmInternalLeading;
}

// Stops the window from drawing while its text changes; the frame is
// repainted (through the hook) when the lock goes.
class WindowUpdateLock {
public:
    explicit WindowUpdateLock(HWND wnd) : locked_(wnd && ::LockWindowUpdate(wnd)) {}
    ~WindowUpdateLock() { if (locked_) ::LockWindowUpdate(nullptr); }
    WindowUpdateLock(const WindowUpdateLock&) = delete;
    WindowUpdateLock& operator=(const WindowUpdateLock&) = delete;

private:
    bool locked_;
};

}  // namespace

// ======================================================================== texts

TCompanyText::TCompanyText(TGradientCaption* owner)
    : colorActive_(clCaptionText), colorInactive_(clInactiveCaptionText), font_(new TFont), owner_(owner) {
    font_->Assign(owner->GetSystemFont());
}

TCompanyText::~TCompanyText() = default;

void TCompanyText::SetCaption(const std::string& caption) {
    caption_ = caption;
    owner_->UpdateFormCaption();
}

void TCompanyText::SetColorActive(TColor color) {
    colorActive_ = color;
}

void TCompanyText::SetColorInactive(TColor color) {
    colorInactive_ = color;
}

void TCompanyText::SetFont(const TFont* font) {
    font_->Assign(font);
    if (fontKind_ == fkAutoHeight)
        owner_->FitFontHeight(font_.get());
    else
        fontKind_ = fkCustom;
}

void TCompanyText::SetFontKind(TFontKind kind) {
    ApplyFontKind(kind);
}

void TCompanyText::ApplyFontKind(TFontKind kind) {
    fontKind_ = kind;
    TFontStyles added;
    switch (kind) {
        case fkCustom:
            return;
        case fkAutoHeight:
            owner_->FitFontHeight(font_.get());
            return;
        case fkSystem:
            break;
        case fkSystemI:
            added = {fsItalic};
            break;
        case fkSystemB:
            added = {fsBold};
            break;
        case fkSystemBI:
            added = {fsBold, fsItalic};
            break;
    }
    font_->Assign(owner_->GetSystemFont());
    font_->SetStyle(font_->GetStyle() + added);
}

void TCompanyText::SetVisible(bool visible) {
    visible_ = visible;
    owner_->UpdateFormCaption();
}

std::string TCaptionText::GetCaption() const {
    TGradientCaption* owner = GetOwner();
    TForm* form = owner->GetForm();
    if (!form) return std::string();
    try {
        const TCompanyText* company = owner->GetCompanyText();
        const TCompanyText* appName = owner->GetAppNameText();
        return gradcaption::CaptionFromWindowText(form->GetCaption(),
                                                  {company->GetCaption(), company->GetVisible()},
                                                  {appName->GetCaption(), appName->GetVisible()});
    } catch (const std::exception&) {
        return std::string();
    }
}

// ======================================================================== TGradientCaption

TGradientCaption::TGradientCaption(TComponent* owner) : TComponent(owner) {
    form_ = dynamic_cast<TForm*>(owner);
    if (!form_) throw EInvalidCast("Invalid class typecast");
    wnd_ = form_->GetHandle();
    newStyle_ = SystemDrawsNewStyleCaptions();
    systemFont_.reset(new TFont);
    LoadSystemFont(systemFont_.get());  // on failure the members go with the half-made object
    companyText_.reset(new TCompanyText(this));
    appNameText_.reset(new TAppNameText(this));
    captionText_.reset(new TCaptionText(this));
    HookForm();
}

TGradientCaption::~TGradientCaption() {
    UnhookForm();
    appNameText_.reset();
    captionText_.reset();
    companyText_.reset();
    systemFont_.reset();
    // Give the title bar back to the system, unless the window goes too. The
    // system never saw the activation messages the bar took, so it hears the
    // state it missed first.
    if (!form_->IsDestroying()) {
        if (!wnd_ && form_->HandleAllocated()) wnd_ = form_->GetHandle();
        if (wnd_) ::SendMessageW(wnd_, WM_NCACTIVATE, IsFormActive(), 0);
        RedrawFrame();
    }
}

void TGradientCaption::Loaded() {
    TComponent::Loaded();
    // The form's window was made again while the form was being read.
    HWND current = form_->GetHandle();
    if (current != wnd_) {
        UnhookForm();
        HookForm();
    }
}

void TGradientCaption::HookForm() {
    wnd_ = form_->GetHandle();
    ::SetWindowSubclass(wnd_, SubclassProc, kCaptionSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TGradientCaption::UnhookForm() {
    if (wnd_ && ::IsWindow(wnd_)) ::RemoveWindowSubclass(wnd_, SubclassProc, kCaptionSubclassId);
}

LRESULT CALLBACK TGradientCaption::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR data) {
    auto* self = reinterpret_cast<TGradientCaption*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(wnd, SubclassProc, kCaptionSubclassId);
        if (self->wnd_ == wnd) {
            self->wnd_ = nullptr;
            // What the bar heard of this window's activation says nothing of
            // the form's next window.
            self->activeKnown_ = false;
        }
        return ::DefSubclassProc(wnd, msg, wParam, lParam);
    }
    TMessage m{msg, wParam, lParam, 0};
    ui::Guarded(
        [&] {
            self->CaptionWndProc(m);
            return true;
        },
        false);
    return m.Result;
}

void TGradientCaption::CallDefault(TMessage& m) const {
    m.Result = ::DefSubclassProc(wnd_, m.Msg, m.WParam, m.LParam);
}

void TGradientCaption::CaptionWndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_NCPAINT:
            NcPaint(m);
            break;
        case WM_NCACTIVATE:
            NcActivate(m);
            break;
        case WM_DISPLAYCHANGE:
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            SystemSettingsChanged(m);
            break;
        case WM_SETTEXT:
            CallDefault(m);
            if (::IsWindowVisible(wnd_)) PaintCaption(IsFormActive());
            break;
        default:
            CallDefault(m);
            break;
    }
}

void TGradientCaption::NcPaint(TMessage& m) {
    TRect painted = PaintCaption(IsFormActive());
    // The system paints what was asked for, less the bar: the update region
    // (screen coordinates; 1 stands for the whole frame) without the painted
    // rectangle.
    RECT window;
    ::GetWindowRect(wnd_, &window);
    ui::RegionHandle rgn(::CreateRectRgnIndirect(&window));
    if (!rgn) return CallDefault(m);
    if (m.WParam > 1) {
        ui::RegionHandle asked(::CreateRectRgn(0, 0, 0, 0));
        if (asked && ::CombineRgn(asked.get(), reinterpret_cast<HRGN>(m.WParam), nullptr, RGN_COPY) != ERROR)
            rgn = std::move(asked);
    }
    if (!::IsRectEmpty(&painted)) {
        ui::RegionHandle bar(::CreateRectRgn(painted.left + window.left, painted.top + window.top,
                                             painted.right + window.left, painted.bottom + window.top));
        if (bar) ::CombineRgn(rgn.get(), rgn.get(), bar.get(), RGN_DIFF);
    }
    m.Result = ::DefSubclassProc(wnd_, WM_NCPAINT, reinterpret_cast<WPARAM>(rgn.get()), m.LParam);
}

void TGradientCaption::NcActivate(TMessage& m) {
    active_ = m.WParam != 0;
    activeKnown_ = true;
    // On new-style systems an ordinary form gets none of the system's own
    // activation painting; the bar is all there is to repaint.
    if (!newStyle_ || form_->GetFormStyle() == fsMDIChild) CallDefault(m);
    PaintCaption(active_);
    m.Result = 1;
}

void TGradientCaption::SystemSettingsChanged(TMessage& m) {
    CallDefault(m);
    LoadSystemFont(systemFont_.get());
    appNameText_->ApplyFontKind(appNameText_->GetFontKind());
    captionText_->ApplyFontKind(captionText_->GetFontKind());
    companyText_->ApplyFontKind(companyText_->GetFontKind());
    RedrawFrame();
}

bool TGradientCaption::IsFormActive() const {
    if (activeKnown_) return active_;
    if (!wnd_) return false;
    HWND active = ::GetActiveWindow();
    if (active == wnd_) return true;
    if (form_->GetFormStyle() != fsMDIChild || !Application) return false;
    TForm* main = Application->GetMainForm();
    if (!main || !main->HandleAllocated()) return false;
    HWND client = ::FindWindowExW(main->GetHandle(), nullptr, L"MDICLIENT", nullptr);
    return client && reinterpret_cast<HWND>(::SendMessageW(client, WM_MDIGETACTIVE, 0, 0)) == wnd_ &&
           active == main->GetHandle();
}

void TGradientCaption::RedrawFrame() {
    if (!wnd_) return;
    ::SetWindowPos(wnd_, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TGradientCaption::UpdateFormCaption() {
    std::string text = gradcaption::JoinTexts({companyText_->caption_, companyText_->visible_},
                                              {appNameText_->caption_, appNameText_->visible_},
                                              {captionText_->caption_, captionText_->visible_});
    WindowUpdateLock lock(wnd_);
    form_->SetCaption(text);
}

void TGradientCaption::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
}

void TGradientCaption::SetEnabled(TGradEnabled enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
}

void TGradientCaption::SetNumColors(int count) {
    // At least one band, at most 256; a count below one is refused.
    if (count < 1) return;
    numColors_ = count > 256 ? 256 : count;
}

void TGradientCaption::LoadSystemFont(TFont* font) {
    font->SetHandle(static_cast<HFONT>(::GetStockObject(SYSTEM_FONT)));
    NONCLIENTMETRICSW metrics{};
    static_assert(sizeof metrics == 504, "the metrics record of Windows Vista and later");
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0)) return;
    gradcaption::AssignCaptionFont(metrics.lfCaptionFont, *font);
}

void TGradientCaption::FitFontHeight(TFont* font) {
    ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return;
    ui::BitmapHandle work(ui::CreateColorBitmap(10, 10));
    ui::SelectGuard selectWork(dc.get(), work.get());
    int wanted = CharHeightOf(dc.get(), systemFont_->GetHandle());
    int actual = CharHeightOf(dc.get(), font->GetHandle());
    if (wanted <= 0 || actual <= 0) return;
    font->SetHeight(gradcaption::FittedHeight(font->GetHeight(), actual, wanted));
    // Rounding in the font mapper can leave it a pixel too tall; never larger.
    actual = CharHeightOf(dc.get(), font->GetHandle());
    if (actual > wanted) font->SetHeight(gradcaption::FittedHeight(font->GetHeight(), actual, wanted));
}
