// Writes the twelve built-in textures TEXTURE1.bmp to TEXTURE12.bmp (8 bits per pixel, 256
// colours) into a directory. Every picture is made from noise that repeats with the picture's
// size, and the filters run on a 3 x 3 tiling of which only the middle is kept, so the
// textures tile without seams.
//
//   make_textures resources

#include "filters/Emboss.h"
#include "filters/GraphicFilter.h"
#include "formats/BmpCodec.h"
#include "formats/ColorReduce.h"
#include "raster/DibColors.h"
#include "raster/DibContainer.h"
#include "raster/DibGraphics.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace kolvar;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Value noise on a lattice that wraps around, so that it repeats over the unit square.
class TTileNoise {
public:
    TTileNoise(int period, uint32_t seed) : period_(period), values_(size_t(period * period)) {
        std::mt19937 random(seed);
        for (double& v : values_) v = std::uniform_real_distribution<double>(0, 1)(random);
    }
    // u, v in [0, 1) of the picture.
    double At(double u, double v) const {
        const double x = u * period_, y = v * period_;
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const double fx = Smooth(x - x0), fy = Smooth(y - y0);
        const double a = Lattice(x0, y0), b = Lattice(x0 + 1, y0);
        const double c = Lattice(x0, y0 + 1), d = Lattice(x0 + 1, y0 + 1);
        return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
    }

private:
    static double Smooth(double t) { return t * t * (3 - 2 * t); }
    double Lattice(int x, int y) const {
        x = ((x % period_) + period_) % period_;
        y = ((y % period_) + period_) % period_;
        return values_[size_t(y * period_ + x)];
    }
    int period_;
    std::vector<double> values_;
};

// Octaves of tiling noise, result in about [0, 1].
double Fbm(const std::vector<TTileNoise>& octaves, double u, double v) {
    double sum = 0, weight = 0, w = 1;
    for (const TTileNoise& n : octaves) {
        sum += w * n.At(u, v);
        weight += w;
        w *= 0.5;
    }
    return sum / weight;
}

std::vector<TTileNoise> Octaves(int base, int count, uint32_t seed) {
    std::vector<TTileNoise> out;
    for (int i = 0; i < count; ++i) out.emplace_back(base << i, seed + uint32_t(i) * 7919u);
    return out;
}

TDibColor Mix(TDibColor a, TDibColor b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto lerp = [t](uint8_t x, uint8_t y) { return uint8_t(std::nearbyint(x + (y - x) * t)); };
    return TDibColor{lerp(a.Blue, b.Blue), lerp(a.Green, b.Green), lerp(a.Red, b.Red)};
}

constexpr TDibColor Rgb(int r, int g, int b) {
    return TDibColor{uint8_t(b), uint8_t(g), uint8_t(r)};
}

using TShader = std::function<TDibColor(double u, double v)>;

TDibContainer Shade(int size, const TShader& shader) {
    TDibContainer image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.SetPixel(x, y, shader((x + 0.5) / size, (y + 0.5) / size));
    return image;
}

// Runs a filter over a 3 x 3 tiling and keeps the middle tile, so that the filter sees the
// neighbours the picture will have when it is tiled.
void FilterSeamless(TDibContainer& image, const TFilterFactory& factory,
                    const std::function<void(TGraphicFilter&)>& configure) {
    const int w = image.Width(), h = image.Height();
    TDibContainer tiled(3 * w, 3 * h);
    for (int y = 0; y < 3 * h; ++y)
        for (int x = 0; x < 3 * w; ++x) tiled.SetPixel(x, y, image.GetPixel(x % w, y % h));
    ApplyFilterThroughPreview(factory, tiled, nullptr, configure);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.SetPixel(x, y, tiled.GetPixel(x + w, y + h));
}

// Lights the picture like a relief of its own brightness and multiplies the result in.
void Relief(TDibContainer& image, double depth, double strength) {
    TDibContainer bump(image);
    FilterSeamless(
        bump,
        [](const TRect& r, const TDibContainer& s) {
            return std::make_unique<TEmbossFilter>(r, s);
        },
        [depth](TGraphicFilter& f) {
            auto& e = static_cast<TEmbossFilter&>(f);
            e.SetAzimuth(135);
            e.SetElevation(40);
            e.SetDepth(depth);
            e.SetColored(false);
        });
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const double light = 1 + strength * (bump.GetPixel(x, y).Green / 127.5 - 1);
            const TDibColor c = image.GetPixel(x, y);
            auto scale = [light](uint8_t v) {
                return uint8_t(std::clamp(std::nearbyint(v * light), 0.0, 255.0));
            };
            image.SetPixel(x, y, TDibColor{scale(c.Blue), scale(c.Green), scale(c.Red)});
        }
}

