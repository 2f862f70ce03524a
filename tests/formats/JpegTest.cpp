#include "formats/JpegCodec.h"
#include "formats/PictureLoader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace kolvar;

namespace {

QImage Smooth(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    return img;
}

double MeanError(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32),
                 y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

QString ErrorOf(const QByteArray& data) {
    try {
        DecodeJpeg(data);
    } catch (const EJpegError& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(Jpeg, RoundTripWithinToleranceAtEveryQuality) {
    const QImage src = Smooth(67, 41);
    const QByteArray best = EncodeJpeg(src, {100, false, false});
    const QImage back = DecodeJpeg(best);
    EXPECT_EQ(back.size(), src.size());
    EXPECT_EQ(back.format(), QImage::Format_RGB888);
    EXPECT_LT(MeanError(back, src), 2.0);
    // Quality 1 still decodes, coarser and smaller; out-of-range qualities are clamped.
    const QByteArray worst = EncodeJpeg(src, {1, false, false});
    EXPECT_LT(worst.size(), best.size());
    EXPECT_LT(MeanError(DecodeJpeg(worst), src), 40.0);
    EXPECT_EQ(EncodeJpeg(src, {0, false, false}), worst);
    EXPECT_EQ(EncodeJpeg(src, {500, false, false}), best);
}

TEST(Jpeg, GreyscaleAndProgressiveFilesAreReadable) {
    const QImage src = Smooth(40, 30);
    const QImage grey = DecodeJpeg(EncodeJpeg(src, {90, true, false}));
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    QImage luma(src.size(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = src.pixel(x, y);
            const int v = int(0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c) + 0.5);
            luma.setPixel(x, y, qRgb(v, v, v));
        }
    EXPECT_LT(MeanError(grey, luma), 3.0);

    const QByteArray prog = EncodeJpeg(src, {90, false, true});
    EXPECT_TRUE(prog.contains(QByteArray("\xFF\xC2", 2))); // progressive frame marker
    EXPECT_LT(MeanError(DecodeJpeg(prog), src), 3.0);

    QTemporaryDir dir;
    SaveJpegFile(dir.filePath("p.jpeg"), src, {90, false, true});
    EXPECT_LT(MeanError(LoadPicture(dir.filePath("p.jpeg")), src), 3.0);
}

TEST(Jpeg, LibraryErrorsBecomeExceptions) {
    EXPECT_FALSE(ErrorOf({}).isEmpty());
    EXPECT_TRUE(ErrorOf("not a jpeg at all").startsWith("Not a JPEG file"));
    const QByteArray good = EncodeJpeg(Smooth(64, 64), {80, false, false});
    // Cut anywhere, the file fails instead of coming back padded with grey.
    for (qsizetype n : {qsizetype(2), qsizetype(20), good.size() / 2, good.size() - 2})
        EXPECT_FALSE(ErrorOf(good.left(n)).isEmpty()) << n;
    EXPECT_THROW(LoadJpegFile("/nonexistent.jpg"), EJpegError);
    EXPECT_THROW(EncodeJpeg(QImage(), {}), EJpegError);
    EXPECT_THROW(EncodeJpeg(QImage(70000, 1, QImage::Format_RGB888), {}), EJpegError);
}
