#include "filters/Mirror.h"

#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

TEST(Mirror, FlipsAboutTheBoxCentre) {
    const TDibContainer src = NoiseImage(17, 9, 8);
    EXPECT_TRUE(RunWhole<TMirrorFilter>(src, [](TMirrorFilter&) {}).SameImage(src));

    const TDibContainer h =
        RunWhole<TMirrorFilter>(src, [](TMirrorFilter& f) { f.SetHorizontal(true); });
    const TDibContainer both = RunWhole<TMirrorFilter>(src, [](TMirrorFilter& f) {
        f.SetHorizontal(true);
        f.SetVertical(true);
    });
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 17; ++x) {
            EXPECT_EQ(h.GetPixel(x, y), src.GetPixel(16 - x, y));
            EXPECT_EQ(both.GetPixel(x, y), src.GetPixel(16 - x, 8 - y));
        }

    // A selection is mirrored in place; the rest of the image stays.
    TDibContainer img = src;
    const TFilterSelection sel = TFilterSelection::Rectangle(TRect{4, 2, 10, 6});
    ApplyFilterThroughPreview(NewFilter<TMirrorFilter>, img, &sel, [](TGraphicFilter& f) {
        dynamic_cast<TMirrorFilter&>(f).SetVertical(true);
    });
    EXPECT_EQ(img.GetPixel(4, 2), src.GetPixel(4, 6));
    EXPECT_EQ(img.GetPixel(10, 5), src.GetPixel(10, 3));
    EXPECT_EQ(img.GetPixel(3, 2), src.GetPixel(3, 2));
    EXPECT_EQ(img.GetPixel(4, 7), src.GetPixel(4, 7));
}
