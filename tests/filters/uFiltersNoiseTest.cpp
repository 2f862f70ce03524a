#include "filters/uFiltersNoise.h"

#include "raster/DibRandom.h"

#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

TEST(Noise, MeanOffsetAndSpreadFloors) {
    const TDibContainer src(2, 2);
    TNoiseFilter f(TRect{0, 0, 1, 1}, src);
    EXPECT_EQ(f.MeanOffset(), 1);
    EXPECT_EQ(f.Spread(), 1);
    f.SetMethod(TNoiseFilter::nmPoisson);
    EXPECT_EQ(f.Spread(), 7);
    f.SetVariance(5);
    EXPECT_EQ(f.Variance(), 1);
    EXPECT_EQ(f.Spread(), 700);
    f.SetMethod(TNoiseFilter::nmGaussian);
    EXPECT_EQ(f.Spread(), 1000);
    // Mean positions up to 50 round to 0, from 51 up to 1.
    f.SetMean(0.5);
    EXPECT_EQ(f.MeanOffset(), 1);
    f.SetMean(0.51);
    EXPECT_EQ(f.Mean(), 1);
    EXPECT_EQ(f.MeanOffset(), 128);
    // The cumulative table rises to about one.
    const auto& d = f.Distribution();
    for (size_t k = 1; k < 1000; ++k) ASSERT_GE(d[k], d[k - 1]);
    EXPECT_NEAR(d[999], 1.0, 0.01);
}

TEST(Noise, DrawsFromTheSharedGenerator) {
    const uint32_t saved = RandomSeed();
    const TDibContainer src = NoiseImage(60, 40, 14);
    const auto run = [&](uint8_t method, double variance, bool colour) {
        return RunWhole<TNoiseFilter>(src, [&](TNoiseFilter& f) {
            f.SetMethod(method);
            f.SetVariance(variance);
            f.SetColorNoise(colour);
        });
    };
    SetRandomSeed(77);
    const TDibContainer a = run(TNoiseFilter::nmGaussian, 0.3, true);
    SetRandomSeed(77);
    EXPECT_TRUE(run(TNoiseFilter::nmGaussian, 0.3, true).SameImage(a));
    EXPECT_FALSE(run(TNoiseFilter::nmGaussian, 0.3, true).SameImage(a));
    EXPECT_FALSE(a.SameImage(src));

    // Without colour noise one draw moves all three channels of a grey pixel alike.
    TDibContainer grey(30, 30);
    grey.Clear(TDibColor{120, 120, 120});
    const TDibContainer g = RunWhole<TNoiseFilter>(grey, [](TNoiseFilter& f) {
        f.SetMethod(TNoiseFilter::nmUniform);
        f.SetVariance(0.5);
        f.SetColorNoise(false);
    });
    for (int32_t x = 0; x < 30; ++x) {
        const TDibColor c = g.GetPixel(x, 7);
        EXPECT_TRUE(c.Red == c.Green && c.Green == c.Blue);
    }
    EXPECT_FALSE(g.SameImage(grey));

    // Impulse noise at variance 0 still hits about one pixel in 2000.
    const TDibContainer big = NoiseImage(200, 200, 15);
    const TDibContainer imp =
        RunWhole<TNoiseFilter>(big, [](TNoiseFilter& f) { f.SetMethod(TNoiseFilter::nmImpulse); });
    const int32_t hits = CountDifferences(imp, big);
    EXPECT_GT(hits, 5);
    EXPECT_LT(hits, 60);
    // A spray of variance 0 moves nothing.
    EXPECT_TRUE(run(TNoiseFilter::nmSpray, 0, true).SameImage(src));
    const TDibContainer spray = run(TNoiseFilter::nmSpray, 0.1, true);
    EXPECT_GT(CountDifferences(spray, src), 1000);
    SetRandomSeed(saved);
}
