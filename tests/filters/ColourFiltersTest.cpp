// The colour filters' tables and per-pixel rules, and the colour-space conversions.
#include "filters/uFilters.h"
#include "raster/DibMath.h"

#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace kolvar;
using namespace kolvar::test;

namespace {

template <class T> TByteTable TableAt(double amount) {
    TDibContainer src(1, 1);
    T f(TRect{0, 0, 0, 0}, src);
    f.SetAmount(amount);
    return f.Table();
}

} // namespace

TEST(ColourFilters, ContrastTableSplitsAt127) {
    const TByteTable t = TableAt<TContrastFilter>(1);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[126], 124);
    EXPECT_EQ(t[127], 128);
    EXPECT_EQ(t[128], 128);
    EXPECT_EQ(t[255], 255);
    const TByteTable low = TableAt<TContrastFilter>(-1);
    EXPECT_EQ(low[0], 128);
    EXPECT_EQ(low[127], 126);
    EXPECT_EQ(low[255], 128);
}

TEST(ColourFilters, LightnessPullsTowardsWhiteOrScalesUp) {
    const TByteTable down = TableAt<TLightnessFilter>(-1);
    const TByteTable up = TableAt<TLightnessFilter>(1);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(down[size_t(i)], std::max(2 * i - 255, 0)) << i;
        EXPECT_EQ(up[size_t(i)], std::min(2 * i, 255)) << i;
    }
    // Halfway: 100 + 155 x -0.5 = 22.5 rounds to the even 22.
    EXPECT_EQ(TableAt<TLightnessFilter>(-0.5)[100], 22);
}

TEST(ColourFilters, PosterizeAndSolarizeLevels) {
    const TByteTable p = TableAt<TPosterizeFilter>(0.5);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[63], 0);
    EXPECT_EQ(p[64], 0); // 0.5 steps round to even
    EXPECT_EQ(p[65], 128);
    EXPECT_EQ(p[191], 128);
    EXPECT_EQ(p[192], 255); // 2 x 128 clamped
    EXPECT_EQ(p[255], 255);
    for (double identity : {0.0, -3.0}) {
        const TByteTable t = TableAt<TPosterizeFilter>(identity);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(t[size_t(i)], i);
    }

    const auto solarize = [](uint8_t r, uint8_t g, uint8_t b, double a) {
        return FilterPixel<TSolarizeFilter>(r, g, b, [a](TSolarizeFilter& f) { f.SetAmount(a); });
    };
    EXPECT_EQ(solarize(0, 0, 0, 1), Rgb(0, 0, 0));
    EXPECT_EQ(solarize(0, 0, 3, 1), Rgb(0, 0, 252));
    EXPECT_EQ(solarize(10, 200, 255, 1), Rgb(245, 55, 0));
    EXPECT_EQ(solarize(255, 255, 255, 0), Rgb(255, 255, 255));
    // Threshold 128 at 0.5: a mean of 128 stays; above it every channel over 128 flips.
    EXPECT_EQ(solarize(128, 128, 128, 0.5), Rgb(128, 128, 128));
    EXPECT_EQ(solarize(200, 100, 90, 0.5), Rgb(55, 100, 90));
    TDibContainer src(1, 1);
    TSolarizeFilter f(TRect{0, 0, 0, 0}, src);
    f.SetAmount(7);
    EXPECT_EQ(f.Amount(), 1);
    EXPECT_EQ(f.Threshold(), 0);
}

TEST(ColourFilters, GrayscaleNegativeAndRgbPixels) {
    const auto gray = [](uint8_t r, uint8_t g, uint8_t b) {
        return FilterPixel<TGrayScaleFilter>(r, g, b, [](auto&) {});
    };
    EXPECT_EQ(gray(255, 0, 0), Rgb(76, 76, 76));
    EXPECT_EQ(gray(255, 255, 255), Rgb(255, 255, 255));
    EXPECT_EQ(gray(0, 255, 0), Rgb(150, 150, 150));
    EXPECT_EQ(FilterPixel<TNegativeFilter>(1, 128, 255, [](auto&) {}), Rgb(254, 127, 0));
    EXPECT_EQ(FilterPixel<TRGBFilter>(10, 100, 250,
                                      [](TRGBFilter& f) {
                                          f.SetRedOffset(-20);
                                          f.SetGreenOffset(55);
                                          f.SetBlueOffset(10);
                                      }),
              Rgb(0, 155, 255));
}

