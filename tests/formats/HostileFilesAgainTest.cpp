// A second round of crafted files: object-table churn, giant fonts, run-length data that
// spills into the row padding, giant pictures from tiny files, and writes that fail.

#include "formats/BmpCodec.h"
#include "formats/DecodeBudget.h"
#include "formats/DibData.h"
#include "formats/DibFile.h"
#include "formats/Metafile.h"
#include "formats/MetafilePlayer.h"
#include "formats/PictureHeader.h"

#include "MetafileTestWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <random>

#include <sys/resource.h>

using namespace kolvar;
using namespace kolvar::test;

namespace {

constexpr int64_t kMegabyte = 1 << 20;

// An old metafile that fills its whole object table with pens, then again and again deletes
// the last object and creates a pen in its place.
QByteArray ObjectTableChurn(int churns) {
    TWmfWriter w = TWmfWriter::OldStyle(65535);
    w.WindowExt(16, 16);
    for (int i = 0; i < 65535; ++i) w.Pen(0, 1, uint32_t(i));
    for (int i = 0; i < churns; ++i) w.Delete(65534).Pen(0, 1, 0x0000FF);
    return w.Select(65534).MoveTo(0, 8).LineTo(16, 8).Bytes();
}

// A font millions of units high under a shearing world transform, writing one word.
QByteArray GiantShearedFont() {
    TEmfWriter emf(QRect(0, 0, 2646, 2646)); // 100 x 100 pixels
    emf.WorldTransform(1, 0, 3.5f, 1, 0, 0);
    emf.CreateFont(1, 16777204, QStringLiteral("Arial")).Select(1);
    // Placed so that the stem of the H covers the whole canvas.
    return emf.TextOutW(9600, -3000, QStringLiteral("Hi")).Bytes();
}

// Bytes of memory the process has held at its peak since the last reset, above what it held
// at the reset (Linux: VmHWM and VmRSS; -1 where the system does not offer them).
class TPeakMemory {
public:
    TPeakMemory() {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        FValid = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        FStart = Field("VmRSS:");
    }
    int64_t Growth() const {
        if (!FValid || FStart < 0) return -1;
        return Field("VmHWM:") - FStart;
    }

private:
    static int64_t Field(const char* name) {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly)) return -1;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith(name))
                return line.mid(qsizetype(std::strlen(name))).trimmed().split(' ')[0].toLongLong() *
                       1024;
        return -1;
    }
    bool FValid = false;
    int64_t FStart = -1;
};

// A BMP with a 40-byte header and a 256-entry palette, colour i being (i, 0, 0).
QByteArray Bmp8(int width, int height, uint32_t compression, const QByteArray& bits) {
    TBytes b;
    b.U8('B').U8('M').U32(0).U32(0).U32(14 + 40 + 1024);
    b.U32(40).I32(width).I32(height).U16(1).U16(8).U32(compression).U32(uint32_t(bits.size()));
    b.U32(0).U32(0).U32(256).U32(0);
    for (int i = 0; i < 256; ++i) b.U8(0).U8(0).U8(uint8_t(i)).U8(0);
    return b.Raw(bits).Bytes();
}

// The 120-byte kind of file: a 16384 x 16384 RLE4 picture that ends at once.
QByteArray GiantRle4() {
    TBytes b;
    b.U8('B').U8('M').U32(0).U32(0).U32(14 + 40 + 64);
    b.U32(40).I32(16384).I32(16384).U16(1).U16(4).U32(2).U32(2).U32(0).U32(0).U32(16).U32(0);
    for (int i = 0; i < 16; ++i) b.U32(0);
    return b.U8(0).U8(1).Bytes();
}

