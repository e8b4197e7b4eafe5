// Image lists: pictures with a key colour or a mask, drawn through the mask
// or as the mask, replaced and removed; every handle given back.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "ui/ImageList.h"
#include "ui/SysUtils.h"
#include "base/Handles.h"

namespace {

const COLORREF kBack = RGB(1, 2, 3);

// 16 x 16 olive with a red 4 x 4 block at (2, 2).
void MakePicture(TBitmap& b) {
    b.SetSize(16, 16);
    TCanvas* c = b.GetCanvas();
    c->GetBrush()->SetColor(clOlive);
    c->FillRect(Rect(0, 0, 16, 16));
    c->GetBrush()->SetColor(clRed);
    c->FillRect(Rect(2, 2, 6, 6));
}

TEST(ImageList, AMaskedPictureDrawsThroughItsMaskAndTheCallersPictureStays) {
    long handles = base::LiveHandleCount();
    {
        TImageList list(nullptr, 16, 16);
        int changes = 0;
        list.OnChange = [&](TObject*) { ++changes; };
        EXPECT_FALSE(list.HandleAllocated());
        EXPECT_EQ(list.GetCount(), 0);

        TBitmap picture;
        MakePicture(picture);
        EXPECT_EQ(list.AddMasked(&picture, clOlive | PaletteRelativeFlag), 0);
        EXPECT_EQ(list.GetCount(), 1);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(static_cast<COLORREF>(picture.GetCanvas()->GetPixel(0, 0)), RGB(128, 128, 0));

        test::Canvas32 pic(20, 20, kBack), maskPic(20, 20, RGB(255, 255, 255));
        TCanvas canvas;
        canvas.SetHandle(pic.dc());
        list.Draw(&canvas, 0, 0, 0, ILD_TRANSPARENT);
        canvas.SetHandle(maskPic.dc());
        list.DrawEx(&canvas, 0, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_MASK);
        canvas.SetHandle(nullptr);
        EXPECT_EQ(pic.At(0, 0), kBack);
        EXPECT_EQ(pic.At(3, 3), RGB(255, 0, 0));
        EXPECT_EQ(pic.At(15, 15), kBack);
        EXPECT_EQ(maskPic.At(0, 0), RGB(255, 255, 255));  // the mask: white is transparent
        EXPECT_EQ(maskPic.At(3, 3), RGB(0, 0, 0));
    }
    EXPECT_EQ(base::LiveHandleCount(), handles);
}

TEST(ImageList, PicturesWithMasksCanBeReplacedAndDeleted) {
    TImageList list(nullptr, 16, 16);
    TBitmap picture, mask;
    MakePicture(picture);
    mask.SetMonochrome(true);
    mask.SetSize(16, 16);  // white: all transparent
    mask.GetCanvas()->GetBrush()->SetColor(clBlack);
    mask.GetCanvas()->FillRect(Rect(0, 0, 8, 16));  // left half opaque
    EXPECT_EQ(list.Add(&picture, &mask), 0);
    EXPECT_EQ(list.Add(&picture, &mask), 1);

    TBitmap blue;
    blue.SetSize(16, 16);
    blue.GetCanvas()->GetBrush()->SetColor(clBlue);
    blue.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
    list.Replace(1, &blue, &mask);

    test::Canvas32 pic(40, 20, kBack);
    TCanvas canvas;
    canvas.SetHandle(pic.dc());
    list.Draw(&canvas, 0, 0, 0, ILD_TRANSPARENT);
    list.Draw(&canvas, 20, 0, 1, ILD_TRANSPARENT);
    canvas.SetHandle(nullptr);
    EXPECT_EQ(pic.At(0, 0), RGB(128, 128, 0));  // olive is not keyed: the mask decides
    EXPECT_EQ(pic.At(3, 3), RGB(255, 0, 0));
    EXPECT_EQ(pic.At(12, 3), kBack);
    EXPECT_EQ(pic.At(21, 3), RGB(0, 0, 255));
    EXPECT_EQ(pic.At(32, 3), kBack);

    try {
        list.Replace(5, &blue, &mask);
        ADD_FAILURE() << "no error for a slot that does not exist";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Unable to Replace Image");
    }
    list.Delete(0);
    EXPECT_EQ(list.GetCount(), 1);
    list.SetSize(20, 20);  // another cell size starts empty
    EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
