// Flat toolbar buttons and their pictures.
//
// TFlatButton is a windowless push button with a picture and a caption. Flat,
// it shows no frame until the mouse is over it (a thin raised frame), a thin
// sunken frame while pressed and a sunken one while it stays down in a group;
// it can open a popup menu under itself and draws its picture embossed when
// disabled.
//
// Every button owns a TButtonGlyph: the picture strip, one finished picture
// per look of the button built when first needed, and the layout of picture,
// caption and drop-down arrow. The finished pictures live in TGlyphLists, one
// per picture size for the whole process, shared by all buttons through the
// one TGlyphCache (GlyphCacheInstance).
//
// Hot tracking: the mouse moving onto a button makes it the hot button. Its
// hot look goes when the window reports that the mouse left the button, and
// one 125 ms timer shared by all buttons also checks that the cursor is still
// on it, for the moves no window reports (the cursor jumping away while the
// program is busy, or while a menu or another program holds the mouse). A
// hook on the application window clears the hot button when another program
// becomes active.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Graphics.h"
#include "ui/ImageList.h"
#include "ui/PopupMenu.h"

// The looks of a button; the ordinal is also the index of the picture for it
// in the strip.
enum TButtonVisualState : unsigned char { vsUp, vsDisabled, vsPressed, vsLatched, vsHot };
constexpr int ButtonVisualStateCount = 5;

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };
using TFlatNumGlyphs = int;  // 1 to 5

// ======================================================================== layout

// What the layout of a button's content depends on. Glyph is the size of one
// picture of the strip, (0, 0) when no picture is shown; Margin and Spacing
// are -1 for "automatic".
struct TButtonLayoutParams {
    TRect Client{0, 0, 0, 0};
    int Offset = 0;  // added to both coordinates of every result (the pressed look)
    TSize Glyph{0, 0};
    bool ShowText = true;  // on, with a caption that is not empty
    bool WordWrap = false;
    bool DropArrow = false;
    TButtonLayout Layout = blGlyphLeft;
    int Margin = -1;
    int Spacing = 4;
};

struct TButtonLayoutResult {
    TPoint Glyph;    // top-left corner of the picture
    TPoint Arrow;    // top-left corner of the drop-down arrow's box
    TRect Caption;   // where the caption is drawn
};

// Measures the caption against a rectangle (0, 0, maxWidth, 0) and gives its
// width and height.
using TMeasureCaption = std::function<TSize(int maxWidth)>;

// Places picture, caption and arrow inside the client rectangle. A top or
// bottom layout without a picture behaves as glyph-left; divisions truncate
// toward zero, so a button too small for its content gets negative places.
TButtonLayoutResult CalcLayout(const TButtonLayoutParams& params, const TMeasureCaption& measure);

// ======================================================================== pictures

// An image list of one cell size whose slots are marked used or free; a
// freed slot keeps its picture until it is reused, so indexes never shift.
class TGlyphList : public TImageList {
public:
    TGlyphList(int width, int height);

    // Stores a picture and its mask (white: transparent) in a free slot.
    int AddWithMask(TBitmap* image, TBitmap* mask);
    // Stores a picture in a free slot with every pixel of the key colour
    // transparent. Raises EInvalidOperation "Invalid image size" for a picture
    // smaller than the cell, "Unable to Replace Image" when the system list
    // refuses it.
    int AddKeyed(TBitmap* image, TColor key);
    void FreeSlot(int index);
    int GetUsedCount() const { return usedCount_; }

private:
    int AllocateSlot();
    void ReleaseSlot(int index);

    std::vector<bool> used_;
    int usedCount_ = 0;
};

// The process's glyph lists, one per cell size.
class TGlyphCache : public TObject {
public:
    TGlyphCache();
    ~TGlyphCache() override;
    // The list of that cell size, made when there is none.
    TGlyphList* AcquireList(int width, int height);
    // Destroys the list once none of its slots is used.
    void ReleaseList(TGlyphList* list);
    bool IsEmpty() const { return lists_.empty(); }
    int ListCount() const { return static_cast<int>(lists_.size()); }
    TGlyphList* GetList(int index) const { return lists_[static_cast<std::size_t>(index)].get(); }

private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// Made by the first glyph object or picture build, freed when a glyph object
// goes and no list is left.
extern TGlyphCache* GlyphCacheInstance;

class TButtonGlyph : public TObject {
public:
    TButtonGlyph();
    ~TButtonGlyph() override;

    // The picture strip: NumGlyphs pictures side by side, the bottom-left
    // pixel's colour transparent. A strip of 2 to 5 square pictures sets
    // NumGlyphs by itself.
    TBitmap* GetGlyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* value);
    int GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    // The disabled picture of a one-picture strip from its black pixels only.
    bool GetOldDisabledStyle() const { return oldDisabledStyle_; }
    void SetOldDisabledStyle(bool value) { oldDisabledStyle_ = value; }
    TColor GetTransparentColor() const { return transparentColor_; }

    // Frees every built picture; they are built again when needed.
    void ReleaseImages();
    // The slot of the finished picture for a look, built now if needed; -1
    // when there is no strip.
    int GetStateImage(TButtonVisualState state);
    // The list that holds this object's pictures (none before the first build).
    TGlyphList* GetGlyphList() const { return list_; }

