#pragma once
// Points and rectangles of the graphics layer. A rectangle's right and bottom
// edges are exclusive, as everywhere in the drawing code.

#include "platform/rtl/System.h"

struct TPoint {
    Integer x = 0;
    Integer y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    Integer Left = 0;
    Integer Top = 0;
    Integer Right = 0;
    Integer Bottom = 0;
    Integer Width() const { return Right - Left; }
    Integer Height() const { return Bottom - Top; }
    bool Contains(Integer x, Integer y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(Integer x, Integer y) { return TPoint{x, y}; }
inline TRect Rect(Integer left, Integer top, Integer right, Integer bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(Integer left, Integer top, Integer width, Integer height) {
    return TRect{left, top, left + width, top + height};
}
// The overlap of two rectangles; an empty rectangle (all zero) when they do not meet.
TRect IntersectRect(const TRect& a, const TRect& b);
