// Stretching, rotation, fills and scan conversion, each fast path checked against a plain
// per-pixel twin written straight from the rules.
#include "raster/DibColors.h"
#include "raster/DibContainer.h"
#include "raster/DynamicArray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <queue>
#include <random>
#include <tuple>

using namespace kolvar;

namespace {

uint32_t Px(const TDibContainer& d, int32_t x, int32_t y) {
    return DibColorToInt(d.GetPixel(x, y));
}

void Noise(TDibContainer& d, uint32_t seed, uint32_t colours = 0) {
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < d.Height(); ++y)
        for (int32_t x = 0; x < d.Width(); ++x)
            d.SetPixel(x, y, colours ? rng() % colours : rng() & 0xFFFFFF);
}

// ---- references ----

void StretchReference(const TDibContainer& s, TDibContainer& d, TRect r, bool smooth) {
    const int32_t W = s.Width(), H = s.Height(), DW = d.Width(), DH = d.Height();
    const int32_t xs = std::clamp(r.Left, 0, DW - 1), xe = std::clamp(r.Right, xs, DW - 1);
    const int32_t ys = std::clamp(r.Top, 0, DH - 1), ye = std::clamp(r.Bottom, ys, DH - 1);
    const int64_t xstep =
        int64_t(std::nearbyint((smooth ? W - 1 : W) * 65536.0 / (r.Right - r.Left + 1)));
    const int64_t ystep =
        int64_t(std::nearbyint((smooth ? H - 1 : H) * 65536.0 / (r.Bottom - r.Top + 1)));
    int64_t yacc = r.Top < 0 ? -int64_t(r.Top) * ystep : 0;
    for (int32_t y = ys; y <= ye; ++y, yacc += ystep) {
        int64_t xacc = r.Left < 0 ? -int64_t(r.Left) * xstep : 0;
        for (int32_t x = xs; x <= xe; ++x, xacc += xstep) {
            const int64_t ix = std::min<int64_t>(xacc >> 16, W - 1);
            const int64_t iy = std::min<int64_t>(yacc >> 16, H - 1);
            if (!smooth) {
                d.SetPixel(x, y, s.GetPixel(int32_t(ix), int32_t(iy)));
                continue;
            }
            const int64_t fx = xacc & 0xFFFF, fy = yacc & 0xFFFF, wy0 = 65536 - fy, wy1 = fy;
            const int64_t a = (fx * wy0) >> 16, b = (fx * wy1) >> 16;
            const uint8_t* r0 = s.ScanLine(int32_t(iy));
            const uint8_t* r1 = s.ScanLine(int32_t(std::min<int64_t>(iy + 1, H - 1)));
            const int64_t i1 = std::min<int64_t>(ix + 1, W - 1);
            uint8_t* o = d.ScanLine(y) + x * 3;
            for (int k = 0; k < 3; ++k)
                o[k] = uint8_t(((wy0 - a) * r0[ix * 3 + k] + (wy1 - b) * r1[ix * 3 + k] +
                                a * r0[i1 * 3 + k] + b * r1[i1 * 3 + k]) >>
                               16);
        }
    }
}

