// Popup menus: a tree of menu items shown modally at a point of the screen.
//
// The system menu is built from the items each time the menu is shown and
// destroyed when it closes. The chosen item's OnClick does not run inside the
// menu's modal loop: like the WM_COMMAND that Windows posts for a menu
// choice, it is queued and runs from the message loop after Popup has
// returned and the caller has finished its own work.
//
// Shortcut keys are shown beside the items' captions; the class library does
// not route key presses to a closed popup menu.
#pragma once

#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Controls.h"
#include "ui/UtilityWindow.h"

// A key with Shift, Ctrl and Alt flags: the virtual-key code in the low byte.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(WORD key, TShiftState shift);
// "Ctrl+Del", "Shift+Del", "Ctrl+Shift+F5", "Alt+X"; empty for scNone.
std::string ShortCutToText(TShortCut shortCut);

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    // Takes the item out of its parent item and destroys its own items.
    ~TMenuItem() override;

    // "-" makes a separator line; "&" marks the accelerator character.
    const std::string& GetCaption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    TShortCut GetShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut) { shortCut_ = shortCut; }
    // The shortcut as the menu shows it: ShortCutToText's English key names
    // unless a text of the program's own language is given.
    std::string GetShortCutText() const;
    void SetShortCutText(const std::string& text) { shortCutText_ = text; }
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool GetVisible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }

    // The item becomes the last one of this item's menu (and leaves the menu
    // it was in). An item destroys the items of its menu when it goes.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    int GetCount() const { return static_cast<int>(items_.size()); }
    TMenuItem* GetItem(int index) const { return items_[static_cast<std::size_t>(index)]; }
    TMenuItem* GetParentItem() const { return parent_; }

    // Runs the item's action as a user's choice would (when it is enabled).
    virtual void Click();
    TNotifyEvent OnClick;

    // The item that a command number of a shown menu stands for, if it still exists.
    static TMenuItem* FindCommand(UINT command);
    UINT GetCommand() const { return command_; }

private:
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    std::string caption_;
    TShortCut shortCut_ = scNone;
    std::string shortCutText_;
    bool enabled_ = true;
    bool visible_ = true;
    UINT command_;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // The menu's root item; the items shown are its items.
    TMenuItem* GetItems() const { return items_.get(); }
    // Where the point given to Popup lies: at the menu's left edge, right
    // edge or centre.
    TPopupAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment alignment) { alignment_ = alignment; }
    // The component that showed the menu last (cleared when it goes).
    TComponent* GetPopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* component);

    // Shows the menu and returns when it has closed. The chosen item's click
    // is queued and runs after this returns.
    virtual void Popup(int screenX, int screenY);

    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    HWND Window();

    std::unique_ptr<TMenuItem> items_;
    TPopupAlignment alignment_ = paLeft;
    TComponent* popupComponent_ = nullptr;
    // Owns the system menu while it is shown and receives the queued choice.
    std::unique_ptr<ui::UtilityWindow> window_;
};
