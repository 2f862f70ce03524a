// Box blur, split blur, motion blur and the rank filter, the fast ones against plain
// references that follow the definitions literally.
#include "filters/Blur.h"

#include "filters/GraphicFilterTable.h"
#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace kolvar;
using namespace kolvar::test;

namespace {

uint8_t Channel(const TDibColor& c, int ch) {
    return ch == 0 ? c.Blue : ch == 1 ? c.Green : c.Red;
}

// f(values of one channel over the clamped square window) for every pixel of region.
template <class TReduce>
TDibContainer PlainWindow(const TDibContainer& src, const TRect& region, int32_t R, TReduce&& f) {
    TDibContainer out(region.Right - region.Left + 1, region.Bottom - region.Top + 1);
    std::vector<int32_t> v;
    for (int32_t y = 0; y < out.Height(); ++y)
        for (int32_t x = 0; x < out.Width(); ++x) {
            uint8_t res[3];
            for (int ch = 0; ch < 3; ++ch) {
                v.clear();
                for (int32_t dy = -R; dy <= R; ++dy)
                    for (int32_t dx = -R; dx <= R; ++dx)
                        v.push_back(
                            Channel(src.GetPixel(IClamp(x + region.Left + dx, 0, src.Width() - 1),
                                                 IClamp(y + region.Top + dy, 0, src.Height() - 1)),
                                    ch));
                res[ch] = uint8_t(f(v));
            }
            out.SetPixel(x, y, TDibColor{res[0], res[1], res[2]});
        }
    return out;
}

TDibContainer PlainBlur(const TDibContainer& src, const TRect& region, int32_t R) {
    const int32_t n = 2 * R + 1;
    return PlainWindow(src, region, R, [&](const std::vector<int32_t>& v) {
        int32_t s = 0;
        for (int32_t c : v) s += Round(c * 65536.0 / (n * n));
        return s >> 16;
    });
}

// The filter over a rectangle selection (its region), or over a polygon selection compared
// only inside the polygon's spans through the same polygon fill of the reference.
template <class TFilter, class TSet>
void ExpectSame(const TDibContainer& src, const TFilterSelection* sel, const TDibContainer& want,
                TSet&& set) {
    const TFilterSetup setup = SetupFilterRegion(src.Width(), src.Height(), sel);
    TFilter f(setup.Region, src);
    set(f);
    const TDibContainer got = RunPreview(f, src.Width(), src.Height(), sel);
    TDibContainer expect(setup.PreviewWidth(), setup.PreviewHeight());
    src.CopyRectTo(setup.Region, expect);
    const TDibSpanProc copy = [&](TDibContainer& t, int32_t y, int32_t x1, int32_t x2,
                                  const TRect&) {
        for (int32_t x = x1; x <= x2; ++x) t.SetPixel(x, y, want.GetPixel(x, y));
    };
    if (setup.Outline.Kind == TFilterSelection::fsPolygon)
        expect.FillPolygon(setup.Outline.Points, copy);
    else
        expect.FillRect(0, 0, expect.Width() - 1, expect.Height() - 1, copy);
    EXPECT_EQ(CountDifferences(got, expect), 0);
}

TFilterSelection Triangle() {
    TPoints pts;
    for (const TPoint& p : {TPoint{5, 3}, TPoint{44, 9}, TPoint{14, 30}}) pts.Add(p);
    return TFilterSelection::Polygon(pts);
}

} // namespace

TEST(Blur, SlidingSumsMatchThePlainWindow) {
    const TDibContainer src = NoiseImage(47, 33, 9);
    const TRect whole{0, 0, 46, 32};
    const TFilterSelection rect = TFilterSelection::Rectangle(TRect{6, 4, 40, 20});
    const TFilterSelection tri = Triangle();
    for (int32_t R : {1, 2, 7, 15, 40}) {
        SCOPED_TRACE(R);
        const auto set = [R](TBlurFilter& f) { f.SetRadius(R); };
        ExpectSame<TBlurFilter>(src, nullptr, PlainBlur(src, whole, R), set);
        ExpectSame<TBlurFilter>(src, &rect, PlainBlur(src, TRect{6, 4, 40, 20}, R), set);
        const TRect tb = SetupFilterRegion(47, 33, &tri).Region;
        ExpectSame<TBlurFilter>(src, &tri, PlainBlur(src, tb, R), set);
    }
    // A flat area loses at most one level to the truncating weights.
    TDibContainer flat(9, 9);
    flat.Clear(TDibColor{200, 100, 7});
    const TDibContainer out = RunWhole<TBlurFilter>(flat, [](TBlurFilter&) {});
    const TDibColor c = out.GetPixel(4, 4);
    EXPECT_GE(c.Blue, 199);
    EXPECT_GE(c.Green, 99);
    EXPECT_GE(c.Red, 6);
    TBlurFilter f(whole, src);
    f.SetRadius(0);
    EXPECT_EQ(f.Radius(), 1);
    f.SetRadius(1000);
    EXPECT_EQ(f.Radius(), 255);
}

