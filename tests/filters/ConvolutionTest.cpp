// Convolution and Sobel against plain per-pixel references, the definitions and their text
// format, and the shipped presets.
#include "filters/Convolution.h"

#include "FilterTestSupport.h"

#include <QBuffer>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace kolvar;
using namespace kolvar::test;

namespace {

struct TKernel {
    int32_t Rows = 0, Cols = 0;
    std::vector<double> W; // row-major
    double Divisor = 1;
    TDibColor Offset{};
};

// Straight from the rules: every pixel, every weight, clamped coordinates, 32-bit sums.
TDibContainer ReferenceConvolve(const TDibContainer& src, const TRect& b, const TKernel& k) {
    const int32_t w = b.Right - b.Left + 1, h = b.Bottom - b.Top + 1;
    TDibContainer out(w, h);
    const int32_t hr = k.Rows / 2, hc = k.Cols / 2;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint32_t acc[3] = {uint32_t(k.Offset.Blue) * 65536u, uint32_t(k.Offset.Green) * 65536u,
                               uint32_t(k.Offset.Red) * 65536u};
            for (int32_t r = 0; r < k.Rows; ++r)
                for (int32_t c = 0; c < k.Cols; ++c) {
                    const int32_t fixed =
                        int32_t(std::nearbyint(k.W[size_t(r * k.Cols + c)] / k.Divisor * 65536.0));
                    if (fixed == 0) continue;
                    const int32_t sy = std::clamp(y + r - hr + b.Top, 0, src.Height() - 1);
                    const int32_t sx = std::clamp(x + c - hc + b.Left, 0, src.Width() - 1);
                    const TDibColor p = src.GetPixel(sx, sy);
                    acc[0] += uint32_t(fixed) * p.Blue;
                    acc[1] += uint32_t(fixed) * p.Green;
                    acc[2] += uint32_t(fixed) * p.Red;
                }
            uint8_t v[3];
            for (int i = 0; i < 3; ++i) v[i] = uint8_t(std::clamp(int32_t(acc[i]) / 65536, 0, 255));
            out.SetPixel(x, y, TDibColor{v[0], v[1], v[2]});
        }
    return out;
}

void Load(TConvolutionFilterDef& def, const TKernel& k) {
    TDoubleMatrix m(k.Rows, k.Cols);
    for (int32_t r = 0; r < k.Rows; ++r)
        for (int32_t c = 0; c < k.Cols; ++c) m.SetItems(r, c, k.W[size_t(r * k.Cols + c)]);
    def.BeginUpdate();
    def.SetMatrix(m);
    def.SetDivisor(k.Divisor);
    def.SetOffset(k.Offset);
    def.EndUpdate();
}

TDibContainer RunFilter(TGraphicFilter& f) {
    TDibContainer out;
    f.PrepareTarget(out);
    out.FillRect(0, 0, out.Width() - 1, out.Height() - 1, f.SpanProc);
    return out;
}

TKernel Flat(int32_t rows, int32_t cols, std::vector<double> w, double divisor = 1,
             TDibColor offset = {}) {
    return TKernel{rows, cols, std::move(w), divisor, offset};
}

} // namespace

