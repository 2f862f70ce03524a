#include "formats/Bmp2Tiff.h"
#include "formats/ColorReduce.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <map>

using namespace kolvar;

namespace {

struct TEntry {
    uint16_t Type;
    uint32_t Count;
    uint32_t Value;
};

// Reads back the single IFD: tag -> entry, checking the header on the way.
std::map<uint16_t, TEntry> Ifd(const QByteArray& f, uint32_t* ifdAt = nullptr) {
    const auto* p = reinterpret_cast<const uchar*>(f.constData());
    EXPECT_EQ(f.left(2), "II");
    EXPECT_EQ(qFromLittleEndian<uint16_t>(p + 2), 42);
    const uint32_t at = qFromLittleEndian<uint32_t>(p + 4);
    if (ifdAt) *ifdAt = at;
    std::map<uint16_t, TEntry> out;
    const uint16_t n = qFromLittleEndian<uint16_t>(p + at);
    EXPECT_EQ(n, 15);
    EXPECT_EQ(f.size(), qsizetype(at) + 2 + 15 * 12 + 4);
    for (int i = 0; i < n; ++i) {
        const uchar* e = p + at + 2 + 12 * i;
        out[qFromLittleEndian<uint16_t>(e)] = {qFromLittleEndian<uint16_t>(e + 2),
                                               qFromLittleEndian<uint32_t>(e + 4),
                                               qFromLittleEndian<uint32_t>(e + 8)};
    }
    EXPECT_EQ(qFromLittleEndian<uint32_t>(p + at + 2 + 15 * 12), 0u);
    return out;
}

QByteArray Tiff(const TDibData& dib) {
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    WriteTIFF(buf, dib);
    return buf.data();
}

uint16_t U16(const QByteArray& f, uint32_t at) {
    return qFromLittleEndian<uint16_t>(f.constData() + at);
}

TDibData Gradient8(int w, int h) {
    TDibData dib = TDibData::Make(w, h, 8);
    for (int i = 0; i < 256; ++i)
        dib.Palette[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) dib.ScanLine(y)[x] = uint8_t(y * w + x);
    return dib;
}

} // namespace

TEST(Tiff, EightBitPaletteLayoutAtTheExpectedOffsets) {
    const TDibData dib = Gradient8(10, 3);
    const QByteArray f = Tiff(dib);
    uint32_t ifdAt = 0;
    auto ifd = Ifd(f, &ifdAt);
    EXPECT_EQ(ifdAt, 1600u);
    EXPECT_EQ(ifd[320].Value, 8u);
    EXPECT_EQ(ifd[320].Count, 768u);
    EXPECT_EQ(ifd[282].Value, 1544u);
    EXPECT_EQ(ifd[283].Value, 1552u);
    EXPECT_EQ(ifd[305].Value, 1560u);
    EXPECT_EQ(ifd[305].Count, 10u);
    EXPECT_EQ(ifd[273].Value, 1570u);
    EXPECT_EQ(ifd[279].Value, 30u);
    EXPECT_EQ(ifd[256].Value, 10u);
    EXPECT_EQ(ifd[257].Value, 3u);
    EXPECT_EQ(ifd[258].Value, 8u);
    EXPECT_EQ(ifd[262].Value, 3u);
    EXPECT_EQ(ifd[278].Value, 3u);
    EXPECT_EQ(ifd[296].Value, 2u);
    EXPECT_EQ(ifd[256].Type, 3);
    EXPECT_EQ(ifd[273].Type, 4);
    EXPECT_EQ(f.mid(1560, 10), "Quellimark");
    EXPECT_EQ(qFromLittleEndian<uint32_t>(f.constData() + 1544), 877u);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(f.constData() + 1548), 10u);
    // Colour map: reds, then greens, then blues, component in the high byte.
    EXPECT_EQ(U16(f, 8 + 2 * 200), 100 << 8);
    EXPECT_EQ(U16(f, 8 + 512 + 2 * 200), 55 << 8);
    EXPECT_EQ(U16(f, 8 + 1024 + 2 * 200), 200 << 8);
    // Rows top first, unpadded.
    for (int i = 0; i < 30; ++i) EXPECT_EQ(uint8_t(f[1570 + i]), i);
}

