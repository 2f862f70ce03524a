#include "formats/Metafile.h"

#include "MetafileTestWriter.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

namespace {

constexpr uint32_t kRed = 0x0000FF; // as the records store colours: 0x00BBGGRR
constexpr uint32_t kBlue = 0xFF0000;
constexpr QRgb kRedPixel = 0xFFFF0000;
constexpr QRgb kWhitePixel = 0xFFFFFFFF;
constexpr uint32_t kNullPen = 0x80000008;
constexpr int kNullPenStyle = 5;

// A picture of `inches` square at 96 pixels per inch, recorded on a 96 dpi device.
TEmfWriter Picture(int inches = 3) {
    return TEmfWriter(QRect(0, 0, 2540 * inches, 2540 * inches));
}

// Red brush, no pen.
TEmfWriter& RedFill(TEmfWriter& w) {
    return w.CreateBrush(1, 0, kRed).Select(1).Select(kNullPen);
}

QImage Load(const TEmfWriter& w) {
    return LoadMetafile(w.Bytes(), true);
}

} // namespace

TEST(MetafileEmf, PictureSizeComesFromTheFrameAt96Dpi) {
    EXPECT_EQ(MetafilePictureSize(Picture(1).Bytes(), true), QSize(96, 96));
    // 5000 hundredths of a millimetre are 188.97 pixels; a device of another resolution does
    // not change the picture's size.
    TEmfWriter w(QRect(100, 0, 5000, 1270), QSize(1000, 1000), QSize(100, 100));
    EXPECT_EQ(MetafilePictureSize(w.Bytes(), true), QSize(189, 48));
    QImage image = LoadMetafile(w.Bytes(), true);
    EXPECT_EQ(image.size(), QSize(189, 48));
    EXPECT_EQ(CountOf(image, kWhitePixel), 189 * 48);
}

TEST(MetafileEmf, RedRectangleLandsOnItsPixelsUnderEveryMapMode) {
    // Each case draws the square from one inch to two inches: pixels 96..191 in both axes.
    struct Case {
        const char* name;
        int mode;
        int unitsPerInch; // physical modes count y upwards
    };
    const Case physical[] = {{"lometric", 2, 254},   {"himetric", 3, 2540}, {"loenglish", 4, 100},
                             {"hienglish", 5, 1000}, {"twips", 6, 1440},    {"text", 1, 96}};
    for (const Case& c : physical) {
        TEmfWriter w = Picture();
        RedFill(w).MapMode(c.mode);
        int u = c.unitsPerInch, sign = c.mode == 1 ? 1 : -1;
        w.Rectangle(u, sign * u, 2 * u, sign * 2 * u);
        QImage image = Load(w);
        EXPECT_EQ(BoundsOf(image, kRedPixel), QRect(96, 96, 96, 96)) << c.name;
        EXPECT_EQ(CountOf(image, kRedPixel), 96 * 96) << c.name;
    }
    {
        TEmfWriter w = Picture();
        RedFill(w).MapMode(8);
        w.Record(10, {10, 20}).Record(9, {100, 50}).Record(12, {0, 0}).Record(11, {200, 150});
        w.Rectangle(58, 52, 106, 84);
        EXPECT_EQ(BoundsOf(Load(w), kRedPixel), QRect(96, 96, 96, 96)) << "anisotropic";
    }
    {
        // The smaller of the two scales serves both axes.
        TEmfWriter w = Picture();
        RedFill(w).MapMode(7);
        w.Record(9, {100, 100}).Record(11, {200, 300});
        w.Rectangle(48, 48, 96, 96);
        EXPECT_EQ(BoundsOf(Load(w), kRedPixel), QRect(96, 96, 96, 96)) << "isotropic";
    }
    {
        // A thin pen of the same colour covers the same pixels as the fill alone.
        TEmfWriter w = Picture();
        w.CreateBrush(1, 0, kRed).Select(1).CreatePen(2, 0, 0, kRed).Select(2);
        w.Rectangle(96, 96, 192, 192);
        QImage image = Load(w);
        EXPECT_EQ(BoundsOf(image, kRedPixel), QRect(96, 96, 96, 96)) << "with pen";
        EXPECT_EQ(CountOf(image, kRedPixel), 96 * 96) << "with pen";
    }
}

