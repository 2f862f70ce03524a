// Ripple, Waves, Whirl and Pinch.
#include "filters/uFiltersDisplace.h"

#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

TEST(Ripple, WrapStepsBySizeMinusOne) {
    EXPECT_EQ(WrapCoordinate(100, 100), 1);
    EXPECT_EQ(WrapCoordinate(-1, 100), 98);
    EXPECT_EQ(WrapCoordinate(99, 100), 99);
    EXPECT_EQ(WrapCoordinate(0, 100), 0);
    EXPECT_EQ(WrapCoordinate(298, 100), 1);
    EXPECT_EQ(WrapCoordinate(12345, 1), 0);

    // The saw tooth shifts row 0 right by the amplitude and row 2 (half a period) left.
    const TDibContainer src = NoiseImage(100, 3, 1);
    const TDibContainer out = RunWhole<TRippleFilter>(src, [](TRippleFilter& f) {
        f.SetWaveForm(TRippleFilter::wfSawTooth);
        f.SetAmplitude(TPoint{0, 1});
        f.SetPeriod(TPoint{4, 4});
    });
    EXPECT_EQ(out.GetPixel(99, 0), src.GetPixel(1, 0));
    EXPECT_EQ(out.GetPixel(0, 0), src.GetPixel(1, 0));
    EXPECT_EQ(out.GetPixel(0, 2), src.GetPixel(98, 2));
    EXPECT_EQ(out.GetPixel(50, 1), src.GetPixel(50, 1));
}

TEST(Ripple, EdgeModesAndZeroPeriod) {
    const TDibContainer src = NoiseImage(40, 12, 2);
    for (uint8_t mode : {TRippleFilter::emWrap, TRippleFilter::emSmear, TRippleFilter::emColor}) {
        const TDibContainer still = RunWhole<TRippleFilter>(src, [&](TRippleFilter& f) {
            f.SetEdgeMode(mode);
            f.SetPeriod(TPoint{0, 7});
        });
        EXPECT_TRUE(still.SameImage(src)) << int(mode);
    }
    // Row 0 of a saw tooth moves 5 pixels right: the last 5 columns have no source.
    const auto shifted = [&](uint8_t mode) {
        return RunWhole<TRippleFilter>(src, [&](TRippleFilter& f) {
            f.SetWaveForm(TRippleFilter::wfSawTooth);
            f.SetEdgeMode(mode);
            f.SetAmplitude(TPoint{0, 5});
            f.SetPeriod(TPoint{1000, 1000});
        });
    };
    const TDibContainer colour = shifted(TRippleFilter::emColor);
    const TDibContainer smear = shifted(TRippleFilter::emSmear);
    for (int32_t x = 35; x < 40; ++x) {
        EXPECT_EQ(colour.GetPixel(x, 0), TDibColor{});
        EXPECT_EQ(smear.GetPixel(x, 0), src.GetPixel(x, 0));
    }
    EXPECT_EQ(colour.GetPixel(10, 0), src.GetPixel(15, 0));
    EXPECT_EQ(smear.GetPixel(10, 0), src.GetPixel(15, 0));
}

TEST(Waves, FactorsStretchTheShorterSideUnlessRegular) {
    double fx = 0, fy = 0;
    TWavesFilter::WaveFactors(TRect{0, 0, 19, 9}, false, fx, fy);
    EXPECT_EQ(fx, 1.0);
    EXPECT_EQ(fy, 2.0);
    TWavesFilter::WaveFactors(TRect{0, 0, 9, 19}, false, fx, fy);
    EXPECT_EQ(fx, 2.0);
    EXPECT_EQ(fy, 1.0);
    TWavesFilter::WaveFactors(TRect{0, 0, 19, 9}, true, fx, fy);
    EXPECT_EQ(fx, 1.0);
    EXPECT_EQ(fy, 1.0);

    // With no amplitude every pixel maps onto itself, on a 2:1 region too.
    const TDibContainer src = NoiseImage(20, 10, 3);
    const TDibContainer out = RunWhole<TWavesFilter>(src, [](TWavesFilter& f) {
        f.SetRegular(false);
        f.SetAmplitude(0);
    });
    EXPECT_TRUE(out.SameImage(src));
}

TEST(WhirlPinch, IdentityOutsideTheRadiusAndSettersCompareTheirOwnField) {
    const TDibContainer src = NoiseImage(31, 31, 4);
    EXPECT_TRUE(RunWhole<TWhirlPinchFilter>(src, [](TWhirlPinchFilter&) {}).SameImage(src));
    const TDibContainer out =
        RunWhole<TWhirlPinchFilter>(src, [](TWhirlPinchFilter& f) { f.SetWhirl(90); });
    EXPECT_FALSE(out.SameImage(src));
    // The corners lie farther from the centre than half the side.
    for (const TPoint& p : {TPoint{0, 0}, TPoint{30, 0}, TPoint{0, 30}, TPoint{29, 29}})
        EXPECT_EQ(out.GetPixel(p.X, p.Y), src.GetPixel(p.X, p.Y));
    EXPECT_EQ(out.GetPixel(15, 15), src.GetPixel(15, 15));

    TWhirlPinchFilter f(TRect{0, 0, 30, 30}, src);
    f.SetWhirl(50);
    f.SetPinch(0.5);
    EXPECT_EQ(f.Pinch(), 0.5);
    f.SetPinch(0.2);
    f.SetPinch(0.5);
    EXPECT_EQ(f.Pinch(), 0.5);
    f.SetPinch(-7);
    EXPECT_EQ(f.Pinch(), -3);
}
