#include "formats/GifUnit.h"

#include "GifTestWriter.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <random>

using namespace kolvar;
using kolvar::test::TGifBuilder;
using kolvar::test::TGifFrame;

namespace {

const std::vector<QRgb> kGlobal4 = {qRgb(10, 20, 30), qRgb(200, 0, 0), qRgb(0, 200, 0),
                                    qRgb(0, 0, 200)};

TGifFrame Frame(int w, int h, unsigned seed = 1, int colors = 4) {
    TGifFrame f;
    f.Width = w;
    f.Height = h;
    std::mt19937 rng(seed);
    for (int i = 0; i < w * h; ++i) f.Pixels.push_back(uint8_t(rng() % unsigned(colors)));
    f.CodeSize = std::max(2, kolvar::test::TableBits(size_t(colors)));
    return f;
}

std::vector<uint8_t> Decoded(const TGifSubImage& image) {
    std::vector<uint8_t> out;
    const TByteArray2D& p = *image.Pixels();
    for (int r = 1; r <= p.Rows(); ++r)
        out.insert(out.end(), p.RowData(r), p.RowData(r) + p.Cols());
    return out;
}

std::vector<uint8_t> Indices(const QImage& img) {
    std::vector<uint8_t> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) out.push_back(uint8_t(img.pixelIndex(x, y)));
    return out;
}

QString LoadError(const QByteArray& bytes) {
    try {
        TGifFile gif;
        gif.LoadFromBytes(bytes);
        gif.FirstImageAsBitmap();
    } catch (const EGifException& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

QByteArray Simple(const TGifFrame& f, const char* version = "89a") {
    return TGifBuilder().Header(version, f.Width, f.Height, kGlobal4).Image(f).Done();
}

} // namespace

TEST(GifReader, Gif87aDecodesToPaletteBitmapThroughExactBmpStream) {
    const TGifFrame f = Frame(5, 3);
    TGifFile gif;
    gif.LoadFromBytes(Simple(f, "87a"));
    ASSERT_EQ(gif.ImageCount(), 1);
    EXPECT_EQ(Decoded(gif.Image(0)), f.Pixels);

    const QByteArray bmp = gif.FirstImageAsBmpStream();
    const auto* p = reinterpret_cast<const uchar*>(bmp.constData());
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(qFromLittleEndian<uint32_t>(p + 2), 5u * 3u + 819u);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(p + 10), 1078u);
    EXPECT_EQ(qFromLittleEndian<int32_t>(p + 22), 3); // bottom-up
    EXPECT_EQ(qFromLittleEndian<uint16_t>(p + 28), 8);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(p + 34), 0u);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(p + 38), 143u);
    EXPECT_EQ(bmp.size(), 1078 + 8 * 3); // rows padded to 8 bytes
    // The first stored row is the picture's last; padding is zero.
    EXPECT_EQ(p[1078], f.Pixels[10]);
    EXPECT_EQ(p[1078 + 5], 0);
    // Palette entries beyond the four loaded colours keep the table's initial zeros.
    EXPECT_EQ(p[54 + 4 * 1 + 2], 200);
    EXPECT_EQ(p[54 + 4 * 5 + 2], 0);

    const QImage img = gif.FirstImageAsBitmap();
    ASSERT_EQ(img.format(), QImage::Format_Indexed8);
    EXPECT_EQ(Indices(img), f.Pixels);
    EXPECT_EQ(img.color(0), qRgb(10, 20, 30));
}

TEST(GifReader, Gif89aExtensionsAreKeptAndDoNotChangeThePicture) {
    const TGifFrame f = Frame(6, 4, 7);
    const QByteArray bytes =
        TGifBuilder()
            .Header("89a", 6, 4, kGlobal4)
            .Extension(0xFF, QByteArray("\x0BNETSCAPE2.0", 12), {QByteArray("\x01\x00\x00", 3)})
            .Extension(0xFE, {}, {"made by a test", "second block"})
            .Extension(0x01, QByteArray(13, '\x0C'), {"text"})
            .GraphicControl(2)
            .Image(f)
            .Done();
    TGifFile gif;
    gif.LoadFromBytes(bytes);
    const auto& ext = gif.Image(0).Extensions();
    ASSERT_EQ(ext.size(), 4u);
    EXPECT_EQ(ext[0].Kind, etApplication);
    EXPECT_EQ(ext[1].Kind, etComment);
    EXPECT_EQ(ext[1].SubBlocks.at(1), "second block");
    EXPECT_EQ(ext[2].Kind, etPlainText);
    EXPECT_EQ(ext[3].Kind, etGraphicControl);
    // The transparent index shows in its palette colour.
    const QImage img = gif.FirstImageAsBitmap();
    EXPECT_EQ(Indices(img), f.Pixels);
    EXPECT_EQ(img.color(2), qRgb(0, 200, 0));
}

