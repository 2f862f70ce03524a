// The warp against a plain reference that follows the steps literally: a whole-picture copy,
// every square sampled from the untouched picture, the copy written back.

#include "document/WarpEffect.h"
#include "raster/DibContainer.h"
#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace kolvar;

namespace {

TDibContainer RandomImage(int32_t W, int32_t H, std::mt19937& rng) {
    TDibContainer img(W, H);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) img.SetPixel(x, y, uint32_t(rng()) & 0xFFFFFF);
    return img;
}

int32_t Clamped(double v, int32_t size) {
    if (v < 0) return 0;
    if (v >= size) return size - 1;
    return int32_t(v);
}

void ReferenceWarp(TDibContainer& img, TPoint S, TPoint E) {
    const int32_t W = img.Width(), H = img.Height();
    int32_t ex = E.X, ey = E.Y, sx = S.X, sy = S.Y;
    if (ClipLine(ex, ey, sx, sy, TRect{1, 1, W - 2, H - 2})) {
        E = {ex, ey};
        S = {sx, sy};
    }
    const int32_t R = Round(2 * std::hypot(double(S.X - E.X), double(S.Y - E.Y)));
    if (R == 0) return;
    TDibContainer C(img);
    const int32_t lefts[4] = {E.X - R, E.X, E.X - R, E.X};
    const int32_t tops[4] = {E.Y - R, E.Y - R, E.Y, E.Y};
    for (int32_t k = 0; k < 4; ++k) {
        int32_t left = lefts[k], top = tops[k], w = R, h = R;
        if (left < 0) w += left, left = 0;
        if (top < 0) h += top, top = 0;
        if (left + w >= W) w = W - left - 1;
        if (top + h >= H) h = H - top - 1;
        if (w <= 0) continue;
        double tl[2] = {double(left), double(top)}, tr[2] = {double(left + w), double(top)};
        double bl[2] = {double(left), double(top + h)}, br[2] = {double(left + w), double(top + h)};
        double* pinned[4] = {br, bl, tr, tl};
        pinned[k][0] = S.X;
        pinned[k][1] = S.Y;
        for (int32_t c = 0; c < w; ++c) {
            const double t = double(c) / w;
            const double topX = tl[0] + (tr[0] - tl[0]) * t, topY = tl[1] + (tr[1] - tl[1]) * t;
            const double botX = bl[0] + (br[0] - bl[0]) * t, botY = bl[1] + (br[1] - bl[1]) * t;
            for (int32_t j = 0; j < h; ++j) {
                const double x = topX + (botX - topX) * j / h;
                const double y = topY + (botY - topY) * j / h;
                C.SetPixel(left + c, top + j, img.GetPixel(Clamped(x, W), Clamped(y, H)));
            }
        }
    }
    img.AssignContainer(C);
}

} // namespace

TEST(WarpEffect, MatchesThePlainStepsOnRandomPicturesAndSegments) {
    std::mt19937 rng(15);
    for (int round = 0; round < 300; ++round) {
        const int32_t W = 2 + int32_t(rng() % 60), H = 2 + int32_t(rng() % 60);
        const TDibContainer original = RandomImage(W, H, rng);
        // Ends anywhere from well outside the picture to well inside it.
        auto coord = [&](int32_t size) { return int32_t(rng() % (size + 40)) - 20; };
        const TPoint S{coord(W), coord(H)}, E{coord(W), coord(H)};
        TDibContainer expected(original), actual(original);
        ReferenceWarp(expected, S, E);
        WarpImage(actual, S, E);
        ASSERT_TRUE(actual.SameImage(expected))
            << W << "x" << H << " S=" << S.X << "," << S.Y << " E=" << E.X << "," << E.Y;
    }
}

TEST(WarpEffect, EqualEndsAndSegmentsThatMissThePictureChangeNothing) {
    std::mt19937 rng(3);
    const TDibContainer original = RandomImage(40, 30, rng);
    TDibContainer img(original);
    TPoint s{12, 9}, e{12, 9};
    EXPECT_EQ(WarpRadius(40, 30, s, e), 0);
    WarpImage(img, {12, 9}, {12, 9});
    EXPECT_TRUE(img.SameImage(original));
    // Both ends on the same side outside the border: the segment misses and the ends stay, so
    // the squares lie wholly outside the picture.
    TPoint s2{-150, 5}, e2{-130, 5};
    EXPECT_EQ(WarpRadius(40, 30, s2, e2), 40);
    EXPECT_EQ(s2.X, -150);
    WarpImage(img, {-150, 5}, {-130, 5});
    EXPECT_TRUE(img.SameImage(original));
}

TEST(WarpEffect, ClipsTheDragToTheInnerBorderAndLeavesTheLastRowAndColumn) {
    std::mt19937 rng(7);
    const TDibContainer original = RandomImage(50, 40, rng);
    TPoint s{25, 20}, e{200, 20};
    // The end moves onto x = W - 2, so the radius is twice the clipped length.
    EXPECT_EQ(WarpRadius(50, 40, s, e), 2 * (48 - 25));
    EXPECT_EQ(e.X, 48);
    TDibContainer img(original);
    WarpImage(img, {25, 20}, {200, 20});
    for (int32_t y = 0; y < 40; ++y) EXPECT_EQ(img.GetPixel(49, y), original.GetPixel(49, y));
    for (int32_t x = 0; x < 50; ++x) EXPECT_EQ(img.GetPixel(x, 39), original.GetPixel(x, 39));
    EXPECT_FALSE(img.SameImage(original));
}