    // Draws picture, caption and arrow and returns the caption's rectangle.
    TRect Draw(TCanvas* canvas, const TRect& client, int offset, bool showGlyph, bool showText,
               const std::string& caption, bool wordWrap, TButtonLayout layout, int margin, int spacing,
               bool dropArrow, TButtonVisualState state);
    // The 5 x 3 drop-down triangle, 4 pixels into a box at (x, y).
    void DrawDropArrow(TCanvas* canvas, int x, int y, TButtonVisualState state);

    // Called after the strip changed.
    TNotifyEvent OnChange;

private:
    void GlyphChanged();
    void DrawGlyphImage(TCanvas* canvas, const TPoint& point, TButtonVisualState state);
    void DrawCaptionText(TCanvas* canvas, const std::string& caption, const TRect& rect, bool wordWrap,
                         TButtonVisualState state);

    std::unique_ptr<TBitmap> glyph_;
    TGlyphList* list_ = nullptr;
    int indexes_[ButtonVisualStateCount];
    TColor transparentColor_ = clOlive;
    int numGlyphs_ = 1;
    bool oldDisabledStyle_ = false;
};

// ======================================================================== the button

class TFlatButton : public TGraphicControl {
public:
    explicit TFlatButton(TComponent* owner);
    ~TFlatButton() override;

    // A down group member may be released by clicking it.
    bool GetAllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    // Buttons of one parent with the same non-zero index form a group in
    // which at most one is down; 0: the button never stays down.
    int GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    TButtonDisplayMode GetDisplayMode() const { return displayMode_; }
    void SetDisplayMode(TButtonDisplayMode value);
    bool GetDown() const { return down_; }
    void SetDown(bool value);
    // The small arrow beside the picture when a menu is set and the button is not split.
    bool GetDropdownArrow() const { return dropdownArrow_; }
    void SetDropdownArrow(bool value);
    // Split button: the right 11 pixels open the menu, the rest clicks.
    bool GetDropdownCombo() const { return dropdownCombo_; }
    void SetDropdownCombo(bool value);
    // Opened by a press (not owned; forgotten when it is destroyed).
    TPopupMenu* GetDropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* value);
    bool GetFlat() const { return flat_; }
    void SetFlat(bool value);
    TBitmap* GetGlyph() const { return glyph_->GetGlyph(); }
    void SetGlyph(TBitmap* value);
    TButtonLayout GetLayout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    // Distance from the edge to the picture; -1 centres the content.
    int GetMargin() const { return margin_; }
    void SetMargin(int value);
    TFlatNumGlyphs GetNumGlyphs() const { return glyph_->GetNumGlyphs(); }
    void SetNumGlyphs(TFlatNumGlyphs value);
    bool GetOldDisabledStyle() const { return glyph_->GetOldDisabledStyle(); }
    void SetOldDisabledStyle(bool value);
    // Off (with Flat on): see-through, the parent's background shows.
    bool GetOpaque() const { return opaque_; }
    void SetOpaque(bool value);
    // Gap between picture and caption; -1: automatic.
    int GetSpacing() const { return spacing_; }
    void SetSpacing(int value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    // What the button looks like now, and whether it is shown as hot.
    TButtonVisualState GetVisualState() const { return visualState_; }
    bool GetMouseInside() const { return mouseInside_; }

    // Runs the button's action: OnClick, or the drop-down menu.
    void Click() override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseExit;
    TNotifyEvent OnDownChange;

    void WndProc(TMessage& message) override;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void EnabledChanged() override;
    void FontChanged() override;
    void TextChanged() override;
    void SysColorChanged() override;
    void MouseLeave() override;
    bool DialogChar(wchar_t key) override;

private:
    friend struct FlatButtonUnit;

    void Redraw(bool erase);
    void NotifyGroup();
    void GroupPressed(TFlatButton* sender);
    void EnterHot();
    void LeaveHot();
    void RefreshHotState();
    void TimerTick();
    bool InPressArea(int x, int y) const;
    void OpenDropdownMenu();
    void SweepMenuClicks() const;
    void FinishClick();
    void CancelPress();
    void BuildStateImage(TButtonVisualState state);
    void UpdateOpaqueStyle();
    // Stores a property that only changes the look, and repaints.
    template <class T>
    void SetLook(T& field, T value) {
        if (field == value) return;
        field = value;
        Redraw(true);
    }

    std::unique_ptr<TButtonGlyph> glyph_;
    TButtonVisualState visualState_ = vsUp;
    bool mouseInside_ = false;
    bool pressTracking_ = false;
    bool menuPress_ = false;
    bool clickRunning_ = false;

    bool allowAllUp_ = false;
    int groupIndex_ = 0;
    TButtonDisplayMode displayMode_ = dmBoth;
    bool down_ = false;
    bool dropdownArrow_ = true;
    bool dropdownCombo_ = false;
    TPopupMenu* dropdownMenu_ = nullptr;
    bool flat_ = true;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    bool opaque_ = true;
    int spacing_ = 4;
    bool wordWrap_ = false;
    // Cleared by the destructor, so a click whose handler destroyed the
    // button does not touch it afterwards.
    std::shared_ptr<bool> alive_;
};
