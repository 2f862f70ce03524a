// Throughput of the image container's heavy operations on a 4096 x 4096 image.
#include "raster/DibContainer.h"

#include "bench/BenchSupport.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace kolvar;
using kolvar::bench::Report;
using kolvar::bench::Seconds;

namespace {

constexpr int32_t Side = 4096;

void Noise(TDibContainer& d) {
    uint32_t s = 12345;
    for (int32_t y = 0; y < d.Height(); ++y) {
        uint8_t* row = d.ScanLine(y);
        for (int32_t i = 0; i < d.Width() * 3; ++i)
            row[i] = uint8_t((s = s * 1103515245u + 12345u) >> 24);
    }
}

} // namespace

int main() {
    TDibContainer img(Side, Side);
    const double area = double(Side) * Side;

    const int floods = 6;
    img.Clear(0);
    double t = Seconds(floods, [&](int i) {
        img.FloodFill(Side / 2, Side / 2, i % 2 ? 0u : 0xFFFFFFu, i % 2 ? 0xFFFFFFu : 0u);
    });
    Report("FloodFill", area * floods, t);

    std::vector<TPoint> star;
    for (int k = 0; k < 720; ++k) {
        const double a = k * M_PI / 360, r = k % 2 ? Side * 0.30 : Side * 0.52;
        star.push_back({int32_t(Side / 2 + r * std::cos(a)), int32_t(Side / 2 + r * std::sin(a))});
    }
    double painted = 0;
    const TDibSpanProc solid = [&painted](TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                          const TRect&) {
        d.HorzLine(y, x1, x2, 0x336699u);
        painted += x2 - x1 + 1;
    };
    const int polys = 10;
    t = Seconds(polys, [&](int) { img.FillPolygon(star.data(), int32_t(star.size()), solid); });
    Report("FillPolygon (solid spans)", painted, t);

    Noise(img);
    TDibContainer dest(Side, Side);
    const TRect zoom{-700, -500, Side + 900, Side + 300};
    for (bool smooth : {false, true}) {
        const int n = smooth ? 3 : 6;
        t = Seconds(n, [&](int) { img.StretchTo(dest, zoom, smooth); });
        Report(smooth ? "StretchTo smooth" : "StretchTo nearest", area * n, t);
    }

    const int rotations = 6;
    t = Seconds(rotations,
                [&](int i) { img.RotateTo(dest, Side / 2, Side / 2, 1.0, 1.0, 0.3 + 0.1 * i); });
    Report("RotateTo", area * rotations, t);
    return 0;
}
