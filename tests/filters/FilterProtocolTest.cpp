// The filter base and the protocols that run filters: preview over a selection outline,
// direct application, region set-up, passes and the progress throttle.
#include "filters/GraphicFilter.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFilters.h"
#include "raster/DibGeometry.h"

#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

using namespace kolvar;
using namespace kolvar::test;

namespace {

// Adds 1 to the blue channel in each of its passes; counts PrepareTarget calls.
class TTwoPassFilter final : public TGraphicFilter {
public:
    TTwoPassFilter(const TRect& Region, const TDibContainer& Source)
        : TGraphicFilter(Region, Source) {
        PassCount = 2;
        Prepare();
    }
    void Prepare() override { InstallSpanProc(&TTwoPassFilter::Span); }
    void PrepareTarget(TDibContainer& Target) override {
        ++Prepared;
        TGraphicFilter::PrepareTarget(Target);
    }
    int Prepared = 0;

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
        for (int32_t x = X1; x <= X2; ++x) ++Target.PixelPtr(x, Y)->Blue;
        Progress(Y);
    }
};

TPoints MakePoints(std::initializer_list<TPoint> pts) {
    TPoints p;
    for (const TPoint& q : pts) p.Add(q);
    return p;
}

// Which pixels of a W x H image the span procedure reaches for this outline.
std::vector<bool> Mask(int32_t W, int32_t H, const TFilterSelection& s) {
    TDibContainer m(W, H);
    const TDibSpanProc mark = [](TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                 const TRect&) {
        for (int32_t x = x1; x <= x2; ++x) d.SetPixel(x, y, 0xFFFFFF);
    };
    if (s.Counts.Count() >= 2)
        m.FillPolyPolygon(s.Points, s.Counts, mark);
    else
        m.FillPolygon(s.Points, mark);
    std::vector<bool> out(size_t(W * H));
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) out[size_t(y * W + x)] = m.GetPixel(x, y).Red != 0;
    return out;
}

TDibColor Negated(TDibColor c) {
    return TDibColor{uint8_t(255 - c.Blue), uint8_t(255 - c.Green), uint8_t(255 - c.Red)};
}

