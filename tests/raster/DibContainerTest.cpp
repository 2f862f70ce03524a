#include "raster/DibContainer.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

// A deterministic pattern where every pixel differs from its neighbours.
void Paint(TDibContainer& d, uint32_t seed = 1) {
    for (int32_t y = 0; y < d.Height(); ++y)
        for (int32_t x = 0; x < d.Width(); ++x)
            d.SetPixel(x, y, (uint32_t(x) * 2654435761u + uint32_t(y) * 40503u + seed) & 0xFFFFFF);
}

uint32_t Px(const TDibContainer& d, int32_t x, int32_t y) {
    return DibColorToInt(d.GetPixel(x, y));
}

} // namespace

TEST(DibColors, ConversionsAndConstants) {
    const TDibColor c = DibColorFromColor(0x00332211); // toolkit: red 0x11, blue 0x33
    EXPECT_EQ(c, (TDibColor{0x33, 0x22, 0x11}));
    EXPECT_EQ(DibColorToInt(c), 0x112233u);
    EXPECT_EQ(ColorFromDibColor(0x112233u), 0x00332211u);
    EXPECT_EQ(ColorFromDibColor(c), 0x00332211u);
    EXPECT_TRUE(SameDibColor(0xAB112233u, 0x00112233u));
    EXPECT_FALSE(SameDibColor(0x112233u, 0x112234u));
    EXPECT_EQ(DibLuminance(clDibWhite), 255);
    EXPECT_EQ(DibLuminance(0xFF0000u), (255 * 19595) >> 16);
    EXPECT_EQ(DibLuminance(0x0000FFu), (255 * 7471) >> 16);
    EXPECT_EQ(DibColorToInt(clDibRed), 0xFF0000u);
    EXPECT_EQ(DibColorToInt(clDibBlue), 0x0000FFu);
    EXPECT_EQ(DibColorToInt(clDibMagenta), 0xFF00FFu);
    EXPECT_EQ(DibColorToInt(clDibSilver), 0xC0C0C0u);
}

TEST(DibContainer, LayoutAndPixelBytes) {
    for (auto [w, stride] : {std::pair{1, 4}, {2, 8}, {4, 12}, {5, 16}}) {
        TDibContainer d(w, 3);
        EXPECT_EQ(d.Stride(), stride) << w;
        EXPECT_EQ(d.ScanLine(2) - d.ScanLine(0), 2 * stride);
        for (size_t i = 0; i < d.ByteSize(); ++i) ASSERT_EQ(d.Bits()[i], 0);
    }
    TDibContainer d(5, 2);
    d.SetPixel(4, 1, 0x112233u);
    const uint8_t* p = d.ScanLine(1) + 12;
    EXPECT_EQ(p[0], 0x33); // blue first
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x11);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(d.PixelPtr(4, 1)), p);
    EXPECT_EQ(d.GetPixel(4, 1), (TDibColor{0x33, 0x22, 0x11}));
}

TEST(DibContainer, SizesEmptyAndRefused) {
    TDibContainer d(3, 2);
    d.SetPixel(1, 1, 0x445566u);
    d.SetSize(3, 2);
    EXPECT_EQ(Px(d, 1, 1), 0x445566u) << "same size keeps the pixels";
    d.SetSize(2, 3);
    EXPECT_EQ(d.Width(), 2);
    EXPECT_EQ(d.Height(), 3);
    for (size_t i = 0; i < d.ByteSize(); ++i) ASSERT_EQ(d.Bits()[i], 0);

    d.SetSize(0, 7);
    EXPECT_TRUE(d.Empty());
    EXPECT_EQ(d.Width(), 0);
    EXPECT_EQ(d.Height(), 0);
    d.Clear(0xFFFFFFu);
    d.HorzLine(0, 0, 5, 0xFFFFFFu);
    d.FloodFill(0, 0, 1, 0);
    TDibContainer other(4, 4);
    d.BlendTo(other, 0, 0, 0);
    other.BlendTo(d, 0, 0, 0);
    other.StretchTo(d, TRect{0, 0, 3, 3}, true);
    EXPECT_TRUE(TDibContainer().SameImage(d));

    EXPECT_THROW(TDibContainer(-1, 5), EDibSizeError);
    EXPECT_THROW(d.SetSize(70000, 70000), EDibSizeError);
    try {
        d.SetSize(1 << 20, 1 << 20);
        FAIL();
    } catch (const EDibSizeError& e) {
        EXPECT_TRUE(e.Message().contains("1048576 x 1048576"));
    }
    EXPECT_TRUE(d.Empty()) << "a refused size changes nothing";
}

