// The status bar: the system's status window with panels of text.
//
// The system control draws the panels, so screen readers and other programs
// read their texts with SB_GETTEXT. The panels' texts, widths and alignments
// live in the panel objects as well and are pushed into each new window.
//
// Alignment goes through the control's own tab convention: a text that
// starts with one tab is centred, with two it is right-aligned. Another
// program reading a right-aligned panel therefore gets the two tabs in front
// of the text; GetText gives the plain text.
//
// The status window repaints a panel before SB_SETTEXT returns (Windows and
// Wine alike), so that a busy program's progress shows; under Wine that is
// about a millisecond a text. A bar with a TextInterval passes the texts on
// at most once per interval: a change that comes sooner waits for a timer
// (or for the next change after the interval, if the program is too busy to
// handle its messages), and the last text always arrives. GetText always
// gives the latest text.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"

class TStatusBar;

class TStatusPanel {
public:
    const std::string& GetText() const { return text_; }
    void SetText(const std::string& text);
    // A negative width: the panel takes what the other panels leave of the
    // bar (the first such panel; others count as 0).
    int GetWidth() const { return width_; }
    void SetWidth(int width);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    int GetIndex() const { return index_; }

private:
    friend class TStatusPanels;
    TStatusPanel(TStatusBar* bar, int index) : bar_(bar), index_(index) {}

    TStatusBar* bar_;
    int index_;
    std::string text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* bar) : bar_(bar) {}
    TStatusPanel* Add();
    int GetCount() const { return static_cast<int>(items_.size()); }
    TStatusPanel* GetItem(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }

private:
    TStatusBar* bar_;
    std::vector<std::unique_ptr<TStatusPanel>> items_;
};

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels* GetPanels() { return &panels_; }
    bool GetSizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool sizeGrip);
    // Milliseconds between two updates of the window's texts; 0 (the
    // default) passes every change on at once.
    UINT GetTextInterval() const { return textInterval_; }
    void SetTextInterval(UINT interval);
    // Gives the window every text that changed since it last got them, now:
    // for the end of a long operation, whose last texts must not wait.
    void FlushTexts();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    friend class TStatusPanel;
    friend class TStatusPanels;
    // The panels' right edges and texts, as the window needs them.
    void UpdateParts();
    void UpdatePanelText(const TStatusPanel& panel);

    TStatusPanels panels_{this};
    bool sizeGrip_ = true;
    UINT textInterval_ = 0;
    std::vector<bool> changed_;  // by panel index: a text the window has not got yet
    DWORD lastFlush_ = 0;
    bool flushPending_ = false;
};

namespace ui {
// The text the status window is given for a panel: the alignment's tab
// prefix, then the text.
std::string StatusPanelWindowText(const std::string& text, TAlignment alignment);
// The right edges of the panels in client pixels, in a bar `barWidth`
// pixels wide; the last one reaches the end of the bar (-1).
std::vector<int> StatusPartEdges(const std::vector<int>& widths, int barWidth);
}  // namespace ui
