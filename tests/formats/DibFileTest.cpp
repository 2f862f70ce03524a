// Picture files straight into and out of the image container.
#include "formats/DibFile.h"

#include "formats/BmpCodec.h"
#include "formats/ColorReduce.h"
#include "formats/DibData.h"
#include "formats/JpegCodec.h"
#include "formats/Pcxctrl.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <random>

using namespace kolvar;

namespace {

TDibContainer Noise(int32_t w, int32_t h, unsigned seed) {
    TDibContainer d(w, h);
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) d.SetPixel(x, y, rng() & 0xFFFFFF);
    return d;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TDibContainer Through(const QImage& image) {
    TDibContainer d;
    d.AssignBitmap(image);
    return d;
}

} // namespace

TEST(DibFile, Bmp24GoesRowByRowAndMatchesTheGeneralPath) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString direct = dir.filePath(QStringLiteral("direct.bmp"));
    const QString general = dir.filePath(QStringLiteral("general.bmp"));
    // Widths with each amount of row padding.
    for (int32_t w : {1, 2, 3, 4, 37}) {
        SCOPED_TRACE(w);
        const TDibContainer src = Noise(w, 5, unsigned(w));
        SaveDibFile(direct, src);
        SaveBmp24(general, src.ToImage());
        EXPECT_EQ(FileBytes(direct), FileBytes(general));
        TDibContainer back;
        LoadDibFile(direct, back);
        EXPECT_TRUE(back.SameImage(src));
        EXPECT_TRUE(back.SameImage(Through(LoadBmpFile(direct))));
    }
    // Top-down rows, a missing last padding, and nonzero padding bytes in the file.
    const TDibContainer src = Noise(3, 4, 9);
    SaveDibFile(direct, src);
    QByteArray bytes = FileBytes(direct);
    qToLittleEndian<int32_t>(-4, bytes.data() + 22);
    for (qsizetype at = 54 + 9; at < bytes.size(); at += 12) bytes[at] = char(0xAB);
    bytes.chop(3);
    WriteBytes(direct, bytes);
    TDibContainer topDown;
    LoadDibFile(direct, topDown);
    EXPECT_TRUE(topDown.SameImage(Through(LoadBmpFile(direct))));
    EXPECT_EQ(topDown.GetPixel(0, 0), src.GetPixel(0, 3));
    // One byte fewer is a truncated file.
    bytes.chop(1);
    WriteBytes(direct, bytes);
    TDibContainer kept = src;
    EXPECT_THROW(LoadDibFile(direct, kept), EInvalidGraphic);
    EXPECT_TRUE(kept.SameImage(src));
}

TEST(DibFile, OtherLayoutsAndFormatsGoThroughTheirReaders) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const TDibContainer src = Noise(19, 11, 3);
    // An 8-bit BMP is not a 24-bit one: the general reader takes it.
    const QString pal = dir.filePath(QStringLiteral("pal.bmp"));
    SaveBmpFile(pal, ConvertToDib(src.ToImage(), 8));
    TDibContainer got;
    LoadDibFile(pal, got);
    EXPECT_TRUE(got.SameImage(Through(LoadBmpFile(pal))));

    const QString png = dir.filePath(QStringLiteral("a.PNG"));
    SaveDibFile(png, src);
    LoadDibFile(png, got);
    EXPECT_TRUE(got.SameImage(src));

    const QString jpg = dir.filePath(QStringLiteral("a.jpg"));
    SaveDibFile(jpg, src, TDibSaveOptions{100});
    const qint64 best = QFile(jpg).size();
    SaveDibFile(jpg, src, TDibSaveOptions{10});
    EXPECT_LT(QFile(jpg).size(), best);
    LoadDibFile(jpg, got);
    EXPECT_TRUE(got.SameImage(Through(LoadJpegFile(jpg))));

    const QString pcx = dir.filePath(QStringLiteral("a.pcx"));
    SaveDibFile(pcx, src);
    LoadDibFile(pcx, got);
    EXPECT_TRUE(got.SameImage(Through(LoadPcxPicture(pcx))));
    EXPECT_EQ(got.Width(), 19);

    const QString tif = dir.filePath(QStringLiteral("a.tiff"));
    SaveDibFile(tif, src);
    EXPECT_TRUE(FileBytes(tif).startsWith("II*"));

    EXPECT_THROW(SaveDibFile(dir.filePath(QStringLiteral("a.xyz")), src), EInvalidGraphic);
    EXPECT_THROW(LoadDibFile(dir.filePath(QStringLiteral("a.xyz")), got), EInvalidGraphic);
    // A missing file says so, in the system's words.
    EXPECT_THROW(LoadDibFile(dir.filePath(QStringLiteral("missing.bmp")), got), EInOutError);
    EXPECT_THROW(SaveDibFile(dir.filePath(QStringLiteral("no/dir/a.bmp")), src), EInOutError);
    EXPECT_THROW(SaveDibFile(png, TDibContainer()), EInvalidGraphic);
}