TEST(Convolution, FastPathMatchesTheReferenceOnRandomImagesAndKernels) {
    std::mt19937 rng(20240611);
    auto uni = [&](int lo, int hi) { return int(rng() % uint32_t(hi - lo + 1)) + lo; };
    for (int trial = 0; trial < 120; ++trial) {
        // Mostly small images (kernels wider than the image included), some wider than a chunk.
        const int32_t W = trial % 20 == 0 ? uni(520, 1100) : uni(1, 45);
        const int32_t H = trial % 20 == 0 ? uni(1, 6) : uni(1, 30);
        const TDibContainer src = NoiseImage(W, H, uint32_t(trial));
        TKernel k;
        k.Rows = uni(1, 15);
        k.Cols = uni(1, 15);
        if (trial % 3) k.Rows |= 1, k.Cols |= 1;
        const bool sparse = trial % 4 == 0;
        for (int32_t i = 0; i < k.Rows * k.Cols; ++i)
            k.W.push_back(sparse && rng() % 3 ? 0.0
                                              : (trial % 2 ? uni(-9, 9) : uni(-900, 900) / 97.0));
        k.Divisor = trial % 5 == 0 ? -uni(1, 30) / 3.0 : uni(1, 60) / 7.0;
        k.Offset = TDibColor{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        const int32_t l = uni(0, W - 1), t = uni(0, H - 1);
        const TRect region{l, t, uni(l, W - 1), uni(t, H - 1)};

        TConvolutionFilter f(region, src);
        Load(f.Definition, k);
        const TDibContainer want = ReferenceConvolve(src, region, k);
        ASSERT_TRUE(RunFilter(f).SameImage(want)) << "trial " << trial;

        // Partial runs compute exactly their own pixels.
        TDibContainer part;
        f.PrepareTarget(part);
        const int32_t y = uni(0, part.Height() - 1);
        const int32_t x1 = uni(0, part.Width() - 1), x2 = uni(x1, part.Width() - 1);
        part.FillRect(x1, y, x2, y, f.SpanProc);
        for (int32_t x = 0; x < part.Width(); ++x)
            ASSERT_EQ(part.GetPixel(x, y), x >= x1 && x <= x2
                                               ? want.GetPixel(x, y)
                                               : src.GetPixel(x + region.Left, y + region.Top))
                << "trial " << trial << " x " << x;
    }
}

TEST(Convolution, SumsWrapAroundAt32BitsLikeTheReference) {
    // 15 x 15 weights of 60 on white overflow a 32-bit sum: 225 x 60 x 65536 x 255.
    const TDibContainer src = NoiseImage(20, 20, 77);
    const TKernel k = Flat(15, 15, std::vector<double>(225, 60.0));
    TConvolutionFilter f(TRect{0, 0, 19, 19}, src);
    Load(f.Definition, k);
    EXPECT_TRUE(RunFilter(f).SameImage(ReferenceConvolve(src, f.Bounds, k)));
}

TEST(Convolution, PresetRulesIdentityEmbossRippleAndEdges) {
    TConvolutionDefList presets;
    LoadConvolutionDefinitions(presets);
    const TDibContainer src = NoiseImage(23, 17, 9);
    const TRect all{0, 0, 22, 16};
    const auto apply = [&](const char* name, const TDibContainer& img) {
        const TConvolutionFilterDef* def = FindConvolutionDefinition(presets, name);
        EXPECT_NE(def, nullptr) << name;
        TConvolutionFilter f(TRect{0, 0, img.Width() - 1, img.Height() - 1}, img);
        if (def) f.Definition.Assign(*def);
        return RunFilter(f);
    };
    EXPECT_TRUE(apply("identity", src).SameImage(src));

    TDibContainer flat(9, 7);
    flat.Clear(TDibColor{12, 200, 90});
    const TDibContainer embossed = apply("Emboss North", flat);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 9; ++x)
            ASSERT_EQ(embossed.GetPixel(x, y), (TDibColor{128, 128, 128}));

    // Negative-divided weights: a white row on black sums to -255 on itself, clamped to 0,
    // and to 5 x 13107 x 255 / 65536 two rows away.
    TDibContainer bar(9, 7);
    bar.HorzLine(3, 0, 8, TDibColor{255, 255, 255});
    const TDibContainer rippled = apply("Ripple Horizontal", bar);
    EXPECT_EQ(rippled.GetPixel(4, 3), TDibColor{});
    EXPECT_EQ(rippled.GetPixel(4, 1), (TDibColor{254, 254, 254}));
    EXPECT_EQ(rippled.GetPixel(4, 2), TDibColor{});

    // Edge pixels repeat: a 3 x 3 mean at a corner weighs the corner pixel four times.
    TDibContainer corner(3, 3);
    corner.Clear(0);
    corner.SetPixel(0, 0, TDibColor{90, 90, 90});
    const TDibContainer blurred = apply("Blur 3x3", corner);
    EXPECT_EQ(blurred.GetPixel(0, 0).Blue, 40);
    EXPECT_EQ(blurred.GetPixel(1, 1).Blue, 10);
    EXPECT_EQ(blurred.GetPixel(2, 2).Blue, 0);

    EXPECT_TRUE(
        apply("Blur 5x5", src)
            .SameImage(ReferenceConvolve(src, all, Flat(5, 5, std::vector<double>(25, 1), 25))));
}

