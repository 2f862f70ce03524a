#include "raster/DibGraphics.h"
#include "raster/DibMath.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

using namespace kolvar;

namespace {

uint32_t Px(const TDibContainer& d, int32_t x, int32_t y) {
    return DibColorToInt(d.GetPixel(x, y));
}

// Nine stops alternating black and white: 1024 entries, neighbours always differ.
void ZigZag(TDibGradient& g) {
    uint32_t stops[9];
    for (int i = 0; i < 9; ++i) stops[i] = i % 2 ? 0xFFFFFFu : 0;
    g.SetColors(stops, 9);
}

TDibColor Entry(const TDibBrush& b, double f) {
    const TDibColorArray& t = b.Gradient().Table();
    return t.Get(ClampRound(f, 0, t.Count() - 1));
}

// Paints the rectangle through the brush and compares every pixel of the image with the
// expected colour of (x, y), where the rectangle covers it, or with the background.
void ExpectFill(TDibContainer& img, const TDibBrush& brush, const TRect& r,
                const std::function<TDibColor(int32_t, int32_t)>& expected) {
    img.Clear(0x123456u);
    img.FillRect(r.Left, r.Top, r.Right, r.Bottom, brush.SpanProc());
    int failures = 0;
    for (int32_t y = 0; y < img.Height(); ++y)
        for (int32_t x = 0; x < img.Width(); ++x) {
            const bool inside = x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
            const TDibColor want = inside ? expected(x, y) : IntToDibColor(0x123456u);
            if (!(img.GetPixel(x, y) == want) && ++failures <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << Px(img, x, y)
                              << ", expected " << DibColorToInt(want);
        }
}

void SetPattern(TDibBrush& b, const TDibContainer& p) {
    QImage q = p.ToImage();
    b.SetPatternBitmap(&q);
}

TDibContainer Numbered(int32_t w, int32_t h) {
    TDibContainer p(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) p.SetPixel(x, y, uint32_t(0x101000 + y * 0x40 + x));
    return p;
}

} // namespace

TEST(DibBrush, DefaultsAndSelection) {
    TDibBrush b;
    EXPECT_EQ(b.Alpha(), 255u);
    EXPECT_EQ(b.Angle(), 0);
    EXPECT_EQ(b.Color(), clDibWhite);
    EXPECT_EQ(b.BackColor(), clDibBlack);
    EXPECT_EQ(b.Style(), dbSolid);
    EXPECT_EQ(b.PatternStyle(), dpBrush);
    EXPECT_EQ(b.SpanKind(), TDibSpanKind::Solid);

    using K = TDibSpanKind;
    struct Case {
        TDibBrushStyle style;
        uint32_t alpha;
        double angle;
        K kind;
    };
    const Case cases[] = {
        {dbClear, 255, 0, K::None},
        {dbSolid, 0, 0, K::None},
        {dbSolid, 1, 0, K::SolidBlend},
        {dbSolid, 254, 0, K::SolidBlend},
        {dbSolid, 300, 0, K::Solid},
        {dbPattern, 0, 0, K::PatternKeyed},
        {dbPattern, 7, 0, K::PatternBlend},
        {dbPattern, 255, 0, K::PatternOpaque},
        {dbPattern, 0, 3, K::TextureKeyed},
        {dbPattern, 7, -3, K::TextureBlend},
        {dbPattern, 255, 0.1, K::TextureOpaque},
    };
    for (const Case& c : cases) {
        b.SetStyle(c.style);
        b.SetAlpha(c.alpha);
        b.SetAngle(c.angle);
        EXPECT_EQ(b.SpanKind(), c.kind) << int(c.style) << " " << c.alpha << " " << c.angle;
        EXPECT_EQ(bool(b.SpanProc()), c.kind != K::None);
    }

    // Gradients: an empty table paints nothing; then by kind and rounded angle.
    b.SetAngle(0);
    b.SetStyle(dbGradient);
    EXPECT_EQ(b.SpanKind(), K::None);
    ZigZag(b.Gradient());
    const std::pair<double, K> angles[] = {
        {0, K::LinearVertical},   {0.5, K::LinearVertical},    {1.5, K::LinearA},
        {89.4, K::LinearA},       {89.5, K::LinearHorizontal}, {90.5, K::LinearHorizontal},
        {91, K::LinearB},         {179.5, K::LinearVertical},  {180, K::LinearVertical},
        {181, K::LinearC},        {269, K::LinearC},           {270, K::LinearHorizontal},
        {271, K::LinearD},        {359.4, K::LinearD},         {360, K::LinearVertical},
        {-45, K::LinearVertical}, {400, K::LinearVertical},    {1e300, K::LinearVertical},
    };
    for (auto [angle, kind] : angles) {
        b.SetAngle(angle);
        EXPECT_EQ(b.SpanKind(), kind) << angle;
    }
    b.SetAngle(45);
    const std::pair<uint8_t, K> kinds[] = {{1, K::Rectangle},      {2, K::LinearVertical},
                                           {3, K::LinearVertical}, {4, K::LinearVertical},
                                           {5, K::Conic},          {6, K::None}};
    for (auto [kind, span] : kinds) {
        b.Gradient().SetKind(kind);
        EXPECT_EQ(b.SpanKind(), span) << int(kind);
    }
}

TEST(DibBrush, SettersNotifyOnlyOnChange) {
    TDibBrush b;
    int changes = 0;
    b.OnChange = [&](TDibObject&) { ++changes; };
    b.SetColor(clDibWhite);
    b.SetColor(0xFFFFFFu);
    b.SetAlpha(255);
    b.SetAngle(0);
    b.SetStyle(dbSolid);
    b.SetBackColor(0);
    b.SetPatternStyle(dpBrush);
    EXPECT_EQ(changes, 0);
    b.SetColor(0xFF000000u | 0xFFFFFFu);
    EXPECT_EQ(changes, 0) << "bits 24-31 are ignored";
    b.SetColor(0x010203u);
    b.SetAlpha(10);
    b.SetAngle(12.5);
    b.SetStyle(dbPattern);
    b.SetBackColor(0x0A0B0Cu);
    b.SetPatternStyle(dpTexture);
    EXPECT_EQ(changes, 6);
    EXPECT_EQ(b.PatternStyle(), dpTexture);
    EXPECT_EQ(b.SpanKind(), TDibSpanKind::TextureBlend) << "the pattern style does not paint";

    // The owned gradient and pattern switch the style when they change.
    ZigZag(b.Gradient());
    EXPECT_EQ(changes, 7);
    EXPECT_EQ(b.Style(), dbGradient);
    TDibContainer p = Numbered(2, 2);
    QImage q = p.ToImage();
    b.Pattern().SetBitmap(&q);
    EXPECT_EQ(changes, 8);
    EXPECT_EQ(b.Style(), dbPattern);
    // The texture dialog's route: one notification, style by bitmap.
    b.SetPatternBitmap(nullptr);
    EXPECT_EQ(changes, 9);
    EXPECT_EQ(b.Style(), dbClear);
    b.SetPatternBitmap(&q);
    EXPECT_EQ(changes, 10);
    EXPECT_EQ(b.Style(), dbPattern);
}

TEST(DibBrush, SolidAndBlend) {
    TDibContainer img(6, 4);
    TDibBrush b;
    b.SetColor(0x80FF20u);
    ExpectFill(img, b, {1, 1, 4, 2}, [](int32_t, int32_t) { return IntToDibColor(0x80FF20u); });

    // White at 128 over black: (0 x 127 + 255 x 128) >> 8 = 127.
    b.SetColor(clDibWhite);
    b.SetAlpha(128);
    img.Clear(0);
    img.FillRect(0, 0, 5, 3, b.SpanProc());
    EXPECT_EQ(Px(img, 3, 2), 0x7F7F7Fu);
    // Over other bytes each channel blends on its own: d x 127 + s x 128.
    b.SetColor(0x0000FFu);
    img.Clear(0x6496C8u);
    img.FillRect(0, 0, 5, 3, b.SpanProc());
    EXPECT_EQ(Px(img, 0, 0), uint32_t(((100 * 127) >> 8) << 16 | ((150 * 127) >> 8) << 8 |
                                      ((200 * 127 + 255 * 128) >> 8)));

    b.SetAlpha(0);
    img.Clear(0x445566u);
    img.FillRect(0, 0, 5, 3, b.SpanProc());
    EXPECT_EQ(Px(img, 2, 2), 0x445566u);
    EXPECT_FALSE(b.SpanProc());
}

TEST(DibBrush, PatternsTileFromTheImageOrigin) {
    TDibContainer img(23, 9);
    TDibBrush b;
    const TDibContainer p = Numbered(5, 3);
    SetPattern(b, p);
    EXPECT_EQ(b.SpanKind(), TDibSpanKind::PatternOpaque);
    const auto tile = [&p](int32_t x, int32_t y) { return p.GetPixel(x % 5, y % 3); };
    // Runs that start inside a tile, span several tiles and end inside one.
    ExpectFill(img, b, {2, 1, 21, 7}, tile);
    ExpectFill(img, b, {7, 0, 8, 8}, tile);
    // Two adjacent shapes continue the tiling seamlessly.
    img.Clear(0);
    img.FillRect(0, 0, 10, 8, b.SpanProc());
    img.FillRect(11, 0, 22, 8, b.SpanProc());
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 23; ++x) ASSERT_EQ(img.GetPixel(x, y), tile(x, y));

