#include "filters/Emboss.h"

#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

namespace {

TDibContainer Columns(std::initializer_list<uint8_t> levels, int32_t h) {
    TDibContainer d(int32_t(levels.size()), h);
    int32_t x = 0;
    for (uint8_t v : levels) {
        for (int32_t y = 0; y < h; ++y) d.SetPixel(x, y, TDibColor{v, v, v});
        ++x;
    }
    return d;
}

} // namespace

TEST(Emboss, FlatWhiteShadesToTheBackground) {
    for (int32_t w : {1, 2, 5}) {
        const TDibContainer white =
            Columns(std::initializer_list<uint8_t>{255, 255, 255, 255, 255}, 4);
        TDibContainer src(w, 4);
        white.CopyRectTo(TRect{0, 0, w - 1, 3}, src);
        const TDibContainer out = RunWhole<TEmbossFilter>(src, [](TEmbossFilter&) {});
        for (int32_t x = 0; x < w; ++x)
            EXPECT_EQ(out.GetPixel(x, 2), (TDibColor{181, 181, 181})) << w;
    }
    // In colour mode every channel is scaled by the shade.
    TDibContainer c(4, 4);
    c.Clear(TDibColor{100, 0, 255});
    const TDibContainer out =
        RunWhole<TEmbossFilter>(c, [](TEmbossFilter& f) { f.SetColored(true); });
    EXPECT_EQ(out.GetPixel(1, 1), (TDibColor{71, 0, 181}));
    TEmbossFilter f(TRect{0, 0, 3, 3}, c);
    f.SetDepth(0);
    EXPECT_EQ(f.Depth(), 0.1);
}

TEST(Emboss, ImagesNarrowerThanThreeColumnsClampTheNeighbours) {
    // Two columns: column 0 sees itself on the left and column 1 on the right, exactly as the
    // middle column of (white, white, black) does.
    const TDibContainer two = RunWhole<TEmbossFilter>(Columns({255, 0}, 3), [](TEmbossFilter&) {});
    const TDibContainer three =
        RunWhole<TEmbossFilter>(Columns({255, 255, 0}, 3), [](TEmbossFilter&) {});
    EXPECT_EQ(two.GetPixel(0, 1), three.GetPixel(1, 1));
    // Wider images keep the edge columns' centre one column in.
    EXPECT_EQ(three.GetPixel(0, 1), three.GetPixel(1, 1));
    EXPECT_NE(three.GetPixel(1, 1), (TDibColor{181, 181, 181}));
}