TEST(Convolution, EvenSizesReachOneFurtherUpAndLeft) {
    // Row i weighs the source row i - Rows div 2: a 2 x 2 kernel with only its first weight
    // set copies the pixel up and to the left.
    const TDibContainer src = NoiseImage(6, 5, 4);
    TConvolutionFilter f(TRect{0, 0, 5, 4}, src);
    Load(f.Definition, Flat(2, 2, {1, 0, 0, 0}));
    EXPECT_EQ(f.HalfRows, 1);
    EXPECT_EQ(f.HalfCols, 1);
    EXPECT_EQ(f.Kernel.Rows(), 3);
    EXPECT_EQ(f.Kernel.Cols(), 3);
    const TDibContainer out = RunFilter(f);
    EXPECT_EQ(out.GetPixel(3, 2), src.GetPixel(2, 1));
    EXPECT_EQ(out.GetPixel(0, 0), src.GetPixel(0, 0));
    // Its last weight is the target pixel itself.
    Load(f.Definition, Flat(2, 2, {0, 0, 0, 1}));
    EXPECT_TRUE(RunFilter(f).SameImage(src));
}

TEST(Convolution, DefinitionNotifiesOnceAndTheFilterStartsWithZeros) {
    const TDibContainer src = NoiseImage(4, 4, 1);
    TConvolutionFilter f(TRect{0, 0, 3, 3}, src);
    EXPECT_EQ(f.Definition.Rows(), 3);
    EXPECT_EQ(f.Definition.Cols(), 3);
    EXPECT_EQ(f.Definition.Divisor(), 1.0);
    TDibContainer black(4, 4);
    EXPECT_TRUE(RunFilter(f).SameImage(black));

    TConvolutionFilterDef def;
    int changes = 0;
    def.OnChange = [&](TConvolutionFilterDef&) { ++changes; };
    def.BeginUpdate();
    def.SetRows(5);
    def.SetCols(5);
    def.SetWeight(2, 2, 3);
    def.SetDivisor(0);
    def.SetOffset(TDibColor{1, 2, 3});
    EXPECT_EQ(changes, 0);
    def.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(def.Divisor(), 1.0);
    def.SetDivisor(1.0);
    def.SetOffset(TDibColor{1, 2, 3});
    def.SetDescription({QStringLiteral("text")});
    EXPECT_EQ(changes, 1);
    def.SetRows(500);
    EXPECT_EQ(def.Rows(), TConvolutionFilterDef::MaxSize);

    // The kernel is the weight over the divisor in 16.16, ties to even.
    f.Definition.SetWeight(0, 0, 1);
    f.Definition.SetDivisor(3);
    EXPECT_EQ(f.Kernel.Items(0, 0), 21845);
    f.Definition.SetWeight(0, 0, 0.5 / 65536 * 3); // exactly half a unit
    EXPECT_EQ(f.Kernel.Items(0, 0), 0);
}

TEST(ConvolutionText, ReaderRules) {
    const QString text =
        QStringLiteral("Filter:First\r\n"
                       "Comments\r\nfree text, ignored\r\n//Comments\r\n"
                       "divisor:4\r\n"
                       "OffSet:1:2:300\r\n"
                       "Rows:2\r\nCOLS:3\r\n"
                       "Values\r\n 1 : 2 :x\r\n4:5:6:7\r\n9:9:9\r\n//Values\r\n"
                       "//Filter\r\n"
                       "Filter: Second \r\n"
                       "Description\r\nline one\r\n  line two:with colon\r\n//Description\r\n"
                       "Rows:1\r\nCols:1\r\nValues\r\n-2.5\r\n//Values\r\n"
                       "//Filter\r\n"
                       "Rows:100000\r\nCols:abc\r\nDivisor:0\r\n"
                       "//Filter\r\n");
    TConvolutionDefList items;
    ReadConvolutionDefinitions(text, items);
    ASSERT_EQ(items.size(), 3u);

    const TConvolutionFilterDef& a = *items[0].Definition;
    EXPECT_EQ(items[0].Name, QStringLiteral("First"));
    EXPECT_EQ(a.Divisor(), 4);
    EXPECT_EQ(a.Offset(), (TDibColor{255, 2, 1}));
    ASSERT_EQ(a.Rows(), 2);
    ASSERT_EQ(a.Cols(), 3);
    EXPECT_EQ(a.Weight(0, 0), 1);
    EXPECT_EQ(a.Weight(0, 1), 2);
    EXPECT_EQ(a.Weight(0, 2), 0);
    EXPECT_EQ(a.Weight(1, 2), 6);
    EXPECT_TRUE(a.Description.isEmpty());

    // Divisor and offset carry over; the name keeps its blanks.
    const TConvolutionFilterDef& b = *items[1].Definition;
    EXPECT_EQ(items[1].Name, QStringLiteral(" Second "));
    EXPECT_EQ(b.Divisor(), 4);
    EXPECT_EQ(b.Offset(), a.Offset());
    EXPECT_EQ(b.Description,
              (QStringList{QStringLiteral("line one"), QStringLiteral("  line two:with colon")}));
    EXPECT_EQ(b.Weight(0, 0), -2.5);

    // A closing line without its own Filter line takes the working state as it stands.
    const TConvolutionFilterDef& c = *items[2].Definition;
    EXPECT_EQ(items[2].Name, QStringLiteral(" Second "));
    EXPECT_EQ(c.Rows(), TConvolutionFilterDef::MaxSize);
    EXPECT_EQ(c.Cols(), 1);
    EXPECT_EQ(c.Divisor(), 1);

    TConvolutionDefList bare;
    ReadConvolutionDefinitions(QStringLiteral("//Filter\n"), bare);
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_TRUE(bare[0].Name.isEmpty());
    EXPECT_EQ(bare[0].Definition->Rows(), 0);
    ReadConvolutionDefinitions(QString(), bare);
    EXPECT_EQ(bare.size(), 1u);
    FreeConvolutionDefinitions(bare);
    EXPECT_TRUE(bare.empty());
}

