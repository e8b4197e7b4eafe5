#include "ui/Edit.h"

#include <algorithm>

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetControlStyle({csSetCaption, csClickEvents, csDoubleClicks});
    SetTabStop(true);
    SetBounds(GetLeft(), GetTop(), 121, 21);
}

void TCustomEdit::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.StockClass = L"EDIT";
    p.Style |= ES_AUTOHSCROLL | ES_LEFT;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
    TWinControl::CreateWnd();
    if (maxLength_ > 0) ::SendMessageW(GetHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::SetMaxLength(int maxLength) {
    maxLength = std::max(maxLength, 0);
    if (maxLength == maxLength_) return;
    maxLength_ = maxLength;
    // EM_LIMITTEXT with 0 lifts the limit to the control's own maximum.
    if (HandleAllocated()) ::SendMessageW(GetHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::SelectAll() {
    if (HandleAllocated()) ::SendMessageW(GetHandle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::Change() { Fire(OnChange, this); }

void TCustomEdit::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == EN_CHANGE) {
        Change();
        return;
    }
    TWinControl::WndProc(m);
}
