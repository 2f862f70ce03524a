#include "formats/ColorReduce.h"

#include <gtest/gtest.h>

#include <set>

using namespace kolvar;

namespace {

QImage Ramp(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / (w - 1), y * 255 / (h - 1), (x + y) % 256));
    return img;
}

// Mean colour over the whole picture, per channel.
std::array<double, 3> Mean(const QImage& img) {
    std::array<double, 3> m{0, 0, 0};
    const QImage x = img.convertToFormat(QImage::Format_RGB32);
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            m[0] += qRed(x.pixel(i, j));
            m[1] += qGreen(x.pixel(i, j));
            m[2] += qBlue(x.pixel(i, j));
        }
    for (double& v : m) v /= double(x.width()) * x.height();
    return m;
}

} // namespace

TEST(ColorReduce, PalettesThatFitAreExactAndOthersAreDithered) {
    const QImage ramp = Ramp(64, 48);
    for (int bits : {1, 4, 8}) {
        const TDibData dib = ConvertToDib(ramp, bits);
        EXPECT_EQ(dib.Palette.size(), size_t(1) << bits);
        EXPECT_EQ(dib.Stride() % 4, 0);
        const QImage back = DibToImage(dib);
        // Error diffusion keeps the average colour (luminance for black and white).
        const auto a = Mean(back), b = Mean(ramp);
        if (bits == 1) {
            EXPECT_NEAR(0.299 * a[0] + 0.587 * a[1] + 0.114 * a[2],
                        0.299 * b[0] + 0.587 * b[1] + 0.114 * b[2], 8.0);
            std::set<QRgb> colors;
            for (int y = 0; y < back.height(); ++y)
                for (int x = 0; x < back.width(); ++x) colors.insert(back.pixel(x, y));
            EXPECT_EQ(colors, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
        } else {
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(a[size_t(c)], b[size_t(c)], bits == 4 ? 6.0 : 2.0) << bits;
        }
    }
    // The 16-colour fallback is the standard palette.
    const TDibData d4 = ConvertToDib(ramp, 4);
    EXPECT_EQ(d4.Palette[12], (TRgbQuad{255, 0, 0, 0}));

    QImage few(5, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) few.setPixel(x, y, qRgb(x * 50, y * 3, 7));
    EXPECT_EQ(DibToImage(ConvertToDib(few, 8)).convertToFormat(QImage::Format_RGB32), few);
}

TEST(ColorReduce, DirectDepthsLayOutPixelsAsBitmapsDo) {
    QImage img(2, 2, QImage::Format_ARGB32);
    img.fill(qRgb(1, 2, 3));
    img.setPixel(1, 0, qRgb(255, 128, 8));
    const TDibData d32 = ConvertToDib(img, 32);
    EXPECT_EQ(d32.Stride(), 8);
    // Bottom row first; the top row's second pixel in blue, green, red, zero order.
    EXPECT_EQ(d32.Bits.mid(8 + 4, 4), QByteArray("\x08\x80\xFF\x00", 4));
    const TDibData d16 = ConvertToDib(img, 16);
    EXPECT_EQ(uint8_t(d16.Bits[4 + 2]) | (uint8_t(d16.Bits[4 + 3]) << 8),
              (31 << 10) | (16 << 5) | 1);
    const TDibData d24 = ConvertToDib(img, 24);
    EXPECT_EQ(d24.Stride(), 8);
    EXPECT_EQ(d24.Bits.mid(0, 3), QByteArray("\x03\x02\x01", 3));
    EXPECT_THROW(ConvertToDib(img, 2), EInvalidGraphic);
    EXPECT_THROW(ConvertToDib(QImage(), 24), EInvalidGraphic);
}