TEST(ConvolutionText, ShippedPresetsInResourceOrder) {
    TConvolutionDefList presets;
    LoadConvolutionDefinitions(presets);
    struct TExpect {
        const char* Name;
        int32_t Rows, Cols;
        double Divisor;
        uint8_t Offset;
        double Sum;
    };
    const TExpect expect[] = {
        {"Identity", 1, 1, 1, 0, 1},
        {"Blur 3x3", 3, 3, 9, 0, 9},
        {"Blur 5x5", 5, 5, 25, 0, 25},
        {"Rectangular Smoothing", 5, 5, 21, 0, 21},
        {"Pyramidal Smoothing", 5, 5, 81, 0, 81},
        {"Cone Smoothing", 5, 5, 25, 0, 25},
        {"Mexican Hat", 9, 9, 1, 0, 0},
        {"Shadow North", 3, 3, 1, 0, 1},
        {"Shadow South", 3, 3, 1, 0, 1},
        {"Shadow East", 3, 3, 1, 0, 1},
        {"Shadow West", 3, 3, 1, 0, 1},
        {"Shadow North West", 3, 3, 1, 0, 1},
        {"Emboss North", 3, 3, 1, 128, 0},
        {"Emboss South", 3, 3, 1, 128, 0},
        {"Emboss East", 3, 3, 1, 128, 0},
        {"Emboss West", 3, 3, 1, 128, 0},
        {"Sharpen", 3, 3, 2, 0, 2},
        {"Sharpen More", 3, 3, 1, 0, 1},
        {"Sharpen 5x5", 5, 5, 1, 0, 1},
        {"Wood", 3, 3, 1, 0, 1},
        {"Ripple Horizontal", 5, 5, -5, 0, -5},
        {"Ripple Vertical", 5, 5, -5, 0, -5},
        {"Chisel", 5, 5, 1, 0, 1},
        {"Jiggle", 5, 5, -11, 0, -11},
        {"Spackle", 3, 3, 1, 0, 1},
        {"Spackle and Stone", 3, 3, 1, 0, 1},
        {"Texture", 5, 5, 1, 0, 1},
        {"Psyche", 5, 5, -3, 0, 1},
    };
    ASSERT_EQ(presets.size(), std::size(expect));
    for (size_t i = 0; i < presets.size(); ++i) {
        const TConvolutionFilterDef& d = *presets[i].Definition;
        SCOPED_TRACE(expect[i].Name);
        EXPECT_EQ(presets[i].Name, QString::fromLatin1(expect[i].Name));
        EXPECT_EQ(d.Name, presets[i].Name);
        EXPECT_EQ(d.Rows(), expect[i].Rows);
        EXPECT_EQ(d.Cols(), expect[i].Cols);
        EXPECT_EQ(d.Divisor(), expect[i].Divisor);
        EXPECT_EQ(d.Offset(), (TDibColor{expect[i].Offset, expect[i].Offset, expect[i].Offset}));
        EXPECT_TRUE(d.Description.isEmpty());
        double sum = 0;
        for (int32_t r = 0; r < d.Rows(); ++r)
            for (int32_t c = 0; c < d.Cols(); ++c) sum += d.Weight(r, c);
        EXPECT_EQ(sum, expect[i].Sum);
    }
    const TConvolutionFilterDef& hat = *presets[6].Definition;
    EXPECT_EQ(hat.Weight(4, 4), 24);
    EXPECT_EQ(hat.Weight(3, 4), 13);
    EXPECT_EQ(hat.Weight(0, 3), -1);
    EXPECT_EQ(presets[22].Definition->Weight(2, 3), -3); // Chisel
}

