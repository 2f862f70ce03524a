// The document window on a large picture: opening a 4096 x 4096 JPEG to the first painted
// view, one repaint at zoom 1 and at zoom 0.25 in a 1280 x 1024 view (a repaint should cost in
// proportion to the view, not the picture), and the process's peak memory with the document.

#include "BenchSupport.h"
#include "document/uFRMDesigner.h"
#include "formats/JpegCodec.h"
#include "raster/DibGraphics.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTextStream>

#include <cmath>
#include <cstdio>

using namespace kolvar;

namespace {

double peakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

QString writePhoto(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            row[x] = qRgb((x * 7 + y) & 255, int(128 + 127 * std::sin(x * 0.01 + y * 0.02)),
                          (x ^ y) & 255);
    }
    const QString path = QDir::temp().filePath(QStringLiteral("kolvar-bench-%1.jpg").arg(side));
    TJpegOptions options;
    options.Quality = 90;
    SaveJpegFile(path, image, options);
    return path;
}

double repaintMs(TfrmDesigner& doc, double zoom, int repeats) {
    doc.ViewProjector().SetScale({zoom, zoom});
    doc.ViewChanged();
    return bench::Seconds(repeats, [&](int) { doc.Repaint(); }) / repeats * 1000;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitializeDibGraphics();
    // The pictures are made by a child process, so that making them does not count toward
    // this process's peak memory.
    if (argc > 1 && QByteArray(argv[1]) == "--write") {
        writePhoto(4096);
        writePhoto(1024);
        return 0;
    }
    QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--write")});
    const QString big = QDir::temp().filePath(QStringLiteral("kolvar-bench-4096.jpg"));
    const QString small = QDir::temp().filePath(QStringLiteral("kolvar-bench-1024.jpg"));
    std::printf("peak memory before any document: %.0f MB\n", peakMegabytes());

    TfrmDesigner doc(nullptr);
    doc.resize(1280, 1024);
    doc.show();
    QApplication::processEvents();
    const double open = bench::Seconds(1, [&](int) {
        doc.OpenImageFile(big);
        doc.Designer().repaint();
    });
    std::printf("open 4096 x 4096 JPEG to first paint: %8.1f ms\n", open * 1000);
    std::printf("peak memory with the 4096 x 4096 document: %.0f MB\n", peakMegabytes());
    doc.resize(1280, 1024);
    QApplication::processEvents();
    const QSize view = doc.Designer().size();
    std::printf("view %d x %d\n", view.width(), view.height());
    std::printf("repaint, 4096 picture, zoom 1:    %6.2f ms\n", repaintMs(doc, 1, 50));
    std::printf("repaint, 4096 picture, zoom 0.25: %6.2f ms\n", repaintMs(doc, 0.25, 50));

    TfrmDesigner other(nullptr);
    other.resize(1280, 1024);
    other.show();
    QApplication::processEvents();
    other.OpenImageFile(small);
    other.resize(1280, 1024);
    QApplication::processEvents();
    std::printf("repaint, 1024 picture, zoom 1:    %6.2f ms\n", repaintMs(other, 1, 50));
    doc.SetModified(false);
    other.SetModified(false);
    QFile::remove(big);
    QFile::remove(small);
    return 0;
}
