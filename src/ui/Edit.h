// Single-line edit fields: the system's EDIT control with a sunken border.
#pragma once

#include "ui/Controls.h"

// The base of edit fields. The text lives in the window once it exists
// (TWinControl's GetText/SetText); every change of it, by typing, pasting or
// SetText, fires OnChange.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);

    // The most characters the field takes; 0 for no limit of its own.
    int GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int maxLength);
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    virtual void Change();

private:
    int maxLength_ = 0;
};

class TEdit : public TCustomEdit {
public:
    using TCustomEdit::TCustomEdit;
};
