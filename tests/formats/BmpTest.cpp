#include "formats/BmpCodec.h"
#include "formats/ColorReduce.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <random>

using namespace kolvar;

namespace {

QImage Noise(int w, int h, unsigned seed) {
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFF));
    return img;
}

bool SamePixels(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// A BMP file with a 40-byte header; the palette has the given entries (B, G, R, 0).
QByteArray Bmp(int w, int h, int bits, uint32_t compression, const QByteArray& data,
               const std::vector<QRgb>& palette = {}, uint32_t colorsUsed = 0) {
    QByteArray out(54, '\0');
    auto put32 = [&](int at, uint32_t v) { qToLittleEndian(v, out.data() + at); };
    auto put16 = [&](int at, uint16_t v) { qToLittleEndian(v, out.data() + at); };
    out[0] = 'B';
    out[1] = 'M';
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, uint16_t(bits));
    put32(30, compression);
    put32(46, colorsUsed);
    for (QRgb c : palette)
        out.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    put32(10, uint32_t(out.size()));
    return out + data;
}

bool Invalid(const QByteArray& bytes) {
    try {
        ReadBmp(bytes);
    } catch (const EInvalidGraphic& e) {
        return e.Message() == "Bitmap image is not valid";
    }
    return false;
}

} // namespace

TEST(Bmp, TwentyFourBitRoundTripIsExact) {
    for (int w : {1, 2, 3, 5, 64}) {
        const QImage src = Noise(w, 7, unsigned(w));
        const TDibData dib = ConvertToDib(src, 24);
        const QByteArray file = EncodeBmp(dib);
        EXPECT_EQ(file.size(), 54 + dib.Stride() * 7);
        const QImage back = ReadBmp(file);
        EXPECT_EQ(back.format(), QImage::Format_BGR888);
        EXPECT_TRUE(SamePixels(back, src)) << w;
    }
    QTemporaryDir dir;
    const QImage src = Noise(9, 4, 3);
    SaveBmp24(dir.filePath("a.bmp"), src);
    EXPECT_TRUE(SamePixels(LoadBmpFile(dir.filePath("a.bmp")), src));
}