template <class F> QString ErrorOf(F run) {
    try {
        run();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

// Runs write with a file size limit of `bytes`, as a full disk would stop it.
template <class F> void WithFileSizeLimit(rlim_t bytes, F write) {
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &tiny);
    write();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

} // namespace

TEST(MetafileObjects, FreeSlotsAgreeWithAPlainScan) {
    for (size_t count :
         {size_t(1), size_t(63), size_t(64), size_t(65), size_t(5000), size_t(65535)}) {
        TFreeSlots table;
        table.Reset(count);
        std::vector<bool> used(count, false);
        std::mt19937 rng{unsigned(count)};
        for (int step = 0; step < 20000; ++step) {
            const size_t i = rng() % count;
            const bool free = rng() % 3 == 0;
            table.SetFree(i, free);
            used[i] = !free;
            if (step % 7) continue;
            std::optional<size_t> lowest;
            for (size_t k = 0; k < count && !lowest; ++k)
                if (!used[k]) lowest = k;
            ASSERT_EQ(table.Lowest(), lowest) << count << " " << step;
        }
        for (size_t k = 0; k < count; ++k) table.SetFree(k, false);
        EXPECT_EQ(table.Lowest(), std::nullopt);
        table.SetFree(count - 1, true);
        EXPECT_EQ(table.Lowest(), count - 1);
    }
}

TEST(HostileMetafiles, ObjectTableChurnPlaysInTimeAndKeepsTheSlotOrder) {
    // Each new pen takes the slot just freed: the line is red, not pen 65534's colour.
    const QByteArray wmf = ObjectTableChurn(20000);
    EXPECT_GT(wmf.size(), 1000000);
    const QImage image = LoadMetafile(wmf, false);
    EXPECT_EQ(image.pixel(4, 8), qRgb(255, 0, 0));
    // A table that is full refuses one object more.
    TWmfWriter full = TWmfWriter::OldStyle(2);
    full.WindowExt(4, 4).Pen(0, 1, 0).Pen(0, 1, 0).Pen(0, 1, 0);
    EXPECT_THROW(LoadMetafile(full.Bytes(), false), EMetafileError);
}

TEST(HostileMetafiles, RecordsThatFillTheCanvasAgainAndAgainEndThePlay) {
    const auto fills = [](int n) {
        TEmfWriter emf(QRect(0, 0, 2646, 2646)); // 100 x 100 pixels
        emf.CreateBrush(1, 0, 0x0000FF).Select(1);
        for (int i = 0; i < n; ++i) emf.Rectangle(-10, -10, 200, 200);
        return emf.Bytes();
    };
    // The least a play may draw is 64 canvases, whatever the budget says.
    TDecodeLimits limits;
    limits.MetafileDrawing = 1;
    TDecodeBudget budget(limits);
    TDecodeScope scope(budget);
    EXPECT_EQ(LoadMetafile(fills(40), true).pixel(50, 50), qRgb(255, 0, 0));
    EXPECT_THROW(LoadMetafile(fills(60), true), EDecodeBudgetError);
    // Thin lines count their length, not their box.
    TEmfWriter lines(QRect(0, 0, 2646, 2646));
    for (int i = 0; i < 800; ++i) lines.MoveTo(0, 0).LineTo(100, 100);
    EXPECT_NO_THROW(LoadMetafile(lines.Bytes(), true));
    EXPECT_EQ(budget.Live(), 0);
}

TEST(HostileMetafiles, GiantFontsDrawWithinTheCanvasAndTheBudget) {
    const QByteArray emf = GiantShearedFont();
    EXPECT_LT(emf.size(), 400);
    // Warm the font caches, so that only the giant text counts.
    LoadMetafile(TEmfWriter(QRect(0, 0, 2646, 2646))
                     .CreateFont(1, -12, QStringLiteral("Arial"))
                     .Select(1)
                     .TextOutW(10, 50, QStringLiteral("Hi"))
                     .Bytes(),
                 true);
    TDecodeBudget budget;
    TPeakMemory peak;
    QImage image;
    {
        TDecodeScope scope(budget);
        image = LoadMetafile(emf, true);
    }
    ASSERT_EQ(image.size(), QSize(100, 100));
    if (peak.Growth() >= 0) {
        EXPECT_LT(peak.Growth(), 64 * kMegabyte);
    }
    EXPECT_LT(budget.MetafileTotal(), 16 * kMegabyte);
    // The text is drawn: the canvas lies inside the stem of a giant letter.
    EXPECT_EQ(CountOf(image, qRgb(0, 0, 0)), 100 * 100);
}

TEST(HostileFiles, Rle8RunsIntoTheRowPaddingKeepOnlyTheRow) {
    // 5 x 2: each row is one run of 8 (the row padded to 8 pixels), then end of line.
    const QByteArray bits("\x08\x07\x00\x00\x08\x09\x00\x00\x00\x01", 10);
    const QImage image = ReadBmp(Bmp8(5, 2, 1, bits));
    ASSERT_EQ(image.size(), QSize(5, 2));
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(image.pixel(x, 1), qRgb(7, 0, 0));
        EXPECT_EQ(image.pixel(x, 0), qRgb(9, 0, 0));
    }
    // A literal into the padding as well; a run past the padding is still damage.
    EXPECT_EQ(ReadBmp(Bmp8(5, 1, 1, QByteArray("\x00\x06\x01\x02\x03\x04\x05\x06\x00\x01", 10)))
                  .pixel(4, 0),
              qRgb(5, 0, 0));
    EXPECT_EQ(ErrorOf([] { ReadBmp(Bmp8(5, 1, 1, QByteArray("\x09\x07\x00\x01", 4))); }),
              "Bitmap image is not valid");
    EXPECT_EQ(ErrorOf([] { ReadBmp(Bmp8(8, 1, 1, QByteArray("\x09\x07\x00\x01", 4))); }),
              "Bitmap image is not valid");
}

