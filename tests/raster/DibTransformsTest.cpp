// Whole-picture geometry compared pixel for pixel with plain, obviously right references.

#include "raster/DibTransforms.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

using namespace kolvar;

namespace {

// Every pixel of Got against Source at the coordinates Map gives for it.
void expectMapped(const TDibContainer& Got, const TDibContainer& Source, int32_t W, int32_t H,
                  const std::function<TPoint(int32_t, int32_t)>& Map) {
    ASSERT_EQ(Got.Width(), W);
    ASSERT_EQ(Got.Height(), H);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const TPoint s = Map(x, y);
            ASSERT_EQ(Got.GetPixel(x, y), Source.GetPixel(s.X, s.Y)) << x << "," << y;
        }
}

double bilinearReference(const TDibContainer& S, double sx, double sy, int k) {
    sx = std::clamp(sx, 0.0, S.Width() - 1.0);
    sy = std::clamp(sy, 0.0, S.Height() - 1.0);
    const int x0 = int(sx), y0 = int(sy);
    const int x1 = std::min(x0 + 1, S.Width() - 1), y1 = std::min(y0 + 1, S.Height() - 1);
    const double fx = sx - x0, fy = sy - y0;
    auto at = [&](int x, int y) {
        const TDibColor c = S.GetPixel(x, y);
        return double(k == 0 ? c.Blue : k == 1 ? c.Green : c.Red);
    };
    return (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
           (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
}

} // namespace

TEST(DibTransforms, MirrorsAndQuarterTurnsMoveEveryPixelExactly) {
    const int32_t w = 37, h = 23;
    const TDibContainer s = test::NoisyImage(w, h, 1);
    expectMapped(FlippedHorizontal(s), s, w, h, [&](int32_t x, int32_t y) {
        return TPoint{w - 1 - x, y};
    });
    expectMapped(FlippedVertical(s), s, w, h, [&](int32_t x, int32_t y) {
        return TPoint{x, h - 1 - y};
    });
    // Clockwise: the bottom-left corner comes to the top-left.
    expectMapped(Rotated90(s, true), s, h, w, [&](int32_t x, int32_t y) {
        return TPoint{y, h - 1 - x};
    });
    expectMapped(Rotated90(s, false), s, h, w, [&](int32_t x, int32_t y) {
        return TPoint{w - 1 - y, x};
    });
    expectMapped(Rotated180(s), s, w, h, [&](int32_t x, int32_t y) {
        return TPoint{w - 1 - x, h - 1 - y};
    });
    // Larger than one block of the blocked copy, and byte-identical after a full turn (padding
    // included).
    const TDibContainer big = test::NoisyImage(131, 70, 2);
    TDibContainer turned = big;
    for (int i = 0; i < 4; ++i) turned = Rotated90(turned, true);
    EXPECT_TRUE(turned.SameImage(big));
    EXPECT_TRUE(Rotated90(Rotated90(big, false), true).SameImage(big));
    EXPECT_TRUE(FlippedVertical(FlippedHorizontal(big)).SameImage(Rotated180(big)));
    EXPECT_TRUE(Rotated90(TDibContainer(), true).Empty());
}

TEST(DibTransforms, NearestResizeTakesThePixelUnderEachCentre) {
    const TDibContainer s = test::NoisyImage(37, 23, 3);
    for (const auto& [w, h] : {std::pair{74, 46}, {20, 9}, {1, 1}, {100, 5}, {37, 23}}) {
        const TDibContainer r = Resized(s, w, h, TResample::Nearest);
        expectMapped(r, s, w, h, [&](int32_t x, int32_t y) {
            return TPoint{int32_t(std::floor((x + 0.5) * 37 / w)),
                          int32_t(std::floor((y + 0.5) * 23 / h))};
        });
    }
    EXPECT_TRUE(Resized(s, 37, 23, TResample::Smooth).SameImage(s));
    EXPECT_TRUE(Resized(s, 0, 5, TResample::Smooth).Empty());
}

TEST(DibTransforms, SmoothResizeStaysWithinOneOfAPlainBilinear) {
    const TDibContainer s = test::NoisyImage(37, 23, 4);
    for (const auto& [w, h] : {std::pair{90, 31}, {15, 11}, {3, 70}, {1, 1}}) {
        const TDibContainer r = Resized(s, w, h, TResample::Smooth);
        ASSERT_EQ(r.Width(), w);
        ASSERT_EQ(r.Height(), h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k) {
                    const double want = bilinearReference(s, (x + 0.5) * 37.0 / w - 0.5,
                                                          (y + 0.5) * 23.0 / h - 0.5, k);
                    const TDibColor c = r.GetPixel(x, y);
                    const int got = k == 0 ? c.Blue : k == 1 ? c.Green : c.Red;
                    ASSERT_LE(std::abs(got - want), 1.0)
                        << w << "x" << h << " at " << x << "," << y << " channel " << k;
                }
    }
}

TEST(DibTransforms, CanvasPlacesThePictureByItsAnchorOnPaper) {
    const TDibContainer s = test::NoisyImage(7, 5, 5);
    const TDibColor paper{1, 2, 3};
    struct TCase {
        int32_t Anchor;
        int32_t W, H;
        TPoint Offset;
    };
    // Growing and shrinking, every corner and the centre (odd differences round toward 0).
    for (const TCase& c : {TCase{caTopLeft, 10, 9, {0, 0}}, TCase{caTopRight, 10, 9, {3, 0}},
                           TCase{caBottomLeft, 10, 9, {0, 4}}, TCase{caBottomRight, 10, 9, {3, 4}},
                           TCase{caCenter, 10, 8, {1, 1}}, TCase{caBottomRight, 4, 3, {-3, -2}},
                           TCase{caCenter, 4, 2, {-1, -1}}, TCase{caRight, 7, 7, {0, 1}}}) {
        EXPECT_EQ(CanvasOffset(7, 5, c.W, c.H, c.Anchor), c.Offset) << c.Anchor;
        const TDibContainer r = CanvasResized(s, c.W, c.H, c.Anchor, paper);
        ASSERT_EQ(r.Width(), c.W);
        ASSERT_EQ(r.Height(), c.H);
        for (int32_t y = 0; y < c.H; ++y)
            for (int32_t x = 0; x < c.W; ++x) {
                const int32_t sx = x - c.Offset.X, sy = y - c.Offset.Y;
                const bool inside = sx >= 0 && sy >= 0 && sx < 7 && sy < 5;
                ASSERT_EQ(r.GetPixel(x, y), inside ? s.GetPixel(sx, sy) : paper)
                    << "anchor " << c.Anchor << " at " << x << "," << y;
            }
    }
}

TEST(DibTransforms, CropTakesTheRectangleClippedToThePicture) {
    const TDibContainer s = test::NoisyImage(30, 20, 6);
    const TDibContainer r = Cropped(s, {25, 15, 4, 3}); // corners in either order
    expectMapped(r, s, 22, 13, [](int32_t x, int32_t y) { return TPoint{x + 4, y + 3}; });
    const TDibContainer clipped = Cropped(s, {-5, 10, 40, 60});
    expectMapped(clipped, s, 30, 10, [](int32_t x, int32_t y) { return TPoint{x, y + 10}; });
    EXPECT_TRUE(Cropped(s, {31, 0, 40, 5}).Empty());
    EXPECT_TRUE(Cropped(s, {0, 0, 29, 19}).SameImage(s));
}