TEST(Bmp, EveryDepthWrittenReadsBackToTheSameColours) {
    QImage few(11, 5, QImage::Format_RGB32);
    const QRgb colors[] = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 0, 128)};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 11; ++x) few.setPixel(x, y, colors[(x * 3 + y) % 4]);
    for (int bits : {4, 8, 24, 32})
        EXPECT_TRUE(SamePixels(ReadBmp(EncodeBmp(ConvertToDib(few, bits))), few)) << bits;

    // 16 bits keeps the top five bits of each component.
    const QImage back16 = ReadBmp(EncodeBmp(ConvertToDib(few, 16)));
    EXPECT_EQ(back16.format(), QImage::Format_RGB555);
    for (int x = 0; x < 11; ++x) {
        const QRgb a = back16.pixel(x, 2), b = few.pixel(x, 2);
        EXPECT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                      std::abs(qBlue(a) - qBlue(b)),
                  12);
    }
    const QImage mono = ReadBmp(EncodeBmp(ConvertToDib(few, 1)));
    EXPECT_EQ(mono.format(), QImage::Format_Mono);
    EXPECT_EQ(mono.colorTable(), (QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
    EXPECT_EQ(mono.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(Bmp, TopDownBitfieldsAndCoreHeaders) {
    // 2 x 2, 24 bits, top-down: the first row in the file is the top row.
    const QByteArray rows = QByteArray("\x00\x00\xFF"
                                       "\x00\xFF\x00"
                                       "\x00\x00",
                                       8) +
                            QByteArray("\xFF\x00\x00"
                                       "\xFF\xFF\xFF"
                                       "\x00\x00",
                                       8);
    const QImage td = ReadBmp(Bmp(2, -2, 24, 0, rows));
    EXPECT_EQ(td.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(td.pixel(1, 1), qRgb(255, 255, 255));
    const QImage bu = ReadBmp(Bmp(2, 2, 24, 0, rows));
    EXPECT_EQ(bu.pixel(0, 1), qRgb(255, 0, 0));

    // 5-6-5 masks after the header, one pixel of pure green.
    QByteArray masks("\x00\xF8\x00\x00\xE0\x07\x00\x00\x1F\x00\x00\x00", 12);
    QByteArray bf = Bmp(1, 1, 16, 3, masks + QByteArray("\xE0\x07\x00\x00", 4));
    qToLittleEndian<uint32_t>(54 + 12, bf.data() + 10);
    const QImage g = ReadBmp(bf);
    EXPECT_EQ(g.format(), QImage::Format_RGB16);
    EXPECT_EQ(g.pixel(0, 0), qRgb(0, 255, 0));
    // Unusual masks (10 bits of red at the top of 32) go through the general path.
    QByteArray masks32("\x00\x00\xC0\xFF\x00\x00\x00\x00\x00\x00\x00\x00", 12);
    QByteArray bf32 = Bmp(1, 1, 32, 3, masks32 + QByteArray("\x00\x00\x00\x80", 4));
    qToLittleEndian<uint32_t>(54 + 12, bf32.data() + 10);
    EXPECT_EQ(ReadBmp(bf32).pixel(0, 0), qRgb(128, 0, 0));

    // A 12-byte core header with a three-byte palette entry per colour.
    QByteArray core("BM\0\0\0\0\0\0\0\0\x20\0\0\0\x0C\0\0\0\x01\0\x01\0\x01\0\x01\0", 26);
    core += QByteArray("\0\0\0\xFF\xFF\xFF", 6) + QByteArray("\x80\0\0\0", 4);
    EXPECT_EQ(ReadBmp(core).pixel(0, 0), qRgb(255, 255, 255));
}

TEST(Bmp, RunLengthEncodedBitmaps) {
    const std::vector<QRgb> pal = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0),
                                   qRgb(0, 0, 255)};
    // RLE8 4 x 2: bottom row "1 1 1 2" as two runs; a delta to x 1 of the top row, then a
    // padded literal "3 2 1".
    const QByteArray rle8(
        "\x03\x01\x01\x02\x00\x00\x00\x02\x01\x00\x00\x03\x03\x02\x01\x00\x00\x01", 18);
    QImage img = ReadBmp(Bmp(4, 2, 8, 1, rle8, pal, 4));
    EXPECT_EQ(img.pixelIndex(0, 1), 1);
    EXPECT_EQ(img.pixelIndex(3, 1), 2);
    EXPECT_EQ(img.pixelIndex(0, 0), 0); // skipped by the delta
    EXPECT_EQ(img.pixelIndex(1, 0), 3);
    EXPECT_EQ(img.pixelIndex(2, 0), 2);
    EXPECT_EQ(img.pixelIndex(3, 0), 1);
    // RLE4 3 x 1: a run of three alternating nibbles 1, 2, 1.
    img = ReadBmp(Bmp(3, 1, 4, 2, QByteArray("\x03\x12\x00\x01", 4), pal, 4));
    EXPECT_EQ(img.pixelIndex(0, 0), 1);
    EXPECT_EQ(img.pixelIndex(1, 0), 2);
    EXPECT_EQ(img.pixelIndex(2, 0), 1);
    // A literal of three nibbles padded to a whole word.
    img = ReadBmp(Bmp(3, 1, 4, 2, QByteArray("\x00\x03\x32\x10\x00\x01", 6), pal, 4));
    EXPECT_EQ(img.pixelIndex(0, 0), 3);
    EXPECT_EQ(img.pixelIndex(2, 0), 1);

    // Runs past the row, deltas past the picture, missing data and top-down RLE are refused.
    EXPECT_TRUE(Invalid(Bmp(4, 2, 8, 1, QByteArray("\x05\x01\x00\x01", 4), pal, 4)));
    EXPECT_TRUE(Invalid(Bmp(4, 2, 8, 1, QByteArray("\x00\x02\x09\x00\x00\x01", 6), pal, 4)));
    EXPECT_TRUE(Invalid(Bmp(4, 2, 8, 1, QByteArray("\x02\x01", 2), pal, 4)));
    EXPECT_TRUE(Invalid(Bmp(4, 2, 8, 1, QByteArray("\x00\x05\x01\x01", 4), pal, 4)));
    EXPECT_TRUE(Invalid(Bmp(4, -2, 8, 1, QByteArray("\x00\x01", 2), pal, 4)));
}

TEST(Bmp, MalformedHeadersAndDataAreRefused) {
    const QByteArray row("\x01\x02\x03\x00", 4);
    EXPECT_FALSE(Invalid(Bmp(1, 1, 24, 0, row)));
    EXPECT_TRUE(Invalid(QByteArray()));
    EXPECT_TRUE(Invalid("BM"));
    EXPECT_TRUE(Invalid(Bmp(1, 1, 24, 0, row).replace(0, 2, "XX")));
    EXPECT_TRUE(Invalid(Bmp(0, 1, 24, 0, row)));
    EXPECT_TRUE(Invalid(Bmp(1, 0, 24, 0, row)));
    EXPECT_TRUE(Invalid(Bmp(65536, 1, 24, 0, row)));
    EXPECT_TRUE(Invalid(Bmp(20000, 20000, 24, 0, row))); // above 2^28 pixels
    EXPECT_TRUE(Invalid(Bmp(1, 1, 7, 0, row)));
    EXPECT_TRUE(Invalid(Bmp(1, 1, 24, 4, row)));
    EXPECT_TRUE(Invalid(Bmp(1, 1, 24, 1, row)));              // RLE8 needs 8 bits
    EXPECT_TRUE(Invalid(Bmp(2, 2, 24, 0, row + row)));        // one row of data for two
    EXPECT_TRUE(Invalid(Bmp(1, 1, 1, 0, row, {0, 0, 0}, 3))); // 3 colours for 1 bit
    EXPECT_TRUE(Invalid(Bmp(1, 1, 8, 0, row, {0}, 0)));       // palette cut short
    QByteArray badOffset = Bmp(1, 1, 24, 0, row);
    qToLittleEndian<uint32_t>(1000, badOffset.data() + 10);
    EXPECT_TRUE(Invalid(badOffset));
    EXPECT_THROW(LoadBmpFile("/nonexistent/file.bmp"), EInvalidGraphic);
    EXPECT_THROW(EncodeBmp(TDibData()), EInvalidGraphic);

    // A short palette is padded, so indices beyond it show black instead of reading past it.
    const QImage img = ReadBmp(Bmp(1, 1, 8, 0, QByteArray("\x09\0\0\0", 4), {qRgb(1, 2, 3)}, 1));
    EXPECT_EQ(img.colorCount(), 256);
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
}
