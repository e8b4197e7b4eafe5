#include "ui/PopupMenu.h"

#include <algorithm>
#include <map>

#include <commctrl.h>

#include "ui/Forms.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Handles.h"

namespace {

struct MenuTraits {
    static void Release(HMENU menu) { ::DestroyMenu(menu); }
};
using MenuHandle = base::UniqueHandle<HMENU, MenuTraits>;

// Command numbers of the items that exist, for the choices of shown menus.
// WM_COMMAND carries 16 bits of them.
std::map<UINT, TMenuItem*>& Commands() {
    static std::map<UINT, TMenuItem*> commands;
    return commands;
}

UINT NewCommand(TMenuItem* item) {
    static UINT next = 0;
    auto& commands = Commands();
    do {
        next = next % 0xFFFF + 1;
    } while (commands.count(next));
    commands[next] = item;
    return next;
}

std::string KeyName(WORD key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
    switch (key) {
        case VK_BACK: return "BkSp";
        case VK_TAB: return "Tab";
        case VK_RETURN: return "Enter";
        case VK_ESCAPE: return "Esc";
        case VK_SPACE: return "Space";
        case VK_PRIOR: return "PgUp";
        case VK_NEXT: return "PgDn";
        case VK_END: return "End";
        case VK_HOME: return "Home";
        case VK_LEFT: return "Left";
        case VK_UP: return "Up";
        case VK_RIGHT: return "Right";
        case VK_DOWN: return "Down";
        case VK_INSERT: return "Ins";
        case VK_DELETE: return "Del";
        default: break;
    }
    // Anything else by the keyboard layout's name for it.
    wchar_t name[64] = L"";
    UINT scan = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    if (scan && ::GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 64) > 0) return base::Utf8(name);
    return std::string();
}

// Appends the visible items of one menu level, with their sub-menus.
void AppendItems(HMENU menu, const TMenuItem* parent) {
    for (int i = 0; i < parent->GetCount(); ++i) {
        const TMenuItem* item = parent->GetItem(i);
        if (!item->GetVisible()) continue;
        if (item->GetCaption() == "-") {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::string caption = item->GetCaption();
        const std::string shortCut = item->GetShortCutText();
        if (!shortCut.empty()) caption += "\t" + shortCut;
        const std::wstring text = base::Wide(caption);
        UINT flags = MF_STRING | (item->GetEnabled() ? MF_ENABLED : MF_GRAYED);
        if (item->GetCount() > 0) {
            MenuHandle sub(::CreatePopupMenu());
            if (!sub) throw EOutOfResources("Out of system resources");
            AppendItems(sub.get(), item);
            // Once appended, the sub-menu belongs to the menu.
            if (::AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub.get()), text.c_str()))
                sub.release();
        } else {
            ::AppendMenuW(menu, flags, item->GetCommand(), text.c_str());
        }
    }
}

}  // namespace

TShortCut ShortCut(WORD key, TShiftState shift) {
    TShortCut s = static_cast<TShortCut>(key & 0xFF);
    if (shift.Contains(ssShift)) s |= scShift;
    if (shift.Contains(ssCtrl)) s |= scCtrl;
    if (shift.Contains(ssAlt)) s |= scAlt;
    return s;
}

std::string ShortCutToText(TShortCut shortCut) {
    std::string name = KeyName(static_cast<WORD>(shortCut & 0xFF));
    if (name.empty()) return std::string();
    std::string text;
    if (shortCut & scCtrl) text += "Ctrl+";
    if (shortCut & scShift) text += "Shift+";
    if (shortCut & scAlt) text += "Alt+";
    return text + name;
}

// ======================================================================== TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NewCommand(this)) {}

TMenuItem::~TMenuItem() {
    SetDestroying();
    Commands().erase(command_);
    while (!items_.empty()) delete items_.back();  // each takes itself out
    if (parent_) parent_->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) {
    if (!item || item == this) return;
    for (TMenuItem* p = parent_; p; p = p->parent_)
        if (p == item) throw EInvalidOperation("A menu item cannot be put inside its own menu");
    if (item->parent_) item->parent_->Remove(item);
    items_.push_back(item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
}

std::string TMenuItem::GetShortCutText() const {
    if (shortCut_ == scNone) return std::string();
    return shortCutText_.empty() ? ShortCutToText(shortCut_) : shortCutText_;
}

void TMenuItem::Click() {
    if (enabled_) Fire(OnClick, this);
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
    auto& commands = Commands();
    auto it = commands.find(command);
    return it == commands.end() ? nullptr : it->second;
}

// ======================================================================== TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {}

TPopupMenu::~TPopupMenu() {
    SetDestroying();
    window_.reset();
    items_.reset();
}

void TPopupMenu::SetPopupComponent(TComponent* component) {
    if (component == popupComponent_) return;
    if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
    popupComponent_ = component;
    if (component) component->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

HWND TPopupMenu::Window() {
    if (!window_) {
        // The chosen item's command comes back here through the queue. The
        // item may have gone, or been disabled, since it was chosen.
        window_.reset(new ui::UtilityWindow(ui::UtilityWindow::TopLevel, [](UINT msg, WPARAM wParam, LPARAM lParam) {
            if (msg != WM_COMMAND || lParam != 0) return false;
            if (TMenuItem* item = TMenuItem::FindCommand(static_cast<UINT>(wParam))) item->Click();
            return true;
        }));
    }
    return window_->Handle();
}

void TPopupMenu::Popup(int screenX, int screenY) {
    Fire(OnPopup, this);
    HWND owner = Window();
    MenuHandle menu(::CreatePopupMenu());
    if (!menu) throw EOutOfResources("Out of system resources");
    AppendItems(menu.get(), items_.get());
    static const UINT align[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    UINT flags = align[alignment_] | TPM_RIGHTBUTTON | TPM_RETURNCMD;
    // No hint over an open menu.
    if (Application) Application->CancelHint();
    UINT command = static_cast<UINT>(::TrackPopupMenu(menu.get(), flags, screenX, screenY, 0, owner, nullptr));
    if (command) ::PostMessageW(owner, WM_COMMAND, command, 0);
}