void RotateReference(const TDibContainer& s, TDibContainer& d, int32_t cx, int32_t cy, double sy,
                     double sx, double angle) {
    const int32_t W = s.Width(), H = s.Height();
    sx = sx == 0 ? 1 : sx;
    sy = sy == 0 ? 1 : sy;
    const int32_t C = int32_t(std::nearbyint(std::cos(angle) * 1024));
    const int32_t S = int32_t(std::nearbyint(-std::sin(angle) * 1024));
    int32_t w2 =
        int32_t(std::nearbyint(std::fabs(W * std::cos(angle)) + std::fabs(H * std::sin(angle))));
    int32_t h2 =
        int32_t(std::nearbyint(std::fabs(W * std::sin(angle)) + std::fabs(H * std::cos(angle))));
    w2 = int32_t(std::nearbyint(w2 * sx));
    h2 = int32_t(std::nearbyint(h2 * sy));
    const uint32_t invX = uint32_t(int32_t(std::nearbyint(1024 / sx)));
    const uint32_t invY = uint32_t(int32_t(std::nearbyint(1024 / sy)));
    const int32_t hx = int32_t(std::nearbyint(sx * W / 2)),
                  hy = int32_t(std::nearbyint(sy * H / 2));
    const int32_t halfW = int32_t(std::nearbyint(double(hx) / W * w2 / sx));
    const int32_t halfH = int32_t(std::nearbyint(double(hy) / H * h2 / sy));
    for (int32_t j = 0; j < h2; ++j) {
        const int32_t v = j - halfH;
        if (cy + v < 0) continue;
        if (cy + v > d.Height() - 1) break;
        for (int32_t i = 0; i < w2; ++i) {
            const int32_t u = i - halfW;
            if (cx + u < 0) continue;
            if (cx + u > d.Width() - 1) break;
            const uint32_t rowIn =
                uint32_t(hy) * 1024 + uint32_t(C) * uint32_t(v) - uint32_t(S) * uint32_t(u);
            const uint32_t colIn =
                uint32_t(hx) * 1024 + uint32_t(C) * uint32_t(u) + uint32_t(S) * uint32_t(v);
            const uint32_t row = ((rowIn >> 10) * invY) >> 10, col = ((colIn >> 10) * invX) >> 10;
            if (row < uint32_t(H) && col < uint32_t(W))
                d.SetPixel(cx + u, cy + v, s.GetPixel(col, row));
        }
    }
}

using TSpan = std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t>;

// The scan conversion exactly as the rules read: whole edge table scanned per row, exchange sort.
std::vector<TSpan> PolygonReference(const std::vector<TPoint>& pts,
                                    const std::vector<int32_t>& counts, int32_t W, int32_t H) {
    struct E {
        int32_t tx, ty, bx, by;
        float slope;
    };
    struct A {
        float x, slope;
        int32_t end;
    };
    TRect b{2147483647, 2147483647, -2147483647, -2147483647};
    for (const TPoint& p : pts) {
        b.Left = std::min(b.Left, p.X), b.Top = std::min(b.Top, p.Y);
        b.Right = std::max(b.Right, p.X), b.Bottom = std::max(b.Bottom, p.Y);
    }
    std::vector<E> edges;
    size_t s = 0;
    for (int32_t c : counts) {
        for (int32_t j = 0; j < c; ++j) {
            TPoint p = pts[s + j], q = pts[s + (j + 1) % c];
            if (q.Y < p.Y) std::swap(p, q);
            edges.push_back(
                {p.X, p.Y, q.X, q.Y, p.Y == q.Y ? 0.0f : float(double(q.X - p.X) / (q.Y - p.Y))});
        }
        s += c;
    }
    std::vector<A> act;
    std::vector<TSpan> out;
    for (int32_t y = b.Top; y <= b.Bottom; ++y) {
        for (A& a : act) a.x += a.slope;
        bool removals = false;
        for (const E& e : edges) {
            if (e.ty == e.by) continue;
            if (e.ty == y)
                act.push_back({float(e.tx), e.slope, e.by});
            else if (e.by == y)
                removals = true;
        }
        if (removals) std::erase_if(act, [y](const A& a) { return a.end == y; });
        if (y < 0) continue;
        if (y > H - 1) break;
        for (size_t i = 0; i + 1 < act.size(); ++i)
            for (size_t j = 0; j + 1 < act.size() - i; ++j)
                if (act[j].x > act[j + 1].x) std::swap(act[j], act[j + 1]);
        for (size_t i = 0; i + 1 < act.size(); i += 2) {
            const int32_t x1 = act[i].x < 0 ? 0 : int32_t(std::nearbyint(act[i].x + 0.5));
            const int32_t x2 = act[i + 1].x > W - 1 ? W - 1 : int32_t(act[i + 1].x);
            if (x1 <= x2) out.emplace_back(y, x1, x2, b.Left, b.Top, b.Right, b.Bottom);
        }
    }
    return out;
}

TDibSpanProc Recorder(std::vector<TSpan>& out) {
    return [&out](TDibContainer&, int32_t y, int32_t x1, int32_t x2, const TRect& b) {
        out.emplace_back(y, x1, x2, b.Left, b.Top, b.Right, b.Bottom);
    };
}

TDibSpanProc Solid(uint32_t c) {
    return [c](TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect&) {
        d.HorzLine(y, x1, x2, c);
    };
}

} // namespace