TEST(GifReader, InterlacedEqualsItsTwinForEveryShortAndLongHeight) {
    for (int h : {1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 33}) {
        TGifFrame plain = Frame(7, h, unsigned(h));
        TGifFrame laced = plain;
        laced.Interlace = true;
        TGifFile a, b;
        a.LoadFromBytes(Simple(plain));
        b.LoadFromBytes(Simple(laced));
        EXPECT_TRUE(b.Image(0).Interlaced());
        EXPECT_EQ(Indices(b.FirstImageAsBitmap()), Indices(a.FirstImageAsBitmap()))
            << "height " << h;
        EXPECT_EQ(Decoded(b.Image(0)), plain.Pixels) << "height " << h;
    }
}

TEST(GifReader, AnimatedFileGivesItsFirstFrameWithLocalTable) {
    TGifFrame first = Frame(8, 8, 3);
    first.LocalTable = {qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9), qRgb(10, 11, 12)};
    TGifFrame second = Frame(4, 4, 4);
    second.Left = 4;
    second.Top = 4;
    const QByteArray bytes = TGifBuilder()
                                 .Header("89a", 8, 8, kGlobal4)
                                 .GraphicControl(0)
                                 .Image(first)
                                 .GraphicControl(0)
                                 .Image(second)
                                 .Done();
    TGifFile gif;
    gif.LoadFromBytes(bytes);
    EXPECT_EQ(gif.ImageCount(), 2);
    const QImage img = gif.FirstImageAsBitmap();
    EXPECT_EQ(img.size(), QSize(8, 8));
    EXPECT_EQ(Indices(img), first.Pixels);
    EXPECT_EQ(img.color(3), qRgb(10, 11, 12)); // the local table wins over the global one
}

TEST(GifReader, VersionsAndInitialTables) {
    EXPECT_EQ(LoadError(Simple(Frame(2, 2), "88a")), "Gif Version must be 87a or 89a");
    EXPECT_EQ(LoadError(Simple(Frame(2, 2), "89A")), "<no error>");

    // Without any colour table the two-entry default black and white is used.
    TGifFile gif;
    gif.LoadFromBytes(TGifBuilder().Header("87a", 3, 1).Image(Frame(3, 1, 1, 2)).Done());
    const QImage img = gif.FirstImageAsBitmap();
    EXPECT_EQ(img.color(0), qRgb(0, 0, 0));
    EXPECT_EQ(img.color(1), qRgb(255, 255, 255));

    EXPECT_EQ(TGifColorTable(16)[1], (TGifColor{128, 0, 0}));
    EXPECT_EQ(TGifColorTable(16)[8], (TGifColor{192, 192, 192}));
    EXPECT_EQ(TGifColorTable(256)[77], (TGifColor{77, 77, 77}));
    EXPECT_EQ(TGifColorTable(8)[7], (TGifColor{0, 0, 0}));
}

TEST(GifReader, LzwWidthGrowthFullTablesAndDeferredClear) {
    // 256 colours of noise drive the code width to 12 bits and fill the table repeatedly.
    TGifFrame f = Frame(300, 200, 9, 256);
    for (bool deferred : {false, true}) {
        f.DeferredClear = deferred;
        TGifFile gif;
        gif.LoadFromBytes(Simple(f));
        EXPECT_EQ(Decoded(gif.Image(0)), f.Pixels) << deferred;
    }
    // Long runs of one colour give long strings.
    TGifFrame flat = Frame(1000, 50, 1, 2);
    std::fill(flat.Pixels.begin(), flat.Pixels.end(), 1);
    TGifFile gif;
    gif.LoadFromBytes(Simple(flat));
    EXPECT_EQ(Decoded(gif.Image(0)), flat.Pixels);
}

