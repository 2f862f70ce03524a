// Decoding speed of the GIF and JPEG readers on a 4000 x 3000 picture, against the command-line
// decoders of giflib (gif2rgb) and libjpeg-turbo (djpeg) on the same files. The files are made
// by those packages' own encoders (gif2rgb -s, cjpeg), so both sides read identical bytes.
// Ratios above 1 mean our reader is slower.

#include "formats/GifUnit.h"
#include "formats/JpegCodec.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

using namespace kolvar;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kRuns = 5;

double BestSeconds(const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

bool HaveTool(const char* name) {
    return Run(std::string("command -v ") + name + " > /dev/null 2>&1");
}

// Smooth colour fields with some texture: neither flat (which LZW would make trivial) nor noise.
QByteArray PhotoLikeRgb() {
    QByteArray rgb(qsizetype(kWidth) * kHeight * 3, '\0');
    auto* p = reinterpret_cast<uint8_t*>(rgb.data());
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double fx = x / double(kWidth), fy = y / double(kHeight);
            const int r = int(128 + 100 * std::sin(6.0 * fx + 2.0 * fy)) + grain;
            const int g = int(128 + 100 * std::cos(4.0 * fy - 3.0 * fx)) + grain;
            const int b = int(128 + 90 * std::sin(9.0 * fx * fy)) + grain;
            *p++ = uint8_t(std::clamp(r, 0, 255));
            *p++ = uint8_t(std::clamp(g, 0, 255));
            *p++ = uint8_t(std::clamp(b, 0, 255));
        }
    return rgb;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Report(const char* what, double ours, double theirs, const char* tool) {
    std::printf("%-34s ours %7.1f ms   %-8s %7.1f ms   ratio %.2f\n", what, ours * 1e3, tool,
                theirs * 1e3, ours / theirs);
}

void BenchGif(const QDir& dir) {
    if (!HaveTool("gif2rgb")) {
        std::printf("gif2rgb not found (Debian package giflib-tools): GIF comparison skipped\n");
        return;
    }
    const std::string rgbPath = dir.filePath("in.rgb").toStdString();
    const std::string gifPath = dir.filePath("pic.gif").toStdString();
    // With -1 the encoder reads one RGB file and writes the GIF to standard output.
    if (!Run("gif2rgb -s " + std::to_string(kWidth) + " " + std::to_string(kHeight) + " -1 " +
             rgbPath + " > " + gifPath + " 2> /dev/null")) {
        std::printf("gif2rgb could not encode the test picture\n");
        return;
    }
    const QByteArray bytes = ReadFile(QString::fromStdString(gifPath));
    QImage check;
    const double ours = BestSeconds([&] {
        TGifFile gif;
        gif.LoadFromBytes(bytes);
        check = gif.FirstImageAsBitmap();
    });
    const double oursRgb = BestSeconds([&] {
        TGifFile gif;
        gif.LoadFromBytes(bytes);
        check = gif.FirstImageAsBitmap().convertToFormat(QImage::Format_RGB888);
    });
    const double theirs = BestSeconds([&] { Run("gif2rgb -1 -o /dev/null " + gifPath); });
    // Both decoders must agree on every pixel.
    const std::string backPath = dir.filePath("back.rgb").toStdString();
    Run("gif2rgb -1 -o " + backPath + " " + gifPath);
    const QByteArray theirPixels = ReadFile(QString::fromStdString(backPath));
    QByteArray ourPixels;
    for (int y = 0; y < check.height(); ++y)
        ourPixels.append(reinterpret_cast<const char*>(check.constScanLine(y)),
                         qsizetype(check.width()) * 3);
    std::printf("GIF %d x %d, %lld bytes, decoded %d x %d, pixels %s giflib's\n", kWidth, kHeight,
                (long long)bytes.size(), check.width(), check.height(),
                ourPixels == theirPixels ? "identical to" : "DIFFERENT from");
    Report("  to an 8-bit bitmap", ours, theirs, "gif2rgb");
    Report("  then Qt's conversion to 24 bits", oursRgb, theirs, "gif2rgb");
}

void BenchJpeg(const QDir& dir, const QByteArray& rgb) {
    if (!HaveTool("djpeg") || !HaveTool("cjpeg")) {
        std::printf("djpeg/cjpeg not found (Debian package libjpeg-turbo-progs): JPEG comparison "
                    "skipped\n");
        return;
    }
    const QString ppm = dir.filePath("in.ppm");
    WriteFile(ppm, QByteArray("P6\n") + QByteArray::number(kWidth) + ' ' +
                       QByteArray::number(kHeight) + "\n255\n" + rgb);
    for (const char* kind : {"baseline", "progressive"}) {
        const bool progressive = std::string(kind) == "progressive";
        const std::string jpgPath =
            dir.filePath(QStringLiteral("pic_%1.jpg").arg(kind)).toStdString();
        if (!Run(std::string("cjpeg -quality 90 ") + (progressive ? "-progressive " : "") +
                 "-outfile " + jpgPath + " " + ppm.toStdString())) {
            std::printf("cjpeg could not encode the test picture\n");
            return;
        }
        const QByteArray bytes = ReadFile(QString::fromStdString(jpgPath));
        QImage check;
        const double ours = BestSeconds([&] { check = DecodeJpeg(bytes); });
        const double theirs = BestSeconds([&] { Run("djpeg -outfile /dev/null " + jpgPath); });
        std::printf("JPEG %s %d x %d, %lld bytes, decoded %d x %d\n", kind, kWidth, kHeight,
                    (long long)bytes.size(), check.width(), check.height());
        Report("  to 24-bit RGB", ours, theirs, "djpeg");
    }
}

} // namespace

int main() {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QByteArray rgb = PhotoLikeRgb();
    WriteFile(dir.filePath("in.rgb"), rgb);
    std::printf("best of %d runs each; the tools' times include starting the process and reading "
                "the file\n",
                kRuns);
    BenchGif(dir);
    BenchJpeg(dir, rgb);
    return 0;
}
