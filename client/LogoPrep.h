#pragma once
// The picture of the logo page, without its window: an operator logo or a
// group logo of 72 x 14 pixels, or a picture message of 72 x 28, black
// drawing on the background colour $7BBE6B while it is edited; any picture
// turned into one; and the images that leave the page: black on white, as
// 1 bit per pixel for the queue and as a bitmap file.
//
// The page binds its controls to it: the kind buttons call SetKind, the
// picture commands FitPicture (showing the crop window when it says so) and
// TakePicture, and the bitmap editor edits Image().

#include "platform/gfx/Bitmap.h"

enum TLogoKind { lkOperatorLogo, lkGroupLogo, lkPictureMessage };

// The colour of an unset pixel while a logo is edited.
constexpr TColor LogoBackground = 0x7BBE6B;
constexpr Integer LogoWidth = 72;
constexpr Integer LogoHeight = 14;
constexpr Integer PictureMessageHeight = 28;

TPoint LogoSize(TLogoKind Kind);

// Every pixel of the background becomes NewColor. OldColor 0 finds the
// background by itself: the top-left pixel, or when that is black the first
// pixel, column by column from the left, that is not black. A picture with
// no such pixel is left as it is (all of it is drawing).
void ReplaceBackground(TBitmap& Bitmap, TColor NewColor, TColor OldColor = 0);

// How a picture of Width x Height becomes a logo: without the crop window
// (Crop false) it keeps its top-left corner at the size of Kind; with it,
// the user chooses a source rectangle for a target of Width x Height.
struct TLogoFit {
    bool Crop = false;
    TLogoKind Kind = lkOperatorLogo;
    TRect Source{};
    Integer Width = 0;
    Integer Height = 0;
};
TLogoFit FitPicture(Integer PictureWidth, Integer PictureHeight, TLogoKind CurrentKind);

class TLogoPicture {
public:
    TLogoPicture();

    TLogoKind Kind() const { return FKind; }
    // Resizes the image to the kind's size; rows cut off by a smaller size
    // come back when the size grows again.
    void SetKind(TLogoKind Value);
    void ResizeLogo(Integer Width, Integer Height);
    // The edited image; the editor draws on it.
    TBitmap& Image() { return FImage; }

    // Something was drawn, loaded or taken from the queue since the page
    // was cleared.
    bool Content = false;
    AnsiString Name;

    // Takes the Fit.Source part of Picture as the new image of Fit's size,
    // made black and white (nearest colour, or Stucki error diffusion), on
    // the background colour. Where the source rectangle reaches past the
    // picture, the picture is white. Name becomes the file's base name.
    void TakePicture(const TBitmap& Picture, const TLogoFit& Fit, bool Stucki, const AnsiString& FileName);

    // The image for the queue: black stays black, every other pixel white,
    // 1 bit per pixel.
    void QueuedImage(TBitmap& Out) const;
    // The image as saved to a file: the background white.
    void SavedImage(TBitmap& Out) const;
    // Writes SavedImage as a bitmap file (replacing it as a whole).
    void SaveToFile(const AnsiString& FileName) const;

private:
    TBitmap& Buffer();

    TLogoKind FKind = lkOperatorLogo;
    TBitmap FImage;
    // Keeps what a smaller size cut off; empty until first needed.
    TBitmap FBuffer;
};