TEST(GifReader, MalformedBlocksRaiseTheReadersMessages) {
    const TGifFrame f = Frame(4, 4);
    const QByteArray header = TGifBuilder().Header("89a", 4, 4, kGlobal4).Done(false);
    EXPECT_EQ(LoadError(header + QByteArray("!\x0A\x00", 3)),
              "Unrecognized extension block.\r\nCode = $0A");

    for (int m : {0, 1, 10, 12}) {
        TGifFrame bad = f;
        bad.CodeSize = m;
        QByteArray bytes = TGifBuilder().Header("89a", 4, 4, kGlobal4).Raw(",").Done(false);
        bytes +=
            QByteArray("\0\0\0\0\x04\0\x04\0\0", 9) + char(m) + QByteArray("\x01\x00\x00", 3) + ';';
        EXPECT_EQ(LoadError(bytes), "Bad code Size") << m;
    }
    // Code size 2: clear is 4, end is 5; code 7 is past the table right after the first code.
    auto withCodes = [&](const QByteArray& lzw) {
        return header + QByteArray(",\0\0\0\0\x04\0\x04\0\0\x02", 11) +
               kolvar::test::SubBlocks(lzw) + ';';
    };
    EXPECT_EQ(LoadError(withCodes(QByteArray("\xCC\x01", 2))), "Bad code"); // 4, 1, 7 (3-bit codes)
    EXPECT_EQ(LoadError(withCodes(QByteArray("\x2C", 1))), "Bad code");     // clear then end
    EXPECT_EQ(LoadError(withCodes(QByteArray("\x0C", 1))), "Unexpected end of image data");

    TGifFrame outside = f;
    outside.Left = 1;
    EXPECT_EQ(LoadError(TGifBuilder().Header("89a", 4, 4, kGlobal4).Image(outside).Done()),
              "Image lies outside the logical screen");
    EXPECT_EQ(LoadError(TGifBuilder().Header("89a", 0, 4, kGlobal4).Image(f).Done()),
              "Logical screen size is not valid");
    TGifFrame empty = f;
    empty.Width = 0;
    empty.Pixels.clear();
    EXPECT_EQ(LoadError(TGifBuilder().Header("89a", 4, 4, kGlobal4).Image(empty).Done()),
              "Image size is not valid");
    // 65535 x 65535 claimed by a few bytes of data.
    QByteArray huge = TGifBuilder().Header("89a", 65535, 65535, kGlobal4).Done(false);
    huge += QByteArray(",\0\0\0\0\xFF\xFF\xFF\xFF\0\x02", 11) +
            kolvar::test::SubBlocks("\x0C\x0A") + ';';
    EXPECT_EQ(LoadError(huge), "Image size is not valid");
    // 10000 x 10000 is within the size limit, but not for two bytes of data.
    QByteArray big = TGifBuilder().Header("89a", 10000, 10000, kGlobal4).Done(false);
    big += QByteArray(",\0\0\0\0\x10\x27\x10\x27\0\x02", 11) + kolvar::test::SubBlocks("\x0C\x0A") +
           ';';
    EXPECT_EQ(LoadError(big), "Image size is not valid");
}

TEST(GifReader, TruncatedFilesFailButAMissingTrailerIsTolerated) {
    const TGifFrame f = Frame(9, 9, 5);
    const QByteArray whole = Simple(f);
    for (qsizetype n = 0; n < whole.size() - 1; ++n)
        EXPECT_NE(LoadError(whole.left(n)), "<no error>") << n;
    EXPECT_EQ(LoadError(whole.left(whole.size() - 1)), "<no error>");
    EXPECT_EQ(LoadError(TGifBuilder().Header("89a", 4, 4, kGlobal4).Done()),
              "GIF file holds no image");
    // Image data that stops without an end code, once every pixel is there, is complete.
    TGifFrame noEnd = f;
    noEnd.EndCode = false;
    TGifFile gif;
    gif.LoadFromBytes(Simple(noEnd));
    EXPECT_EQ(Decoded(gif.Image(0)), f.Pixels);
}

TEST(GifReader, LoadGifFileReadsFromDisk) {
    QTemporaryDir dir;
    const QString path = dir.filePath("pic.gif");
    const TGifFrame f = Frame(3, 2);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Simple(f));
    file.close();
    EXPECT_EQ(Indices(LoadGifPicture(path)), f.Pixels);
    EXPECT_THROW(LoadGifPicture(dir.filePath("missing.gif")), EGifException);
}