TEST(Rank, MinimumMedianMaximumMatchThePlainWindow) {
    const TDibContainer src = NoiseImage(45, 31, 10);
    const TFilterSelection tri = Triangle();
    const TRect tb = SetupFilterRegion(45, 31, &tri).Region;
    const auto minimum = [](const std::vector<int32_t>& v) {
        return MinOf(v.data(), int32_t(v.size()));
    };
    const auto maximum = [](const std::vector<int32_t>& v) {
        return MaxOf(v.data(), int32_t(v.size()));
    };
    // The bubble passes of the definition for small windows, a selection for large ones.
    const auto median = [](std::vector<int32_t> v) {
        if (v.size() <= 121) return Median(v.data(), int32_t(v.size()));
        std::nth_element(v.begin(), v.begin() + ptrdiff_t(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    for (int32_t R = 1; R <= 30; ++R) {
        SCOPED_TRACE(R);
        const TRect whole{0, 0, 44, 30};
        const auto with = [R](uint8_t m) {
            return [R, m](TRoughFilter& f) {
                f.SetMethod(m);
                f.SetRadius(R);
            };
        };
        if (R <= 5 || R % 5 == 0) {
            ExpectSame<TRoughFilter>(src, nullptr, PlainWindow(src, whole, R, minimum),
                                     with(TRoughFilter::rmMinimum));
            ExpectSame<TRoughFilter>(src, nullptr, PlainWindow(src, whole, R, maximum),
                                     with(TRoughFilter::rmMaximum));
            ExpectSame<TRoughFilter>(src, &tri, PlainWindow(src, tb, R, maximum),
                                     with(TRoughFilter::rmMaximum));
        }
        ExpectSame<TRoughFilter>(src, nullptr, PlainWindow(src, whole, R, median),
                                 with(TRoughFilter::rmMedian));
        ExpectSame<TRoughFilter>(src, &tri, PlainWindow(src, tb, R, median),
                                 with(TRoughFilter::rmMedian));
    }
    // Flat and two-level pictures put whole windows into one coarse bin or across two.
    TDibContainer steps(40, 30);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const uint8_t v = uint8_t(x < 20 ? 15 : 16 + (y & 1) * 200);
            steps.SetPixel(x, y, TDibColor{v, uint8_t(255 - v), 128});
        }
    for (int32_t R : {1, 4, 13}) {
        ExpectSame<TRoughFilter>(steps, nullptr, PlainWindow(steps, TRect{0, 0, 39, 29}, R, median),
                                 [R](TRoughFilter& f) { f.SetRadius(R); });
    }
}

TEST(Rank, DialogAmountsGiveRadii) {
    const TFilterInfo& row = *FindFilter(25);
    const TDibContainer src(3, 3);
    for (int32_t amount = 0; amount <= 15; ++amount) {
        auto f = row.Create(TRect{0, 0, 2, 2}, src);
        row.Params.at(0).SetValue(*f, 0); // median
        row.Params.at(1).SetValue(*f, amount);
        const int32_t median = dynamic_cast<TRoughFilter&>(*f).Radius();
        row.Params.at(0).SetValue(*f, 2); // maximum
        row.Params.at(1).SetValue(*f, amount);
        const int32_t maximum = dynamic_cast<TRoughFilter&>(*f).Radius();
        EXPECT_EQ(median, amount <= 5 ? 1 : amount / 3) << amount;
        EXPECT_EQ(maximum, std::max(amount, 1)) << amount;
    }
}

namespace {

// The streak's clipped walk summed again for every pixel, as the definition reads.
TDibContainer PlainMotionBlur(const TDibContainer& src, const TMotionBlurFilter& f) {
    const int32_t W = src.Width(), H = src.Height();
    TDibContainer out(W, H);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            int32_t s[3] = {0, 0, 0}, n = 0;
            BresenhamLine(
                x - f.HalfDX(), y - f.HalfDY(), x + f.HalfDX(), y + f.HalfDY(),
                [&](int32_t px, int32_t py) {
                    for (int ch = 0; ch < 3; ++ch) s[ch] += Channel(src.GetPixel(px, py), ch);
                    ++n;
                },
                W - 1, H - 1);
            TDibColor c = src.GetPixel(x, y);
            if (n > 0)
                c = TDibColor{uint8_t(ClampRound(double(s[0]) / n, 0, 255)),
                              uint8_t(ClampRound(double(s[1]) / n, 0, 255)),
                              uint8_t(ClampRound(double(s[2]) / n, 0, 255))};
            out.SetPixel(x, y, c);
        }
    return out;
}

} // namespace

TEST(MotionBlur, RunningSumsMatchTheClippedWalk) {
    // Every length up to 200, each on a picture just large enough for an inner part where
    // the whole streak fits, so both the running sums and the clipped walk at the edges count.
    const TDibContainer one(1, 1);
    for (double angle : {0.0, 30.0, 90.0, 135.0, 200.0, -63.0})
        for (int32_t len = 0; len <= 200; len += (angle == 0 || angle == 90) ? 1 : 3) {
            SCOPED_TRACE(testing::Message() << len << " " << angle);
            TMotionBlurFilter probe(TRect{0, 0, 0, 0}, one);
            probe.SetLength(len);
            probe.SetAngle(angle);
            const int32_t W = 2 * std::abs(probe.HalfDX()) + 9;
            const int32_t H = 2 * std::abs(probe.HalfDY()) + 5;
            const TDibContainer src = NoiseImage(W, H, uint32_t(len + 1000));
            TMotionBlurFilter f(TRect{0, 0, W - 1, H - 1}, src);
            f.SetLength(len);
            f.SetAngle(angle);
            const TDibContainer got = RunPreview(f, W, H);
            EXPECT_EQ(CountDifferences(got, PlainMotionBlur(src, f)), 0);
            if (len <= 1) EXPECT_TRUE(got.SameImage(src));
        }
}

TEST(MotionBlur, SelectionsAndDirections) {
    const TDibContainer src = NoiseImage(60, 45, 11);
    const TFilterSelection tri = Triangle();
    for (double angle : {0.0, 30.0, 90.0, 135.0})
        for (int32_t len : {6, 17}) {
            SCOPED_TRACE(testing::Message() << len << " " << angle);
            TMotionBlurFilter probe(TRect{0, 0, 59, 44}, src);
            probe.SetLength(len);
            probe.SetAngle(angle);
            const TDibContainer whole = PlainMotionBlur(src, probe);
            const TRect tb = SetupFilterRegion(60, 45, &tri).Region;
            TDibContainer part(tb.Right - tb.Left + 1, tb.Bottom - tb.Top + 1);
            whole.CopyRectTo(tb, part);
            ExpectSame<TMotionBlurFilter>(src, &tri, part, [&](TMotionBlurFilter& f) {
                f.SetLength(len);
                f.SetAngle(angle);
            });
        }
    TMotionBlurFilter f(TRect{0, 0, 39, 29}, src);
    f.SetLength(10);
    f.SetAngle(90);
    EXPECT_EQ(f.HalfDX(), 0);
    EXPECT_EQ(f.HalfDY(), -5);
    f.SetLength(-5);
    f.SetAngle(0);
    EXPECT_EQ(f.HalfDX(), -2);
    // The opposite direction draws the same streak.
    const TDibContainer small = NoiseImage(40, 30, 12);
    for (double angle : {0.0, 37.0, 90.0, 123.0}) {
        SCOPED_TRACE(angle);
        TMotionBlurFilter a(TRect{0, 0, 39, 29}, small), b(TRect{0, 0, 39, 29}, small);
        a.SetLength(3);
        a.SetAngle(angle);
        b.SetLength(3);
        b.SetAngle(angle + 180);
        EXPECT_TRUE(RunPreview(a, 40, 30).SameImage(RunPreview(b, 40, 30)));
    }
}

TEST(SplitBlur, AveragesFourClampedCorners) {
    const TDibContainer src = NoiseImage(12, 8, 12);
    EXPECT_TRUE(RunWhole<TSplitBlurFilter>(src, [](TSplitBlurFilter&) {}).SameImage(src));
    const TDibContainer out = RunWhole<TSplitBlurFilter>(src, [](TSplitBlurFilter& f) {
        f.SetRadiusX(2);
        f.SetRadiusY(30);
    });
    const TDibColor a = src.GetPixel(3, 0), b = src.GetPixel(7, 0), c = src.GetPixel(3, 7),
                    d = src.GetPixel(7, 7);
    EXPECT_EQ(out.GetPixel(5, 4).Red, (a.Red + b.Red + c.Red + d.Red) / 4);
    EXPECT_EQ(out.GetPixel(0, 4).Green, (src.GetPixel(0, 0).Green + src.GetPixel(2, 0).Green +
                                         src.GetPixel(0, 7).Green + src.GetPixel(2, 7).Green) /
                                            4);
}
