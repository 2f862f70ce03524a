// Text written into image pixels: the rectangle decides the cell height and the average
// character width, and every style bit of the logical font shows in the pixels.

#include "document/TextOutput.h"
#include "raster/DibContainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

using namespace kolvar;

namespace {

const QString kFace = QStringLiteral("DejaVu Sans");
constexpr uint32_t kInk = 0x2040A0;

struct TInk {
    TRect Box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    int32_t Pixels = 0;
    bool OnlyInk = true;
};

TInk Write(const TRect& r, int32_t style, const QString& text = QStringLiteral("Moth")) {
    TDibContainer img(300, 120);
    img.Clear(0xFFFFFF);
    DrawTextInRect(img, r, 0, style, text, kFace, kInk);
    TInk ink;
    for (int32_t y = 0; y < img.Height(); ++y)
        for (int32_t x = 0; x < img.Width(); ++x) {
            const TDibColor c = img.GetPixel(x, y);
            if (c == TDibColorArg(0xFFFFFF).Color()) continue;
            ink.OnlyInk = ink.OnlyInk && c == TDibColorArg(kInk).Color();
            ++ink.Pixels;
            ink.Box = {std::min(ink.Box.Left, x), std::min(ink.Box.Top, y),
                       std::max(ink.Box.Right, x), std::max(ink.Box.Bottom, y)};
        }
    return ink;
}

} // namespace

TEST(TextOutput, TheRectangleSetsHeightAndStretchesTheWidth) {
    const TInk narrow = Write({10, 10, 89, 39}, 0);
    const TInk wide = Write({10, 10, 249, 39}, 0);
    const TInk tall = Write({10, 10, 89, 99}, 0);
    ASSERT_GT(narrow.Pixels, 0);
    EXPECT_TRUE(narrow.OnlyInk && wide.OnlyInk && tall.OnlyInk);
    // Top-left at the rectangle's corner, inside the cell.
    EXPECT_GE(narrow.Box.Left, 10);
    EXPECT_GE(narrow.Box.Top, 10);
    EXPECT_LE(narrow.Box.Bottom, 40);
    // Three times the width per character gives about three times the ink's width; the same
    // width with a taller cell keeps it.
    const double ratio =
        double(wide.Box.Right - wide.Box.Left) / (narrow.Box.Right - narrow.Box.Left);
    EXPECT_NEAR(ratio, 3.0, 0.45);
    EXPECT_NEAR(tall.Box.Right - tall.Box.Left, narrow.Box.Right - narrow.Box.Left,
                (narrow.Box.Right - narrow.Box.Left) / 4);
    EXPECT_GT(tall.Box.Bottom - tall.Box.Top, 2 * (narrow.Box.Bottom - narrow.Box.Top));
}

TEST(TextOutput, EveryStyleBitChangesThePixels) {
    const TRect r{10, 10, 169, 49};
    const TInk plain = Write(r, 0);
    const TInk bold = Write(r, 1);
    EXPECT_GT(bold.Pixels, plain.Pixels * 5 / 4);
    const TInk italic = Write(r, 2);
    EXPECT_NE(italic.Pixels, plain.Pixels);
    // Underline reaches below the letters; strike-out adds a bar through them.
    const TInk under = Write(r, 4);
    EXPECT_GT(under.Box.Bottom, plain.Box.Bottom);
    const TInk strike = Write(r, 8);
    EXPECT_GT(strike.Pixels, plain.Pixels);
    EXPECT_EQ(strike.Box.Bottom, plain.Box.Bottom);
}

TEST(TextOutput, NothingToWriteLeavesTheImage) {
    EXPECT_EQ(Write({10, 10, 100, 40}, 0, QString()).Pixels, 0);
    EXPECT_EQ(Write({10, 40, 100, 10}, 0).Pixels, 0); // no cell height
    const TInk clipped = Write({250, 100, 400, 140}, 0);
    EXPECT_GT(clipped.Pixels, 0); // partly outside: clipped, not refused
}