TDibContainer Wood(int size) {
    const auto grain = Octaves(4, 4, 11);
    return Shade(size, [&](double u, double v) {
        // Rings around a vertical axis, bent by noise; the ring count is whole so it tiles.
        const double rings = 6 * u + 1.2 * Fbm(grain, u, v);
        const double ring = 0.5 + 0.5 * std::sin(2 * kPi * rings);
        const double fibre = Fbm(grain, u * 1, v) * 0.35;
        return Mix(Rgb(150, 96, 52), Rgb(92, 54, 26), std::pow(ring, 3) + fibre);
    });
}

TDibContainer Marble(int size) {
    const auto veins = Octaves(3, 5, 23);
    return Shade(size, [&](double u, double v) {
        const double t = std::sin(2 * kPi * (u + v) + 7 * Fbm(veins, u, v));
        const double vein = std::pow(1 - std::fabs(t), 8);
        return Mix(Mix(Rgb(236, 234, 228), Rgb(205, 208, 214), Fbm(veins, v, u)), Rgb(90, 96, 110),
                   vein);
    });
}

TDibContainer Brick(int size) {
    const auto noise = Octaves(8, 3, 37);
    const int rows = 4, cols = 2;
    TDibContainer image = Shade(size, [&](double u, double v) {
        const int row = int(v * rows);
        const double shift = (row % 2) * 0.5 / cols;
        const double bu = std::fmod(u * cols + shift * cols, 1.0), bv = std::fmod(v * rows, 1.0);
        const bool mortar = bu < 0.06 || bv < 0.12;
        const double n = Fbm(noise, u, v);
        if (mortar) return Mix(Rgb(190, 184, 170), Rgb(150, 144, 132), n);
        const int column = int(u * cols + shift * cols) % cols;
        const double tint = std::fmod((row * 7 + column * 3) * 0.37, 1.0);
        return Mix(Mix(Rgb(168, 70, 46), Rgb(130, 52, 36), tint), Rgb(96, 40, 28), n * 0.8);
    });
    Relief(image, 2, 0.35);
    return image;
}

TDibContainer Stone(int size) {
    // Cobbles: distance to the nearest of a few points, wrapped across the edges.
    std::mt19937 random(41);
    std::vector<std::pair<double, double>> seeds(14);
    for (auto& s : seeds)
        s = {std::uniform_real_distribution<double>(0, 1)(random),
             std::uniform_real_distribution<double>(0, 1)(random)};
    const auto noise = Octaves(6, 3, 43);
    TDibContainer image = Shade(size, [&](double u, double v) {
        double d1 = 9, d2 = 9;
        for (const auto& [sx, sy] : seeds) {
            double dx = std::fabs(u - sx), dy = std::fabs(v - sy);
            dx = std::min(dx, 1 - dx);
            dy = std::min(dy, 1 - dy);
            const double d = std::hypot(dx, dy);
            if (d < d1) {
                d2 = d1;
                d1 = d;
            } else if (d < d2) {
                d2 = d;
            }
        }
        const double edge = std::clamp((d2 - d1) * 14, 0.0, 1.0);
        const TDibColor rock = Mix(Rgb(150, 146, 136), Rgb(104, 100, 94), Fbm(noise, u, v));
        return Mix(Rgb(60, 58, 54), rock, edge);
    });
    Relief(image, 3, 0.4);
    return image;
}

TDibContainer Fabric(int size) {
    const auto noise = Octaves(12, 2, 53);
    return Shade(size, [&](double u, double v) {
        const int threads = 24;
        const double x = u * threads, y = v * threads;
        const bool over = (int(x) + int(y)) % 2 == 0;
        const double across = 0.5 + 0.5 * std::cos(2 * kPi * (over ? y : x));
        const TDibColor warp = Rgb(52, 84, 150), weft = Rgb(70, 108, 178);
        return Mix(over ? warp : weft, Rgb(24, 36, 70),
                   0.45 * (1 - across) + 0.2 * Fbm(noise, u, v));
    });
}

TDibContainer Paper(int size) {
    const auto fibres = Octaves(8, 4, 61);
    std::mt19937 random(67);
    TDibContainer image = Shade(size, [&](double u, double v) {
        const double n = Fbm(fibres, u, v);
        const double grain = std::uniform_real_distribution<double>(-0.05, 0.05)(random);
        return Mix(Rgb(246, 240, 222), Rgb(214, 204, 178), n * 0.8 + grain);
    });
    Relief(image, 1, 0.15);
    return image;
}

