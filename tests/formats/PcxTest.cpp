#include "formats/BmpCodec.h"
#include "formats/ColorReduce.h"
#include "formats/PcxWriter.h"
#include "formats/Pcxctrl.h"
#include "formats/PictureLoader.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <random>

using namespace kolvar;

namespace {

// A picture of `colors` distinct colours, so the conversion keeps every one exactly.
QImage FewColors(int w, int h, int colors, unsigned seed) {
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    std::vector<QRgb> pal;
    for (int i = 0; i < colors; ++i) pal.push_back(0xFF000000u | (rng() & 0xFFFFFF));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, pal[(rng() >> 3) % pal.size()]);
    return img;
}

QImage ThroughPcx(const QImage& src, int bits) {
    const std::optional<QByteArray> bmp = DecodePCX(EncodePCX(ConvertToDib(src, bits)));
    if (!bmp) return {};
    return ReadBmp(*bmp);
}

bool SamePixels(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// A hand-made PCX header for the given layout; data follows at offset 128.
QByteArray Header(int bits, int planes, int xmin, int xmax, int ymax, int bpl) {
    QByteArray h(128, '\0');
    h[0] = 10;
    h[1] = 5;
    h[2] = 1;
    h[3] = char(bits);
    qToLittleEndian<uint16_t>(uint16_t(xmin), h.data() + 4);
    qToLittleEndian<uint16_t>(uint16_t(xmax), h.data() + 8);
    qToLittleEndian<uint16_t>(uint16_t(ymax), h.data() + 10);
    h[65] = char(planes);
    qToLittleEndian<uint16_t>(uint16_t(bpl), h.data() + 66);
    return h;
}

bool PcxInvalid(const QByteArray& file) {
    try {
        DecodePCX(file);
    } catch (const EPCXError&) {
        return true;
    }
    return false;
}

} // namespace

TEST(Pcx, EightFourAndOneBitRoundTripsAreExactThroughTheReader) {
    for (int w : {1, 7, 8, 13, 100}) {
        const QImage src256 = FewColors(w, 9, 200, unsigned(w));
        const QImage back256 = ThroughPcx(src256, 8);
        EXPECT_EQ(back256.format(), QImage::Format_Indexed8);
        EXPECT_TRUE(SamePixels(back256, src256)) << w;

        const QImage src16 = FewColors(w, 5, 16, unsigned(w) + 1);
        EXPECT_TRUE(SamePixels(ThroughPcx(src16, 4), src16)) << w;

        QImage bw(w, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x)
                bw.setPixel(x, y, (x + y) % 3 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        const QImage mono = ThroughPcx(bw, 1);
        EXPECT_EQ(mono.format(), QImage::Format_Mono);
        EXPECT_TRUE(SamePixels(mono, bw)) << w;
    }
}

TEST(Pcx, WriterLayout) {
    const QByteArray file = EncodePCX(ConvertToDib(FewColors(7, 2, 3, 1), 8));
    EXPECT_EQ(uint8_t(file[0]), 10);
    EXPECT_EQ(uint8_t(file[3]), 8);
    EXPECT_EQ(uint8_t(file[65]), 1);
    EXPECT_EQ(qFromLittleEndian<uint16_t>(file.constData() + 66), 8); // even bytes per line
    EXPECT_EQ(qFromLittleEndian<uint16_t>(file.constData() + 8), 6);
    EXPECT_EQ(uint8_t(file[file.size() - 769]), 12);
    // A single byte that looks like a count is written as a run of one.
    TDibData dib = TDibData::Make(2, 1, 8);
    dib.ScanLine(0)[0] = 0xC5;
    dib.ScanLine(0)[1] = 0x01;
    const QByteArray small = EncodePCX(dib);
    EXPECT_EQ(small.mid(128, 3), QByteArray("\xC1\xC5\x01", 3));
    EXPECT_THROW(EncodePCX(TDibData::Make(2, 2, 24)), EInvalidGraphic);
}

TEST(Pcx, ReaderFollowsTheFileWhereTheWriterNeverGoes) {
    QImage img;

    // 16 colours with an odd bytes-per-line of 1 for a 3-pixel row: rows padded to 4 bytes.
    QByteArray odd = Header(1, 4, 0, 2, 1, 1);
    odd[16 + 3 * 5] = char(250); // palette entry 5 red
    // Row 0: planes 0 and 2 set for the first pixel (index 5); row 1 all zero.
    odd += QByteArray("\x80\x00\x80\x00\x00\x00\x00\x00", 8);
    const QByteArray bmp = *DecodePCX(odd);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(bmp.constData() + 14 + 20), 4u * 2u); // image size
    img = ReadBmp(bmp);
    EXPECT_EQ(img.pixelIndex(0, 0), 5);
    EXPECT_EQ(img.pixelIndex(1, 0), 0);
    EXPECT_EQ(img.color(5), qRgb(250, 0, 0));

    // A run longer than the row is cut at the row's end, not carried into the next row.
    QByteArray runs = Header(8, 1, 0, 1, 1, 2) + QByteArray("\xC3\x07\x01\x02\x0C", 5);
    runs += QByteArray(768, '\0');
    img = ReadBmp(*DecodePCX(runs));
    EXPECT_EQ(img.pixelIndex(1, 0), 7);
    EXPECT_EQ(img.pixelIndex(0, 1), 1);
    EXPECT_EQ(img.pixelIndex(1, 1), 2);

    // Bytes per line wider than the picture: each BMP row still matches the picture's width.
    QByteArray wide = Header(1, 4, 0, 6, 0, 4) + QByteArray(16, '\xFF');
    img = ReadBmp(*DecodePCX(wide));
    EXPECT_EQ(img.width(), 7);
    EXPECT_EQ(img.pixelIndex(6, 0), 15);
}

