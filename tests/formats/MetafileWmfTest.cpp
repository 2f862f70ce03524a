#include "formats/Metafile.h"

#include "MetafileTestWriter.h"

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

namespace {

constexpr uint32_t kRed = 0x0000FF;
constexpr QRgb kRedPixel = 0xFFFF0000;
constexpr QRgb kWhitePixel = 0xFFFFFFFF;

// Red brush (object 0), null pen (object 1).
TWmfWriter& RedFill(TWmfWriter& w) {
    return w.Brush(0, kRed).Select(0).Pen(5, 0, 0).Select(1);
}

QImage Load(const TWmfWriter& w) {
    return LoadMetafile(w.Bytes(), false);
}

bool Fails(const QByteArray& bytes) {
    try {
        LoadMetafile(bytes, false);
    } catch (const EMetafileError&) {
        return true;
    }
    return false;
}

} // namespace

TEST(MetafileWmf, PictureSizeFromPlaceableBoxOrWindowExtent) {
    // 2880 units at 1440 per inch: two inches.
    EXPECT_EQ(MetafilePictureSize(TWmfWriter(QRect(0, 0, 2880, 1440), 1440).Bytes(), false),
              QSize(192, 96));
    EXPECT_EQ(MetafilePictureSize(TWmfWriter(QRect(-100, 50, 1000, 500), 1000).Bytes(), false),
              QSize(96, 48));
    TWmfWriter old = TWmfWriter::OldStyle();
    old.WindowOrg(5, 5).WindowExt(120, -80);
    EXPECT_EQ(MetafilePictureSize(old.Bytes(), false), QSize(120, 80));
    EXPECT_TRUE(Fails(TWmfWriter::OldStyle().Rectangle(0, 0, 5, 5).Bytes())) << "no extent";
    EXPECT_TRUE(Fails(TWmfWriter(QRect(0, 0, 100, 100), 0).Bytes())) << "units per inch 0";
}

TEST(MetafileWmf, RedRectangleLandsOnItsPixelsUnderEachMapping) {
    {
        // The placeable box maps onto the picture: 1440 units per inch, 15 units per pixel.
        TWmfWriter w(QRect(0, 0, 1440, 1440), 1440);
        RedFill(w).Rectangle(150, 300, 450, 600);
        QImage image = Load(w);
        EXPECT_EQ(image.size(), QSize(96, 96));
        EXPECT_EQ(BoundsOf(image, kRedPixel), QRect(10, 20, 20, 20));
        EXPECT_EQ(CountOf(image, kRedPixel), 400);
    }
    {
        // The records' own window replaces the box; a negative extent turns y upwards.
        TWmfWriter w(QRect(0, 0, 960, 960), 960);
        RedFill(w).MapMode(8).WindowOrg(0, 96).WindowExt(96, -96);
        w.Rectangle(10, 86, 30, 46);
        EXPECT_EQ(BoundsOf(Load(w), kRedPixel), QRect(10, 10, 20, 40));
    }
    {
        // Isotropic: the smaller scale serves both axes.
        TWmfWriter w(QRect(0, 0, 1920, 960), 960);
        RedFill(w).MapMode(7).WindowOrg(0, 0).WindowExt(96, 96);
        w.Rectangle(10, 10, 20, 20);
        EXPECT_EQ(BoundsOf(Load(w), kRedPixel), QRect(10, 10, 10, 10));
    }
    {
        // Text mode: one unit per picture pixel. Old style, sized by its window extent.
        TWmfWriter w = TWmfWriter::OldStyle();
        w.WindowOrg(0, 0).WindowExt(64, 48);
        RedFill(w).MapMode(1).Rectangle(3, 4, 13, 24);
        QImage image = Load(w);
        EXPECT_EQ(image.size(), QSize(64, 48));
        EXPECT_EQ(BoundsOf(image, kRedPixel), QRect(3, 4, 10, 20));
    }
    {
        // A physical mode: hundredths of an inch, y upwards, at the picture's 96 pixels per inch.
        TWmfWriter w = TWmfWriter::OldStyle();
        w.WindowExt(192, 192);
        RedFill(w).MapMode(4).Rectangle(100, -100, 200, -150);
        EXPECT_EQ(BoundsOf(Load(w), kRedPixel), QRect(96, 96, 96, 48));
    }
}

