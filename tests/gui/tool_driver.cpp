// The real main window with a command line on standard input, so a scripted walk-through can
// choose tools, colours and shapes the way the palettes do while it clicks the windows.
//
//   action N          current action N in every open document
//   shape NAME        the standard library's shape NAME for the current action
//   pen RRGGBB        pen colour; brush RRGGBB: brush colour
//   size N            spray and eraser size
//   text WORDS        the text tools' text

#include "app/uFRMMain.h"
#include "raster/DibGraphics.h"
#include "raster/DibGraphicsBrush.h"
#include "raster/DibGraphicsPen.h"
#include "shell/uKolvarGeneric.h"
#include "vector/ShapeDef.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

using namespace kolvar;

namespace {

void Execute(const QString& line) {
    TToolState& s = ToolState();
    const QString verb = line.section(QLatin1Char(' '), 0, 0);
    const QString arg = line.section(QLatin1Char(' '), 1);
    if (verb == QLatin1String("action")) {
        s.CurrentAction = arg.toInt();
        if (s.OnCurrentChildsAction) s.OnCurrentChildsAction(s.CurrentAction);
    } else if (verb == QLatin1String("shape")) {
        QStringList block;
        ExtractShape(StandardLibraryLines(), arg, block);
        if (block.size() >= 2 && s.OnCurrentChildsShapeDefFromStrings)
            s.OnCurrentChildsShapeDefFromStrings(block);
    } else if (verb == QLatin1String("pen") && s.ToolCanvas) {
        s.ToolCanvas->Pen().SetColor(arg.toUInt(nullptr, 16));
    } else if (verb == QLatin1String("brush") && s.ToolCanvas) {
        s.ToolCanvas->Brush().SetColor(arg.toUInt(nullptr, 16));
    } else if (verb == QLatin1String("size")) {
        s.SpraySize = s.EraserSize = arg.toInt();
    } else if (verb == QLatin1String("text")) {
        s.ToolText = arg;
    }
    std::fprintf(stderr, "driver: %s\n", qPrintable(line));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InitializeDibGraphics();
    TfrmKolvar main;
    main.ShowCentredMaximised();
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        for (const QString& line : QString::fromUtf8(buffer, int(n)).split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty()) Execute(line.trimmed());
    });
    return app.exec();
}
