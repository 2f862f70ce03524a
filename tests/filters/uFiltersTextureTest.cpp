// Marble and Plasma.
#include "filters/uFiltersTexture.h"

#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

TEST(Textures, RepeatableAndIdentityAtTheirStart) {
    const TDibContainer src = NoiseImage(50, 40, 13);
    // The defaults displace by nothing.
    EXPECT_TRUE(RunWhole<TMarbleFilter>(src, [](TMarbleFilter&) {}).SameImage(src));
    EXPECT_TRUE(
        RunWhole<TPlasmaFilter>(src, [](TPlasmaFilter& f) { f.SetTurbulence(5); }).SameImage(src));

    const auto marble = [&] {
        return RunWhole<TMarbleFilter>(src, [](TMarbleFilter& f) {
            f.SetTurbulence(37);
            f.SetScale(6.5);
        });
    };
    const auto plasma = [&] {
        return RunWhole<TPlasmaFilter>(src, [](TPlasmaFilter& f) {
            f.SetTurbulence(12);
            f.SetScale(60);
        });
    };
    const TDibContainer m = marble(), p = plasma();
    EXPECT_FALSE(m.SameImage(src));
    EXPECT_FALSE(p.SameImage(src));
    EXPECT_TRUE(marble().SameImage(m));
    EXPECT_TRUE(plasma().SameImage(p));

    TPlasmaFilter f(TRect{0, 0, 49, 39}, src);
    f.SetTurbulence(0);
    EXPECT_EQ(f.Turbulence(), 0.01);
    f.SetScale(300);
    EXPECT_EQ(f.OffsetY()[0], 255);
    EXPECT_EQ(f.OffsetX()[0], 0);
}
