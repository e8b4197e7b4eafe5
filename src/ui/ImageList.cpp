#include "ui/ImageList.h"

#include "ui/SysUtils.h"

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height) {}

TImageList::~TImageList() = default;

void TImageList::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    handle_.reset();
    Change();
}

HIMAGELIST TImageList::GetHandle() {
    if (!handle_) {
        // 24-bit colour: a 32-bit list would read the pictures' unused alpha
        // bytes as transparency.
        handle_.reset(::ImageList_Create(width_, height_, ILC_MASK | ILC_COLOR24, 4, 4));
        if (!handle_) throw EOutOfResources("Out of system resources");
    }
    return handle_.get();
}

int TImageList::GetCount() const { return handle_ ? ::ImageList_GetImageCount(handle_.get()) : 0; }

namespace {

// The image list selects the bitmaps into contexts of its own; a bitmap can
// be selected into one context at a time.
HBITMAP Unselected(TBitmap* bitmap) {
    if (!bitmap) return nullptr;
    bitmap->ReleaseDeviceResources();
    return bitmap->GetHandle();
}

}  // namespace

int TImageList::Add(TBitmap* image, TBitmap* mask) {
    HIMAGELIST list = GetHandle();
    int index = ::ImageList_Add(list, Unselected(image), Unselected(mask));
    if (index < 0) throw EInvalidOperation("Unable to Add Image");
    Change();
    return index;
}

int TImageList::AddMasked(TBitmap* image, TColor key) {
    HIMAGELIST list = GetHandle();
    // The system blackens the keyed pixels of the picture it is given, so it
    // gets a copy.
    TBitmap copy;
    copy.Assign(image);
    int index = ::ImageList_AddMasked(list, Unselected(&copy), ColorToRGB(key));
    if (index < 0) throw EInvalidOperation("Unable to Add Image");
    Change();
    return index;
}

void TImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
    HIMAGELIST list = GetHandle();
    if (!::ImageList_Replace(list, index, Unselected(image), Unselected(mask)))
        throw EInvalidOperation("Unable to Replace Image");
    Change();
}

void TImageList::Delete(int index) {
    if (!handle_) return;
    if (::ImageList_Remove(handle_.get(), index)) Change();
}

void TImageList::Clear() {
    if (!handle_ || GetCount() == 0) return;
    ::ImageList_Remove(handle_.get(), -1);
    Change();
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, UINT style) {
    if (!handle_) return;
    ::ImageList_Draw(handle_.get(), index, canvas->GetHandle(), x, y, style);
}

void TImageList::DrawEx(TCanvas* canvas, int x, int y, int index, int width, int height, COLORREF background,
                        COLORREF foreground, UINT style) {
    if (!handle_) return;
    ::ImageList_DrawEx(handle_.get(), index, canvas->GetHandle(), x, y, width, height, background, foreground,
                       style);
}

void TImageList::Change() { Fire(OnChange, this); }