TEST(DibStretch, NearestAndSmoothSteps) {
    TDibContainer s(4, 2);
    Noise(s, 3);
    TDibContainer d(8, 4);
    s.StretchTo(d, TRect{-2, 0, 5, 3}, false); // 8 wide: step 0.5, starting two columns in
    EXPECT_EQ(Px(d, 0, 0), Px(s, 1, 0));
    EXPECT_EQ(Px(d, 5, 3), Px(s, 3, 1));
    EXPECT_EQ(Px(d, 6, 0), 0u) << "right of the rectangle";

    TDibContainer ramp(2, 1), out(3, 1);
    ramp.SetPixel(1, 0, 0xFFFFFFu);
    ramp.StretchTo(out, TRect{0, 0, 2, 0}, true); // step Round(65536 / 3) = 21845
    EXPECT_EQ(Px(out, 1, 0), 0x545454u);          // 21845 * 255 >> 16 = 84
    EXPECT_EQ(Px(out, 2, 0), 0xA9A9A9u);          // 43690 * 255 >> 16 = 169

    // Step 5 * 65536 / 131072 = 2.5 rounds to 2 (even): 100000 columns in lands on column 3.
    TDibContainer five(5, 1), tie(1, 1);
    Noise(five, 4);
    five.StretchTo(tie, TRect{-100000, 0, 31071, 0}, false);
    EXPECT_EQ(Px(tie, 0, 0), Px(five, 3, 0));

    struct Case {
        TRect r;
        int32_t sw, sh;
    };
    for (const Case& c :
         {Case{{0, 0, 29, 19}, 7, 5}, Case{{-13, -7, 40, 9}, 9, 4}, Case{{3, 2, 5, 6}, 16, 16},
          Case{{-3, -2, 399, 1}, 1, 3}, Case{{0, 0, 10, 10}, 1, 1}, Case{{2, 3, 25, 18}, 30, 25}})
        for (bool smooth : {false, true}) {
            TDibContainer src(c.sw, c.sh), fast(24, 17), ref(24, 17);
            Noise(src, 11);
            Noise(fast, 12);
            ref.AssignContainer(fast);
            src.StretchTo(fast, c.r, smooth);
            StretchReference(src, ref, c.r, smooth);
            EXPECT_TRUE(fast.SameImage(ref)) << c.r.Left << "," << c.r.Top << " smooth " << smooth;
        }

    TDibContainer before(d);
    s.StretchTo(d, TRect{8, 0, 12, 3}, false);  // right of dest
    s.StretchTo(d, TRect{-9, -9, -1, 2}, true); // left of dest: would read past the source
    s.StretchTo(d, TRect{5, 0, 4, 3}, false);   // empty width
    EXPECT_TRUE(d.SameImage(before));
}

TEST(DibStretch, NearestSamplesNameThePixelsStretchToReads) {
    struct Case {
        TRect r;
        int32_t sw, sh, dw, dh;
    };
    for (const Case& c :
         {Case{{0, 0, 29, 19}, 7, 5, 24, 17}, Case{{-13, -7, 40, 9}, 9, 4, 24, 17},
          Case{{-37, 5, 163, 101}, 3000, 2000, 120, 90},
          Case{{10, -4000, 16393, 12379}, 4000, 4000, 200, 150},
          Case{{-5, -5, 30, 40}, 12, 9, 16, 16}, Case{{40, 0, 50, 5}, 5, 5, 24, 17}}) {
        // Each pixel names its own column and row.
        TDibContainer src(c.sw, c.sh), dest(c.dw, c.dh);
        for (int32_t y = 0; y < c.sh; ++y)
            for (int32_t x = 0; x < c.sw; ++x) src.SetPixel(x, y, uint32_t(y) << 12 | uint32_t(x));
        dest.Clear(0xFFFFFF);
        src.StretchTo(dest, c.r, false);
        const TStretchSamples s = NearestStretchSamples(c.r, c.sw, c.sh, c.dw, c.dh);
        int32_t drawn = 0;
        for (int32_t y = 0; y < c.dh; ++y)
            for (int32_t x = 0; x < c.dw; ++x) {
                const uint32_t got = DibColorToInt(dest.GetPixel(x, y));
                const int32_t i = x - s.FirstColumn, j = y - s.FirstRow;
                if (i < 0 || j < 0 || i >= int32_t(s.Columns.size()) ||
                    j >= int32_t(s.Rows.size())) {
                    EXPECT_EQ(got, 0xFFFFFFu) << x << "," << y;
                    continue;
                }
                ++drawn;
                EXPECT_EQ(got, uint32_t(s.Rows[size_t(j)]) << 12 | uint32_t(s.Columns[size_t(i)]))
                    << x << "," << y;
            }
        EXPECT_EQ(drawn == 0, s.Columns.empty()) << c.r.Left;
    }
}

