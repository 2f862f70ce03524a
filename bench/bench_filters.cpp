// Throughput of the colour filters and the convolutions on a 4096 x 4096 image, run as the
// preview runs them (the region copied into a target, then the span procedure over it), next
// to a plain copy of the image: the memory-bandwidth floor.
#include "filters/Convolution.h"
#include "filters/uFilters.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace kolvar;

namespace {

constexpr int32_t Side = 4096;

template <class F> double Seconds(int repeats, F&& f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) f();
    const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
    return d.count();
}

void Report(const char* what, double pixels, double seconds) {
    std::printf("%-26s %9.1f Mpixel/s %9.3f s per image\n", what, pixels / seconds / 1e6,
                seconds * double(Side) * Side / pixels);
}

void Noise(TDibContainer& d) {
    uint32_t s = 12345;
    for (int32_t y = 0; y < d.Height(); ++y) {
        uint8_t* row = d.ScanLine(y);
        for (int32_t i = 0; i < d.Width() * 3; ++i)
            row[i] = uint8_t((s = s * 1103515245u + 12345u) >> 24);
    }
}

void Run(const char* what, TGraphicFilter& f, TDibContainer& target, int repeats) {
    const double t = Seconds(repeats, [&] {
        f.PrepareTarget(target);
        target.FillRect(0, 0, Side - 1, Side - 1, f.SpanProc);
    });
    Report(what, double(Side) * Side * repeats, t);
}

} // namespace

int main() {
    TDibContainer src(Side, Side), target(Side, Side);
    Noise(src);
    const TRect all{0, 0, Side - 1, Side - 1};
    const double area = double(Side) * Side;

    const int copies = 10;
    double t = Seconds(copies, [&] { std::memcpy(target.Bits(), src.Bits(), src.ByteSize()); });
    Report("plain copy", area * copies, t);

    TRGBFilter rgb(all, src);
    rgb.SetRedOffset(40);
    rgb.SetBlueOffset(-30);
    Run("RGB", rgb, target, 5);
    TContrastFilter contrast(all, src);
    contrast.SetAmount(0.5);
    Run("Contrast", contrast, target, 5);
    THSLFilter hsl(all, src);
    hsl.SetHueShift(0.25);
    Run("HSL", hsl, target, 1);
    TLABFilter lab(all, src);
    lab.SetLShift(10);
    Run("LAB", lab, target, 1);

    TConvolutionDefList presets;
    LoadConvolutionDefinitions(presets);
    for (const char* name : {"Sharpen", "Mexican Hat"}) {
        TConvolutionFilter conv(all, src);
        conv.Definition.Assign(*FindConvolutionDefinition(presets, name));
        char label[64];
        std::snprintf(label, sizeof label, "Convolution %s", name);
        Run(label, conv, target, 1);
    }
    TConvolutionFilter big(all, src);
    TDoubleMatrix m(15, 15);
    for (int32_t r = 0; r < 15; ++r)
        for (int32_t c = 0; c < 15; ++c) m.SetItems(r, c, 1);
    big.Definition.SetMatrix(m);
    big.Definition.SetDivisor(225);
    Run("Convolution 15x15", big, target, 1);
    TSobelFilter sobel(all, src);
    Run("Sobel", sobel, target, 1);
    return 0;
}
