// Combo boxes: the system's COMBOBOX control with a list of text items.
//
// In the simple and drop-down styles the control's edit line is a window of
// its own inside the combo box. It is subclassed so that what a user does
// there belongs to the combo box: typed characters go through KeyPress (and
// OnKeyPress) first, a double click fires OnDblClick, and gaining the focus
// makes the combo box the form's focused control (Tab order, OnEnter/OnExit).
#pragma once

#include <string>
#include <vector>

#include "ui/Controls.h"

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    TComboBoxStyle GetStyle() const { return style_; }
    void SetStyle(TComboBoxStyle style);

    void AddItem(const std::string& item);
    void ClearItems();
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    const std::string& GetItem(int index) const;
    // The selected item, or -1 for none; selecting an item shows its text in
    // the edit line, selecting none empties it.
    int GetItemIndex() const;
    void SetItemIndex(int index);

    // The user changed the text or picked another item.
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    void BoundsChanged() override;
    virtual void Change();

private:
    static LRESULT CALLBACK EditSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR data);
    LRESULT EditMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Runs the class library's handling of a message of the edit line as
    // the combo box's own, without passing it to the combo box's window.
    void PerformForEdit(UINT msg, WPARAM wParam, LPARAM lParam);
    void HookEdit();
    void UnhookEdit();
    void FitSimpleList();

    TComboBoxStyle style_ = csDropDown;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    HWND edit_ = nullptr;
    const TMessage* forwarded_ = nullptr;
};

class TComboBox : public TCustomComboBox {
public:
    using TCustomComboBox::TCustomComboBox;
};
