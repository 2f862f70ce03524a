// Lens and fish eye.
#include "filters/Lens.h"

#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

TEST(Lens, RefractionOneAndZeroIterationsAreIdentities) {
    const TDibContainer src = NoiseImage(37, 23, 5);
    EXPECT_TRUE(RunWhole<TLensFilter>(src, [](TLensFilter&) {}).SameImage(src));
    EXPECT_TRUE(RunWhole<TFishEyeFilter>(src, [](TFishEyeFilter& f) {
                    f.SetIterations(0);
                }).SameImage(src));
    // Inside a selection too, laid out on its box.
    TPoints pts;
    for (const TPoint& p : {TPoint{3, 2}, TPoint{30, 5}, TPoint{20, 20}}) pts.Add(p);
    const TFilterSelection sel = TFilterSelection::Polygon(pts);
    TLensFilter lens(SetupFilterRegion(37, 23, &sel).Region, src);
    TDibContainer part = RunPreview(lens, 37, 23, &sel);
    TDibContainer whole = src;
    part.BlendTo(whole, 3, 2, 0);
    EXPECT_TRUE(whole.SameImage(src));

    TLensFilter strong(TRect{0, 0, 36, 22}, src);
    strong.SetRefraction(0.5);
    EXPECT_EQ(strong.Refraction(), 1.0);
    strong.SetRefraction(3);
    EXPECT_FALSE(RunPreview(strong, 37, 23).SameImage(src));
}

TEST(FishEye, CentreSamplesCentreAndFarPointsOfTallBoxesStay) {
    const TDibContainer src = NoiseImage(21, 15, 6);
    const TDibContainer out = RunWhole<TFishEyeFilter>(src, [](TFishEyeFilter& f) {
        f.SetIterations(9);
        EXPECT_EQ(f.Iterations(), 5);
    });
    EXPECT_EQ(out.GetPixel(10, 7), src.GetPixel(10, 7));
    EXPECT_FALSE(out.SameImage(src));

    // A box 5 wide and 61 tall: the top and bottom rows lie 30 from the centre, far beyond
    // the singular distance of 5, and keep their values; nothing outside the source is read.
    const TDibContainer tall = NoiseImage(5, 61, 7);
    const TDibContainer t =
        RunWhole<TFishEyeFilter>(tall, [](TFishEyeFilter& f) { f.SetIterations(5); });
    for (int32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(t.GetPixel(x, 0), tall.GetPixel(x, 0));
        EXPECT_EQ(t.GetPixel(x, 60), tall.GetPixel(x, 60));
    }
    EXPECT_EQ(t.GetPixel(2, 30), tall.GetPixel(2, 30));
}
