// TTileImage: a background of one picture laid edge to edge from the
// control's top-left corner, by default over its whole parent.
//
// The picture shows in one of three modes. tmFaded: a two-colour silhouette,
// FadeColor where the picture is not TranColor and the parent's colour where
// it is. tmTransparent: the picture with its TranColor pixels see-through.
// tmNormal: the picture as it is. Everything that depends on the picture,
// the colours and the mode is prepared once, when one of them changes; a
// paint only places ready tiles.
//
// Known differences from the obvious reading:
// - TranColor matches exactly on the picture's own surface: on a 24-bit
//   picture, RGB (254, 254, 254) pixels are not palette-relative white.
// - In tmFaded the parent's colour is read when the tile is prepared; a later
//   change of the parent's colour shows after the next change here.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/Controls.h"

enum TTileMode : std::uint8_t { tmFaded, tmTransparent, tmNormal };

class TTileImage : public TGraphicControl {
public:
    explicit TTileImage(TComponent* owner);
    ~TTileImage() override;

    // Setting a picture takes its transparent colour as TranColor and then a
    // copy of it. Setting none empties the background. Pictures loaded
    // straight into GetImage() keep the TranColor set before.
    TBitmap* GetImage() const { return image_.get(); }
    void SetImage(TBitmap* image);
    // A colour value; a system colour stands for its current RGB value.
    TColor GetTranColor() const { return tranColor_; }
    void SetTranColor(TColor color);
    TColor GetFadeColor() const { return fadeColor_; }
    void SetFadeColor(TColor color);
    TTileMode GetTileMode() const { return tileMode_; }
    void SetTileMode(TTileMode mode);

    // Older views of TileMode. Transparent := False selects tmNormal; Faded :=
    // False selects tmTransparent, and only from tmFaded.
    bool GetTransparent() const { return tileMode_ == tmTransparent; }
    void SetTransparent(bool transparent);
    bool GetFaded() const { return tileMode_ == tmFaded; }
    void SetFaded(bool faded);

    // The palette the background needs, if any: that of the bitmap the
    // current mode paints from.
    HPALETTE GetPalette();

    // Prepares the tiles for the current picture, colours and mode.
    void BuildTile();

protected:
    void Paint() override;

private:
    TColor ParentColorNow() const;

    // The picture as the current mode paints it.
    std::unique_ptr<TBitmap> workBitmap_;
    std::unique_ptr<TBitmap> image_;
    TTileMode tileMode_ = tmFaded;
    TColor tranColor_ = 0;
    TColor fadeColor_ = clBtnHighlight;
    // Monochrome: white where the picture has TranColor, black elsewhere
    // (in tmFaded, the same in a colour bitmap).
    std::unique_ptr<TBitmap> maskBitmap_;
};