TEST(HostileFiles, PictureSizesComeFromHeadersBeforeDecoding) {
    QTemporaryDir dir;
    const QString giant = dir.filePath("giant.bmp");
    QFile f(giant);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(GiantRle4());
    f.close();
    EXPECT_LE(QFileInfo(giant).size(), 120);
    EXPECT_EQ(PictureSizeOfFile(giant), QSize(16384, 16384));

    QImage small(7, 5, QImage::Format_RGB32);
    small.fill(Qt::red);
    const QString png = dir.filePath("small.png"), gif = dir.filePath("small.gif");
    ASSERT_TRUE(small.save(png));
    EXPECT_EQ(PictureSizeOfFile(png), QSize(7, 5));
    EXPECT_EQ(PictureSizeFromHeader(TWmfWriter::OldStyle().WindowExt(300, 200).Bytes()),
              QSize(300, 200));
    EXPECT_EQ(PictureSizeFromHeader(TEmfWriter(QRect(0, 0, 2646, 1323)).Bytes()), QSize(100, 50));
    // A GIF's picture is its first image, after any extension blocks.
    QByteArray g("GIF89a\x20\x00\x20\x00\x00\x00\x00", 13);
    g += QByteArray("\x21\xF9\x04\x00\x00\x00\x00\x00", 8);
    g += QByteArray("\x2C\x00\x00\x00\x00\x0C\x00\x0A\x00\x00", 10);
    EXPECT_EQ(PictureSizeFromHeader(g), QSize(12, 10));
    EXPECT_EQ(PictureSizeFromHeader(QByteArray("\xFF\xD8\xFF\xE0\x00\x04\x00\x00"
                                               "\xFF\xC0\x00\x11\x08\x01\x2C\x01\x90",
                                               17)),
              QSize(400, 300));
    EXPECT_EQ(PictureSizeFromHeader("not a picture"), std::nullopt);
    EXPECT_EQ(PictureSizeOfFile(dir.filePath("missing.bmp")), std::nullopt);

    // More than 100 million pixels, or more than half the memory with what is open, asks.
    const int64_t gigabyte = int64_t(1) << 30;
    EXPECT_TRUE(ShouldConfirmOpening(QSize(16384, 16384), 0, 64 * gigabyte));
    EXPECT_FALSE(ShouldConfirmOpening(QSize(10000, 10000), 0, 64 * gigabyte));
    EXPECT_TRUE(ShouldConfirmOpening(QSize(10000, 10000), 0, gigabyte));
    EXPECT_TRUE(ShouldConfirmOpening(QSize(4000, 4000), 4 * gigabyte, 8 * gigabyte));
    EXPECT_FALSE(ShouldConfirmOpening(QSize(4000, 4000), 0, 0));
    EXPECT_EQ(LargePictureQuestion(QSize(16384, 16384)),
              "This picture is 16384 x 16384 pixels and needs 1536 MB. Open it?");
}

TEST(WriteErrors, BatchWritersGiveTheSystemsReason) {
    QTemporaryDir dir;
    TDibContainer image(300, 300); // noise, so that no format packs it into the limit
    std::mt19937 rng(7);
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 300; ++x) image.SetPixel(x, y, rng() & 0xFFFFFF);
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    for (const char* name : {"out.bmp", "out.png"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        SaveDibFile(path, TDibContainer(2, 2));
        QString error;
        WithFileSizeLimit(1024, [&] { error = ErrorOf([&] { SaveDibFile(path, image); }); });
        EXPECT_EQ(error, QStringLiteral("Cannot write file %1: %2").arg(path, reason)) << name;
        TDibContainer back;
        LoadDibFile(path, back);
        EXPECT_EQ(back.Width(), 2) << name; // the old file is intact
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"out.bmp", "out.png"}));
    // The reason travels separately, for boxes that show it on a line of its own.
    QString caught;
    WithFileSizeLimit(1024, [&] {
        try {
            SaveBmp24(dir.filePath("x.bmp"), image.ToImage());
        } catch (const EWriteError& e) {
            caught = e.Reason();
        }
    });
    EXPECT_EQ(caught, reason);
}