TEST(MetafileEmf, WorldTransformAndDevicesOfOtherResolutions) {
    {
        TEmfWriter w = Picture();
        RedFill(w).WorldTransform(2, 0, 0, 2, 16, 32);
        w.Rectangle(0, 0, 10, 20);
        EXPECT_EQ(BoundsOf(Load(w), kRedPixel), QRect(16, 32, 20, 40));
    }
    {
        // A quarter turn: x' = -y, y' = x.
        TEmfWriter w = Picture();
        RedFill(w).WorldTransform(0, 1, -1, 0, 100, 0);
        w.Rectangle(10, 20, 30, 60);
        EXPECT_EQ(BoundsOf(Load(w), kRedPixel), QRect(40, 10, 40, 20));
    }
    {
        // A 192 dpi recording device: its pixels are half as large in the picture.
        TEmfWriter w(QRect(0, 0, 2540, 2540), QSize(1920, 1920), QSize(254, 254));
        RedFill(w).Rectangle(40, 60, 100, 120);
        EXPECT_EQ(BoundsOf(Load(w), kRedPixel), QRect(20, 30, 30, 30));
    }
}

TEST(MetafileEmf, PolygonFillModesAndEllipse) {
    // A five-pointed star drawn in one stroke: its centre is outside under the alternate rule
    // and inside under the winding rule.
    auto star = [](int fillMode) {
        TEmfWriter w = Picture(1);
        RedFill(w).Record(19, {fillMode});
        w.Poly(3, {48, 5, 74, 85, 6, 35, 90, 35, 22, 85});
        return Load(w);
    };
    QImage alternate = star(1), winding = star(2);
    EXPECT_EQ(alternate.pixel(48, 50), kWhitePixel);
    EXPECT_EQ(winding.pixel(48, 50), kRedPixel);
    EXPECT_EQ(alternate.pixel(48, 20), kRedPixel);
    EXPECT_EQ(alternate.pixel(5, 5), kWhitePixel);
    // The 16-bit form draws the same.
    TEmfWriter w16 = Picture(1);
    RedFill(w16).Record(19, {2});
    w16.Poly(86, {48, 5, 74, 85, 6, 35, 90, 35, 22, 85}, true);
    EXPECT_EQ(Load(w16), winding);

    TEmfWriter e = Picture(1);
    RedFill(e).Ellipse(10, 20, 90, 60);
    QImage ellipse = Load(e);
    EXPECT_EQ(BoundsOf(ellipse, kRedPixel), QRect(10, 20, 80, 40));
    EXPECT_EQ(ellipse.pixel(11, 21), kWhitePixel);
    EXPECT_EQ(ellipse.pixel(50, 40), kRedPixel);
    // Left-right symmetry about the centre x = 50.
    for (int y = 20; y < 60; ++y)
        for (int x = 10; x < 50; ++x)
            ASSERT_EQ(ellipse.pixel(x, y), ellipse.pixel(99 - x, y)) << x << "," << y;
}

TEST(MetafileEmf, LinesThinAndWide) {
    TEmfWriter w = Picture(1);
    w.CreatePen(1, 0, 0, kRed).Select(1).MoveTo(10, 10).LineTo(20, 10);
    // A line leaves out its last pixel.
    QImage thin = Load(w);
    EXPECT_EQ(BoundsOf(thin, kRedPixel), QRect(10, 10, 10, 1));

    // A 10-unit pen, round ends: 10 rows tall, reaching half the width past both ends.
    TEmfWriter wide = Picture(1);
    wide.CreatePen(1, 0, 10, kRed).Select(1).MoveTo(20, 50).LineTo(70, 50);
    QImage image = Load(wide);
    QRect bounds = BoundsOf(image, kRedPixel);
    EXPECT_EQ(bounds.height(), 10);
    EXPECT_NEAR(bounds.top(), 45, 1);
    EXPECT_NEAR(bounds.left(), 15, 1);
    EXPECT_NEAR(bounds.right(), 75, 1);
    for (int y = 46; y < 54; ++y) EXPECT_EQ(image.pixel(45, y), kRedPixel) << y;

    // The null pen draws nothing.
    TEmfWriter none = Picture(1);
    none.CreatePen(1, kNullPenStyle, 10, kRed).Select(1).MoveTo(20, 50).LineTo(70, 50);
    EXPECT_EQ(CountOf(Load(none), kRedPixel), 0);
}

