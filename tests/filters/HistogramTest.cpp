#include "filters/Histogram.h"

#include "filters/GraphicFilterTable.h"
#include "filters/GraphicFilterTableRows.h"
#include "raster/DibColors.h"

#include "FilterTestSupport.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

TEST(Histogram, EqualisingOneColour) {
    for (uint8_t v : {uint8_t(100), uint8_t(1), uint8_t(255)}) {
        SCOPED_TRACE(int(v));
        TDibContainer img(16, 9);
        img.Clear(TDibColor{v, v, v});
        THistogram h(TRect{0, 0, 15, 8}, img);
        img.FillRect(0, 0, 15, 8, h.SpanProc);
        const int32_t i = h.Intensity(TDibColor{v, v, v});
        EXPECT_EQ(h.Counts(THistogram::hcIntensity)[size_t(i)], 16 * 9);
        EXPECT_EQ(h.Counts(THistogram::hcRed)[v], 16 * 9);
        h.SetPass(2);
        ASSERT_TRUE(h.TableReady());
        const auto& t = h.EqualizeTable();
        for (int32_t j = 0; j < 256; ++j) {
            const int want = j < i - 1 ? 0 : j == i - 1 ? 127 : 255;
            ASSERT_EQ(t[size_t(j)], want) << j;
        }
    }
    // The direct command runs both passes over the whole image, selection or not.
    TDibContainer img(10, 10);
    img.Clear(TDibColor{50, 100, 150});
    const TFilterSelection sel = TFilterSelection::Rectangle(TRect{2, 2, 4, 4});
    ApplyFilterInfo(*FindFilter(27), img, &sel);
    // Intensity 45 + 59 + 6 = 110: every channel goes through the table of 110.
    EXPECT_EQ(img.GetPixel(0, 0), (TDibColor{0, 0, 255}));
    EXPECT_EQ(img.GetPixel(3, 3), (TDibColor{0, 0, 255}));
}

TEST(Histogram, EvenLevelsGiveANearIdentityTable) {
    TDibContainer img(256, 4);
    for (int32_t x = 0; x < 256; ++x)
        for (int32_t y = 0; y < 4; ++y)
            img.SetPixel(x, y, TDibColor{uint8_t(x), uint8_t(x), uint8_t(x)});
    THistogram h(TRect{0, 0, 255, 3}, img);
    img.FillRect(0, 0, 255, 3, h.SpanProc);
    h.SetPass(2);
    // Weighted intensities skip a few levels and double others; the table follows them.
    for (int32_t j = 0; j < 256; ++j) EXPECT_NEAR(h.EqualizeTable()[size_t(j)], j, 3) << j;
    // Going back to pass 1 clears the counts.
    h.SetPass(1);
    EXPECT_FALSE(h.TableReady());
    EXPECT_EQ(h.Counts(THistogram::hcRed)[7], 0);
}

TEST(Histogram, PictureOfOneChannel) {
    TDibContainer blue(20, 10);
    blue.Clear(clDibBlue);
    TDibContainer pic;
    ShowHistogram(blue, pic,
                  [](TGraphicFilter& f) { dynamic_cast<THistogram&>(f).ShownChannel = 1; });
    ASSERT_EQ(pic.Width(), 280);
    ASSERT_EQ(pic.Height(), 140);
    // Red level 0 holds every pixel: a full bar from 40 to 130 in red; level 1 only its foot.
    EXPECT_EQ(pic.GetPixel(10, 40), clDibRed);
    EXPECT_EQ(pic.GetPixel(10, 130), clDibRed);
    EXPECT_EQ(pic.GetPixel(10, 39), clDibBlack);
    EXPECT_EQ(pic.GetPixel(11, 129), clDibBlack);
    EXPECT_EQ(pic.GetPixel(9, 130), clDibBlack);

    THistogram h(TRect{0, 0, 19, 9}, blue);
    blue.FillRect(0, 0, 19, 9, h.SpanProc);
    DrawHistogramChannel(h, THistogram::hcBlue, pic);
    EXPECT_EQ(pic.GetPixel(265, 40), clDibBlue);
    DrawHistogramChannel(h, THistogram::hcIntensity, pic);
    EXPECT_EQ(pic.GetPixel(10 + 29, 40), clDibSilver);
}