TEST(DibContainer, CopiesCompareWholeBuffers) {
    TDibContainer a(5, 4);
    Paint(a);
    TDibContainer b(a);
    EXPECT_TRUE(a.SameImage(b));
    b.SetPixel(4, 3, Px(b, 4, 3) ^ 1);
    EXPECT_FALSE(a.SameImage(b));
    b.AssignContainer(a);
    EXPECT_TRUE(a.SameImage(b));
    b.ScanLine(2)[15] = 9; // a padding byte takes part in the comparison
    EXPECT_FALSE(a.SameImage(b));

    TDibContainer tall(5, 5), shortOne(5, 4);
    EXPECT_FALSE(tall.SameImage(shortOne)) << "equal (black) pixels, different heights";

    TDibContainer moved(std::move(b));
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(moved.Width(), 5);
    moved = a;
    EXPECT_TRUE(moved.SameImage(a));
}

TEST(DibContainer, ClearAndHorzLine) {
    TDibContainer d(5, 3);
    d.Clear(0xA1B2C3u);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) ASSERT_EQ(Px(d, x, y), 0xA1B2C3u);

    d.Clear(0);
    d.HorzLine(1, 3, 1, 0x010203u);
    d.HorzLine(2, -10, 100, 0x0A0B0Cu);
    d.HorzLine(3, 0, 4, 0xFFFFFFu);
    d.HorzLine(-1, 0, 4, 0xFFFFFFu);
    for (int32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(Px(d, x, 0), 0u);
        EXPECT_EQ(Px(d, x, 1), x >= 1 && x <= 3 ? 0x010203u : 0u);
        EXPECT_EQ(Px(d, x, 2), 0x0A0B0Cu);
    }
    EXPECT_EQ(d.ScanLine(2)[15], 0) << "padding stays untouched";
}

TEST(DibContainer, AssignBitmapOfEveryDepth) {
    TDibContainer d(2, 2);
    d.SetPixel(0, 0, 0x123456u);
    d.AssignBitmap(QImage());
    EXPECT_EQ(d.Width(), 2);
    EXPECT_EQ(Px(d, 0, 0), 0x123456u) << "a null bitmap leaves the container as it was";

    QImage mono(9, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    mono.setPixel(8, 1, 1);
    d.AssignBitmap(mono);
    EXPECT_EQ(d.Width(), 9);
    EXPECT_EQ(Px(d, 8, 1), 0xFFFFFFu);
    EXPECT_EQ(Px(d, 7, 1), 0u);

    QImage idx(3, 1, QImage::Format_Indexed8);
    idx.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    idx.setPixel(0, 0, 1);
    idx.setPixel(1, 0, 0);
    idx.setPixel(2, 0, 1);
    d.AssignBitmap(idx);
    EXPECT_EQ(Px(d, 0, 0), 0xC86432u);
    EXPECT_EQ(Px(d, 1, 0), 0x0A141Eu);

    QImage rgb16(2, 1, QImage::Format_RGB16);
    rgb16.setPixel(0, 0, qRgb(255, 0, 0));
    rgb16.setPixel(1, 0, qRgb(0, 0, 255));
    d.AssignBitmap(rgb16);
    EXPECT_EQ(Px(d, 0, 0), 0xFF0000u);
    EXPECT_EQ(Px(d, 1, 0), 0x0000FFu);

    for (auto format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888}) {
        QImage img(5, 3, format);
        img.fill(qRgb(1, 2, 3));
        img.setPixel(4, 2, qRgb(250, 128, 7));
        d.AssignBitmap(img);
        EXPECT_EQ(d.Width(), 5);
        EXPECT_EQ(d.Height(), 3);
        EXPECT_EQ(Px(d, 0, 0), 0x010203u);
        EXPECT_EQ(Px(d, 4, 2), 0xFA8007u);
        EXPECT_EQ(d.ScanLine(2)[15], 0);
    }
    TDibContainer e;
    e.Assign(d.ToImage());
    EXPECT_TRUE(e.SameImage(d));
}