TEST(MetafileEmf, TextInItsColourAndAlignment) {
    auto text = [](int align, int bkMode) {
        TEmfWriter w = Picture(2);
        w.CreateFont(1, -30, "Arial").Select(1).Record(24, {int32_t(kBlue)});
        w.Record(18, {bkMode}).Record(25, {int32_t(0x00FF00)}).Record(22, {align});
        w.TextOutW(96, 96, "HELLO");
        return Load(w);
    };
    constexpr QRgb blue = 0xFF0000FF, green = 0xFF00FF00;
    QImage top = text(0, 1);
    QRect glyphs = BoundsOf(top, blue);
    ASSERT_FALSE(glyphs.isEmpty());
    EXPECT_GE(glyphs.left(), 96);
    EXPECT_GE(glyphs.top(), 96);
    EXPECT_LT(glyphs.bottom(), 96 + 30);
    EXPECT_GT(glyphs.width(), 40);
    // No anti-aliasing: every drawn pixel has exactly the text colour.
    EXPECT_EQ(CountOf(top, blue) + CountOf(top, kWhitePixel), 192 * 192);

    // Right and bottom alignment put the text above and left of the reference point.
    QRect rb = BoundsOf(text(2 | 8, 1), blue);
    EXPECT_LE(rb.right(), 96);
    EXPECT_LE(rb.bottom(), 96);
    EXPECT_NEAR(rb.width(), glyphs.width(), 1);

    // The opaque background mode paints the text cell in the background colour.
    QImage opaque = text(0, 2);
    EXPECT_GT(CountOf(opaque, green), 0);
    EXPECT_EQ(BoundsOf(opaque, green) | glyphs, BoundsOf(opaque, green));
}

