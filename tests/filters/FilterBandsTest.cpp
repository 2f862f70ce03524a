// The runner's bands: every filter of the table gives the same bytes on several threads as on
// one, over odd sizes and every kind of selection; the noise keeps the shared generator's
// sequence; a run can be abandoned.
#include "filters/GraphicFilterTable.h"
#include "filters/uFilters.h"
#include "raster/DibRandom.h"

#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using namespace kolvar;
using namespace kolvar::test;

namespace {

using TValues = std::vector<std::pair<const char*, double>>;

// Settings beyond the defaults, so that each filter does real work in every band.
const std::multimap<std::string, TValues>& Settings() {
    static const std::multimap<std::string, TValues> s = [] {
        std::multimap<std::string, TValues> m{
            {"HSL", {{"hue", 0.3}, {"saturation", -0.2}, {"lightness", 0.1}}},
            {"HSV", {{"hue", 40}, {"saturation", 0.2}, {"value", -0.1}}},
            {"LAB", {{"l", 10}, {"a", -20}, {"b", 30}}},
            {"RGB", {{"red", 20}, {"green", -30}, {"blue", 5}}},
            {"Contrast", {{"amount", 0.4}}},
            {"Lightness", {{"amount", -0.3}}},
            {"Solarize", {{"amount", 0.5}}},
            {"Posterize", {{"amount", 0.2}}},
            {"Ripple", {{"mode", 1}, {"amplitude-x", 4}, {"period-x", 7}, {"period-y", 9}}},
            {"Waves", {{"amplitude", 5}, {"wavelength", 9}, {"reflective", 1}}},
            {"Emboss", {{"color", 1}, {"azimuth", 120}}},
            {"Plasma", {{"turbulence", 3}, {"scale", 6}}},
            {"SplitBlur", {{"radius-x", 3}, {"radius-y", 5}}},
            {"MotionBlur", {{"amount", 13}, {"angle", 0}}},
            {"MotionBlur", {{"amount", 9}, {"angle", 30}}},
            {"MotionBlur", {{"amount", 20}, {"angle", 100}}},
            {"Lens", {{"refraction", 2}}},
            {"FishEye", {{"amount", 2}}},
            {"WhirlPinch", {{"whirl", 90}, {"pinch", 0.3}}},
            {"Mirror", {{"horizontal", 1}, {"vertical", 1}}},
            {"Marble", {{"turbulence", 5}, {"scale", 2}}},
            {"Sobel", {{"magnifier", 1.5}}},
            {"Blur", {{"amount", 4}}},
            {"Rank", {{"method", 0}, {"amount", 9}}},
            {"Rank", {{"method", 1}, {"amount", 4}}},
            {"Rank", {{"method", 2}, {"amount", 2}}},
            {"HistogramShow", {{"channel", 2}}},
        };
        for (int method = 0; method <= 5; ++method)
            for (int color = 0; color <= 1; ++color)
                m.insert(
                    {"Noise",
                     {{"method", method}, {"variance", 0.4}, {"mean", 0.7}, {"color", color}}});
        return m;
    }();
    return s;
}

std::function<void(TGraphicFilter&)> Configure(const TFilterInfo& row, const TValues& values) {
    return [&row, values](TGraphicFilter& f) {
        for (const auto& [option, v] : values)
            row.FindParam(QString::fromLatin1(option))->SetValue(f, v);
        if (row.Name == u"Convolution")
            row.FindParam(QStringLiteral("kernel"))
                ->SetText(f, QStringLiteral("1 2 0 -1 1/3 -4 1 2 0/0 1 5 1 -2"));
    };
}

// The row's defaults, then each of its settings.
std::vector<TValues> Runs(const TFilterInfo& row) {
    std::vector<TValues> runs{{}};
    const auto [from, to] = Settings().equal_range(row.Name.toStdString());
    for (auto it = from; it != to; ++it) runs.push_back(it->second);
    return runs;
}

std::vector<TFilterSelection> Selections() {
    TPoints tri, two;
    for (const TPoint& p : {TPoint{3, 2}, TPoint{33, 9}, TPoint{9, 21}}) tri.Add(p);
    for (const TPoint& p : {TPoint{1, 1}, TPoint{14, 3}, TPoint{7, 12}, TPoint{18, 8},
                            TPoint{36, 10}, TPoint{30, 22}, TPoint{16, 20}})
        two.Add(p);
    TIntegerArray counts;
    counts.Add(3);
    counts.Add(4);
    return {TFilterSelection(), TFilterSelection::Rectangle(TRect{5, 3, 30, 19}),
            TFilterSelection::Polygon(tri), TFilterSelection::PolyPolygon(two, counts)};
}

// The row applied to a copy of src with the given band count; seed starts the generator.
TDibContainer Apply(const TFilterInfo& row, const TDibContainer& src, const TFilterSelection& sel,
                    const TValues& values, int32_t bands, uint32_t& seed) {
    TDibContainer image = src;
    SetRandomSeed(seed);
    ApplyFilterInfo(row, image, sel.Kind == TFilterSelection::fsNone ? nullptr : &sel,
                    Configure(row, values), bands);
    seed = RandomSeed();
    return image;
}

} // namespace