    // Keyed: pattern pixels of the brush colour are not written.
    b.SetColor(p.GetPixel(1, 1));
    b.SetAlpha(0);
    EXPECT_EQ(b.SpanKind(), TDibSpanKind::PatternKeyed);
    ExpectFill(img, b, {0, 0, 22, 8}, [&](int32_t x, int32_t y) {
        return x % 5 == 1 && y % 3 == 1 ? IntToDibColor(0x123456u) : tile(x, y);
    });
    // Blend: each byte d x (255 - a) + s x a.
    b.SetAlpha(100);
    ExpectFill(img, b, {3, 2, 9, 6}, [&](int32_t x, int32_t y) {
        const TDibColor s = tile(x, y), d{0x56, 0x34, 0x12};
        return TDibColor{uint8_t((d.Blue * 155 + s.Blue * 100) >> 8),
                         uint8_t((d.Green * 155 + s.Green * 100) >> 8),
                         uint8_t((d.Red * 155 + s.Red * 100) >> 8)};
    });
}

namespace {

// The rotated texture's walk for one span, written out plainly.
std::vector<TDibColor> TextureSpan(const TDibContainer& tex, double angle, int32_t y, int32_t x1,
                                   int32_t x2, const TRect& b) {
    const double a = angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const int32_t n = x2 - x1 + 1;
    const int32_t ua = int32_t((x1 - b.Left) * c - (y - b.Top) * s);
    const int32_t va = int32_t((x1 - b.Left) * s + (y - b.Top) * c);
    const int32_t ub = int32_t((x2 - b.Left) * c - (y - b.Top) * s);
    const int32_t vb = int32_t((x2 - b.Left) * s + (y - b.Top) * c);
    int32_t u = ua * 256, v = va * 256;
    const int32_t du = int32_t(std::nearbyint((ub - ua) * 256.0 / n));
    const int32_t dv = int32_t(std::nearbyint((vb - va) * 256.0 / n));
    const int32_t mu = (tex.Width() - 1) * 256, mv = (tex.Height() - 1) * 256;
    const auto wrap = [](int32_t& w, int32_t range) {
        if (range == 0) return void(w = 0);
        while (w > range) w -= range;
        while (w < 0) w += range;
    };
    wrap(u, mu);
    wrap(v, mv);
    std::vector<TDibColor> out;
    for (int32_t i = 0; i < n; ++i) {
        out.push_back(tex.GetPixel(u >> 8, v >> 8));
        u += du;
        v += dv;
        wrap(u, mu);
        wrap(v, mv);
    }
    return out;
}

} // namespace

