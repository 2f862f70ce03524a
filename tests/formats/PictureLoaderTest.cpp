// The shared picture loader: recognition by first bytes and extension, and reads straight into
// the image container that give the toolkit readers' pixels.
#include "formats/PictureLoader.h"
#include "formats/BmpCodec.h"
#include "formats/ColorReduce.h"
#include "formats/DibFile.h"
#include "formats/JpegCodec.h"
#include "formats/PcxWriter.h"
#include "formats/Pcxctrl.h"
#include "formats/PngCodec.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <png.h>
}

using namespace kolvar;

namespace {

QImage Noise(int w, int h, unsigned seed, QImage::Format format = QImage::Format_RGB32) {
    QImage image(w, h, format);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(
                x, y,
                QColor::fromRgba(rng() | (format == QImage::Format_ARGB32 ? 0u : 0xFF000000u)));
    return image;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The obvious twin of a container read: the toolkit reader's bitmap converted whole.
TDibContainer Twin(const QImage& bitmap) {
    const QImage bgr = bitmap.convertToFormat(QImage::Format_BGR888);
    TDibContainer d(bgr.width(), bgr.height());
    for (int y = 0; y < bgr.height(); ++y)
        std::memcpy(d.ScanLine(y), bgr.constScanLine(y), size_t(bgr.width()) * 3);
    return d;
}

// A CMYK JPEG as print software writes it; adobe: inverted CMYK behind an Adobe marker.
QByteArray CmykJpeg(int w, int h, bool adobe) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, adobe ? JCS_YCCK : JCS_CMYK);
    c.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(w) * 4);
    std::mt19937 rng(7);
    while (c.next_scanline < c.image_height) {
        for (uint8_t& b : row) b = uint8_t(rng());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

// An 8-bit colour PNG with a transparent colour, which the toolkit's writer never makes; every
// seventh pixel has that colour.
void WriteTransparentColourPng(const QString& path) {
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    const int w = 29, h = 11;
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color_16 clear{};
    clear.red = 10, clear.green = 20, clear.blue = 30;
    png_set_tRNS(png, info, nullptr, 0, &clear);
    png_write_info(png, info);
    std::mt19937 rng(5);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (uint8_t& b : row) b = uint8_t(rng());
        for (int x = 0; x < w; x += 7)
            row[size_t(3 * x)] = 10, row[size_t(3 * x + 1)] = 20, row[size_t(3 * x + 2)] = 30;
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// Either both reads fail or both give the same pixels.
void ExpectSameRead(const QString& path, TPictureKind kind) {
    SCOPED_TRACE(path.toStdString());
    QImage bitmap;
    bool bitmapRead = true;
    try {
        bitmap = ReadPictureFile(path, kind);
    } catch (const std::exception&) {
        bitmapRead = false;
    }
    TDibContainer direct;
    bool directRead = true;
    int lastPercent = -1;
    try {
        ReadPictureFile(path, kind, direct, [&](int p) {
            EXPECT_GE(p, lastPercent);
            lastPercent = p;
        });
    } catch (const std::exception&) {
        directRead = false;
    }
    ASSERT_EQ(directRead, bitmapRead);
    if (!directRead) return;
    EXPECT_TRUE(direct.SameImage(Twin(bitmap)));
    EXPECT_EQ(lastPercent, 100);
}

} // namespace

TEST(PictureLoader, ContainerReadsGiveTheToolkitReadersPixels) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage src = Noise(37, 23, 1);
    const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

    SaveJpegFile(path("colour.jpg"), src, {90, false, false});
    SaveJpegFile(path("grey.jpg"), src, {90, true, false});
    SaveJpegFile(path("progressive.jpg"), src, {75, false, true});
    WriteBytes(path("cmyk.jpg"), CmykJpeg(21, 9, false));
    WriteBytes(path("adobe.jpg"), CmykJpeg(21, 9, true));
    for (const char* name : {"colour.jpg", "grey.jpg", "progressive.jpg", "cmyk.jpg", "adobe.jpg"})
        ExpectSameRead(path(name), TPictureKind::Jpeg);

    SaveBmp24(path("24.bmp"), src);
    SaveBmpFile(path("8.bmp"), ConvertToDib(src, 8));
    SavePCX(path("8.pcx"), ConvertToDib(src, 8));
    ExpectSameRead(path("24.bmp"), TPictureKind::Bmp);
    ExpectSameRead(path("8.bmp"), TPictureKind::Bmp);
    for (int depth : {1, 4, 32}) {
        const QString name = dir.filePath(QStringLiteral("%1.bmp").arg(depth));
        SaveBmpFile(name, ConvertToDib(src, depth));
        ExpectSameRead(name, TPictureKind::Bmp);
    }
    // A 32-bit picture with its fourth byte in use, which the reader drops.
    QImage argb = Noise(37, 23, 13, QImage::Format_ARGB32);
    argb.save(path("alpha.bmp"), "BMP");
    ExpectSameRead(path("alpha.bmp"), TPictureKind::Bmp);
    ExpectSameRead(path("8.pcx"), TPictureKind::Pcx);
    for (int depth : {1, 4}) {
        const QString name = dir.filePath(QStringLiteral("%1.pcx").arg(depth));
        SavePCX(name, ConvertToDib(src, depth));
        ExpectSameRead(name, TPictureKind::Pcx);
    }
    // Not PCX at all under the extension: the bitmap loader's turn, on both paths.
    SaveBmp24(path("bmp.pcx"), src);
    ExpectSameRead(path("bmp.pcx"), TPictureKind::Pcx);

    // PNG in the layouts the toolkit reader hands back differently.
    Noise(41, 7, 2).save(path("rgb.png"));
    Noise(41, 7, 3, QImage::Format_ARGB32).save(path("rgba.png"));
    Noise(41, 7, 4).convertToFormat(QImage::Format_Grayscale8).save(path("grey.png"));
    Noise(41, 7, 5).convertToFormat(QImage::Format_RGBA64).save(path("deep.png"));
    Noise(41, 7, 6).convertToFormat(QImage::Format_Indexed8).save(path("palette.png"));
    Noise(41, 7, 8).convertToFormat(QImage::Format_Grayscale16).save(path("grey16.png"));
    Noise(41, 7, 9).convertToFormat(QImage::Format_RGBX64).save(path("rgb16.png"));
    Noise(41, 7, 10).convertToFormat(QImage::Format_Mono).save(path("mono.png"));
    QImage seeThrough = Noise(41, 7, 11).convertToFormat(QImage::Format_Indexed8);
    QList<QRgb> colours = seeThrough.colorTable();
    for (int i = 0; i < colours.size(); i += 3) colours[i] &= 0x40FFFFFF;
    seeThrough.setColorTable(colours);
    seeThrough.save(path("palette-alpha.png"));
    QImage faded = Noise(41, 7, 12, QImage::Format_ARGB32);
    for (int y = 0; y < faded.height(); ++y)
        for (int x = 0; x < faded.width(); ++x)
            faded.setPixel(x, y, faded.pixel(x, y) & 0x00FFFFFF);
    faded.save(path("transparent.png"));
    WriteTransparentColourPng(path("rgb-clear.png"));
    // Interlaced, and cut short in its pixel data.
    QImageWriter interlaced(path("interlaced.png"), "png");
    interlaced.setProgressiveScanWrite(true);
    ASSERT_TRUE(interlaced.write(Noise(41, 7, 7)));
    QFile whole(path("rgb.png"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    WriteBytes(path("cut.png"), whole.readAll().chopped(300));
    for (const char* name : {"rgb.png", "rgba.png", "grey.png", "deep.png", "palette.png",
                             "grey16.png", "rgb16.png", "mono.png", "palette-alpha.png",
                             "transparent.png", "rgb-clear.png", "interlaced.png", "cut.png"})
        ExpectSameRead(path(name), TPictureKind::Png);

    // Every file that ever troubled a reader, damaged ones included.
    const struct {
        const char* Folder;
        TPictureKind Kind;
    } corpora[] = {{"jpeg", TPictureKind::Jpeg},
                   {"bmp", TPictureKind::Bmp},
                   {"gif", TPictureKind::Gif},
                   {"pcx", TPictureKind::Pcx}};
    for (const auto& c : corpora) {
        const QDir folder(QStringLiteral(KOLVAR_TEST_DATA "/corpus/") + c.Folder);
        for (const QString& name : folder.entryList(QDir::Files))
            ExpectSameRead(folder.filePath(name), c.Kind);
    }
}

TEST(PictureLoader, PicturesUnderAWrongExtensionAreRecognisedByTheirFirstBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage src = Noise(9, 5, 8);
    const TDibContainer expected = Twin(src);
    const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    src.save(path("png.bmp"), "png");
    SaveBmp24(path("bmp.png"), src);
    SaveBmp24(path("noextension"), src);
    SavePCX(path("palette.pcx"), ConvertToDib(src, 8));

    // What the batch command reads through.
    for (const char* name : {"png.bmp", "bmp.png", "noextension"}) {
        SCOPED_TRACE(name);
        TDibContainer image;
        ASSERT_NO_THROW(LoadDibFile(path(name), image));
        EXPECT_TRUE(image.SameImage(expected));
        EXPECT_TRUE(CanLoadPicture(path(name)));
    }
    EXPECT_EQ(PictureKindsOfFile(path("png.bmp")),
              (QList<TPictureKind>{TPictureKind::Png, TPictureKind::Bmp}));
    // A PCX file has no signature: its extension is all there is.
    EXPECT_EQ(PictureKindsOfFile(path("palette.pcx")), QList<TPictureKind>{TPictureKind::Pcx});
    TDibContainer pcx;
    EXPECT_NO_THROW(LoadPicture(path("palette.pcx"), pcx));
    EXPECT_EQ(pcx.Width(), 9);

    // Nothing recognised, a missing file, and a damaged one keep their own errors; the
    // image passed in is left as it was.
    WriteBytes(path("text.xyz"), "plain words");
    WriteBytes(path("damaged.bmp"), "BM and no more");
    TDibContainer kept(2, 2);
    EXPECT_FALSE(CanLoadPicture(path("text.xyz")));
    EXPECT_THROW(LoadPicture(path("text.xyz"), kept), EInvalidGraphic);
    EXPECT_THROW(LoadPicture(path("missing.bmp"), kept), EInOutError);
    EXPECT_THROW(LoadPicture(path("damaged.bmp"), kept), EInvalidGraphic);
    EXPECT_EQ(kept.Width(), 2);
}

TEST(PictureLoader, WritersFromTheContainerGiveTheToolkitPathsPictures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Widths with each amount of row padding.
    for (int w : {1, 2, 3, 4, 37}) {
        SCOPED_TRACE(w);
        const QImage src = Noise(w, 6, unsigned(w));
        const TDibContainer image = Twin(src);
        for (const TJpegOptions& options :
             {TJpegOptions{75, false, false}, TJpegOptions{90, true, false},
              TJpegOptions{50, false, true}})
            EXPECT_EQ(EncodeJpeg(image, options), EncodeJpeg(src, options));
        const QString jpg = dir.filePath(QStringLiteral("out.jpg"));
        SaveJpegFile(jpg, image, TJpegOptions{80, false, false});
        QFile written(jpg);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), EncodeJpeg(src, TJpegOptions{80, false, false}));

        const QString png = dir.filePath(QStringLiteral("out.png"));
        SavePngFile(png, image);
        EXPECT_TRUE(Twin(QImage(png)).SameImage(image));
        TDibContainer back;
        ASSERT_TRUE(ReadPngInto(png, back));
        EXPECT_TRUE(back.SameImage(image));
    }
    const TDibContainer small = Twin(Noise(2, 2, 1));
    EXPECT_THROW(SavePngFile(dir.filePath(QStringLiteral("no/such/dir/a.png")), small),
                 EWriteError);
    EXPECT_THROW(SaveJpegFile(dir.filePath(QStringLiteral("no/such/dir/a.jpg")), small, {}),
                 EWriteError);
}