TEST(ColourFilters, EveryFilterAtItsDefaultsReproducesTheSource) {
    const TDibContainer src = NoiseImage(37, 11, 5);
    const TRect all{0, 0, 36, 10};
    const auto run = [&](TGraphicFilter& f) {
        TDibContainer out;
        f.PrepareTarget(out);
        out.Clear(0);
        out.FillRect(0, 0, 36, 10, f.SpanProc);
        return out;
    };
    TRGBFilter rgb(all, src);
    TContrastFilter contrast(all, src);
    TLightnessFilter lightness(all, src);
    TPosterizeFilter posterize(all, src);
    for (TGraphicFilter* f : {(TGraphicFilter*)&rgb, (TGraphicFilter*)&contrast,
                              (TGraphicFilter*)&lightness, (TGraphicFilter*)&posterize})
        EXPECT_TRUE(run(*f).SameImage(src));
    // Solarize at 0 writes nothing, so the target keeps what PrepareTarget put there.
    TSolarizeFilter solarize(all, src);
    TDibContainer out;
    solarize.PrepareTarget(out);
    out.FillRect(0, 0, 36, 10, solarize.SpanProc);
    EXPECT_TRUE(out.SameImage(src));
    // The colour-space filters go through real arithmetic and come back within one level.
    THSLFilter hsl(all, src);
    THSVFilter hsv(all, src);
    TLABFilter lab(all, src);
    for (TGraphicFilter* f :
         {(TGraphicFilter*)&hsl, (TGraphicFilter*)&hsv, (TGraphicFilter*)&lab}) {
        const TDibContainer back = run(*f);
        for (int32_t y = 0; y < 11; ++y)
            for (int32_t x = 0; x < 37; ++x) {
                const TDibColor a = src.GetPixel(x, y), b = back.GetPixel(x, y);
                ASSERT_LE(std::abs(a.Red - b.Red), 1);
                ASSERT_LE(std::abs(a.Green - b.Green), 1);
                ASSERT_LE(std::abs(a.Blue - b.Blue), 1);
            }
    }
}

TEST(ColourFilters, HsvHueOutsideOneTurnLeavesTheTargetPixel) {
    // Red (hue 0) shifted to -200 and blue (hue 240) shifted to 440 are not written.
    for (const auto& [src, shift] :
         {std::pair{Rgb(255, 0, 0), -200.0}, std::pair{Rgb(0, 0, 255), 200.0}}) {
        TDibColor c = Rgb(1, 2, 3);
        const THSV hsv = RGBToHSV(src.Red, src.Green, src.Blue);
        EXPECT_FALSE(HSVToRGB(hsv.H + shift, hsv.S, hsv.V, c));
        EXPECT_EQ(c, Rgb(1, 2, 3));
    }
    TDibColor c;
    ASSERT_TRUE(HSVToRGB(360, 1, 1, c));
    EXPECT_EQ(c, Rgb(255, 0, 0));
    ASSERT_TRUE(HSVToRGB(-30, 1, 1, c)); // above -60 still counts as the first sextant
    EXPECT_FALSE(HSVToRGB(-60, 1, 1, c));

    // Through the filter: the pixel is left as PrepareTarget copied it.
    TDibContainer src(2, 1);
    src.SetPixel(0, 0, Rgb(0, 0, 255)); // hue 240, shifted past 360
    src.SetPixel(1, 0, Rgb(255, 0, 0)); // hue 0
    THSVFilter f(TRect{0, 0, 1, 0}, src);
    f.SetHueShift(180);
    TDibContainer out;
    f.PrepareTarget(out);
    out.FillRect(0, 0, 1, 0, f.SpanProc);
    EXPECT_EQ(out.GetPixel(0, 0), Rgb(0, 0, 255));
    EXPECT_EQ(out.GetPixel(1, 0), Rgb(0, 255, 255));
}