TEST(ConvolutionText, KernelText) {
    TConvolutionFilterDef def;
    SetKernelFromText(def, QStringLiteral(" 1, 2 1 / 0 0 0/-1 -2 -1.5"));
    ASSERT_EQ(def.Rows(), 3);
    ASSERT_EQ(def.Cols(), 3);
    EXPECT_EQ(def.Weight(0, 1), 2);
    EXPECT_EQ(def.Weight(2, 2), -1.5);
    for (const char* bad : {"", "1 2/3", "1 x", "1//2", "nan"})
        EXPECT_THROW(SetKernelFromText(def, QString::fromLatin1(bad)), EFilterError) << bad;
    EXPECT_EQ(def.Rows(), 3);
}

namespace {

TDibContainer ReferenceSobel(const TDibContainer& src, double magnifier) {
    const int a[3][3] = {{1, 2, 1}, {0, 0, 0}, {-1, -2, -1}};
    const int b[3][3] = {{1, 0, -1}, {2, 0, -2}, {1, 0, -1}};
    TDibContainer out(src.Width(), src.Height());
    for (int32_t y = 0; y < src.Height(); ++y)
        for (int32_t x = 0; x < src.Width(); ++x) {
            double sa[3] = {}, sb[3] = {};
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) {
                    const TDibColor p = src.GetPixel(std::clamp(x + c - 1, 0, src.Width() - 1),
                                                     std::clamp(y + r - 1, 0, src.Height() - 1));
                    const double v[3] = {double(p.Blue), double(p.Green), double(p.Red)};
                    for (int i = 0; i < 3; ++i) {
                        sa[i] += a[r][c] * v[i];
                        sb[i] += b[r][c] * v[i];
                    }
                }
            uint8_t o[3];
            for (int i = 0; i < 3; ++i)
                o[i] = uint8_t(std::nearbyint(
                    std::clamp(std::sqrt(sa[i] * sa[i] + sb[i] * sb[i]) * magnifier, 0.0, 255.0)));
            out.SetPixel(x, y, TDibColor{o[0], o[1], o[2]});
        }
    return out;
}

} // namespace

TEST(Sobel, MatchesTheReferenceAndFlatAreasGiveBlack) {
    const TDibContainer src = NoiseImage(31, 13, 6);
    TSobelFilter f(TRect{0, 0, 30, 12}, src);
    EXPECT_EQ(f.Magnifier, 1.0);
    for (double m : {1.0, 0.35, 0.0}) {
        f.SetMagnifier(m);
        EXPECT_TRUE(RunFilter(f).SameImage(ReferenceSobel(src, m))) << m;
    }
    TDibContainer flat(5, 5);
    flat.Clear(TDibColor{40, 50, 60});
    TSobelFilter g(TRect{0, 0, 4, 4}, flat);
    EXPECT_TRUE(RunFilter(g).SameImage(TDibContainer(5, 5)));

    // A step of 10 across a vertical edge: |b| = 4 x 10 on both sides of it.
    TDibContainer step(6, 3);
    step.Clear(0);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 3; x < 6; ++x) step.SetPixel(x, y, TDibColor{10, 10, 10});
    TSobelFilter s(TRect{0, 0, 5, 2}, step);
    const TDibContainer edge = RunFilter(s);
    EXPECT_EQ(edge.GetPixel(2, 1).Red, 40);
    EXPECT_EQ(edge.GetPixel(3, 1).Red, 40);
    EXPECT_EQ(edge.GetPixel(0, 1).Red, 0);
}
