#include "document/WarpEffect.h"

#include "raster/DibContainer.h"
#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kolvar {

namespace {

struct TWarpSquare {
    int32_t Left;
    int32_t Top;
    int32_t Width;
    int32_t Height;
    // The corner that touches the end point: 0 top-left, 1 top-right, 2 bottom-left,
    // 3 bottom-right.
    int32_t Pinned;
};

void ClipSquare(TWarpSquare& s, int32_t W, int32_t H) {
    if (s.Left < 0) {
        s.Width += s.Left;
        s.Left = 0;
    }
    if (s.Top < 0) {
        s.Height += s.Top;
        s.Top = 0;
    }
    if (s.Left + s.Width >= W) s.Width = W - s.Left - 1;
    if (s.Top + s.Height >= H) s.Height = H - s.Top - 1;
}

int32_t ClampTrunc(double v, int32_t size) {
    if (v < 0) return 0;
    if (v >= size) return size - 1;
    return int32_t(v);
}

// Resamples one square of Source into Target, whose pixel (0, 0) is Source's (OX, OY).
void WarpSquare(const TDibContainer& Source, const TWarpSquare& s, const TPoint& Start,
                TDibContainer& Target, int32_t OX, int32_t OY) {
    TPoint2D corner[4] = {{double(s.Left), double(s.Top)},
                          {double(s.Left + s.Width), double(s.Top)},
                          {double(s.Left), double(s.Top + s.Height)},
                          {double(s.Left + s.Width), double(s.Top + s.Height)}};
    corner[s.Pinned] = {double(Start.X), double(Start.Y)};
    const int32_t W = Source.Width();
    const int32_t H = Source.Height();
    for (int32_t c = 0; c < s.Width; ++c) {
        const double t = double(c) / s.Width;
        const TPoint2D top{corner[0].X + (corner[1].X - corner[0].X) * t,
                           corner[0].Y + (corner[1].Y - corner[0].Y) * t};
        const TPoint2D bottom{corner[2].X + (corner[3].X - corner[2].X) * t,
                              corner[2].Y + (corner[3].Y - corner[2].Y) * t};
        for (int32_t j = 0; j < s.Height; ++j) {
            const double x = top.X + (bottom.X - top.X) * j / s.Height;
            const double y = top.Y + (bottom.Y - top.Y) * j / s.Height;
            Target.SetPixel(s.Left + c - OX, s.Top + j - OY,
                            Source.GetPixel(ClampTrunc(x, W), ClampTrunc(y, H)));
        }
    }
}

} // namespace

int32_t WarpRadius(int32_t W, int32_t H, TPoint& Start, TPoint& End) {
    // A segment that misses the rectangle keeps its ends.
    TPoint e = End;
    TPoint s = Start;
    if (ClipLine(e.X, e.Y, s.X, s.Y, TRect{1, 1, W - 2, H - 2})) {
        End = e;
        Start = s;
    }
    const double dx = double(End.X) - Start.X;
    const double dy = double(End.Y) - Start.Y;
    return Round(2 * std::sqrt(dx * dx + dy * dy));
}

void WarpImage(TDibContainer& Image, TPoint Start, TPoint End) {
    const int32_t W = Image.Width();
    const int32_t H = Image.Height();
    if (Image.Empty()) return;
    const int32_t R = WarpRadius(W, H, Start, End);
    if (R == 0) return;
    TWarpSquare squares[4] = {{End.X - R, End.Y - R, R, R, 3},
                              {End.X, End.Y - R, R, R, 2},
                              {End.X - R, End.Y, R, R, 1},
                              {End.X, End.Y, R, R, 0}};
    // Only the squares change, so the copy the samples go to covers just them.
    int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
    std::vector<TWarpSquare> live;
    for (TWarpSquare& s : squares) {
        ClipSquare(s, W, H);
        if (s.Width <= 0 || s.Height <= 0) continue;
        live.push_back(s);
        left = std::min(left, s.Left);
        top = std::min(top, s.Top);
        right = std::max(right, s.Left + s.Width);
        bottom = std::max(bottom, s.Top + s.Height);
    }
    if (live.empty()) return;
    TDibContainer copy(right - left, bottom - top);
    for (const TWarpSquare& s : live) WarpSquare(Image, s, Start, copy, left, top);
    for (const TWarpSquare& s : live)
        for (int32_t j = 0; j < s.Height; ++j)
            std::copy_n(copy.PixelPtr(s.Left - left, s.Top + j - top), s.Width,
                        Image.PixelPtr(s.Left, s.Top + j));
}

} // namespace kolvar