TEST(DibBrush, RotatedTexturesAnchorAtTheShape) {
    TDibContainer img(40, 30);
    TDibBrush b;
    const TDibContainer p = Numbered(7, 5);
    SetPattern(b, p);
    for (double angle : {30.0, 90.0, 135.0, 200.0, -60.0, 359.0}) {
        b.SetAngle(angle);
        const TRect r{3, 2, 35, 27};
        ExpectFill(img, b, r, [&](int32_t x, int32_t y) {
            return TextureSpan(p, angle, y, r.Left, r.Right, r)[size_t(x - r.Left)];
        });
    }
    // The same shape elsewhere looks the same relative to its corner.
    b.SetAngle(33);
    TDibContainer a(40, 30), c(40, 30);
    a.FillRect(1, 1, 15, 12, b.SpanProc());
    c.FillRect(20, 14, 34, 25, b.SpanProc());
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 15; ++x)
            ASSERT_EQ(a.GetPixel(1 + x, 1 + y), c.GetPixel(20 + x, 14 + y));

    // Keyed against the back colour, blended by alpha.
    b.SetAngle(30);
    b.SetBackColor(p.GetPixel(0, 0));
    b.SetAlpha(0);
    const TRect r{0, 0, 39, 29};
    ExpectFill(img, b, r, [&](int32_t x, int32_t y) {
        const TDibColor t = TextureSpan(p, 30, y, 0, 39, r)[size_t(x)];
        return t == p.GetPixel(0, 0) ? IntToDibColor(0x123456u) : t;
    });
    b.SetAlpha(77);
    ExpectFill(img, b, r, [&](int32_t x, int32_t y) {
        const TDibColor t = TextureSpan(p, 30, y, 0, 39, r)[size_t(x)];
        const TDibColor d{0x56, 0x34, 0x12};
        return TDibColor{uint8_t((d.Blue * 178 + t.Blue * 77) >> 8),
                         uint8_t((d.Green * 178 + t.Green * 77) >> 8),
                         uint8_t((d.Red * 178 + t.Red * 77) >> 8)};
    });

    // A texture one pixel wide (the default pattern is 1 x 1) stays on its only column.
    b.SetAlpha(255);
    const TDibContainer column = Numbered(1, 4);
    SetPattern(b, column);
    b.SetAngle(25);
    ExpectFill(img, b, {0, 0, 39, 29}, [&](int32_t x, int32_t y) {
        return TextureSpan(column, 25, y, 0, 39, r)[size_t(x)];
    });
    b.SetPattern(nullptr);
    b.SetStyle(dbPattern);
    ExpectFill(img, b, r, [](int32_t, int32_t) { return clDibBlack; });
}

