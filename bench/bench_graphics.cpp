// Fill and stroke throughput of brushes and pens on a 4096 x 4096 image.
#include "raster/DibGraphics.h"

#include <QImage>

#include "bench/BenchSupport.h"

#include <chrono>
#include <cmath>
#include <cstdio>

using namespace kolvar;
using kolvar::bench::Report;
using kolvar::bench::Seconds;

namespace {

constexpr int32_t Side = 4096;

void Fill(const char* what, TDibContainer& img, const TDibBrush& brush, int repeats = 4) {
    const double t = Seconds(repeats, [&](int i) {
        // A shape slightly larger than the image, moved a little each time.
        img.FillRect(-i, -2 * i, Side + 10, Side + 5, brush.SpanProc());
    });
    Report(what, double(Side) * Side * repeats, t);
}

QImage Texture() {
    QImage q(96, 96, QImage::Format_RGB32);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) q.setPixel(x, y, qRgb(x * 2, y * 2, (x ^ y) & 255));
    return q;
}

} // namespace

int main() {
    InitializeDibGraphics();
    TDibContainer img(Side, Side);
    img.Clear(0);
    TDibBrush brush;
    brush.SetColor(0x3366CCu);
    Fill("solid", img, brush);
    brush.SetAlpha(100);
    Fill("solid blend", img, brush);

    const QImage tex = Texture();
    brush.SetPatternBitmap(&tex);
    brush.SetAlpha(255);
    Fill("pattern opaque", img, brush);
    brush.SetAlpha(0);
    Fill("pattern keyed", img, brush);
    brush.SetAlpha(100);
    Fill("pattern blend", img, brush);
    brush.SetAngle(30);
    brush.SetAlpha(255);
    Fill("rotated texture opaque", img, brush);
    brush.SetAlpha(100);
    Fill("rotated texture blend", img, brush);

    const uint32_t stops[] = {0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu};
    brush.SetAlpha(255);
    brush.Gradient().SetColors(stops, 4);
    brush.SetAngle(0);
    Fill("linear gradient vertical", img, brush);
    brush.SetAngle(90);
    Fill("linear gradient horizontal", img, brush);
    brush.SetAngle(30);
    Fill("linear gradient 30 degrees", img, brush);
    brush.Gradient().SetKind(gkRectangle);
    Fill("rectangle gradient", img, brush);
    brush.Gradient().SetKind(gkConic);
    Fill("conic gradient", img, brush);

    TDibPen pen;
    pen.SetColor(0x202020u);
    for (bool thick : {false, true}) {
        pen.SetWidth(thick ? 8 : 1);
        pen.SetAntiAlias(true);
        const int lines = 4000;
        double pixels = 0;
        const double t = Seconds(lines, [&](int i) {
            const double a = i * 0.0157;
            const int32_t x1 = Side / 2 + int32_t(2000 * std::cos(a));
            const int32_t y1 = Side / 2 + int32_t(2000 * std::sin(a));
            const int32_t x2 = Side - x1, y2 = Side - y1;
            pen.Line(img, x1, y1, x2, y2);
            pixels += double(std::max(std::abs(x2 - x1), std::abs(y2 - y1))) * (pen.Width() + 2);
        });
        Report(thick ? "thick anti-aliased lines (w 8)" : "thin anti-aliased lines", pixels, t);
    }
    pen.SetWidth(8);
    pen.SetAntiAlias(false);
    const int lines = 4000;
    double pixels = 0;
    const double t = Seconds(lines, [&](int i) {
        const int32_t y = (i * 37) % Side;
        pen.Line(img, 0, y, Side - 1, Side - 1 - y);
        pixels += double(Side) * 8;
    });
    Report("thick lines (w 8)", pixels, t);
    return 0;
}