TEST(MetafileEmf, EmbeddedBitmaps) {
    QImage four(2, 2, QImage::Format_RGB32);
    four.setPixel(0, 0, 0xFFFF0000);
    four.setPixel(1, 0, 0xFF00FF00);
    four.setPixel(0, 1, 0xFF0000FF);
    four.setPixel(1, 1, 0xFF000000);
    for (bool topDown : {false, true}) {
        TEmfWriter w = Picture(1);
        w.StretchDIBits(QRect(10, 20, 40, 20), QRect(0, 0, 2, 2), MakeDib24(four, topDown));
        QImage image = Load(w);
        EXPECT_EQ(BoundsOf(image, 0xFFFF0000), QRect(10, 20, 20, 10)) << topDown;
        EXPECT_EQ(BoundsOf(image, 0xFF00FF00), QRect(30, 20, 20, 10)) << topDown;
        EXPECT_EQ(BoundsOf(image, 0xFF0000FF), QRect(10, 30, 20, 10)) << topDown;
        EXPECT_EQ(BoundsOf(image, 0xFF000000), QRect(30, 30, 20, 10)) << topDown;
    }
    // A source rectangle counted from the bottom row of a bottom-up bitmap: the lower right.
    TEmfWriter part = Picture(1);
    part.StretchDIBits(QRect(0, 0, 10, 10), QRect(1, 0, 1, 1), MakeDib24(four));
    EXPECT_EQ(CountOf(Load(part), 0xFF000000), 100);

    // Unstretched bits, whole and as a band holding only the bottom scan line.
    TEmfWriter whole = Picture(1);
    whole.SetDIBitsToDevice(QPoint(5, 5), QRect(0, 0, 2, 2), MakeDib24(four), 0, 2);
    QImage placed = Load(whole);
    EXPECT_EQ(placed.pixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(placed.pixel(6, 6), 0xFF000000u);
    TTestDib bottom = MakeDib24(four);
    bottom.Bits = bottom.Bits.left(8);
    TEmfWriter band = Picture(1);
    band.SetDIBitsToDevice(QPoint(5, 5), QRect(0, 0, 2, 2), bottom, 0, 1);
    QImage banded = Load(band);
    EXPECT_EQ(banded.pixel(5, 5), kWhitePixel);
    EXPECT_EQ(banded.pixel(5, 6), 0xFF0000FFu);
    EXPECT_EQ(banded.pixel(6, 6), 0xFF000000u);

    // A device-to-device copy without stretching.
    TEmfWriter blt = Picture(1);
    blt.BitBlt(QPoint(5, 6), QSize(2, 2), QPoint(0, 0), MakeDib24(four));
    QImage copied = Load(blt);
    EXPECT_EQ(copied.pixel(5, 6), 0xFFFF0000u);
    EXPECT_EQ(copied.pixel(6, 7), 0xFF000000u);
    EXPECT_EQ(CountOf(copied, kWhitePixel), 96 * 96 - 4);
}

TEST(MetafileEmf, ClipSaveRestoreAndPaths) {
    {
        TEmfWriter w = Picture(1);
        RedFill(w).Record(33, {}).Record(30, {10, 10, 30, 40}).Rectangle(0, 0, 96, 96);
        w.Record(34, {-1}).Select(0x80000004).Rectangle(50, 50, 60, 60);
        QImage image = Load(w);
        EXPECT_EQ(BoundsOf(image, kRedPixel), QRect(10, 10, 20, 30));
        // After RestoreDC the clip is gone; the black brush was selected after it.
        EXPECT_EQ(BoundsOf(image, 0xFF000000), QRect(50, 50, 10, 10));
    }
    {
        // Excluding a rectangle leaves a hole.
        TEmfWriter w = Picture(1);
        RedFill(w).Record(29, {20, 20, 40, 40}).Rectangle(10, 10, 50, 50);
        QImage image = Load(w);
        EXPECT_EQ(CountOf(image, kRedPixel), 40 * 40 - 20 * 20);
        EXPECT_EQ(image.pixel(30, 30), kWhitePixel);
    }
    {
        // A triangle built in a path, closed and filled.
        TEmfWriter w = Picture(1);
        RedFill(w).Record(59, {}).MoveTo(10, 10).LineTo(80, 10).LineTo(10, 80);
        w.Record(61, {}).Record(60, {}).Record(62, {0, 0, -1, -1});
        QImage image = Load(w);
        EXPECT_EQ(image.pixel(20, 20), kRedPixel);
        EXPECT_EQ(image.pixel(70, 70), kWhitePixel);
        // Nothing was drawn while the path was open.
        TEmfWriter open = Picture(1);
        RedFill(open).Record(59, {}).Rectangle(10, 10, 80, 80).Record(60, {});
        EXPECT_EQ(CountOf(Load(open), kRedPixel), 0);
    }
    {
        // Clip to a path: a rectangle limited to an ellipse's inside.
        TEmfWriter w = Picture(1);
        RedFill(w).Record(59, {}).Ellipse(0, 0, 96, 96).Record(60, {}).Record(67, {5});
        w.Rectangle(0, 0, 96, 96);
        QImage image = Load(w);
        EXPECT_EQ(image.pixel(48, 48), kRedPixel);
        EXPECT_EQ(image.pixel(2, 2), kWhitePixel);
    }
}

TEST(MetafileEmf, ObjectsStockAndDeleted) {
    TEmfWriter w = Picture(1);
    // A deleted brush can no longer be selected; the black stock brush stays current.
    w.Select(kNullPen).Select(0x80000004).CreateBrush(1, 0, kRed).Delete(1).Select(1);
    w.Rectangle(10, 10, 20, 20);
    // A hatched brush draws its lines on the background colour in opaque mode.
    w.CreateBrush(2, 2, kRed, 0).Select(2).Record(25, {int32_t(kBlue)}).Rectangle(40, 40, 56, 56);
    QImage image = Load(w);
    EXPECT_EQ(BoundsOf(image, 0xFF000000), QRect(10, 10, 10, 10));
    int red = CountOf(image, kRedPixel), blue = CountOf(image, 0xFF0000FF);
    EXPECT_GT(red, 0);
    EXPECT_GT(blue, red);
    EXPECT_EQ(red + blue, 16 * 16);
    // Unknown records and comments are passed over.
    TEmfWriter skip = Picture(1);
    skip.Record(70, {4, 0x12345678}).Record(200, {1, 2, 3});
    RedFill(skip).Rectangle(0, 0, 5, 5);
    EXPECT_EQ(CountOf(Load(skip), kRedPixel), 25);
}

TEST(MetafileEmf, BadInputRaisesTheMetafileError) {
    auto fails = [](const QByteArray& bytes) {
        try {
            LoadMetafile(bytes, true);
        } catch (const EMetafileError&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(fails(QByteArray()));
    EXPECT_TRUE(fails(QByteArray(200, 'x')));
    QByteArray good = Picture(1).Bytes();
    EXPECT_FALSE(fails(good));
    QByteArray unsigned_ = good;
    unsigned_[40] = 'X';
    EXPECT_TRUE(fails(unsigned_)) << "signature";
    EXPECT_TRUE(fails(good.left(100))) << "header cut short";
    EXPECT_TRUE(fails(good.left(good.size() - 4))) << "last record cut short";
    EXPECT_TRUE(
        fails(TEmfWriter(QRect(0, 0, 2540, 2540), QSize(960, 960), QSize(254, 254), 0).Bytes()))
        << "no handle table";
    EXPECT_TRUE(fails(TEmfWriter(QRect(0, 0, 0, 2540)).Bytes())) << "empty frame";
    EXPECT_TRUE(fails(TEmfWriter(QRect(0, 0, 2000000, 2000000)).Bytes())) << "too large";
    EXPECT_TRUE(fails(TEmfWriter(QRect(0, 0, 2540, 2540), QSize(960, 0)).Bytes())) << "device";

    EXPECT_TRUE(fails(Picture(1).RawSized(43, 4, QByteArray()).Bytes())) << "size below 8";
    EXPECT_TRUE(fails(Picture(1).RawSized(43, 26, QByteArray(20, 0)).Bytes())) << "size 26";
    EXPECT_TRUE(fails(Picture(1).RawSized(43, 4000, QByteArray(16, 0)).Bytes())) << "past end";
    EXPECT_TRUE(fails(Picture(1).Record(43, {1, 2}).Bytes())) << "fields past the record";
    TEmfWriter count = Picture(1);
    count.Record(3, {0, 0, 0, 0, 1000000, 1, 2});
    EXPECT_TRUE(fails(count.Bytes())) << "points do not fit";
    EXPECT_TRUE(fails(Picture(1).Record(7, {0, 0, 0, 0, 2, 3, 2, 2, 0, 0, 1, 1, 2, 2}).Bytes()))
        << "polygon counts above the total";
    EXPECT_TRUE(fails(Picture(1).Select(8).Bytes())) << "object index past the table";
    EXPECT_TRUE(fails(Picture(1).CreateBrush(0, 0, kRed).Bytes())) << "object index 0";
    EXPECT_TRUE(fails(Picture(1).Delete(100).Bytes())) << "delete past the table";
    // Text whose string lies past the record's end.
    TEmfWriter text = Picture(1);
    text.Record(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 500, 76, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(fails(text.Bytes())) << "string outside the record";
    // A bitmap whose bits are shorter than its header says.
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    TTestDib dib = MakeDib24(img);
    dib.Bits.chop(8);
    EXPECT_TRUE(fails(Picture(1).StretchDIBits(QRect(0, 0, 4, 4), QRect(0, 0, 4, 4), dib).Bytes()))
        << "short bits";
    TTestDib huge = MakeDib24(img);
    huge.Info[4] = char(0xFF), huge.Info[5] = char(0xFF), huge.Info[6] = char(0xFF);
    EXPECT_TRUE(fails(Picture(1).StretchDIBits(QRect(0, 0, 4, 4), QRect(0, 0, 4, 4), huge).Bytes()))
        << "bitmap too large";
    // Without the end record the picture still loads.
    EXPECT_FALSE(fails(Picture(1).Bytes(false)));
}