TEST(DibBrush, LinearVerticalAndHorizontal) {
    TDibContainer img(12, 11);
    TDibBrush b;
    ZigZag(b.Gradient());
    const int32_t N = 1024;
    ASSERT_EQ(b.Gradient().Table().Count(), N);
    // 0 degrees: top row entry 0, bottom row ClampRound(N) = N - 1.
    const TRect r{1, 0, 10, 10};
    ExpectFill(img, b, r, [&](int32_t, int32_t y) { return Entry(b, y * (double(N) / 10)); });
    EXPECT_EQ(img.GetPixel(5, 0), b.Gradient().Table().Get(0));
    EXPECT_EQ(img.GetPixel(5, 10), b.Gradient().Table().Get(N - 1));
    b.SetAngle(180);
    ExpectFill(img, b, r, [&](int32_t, int32_t y) { return Entry(b, N - y * (double(N) / 10)); });
    EXPECT_EQ(img.GetPixel(5, 0), b.Gradient().Table().Get(N - 1));
    EXPECT_EQ(img.GetPixel(5, 10), b.Gradient().Table().Get(0));
    // One pixel high: the first entry (the last one reversed).
    ExpectFill(img, b, {0, 4, 11, 4}, [&](int32_t, int32_t) { return Entry(b, N); });
    b.SetAngle(0);
    ExpectFill(img, b, {0, 4, 11, 4}, [&](int32_t, int32_t) { return Entry(b, 0); });

    // 90 and 270 degrees: along x, in single precision.
    for (double angle : {90.0, 270.0}) {
        b.SetAngle(angle);
        const TRect h{2, 1, 9, 9};
        ExpectFill(img, b, h, [&](int32_t x, int32_t) {
            const float k = float(N) / 7;
            float p = 0;
            for (int32_t i = h.Left; i < x; ++i) p += k;
            return Entry(b, angle == 270 ? N - double(p) : p);
        });
        // One pixel wide.
        ExpectFill(img, b, {6, 0, 6, 10},
                   [&](int32_t, int32_t) { return Entry(b, angle == 270 ? N : 0); });
    }
    // A gradient with no colours paints nothing.
    b.Gradient().SetColors(nullptr, 0);
    EXPECT_EQ(b.Style(), dbGradient);
    ExpectFill(img, b, {-1, -1, 0, 0}, [](int32_t, int32_t) { return IntToDibColor(0x123456u); });
}

