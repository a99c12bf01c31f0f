#pragma once
// Dither engines: each takes one pixel at a time, asks its lookup for the
// nearest palette entry and, except the plain nearest-colour engine, spreads
// the difference over pixels not yet visited, with its own kernel:
//
//   engine           divisor  kernel (X the pixel, + the scan direction)
//   Floyd-Steinberg  16       row 0: X 7; row 1: 3 5 1
//   Stucki           42       row 0: X 8 4; row 1: 2 4 8 4 2; row 2: 1 2 4 2 1
//   Sierra           32       row 0: X 5 3; row 1: 2 4 5 4 2; row 2: 0 2 3 2 0
//   JaJuNi           48       row 0: X 7 5; row 1: 3 5 7 5 3; row 2: 1 3 5 3 1
//   Burkes           32       row 0: X 8 4; row 1: 2 4 8 4 2
//   Steve Arche      200      row 0: X . 32; row 1: 12 . 26 . 30 . 16 (at -3..+3);
//                             row 2: 12 . 26 . 12 (-2..+2); row 3: 5 . 12 . 12 . 5
//
// Rows are scanned alternately left to right and right to left (serpentine),
// and the kernels mirror with the direction; Column and Direction say where
// the next pixel is.

#include <array>
#include <vector>

#include "media/GIFLookups.h"

namespace GIFImage {

class TDitherEngine {
public:
    TDitherEngine(Integer Width, TColorLookup* Lookup) : FWidth(Width), FLookup(Lookup) {}
    virtual ~TDitherEngine() = default;
    virtual int ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B);
    virtual void EndRow();
    // Passes over the next pixel without matching or spreading an error
    // (transparent pixels of a frame).
    virtual void Skip() { FColumn += FDirection; }
    Integer Column() const { return FColumn; }
    Integer Direction() const { return FDirection; }

protected:
    Integer FDirection = 1;
    Integer FColumn = 0;
    Integer FWidth;
    TColorLookup* FLookup;
};

class TFloydSteinbergDitherer : public TDitherEngine {
public:
    TFloydSteinbergDitherer(Integer Width, TColorLookup* Lookup);
    int ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) override;
    void EndRow() override;
    void Skip() override {
        TDitherEngine::Skip();
        FPos += FDirection;
    }

private:
    std::vector<Integer> FErrors[3];
    Integer FPos = 0;
    Integer FCarry[3] = {}, FBelow[3] = {}, FBelowPrev[3] = {};
};

// Shared frame of the engines that spread an error over rows below.
class TRowDitherer : public TDitherEngine {
public:
    TRowDitherer(Integer Width, TColorLookup* Lookup, int Rows, int Margin, int Divisor);
    int ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) override;
    void EndRow() override;
    void Skip() override {
        TDitherEngine::Skip();
        FPos += FDirection;
    }

protected:
    // Adds e x weight at offset (in the scan direction) of the buffered row.
    void Add(int Channel, int Row, int Offset, Integer Error, int Weight) {
        FRows[std::size_t(Row)][std::size_t(Channel)][std::size_t(FPos + Offset * FDirection)] += Error * Weight;
    }
    virtual void SpreadError(int Channel, Integer Error) = 0;
    std::vector<std::array<std::vector<Integer>, 3>> FRows;
    Integer FPos;
    int FMargin, FDivisor;
};

class T5by3Ditherer : public TRowDitherer {
public:
    T5by3Ditherer(Integer Width, TColorLookup* Lookup, int Divisor) : TRowDitherer(Width, Lookup, 3, 2, Divisor) {}
};

class TStuckiDitherer : public T5by3Ditherer {
public:
    TStuckiDitherer(Integer Width, TColorLookup* Lookup) : T5by3Ditherer(Width, Lookup, 42) {}

protected:
    void SpreadError(int Channel, Integer Error) override;
};

class TSierraDitherer : public T5by3Ditherer {
public:
    TSierraDitherer(Integer Width, TColorLookup* Lookup) : T5by3Ditherer(Width, Lookup, 32) {}

protected:
    void SpreadError(int Channel, Integer Error) override;
};

class TJaJuNiDitherer : public T5by3Ditherer {
public:
    TJaJuNiDitherer(Integer Width, TColorLookup* Lookup) : T5by3Ditherer(Width, Lookup, 48) {}

protected:
    void SpreadError(int Channel, Integer Error) override;
};

class TBurkesDitherer : public TRowDitherer {
public:
    TBurkesDitherer(Integer Width, TColorLookup* Lookup) : TRowDitherer(Width, Lookup, 2, 2, 32) {}

protected:
    void SpreadError(int Channel, Integer Error) override;
};

class TSteveArcheDitherer : public TRowDitherer {
public:
    TSteveArcheDitherer(Integer Width, TColorLookup* Lookup) : TRowDitherer(Width, Lookup, 4, 3, 200) {}

protected:
    void SpreadError(int Channel, Integer Error) override;
};

}  // namespace GIFImage