TEST(Pcx, UnsupportedAndBrokenFiles) {
    // 24 bits (8 x 3 planes) and non-PCX data are not converted; the bitmap loader refuses them.
    const QByteArray rgb = Header(8, 3, 0, 0, 0, 2) + QByteArray(6, '\0');
    EXPECT_FALSE(DecodePCX(rgb).has_value());
    EXPECT_FALSE(DecodePCX(QByteArray(200, 'x')).has_value());
    EXPECT_FALSE(DecodePCX(QByteArray("\x0A", 1)).has_value());
    QBuffer buf;
    buf.setData(rgb);
    buf.open(QIODevice::ReadOnly);
    TPCXBitmap bitmap;
    try {
        bitmap.LoadFromStream(buf);
        ADD_FAILURE();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }

    EXPECT_TRUE(PcxInvalid(Header(8, 1, 5, 4, 0, 2) + "ab")); // Xmax < Xmin
    EXPECT_TRUE(
        PcxInvalid(Header(8, 1, 0, 9, 0, 4) + QByteArray(10, '\1'))); // bytes per line < width
    EXPECT_TRUE(PcxInvalid(Header(1, 4, 0, 16, 0, 2) + QByteArray(8, '\1')));
    EXPECT_TRUE(PcxInvalid(Header(8, 1, 0, 1, 3, 2) + "ab"));         // rows missing
    EXPECT_TRUE(PcxInvalid(Header(8, 1, 0, 1, 0, 2)));                // no data at all
    EXPECT_TRUE(PcxInvalid(Header(8, 1, 0, 65535, 0, 65535) + "ab")); // 65536 wide
    // 60000 x 60000 claimed by a few bytes: refused before anything is allocated.
    EXPECT_TRUE(PcxInvalid(Header(8, 1, 0, 59999, 59999, 60000) + QByteArray(40, '\xFF')));
    EXPECT_TRUE(PcxInvalid(Header(8, 1, 0, 9999, 9999, 10000) + QByteArray(40, '\xFF')));
}

TEST(Pcx, PictureLoaderReadsPcxByExtension) {
    QTemporaryDir dir;
    const QImage src = FewColors(10, 4, 16, 5);
    const QString path = dir.filePath("tex.PCX");
    SavePCX(path, ConvertToDib(src, 4));
    EXPECT_TRUE(CanLoadPicture(path));
    EXPECT_TRUE(SamePixels(LoadPicture(path), src));
    SaveBmp24(dir.filePath("tex.bmp"), src);
    EXPECT_TRUE(SamePixels(LoadPicture(dir.filePath("tex.bmp")), src));
    EXPECT_FALSE(CanLoadPicture(dir.filePath("tex.xyz")));
    EXPECT_THROW(LoadPicture(dir.filePath("tex.xyz")), EInvalidGraphic);
    EXPECT_TRUE(PictureFileFilter().contains("PCX Files (*.pcx)"));
}