namespace {

// The slanted linear gradients, following their definition pixel by pixel.
TDibColor Slanted(const TDibBrush& b, const TRect& r, int32_t x, int32_t y, int32_t x1,
                  int32_t x2) {
    const int32_t N = b.Gradient().Table().Count();
    const double angle = b.Angle();
    const int32_t a = int32_t(std::nearbyint(angle));
    const bool bd = (a >= 91 && a <= 179) || (a >= 271 && a <= 359);
    const double rad = (bd ? -angle : angle) * M_PI / 180;
    const float c = float(std::cos(rad)), s = float(std::sin(rad));
    const float w = float(r.Right - r.Left + 1), h = float(r.Bottom - r.Top + 1);
    const float kx = float(N / (double(c) * w / s * (double(h) / w) + w));
    const float ky = float(N / (double(s) * h / c * (double(w) / h) + h));
    float v;
    int32_t steps;
    if (bd) {
        v = float((y - r.Top) * double(ky) + (r.Right - x2) * double(kx));
        steps = x2 - x;
    } else {
        v = float((y - r.Top) * double(ky) + (x1 - r.Left) * double(kx));
        steps = x - x1;
    }
    for (int32_t i = 0; i < steps; ++i) v += kx;
    const bool reversed = (a >= 181 && a <= 269) || (a >= 91 && a <= 179);
    return Entry(b, reversed ? N - double(v) : v);
}

} // namespace

TEST(DibBrush, LinearSlanted) {
    TDibContainer img(30, 22);
    TDibBrush b;
    ZigZag(b.Gradient());
    for (double angle :
         {1.0, 30.0, 60.5, 89.0, 91.0, 135.0, 179.0, 181.0, 240.0, 269.0, 271.0, 300.0, 359.0}) {
        b.SetAngle(angle);
        SCOPED_TRACE(angle);
        // Partly outside the image: the spans are clipped, the bounds are not.
        const TRect r{-4, 2, 33, 19};
        ExpectFill(img, b, r, [&](int32_t x, int32_t y) { return Slanted(b, r, x, y, 0, 29); });
    }
    // 45 degrees over a square: equal colours along each anti-diagonal.
    b.SetAngle(45);
    img.FillRect(0, 0, 19, 19, b.SpanProc());
    int differing = 0;
    for (int32_t sum = 0; sum <= 38; ++sum)
        for (int32_t x = std::max(0, sum - 19); x <= std::min(19, sum); ++x)
            differing += !(img.GetPixel(x, sum - x) ==
                           img.GetPixel(std::max(0, sum - 19), sum - std::max(0, sum - 19)));
    EXPECT_EQ(differing, 0);
}