TEST(DibRotate, AngleZeroCopiesWithTheOddWidthShift) {
    for (int32_t w : {6, 5, 7}) {
        TDibContainer s(w, 4), d(w, 4);
        Noise(s, 5);
        d.Clear(0x010101u);
        s.RotateTo(d, w / 2, 2, 0, 0, 0.0);
        // hx = Round(w / 2): 3 for 6, 2 for 5 (half to even), 4 for 7.
        const int32_t shift = w == 7 ? 1 : 0;
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < w; ++x)
                ASSERT_EQ(Px(d, x, y), x + shift < w ? Px(s, x + shift, y) : 0x010101u)
                    << "width " << w << " at " << x << "," << y;
    }
}

TEST(DibRotate, MatchesPerPixelFormula) {
    TDibContainer s(13, 9);
    Noise(s, 6);
    struct Case {
        int32_t cx, cy;
        double sy, sx, angle;
    };
    for (const Case& c :
         {Case{10, 8, 1, 1, 0.7854}, Case{0, 0, 1, 1, 2.5}, Case{15, 4, 1.3, 0.8, -0.6},
          Case{9, 9, 2.5, 2.5, 3.14159265}, Case{20, -3, 0.5, 1.7, 1.5708}, Case{-4, 12, 1, 1, 4.0},
          Case{9, 9, -1, 1, 0.3}, Case{9, 9, 0.2, 0.3, 5.9}}) {
        TDibContainer fast(21, 17), ref(21, 17);
        fast.Clear(0x0A0B0Cu);
        ref.Clear(0x0A0B0Cu);
        s.RotateTo(fast, c.cx, c.cy, c.sy, c.sx, c.angle);
        RotateReference(s, ref, c.cx, c.cy, c.sy, c.sx, c.angle);
        EXPECT_TRUE(fast.SameImage(ref)) << c.angle;
    }
    // At 45 degrees the corners of the rotated box have negative intermediates; they stay
    // background instead of wrapping onto the image.
    TDibContainer d(21, 17);
    d.Clear(0x0A0B0Cu);
    s.RotateTo(d, 10, 8, 1, 1, 0.7854);
    EXPECT_EQ(Px(d, 3, 1), 0x0A0B0Cu);
    EXPECT_EQ(Px(d, 3, 15), 0x0A0B0Cu);
    EXPECT_NE(Px(d, 10, 8), 0x0A0B0Cu);
}

TEST(DibFill, FloodFillMatchesConnectedComponent) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TDibContainer img(23, 17);
        Noise(img, seed, seed % 3 + 2); // few colours, many ragged regions
        const int32_t sx = int32_t(seed * 7 % 23), sy = int32_t(seed * 5 % 17);
        const uint32_t target = Px(img, sx, sy), fill = 0xABCDEFu;
        TDibContainer ref(img);
        std::queue<TPoint> q;
        q.push({sx, sy});
        ref.SetPixel(sx, sy, fill);
        while (!q.empty()) {
            const TPoint p = q.front();
            q.pop();
            for (TPoint n : {TPoint{p.X + 1, p.Y}, {p.X - 1, p.Y}, {p.X, p.Y + 1}, {p.X, p.Y - 1}})
                if (n.X >= 0 && n.Y >= 0 && n.X < 23 && n.Y < 17 && Px(ref, n.X, n.Y) == target) {
                    ref.SetPixel(n.X, n.Y, fill);
                    q.push(n);
                }
        }
        img.FloodFill(sx, sy, fill, target);
        ASSERT_TRUE(img.SameImage(ref)) << seed;
        img.FloodFill(sx, sy, fill, fill); // fill = target: nothing changes, and it returns
        ASSERT_TRUE(img.SameImage(ref));
    }
}

