// An image list: masked pictures of one cell size, kept in a system image
// list (ImageList_*) that is made when it is first needed.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/Component.h"
#include "ui/Graphics.h"
#include "ui/Handles.h"

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner, int width = 16, int height = 16);
    ~TImageList() override;

    // Changing the cell size empties the list.
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    void SetSize(int width, int height);

    int GetCount() const;

    // Each adds one picture per cell width of the image and returns the index
    // of the first. A mask is a monochrome picture whose white pixels are
    // transparent. AddMasked makes the mask from the pixels of one colour and
    // leaves the caller's picture as it was.
    int Add(TBitmap* image, TBitmap* mask);
    int AddMasked(TBitmap* image, TColor key);
    // Raises EInvalidOperation "Unable to Replace Image" when the system refuses.
    void Replace(int index, TBitmap* image, TBitmap* mask);
    void Delete(int index);
    void Clear();

    // Draws a picture at (x, y); ILD_TRANSPARENT draws through the mask,
    // ILD_MASK draws the mask itself.
    void Draw(TCanvas* canvas, int x, int y, int index, UINT style = ILD_NORMAL);
    // ImageList_DrawEx: width and height 0 draw the whole cell; background
    // and foreground are COLORREFs or CLR_NONE / CLR_DEFAULT.
    void DrawEx(TCanvas* canvas, int x, int y, int index, int width, int height, COLORREF background,
                COLORREF foreground, UINT style);

    HIMAGELIST GetHandle();
    bool HandleAllocated() const { return static_cast<bool>(handle_); }

    TNotifyEvent OnChange;

protected:
    virtual void Change();

private:
    int width_, height_;
    ui::ImageListHandle handle_;
};
