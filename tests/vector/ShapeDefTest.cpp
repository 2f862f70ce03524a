#include "vector/ShapeDef.h"

#include "raster/DibContainer.h"
#include "resources/uCompactRotines.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace kolvar;

namespace {

const TTransformMatrix kIdentity = IdentityMatrix();

TShapeDef StandardShape(const QString& name) {
    QStringList block;
    ExtractShape(StandardLibraryLines(), name, block);
    EXPECT_GT(block.size(), 1) << name.toStdString();
    TShapeDef def;
    def.LoadFromStrings(block);
    return def;
}

std::vector<TPoint2D> Outline(const TShapeDef& def, const std::vector<TPoint2D>& keys = {},
                              const TTransformMatrix& world = kIdentity,
                              const TTransformMatrix& local = kIdentity) {
    TPoints2D k;
    for (const TPoint2D& p : keys) k.Add(p);
    TPoints2D out;
    def.BuildOutline2D(out, keys.empty() ? nullptr : &k, world, local);
    return std::vector<TPoint2D>(out.Data(), out.Data() + out.Count());
}

std::vector<int32_t> CountsOf(const TShapeDef& def) {
    return std::vector<int32_t>(def.Counts().Data(), def.Counts().Data() + def.Counts().Count());
}

void ExpectNear(const TPoint2D& p, double x, double y, double tol = 1e-6) {
    EXPECT_NEAR(p.X, x, tol);
    EXPECT_NEAR(p.Y, y, tol);
}

} // namespace

