#include "platform/gfx/Canvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Exceptions.h"

// ---------------------------------------------------------------------------
// Canvas helpers

namespace {

Cardinal Rop2(TPenMode mode, Cardinal d, Cardinal p, Cardinal mask) {
    Cardinal r;
    switch (mode) {
    case pmBlack: r = 0; break;
    case pmWhite: r = ~0u; break;
    case pmNop: r = d; break;
    case pmNot: r = ~d; break;
    case pmCopy: r = p; break;
    case pmNotCopy: r = ~p; break;
    case pmMergePenNot: r = p | ~d; break;
    case pmMaskPenNot: r = p & ~d; break;
    case pmMergeNotPen: r = ~p | d; break;
    case pmMaskNotPen: r = ~p & d; break;
    case pmMerge: r = p | d; break;
    case pmNotMerge: r = ~(p | d); break;
    case pmMask: r = p & d; break;
    case pmNotMask: r = ~(p & d); break;
    case pmXor: r = p ^ d; break;
    default: r = ~(p ^ d); break;
    }
    return r & mask;
}

// Bit k of the operation code gives the result for pattern = k & 4,
// source = k & 2, destination = k & 1.
Cardinal Rop3(Byte op, Cardinal p, Cardinal s, Cardinal d, Cardinal mask) {
    switch (op) {
    case 0xCC: return s;
    case 0x88: return s & d;
    case 0xEE: return (s | d) & mask;
    case 0x66: return s ^ d;
    case 0x00: return 0;
    case 0xFF: return mask;
    default: break;
    }
    Cardinal r = 0;
    for (int k = 0; k < 8; ++k)
        if (op & (1 << k)) r |= ((k & 4) ? p : ~p) & ((k & 2) ? s : ~s) & ((k & 1) ? d : ~d);
    return r & mask;
}

// 8x8 hatch patterns, most significant bit leftmost.
bool HatchBit(TBrushStyle style, Integer x, Integer y) {
    static constexpr Byte patterns[6][8] = {
        {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // horizontal
        {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal
        {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
        {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // cross
        {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
    };
    const int i = int(style) - int(bsHorizontal);
    return (patterns[i][y & 7] >> (7 - (x & 7))) & 1;
}

// On/off run lengths of the cosmetic pen styles, in pixels.
const std::vector<int>& DashPattern(TPenStyle style) {
    static const std::vector<int> none;
    static const std::vector<int> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return none;
    }
}

bool DashOn(const std::vector<int>& pattern, int counter) {
    int total = 0;
    for (int n : pattern) total += n;
    int pos = counter % total;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pos < pattern[i]) return (i % 2) == 0;
        pos -= pattern[i];
    }
    return true;
}

Int64 FloorDiv(Int64 a, Int64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

Int64 ISqrt(__int128 v) {
    if (v <= 0) return 0;
    Int64 r = Int64(std::sqrt(double(v)));
    while (__int128(r) * r > v) --r;
    while (__int128(r + 1) * (r + 1) <= v) ++r;
    return r;
}

// The pixels of row y whose centres lie inside the ellipse inscribed in
// [l, r) x [t, b); xs >= xe when none.
std::pair<Int64, Int64> EllipseSpan(Int64 l, Int64 t, Int64 r, Int64 b, Int64 y) {
    const Int64 w = r - l, h = b - t;
    const __int128 dy = 2 * y + 1 - (t + b);
    const __int128 rest = __int128(w) * w * h * h - dy * dy * w * w;
    if (rest < 0) return {0, 0};
    const Int64 dmax = ISqrt(rest / (__int128(h) * h));
    // |2x + 1 - (l + r)| <= dmax
    const Int64 xs = -FloorDiv(-(l + r - 1 - dmax), 2);
    const Int64 xe = FloorDiv(l + r - 1 + dmax, 2) + 1;
    return {xs, xe};
}

Integer Clamp32(Int64 v) { return Integer(std::clamp<Int64>(v, -0x40000000LL, 0x40000000LL)); }

}  // namespace

// ---------------------------------------------------------------------------
// Canvas

TCanvas::TCanvas(TBitmap* Bitmap) : FBitmap(Bitmap) {}
TCanvas::~TCanvas() = default;

void TCanvas::Changing() { FireEvent(OnChanging, this); }
void TCanvas::Changed() {
    FireEvent(OnChange, this);
    if (FBitmap) FBitmap->CanvasChanged();
}

bool TCanvas::Drawable() const { return FBitmap != nullptr && !FBitmap->Empty(); }

TRect TCanvas::ClipRect() const {
    if (!FBitmap) return TRect{};
    const TRect all = Rect(0, 0, FBitmap->Width(), FBitmap->Height());
    return FHasClip ? IntersectRect(FClip, all) : all;
}
void TCanvas::SetClipRect(const TRect& R) {
    FHasClip = true;
    FClip = R;
}
void TCanvas::ResetClipRect() { FHasClip = false; }

void TCanvas::Lock() {
    FLock.lock();
    ++FLockCount;
}
void TCanvas::Unlock() {
    --FLockCount;
    FLock.unlock();
}
bool TCanvas::TryLock() {
    if (!FLock.try_lock()) return false;
    ++FLockCount;
    return true;
}

void TCanvas::SetPenPos(const TPoint& Value) { MoveTo(Value.x, Value.y); }

TColor TCanvas::Pixel(Integer x, Integer y) const { return FBitmap ? FBitmap->GetPixel(x, y) : -1; }

void TCanvas::SetPixel(Integer x, Integer y, TColor Color) {
    if (!Drawable() || !ClipRect().Contains(x, y)) return;
    Changing();
    FBitmap->SetPixel(x, y, Color);
    Changed();
}

void TCanvas::PlotPen(Integer x, Integer y, Cardinal value) {
    if (!ClipRect().Contains(x, y)) return;
    FBitmap->SetPixelValue(x, y, Rop2(FPen.Mode(), FBitmap->PixelValue(x, y), value, FBitmap->PixelValueMask()));
}

void TCanvas::MoveTo(Integer x, Integer y) {
    FPenPos = Point(x, y);
    FStyleCounter = 0;
}

void TCanvas::PlotLine(Integer x0, Integer y0, Integer x1, Integer y1) {
    const Int64 dx = Int64(x1) - x0, dy = Int64(y1) - y0;
    const Int64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const Int64 n = std::max(adx, ady);
    const Cardinal value = FBitmap->ColorToPixelValue(FPen.Color());
    const int w = FPen.Width();
    const auto& pattern = DashPattern(FPen.Style());
    // Point i of the line: the minor coordinate is rounded to the nearest,
    // halves away from the start.
    auto at = [&](Int64 i, Int64& px, Int64& py) {
        if (adx >= ady) {
            px = x0 + (dx < 0 ? -i : i);
            py = y0 + (adx == 0 ? 0 : (dy < 0 ? -1 : 1) * ((2 * i * ady + adx) / (2 * adx)));
        } else {
            py = y0 + (dy < 0 ? -i : i);
            px = x0 + (dx < 0 ? -1 : 1) * ((2 * i * adx + ady) / (2 * ady));
        }
    };
    const TRect clip = ClipRect();
    // Only the part of the line whose major coordinate lies near the clip
    // rectangle is walked, so a line far out of the picture costs nothing.
    Int64 first = 0, last = n;  // [first, last]
    {
        const bool alongX = adx >= ady;
        const Int64 start = alongX ? x0 : y0;
        const Int64 dir = alongX ? (dx < 0 ? -1 : 1) : (dy < 0 ? -1 : 1);
        const Int64 lo = Int64(alongX ? clip.Left : clip.Top) - w - 1;
        const Int64 hi = Int64(alongX ? clip.Right : clip.Bottom) + w + 1;
        Int64 a = (lo - start) * dir, b = (hi - start) * dir;
        if (a > b) std::swap(a, b);
        first = std::max<Int64>(first, a);
        last = std::min<Int64>(last, b);
    }
    if (w <= 1) {
        // Every dash pattern repeats within 24 pixels, a divisor of 3600.
        if (first > 0) FStyleCounter = int((FStyleCounter + std::min<Int64>(first, n)) % 3600);
        for (Int64 i = std::max<Int64>(first, 0); i < n && i <= last; ++i) {
            const bool on = pattern.empty() || DashOn(pattern, FStyleCounter);
            FStyleCounter = (FStyleCounter + 1) % 3600;
            if (!on) continue;
            Int64 px, py;
            at(i, px, py);
            if (px >= clip.Left && px < clip.Right && py >= clip.Top && py < clip.Bottom)
                PlotPen(Integer(px), Integer(py), value);
        }
        return;
    }
    // A wide pen stamps a round brush of its width at every point, end
    // point included; each pixel is touched once so that xor modes work.
    std::vector<std::pair<Integer, Integer>> stamp;
    const double c = (w - 1) / 2.0, rr = (w / 2.0) * (w / 2.0);
    for (int j = 0; j < w; ++j)
        for (int i = 0; i < w; ++i)
            if ((i - c) * (i - c) + (j - c) * (j - c) <= rr) stamp.emplace_back(i - (w - 1) / 2, j - (w - 1) / 2);
    std::vector<std::pair<Integer, Integer>> pixels;
    for (Int64 i = std::max<Int64>(first, 0); i <= n && i <= last; ++i) {
        Int64 px, py;
        at(i, px, py);
        if (px < clip.Left - w || px >= clip.Right + w || py < clip.Top - w || py >= clip.Bottom + w) continue;
        for (const auto& [sx, sy] : stamp) {
            const Int64 qx = px + sx, qy = py + sy;
            if (qx >= clip.Left && qx < clip.Right && qy >= clip.Top && qy < clip.Bottom)
                pixels.emplace_back(Integer(qy), Integer(qx));
        }
    }
    std::sort(pixels.begin(), pixels.end());
    pixels.erase(std::unique(pixels.begin(), pixels.end()), pixels.end());
    for (const auto& [py, px] : pixels) PlotPen(px, py, value);
}

void TCanvas::LineTo(Integer x, Integer y) {
    if (Drawable() && FPen.Style() != psClear) {
        Changing();
        PlotLine(FPenPos.x, FPenPos.y, x, y);
        Changed();
    }
    FPenPos = Point(x, y);
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
    if (Points.empty()) return;
    const TPoint saved = FPenPos;
    const int savedCounter = FStyleCounter;
    FStyleCounter = 0;
    if (Drawable() && FPen.Style() != psClear) {
        Changing();
        for (std::size_t i = 1; i < Points.size(); ++i)
            PlotLine(Points[i - 1].x, Points[i - 1].y, Points[i].x, Points[i].y);
        Changed();
    }
    FPenPos = saved;
    FStyleCounter = savedCounter;
}

void TCanvas::FillSpanRop(Integer y, Integer xs, Integer xe, Cardinal value) {
    const TRect clip = ClipRect();
    if (y < clip.Top || y >= clip.Bottom) return;
    xs = std::max(xs, clip.Left);
    xe = std::min(xe, clip.Right);
    for (Integer x = xs; x < xe; ++x) PlotPen(x, y, value);
}

void TCanvas::BrushSpan(Integer y, Integer xs, Integer xe, bool useRop) {
    if (FBrush.Style() == bsClear) return;
    const TRect clip = ClipRect();
    if (y < clip.Top || y >= clip.Bottom) return;
    xs = std::max(xs, clip.Left);
    xe = std::min(xe, clip.Right);
    const Cardinal value = FBitmap->ColorToPixelValue(FBrush.Color());
    const Cardinal mask = FBitmap->PixelValueMask();
    const bool hatched = FBrush.Style() != bsSolid;
    if (!hatched && !useRop) {
        FBitmap->FillPixelValues(y, xs, xe, value);
        return;
    }
    for (Integer x = xs; x < xe; ++x) {
        if (hatched && !HatchBit(FBrush.Style(), x, y)) continue;
        FBitmap->SetPixelValue(x, y, useRop ? Rop2(FPen.Mode(), FBitmap->PixelValue(x, y), value, mask) : value);
    }
}

TCanvas::Region TCanvas::Erode(const Region& region, Integer times) {
    Region cur = region;
    for (Integer k = 0; k < times; ++k) {
        Region next;
        next.top = cur.top;
        next.rows.resize(cur.rows.size());
        for (std::size_t i = 0; i < cur.rows.size(); ++i) {
            Span s = cur.rows[i];
            s.xs += 1;
            s.xe -= 1;
            for (int d : {-1, 1}) {
                const std::ptrdiff_t j = std::ptrdiff_t(i) + d;
                if (j < 0 || j >= std::ptrdiff_t(cur.rows.size())) {
                    s.xe = s.xs;
                    break;
                }
                s.xs = std::max(s.xs, cur.rows[std::size_t(j)].xs);
                s.xe = std::min(s.xe, cur.rows[std::size_t(j)].xe);
            }
            if (s.xe < s.xs) s.xe = s.xs;
            next.rows[i] = s;
        }
        cur = std::move(next);
    }
    return cur;
}

TRect TCanvas::PenShapeBox(Integer x1, Integer y1, Integer x2, Integer y2) const {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (FPen.Style() == psClear) return Rect(x1, y1, Clamp32(Int64(x2) - 1), Clamp32(Int64(y2) - 1));  // one pixel less
    const int w = FPen.Width();
    if (w > 1 && FPen.Style() != psInsideFrame)
        return Rect(Clamp32(Int64(x1) - (w - 1) / 2), Clamp32(Int64(y1) - (w - 1) / 2), Clamp32(Int64(x2) + w / 2),
                    Clamp32(Int64(y2) + w / 2));
    return Rect(x1, y1, x2, y2);
}

void TCanvas::DrawRegion(const Region& region, bool rectangleOutline, const TRect& box) {
    const bool pen = FPen.Style() != psClear;
    const int w = pen ? FPen.Width() : 0;
    const bool styledRect = rectangleOutline && w == 1 && FPen.Style() != psSolid && FPen.Style() != psInsideFrame;
    const Region inner = Erode(region, w);
    for (std::size_t i = 0; i < inner.rows.size(); ++i)
        BrushSpan(inner.top + Integer(i), inner.rows[i].xs, inner.rows[i].xe, true);
    if (!pen) return;
    if (styledRect) {
        const TPoint saved = FPenPos;
        const int savedCounter = FStyleCounter;
        FStyleCounter = 0;
        const Integer l = box.Left, t = box.Top, r = box.Right - 1, b = box.Bottom - 1;
        PlotLine(l, t, r, t);
        PlotLine(r, t, r, b);
        PlotLine(r, b, l, b);
        PlotLine(l, b, l, t);
        FPenPos = saved;
        FStyleCounter = savedCounter;
        return;
    }
    const Cardinal value = FBitmap->ColorToPixelValue(FPen.Color());
    for (std::size_t i = 0; i < region.rows.size(); ++i) {
        const Integer y = region.top + Integer(i);
        const Span outer = region.rows[i], in = inner.rows[i];
        if (in.xe <= in.xs) {
            FillSpanRop(y, outer.xs, outer.xe, value);
        } else {
            FillSpanRop(y, outer.xs, in.xs, value);
            FillSpanRop(y, in.xe, outer.xe, value);
        }
    }
}

namespace {
// Rows of a shape that can matter: the box's rows near the clip rectangle.
std::pair<Integer, Integer> ShapeRows(const TRect& box, const TRect& clip, int pad) {
    const Integer top = std::max<Int64>(box.Top, Int64(clip.Top) - pad);
    const Integer bottom = std::min<Int64>(box.Bottom, Int64(clip.Bottom) + pad);
    return {top, std::max(top, bottom)};
}
}  // namespace

void TCanvas::Rectangle(Integer x1, Integer y1, Integer x2, Integer y2) {
    if (!Drawable()) return;
    const TRect box = PenShapeBox(x1, y1, x2, y2);
    if (box.IsEmpty()) return;
    Changing();
    Region region;
    const auto [top, bottom] = ShapeRows(box, ClipRect(), FPen.Width() + 2);
    region.top = top;
    for (Integer y = top; y < bottom; ++y) region.rows.push_back(Span{box.Left, box.Right});
    DrawRegion(region, true, box);
    Changed();
}

namespace {
// Curved shapes keep their coordinates within +-2^28 so that the exact
// integer arithmetic of the spans cannot overflow.
TRect ClampBox(const TRect& r) {
    static constexpr Integer limit = 1 << 28;
    auto c = [](Integer v) { return std::clamp(v, -limit, limit); };
    return TRect{c(r.Left), c(r.Top), c(r.Right), c(r.Bottom)};
}
}  // namespace

void TCanvas::Ellipse(Integer x1, Integer y1, Integer x2, Integer y2) {
    if (!Drawable()) return;
    const TRect box = ClampBox(PenShapeBox(x1, y1, x2, y2));
    if (box.IsEmpty()) return;
    Changing();
    Region region;
    const auto [top, bottom] = ShapeRows(box, ClipRect(), FPen.Width() + 2);
    region.top = top;
    for (Integer y = top; y < bottom; ++y) {
        auto [xs, xe] = EllipseSpan(box.Left, box.Top, box.Right, box.Bottom, y);
        if (xe < xs) xe = xs;
        region.rows.push_back(Span{Clamp32(xs), Clamp32(xe)});
    }
    DrawRegion(region, false, box);
    Changed();
}

void TCanvas::RoundRect(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3) {
    if (!Drawable()) return;
    const TRect box = ClampBox(PenShapeBox(x1, y1, x2, y2));
    if (box.IsEmpty()) return;
    const Int64 w = box.Width(), h = box.Height();
    const Int64 ew = std::clamp<Int64>(x3, 0, w), eh = std::clamp<Int64>(y3, 0, h);
    Changing();
    Region region;
    const auto [top, bottom] = ShapeRows(box, ClipRect(), FPen.Width() + 2);
    region.top = top;
    for (Integer y = top; y < bottom; ++y) {
        const Int64 i = y - box.Top;
        Int64 ey = -1;
        if (ew > 0 && eh > 0) {
            if (i < eh / 2) ey = i;
            else if (h - 1 - i < eh / 2) ey = eh - 1 - (h - 1 - i);
        }
        Int64 inset = 0;
        if (ey >= 0) {
            const auto [xs, xe] = EllipseSpan(0, 0, ew, eh, ey);
            inset = xe > xs ? xs : ew / 2;
        }
        region.rows.push_back(Span{Clamp32(box.Left + inset), Clamp32(box.Right - inset)});
    }
    DrawRegion(region, false, box);
    Changed();
}

void TCanvas::FillRect(const TRect& R) {
    if (!Drawable() || R.IsEmpty()) return;
    Changing();
    const TRect r = IntersectRect(R, ClipRect());
    for (Integer y = r.Top; y < r.Bottom; ++y) BrushSpan(y, r.Left, r.Right, false);
    Changed();
}

void TCanvas::FrameRect(const TRect& R) {
    if (!Drawable() || R.IsEmpty()) return;
    Changing();
    BrushSpan(R.Top, R.Left, R.Right, false);
    if (R.Bottom - 1 > R.Top) BrushSpan(R.Bottom - 1, R.Left, R.Right, false);
    for (Integer y = std::max(R.Top + 1, ClipRect().Top); y < std::min(R.Bottom - 1, ClipRect().Bottom); ++y) {
        BrushSpan(y, R.Left, R.Left + 1, false);
        if (R.Right - 1 > R.Left) BrushSpan(y, R.Right - 1, R.Right, false);
    }
    Changed();
}

void TCanvas::FloodFill(Integer x, Integer y, TColor Color, TFillStyle FillStyle) {
    if (!Drawable() || FBrush.Style() == bsClear) return;
    const TRect clip = ClipRect();
    if (!clip.Contains(x, y)) return;
    const Cardinal target = FBitmap->ColorToPixelValue(Color);
    const Cardinal fill = FBitmap->ColorToPixelValue(FBrush.Color());
    auto inside = [&](Integer px, Integer py) {
        const Cardinal v = FBitmap->PixelValue(px, py);
        return FillStyle == fsSurface ? v == target : v != target;
    };
    if (!inside(x, y)) return;
    // Filling an area with its own colour would change nothing.
    if (FillStyle == fsSurface && fill == target && FBrush.Style() == bsSolid) return;
    Changing();
    const Integer w = clip.Width();
    std::vector<bool> done(std::size_t(w) * std::size_t(clip.Height()), false);
    auto seen = [&](Integer px, Integer py) -> std::vector<bool>::reference {
        return done[std::size_t(py - clip.Top) * std::size_t(w) + std::size_t(px - clip.Left)];
    };
    std::vector<TPoint> stack{Point(x, y)};
    while (!stack.empty()) {
        const TPoint p = stack.back();
        stack.pop_back();
        if (seen(p.x, p.y) || !inside(p.x, p.y)) continue;
        Integer xs = p.x, xe = p.x + 1;
        while (xs > clip.Left && !seen(xs - 1, p.y) && inside(xs - 1, p.y)) --xs;
        while (xe < clip.Right && !seen(xe, p.y) && inside(xe, p.y)) ++xe;
        for (Integer i = xs; i < xe; ++i) seen(i, p.y) = true;
        for (int d : {-1, 1}) {
            const Integer ny = p.y + d;
            if (ny < clip.Top || ny >= clip.Bottom) continue;
            bool run = false;
            for (Integer i = xs; i < xe; ++i) {
                const bool ok = !seen(i, ny) && inside(i, ny);
                if (ok && !run) stack.push_back(Point(i, ny));
                run = ok;
            }
        }
        BrushSpan(p.y, xs, xe, false);
    }
    Changed();
}

void TCanvas::Draw(Integer x, Integer y, TGraphic* Graphic) {
    if (Graphic == nullptr || Graphic->Empty()) return;
    Graphic->Draw(*this, Bounds(x, y, Graphic->Width(), Graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
    if (Graphic == nullptr || Graphic->Empty()) return;
    Graphic->Draw(*this, R);
}

void TCanvas::Blit(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, int mode, TColor key,
                   const TBitmap* mask) {
    if (!Drawable() || Dest.IsEmpty() || SourceRect.IsEmpty() || Source.Empty()) return;
    // Copying within one bitmap reads from a snapshot, so overlapping areas
    // come out as if copied at once.
    TBitmap snapshot;
    const TBitmap* src = &Source;
    if (&Source == FBitmap) {
        snapshot.Assign(Source);
        src = &snapshot;
    }
    Changing();
    const TRect r = IntersectRect(Dest, ClipRect());
    const Int64 dw = Int64(Dest.Right) - Dest.Left, dh = Int64(Dest.Bottom) - Dest.Top;
    const Int64 sw = Int64(SourceRect.Right) - SourceRect.Left, sh = Int64(SourceRect.Bottom) - SourceRect.Top;
    const bool sameFormat = src->PixelFormat() == FBitmap->PixelFormat() && src->ColorTable() == FBitmap->ColorTable();
    const Cardinal mask32 = FBitmap->PixelValueMask();
    const Byte op = Byte(FCopyMode >> 16);
    const Cardinal pattern = FBrush.Style() == bsClear ? 0 : FBitmap->ColorToPixelValue(FBrush.Color());
    const TColor keyRgb = ColorToRGB(key) & 0xFFFFFF;
    Cardinal lastRaw = ~0u, lastValue = 0;
    for (Integer y = r.Top; y < r.Bottom; ++y) {
        const Int64 sy = SourceRect.Top + (Int64(y - Dest.Top) * sh) / dh;
        if (sy < 0 || sy >= src->Height()) continue;
        for (Integer x = r.Left; x < r.Right; ++x) {
            const Int64 sx = SourceRect.Left + (Int64(x - Dest.Left) * sw) / dw;
            if (sx < 0 || sx >= src->Width()) continue;
            const Cardinal raw = src->PixelValue(Integer(sx), Integer(sy));
            Cardinal value;
            if (sameFormat) value = raw;
            else if (raw == lastRaw) value = lastValue;
            else {
                value = FBitmap->ColorToPixelValue(src->PixelValueToColor(raw));
                lastRaw = raw;
                lastValue = value;
            }
            switch (mode) {
            case 1:  // transparent colour
                if (src->PixelValueToColor(raw) == keyRgb) continue;
                FBitmap->SetPixelValue(x, y, value);
                break;
            case 2: {  // mask
                const Int64 mx = sx - SourceRect.Left, my = sy - SourceRect.Top;
                if (mx < mask->Width() && my < mask->Height() && mask->PixelValue(Integer(mx), Integer(my)) != 0)
                    continue;
                FBitmap->SetPixelValue(x, y, value);
                break;
            }
            case 3:  // brush copy
                if (src->PixelValueToColor(raw) == keyRgb) {
                    if (FBrush.Style() == bsClear) continue;
                    value = pattern;
                }
                FBitmap->SetPixelValue(x, y, value);
                break;
            default:
                FBitmap->SetPixelValue(x, y, Rop3(op, pattern, value, FBitmap->PixelValue(x, y), mask32));
                break;
            }
        }
    }
    Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
    if (Canvas == nullptr || Canvas->FBitmap == nullptr) return;
    Blit(Dest, *Canvas->FBitmap, Source, 0, clNone, nullptr);
}

void TCanvas::CopyFromBitmap(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect) {
    Blit(Dest, Source, SourceRect, 0, clNone, nullptr);
}

void TCanvas::CopyTransparent(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect,
                              TColor TransparentColor) {
    Blit(Dest, Source, SourceRect, 1, TransparentColor, nullptr);
}

void TCanvas::CopyMasked(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, const TBitmap& Mask) {
    Blit(Dest, Source, SourceRect, 2, clNone, &Mask);
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) {
    if (Bitmap == nullptr) return;
    Blit(Dest, *Bitmap, Source, 3, Color, nullptr);
}

void TCanvas::TextOut(Integer x, Integer y, const AnsiString& Text) {
    if (!Drawable()) {
        FPenPos = Point(x + TextWidth(Text), y);
        return;
    }
    const TTextImage image = RasterizeText(FFont, Text, (FTextFlags & ETO_RTLREADING) != 0);
    Changing();
    for (Integer j = 0; j < image.Height; ++j) BrushSpan(y + j, x, x + image.Width, false);
    const Cardinal value = FBitmap->ColorToPixelValue(FFont.Color());
    const TRect clip = ClipRect();
    for (Integer j = 0; j < image.Height; ++j)
        for (Integer i = 0; i < image.Width; ++i)
            if (image.Coverage[std::size_t(j) * image.Width + i] >= 128 && clip.Contains(x + i, y + j))
                FBitmap->SetPixelValue(x + i, y + j, value);
    FPenPos = Point(x + image.Width, y);
    Changed();
}

TPoint TCanvas::TextExtent(const AnsiString& Text) { return MeasureText(FFont, Text); }