// Distance from (x, y) to the closed outline.
double OutlineDistance(double x, double y, const TPoints& p) {
    double best = 1e9;
    for (int32_t i = 0; i < p.Count(); ++i) {
        const TPoint a = p.Get(i), b = p.Get((i + 1) % p.Count());
        const double dx = b.X - a.X, dy = b.Y - a.Y;
        const double t =
            std::clamp(((x - a.X) * dx + (y - a.Y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        best = std::min(best, std::hypot(x - a.X - t * dx, y - a.Y - t * dy));
    }
    return best;
}

} // namespace

TEST(FilterProtocol, PreviewWithAPolygonLeavesEveryPixelOutsideUnchanged) {
    const TDibContainer original = NoiseImage(60, 40, 11);
    // A triangle reaching past the left and bottom edges: the region is clipped, the outline
    // keeps its points.
    const TPoints tri = MakePoints({{-10, 5}, {45, 12}, {20, 55}});
    const TFilterSelection sel = TFilterSelection::Polygon(tri);
    const TFilterSetup setup = SetupFilterRegion(60, 40, &sel);
    EXPECT_EQ(setup.Region, (TRect{0, 5, 45, 39}));
    EXPECT_EQ(setup.Outline.Points.Get(0), (TPoint{-10, 0}));
    EXPECT_EQ(setup.Outline.Points.Get(2), (TPoint{20, 50}));

    TDibContainer image = original;
    ApplyFilterThroughPreview(NewFilter<TNegativeFilter>, image, &sel);

    // Exactly the spans of the translated outline changed, at their own image positions.
    const std::vector<bool> inRegion =
        Mask(setup.PreviewWidth(), setup.PreviewHeight(), setup.Outline);
    int changed = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 60; ++x) {
            const int32_t rx = x - setup.Region.Left, ry = y - setup.Region.Top;
            const bool inside = rx >= 0 && ry >= 0 && rx < setup.PreviewWidth() &&
                                ry < setup.PreviewHeight() &&
                                inRegion[size_t(ry * setup.PreviewWidth() + rx)];
            const TDibColor o = original.GetPixel(x, y);
            ASSERT_EQ(image.GetPixel(x, y), inside ? Negated(o) : o) << x << "," << y;
            changed += inside;
            // And geometrically: well outside is untouched, well inside is filtered.
            if (OutlineDistance(x, y, tri) > 1.5) {
                const bool geometric = PointInPolygon(x, y, tri.Data(), tri.Count());
                ASSERT_EQ(inside, geometric) << x << "," << y;
            }
        }
    EXPECT_GT(changed, 500);
}

// Every setting a row's choices and flags allow, one parameter at a time, with the numbers a
// third of the way up their range so that the filters visibly move or recolour pixels.
std::vector<std::function<void(TGraphicFilter&)>> SettingsOf(const TFilterInfo& row) {
    const auto numbers = [&row](TGraphicFilter& f) {
        for (const TFilterParam& p : row.Params) {
            if (p.Kind != TFilterParamKind::fpNumber) continue;
            double v = p.ValueMin + (p.ValueMax - p.ValueMin) / 3;
            if (p.Integer) v = std::floor(v);
            p.SetValue(f, v);
        }
    };
    std::vector<std::function<void(TGraphicFilter&)>> settings{{}, numbers};
    for (const TFilterParam& p : row.Params) {
        const int count = p.Kind == TFilterParamKind::fpChoice ? int(p.Choices.size())
                          : p.Kind == TFilterParamKind::fpFlag ? 2
                                                               : 0;
        for (int i = 0; i < count; ++i)
            settings.push_back([&p, numbers, i](TGraphicFilter& f) {
                numbers(f);
                p.SetValue(f, i);
            });
    }
    return settings;
}

TEST(FilterProtocol, EveryFilterAndModeLeavesPixelsOutsideThePolygonUnchanged) {
    // Ripple in its colour mode once blackened the selection's bounding box outside the outline.
    const TDibContainer original = NoiseImage(97, 61, 5);
    const TFilterSelection sel =
        TFilterSelection::Polygon(MakePoints({{20, 5}, {80, 30}, {35, 55}}));
    // The outline as the direct commands fill it over the image, and as the preview fills it,
    // translated into the selection's bounding box (a few edge pixels differ between the two).
    const std::vector<bool> onImage = Mask(97, 61, sel);
    const TFilterSetup setup = SetupFilterRegion(97, 61, &sel);
    const std::vector<bool> inRegion =
        Mask(setup.PreviewWidth(), setup.PreviewHeight(), setup.Outline);
    const auto inside = [&](const TFilterInfo& row, int32_t x, int32_t y) {
        if (row.Direct()) return bool(onImage[size_t(y * 97 + x)]);
        const int32_t rx = x - setup.Region.Left, ry = y - setup.Region.Top;
        return rx >= 0 && ry >= 0 && rx < setup.PreviewWidth() && ry < setup.PreviewHeight() &&
               inRegion[size_t(ry * setup.PreviewWidth() + rx)];
    };
    for (const TFilterInfo& row : FilterTable()) {
        if (row.WholeImage) continue; // Equalize disregards the selection by design
        const auto settings = SettingsOf(row);
        for (size_t k = 0; k < settings.size(); ++k) {
            SCOPED_TRACE(row.Name.toStdString() + " setting " + std::to_string(k));
            TDibContainer image = original;
            ApplyFilterInfo(row, image, &sel, settings[k]);
            int outsideChanged = 0;
            for (int32_t y = 0; y < 61; ++y)
                for (int32_t x = 0; x < 97; ++x)
                    if (!inside(row, x, y) && image.GetPixel(x, y) != original.GetPixel(x, y))
                        ++outsideChanged;
            EXPECT_EQ(outsideChanged, 0);
        }
    }
}

TEST(FilterProtocol, DirectGrayscaleAndNegativeChangeOnlyTheSelection) {
    const TDibContainer original = NoiseImage(50, 30, 3);
    TPoints pts = MakePoints({{2, 2}, {20, 2}, {20, 20}, {2, 20}, {30, 5}, {48, 5}, {40, 28}});
    TIntegerArray counts;
    counts.Add(4);
    counts.Add(3);
    const TFilterSelection polys = TFilterSelection::PolyPolygon(pts, counts);
    const TFilterSelection rect = TFilterSelection::Rectangle(TRect{45, 25, 5, 10});
    for (const TFilterSelection* sel : {&polys, &rect}) {
        for (bool gray : {false, true}) {
            TDibContainer image = original;
            ApplyFilterDirect(gray ? NewFilter<TGrayScaleFilter> : NewFilter<TNegativeFilter>,
                              image, sel);
            const std::vector<bool> mask = sel == &rect ? std::vector<bool>() : Mask(50, 30, *sel);
            int changed = 0;
            for (int32_t y = 0; y < 30; ++y)
                for (int32_t x = 0; x < 50; ++x) {
                    const bool inside = sel == &rect ? x >= 5 && x <= 45 && y >= 10 && y <= 25
                                                     : mask[size_t(y * 50 + x)];
                    const TDibColor o = original.GetPixel(x, y);
                    TDibColor want = o;
                    if (inside && gray) {
                        const uint8_t l =
                            FilterPixel<TGrayScaleFilter>(o.Red, o.Green, o.Blue, [](auto&) {}).Red;
                        want = TDibColor{l, l, l};
                    } else if (inside) {
                        want = Negated(o);
                    }
                    ASSERT_EQ(image.GetPixel(x, y), want) << x << "," << y;
                    changed += inside;
                }
            EXPECT_GT(changed, 300);
        }
    }
    // The whole-image flag (Equalize's rule) ignores the selection.
    TDibContainer image = original;
    ApplyFilterDirect(NewFilter<TNegativeFilter>, image, &rect, true);
    EXPECT_EQ(image.GetPixel(0, 0), Negated(original.GetPixel(0, 0)));
    EXPECT_EQ(image.GetPixel(49, 29), Negated(original.GetPixel(49, 29)));
}

TEST(FilterProtocol, RegionsAreClippedAndEmptyOnesDoNothing) {
    const TDibContainer original = NoiseImage(20, 10, 8);
    TDibContainer image = original;
    const TFilterSelection outside =
        TFilterSelection::Polygon(MakePoints({{30, 20}, {40, 20}, {40, 30}}));
    const TFilterSetup setup = SetupFilterRegion(20, 10, &outside);
    EXPECT_LT(setup.Region.Right, setup.Region.Left);
    EXPECT_EQ(setup.PreviewWidth(), 0);
    ApplyFilterThroughPreview(NewFilter<TNegativeFilter>, image, &outside);
    ApplyFilterDirect(NewFilter<TNegativeFilter>, image, &outside);
    EXPECT_TRUE(image.SameImage(original));

    // A filter made on a region past the image reads only what is there.
    TNegativeFilter f(TRect{-5, -5, 100, 100}, original);
    EXPECT_EQ(f.Bounds, (TRect{0, 0, 19, 9}));
    TDibContainer big(40, 40);
    big.FillRect(0, 0, 39, 39, f.SpanProc);
    EXPECT_EQ(big.GetPixel(19, 9), Negated(original.GetPixel(19, 9)));
    EXPECT_EQ(big.GetPixel(20, 9), TDibColor{});
    EXPECT_EQ(big.GetPixel(0, 10), TDibColor{});

    // PrepareTarget sizes the target to the region and copies it.
    TNegativeFilter part(TRect{3, 2, 7, 4}, original);
    TDibContainer target(1, 1);
    part.PrepareTarget(target);
    ASSERT_EQ(target.Width(), 5);
    ASSERT_EQ(target.Height(), 3);
    EXPECT_EQ(target.GetPixel(0, 0), original.GetPixel(3, 2));
    EXPECT_EQ(target.GetPixel(4, 2), original.GetPixel(7, 4));

    EXPECT_DOUBLE_EQ(TNegativeFilter(TRect{0, 4, 19, 4}, original).ProgressFactor, 100);
    EXPECT_DOUBLE_EQ(TNegativeFilter(TRect{0, 4, 19, 3}, original).ProgressFactor, 100);
    EXPECT_DOUBLE_EQ(TNegativeFilter(TRect{0, 0, 19, 9}, original).ProgressFactor, 10);
}

TEST(FilterProtocol, EveryPassRunsAndPrepareTargetOnlyOnTheFirst) {
    TDibContainer image(8, 8);
    image.Clear(TDibColor{10, 0, 0});
    const TFilterSelection rect = TFilterSelection::Rectangle(TRect{2, 2, 5, 5});
    const TFilterSetup setup = SetupFilterRegion(8, 8, &rect);
    TTwoPassFilter f(setup.Region, image);
    std::vector<std::pair<int, int>> reports;
    f.OnProgress = [&](int32_t percent, int32_t pass, int32_t) {
        if (percent == 100) reports.emplace_back(percent, pass);
    };
    TDibContainer preview;
    RunFilterPreview(f, setup, preview);
    EXPECT_EQ(f.Prepared, 1);
    EXPECT_EQ(preview.GetPixel(0, 0).Blue, 12);
    EXPECT_EQ((reports), (std::vector<std::pair<int, int>>{{100, 1}, {100, 2}}));
}

TEST(FilterProtocol, ProgressIsThrottledTo300MillisecondsAndEndsAt100) {
    TDibContainer image(4, 20);
    const TFilterSetup setup = SetupFilterRegion(4, 20, nullptr);
    TNegativeFilter f(setup.Region, image);
    uint32_t now = 1000;
    f.TickSource = [&] {
        const uint32_t t = now;
        now += 100;
        return t;
    };
    std::vector<std::pair<int32_t, uint32_t>> reports;
    f.OnProgress = [&](int32_t percent, int32_t, int32_t) {
        reports.emplace_back(percent, now - 100);
    };
    TDibContainer preview;
    RunFilterPreview(f, setup, preview);
    // One run per row, 100 ms apart: a report every fourth row, then the closing 100.
    std::vector<int32_t> percents;
    for (const auto& r : reports) percents.push_back(r.first);
    EXPECT_EQ(percents, (std::vector<int32_t>{0, 20, 40, 60, 80, 100}));
    for (size_t i = 1; i + 1 < reports.size(); ++i)
        EXPECT_GT(reports[i].second - reports[i - 1].second, 300u);

    // Exactly 300 ms is still too soon; the difference is taken modulo 2^32.
    reports.clear();
    f.LastProgressTick = 0xFFFFFF00u;
    f.TickSource = [] { return uint32_t(0x2C); }; // 300 ms later, across the wrap
    f.Progress(10);
    EXPECT_TRUE(reports.empty());
    f.TickSource = [] { return uint32_t(0x2D); };
    f.Progress(10);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, 50);
    EXPECT_EQ(f.LastProgressTick, 0x2Du);
}