TEST(StandardLibrary, EveryShapeBuildsItsOutline) {
    const QByteArray bytes = CompressedResourceBytes("STANDARD_PSL");
    ASSERT_TRUE(bytes.startsWith("lib:standard:\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n'));

    QStringList names;
    ListShapes(StandardLibraryLines(), names);
    EXPECT_EQ(names, QStringList({"Triangulo", "Retangulo", "Losangle", "Pentagono", "hexagono",
                                  "octagono", "Circle", "Arrow", "Arrow H1K", "Moldura", "Star 4",
                                  "Arrow H"}));
    const struct {
        const char* Name;
        std::vector<int32_t> Counts;
        int Keys;
    } expected[] = {
        {"Triangulo", {3}, 0},  {"Retangulo", {4}, 0},  {"Losangle", {4}, 0}, {"Pentagono", {5}, 0},
        {"hexagono", {6}, 0},   {"octagono", {8}, 0},   {"Circle", {60}, 0},  {"Arrow", {7}, 1},
        {"Arrow H1K", {10}, 1}, {"Moldura", {4, 4}, 1}, {"Star 4", {8}, 1},   {"Arrow H", {10}, 2},
    };
    for (const auto& e : expected) {
        const TShapeDef def = StandardShape(e.Name);
        EXPECT_EQ(CountsOf(def), e.Counts) << e.Name;
        EXPECT_EQ(def.KeyPoints().Count(), e.Keys) << e.Name;
        EXPECT_EQ(int(Outline(def).size()), def.Points().Count()) << e.Name;
    }
    ExpectNear(Outline(StandardShape("Circle"))[0], 1.0, -0.05);
    ExpectNear(Outline(StandardShape("Pentagono"))[1], -0.95, -0.31);
    const auto arrow = Outline(StandardShape("arrow"));
    ExpectNear(arrow[0], -1, 0.3);
    ExpectNear(arrow[1], 0.2, 0.3);
    ExpectNear(arrow[6], -1, -0.3);
    ExpectNear(Outline(StandardShape("Moldura"))[6], -0.8, -0.8);
    ExpectNear(Outline(StandardShape("Star 4"))[3], 0.25, -0.25);
    const auto arrowH = Outline(StandardShape("Arrow H"));
    ExpectNear(arrowH[1], -0.2, 1.0);
    ExpectNear(arrowH[3], 0.2, 0.3);
}

TEST(ShapeDef, KeyPointConstraints) {
    const TShapeDef arrow = StandardShape("Arrow");
    ExpectNear(Outline(arrow, {{2, 2}})[1], 0.9, 0.9);
    ExpectNear(Outline(arrow, {{-2, -2}})[1], -0.9, 0.1);
    // Local brings given key points into shape space; world takes the outline out of it.
    const TTransformMatrix world =
        MultiplyMatrix(ScaleMatrix(100, 100, 1), TranslationMatrix(200, 100, 0));
    const auto mapped = Outline(arrow, {{4, 4}}, world, ScaleMatrix(0.1, 0.1, 1));
    ExpectNear(mapped[1], 240, 140, 1e-9);
    ExpectNear(mapped[3], 300, 100, 1e-9);
    TPoints rounded;
    TPoints2D key;
    key.Add(0.333, 0.333);
    arrow.BuildOutline(rounded, &key, world, kIdentity);
    EXPECT_EQ(rounded.Get(1), (TPoint{233, 133}));

    const TShapeDef star = StandardShape("Star 4");
    ExpectNear(Outline(star, {{1, 0}})[1], 0.5, 0.5);
    ExpectNear(Outline(star, {{-5, -5}})[1], 0.1, 0.1);
    ExpectNear(Outline(star, {{5, 4}})[1], 0.9, 0.9);

    TShapeDef fixed;
    fixed.LoadFromStrings({"Key:0.5:0.6:0:0:1:1:rmFixed:", "Key:0.1:0.2:0:0:1:1:Circle:",
                           "Polygon:", "Point:cmExpr:KeyX(0):cmExpr:KeyY(1):",
                           "Point:cmExpr:KeyX(1E300):cmExpr:KEYY(-7):", "/Polygon:"});
    const auto f = Outline(fixed, {{0.9, 0.9}, {0.7, 0.7}, {3, 3}});
    ExpectNear(f[0], 0.5, 0.2);
    ExpectNear(f[1], 0, 0);
}

TEST(ShapeDef, EqualDefinitionsShareOneResource) {
    const int32_t before = ShapeDefManager().Count();
    const QStringList triangle = {"Shape:A:",
                                  "Polygon:",
                                  "Point:cmValue:0:cmValue:-1:",
                                  "Point:cmValue:1:cmValue:1:",
                                  "Point:cmValue:-1:cmValue:1:",
                                  "/Polygon:"};
    QStringList renamed = triangle;
    renamed[0] = "Shape:B:";
    {
        TShapeDef a, b;
        int changes = 0;
        a.OnChange = [&changes](TShapeDef&) { ++changes; };
        a.LoadFromStrings(triangle);
        b.LoadFromStrings(renamed);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(a.Resource(), b.Resource());
        EXPECT_EQ(a.Resource()->RefCount, 2);
        a.LoadFromStrings(triangle);
        EXPECT_EQ(changes, 1);
        a.LoadFromStrings({"Polygon:", "Point:cmValue:0:cmValue:0:", "/Polygon:"});
        EXPECT_EQ(changes, 2);
        EXPECT_EQ(b.Resource()->RefCount, 1);
        EXPECT_EQ(Outline(b).size(), 3u);
        const TShapeDef copy(b);
        EXPECT_EQ(copy.Resource(), b.Resource());
        a.Assign(nullptr);
        EXPECT_EQ(a.Resource(), DefaultShapeDef().Resource());
        EXPECT_EQ(changes, 3);
    }
    EXPECT_EQ(ShapeDefManager().Count(), before);

    // A new definition is the shared default rectangle.
    const TShapeDef fresh;
    EXPECT_EQ(fresh.Resource(), DefaultShapeDef().Resource());
    EXPECT_EQ(fresh.Resource()->Name, "Def_TShapeDefResource");
    EXPECT_TRUE(fresh.Resource()->DebugText().startsWith("Res:Def_TShapeDefResource Refs:"));
    EXPECT_EQ(CountsOf(fresh), std::vector<int32_t>{4});
    const auto rect = Outline(fresh);
    ExpectNear(rect[0], -1, -1);
    ExpectNear(rect[2], 1, 1);
}

TEST(ShapeDef, BadLibraryText) {
    TShapeDef def = StandardShape("Triangulo");
    const TResource* before = def.Resource();
    EXPECT_THROW(def.LoadFromStrings({"Key:abc:0:0:0:0:0:rmRect:"}), EConvertError);
    EXPECT_THROW(def.LoadFromStrings({"Polygon:", "Point:cmValue:1e999:cmValue:0:"}),
                 EConvertError);
    EXPECT_THROW(def.LoadFromStrings({"Point:cmValue::cmValue:0:"}), EConvertError);
    EXPECT_THROW(def.LoadFromStrings({"Point:cmValue:--:cmValue:0:"}), EConvertError);
    EXPECT_EQ(def.Resource(), before);

    // Expressions are checked when the outline is built, not when the block loads.
    def.LoadFromStrings({"Polygon:", "Point:cmExpr:1+:cmValue:0:", "/Polygon:"});
    EXPECT_THROW(Outline(def), ESyntaxError);

    // An overlong expression keeps its first 32 characters.
    def.LoadFromStrings({"Point:cmExpr:" + QString(10000, '1') + ":cmValue:0:"});
    EXPECT_EQ(def.Points().Get(0).X.ExprText(), QString(32, '1'));

    // Rings never claim points that are not there; points outside rings stay listed.
    def.LoadFromStrings({"Point:cmValue:5:cmValue:5:", "Polygon:", "Point:cmValue:0:cmValue:0:",
                         "/Polygon:", "/Polygon:", "no colon at all", ""});
    EXPECT_EQ(CountsOf(def), (std::vector<int32_t>{1, 1}));
    def.LoadFromStrings({"Polygon:", "Point:cmValue:0:cmValue:0:", "/Polygon:", "/Polygon:"});
    EXPECT_EQ(CountsOf(def), (std::vector<int32_t>{1, 0}));

    def.LoadFromStrings({});
    EXPECT_EQ(def.Points().Count(), 0);
    EXPECT_TRUE(Outline(def).empty());

    QStringList huge;
    for (int i = 0; i < 1000000; ++i) huge.append(i % 2 ? "Polygon:" : "junk");
    def.LoadFromStrings(huge);
    EXPECT_EQ(def.Points().Count(), 0);
    QStringList points(20000, "Point:cmValue:0:cmValue:0:");
    EXPECT_THROW(def.LoadFromStrings(points), EArrayError);
}

TEST(ShapeDef, Generators) {
    TShapeDef def;
    MakeRegularPolygon(4, def);
    ExpectNear(Outline(def)[0], std::cos(M_PI / 4), -std::sin(M_PI / 4));
    MakeRegularPolygon(5, def);
    ExpectNear(Outline(def)[0], 0, -1);
    MakeRegularPolygon(6, def);
    ExpectNear(Outline(def)[0], 1, 0);
    MakeRegularPolygon(1, def);
    EXPECT_EQ(CountsOf(def), std::vector<int32_t>{3});
    EXPECT_THROW(MakeRegularPolygon(1000000000, def), EArrayError);

    auto expressions = [](const TShapeDef& d) {
        int n = 0;
        for (int32_t i = 0; i < d.Points().Count(); ++i)
            n += d.Points().Get(i).X.ValueMode == cmExpr;
        return n;
    };
    MakeStar(5, false, def);
    EXPECT_EQ(def.Points().Count(), 10);
    EXPECT_EQ(expressions(def), 5);
    EXPECT_EQ(def.KeyPoints().Count(), 1);
    EXPECT_EQ(def.Points().Get(1).X.ExprText(), "-0.59*KeyX(0)");
    auto star = Outline(def);
    EXPECT_NEAR(std::hypot(star[1].X, star[1].Y), 0.25, 0.01);
    star = Outline(def, {{0.5, 0.5}});
    EXPECT_NEAR(std::hypot(star[1].X, star[1].Y), 0.5, 0.01);

    MakeStar(5, true, def);
    EXPECT_EQ(def.Points().Count(), 20);
    EXPECT_EQ(def.KeyPoints().Count(), 2);
    EXPECT_EQ(def.Points().Get(2).X.ExprText(), "-0.59*(-(KeyX(1)))");
    star = Outline(def);
    EXPECT_NEAR(std::hypot(star[2].X, star[2].Y), 0.65, 0.01);
    EXPECT_NEAR(std::hypot(star[4].X, star[4].Y), 1.0, 1e-9);
}

TEST(ShapeDef, TextOutline) {
    TShapeDef def;
    MakeTextOutline("Kolvar", "Arial", 0, def);
    const auto pts = Outline(def);
    ASSERT_FALSE(pts.empty());
    const TBox2D box = Points2DBounds(pts.data(), int32_t(pts.size()));
    ExpectNear({box.Left, box.Top}, -1, -1, 1e-9);
    ExpectNear({box.Right, box.Bottom}, 1, 1, 1e-9);
    const auto counts = CountsOf(def);
    EXPECT_GE(counts.size(), 6u);
    int32_t start = 0;
    for (int32_t n : counts) {
        EXPECT_GE(n, 3);
        EXPECT_EQ(pts[start], pts[start + n - 1]); // every contour is closed
        start += n;
    }
    EXPECT_EQ(start, int32_t(pts.size()));
    EXPECT_EQ(def.KeyPoints().Count(), 0);

    TShapeDef k, kk;
    MakeTextOutline("K", "Arial", 0, k);
    MakeTextOutline("K K", "Arial", 0, kk);
    EXPECT_EQ(kk.Counts().Count(), 2 * k.Counts().Count());
    MakeTextOutline("K", "Arial", 1, kk);
    EXPECT_NE(kk.Resource(), k.Resource());

    MakeTextOutline(" ", "Arial", 0, def);
    EXPECT_EQ(def.Points().Count(), 0);
    EXPECT_EQ(def.Counts().Count(), 0);
    // Far too long for one shape: the glyphs that fit are kept.
    MakeTextOutline(QString(5000, 'W'), "Arial", 0, def);
    EXPECT_GT(def.Points().Count(), 1000);
    EXPECT_LE(def.Points().Count(), TItemList::MaxCapacity);
}

TEST(ShapeLibrary, BlocksFilesAndLibraries) {
    const QStringList lines = {"lib:Star:",
                               "comment",
                               "Shape:Star:",
                               "Polygon:",
                               "/Polygon:",
                               "SHAPE:Dot:",
                               "Point:cmValue:0:cmValue:0:"};
    QStringList block;
    ExtractShape(lines, "dot", block);
    EXPECT_EQ(block, QStringList({"SHAPE:Dot:", "Point:cmValue:0:cmValue:0:"}));
    ExtractShape(lines, "STAR", block);
    EXPECT_EQ(block, QStringList({"Shape:Star:", "Polygon:", "/Polygon:"}));
    ExtractShape(lines, "missing", block);
    EXPECT_TRUE(block.isEmpty());
    QStringList names;
    ListShapes(lines, names);
    EXPECT_EQ(names, QStringList({"Star", "Dot"}));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write("mine.psl", "lib:mine:\r\nShape:Caf\xe9:\r\nPoint:cmValue:1:cmValue:2:\nShape:Two:\r");
    write("other.psl", "");
    write("notes.txt", "Shape:X:");
    FindLibraries(dir.filePath("*.psl"), names);
    EXPECT_EQ(names, QStringList({"mine", "other"}));
    ListShapesFromFile(dir.filePath("mine.psl"), names);
    EXPECT_EQ(names, QStringList({QString::fromUtf8("Caf\xc3\xa9"), "Two"}));
    ExtractShapeFromFile(dir.filePath("mine.psl"), QString::fromUtf8("CAF\xc3\x89"), block);
    EXPECT_EQ(block.size(), 2);
    EXPECT_THROW(ListShapesFromFile(dir.filePath("absent.psl"), names), EInOutError);
}

TEST(ShapeDef, DrawPreview) {
    const TShapeDef def = StandardShape("Losangle");
    const TColor green = 0x008000;
    const TColor white = 0xFFFFFF;
    QImage image(25, 25, QImage::Format_RGB32);
    image.fill(Qt::black);
    def.DrawPreview(image, green, white);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 128, 0));
    EXPECT_EQ(image.pixel(12, 12), qRgb(0, 128, 0));
    EXPECT_EQ(image.pixel(12, 2), qRgb(255, 255, 255)); // top vertex (12.5, 2) rounds to 12
    int outline = 0;
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 25; ++x) outline += image.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(outline, 30);

    TDibContainer dib(25, 25);
    StandardShape("Moldura").DrawPreview(dib, green, white);
    EXPECT_EQ(dib.GetPixel(0, 0), (TDibColor{0, 128, 0}));
    EXPECT_EQ(dib.GetPixel(2, 12), (TDibColor{255, 255, 255}));
    EXPECT_EQ(dib.GetPixel(12, 12), (TDibColor{0, 128, 0}));

    TShapeDef empty;
    empty.LoadFromStrings({});
    image.fill(Qt::black);
    empty.DrawPreview(image, green, white);
    EXPECT_EQ(image.pixel(12, 12), qRgb(0, 128, 0));
}