TDibContainer Granite(int size) {
    std::mt19937 random(71);
    const auto noise = Octaves(6, 3, 73);
    return Shade(size, [&](double u, double v) {
        const double speck = std::uniform_real_distribution<double>(0, 1)(random);
        const TDibColor base = Mix(Rgb(170, 150, 146), Rgb(120, 104, 104), Fbm(noise, u, v));
        if (speck > 0.93) return Rgb(40, 36, 38);
        if (speck > 0.88) return Rgb(236, 228, 222);
        return base;
    });
}

TDibContainer Water(int size) {
    const auto noise = Octaves(3, 4, 79);
    return Shade(size, [&](double u, double v) {
        const double w = std::sin(2 * kPi * (2 * v + 0.6 * Fbm(noise, u, v)) + 2 * kPi * u);
        return Mix(Rgb(28, 92, 150), Rgb(120, 190, 230), std::pow(0.5 + 0.5 * w, 2.5));
    });
}

TDibContainer Cork(int size) {
    std::mt19937 random(83);
    const auto noise = Octaves(10, 3, 89);
    TDibContainer image = Shade(size, [&](double u, double v) {
        const double n = Fbm(noise, u, v);
        const double hole = std::uniform_real_distribution<double>(0, 1)(random);
        if (hole > 0.97) return Rgb(96, 62, 30);
        return Mix(Rgb(212, 164, 104), Rgb(160, 110, 60), n);
    });
    Relief(image, 2, 0.3);
    return image;
}

TDibContainer Tiles(int size) {
    const auto noise = Octaves(5, 3, 97);
    TDibContainer image(size, size);
    // Grout first, then each tile filled by the engine's brush.
    TDibCanvas canvas(size, size);
    canvas.Brush().SetColor(Rgb(210, 206, 196));
    canvas.FillRect(TRect{0, 0, size - 1, size - 1});
    const int n = 4, step = size / n;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            canvas.Brush().SetColor((r + c) % 2 ? Rgb(38, 110, 120) : Rgb(232, 228, 214));
            canvas.FillRect(
                TRect{c * step + 2, r * step + 2, (c + 1) * step - 2, (r + 1) * step - 2});
        }
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.SetPixel(x, y,
                           Mix(canvas.Container().GetPixel(x, y), Rgb(0, 0, 0),
                               0.12 * Fbm(noise, (x + 0.5) / size, (y + 0.5) / size)));
    Relief(image, 2, 0.3);
    return image;
}

TDibContainer Clouds(int size) {
    const auto noise = Octaves(3, 5, 101);
    return Shade(size, [&](double u, double v) {
        const double n = std::clamp((Fbm(noise, u, v) - 0.35) * 2.2, 0.0, 1.0);
        return Mix(Rgb(70, 130, 210), Rgb(250, 250, 252), n);
    });
}

TDibContainer Leather(int size) {
    const auto noise = Octaves(12, 3, 107);
    TDibContainer image = Shade(size, [&](double u, double v) {
        const double n = Fbm(noise, u, v);
        const double crease = std::pow(1 - std::fabs(2 * n - 1), 6);
        return Mix(Mix(Rgb(122, 64, 34), Rgb(92, 46, 24), n), Rgb(50, 24, 12), crease);
    });
    Relief(image, 3, 0.35);
    return image;
}

struct TTexture {
    int Size;
    TDibContainer (*Make)(int);
};

// Sizes as the texture list shows them: TEXTURE1 is 80 x 80, TEXTURE3 72 x 72, and so on.
const TTexture kTextures[12] = {{80, Wood},   {96, Marble}, {72, Brick},   {96, Stone},
                                {96, Fabric}, {91, Paper},  {96, Granite}, {96, Water},
                                {96, Cork},   {100, Tiles}, {108, Clouds}, {96, Leather}};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_textures DIRECTORY\n");
        return 2;
    }
    InitializeDibGraphics();
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (int i = 0; i < 12; ++i) {
        const TDibContainer image = kTextures[i].Make(kTextures[i].Size);
        const QByteArray bmp = EncodeBmp(ConvertToDib(image.ToImage(), 8));
        QFile out(dir.filePath(QStringLiteral("TEXTURE%1.bmp").arg(i + 1)));
        if (!out.open(QIODevice::WriteOnly) || out.write(bmp) != bmp.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
            return 1;
        }
    }
    return 0;
}