TEST(DibFill, WallsAndDiagonalsHold) {
    // A diagonal of one-pixel steps separates x > y from x < y for 4-connected fills.
    for (bool boundary : {false, true}) {
        TDibContainer d(20, 20);
        for (int32_t i = 0; i < 20; ++i) d.SetPixel(i, i, 0xFFFFFFu);
        d.SetPixel(15, 2, 0x00FF00u); // an island of another colour
        if (boundary)
            d.BoundaryFill(5, 0, 0xFF0000u, 0xFFFFFFu);
        else
            d.FloodFill(5, 0, 0xFF0000u, 0);
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 20; ++x) {
                uint32_t want = x == y ? 0xFFFFFFu : x > y ? 0xFF0000u : 0u;
                if (x == 15 && y == 2) want = boundary ? 0xFF0000u : 0x00FF00u;
                ASSERT_EQ(Px(d, x, y), want) << boundary << " " << x << "," << y;
            }
    }
    TDibContainer d(5, 5);
    d.Clear(0xFF0000u);
    d.BoundaryFill(2, 2, 0xFF0000u, 0xFFFFFFu); // already the fill colour: no work
    d.FloodFill(-1, 2, 0, 0xFF0000u);
    d.BoundaryFill(2, 5, 0, 0xFFFFFFu);
    EXPECT_EQ(Px(d, 2, 2), 0xFF0000u);
}

TEST(DibFill, LargeAreasDoNotOverflow) {
    TDibContainer d(4000, 4000);
    // A comb: walls in every odd column, open alternately at the top and the bottom, so the
    // fill must snake through 2000 corridors of 4000 rows.
    for (int32_t x = 1; x < 4000; x += 2) {
        const int32_t gap = (x / 2) % 2 ? 0 : 3999;
        for (int32_t y = 0; y < 4000; ++y)
            if (y != gap) d.SetPixel(x, y, 0xFFFFFFu);
    }
    d.FloodFill(0, 0, 0x0000FFu, 0);
    EXPECT_EQ(Px(d, 3998, 2000), 0x0000FFu);
    EXPECT_EQ(Px(d, 3998, 3999), 0x0000FFu);
    EXPECT_EQ(Px(d, 3999, 0), 0x0000FFu);
    EXPECT_EQ(Px(d, 3, 5), 0xFFFFFFu);
    d.BoundaryFill(3000, 3000, 0x00FF00u, 0xFFFFFFu);
    EXPECT_EQ(Px(d, 0, 3999), 0x00FF00u);
    d.Clear(0);
    d.BoundaryFill(1234, 999, 0x00FF00u, 0xFFFFFFu);
    TDibContainer green(4000, 4000);
    green.Clear(0x00FF00u);
    EXPECT_TRUE(d.SameImage(green));
}

TEST(DibOutline, CallsInOrder) {
    using TSeg = std::tuple<int32_t, int32_t, int32_t, int32_t>;
    std::vector<TSeg> segs;
    TDibLineProc rec = [&segs](TDibContainer&, int32_t a, int32_t b, int32_t c, int32_t d) {
        segs.emplace_back(a, b, c, d);
    };
    TDibContainer img(4, 4);
    img.Rectangle(1, 2, 8, 9, rec);
    EXPECT_EQ(segs, (std::vector<TSeg>{{1, 2, 8, 2}, {8, 2, 8, 9}, {8, 9, 1, 9}, {1, 9, 1, 2}}));
    const TPoint pts[] = {{0, 0}, {5, 0}, {5, 5}, {9, 9}, {8, 9}};
    segs.clear();
    img.Polyline(pts, 3, rec, false);
    EXPECT_EQ(segs, (std::vector<TSeg>{{0, 0, 5, 0}, {5, 0, 5, 5}}));
    segs.clear();
    img.Polyline(pts, 3, rec, true);
    EXPECT_EQ(segs.back(), (TSeg{5, 5, 0, 0}));
    segs.clear();
    const int32_t counts[] = {3, 0, 2};
    img.PolyPolygonOutline(pts, counts, 3, rec);
    EXPECT_EQ(segs, (std::vector<TSeg>{
                        {0, 0, 5, 0}, {5, 0, 5, 5}, {5, 5, 0, 0}, {9, 9, 8, 9}, {8, 9, 9, 9}}));
    // Counts that ask for more points than the list holds stop at the polygon that does not fit.
    TPoints list;
    TIntegerArray listCounts;
    for (const TPoint& p : pts) list.Add(p);
    listCounts.Add(3);
    listCounts.Add(4);
    segs.clear();
    img.PolyPolygonOutline(list, listCounts, rec);
    EXPECT_EQ(segs.size(), 3u);
    segs.clear();
    img.Polyline(list, rec, false);
    EXPECT_EQ(segs.size(), 4u);
    std::vector<TSpan> spans;
    img.FillPolyPolygon(list, listCounts, Recorder(spans));
    EXPECT_EQ(spans, PolygonReference({pts, pts + 3}, {3}, 4, 4));
    segs.clear();
    img.Rectangle(0, 0, 1, 1, TDibLineProc());
    img.Polyline(pts, 0, rec, true);
    EXPECT_TRUE(segs.empty());
}

