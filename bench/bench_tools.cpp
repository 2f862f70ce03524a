// The drawing tools on a 4096 x 4096 document: time per mouse-move event of the freehand pen,
// the spray and the eraser (target: well under 2 ms, so drawing never lags), and the warp of
// the whole picture with a 200-pixel drag, alone and through the tool (with its undo copy).
#include "document/WarpEffect.h"
#include "document/uFRMDesigner.h"
#include "raster/DibGraphics.h"
#include "raster/DibGraphicsBrush.h"
#include "raster/DibGraphicsPen.h"
#include "shell/uKolvarGeneric.h"

#include <QApplication>

#include "bench/BenchSupport.h"

#include <cmath>
#include <cstdio>

using namespace kolvar;
using kolvar::bench::Seconds;

namespace {

constexpr int32_t Side = 4096;
constexpr int Moves = 4000;

// A press, Moves moves along a wavy path across the view, a release; returns ms per move.
double Stroke(TfrmDesigner& doc, int32_t action) {
    TNewDesigner& d = doc.Designer();
    d.Actions().SetActiveAction(action);
    d.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 20);
    const double t = Seconds(Moves, [&](int i) {
        const int32_t x = 20 + (i * 7) % 900;
        const int32_t y = 300 + int32_t(200 * std::sin(i * 0.05));
        d.MouseMove(Qt::NoModifier, x, y);
    });
    d.MouseUp(Qt::LeftButton, Qt::NoModifier, 500, 300);
    return t * 1000 / Moves;
}

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitializeDibGraphics();
    TToolState state;
    state.ToolCanvas = std::make_unique<TDibCanvas>(8, 8);
    state.ToolCanvas->Pen().SetColor(0x2040A0);
    state.ToolCanvas->Brush().SetColor(0x30C050);
    SetToolState(&state);
    TfrmDesigner doc(nullptr);
    doc.NewImage(Side, Side, 0x00FFFFFF);
    doc.resize(1024, 768);
    doc.show();
    QApplication::processEvents();
    // A view that changes size keeps showing the same part of the picture; work at zoom 1.
    doc.ActualSize();

    std::printf("view %d x %d, image %d x %d\n", doc.Designer().width(), doc.Designer().height(),
                Side, Side);
    std::printf("%-34s %8.4f ms/move\n", "freehand pen, width 1", Stroke(doc, 7));
    state.ToolCanvas->Pen().SetWidth(9);
    std::printf("%-34s %8.4f ms/move\n", "freehand pen, width 9", Stroke(doc, 7));
    std::printf("%-34s %8.4f ms/move\n", "spray, size 2", Stroke(doc, 8));
    state.SpraySize = 40;
    std::printf("%-34s %8.4f ms/move\n", "spray, size 40", Stroke(doc, 8));
    state.EraserSize = 40;
    std::printf("%-34s %8.4f ms/move\n", "eraser, size 40", Stroke(doc, 11));

    const int repeats = 10;
    const double warp = Seconds(repeats, [&](int i) {
        WarpImage(doc.Image(), {2000 + i, 2000}, {2200 + i, 2000});
    });
    std::printf("%-34s %8.2f ms\n", "WarpImage, 200-pixel drag", warp * 1000 / repeats);
    const double undo = Seconds(repeats, [&](int) { doc.SaveUndo(); });
    std::printf("%-34s %8.2f ms\n", "undo copy", undo * 1000 / repeats);
    const double repaint = Seconds(repeats, [&](int) { doc.Repaint(); });
    std::printf("%-34s %8.2f ms\n", "repaint (compose the view)", repaint * 1000 / repeats);
    TNewDesigner& d = doc.Designer();
    d.Actions().SetActiveAction(20);
    const double tool = Seconds(repeats, [&](int i) {
        d.MouseDown(Qt::LeftButton, Qt::NoModifier, 300, 300 + i);
        d.MouseMove(Qt::NoModifier, 500, 300 + i);
        d.MouseUp(Qt::LeftButton, Qt::NoModifier, 500, 300 + i);
    });
    std::printf("%-34s %8.2f ms\n", "warp tool gesture (undo copy too)", tool * 1000 / repeats);
    SetToolState(nullptr);
    return 0;
}