TEST(DibBrush, RectangleGradient) {
    TDibContainer img(17, 14);
    TDibBrush b;
    ZigZag(b.Gradient());
    b.Gradient().SetKind(gkRectangle);
    for (TRect r : {TRect{1, 1, 15, 12}, TRect{0, 0, 16, 13}, TRect{-3, 2, 10, 20}}) {
        const int32_t N = 1024, w = r.Right - r.Left + 1, h = r.Bottom - r.Top + 1;
        const int32_t cx = r.Left + w / 2;
        const float kx = float(N / (w / 2.0)), ky = float(N / (h / 2.0));
        ExpectFill(img, b, r, [&](int32_t x, int32_t y) {
            const int32_t dv = y >= r.Top + h / 2 ? r.Bottom - y : y - r.Top;
            const float vy = float(dv * double(ky));
            const int32_t x1 = std::max(r.Left, 0);
            float vx;
            if (x < cx) {
                vx = float((x1 - r.Left) * double(kx));
                for (int32_t i = x1; i < x; ++i) vx += kx;
            } else {
                const int32_t start = std::max(x1, cx);
                vx = float((r.Right - start) * double(kx));
                for (int32_t i = start; i < x; ++i) vx -= kx;
            }
            return Entry(b, std::min(vy, vx));
        });
    }
    // The outermost ring of the bounds is entry 0.
    img.FillRect(1, 1, 15, 12, b.SpanProc());
    const TDibColor first = b.Gradient().Table().Get(0);
    for (int32_t x = 1; x <= 15; ++x) {
        EXPECT_EQ(img.GetPixel(x, 1), first);
        EXPECT_EQ(img.GetPixel(x, 12), first);
    }
    for (int32_t y = 1; y <= 12; ++y) {
        EXPECT_EQ(img.GetPixel(1, y), first);
        EXPECT_EQ(img.GetPixel(15, y), first);
    }
}

namespace {

// The conic sweep for one row, following its definition.
void ConicRow(const TDibBrush& b, std::vector<TDibColor>& row, int32_t y, int32_t x1, int32_t x2,
              const TRect& r) {
    const int32_t N = b.Gradient().Table().Count();
    const int32_t cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    const int32_t hw = (r.Right - r.Left) / 2, hh = (r.Bottom - r.Top) / 2;
    const bool lower = y > cy;
    const int32_t dy = lower ? hh - (r.Bottom - y) : hh - (y - r.Top);
    const double l = std::max(hw, hh), rr = std::sqrt(2 * std::pow(l, 4));
    std::map<int32_t, int32_t> off{{-1, hw}, {127, 0}};
    for (int32_t k = 0; k <= 126; ++k) {
        const double t = (k + 1) * M_PI / 256;
        const double ax = std::abs(std::nearbyint(rr * std::cos(t)));
        const double ay = std::abs(std::nearbyint(rr * std::sin(t)));
        off[k] = ay == 0 ? hw : int32_t(std::nearbyint(dy * ax / ay));
    }
    const auto run = [&](int32_t from, int32_t to, int32_t v) {
        for (int32_t x = std::max(x1, from); x <= std::min(x2, to); ++x)
            row[size_t(x)] = Entry(b, double(v) * N / 512);
    };
    for (int32_t k = 0; k <= 127; ++k) {
        run(cx + off[k], cx + off[k - 1], lower ? 513 - k : k);
        run(cx - off[126 - k], cx - off[127 - k], lower ? 385 - k : 128 + k);
    }
}

} // namespace