TEST(DibContainer, DrawToDCThroughPainter) {
    TDibContainer d(3, 2);
    Paint(d);
    QImage canvas(6, 5, QImage::Format_RGB32);
    canvas.fill(qRgb(9, 9, 9));
    {
        QPainter p(&canvas);
        d.DrawToDC(p, 2, 1);
    }
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(9, 9, 9));
    EXPECT_EQ(canvas.pixel(5, 3), qRgb(9, 9, 9));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(canvas.pixel(x + 2, y + 1) & 0xFFFFFF, Px(d, x, y));
}

TEST(DibContainer, CopyRectToClampsBothSides) {
    TDibContainer src(6, 5);
    Paint(src);
    TDibContainer dest(3, 2);
    src.CopyRectTo(TRect{2, 1, 4, 2}, dest);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(Px(dest, x, y), Px(src, x + 2, y + 1));
    // A rect larger than dest, reaching past the source: only what fits is written.
    TDibContainer small(2, 2);
    src.CopyRectTo(TRect{-3, 3, 40, 40}, small);
    EXPECT_EQ(Px(small, 0, 0), Px(src, 0, 3));
    EXPECT_EQ(Px(small, 1, 1), Px(src, 1, 4));
}

TEST(DibContainer, BlendToFormulaAndClipping) {
    TDibContainer src(2, 2), dest(2, 2);
    src.Clear(0x646464u);  // byte 100
    dest.Clear(0xC8C8C8u); // byte 200
    src.BlendTo(dest, 0, 0, 255);
    EXPECT_EQ(Px(dest, 0, 0), 0xC8C8C8u);
    src.BlendTo(dest, 0, 0, 128);
    EXPECT_EQ(Px(dest, 1, 1), 0x959595u); // (200*128 + 100*127) >> 8 = 149
    src.BlendTo(dest, 0, 0, 0);
    EXPECT_EQ(Px(dest, 1, 0), 0x646464u);
    dest.Clear(0xC8C8C8u);
    src.Clear(0xC8C8C8u);
    src.BlendTo(dest, 0, 0, 1);
    EXPECT_EQ(Px(dest, 0, 0), 0xC7C7C7u) << "the shift truncates: 200 over 200 gives 199";

    // A 6 x 6 source at every offset that crosses an edge of a 4 x 4 destination.
    TDibContainer big(6, 6);
    Paint(big, 7);
    for (auto [ox, oy] : {std::pair{-3, 1}, {2, -4}, {3, 3}, {-1, -1}, {-5, -5}, {3, -5}}) {
        TDibContainer d(4, 4);
        d.Clear(0x010101u);
        big.BlendTo(d, ox, oy, 0);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 4; ++x) {
                const bool inside = x - ox >= 0 && x - ox < 6 && y - oy >= 0 && y - oy < 6;
                ASSERT_EQ(Px(d, x, y), inside ? Px(big, x - ox, y - oy) : 0x010101u)
                    << ox << "," << oy << " at " << x << "," << y;
            }
    }
    TDibContainer d(4, 4);
    big.BlendTo(d, -6, 0, 0);
    big.BlendTo(d, 4, 0, 0);
    big.BlendTo(d, 0, 4, 0);
    EXPECT_TRUE(d.SameImage(TDibContainer(4, 4)));
}

TEST(DibContainer, BlendTransparentToSkipsKey) {
    TDibContainer src(3, 1), dest(3, 1);
    src.SetPixel(0, 0, 0xFF00FFu);
    src.SetPixel(1, 0, 0x646464u);
    src.SetPixel(2, 0, 0xFF00FFu);
    for (int32_t t : {0, 128}) {
        dest.Clear(0xC8C8C8u);
        src.BlendTransparentTo(dest, 0, 0, clDibMagenta, t);
        EXPECT_EQ(Px(dest, 0, 0), 0xC8C8C8u);
        EXPECT_EQ(Px(dest, 2, 0), 0xC8C8C8u);
        EXPECT_EQ(Px(dest, 1, 0), t == 0 ? 0x646464u : 0x959595u);
    }
    dest.Clear(0);
    src.BlendTransparentTo(dest, 2, 0, 0xFF00FFu, 0);
    EXPECT_EQ(Px(dest, 2, 0), 0u) << "clipped: only the key pixel lands";
    src.BlendTransparentTo(dest, 1, 0, 0xFF00FFu, 0);
    EXPECT_EQ(Px(dest, 2, 0), 0x646464u);
}