TEST(FilterBands, EveryFilterGivesTheSameBytesOnSeveralThreads) {
    for (const auto& [w, h] : {std::pair{37, 23}, std::pair{41, 30}}) {
        const TDibContainer src = NoiseImage(w, h, uint32_t(w * h));
        for (const TFilterInfo& row : FilterTable()) {
            for (const TValues& values : Runs(row))
                for (const TFilterSelection& sel : Selections()) {
                    SCOPED_TRACE(testing::Message()
                                 << row.Name.toStdString() << " " << w << "x" << h << " selection "
                                 << int(sel.Kind) << " settings " << values.size());
                    uint32_t oneSeed = 777;
                    const TDibContainer one = Apply(row, src, sel, values, 1, oneSeed);
                    for (int32_t bands : {2, 3, 7}) {
                        uint32_t seed = 777;
                        const TDibContainer got = Apply(row, src, sel, values, bands, seed);
                        EXPECT_TRUE(got.SameImage(one)) << bands << " bands";
                        EXPECT_EQ(seed, oneSeed) << bands << " bands";
                    }
                }
        }
    }
}

TEST(FilterBands, OnlyOrderDependentWorkStaysOnOneThread) {
    const TDibContainer src = NoiseImage(8, 8, 3);
    for (const TFilterInfo& row : FilterTable()) {
        auto f = row.Create(TRect{0, 0, 7, 7}, src);
        if (row.Name == u"Mirror") row.FindParam(QStringLiteral("horizontal"))->SetValue(*f, 1);
        f->SetPass(1);
        // The histogram counts into one table; its mapping pass runs in bands.
        const bool counting = row.FilterClassName == u"THistogram";
        EXPECT_NE(bool(f->BandSpanProc(TFilterBand{})), counting) << row.Name.toStdString();
        if (counting) {
            f->SetPass(2);
            EXPECT_TRUE(bool(f->BandSpanProc(TFilterBand{})));
        }
    }
    // Impulse noise draws a varying number of values per pixel.
    const TFilterInfo& noise = *FindFilter(QStringLiteral("Noise"));
    auto f = noise.Create(TRect{0, 0, 7, 7}, src);
    noise.FindParam(QStringLiteral("method"))->SetValue(*f, 3);
    EXPECT_FALSE(bool(f->BandSpanProc(TFilterBand{})));
}

TEST(FilterBands, GeneratorSkipsAheadAsIfDrawing) {
    for (uint64_t n : {0ull, 1ull, 2ull, 3ull, 1000ull, 65537ull}) {
        SetRandomSeed(0x9E3779B9u);
        for (uint64_t i = 0; i < n; ++i) Random(10);
        EXPECT_EQ(RandomSkip(0x9E3779B9u, n), RandomSeed()) << n;
    }
    TRandomStream s{5};
    SetRandomSeed(5);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(s.Next(1000), Random(1000));
}

TEST(FilterBands, BandsShareOutThePixelsNotTheRows) {
    // A triangle has few pixels near its apex: equal rows would give the last band most.
    TPoints tri;
    for (const TPoint& p : {TPoint{20, 0}, TPoint{39, 99}, TPoint{0, 99}}) tri.Add(p);
    const TFilterSelection sel = TFilterSelection::Polygon(tri);
    const TDibContainer src = NoiseImage(40, 100, 5);
    std::vector<TFilterBand> seen;
    struct TRecorder : TGraphicFilter {
        TRecorder(const TRect& r, const TDibContainer& s) : TGraphicFilter(r, s) {
            InstallSpanProc(&TRecorder::Span);
            SpansIndependent = true;
        }
        void Span(TDibContainer& t, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
            MapSpan(t, Y, X1, X2, [](TDibColor s, TDibColor& d) { d = s; });
        }
        TDibSpanProc BandSpanProc(const TFilterBand& b) override {
            Seen->push_back(b);
            return TGraphicFilter::BandSpanProc(b);
        }
        std::vector<TFilterBand>* Seen = nullptr;
    };
    const TFilterSetup setup = SetupFilterRegion(40, 100, &sel);
    TRecorder f(setup.Region, src);
    f.Seen = &seen;
    TDibContainer preview(setup.PreviewWidth(), setup.PreviewHeight());
    ASSERT_TRUE(RunFilterPreview(f, setup, preview, 2));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].FirstRow, 0);
    EXPECT_EQ(seen[1].FirstRow, seen[0].LastRow + 1);
    EXPECT_EQ(seen[1].LastRow, preview.Height() - 1);
    EXPECT_GT(seen[0].LastRow, 60);
    const int64_t half = seen[1].PixelsBefore * 2;
    EXPECT_NEAR(double(half), double(seen[0].PixelsTotal), 0.1 * double(seen[0].PixelsTotal));
}

