// Writes the desktop icons of packaging/icons from the program's own icon drawing:
// kolvar.svg, kolvar-48.png and kolvar-256.png. Run by hand after changing the drawing:
//   build/tools/make_icons packaging/icons
#include "app/KolvarIconArt.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QFile svg(out.filePath(QStringLiteral("kolvar.svg")));
    if (!svg.open(QIODevice::WriteOnly) || svg.write(kolvar::KolvarIconSvg().toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    for (int size : {48, 256}) {
        const QString name = out.filePath(QStringLiteral("kolvar-%1.png").arg(size));
        if (!kolvar::RenderKolvarIcon(size).save(name, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