TEST(Tiff, FourBitIsCutToAMultipleOfFourPixels) {
    TDibData dib = TDibData::Make(7, 2, 4);
    dib.ScanLine(0)[0] = 0x12;
    dib.ScanLine(0)[1] = 0x34;
    dib.ScanLine(1)[0] = 0xAB;
    dib.ScanLine(1)[1] = 0xCD;
    dib.Palette[15] = {255, 255, 255, 0};
    const QByteArray f = Tiff(dib);
    auto ifd = Ifd(f);
    EXPECT_EQ(ifd[256].Value, 4u);
    EXPECT_EQ(ifd[279].Value, 4u);
    EXPECT_EQ(ifd[320].Count, 48u);
    EXPECT_EQ(ifd[273].Value, 8u + 96u + 26u);
    EXPECT_EQ(f.mid(int(ifd[273].Value), 4), QByteArray("\x12\x34\xAB\xCD", 4));
    EXPECT_EQ(U16(f, 8 + 2 * 15), 0xFF00);

    // Narrower than four pixels it keeps its width instead of becoming zero wide.
    TDibData narrow = TDibData::Make(3, 1, 4);
    narrow.ScanLine(0)[0] = 0x56;
    narrow.ScanLine(0)[1] = 0x70;
    auto nifd = Ifd(Tiff(narrow));
    EXPECT_EQ(nifd[256].Value, 3u);
    EXPECT_EQ(nifd[279].Value, 2u);
}

TEST(Tiff, RgbFormsFromTwentyFourThirtyTwoAndSixteenBits) {
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 30));
    img.setPixel(0, 0, qRgb(255, 0, 8));
    img.setPixel(2, 1, qRgb(0, 128, 255));
    for (int bits : {24, 32}) {
        const QByteArray f = Tiff(ConvertToDib(img, bits));
        uint32_t ifdAt = 0;
        auto ifd = Ifd(f, &ifdAt);
        EXPECT_EQ(ifdAt, 40u + 3u * 3u * 2u);
        EXPECT_EQ(ifd[273].Value, 40u);
        EXPECT_EQ(ifd[279].Value, 18u);
        EXPECT_EQ(ifd[258].Count, 3u);
        EXPECT_EQ(ifd[258].Value, 24u);
        EXPECT_EQ(ifd[262].Value, 2u);
        EXPECT_EQ(ifd[277].Value, 3u);
        EXPECT_EQ(ifd[284].Value, 1u);
        EXPECT_EQ(ifd[305].Value, 30u);
        EXPECT_EQ(U16(f, 24), 8);
        EXPECT_EQ(U16(f, 28), 8);
        EXPECT_EQ(f.mid(30, 10), "Quellimark");
        EXPECT_EQ(f.mid(40, 6), QByteArray("\xFF\x00\x08\x0A\x14\x1E", 6)) << bits;
        EXPECT_EQ(f.mid(40 + 15, 3), QByteArray("\x00\x80\xFF", 3)) << bits;
    }
    // 16-bit pixels are widened to 8-bit components.
    const QByteArray f16 = Tiff(ConvertToDib(img, 16));
    EXPECT_EQ(f16.mid(40, 3), QByteArray("\xFF\x00\x08", 3));
    EXPECT_EQ(f16.mid(40 + 15, 3), QByteArray("\x00\x84\xFF", 3));
}

TEST(Tiff, MonoIsWrittenAndBadInputLeavesTheOldFile) {
    QImage img(9, 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setPixel(8, 0, qRgb(0, 0, 0));
    const QByteArray f = Tiff(ConvertToDib(img, 1));
    auto ifd = Ifd(f);
    EXPECT_EQ(ifd[258].Value, 1u);
    EXPECT_EQ(ifd[256].Value, 9u);
    EXPECT_EQ(ifd[320].Count, 6u);
    EXPECT_EQ(ifd[279].Value, 4u);
    EXPECT_EQ(f.mid(int(ifd[273].Value), 4), QByteArray("\xFF\x00\xFF\x80", 4));

    QTemporaryDir dir;
    const QString path = dir.filePath("out.tif");
    SaveTIFF(path, Gradient8(4, 4));
    const qint64 size = QFileInfo(path).size();
    EXPECT_GT(size, 0);
    EXPECT_THROW(SaveTIFF(path, TDibData()), EInvalidGraphic);
    EXPECT_EQ(QFileInfo(path).size(), size);
    EXPECT_THROW(SaveTIFF(dir.filePath("no/such/dir/x.tif"), Gradient8(2, 2)), EWriteError);
}
