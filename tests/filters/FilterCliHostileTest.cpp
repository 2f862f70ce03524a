// The batch command on metafiles that draw text, on pictures too large to read, and on disks
// that fill up: each file gets its own message, and the files after it are still done.
#include "filters/GraphicFilterTable.h"
#include "formats/DibFile.h"
#include "formats/Metafile.h"

#include "formats/MetafileTestWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

#include <sys/resource.h>

using namespace kolvar;
using namespace kolvar::test;

#ifdef KOLVAR_FILTER_EXE

namespace {

struct TCliRun {
    int Code = -1;
    QString Err;
};

TCliRun RunBatch(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KOLVAR_FILTER_EXE), args);
    TCliRun r;
    if (!p.waitForFinished(60000)) return r;
    r.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.Err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

TDibContainer Negated(const QImage& picture) {
    TDibContainer image;
    image.AssignBitmap(picture);
    ApplyFilterInfo(*FindFilter(QStringLiteral("Negative")), image, nullptr);
    return image;
}

} // namespace

TEST(FilterCliFiles, MetafileTextIsDrawnAsInTheEditorAndTheBatchGoesOn) {
    QTemporaryDir dir;
    TWmfWriter wmf(QRect(0, 0, 60, 30), 96);
    wmf.Font(-16, "Arial").Select(0).TextOut(4, 4, "Hi");
    TEmfWriter emf(QRect(0, 0, 2646, 1323));
    emf.CreateFont(1, -20, QStringLiteral("Times New Roman")).Select(1);
    emf.TextOutW(5, 5, QStringLiteral("Kolvar"));
    const QString a = Write(dir.filePath("a.wmf"), wmf.Bytes());
    const QString b = Write(dir.filePath("b.emf"), emf.Bytes());
    const QString out = dir.filePath("out");
    const TCliRun r = RunBatch({"Negative", "--output-dir", out, "--format", "png", a, b});
    EXPECT_EQ(r.Code, 0) << r.Err.toStdString();
    for (const auto& [name, bytes, enhanced] :
         {std::tuple("a", wmf.Bytes(), false), std::tuple("b", emf.Bytes(), true)}) {
        TDibContainer written;
        LoadDibFile(out + "/" + name + ".png", written);
        const TDibContainer want = Negated(LoadMetafile(bytes, enhanced));
        EXPECT_TRUE(written.SameImage(want)) << name;
    }
}

TEST(FilterCliFiles, PicturesTooLargeSayWhatTheyWouldNeed) {
    QTemporaryDir dir;
    TBytes bmp;
    bmp.U8('B').U8('M').U32(0).U32(0).U32(54);
    bmp.U32(40).I32(20000).I32(20000).U16(1).U16(24).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
    const QString big = Write(dir.filePath("big.bmp"), bmp.Bytes());
    const TCliRun r = RunBatch({"Negative", big, dir.filePath("out.bmp")});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains("20000 x 20000 pixels and needs 1145 MB")) << r.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("out.bmp")));
}

TEST(FilterCliFiles, AFullDiskIsReportedWithTheSystemsReason) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.bmp");
    TDibContainer noise(300, 300); // so that no format packs it under the limit
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 300; ++x)
            noise.SetPixel(x, y, uint32_t(x * 7919 + y * 104729) * 2654435761u >> 8);
    SaveDibFile(in, noise);
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit tiny = old;
    tiny.rlim_cur = 4096;
    for (const char* name : {"out.bmp", "out.png"}) {
        const QString out = dir.filePath(QString::fromLatin1(name));
        // The child inherits the limit and the ignored signal, as if the disk were full.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &tiny);
        const TCliRun r = RunBatch({"Negative", in, out});
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(r.Code, 1) << name;
        EXPECT_TRUE(r.Err.contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << r.Err.toStdString();
        EXPECT_FALSE(r.Err.contains("Unknown error")) << name;
    }
}

#endif