TEST(MetafileWmf, FiguresTextAndBitmap) {
    TWmfWriter w(QRect(0, 0, 100, 100), 96);
    RedFill(w).Polygon({10, 10, 40, 10, 10, 40});
    w.Ellipse(50, 10, 90, 30);
    w.Pen(0, 6, 0x00FF00).Select(2).MoveTo(10, 70).LineTo(60, 70);
    QImage image = Load(w);
    EXPECT_EQ(image.pixel(15, 15), kRedPixel);
    EXPECT_EQ(image.pixel(35, 35), kWhitePixel);
    EXPECT_EQ(BoundsOf(image.copy(45, 0, 55, 50), kRedPixel).translated(45, 0),
              QRect(50, 10, 40, 20));
    QRect line = BoundsOf(image, 0xFF00FF00);
    EXPECT_EQ(line.height(), 6);
    EXPECT_NEAR(line.center().y(), 70, 1);

    TWmfWriter t(QRect(0, 0, 200, 100), 96);
    t.Font(-24, "Times New Roman").Select(0).Record(0x0209, {0x0080, 0x0000});
    t.Record(0x0102, {1}).TextOut(20, 20, "Kolvar");
    QImage text = Load(t);
    QRect glyphs = BoundsOf(text, 0xFF800000);
    ASSERT_FALSE(glyphs.isEmpty());
    EXPECT_GE(glyphs.left(), 20);
    EXPECT_GE(glyphs.top(), 20);
    EXPECT_EQ(CountOf(text, 0xFF800000) + CountOf(text, kWhitePixel), 200 * 100);

    QImage four(2, 1, QImage::Format_RGB32);
    four.setPixel(0, 0, 0xFF0000FF);
    four.setPixel(1, 0, 0xFF00FF00);
    TWmfWriter b(QRect(0, 0, 96, 96), 96);
    b.StretchDib(QRect(10, 10, 40, 10), QRect(0, 0, 2, 1), MakeDib24(four));
    QImage bitmap = Load(b);
    EXPECT_EQ(BoundsOf(bitmap, 0xFF0000FF), QRect(10, 10, 20, 10));
    EXPECT_EQ(BoundsOf(bitmap, 0xFF00FF00), QRect(30, 10, 20, 10));
}

TEST(MetafileWmf, ObjectTableAndClip) {
    // Deleting frees the slot for the next object, which takes the lowest free index.
    TWmfWriter w(QRect(0, 0, 96, 96), 96, 2);
    w.Brush(0, 0x000000).Pen(5, 0, 0).Select(1).Delete(0).Brush(0, kRed).Select(0);
    w.Record(0x001E, {}).Record(0x0416, {40, 40, 10, 10}).Rectangle(0, 0, 96, 96);
    w.Record(0x0127, {-1}).Rectangle(60, 60, 70, 70);
    QImage image = Load(w);
    EXPECT_EQ(CountOf(image, kRedPixel), 30 * 30 + 100);
    EXPECT_EQ(BoundsOf(image, kRedPixel), QRect(10, 10, 60, 60));
    EXPECT_EQ(image.pixel(50, 50), kWhitePixel);
}

TEST(MetafileWmf, BadInputRaisesTheMetafileError) {
    EXPECT_TRUE(Fails(QByteArray()));
    EXPECT_TRUE(Fails(QByteArray(30, 'x')));
    TWmfWriter good(QRect(0, 0, 96, 96), 96, 1);
    EXPECT_FALSE(Fails(good.Bytes()));
    QByteArray bytes = good.Bytes();
    EXPECT_TRUE(Fails(bytes.left(30))) << "header cut short";
    bytes[22] = 7;
    EXPECT_TRUE(Fails(bytes)) << "header type";
    auto with = [](auto build) {
        TWmfWriter w(QRect(0, 0, 96, 96), 96, 1);
        build(w);
        return w.Bytes();
    };
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) { w.RawSized(0x041B, 2, QByteArray()); })))
        << "size below three words";
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) { w.RawSized(0x041B, 5000, QByteArray(8, 0)); })))
        << "past the end";
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) {
        w.Record(0x041B, {1, 2});
    }))) << "parameters past the record";
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) {
        w.Record(0x0324, {500, 1, 2, 3, 4});
    }))) << "points do not fit";
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) {
        w.Record(0x0324, {-2, 1, 2, 3, 4});
    }))) << "negative count";
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) {
        w.Record(0x0538, {3, 1, 1});
    }))) << "polygon counts past the record";
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) { w.Select(1); }))) << "index past the table";
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) { w.Brush(0, 0).Brush(0, 0); }))) << "table full";
    EXPECT_TRUE(Fails(with([](TWmfWriter& w) {
        w.Record(0x0521, {40, 0x4141});
    }))) << "text past the record";
    EXPECT_TRUE(Fails(TWmfWriter(QRect(0, 0, 30000, 30000), 1).Bytes())) << "too large";
    // An empty slot in range is passed over, as are unknown records and escapes.
    EXPECT_FALSE(Fails(with([](TWmfWriter& w) {
        w.Select(0).Record(0x0626, {15, 4, 1, 2}).Record(0x7777, {1});
    })));
    // Without the end record the picture still loads.
    EXPECT_FALSE(Fails(good.Bytes(false)));
}