TEST(DibBrush, ConicGradient) {
    TDibContainer img(60, 50);
    TDibBrush b;
    ZigZag(b.Gradient());
    b.Gradient().SetKind(gkConic);
    for (TRect r : {TRect{5, 4, 54, 45}, TRect{0, 0, 59, 49}, TRect{-20, 10, 40, 70}}) {
        img.Clear(0x123456u);
        img.FillRect(r.Left, r.Top, r.Right, r.Bottom, b.SpanProc());
        for (int32_t y = std::max(r.Top, 0); y <= std::min(r.Bottom, 49); ++y) {
            std::vector<TDibColor> row(60, IntToDibColor(0x123456u));
            ConicRow(b, row, y, std::max(r.Left, 0), std::min(r.Right, 59), r);
            for (int32_t x = 0; x < 60; ++x)
                ASSERT_EQ(img.GetPixel(x, y), row[size_t(x)]) << x << "," << y;
        }
    }
    // Quarters: on the centre row to the right the sweep starts (entry 0), above the centre
    // it has gone a quarter turn, on the centre row to the left half a turn.
    img.FillRect(0, 0, 58, 48, b.SpanProc());
    const TDibColorArray& t = b.Gradient().Table();
    EXPECT_EQ(img.GetPixel(56, 24), t.Get(0));
    EXPECT_EQ(img.GetPixel(29, 2), t.Get(ClampRound(127.0 * 1024 / 512, 0, 1023)));
    EXPECT_EQ(img.GetPixel(2, 24), t.Get(ClampRound(255.0 * 1024 / 512, 0, 1023)));

    // The same shape moved looks the same.
    TDibContainer a(60, 50), c(60, 50);
    a.FillRect(2, 3, 30, 25, b.SpanProc());
    c.FillRect(27, 21, 55, 43, b.SpanProc());
    for (int32_t y = 0; y <= 22; ++y)
        for (int32_t x = 0; x <= 28; ++x)
            ASSERT_EQ(a.GetPixel(2 + x, 3 + y), c.GetPixel(27 + x, 21 + y));
}

TEST(DibBrush, AssignCopiesEverySetting) {
    TDibBrush source, target;
    source.SetColor(0x112233u);
    source.SetBackColor(0x445566u);
    source.SetAlpha(90);
    source.SetAngle(33);
    source.SetPatternStyle(dpTexture);
    ZigZag(source.Gradient());
    const TDibContainer p = Numbered(3, 3);
    SetPattern(source, p);
    source.SetStyle(dbSolid);
    int changes = 0;
    target.OnChange = [&](TDibObject&) { ++changes; };
    target.Assign(&source);
    EXPECT_EQ(target.Color(), source.Color());
    EXPECT_EQ(target.BackColor(), source.BackColor());
    EXPECT_EQ(target.Alpha(), 90u);
    EXPECT_EQ(target.Angle(), 33);
    EXPECT_EQ(target.PatternStyle(), dpTexture);
    EXPECT_EQ(target.Pattern().Resource(), source.Pattern().Resource());
    EXPECT_EQ(target.Gradient().Resource(), source.Gradient().Resource());
    // The new pattern and gradient do not turn the copy of a solid brush into something else.
    EXPECT_EQ(target.Style(), dbSolid);
    EXPECT_EQ(target.SpanKind(), TDibSpanKind::SolidBlend);
    EXPECT_EQ(changes, 1);
    // Only settings differ: copied, no notification.
    source.SetColor(0x010101u);
    target.Assign(&source);
    EXPECT_EQ(target.Color(), source.Color());
    EXPECT_EQ(changes, 1);

    // Null means the default brush.
    target.Assign(nullptr);
    EXPECT_EQ(target.Color(), clDibWhite);
    EXPECT_EQ(target.Alpha(), 255u);
    EXPECT_EQ(target.Pattern().Resource(), &DefaultPatternResource());
    EXPECT_EQ(target.SpanKind(), TDibSpanKind::Solid);

    // A gradient that differs only in kind still re-selects the procedure.
    TDibGradient conic;
    ZigZag(conic);
    conic.SetKind(gkConic);
    target.SetGradient(&conic);
    EXPECT_EQ(target.SpanKind(), TDibSpanKind::Conic);
    conic.SetKind(gkRectangle);
    target.SetGradient(&conic);
    EXPECT_EQ(target.SpanKind(), TDibSpanKind::Rectangle);
    target.SetGradient(nullptr);
    EXPECT_EQ(target.Style(), dbSolid);
    target.SetPattern(&source.Pattern());
    EXPECT_EQ(target.Style(), dbPattern);
    target.SetPattern(nullptr);
    EXPECT_EQ(target.Style(), dbClear);
}

