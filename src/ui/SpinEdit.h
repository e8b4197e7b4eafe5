// Numeric fields with up and down arrow buttons.
//
// The field is an edit field (and so the focusable control whose OnChange,
// OnExit and OnKeyPress the windows use); the arrows are the system's
// up-down control inside it, on its right. Typing is filtered before the
// key-press event: only digits, signs, the decimal separator and control
// characters other than Enter get through, anything else is refused with a
// beep. Pasted text is not filtered: the owner of the field cleans it in
// OnChange if it must.
#pragma once

#include <string>

#include "ui/Edit.h"

// The decimal separator of the user's regional settings.
wchar_t LocaleDecimalSeparator();
// Whether a spin edit lets a typed character (a UTF-16 unit) through.
bool IsSpinEditChar(wchar_t key, wchar_t decimalSeparator);
// A value kept within the bounds (no bound when they are equal) and within
// the range of a signed 32-bit integer.
int ClampSpinValue(long long value, int minValue, int maxValue);

class TSpinEdit : public TCustomEdit {
public:
    explicit TSpinEdit(TComponent* owner);

    // The text's number; MinValue when the text is not a number.
    int GetValue() const;
    // Shows the value, kept within the bounds.
    void SetValue(int value);
    int GetIncrement() const { return increment_; }
    void SetIncrement(int increment) { increment_ = increment; }
    int GetMinValue() const { return minValue_; }
    void SetMinValue(int value) { minValue_ = value; }
    int GetMaxValue() const { return maxValue_; }
    void SetMaxValue(int value) { maxValue_ = value; }

    // What the arrows do: the value changes by the step, within the bounds.
    void UpClick();
    void DownClick();

protected:
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void KeyPress(wchar_t& key) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void BoundsChanged() override;
    void EnabledChanged() override;
    // Refuses a typed character.
    virtual void Beep();

private:
    void PlaceArrows();

    HWND arrows_ = nullptr;  // a child window: destroyed with the field's
    int increment_ = 1;
    int minValue_ = 0;
    int maxValue_ = 0;
};
