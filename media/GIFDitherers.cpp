#include "media/GIFDitherers.h"

#include <algorithm>

namespace GIFImage {

int TDitherEngine::ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int index = FLookup->MatchColour(Red, Green, Blue, R, G, B);
    FColumn += FDirection;
    return index;
}

void TDitherEngine::EndRow() {
    FDirection = -FDirection;
    FColumn = FDirection == 1 ? 0 : FWidth - 1;
}

namespace {
int Clamp255(Integer Value) { return Value < 0 ? 0 : Value > 255 ? 255 : int(Value); }
}  // namespace

TFloydSteinbergDitherer::TFloydSteinbergDitherer(Integer Width, TColorLookup* Lookup) : TDitherEngine(Width, Lookup) {
    for (auto& e : FErrors) e.assign(std::size_t(Width) + 2, 0);
}

int TFloydSteinbergDitherer::ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int in[3] = {Red, Green, Blue};
    int t[3];
    for (int c = 0; c < 3; ++c) t[c] = Clamp255(in[c] + (FErrors[c][std::size_t(FPos)] + FCarry[c] + 8) / 16);
    const int index = TDitherEngine::ProcessPixel(t[0], t[1], t[2], R, G, B);
    const int chosen[3] = {R, G, B};
    for (int c = 0; c < 3; ++c) {
        const Integer e = t[c] - chosen[c];
        if (e != 0) {
            FErrors[c][std::size_t(FPos)] = FBelowPrev[c] + 3 * e;
            FBelowPrev[c] = FBelow[c] + 5 * e;
            FBelow[c] = e;
            FCarry[c] = 7 * e;
        } else {
            FCarry[c] = 0;
        }
    }
    FPos += FDirection;
    return index;
}

void TFloydSteinbergDitherer::EndRow() {
    for (int c = 0; c < 3; ++c) {
        FErrors[c][std::size_t(FPos)] = FBelowPrev[c];
        FCarry[c] = FBelow[c] = FBelowPrev[c] = 0;
    }
    TDitherEngine::EndRow();
    FPos = FDirection == 1 ? 0 : FWidth + 1;
}

TRowDitherer::TRowDitherer(Integer Width, TColorLookup* Lookup, int Rows, int Margin, int Divisor)
    : TDitherEngine(Width, Lookup), FRows(std::size_t(Rows)), FPos(Margin), FMargin(Margin), FDivisor(Divisor) {
    for (auto& row : FRows)
        for (auto& channel : row) channel.assign(std::size_t(Width) + 2 * std::size_t(Margin), 0);
}

int TRowDitherer::ProcessPixel(int Red, int Green, int Blue, int& R, int& G, int& B) {
    const int in[3] = {Red, Green, Blue};
    int t[3];
    for (int c = 0; c < 3; ++c)
        t[c] = Clamp255(in[c] + (FRows[0][std::size_t(c)][std::size_t(FPos)] + FDivisor / 2) / FDivisor);
    const int index = TDitherEngine::ProcessPixel(t[0], t[1], t[2], R, G, B);
    const int chosen[3] = {R, G, B};
    for (int c = 0; c < 3; ++c) {
        const Integer e = t[c] - chosen[c];
        if (e != 0) SpreadError(c, e);
    }
    FPos += FDirection;
    return index;
}

void TRowDitherer::EndRow() {
    for (auto& channel : FRows[0]) std::fill(channel.begin(), channel.end(), 0);
    std::rotate(FRows.begin(), FRows.begin() + 1, FRows.end());
    TDitherEngine::EndRow();
    FPos = FDirection == 1 ? FMargin : FWidth + FMargin - 1;
}

// Weights of the five-by-three kernels: row 0 at +1, +2; rows 1 and 2 at -2..+2.
#define VEMLOR_SPREAD_5BY3(Class, a1, a2, b0, b1, b2, b3, b4, c0, c1, c2, c3, c4)                      \
    void Class::SpreadError(int Channel, Integer Error) {                                            \
        Add(Channel, 0, 1, Error, a1), Add(Channel, 0, 2, Error, a2);                                \
        Add(Channel, 1, -2, Error, b0), Add(Channel, 1, -1, Error, b1), Add(Channel, 1, 0, Error, b2), \
            Add(Channel, 1, 1, Error, b3), Add(Channel, 1, 2, Error, b4);                            \
        Add(Channel, 2, -2, Error, c0), Add(Channel, 2, -1, Error, c1), Add(Channel, 2, 0, Error, c2), \
            Add(Channel, 2, 1, Error, c3), Add(Channel, 2, 2, Error, c4);                            \
    }
VEMLOR_SPREAD_5BY3(TStuckiDitherer, 8, 4, 2, 4, 8, 4, 2, 1, 2, 4, 2, 1)
VEMLOR_SPREAD_5BY3(TSierraDitherer, 5, 3, 2, 4, 5, 4, 2, 0, 2, 3, 2, 0)
VEMLOR_SPREAD_5BY3(TJaJuNiDitherer, 7, 5, 3, 5, 7, 5, 3, 1, 3, 5, 3, 1)
#undef VEMLOR_SPREAD_5BY3

void TBurkesDitherer::SpreadError(int Channel, Integer Error) {
    Add(Channel, 0, 1, Error, 8), Add(Channel, 0, 2, Error, 4);
    Add(Channel, 1, -2, Error, 2), Add(Channel, 1, -1, Error, 4), Add(Channel, 1, 0, Error, 8);
    Add(Channel, 1, 1, Error, 4), Add(Channel, 1, 2, Error, 2);
}

void TSteveArcheDitherer::SpreadError(int Channel, Integer Error) {
    Add(Channel, 0, 2, Error, 32);
    Add(Channel, 1, -3, Error, 12), Add(Channel, 1, -1, Error, 26);
    Add(Channel, 1, 1, Error, 30), Add(Channel, 1, 3, Error, 16);
    Add(Channel, 2, -2, Error, 12), Add(Channel, 2, 0, Error, 26), Add(Channel, 2, 2, Error, 12);
    Add(Channel, 3, -3, Error, 5), Add(Channel, 3, -1, Error, 12);
    Add(Channel, 3, 1, Error, 12), Add(Channel, 3, 3, Error, 5);
}

}  // namespace GIFImage