TEST(DibBrush, ShapesOutsideTheImageStayInside) {
    // Every procedure over shapes partly or wholly off the image and over extreme bounds;
    // the sanitizer build checks that nothing is written outside.
    TDibContainer img(9, 7);
    TDibBrush b;
    ZigZag(b.Gradient());
    const TDibContainer p = Numbered(4, 3);
    const TPoint far[] = {{-300000, -200000}, {400000000, 5}, {3, 300000}};
    const TPoint part[] = {{-5, -5}, {20, 2}, {4, 30}};
    const TRect rects[] = {{-100, -100, 3, 3}, {5, -3, 400, 4},
                           {-7, 6, -1, 9},     {20, 0, 30, 5},
                           {0, 0, 0, 0},       {-2147483647, -2147483647, 2147483647, 2147483647}};
    const auto paintAll = [&] {
        for (const TRect& r : rects) img.FillRect(r.Left, r.Top, r.Right, r.Bottom, b.SpanProc());
        img.FillPolygon(far, 3, b.SpanProc());
        img.FillPolygon(part, 3, b.SpanProc());
        // Direct calls with spans the container would never hand over.
        if (b.SpanProc()) {
            b.SpanProc()(img, -1, 0, 8, TRect{0, 0, 8, 6});
            b.SpanProc()(img, 7, 0, 8, TRect{0, 0, 8, 6});
            b.SpanProc()(img, 3, -50, 50, TRect{-50, 0, 50, 6});
            b.SpanProc()(img, 3, 6, 2, TRect{0, 0, 8, 6});
        }
    };
    for (uint8_t kind : {0, 1, 5})
        for (double angle : {0.0, 45.0, 90.0, 135.0, 180.0, 225.0, 270.0, 315.0}) {
            b.Gradient().SetKind(kind);
            b.SetAngle(angle);
            paintAll();
        }
    SetPattern(b, p);
    for (uint32_t alpha : {0u, 100u, 255u})
        for (double angle : {0.0, 37.0, -170.0}) {
            b.SetAlpha(alpha);
            b.SetAngle(angle);
            paintAll();
        }
    b.SetStyle(dbSolid);
    for (uint32_t alpha : {100u, 255u}) {
        b.SetAlpha(alpha);
        paintAll();
    }
    // Wholly outside: nothing at all.
    img.Clear(0x123456u);
    img.FillRect(9, 0, 20, 6, b.SpanProc());
    img.FillRect(-9, -9, -1, -1, b.SpanProc());
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 9; ++x) ASSERT_EQ(Px(img, x, y), 0x123456u);
}

TEST(DibCanvas, FillAndVerticalLine) {
    TDibCanvas canvas(8, 6);
    EXPECT_EQ(canvas.Container().Width(), 8);
    canvas.Brush().SetColor(0x00FF00u);
    canvas.FillRect(TRect{6, 4, 1, 1});
    EXPECT_EQ(Px(canvas.Container(), 1, 1), 0x00FF00u);
    EXPECT_EQ(Px(canvas.Container(), 6, 4), 0x00FF00u);
    EXPECT_EQ(Px(canvas.Container(), 7, 5), 0u);
    canvas.VertLine(0, 9, -3, 0xFF0000u);
    for (int32_t y = 0; y < 6; ++y) EXPECT_EQ(Px(canvas.Container(), 0, y), 0xFF0000u);
    canvas.VertLine(-1, 0, 5, 0xFFu);
    canvas.VertLine(8, 0, 5, 0xFFu);
    canvas.VertLine(7, 2, 3, 0xFFu);
    EXPECT_EQ(Px(canvas.Container(), 7, 1), 0u);
    EXPECT_EQ(Px(canvas.Container(), 7, 2), 0xFFu);
    EXPECT_EQ(Px(canvas.Container(), 7, 3), 0xFFu);
    EXPECT_EQ(Px(canvas.Container(), 7, 4), 0u);
}