TEST(ColourSpaces, HslAndHsvRules) {
    THSL h = RGBToHSL(255, 0, 0);
    EXPECT_DOUBLE_EQ(h.H, 0);
    EXPECT_DOUBLE_EQ(h.S, 1);
    EXPECT_DOUBLE_EQ(h.L, 0.5);
    h = RGBToHSL(0, 0, 255);
    EXPECT_DOUBLE_EQ(h.H, 4.0 / 6);
    h = RGBToHSL(255, 0, 128); // negative sixth wraps into [0, 1)
    EXPECT_GT(h.H, 0.9);
    EXPECT_LT(h.H, 1);
    // Grey survives both round trips exactly.
    for (int v : {0, 1, 127, 128, 254, 255}) {
        const THSL g = RGBToHSL(uint8_t(v), uint8_t(v), uint8_t(v));
        EXPECT_EQ(HSLToRGB(g.H, g.S, g.L), Rgb(uint8_t(v), uint8_t(v), uint8_t(v)));
        const THSV s = RGBToHSV(uint8_t(v), uint8_t(v), uint8_t(v));
        TDibColor c;
        ASSERT_TRUE(HSVToRGB(s.H, s.S, s.V, c));
        EXPECT_EQ(c, Rgb(uint8_t(v), uint8_t(v), uint8_t(v)));
    }
    // A hue shift that pushes H + 1/3 above 2 is corrected once and lands in the last branch:
    // red comes out at m1 = 0.
    EXPECT_EQ(HSLToRGB(1.9, 1, 0.5).Red, 0);
    // Half a turn maps red to cyan.
    EXPECT_EQ(HSLToRGB(0.5, 1, 0.5), Rgb(0, 255, 255));
    EXPECT_EQ(FilterPixel<THSLFilter>(255, 0, 0, [](THSLFilter& f) { f.SetHueShift(0.5); }),
              Rgb(0, 255, 255));
    const THSV v = RGBToHSV(0, 255, 0);
    EXPECT_DOUBLE_EQ(v.H, 120);
    EXPECT_DOUBLE_EQ(RGBToHSV(255, 0, 255).H, 300);
}

TEST(ColourSpaces, MatricesAndLab) {
    const double expect[3][3] = {{0.411588, 0.357756, 0.180656},
                                 {0.212225, 0.715513, 0.072262},
                                 {0.019293, 0.119252, 0.951455}};
    const double inverse[3][3] = {{3.247294, -1.540383, -0.499584},
                                  {-0.968778, 1.875065, 0.041535},
                                  {0.055576, -0.203779, 1.055947}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(RGBToXYZ().m[i][j], expect[i][j], 2e-6);
            EXPECT_NEAR(XYZToRGB().m[i][j], inverse[i][j], 2e-6);
        }
    const TLab white = RGBToLab(255, 255, 255);
    EXPECT_NEAR(white.L, 100, 1e-9); // the white row of RGBToXYZ sums to Yn
    const TLab black = RGBToLab(0, 0, 0);
    EXPECT_NEAR(black.L, 0, 1e-9);
    EXPECT_NEAR(black.A, 0, 1e-9);
    EXPECT_EQ(LabToRGB(0, 0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(LabToRGB(white.L, white.A, white.B), Rgb(255, 255, 255));
    // A lightness shift of -100 on white gives black; a large a* makes grey reddish.
    EXPECT_EQ(FilterPixel<TLABFilter>(255, 255, 255, [](TLABFilter& f) { f.SetLShift(-100); }),
              Rgb(0, 0, 0));
    const TDibColor red =
        FilterPixel<TLABFilter>(128, 128, 128, [](TLABFilter& f) { f.SetAShift(60); });
    EXPECT_GT(red.Red, 128);
    EXPECT_LT(red.Green, 128);
}

TEST(ColourFilters, SettersIgnoreTheCurrentValueAndRebuildOtherwise) {
    TDibContainer src(1, 1);
    TContrastFilter f(TRect{0, 0, 0, 0}, src);
    EXPECT_EQ(f.Amount(), 0);
    EXPECT_EQ(f.Table()[126], 126);
    f.SetAmount(1);
    EXPECT_EQ(f.Table()[126], 124);
    f.SetAmount(0);
    EXPECT_EQ(f.Table()[126], 126);
    TRGBFilter rgb(TRect{0, 0, 0, 0}, src);
    EXPECT_EQ(rgb.RedOffset(), 0);
}

TEST(ColourFilters, ByteRoundingAgreesWithClampRound) {
    for (double v :
         std::initializer_list<double>{-3.0, -0.5, 0.0, 0.49, 0.5, 1.5, 2.5, 127.5, 128.5, 254.5,
                                       254.51, 255.0, 300.0, std::nan(""), INFINITY, -INFINITY})
        EXPECT_EQ(ClampRoundByte(v), ClampRound(v, 0, 255)) << v;
}
