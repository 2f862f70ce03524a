// Small files that claim huge pictures, and damaged files: every reader stays inside its
// decoding budget and reports damage instead of showing made-up pixels.

#include "formats/BmpCodec.h"
#include "formats/ColorReduce.h"
#include "formats/DecodeBudget.h"
#include "formats/GifUnit.h"
#include "formats/JpegCodec.h"
#include "formats/Metafile.h"
#include "formats/PcxWriter.h"
#include "formats/Pcxctrl.h"

#include "GifTestWriter.h"
#include "MetafileTestWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>

#include <sys/resource.h>

using namespace kolvar;
using namespace kolvar::test;

namespace {

constexpr int kGiant = 16384;
constexpr int64_t kMegabyte = 1000 * 1000;

// LZW codes for `pixels` pixels of colour 1 at code size 2, each code as long as the table
// allows: the densest data a GIF can hold.
QByteArray FlatLzw(int64_t pixels) {
    QByteArray out;
    uint32_t acc = 0;
    int bits = 0, width = 3, limit = 8, next = 6;
    auto put = [&](int code) {
        acc |= uint32_t(code) << bits;
        for (bits += width; bits >= 8; bits -= 8) out.append(char(acc & 0xFF)), acc >>= 8;
    };
    auto added = [&] {
        if (next == 4096) return;
        if (++next == limit && width < 12) limit <<= 1, ++width;
    };
    auto codeOfLength = [](int64_t n) { return n == 1 ? 1 : int(6 + n - 2); };
    put(4); // clear
    put(1);
    int64_t left = pixels - 1, longest = 1;
    while (left > 0) {
        const int64_t n = next < 4096 ? std::min(longest + 1, left) : std::min(longest, left);
        put(next < 4096 && n == longest + 1 ? next : codeOfLength(n));
        added();
        longest = std::min<int64_t>(std::max(longest, n), 4096 - 6 + 1);
        left -= n;
    }
    put(5); // end
    if (bits > 0) out.append(char(acc & 0xFF));
    return out;
}

QByteArray GifOf(int width, int height, const std::vector<QByteArray>& frames) {
    QByteArray gif("GIF89a");
    auto word = [&](int v) { gif.append(char(v & 0xFF)).append(char(v >> 8)); };
    word(width), word(height);
    gif.append(char(0x80)).append('\0').append('\0');
    gif.append(QByteArray("\xFF\x00\x00\x00\x00\xFF", 6)); // red, blue
    for (const QByteArray& data : frames) {
        gif.append(',');
        word(0), word(0), word(width), word(height);
        gif.append('\0').append(char(2)).append(SubBlocks(data));
    }
    return gif.append(';');
}

// A progressive JPEG whose header claims side x side pixels and whose scans are cut off after
// a few bytes, with the end marker put back.
QByteArray CutProgressiveJpeg(int side) {
    QImage small(16, 16, QImage::Format_RGB888);
    small.fill(Qt::gray);
    QByteArray jpeg = EncodeJpeg(small, {75, false, true});
    const qsizetype sof = jpeg.indexOf("\xFF\xC2");
    qToBigEndian<uint16_t>(uint16_t(side), jpeg.data() + sof + 5);
    qToBigEndian<uint16_t>(uint16_t(side), jpeg.data() + sof + 7);
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    return jpeg.left(sos + 2 + qFromBigEndian<uint16_t>(jpeg.constData() + sos + 2) + 4) +
           "\xFF\xD9";
}

// An RLE8 bitmap of side x side pixels whose data ends at once: every pixel is colour 0 (red).
TTestDib EmptyRle8(int side) {
    TBytes info;
    info.U32(40).I32(side).I32(side).U16(1).U16(8).U32(1).U32(0).U32(0).U32(0).U32(0).U32(0);
    info.U32(0x00FF0000); // colour 0: red
    for (int i = 1; i < 256; ++i) info.U32(0);
    TTestDib dib;
    dib.Info = info.Bytes();
    dib.Bits = QByteArray("\x00\x01", 2);
    return dib;
}

// Twenty records drawing a giant bitmap into a 100 x 50 picture.
QByteArray GiantBitmapsIntoSmallBox() {
    TEmfWriter emf(QRect(0, 0, 2646, 1323));
    const TTestDib dib = EmptyRle8(kGiant);
    for (int i = 0; i < 20; ++i)
        emf.StretchDIBits(QRect(0, 0, 100, 50), QRect(0, 0, kGiant, kGiant), dib);
    return emf.Bytes();
}

QByteArray GiantEmfFrame() {
    return TEmfWriter(QRect(0, 0, 433493, 433493)).Rectangle(0, 0, 10, 10).Bytes();
}

QByteArray GiantWmfWindow() {
    return TWmfWriter::OldStyle().WindowExt(kGiant, kGiant).Rectangle(0, 0, 10, 10).Bytes();
}

QByteArray Pcx256() {
    QImage image(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) image.setPixel(x, y, qRgb(x * 6, y * 8, (x * y) % 256));
    return EncodePCX(ConvertToDib(image, 8));
}

QImage ReadPcx(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TPCXBitmap bitmap;
    bitmap.LoadFromStream(buffer);
    return bitmap.Image();
}

template <class F> QString ErrorOf(F read) {
    try {
        read();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(DecodeBudget, ChargesReleasesAndRefusesWithoutCharging) {
    TDecodeBudget budget({1000, 100, 60});
    TDecodeScope scope(budget);
    {
        TBudgetCharge a(70, "a");
        EXPECT_THROW(TBudgetCharge(31, "b"), EDecodeBudgetError);
        EXPECT_FALSE(budget.TryCharge(31));
        EXPECT_EQ(budget.Live(), 70);
        TBudgetCharge b(30, "b");
        EXPECT_EQ(budget.Peak(), 100);
    }
    EXPECT_EQ(budget.Live(), 0);
    // The metafile total keeps counting what was freed.
    budget.ChargeMetafile(40, "canvas");
    budget.Release(40);
    EXPECT_THROW(budget.ChargeMetafile(21, "bitmap"), EDecodeBudgetError);
    EXPECT_EQ(budget.MetafileTotal(), 40);
    // A reader's own scope joins the active budget, whose pixel limit applies.
    {
        TDecodeScope inner;
        EXPECT_EQ(&inner.Budget(), &budget);
        EXPECT_TRUE(PictureSizeAllowed(40, 25));
        EXPECT_FALSE(PictureSizeAllowed(40, 26));
    }
    // libjpeg's buffers are charged before the library allocates them.
    QImage image(8, 8, QImage::Format_RGB888);
    image.fill(Qt::gray);
    EXPECT_THROW(DecodeJpeg(EncodeJpeg(image, {75, false, true})), EDecodeBudgetError);
    EXPECT_EQ(budget.Live(), 0);
}

TEST(HostileFiles, GifPictureDecodesTheFirstImageOnly) {
    const QByteArray good = FlatLzw(64 * 64);
    const QByteArray bad("\x04\x1F\x1F\x1F", 4); // data that runs out
    const QByteArray gif = GifOf(64, 64, {good, bad, good});
    const QImage picture = DecodeGifPicture(gif);
    ASSERT_EQ(picture.size(), QSize(64, 64));
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_EQ(picture.pixel(63, 63), qRgb(0, 0, 255));

    TGifFile first;
    first.LoadFromBytes(gif, TGifDecode::FirstImageOnly);
    EXPECT_EQ(first.ImageCount(), 3);
    EXPECT_EQ(first.FirstImageAsBitmap(), picture);
    EXPECT_EQ(first.Image(1).Pixels(), nullptr);

    // Asked for all, the file decodes every image, and stops at the broken one.
    TGifFile all;
    EXPECT_THROW(all.LoadFromBytes(gif), EGifException);
    all.LoadFromBytes(GifOf(64, 64, {good, good, good}));
    EXPECT_NE(all.Image(2).Pixels(), nullptr);
    // ... within the budget.
    TDecodeBudget budget({int64_t(1) << 28, 2 * 64 * 64 + 1000, 0});
    TDecodeScope scope(budget);
    EXPECT_THROW(all.LoadFromBytes(GifOf(64, 64, {good, good, good})), EDecodeBudgetError);
    EXPECT_EQ(DecodeGifPicture(GifOf(64, 64, {good, good, good})), picture);
}

TEST(HostileFiles, SizesTheDataCannotHoldAreRefusedBeforeAllocating) {
    TDecodeBudget budget;
    TDecodeScope scope(budget);
    const QByteArray oneCode = GifOf(kGiant, kGiant, {QByteArray("\x0C\x0A", 2)});
    EXPECT_EQ(ErrorOf([&] { DecodeGifPicture(oneCode); }), "Image size is not valid");
    EXPECT_EQ(ErrorOf([&] { TGifFile().LoadFromBytes(oneCode); }), "Image size is not valid");

    const QByteArray jpeg = CutProgressiveJpeg(12500);
    EXPECT_LT(jpeg.size(), 400);
    EXPECT_TRUE(ErrorOf([&] { DecodeJpeg(jpeg); }).startsWith("JPEG file is damaged"));
    EXPECT_LT(budget.Peak(), 1000); // the image data kept for decoding
    // The same cut at a size its bytes could hold is still damaged.
    EXPECT_TRUE(
        ErrorOf([&] { DecodeJpeg(CutProgressiveJpeg(16)); }).startsWith("JPEG file is damaged"));
}

TEST(HostileFiles, DamagedJpegAndPcxAreErrorsThatSaySo) {
    QImage image(128, 128, QImage::Format_RGB888);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) image.setPixel(x, y, qRgb(x * 2, (x ^ y) * 2, y * 2));
    const QByteArray jpeg = EncodeJpeg(image, {90, false, false});
    const qsizetype data = (jpeg.indexOf("\xFF\xDA") + jpeg.size()) / 2;
    EXPECT_EQ(ErrorOf([&] { DecodeJpeg(jpeg.left(data) + "\xFF\xD9"); }),
              "JPEG file is damaged: Corrupt JPEG data: premature end of data segment");
    EXPECT_EQ(ErrorOf([&] { DecodeJpeg(jpeg.left(data)); }),
              "JPEG file is damaged: Premature end of JPEG file");
    // Stray bytes between segments lose no pixel.
    QByteArray stray = jpeg;
    stray.insert(stray.size() - 2, "xyz");
    EXPECT_EQ(DecodeJpeg(stray), DecodeJpeg(jpeg));

    const QByteArray pcx = Pcx256();
    EXPECT_EQ(ReadPcx(pcx).size(), QSize(40, 30));
    const QString noPalette = "PCX file is damaged: its 256-colour palette is missing";
    EXPECT_EQ(ErrorOf([&] { ReadPcx(pcx.left(pcx.size() - 100)); }), noPalette);
    QByteArray noMarker = pcx;
    noMarker[noMarker.size() - 769] = 0;
    EXPECT_EQ(ErrorOf([&] { ReadPcx(noMarker); }), noPalette);
    QImage black(40, 30, QImage::Format_RGB32);
    black.fill(Qt::black);
    const QByteArray pcx16 = EncodePCX(ConvertToDib(black, 4));
    EXPECT_EQ(ErrorOf([&] { ReadPcx(pcx16.left(128 + 100)); }),
              "PCX file is damaged: its image data ends early");
}

TEST(HostileFiles, MetafileBitmapsDecodeAtTheirDrawnScaleAndPlaysAreBounded) {
    const QByteArray emf = GiantBitmapsIntoSmallBox();
    EXPECT_LT(emf.size(), 30000);
    TDecodeBudget budget;
    {
        TDecodeScope scope(budget);
        const QImage picture = LoadMetafile(emf, true);
        ASSERT_EQ(picture.size(), QSize(100, 50));
        EXPECT_EQ(CountOf(picture, qRgb(255, 0, 0)), 100 * 50);
    }
    EXPECT_LT(budget.MetafileTotal(), 1 * kMegabyte);
    EXPECT_EQ(budget.Live(), 0);

    // Canvases past the metafile total are refused before they are allocated.
    for (const auto& [bytes, enhanced] :
         {std::pair(GiantEmfFrame(), true), std::pair(GiantWmfWindow(), false)}) {
        EXPECT_EQ(MetafilePictureSize(bytes, enhanced), QSize(kGiant, kGiant));
        EXPECT_THROW(LoadMetafile(bytes, enhanced), EDecodeBudgetError);
    }
    // The total counts every bitmap a play decodes.
    TDecodeBudget tight({int64_t(1) << 28, int64_t(1) << 30, 100 * 50 * 4 + 5 * 101 * 51 * 4});
    TDecodeScope scope(tight);
    EXPECT_THROW(LoadMetafile(emf, true), EDecodeBudgetError);
}

// The files that cost gigabytes before: each stays far below 300 MB by the budget's own count.
TEST(HostileFiles, PeakAllocationStaysUnder300Megabytes) {
    const QByteArray frame = FlatLzw(int64_t(kGiant) * kGiant);
    EXPECT_LT(frame.size(), 110000);
    const QByteArray pcx = Pcx256();
    const std::vector<std::pair<const char*, std::function<void()>>> files = {
        {"GIF, twelve giant frames",
         [&] { DecodeGifPicture(GifOf(kGiant, kGiant, std::vector(12, frame))); }},
        {"GIF, one giant frame", [&] { DecodeGifPicture(GifOf(kGiant, kGiant, {frame})); }},
        {"EMF, giant bitmaps into a small box",
         [&] { LoadMetafile(GiantBitmapsIntoSmallBox(), true); }},
        {"EMF, giant frame", [&] { LoadMetafile(GiantEmfFrame(), true); }},
        {"WMF, giant window", [&] { LoadMetafile(GiantWmfWindow(), false); }},
        {"JPEG, giant progressive cut off", [&] { DecodeJpeg(CutProgressiveJpeg(12500)); }},
        {"PCX, cut in its data", [&] { ReadPcx(pcx.left(200)); }},
        {"PCX, cut in its palette", [&] { ReadPcx(pcx.left(pcx.size() - 100)); }},
    };
    for (const auto& [name, read] : files) {
        TDecodeBudget budget;
        TDecodeScope scope(budget);
        try {
            read();
        } catch (const Exception&) {
        }
        EXPECT_LT(budget.Peak(), 300 * kMegabyte) << name;
        EXPECT_EQ(budget.Live(), 0) << name;
    }
}

TEST(ColorReduce, DibToImageMatchesTheBitmapReader) {
    QImage image(13, 7, QImage::Format_RGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) image.setPixel(x, y, qRgb(x * 19, y * 37, (x + y) * 11));
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        const TDibData dib = ConvertToDib(image, depth);
        EXPECT_EQ(DibToImage(dib), ReadBmp(EncodeBmp(dib))) << depth;
    }
    EXPECT_THROW(DibToImage(TDibData{}), EInvalidGraphic);
}

TEST(WriteErrors, CarryTheSystemsTextAndKeepTheOldFile) {
    QTemporaryDir dir;
    const QString name = dir.filePath("picture.bmp");
    const TDibData small = TDibData::Make(4, 4, 24);
    SaveBmpFile(name, small);
    // A file size limit makes writes fail as a full disk does, with the system's own reason.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &tiny);
    const QString error = ErrorOf([&] { SaveBmpFile(name, TDibData::Make(200, 200, 24)); });
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, QStringLiteral("Cannot write file %1: %2")
                         .arg(name, QString::fromLocal8Bit(std::strerror(EFBIG))));
    EXPECT_EQ(ReadBmp(ReadWholeFile(name)).size(), QSize(4, 4));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList("picture.bmp"));
    // Saving through a link replaces the file it points to and keeps the link.
    const QString link = dir.filePath("link.bmp");
    ASSERT_TRUE(QFile::link(name, link));
    SaveBmpFile(link, TDibData::Make(2, 3, 24));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBmp(ReadWholeFile(name)).size(), QSize(2, 3));
}