TEST(DibFill, FillRectOrdersAndClips) {
    TDibContainer d(10, 8);
    std::vector<TSpan> a, b;
    d.FillRect(-3, 6, 4, 2, Recorder(a));
    d.FillRect(4, 2, -3, 6, Recorder(b));
    EXPECT_EQ(a, b);
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a.front(), (TSpan{2, 0, 4, -3, 2, 4, 6}));
    EXPECT_EQ(a.back(), (TSpan{6, 0, 4, -3, 2, 4, 6}));
    a.clear();
    d.FillRect(10, 0, 20, 5, Recorder(a)); // right of the image
    d.FillRect(0, 8, 5, 9, Recorder(a));   // below
    d.FillRect(-9, 0, -1, 5, Recorder(a)); // left
    EXPECT_TRUE(a.empty());
    d.FillRect(8, 7, 30, 30, Recorder(a));
    EXPECT_EQ(a, (std::vector<TSpan>{{7, 8, 9, 8, 7, 30, 30}}));
    d.FillRect(0, 0, 9, 7, TDibSpanProc());
}

TEST(DibFill, PolygonRule) {
    TDibContainer d(20, 20);
    const TPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
    d.FillPolygon(tri, 3, Solid(0xFFFFFFu));
    for (int32_t y = 0; y < 20; ++y) {
        int32_t n = 0;
        for (int32_t x = 0; x < 20; ++x) n += Px(d, x, y) != 0;
        EXPECT_EQ(n, y < 10 ? 11 - y : 0) << "row " << y;
    }
    // Left edges start at Round(x + 0.5): 1.5 -> 2 and 2.5 -> 2 (half to even).
    for (int32_t left : {1, 2}) {
        std::vector<TSpan> spans;
        const TPoint box[] = {{left, 0}, {5, 0}, {5, 4}, {left, 4}};
        d.FillPolygon(box, 4, Recorder(spans));
        ASSERT_EQ(spans.size(), 4u);
        EXPECT_EQ(std::get<1>(spans[0]), 2);
        EXPECT_EQ(std::get<2>(spans[0]), 5);
    }
    TDibContainer h(12, 12);
    const TPoint rings[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {3, 3}, {7, 3}, {7, 7}, {3, 7}};
    const int32_t counts[] = {4, 4};
    h.FillPolyPolygon(rings, counts, 2, Solid(0xFFFFFFu));
    EXPECT_EQ(Px(h, 5, 5), 0u) << "the hole";
    EXPECT_EQ(Px(h, 8, 5), 0xFFFFFFu);
    EXPECT_EQ(Px(h, 2, 5), 0xFFFFFFu);
    EXPECT_EQ(Px(h, 5, 10), 0u) << "the bottom row";
}

TEST(DibFill, PolygonsMatchReference) {
    std::mt19937 rng(77);
    for (int iter = 0; iter < 300; ++iter) {
        std::vector<TPoint> pts;
        std::vector<int32_t> counts(rng() % 3 + 1);
        for (int32_t& c : counts) {
            c = int32_t(rng() % 7 + 1);
            for (int32_t j = 0; j < c; ++j)
                pts.push_back({int32_t(rng() % 90) - 25, int32_t(rng() % 60) - 15});
        }
        TDibContainer d(40, 30);
        std::vector<TSpan> spans;
        d.FillPolyPolygon(pts.data(), counts.data(), int32_t(counts.size()), Recorder(spans));
        ASSERT_EQ(spans, PolygonReference(pts, counts, 40, 30)) << iter;
    }
}
