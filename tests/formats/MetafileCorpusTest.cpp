// Replays the metafile fuzzers' regression inputs: each must load or raise the player's error.

#include "formats/Metafile.h"

#include "MetafileTestWriter.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

namespace {

void Replay(const QString& folder, bool enhanced) {
    QDir dir(TestDataPath(folder));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    EXPECT_FALSE(files.isEmpty()) << folder.toStdString();
    for (const QString& name : files) {
        QByteArray bytes = ReadFileBytes(dir.filePath(name));
        try {
            QSize size = MetafilePictureSize(bytes, enhanced);
            if (int64_t(size.width()) * size.height() > (int64_t(1) << 22)) continue;
            EXPECT_EQ(LoadMetafile(bytes, enhanced).size(), size) << name.toStdString();
        } catch (const EMetafileError&) {
        }
    }
}

} // namespace

TEST(MetafileCorpus, RegressionInputsLoadOrRaiseTheMetafileError) {
    Replay(QStringLiteral("corpus/emf"), true);
    Replay(QStringLiteral("corpus/wmf"), false);
}

// Writes the generator's pictures as fuzzing seeds into $KOLVAR_METAFILE_SEEDS/{emf,wmf}.
// Run with --gtest_also_run_disabled_tests when the seeds need renewing.
TEST(MetafileCorpus, DISABLED_WriteSeeds) {
    QString root = qEnvironmentVariable("KOLVAR_METAFILE_SEEDS");
    ASSERT_FALSE(root.isEmpty());
    QDir().mkpath(root + "/emf");
    QDir().mkpath(root + "/wmf");
    auto save = [&](const QString& name, const QByteArray& bytes) {
        QFile f(root + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    QImage four(2, 2, QImage::Format_RGB32);
    four.fill(Qt::red);
    four.setPixel(1, 1, 0xFF0000FF);
    TTestDib dib = MakeDib24(four);

    TEmfWriter e(QRect(0, 0, 2540, 2540));
    e.CreateBrush(1, 0, 0xFF).Select(1).CreatePen(2, 0, 3, 0xFF00).Select(2);
    e.Rectangle(5, 5, 30, 30).Ellipse(40, 5, 90, 30).MapMode(8).Record(9, {100, 100});
    e.Record(11, {96, 96}).Poly(3, {10, 40, 50, 90, 90, 40}).Poly(87, {1, 1, 9, 9, 20, 3}, true);
    e.Record(33, {}).Record(30, {0, 0, 50, 50}).Record(46, {10, 10, 60, 60, 60, 35, 35, 60});
    e.Record(34, {-1}).WorldTransform(1, 0.5f, -0.5f, 1, 10, 10).Rectangle(0, 0, 20, 20);
    e.CreateFont(3, -12, "Arial").Select(3).TextOutW(5, 80, "Seed");
    e.Record(59, {}).MoveTo(5, 5).LineTo(60, 5).LineTo(30, 60).Record(61, {}).Record(60, {});
    e.Record(63, {0, 0, -1, -1}).StretchDIBits(QRect(60, 60, 30, 30), QRect(0, 0, 2, 2), dib);
    e.BitBlt(QPoint(1, 1), QSize(2, 2), QPoint(0, 0), dib).CreateBrush(4, 2, 0, 3).Select(4);
    e.Record(47, {60, 60, 90, 90, 90, 75, 75, 60}).Record(44, {2, 60, 40, 90, 8, 8});
    save("emf/seed-drawing.emf", e.Bytes());

    TWmfWriter w(QRect(0, 0, 1440, 1440), 1440, 6);
    w.Brush(0, 0xFF).Select(0).Pen(0, 20, 0xFF00).Select(1).WindowOrg(0, 0).WindowExt(1440, 1440);
    w.Rectangle(100, 100, 500, 500)
        .Ellipse(600, 100, 1300, 500)
        .Polygon({100, 700, 700, 1300, 1300, 700});
    w.MoveTo(10, 10).LineTo(1400, 1400).Font(-200, "Arial").Select(2).TextOut(100, 1200, "Seed");
    w.StretchDib(QRect(900, 900, 400, 400), QRect(0, 0, 2, 2), dib)
        .Record(0x0416, {800, 800, 0, 0});
    w.Record(0x081A, {0, 700, 700, 1400, 1400, 1400, 700, 700}).Delete(0);
    save("wmf/seed-placeable.wmf", w.Bytes());
    TWmfWriter old = TWmfWriter::OldStyle(2);
    old.WindowExt(64, 64).Brush(2, 0xFF, 4).Select(0).Rectangle(0, 0, 60, 60).MapMode(4);
    old.Ellipse(0, 0, 50, -50);
    save("wmf/seed-oldstyle.wmf", old.Bytes());
}