TEST(FilterBands, ARunCanBeAbandonedFromTheProgressReport) {
    const TDibContainer src = NoiseImage(64, 200, 8);
    for (int32_t bands : {1, 2}) {
        SCOPED_TRACE(bands);
        const TFilterSetup setup = SetupFilterRegion(64, 200, nullptr);
        TContrastFilter f(setup.Region, src);
        f.SetAmount(0.5);
        uint32_t tick = 0;
        f.TickSource = [&tick] { return tick += 1000; };
        int32_t reports = 0;
        f.OnProgress = [&](int32_t, int32_t, int32_t) {
            if (++reports == 3) f.Cancel();
        };
        TDibContainer preview(64, 200);
        EXPECT_FALSE(RunFilterPreview(f, setup, preview, bands));
        EXPECT_TRUE(f.Cancelled());
        // Bands stop at their next span: well before the rows run out.
        EXPECT_LT(reports, 100);
        f.ResetCancel();
        reports = -1000;
        EXPECT_TRUE(RunFilterPreview(f, setup, preview, bands));
        const TDibContainer whole =
            RunWhole<TContrastFilter>(src, [](TContrastFilter& c) { c.SetAmount(0.5); });
        EXPECT_TRUE(preview.SameImage(whole));
    }
    // Through the whole protocol an abandoned run leaves the image as it was.
    TDibContainer image = src;
    TGraphicFilter* made = nullptr;
    EXPECT_FALSE(ApplyFilterThroughPreview(
        NewFilter<TContrastFilter>, image, nullptr,
        [&](TGraphicFilter& f) {
            made = &f;
            f.TickSource = [] {
                static uint32_t t = 0;
                return t += 1000;
            };
        },
        [&](int32_t, int32_t, int32_t) { made->Cancel(); }, 2));
    EXPECT_TRUE(image.SameImage(src));
}

TEST(FilterBands, WideMediansGoStripByStrip) {
    // Wider than a strip of columns, with spans that start and end inside strips.
    const TDibContainer src = NoiseImage(1000, 13, 21);
    TPoints quad;
    for (const TPoint& p : {TPoint{5, 0}, TPoint{990, 2}, TPoint{700, 12}, TPoint{100, 11}})
        quad.Add(p);
    const TFilterInfo& rank = *FindFilter(QStringLiteral("Rank"));
    for (const TFilterSelection& sel : {TFilterSelection(), TFilterSelection::Polygon(quad),
                                        TFilterSelection::Rectangle(TRect{383, 1, 770, 11})})
        for (double amount : {3.0, 21.0}) {
            SCOPED_TRACE(testing::Message() << int(sel.Kind) << " " << amount);
            const TValues values{{"method", 0}, {"amount", amount}};
            uint32_t seed = 0;
            const TDibContainer one = Apply(rank, src, sel, values, 1, seed);
            EXPECT_TRUE(Apply(rank, src, sel, values, 2, seed).SameImage(one));
            EXPECT_FALSE(one.SameImage(src));
        }
}

TEST(FilterBands, RowsFilteredAloneMatchTheWholePreview) {
    const TDibContainer src = NoiseImage(41, 30, 99);
    const TDibColor unset{1, 2, 3};
    int32_t checked = 0;
    for (const TFilterInfo& row : FilterTable()) {
        for (const TValues& values : Runs(row))
            for (const TFilterSelection& sel : Selections()) {
                if (sel.Kind == TFilterSelection::fsPolygon) continue;
                SCOPED_TRACE(testing::Message() << row.Name.toStdString() << " selection "
                                                << int(sel.Kind) << " settings " << values.size());
                const TFilterSetup setup =
                    SetupFilterRegion(src.Width(), src.Height(),
                                      sel.Kind == TFilterSelection::fsNone ? nullptr : &sel);
                auto whole = row.Create(setup.Region, src);
                Configure(row, values)(*whole);
                if (!whole->FiltersRowsAlone()) continue;
                TDibContainer expected;
                ASSERT_TRUE(RunFilterPreview(*whole, setup, expected, 1));
                // Scattered rows, out of order and repeated, as a zoomed-out view asks for.
                const std::vector<int32_t> rows{17, 0, 3, 4, 9, 3, setup.PreviewHeight() - 1};
                for (int32_t bands : {1, 3}) {
                    auto part = row.Create(setup.Region, src);
                    Configure(row, values)(*part);
                    TDibContainer got(setup.PreviewWidth(), setup.PreviewHeight());
                    got.Clear(unset);
                    ASSERT_TRUE(RunFilterPreviewRows(*part, setup, got, rows, 2, 19, bands));
                    for (int32_t y = 0; y < got.Height(); ++y) {
                        const bool listed = std::find(rows.begin(), rows.end(), y) != rows.end();
                        for (int32_t x = 0; x < got.Width(); ++x) {
                            const bool wanted = listed && x >= 2 && x <= 19;
                            ASSERT_EQ(got.GetPixel(x, y), wanted ? expected.GetPixel(x, y) : unset)
                                << x << "," << y << " bands " << bands;
                        }
                    }
                }
                ++checked;
            }
    }
    // The point-wise filters, the blurs, the convolutions and the distortions take part.
    EXPECT_GE(checked, 40);
}
