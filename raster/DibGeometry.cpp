#include "raster/DibGeometry.h"

#include "raster/DibMath.h"
#include "raster/DynamicArray.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kolvar {

namespace {

constexpr double kTwoPi = 2.0 * M_PI;

// Calls fn(first point, count) for each polygon of a poly-polygon whose points are stored one
// after another. Negative counts count as 0; a count beyond the nPoints available is cut
// short and ends the walk.
template <class Fn>
void ForEachPolygon(const TPoint* points, int64_t nPoints, const int32_t* counts, int32_t k,
                    Fn fn) {
    int64_t start = 0;
    for (int32_t i = 0; i < k && start < nPoints; ++i) {
        const int64_t c = std::min<int64_t>(std::max(counts[i], 0), nPoints - start);
        if (fn(points + start, int32_t(c))) return;
        start += c;
    }
}

// A bound large enough for any poly-polygon a caller passes as raw pointers.
constexpr int64_t kUnbounded = INT64_MAX;

void Include(TRect& r, const TPoint* points, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        r.Left = std::min(r.Left, points[i].X);
        r.Top = std::min(r.Top, points[i].Y);
        r.Right = std::max(r.Right, points[i].X);
        r.Bottom = std::max(r.Bottom, points[i].Y);
    }
}

constexpr TRect kEmptyBounds{2147483647, 2147483647, -2147483647, -2147483647};

TRect PolyBounds(const TPoint* points, int64_t nPoints, const int32_t* counts, int32_t k) {
    TRect r = kEmptyBounds;
    ForEachPolygon(points, nPoints, counts, k, [&r](const TPoint* p, int32_t c) {
        Include(r, p, c);
        return false;
    });
    return r;
}

int32_t PolySegment(int32_t x, int32_t y, const TPoint* points, int64_t nPoints,
                    const int32_t* counts, int32_t k) {
    int32_t hit = -1;
    ForEachPolygon(points, nPoints, counts, k, [&](const TPoint* p, int32_t c) {
        hit = FindSegment(x, y, p, true, c);
        return hit >= 0;
    });
    return hit;
}

bool PolyInside(int32_t x, int32_t y, const TPoint* points, int64_t nPoints, const int32_t* counts,
                int32_t k) {
    bool inside = false;
    ForEachPolygon(points, nPoints, counts, k, [&](const TPoint* p, int32_t c) {
        inside ^= PointInPolygon(x, y, p, c);
        return false;
    });
    return inside;
}

// One Liang-Barsky ratio test; false when the segment lies wholly outside this side.
bool ClipSide(double p, double q, double& t0, double& t1) {
    if (IsZero(p)) return q >= 0;
    const double r = q / p;
    if (p < 0) {
        if (r > t1) return false;
        if (r > t0) t0 = r;
    } else {
        if (r < t0) return false;
        if (r < t1) t1 = r;
    }
    return true;
}

} // namespace

// ---- Vectors and angles ---------------------------------------------------------------------

TPoint2D VecSub(const TPoint2D& a, const TPoint2D& b) {
    return {a.X - b.X, a.Y - b.Y};
}

double VecDot(const TPoint2D& a, const TPoint2D& b) {
    return a.X * b.X + a.Y * b.Y;
}

double VecLength(const TPoint2D& a) {
    return std::sqrt(VecDot(a, a));
}

TPoint2D VecNormalize(const TPoint2D& a) {
    double len = VecLength(a);
    if (len == 0) len = 1e-6;
    return {a.X / len, a.Y / len};
}

double VecCosAngle(const TPoint2D& a, const TPoint2D& b) {
    return VecDot(VecNormalize(a), VecNormalize(b));
}

double PointLineDistance(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b) {
    TPoint2D dir = VecSub(b, a);
    if (dir.X == 0 && dir.Y == 0) dir = {1e-6, 0};
    const TPoint2D n = VecNormalize(dir);
    const TPoint2D v = VecSub(p, a);
    const double along = VecDot(v, n);
    return VecLength({v.X - along * n.X, v.Y - along * n.Y});
}

double AngleAround(double cx, double cy, double x, double y) {
    // Rounding can push the cosine a hair beyond 1, where arccos has no value.
    const double c = std::clamp(VecCosAngle({10, 0}, {x - cx, y - cy}), -1.0, 1.0);
    const double e = std::acos(c);
    return y < cy ? e : kTwoPi - e;
}

TPoint RotatePoint(double x, double y, double ax, double ay, double c, double s, double ox,
                   double oy) {
    const double u = x - ax;
    const double v = y - ay;
    return {Trunc(u * c + v * s + ox), Trunc(-u * s + v * c + oy)};
}

// ---- Bounds and boxes -----------------------------------------------------------------------

TRect PointsBounds(const TPoint* points, int32_t n) {
    TRect r = kEmptyBounds;
    Include(r, points, n);
    return r;
}

TRect PolyPointsBounds(const TPoint* points, const int32_t* counts, int32_t k) {
    return PolyBounds(points, kUnbounded, counts, k);
}

TRect PolyPointsBounds(const TPoints& points, const TIntegerArray& counts) {
    return PolyBounds(points.Data(), points.Count(), counts.Data(), counts.Count());
}

TBox2D Points2DBounds(const TPoint2D* points, int32_t n) {
    TBox2D b{2147483647.0, 2147483647.0, -2147483647.0, -2147483647.0};
    for (int32_t i = 0; i < n; ++i) {
        b.Left = std::min(b.Left, points[i].X);
        b.Top = std::min(b.Top, points[i].Y);
        b.Right = std::max(b.Right, points[i].X);
        b.Bottom = std::max(b.Bottom, points[i].Y);
    }
    return b;
}

TRect NormalizeRect(const TRect& r) {
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

bool SamePoint2D(const TPoint2D& a, const TPoint2D& b) {
    return a.X == b.X && a.Y == b.Y;
}

TBox2D MakeBox2D(double x1, double y1, double x2, double y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

bool PointInBox2D(const TBox2D& box, const TPoint2D& p) {
    return p.X >= box.Left && p.X <= box.Right && p.Y >= box.Top && p.Y <= box.Bottom;
}

TPoint RotatedSize(double w, double h, double cos, double sin) {
    return {Round(std::fabs(w * cos) + std::fabs(h * sin)),
            Round(std::fabs(w * sin) + std::fabs(h * cos))};
}

// ---- Hit testing ----------------------------------------------------------------------------

int32_t FindVertex(int32_t x, int32_t y, const TPoint* points, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        if (std::llabs(int64_t(points[i].X) - x) < 3 && std::llabs(int64_t(points[i].Y) - y) < 3)
            return i;
    }
    return -1;
}

bool PointNearLine(double tolerance, const TPoint& a, const TPoint& b, const TPoint& p) {
    // 64-bit differences: a span of two 32-bit coordinates needs 33 bits. The products go to
    // double, exact for every coordinate a picture can have.
    const int64_t dx = int64_t(b.X) - a.X;
    const int64_t dy = int64_t(b.Y) - a.Y;
    const int64_t ex = int64_t(p.X) - a.X;
    const int64_t ey = int64_t(p.Y) - a.Y;
    const int64_t major = std::max(std::llabs(dx), std::llabs(dy));
    if (major == 0) return double(std::max(std::llabs(ex), std::llabs(ey))) < tolerance;
    const double cross = double(dy) * double(ex) - double(dx) * double(ey);
    return std::fabs(cross) / double(major) < tolerance;
}

bool PointOnSegment(double tolerance, const TPoint& a, const TPoint& b, const TPoint& p) {
    if (a == b) return false;
    const bool inX = p.X >= std::min(a.X, b.X) && p.X <= std::max(a.X, b.X);
    const bool inY = p.Y >= std::min(a.Y, b.Y) && p.Y <= std::max(a.Y, b.Y);
    if (a.Y == b.Y) {
        if (!inX) return false;
    } else if (a.X == b.X) {
        if (!inY) return false;
    } else if (!inX || !inY) {
        return false;
    }
    return PointNearLine(tolerance, a, b, p);
}

int32_t FindSegment(int32_t x, int32_t y, const TPoint* points, bool closed, int32_t n) {
    const TPoint p{x, y};
    for (int32_t i = 0; i + 1 < n; ++i) {
        if (PointOnSegment(2.5, points[i], points[i + 1], p)) return i;
    }
    if (closed && n > 0 && PointOnSegment(2.5, points[n - 1], points[0], p)) return n - 1;
    return -1;
}

int32_t FindPolySegment(int32_t x, int32_t y, const TPoint* points, const int32_t* counts,
                        int32_t k) {
    return PolySegment(x, y, points, kUnbounded, counts, k);
}

int32_t FindPolySegment(int32_t x, int32_t y, const TPoints& points, const TIntegerArray& counts) {
    return PolySegment(x, y, points.Data(), points.Count(), counts.Data(), counts.Count());
}

bool PointInPolygon(int32_t x, int32_t y, const TPoint* points, int32_t n) {
    if (n < 3) return false;
    bool inside = false;
    TPoint prev = points[n - 1];
    for (int32_t i = 0; i < n; ++i) {
        TPoint a = prev;
        TPoint b = points[i];
        prev = b;
        if ((a.X < x) == (b.X < x)) continue;
        if (a.X > b.X) std::swap(a, b);
        // The edge spans x (a.X < x <= b.X); the point counts when it lies above the edge,
        // i.e. a ray straight down from it crosses the edge. 128-bit products: differences
        // of 32-bit coordinates need 33 bits, so their products need up to 66.
        const __int128 cross = __int128(int64_t(b.X) - a.X) * (int64_t(y) - a.Y) -
                               __int128(int64_t(b.Y) - a.Y) * (int64_t(x) - a.X);
        if (cross < 0) inside = !inside;
    }
    return inside;
}

bool PointInPolyPolygon(int32_t x, int32_t y, const TPoint* points, const int32_t* counts,
                        int32_t k) {
    return PolyInside(x, y, points, kUnbounded, counts, k);
}

bool PointInPolyPolygon(int32_t x, int32_t y, const TPoints& points, const TIntegerArray& counts) {
    return PolyInside(x, y, points.Data(), points.Count(), counts.Data(), counts.Count());
}

// ---- Lines, curves and shapes ---------------------------------------------------------------

bool ClipLine(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const TRect& rect) {
    const double fx1 = x1;
    const double fy1 = y1;
    const double dx = double(x2) - fx1;
    const double dy = double(y2) - fy1;
    if (IsZero(dx) && IsZero(dy)) {
        // A single point: inclusive on every side, like every other segment, so a dot on the
        // last column or row is kept.
        return x1 >= rect.Left && x1 <= rect.Right && y1 >= rect.Top && y1 <= rect.Bottom;
    }
    double t0 = 0;
    double t1 = 1;
    if (!ClipSide(-dx, fx1 - rect.Left, t0, t1)) return false;
    if (!ClipSide(dx, double(rect.Right) - fx1, t0, t1)) return false;
    if (!ClipSide(-dy, fy1 - rect.Top, t0, t1)) return false;
    if (!ClipSide(dy, double(rect.Bottom) - fy1, t0, t1)) return false;
    if (t1 < 1) {
        x2 = Round(fx1 + t1 * dx);
        y2 = Round(fy1 + t1 * dy);
    }
    if (t0 > 0) {
        x1 = Round(fx1 + t0 * dx);
        y1 = Round(fy1 + t0 * dy);
    }
    return true;
}

void BresenhamLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   const std::function<void(int32_t, int32_t)>& proc, int32_t right,
                   int32_t bottom) {
    if (!proc) return;
    if (y2 < y1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (!ClipLine(x1, y1, x2, y2, TRect{0, 0, right, bottom})) return;
    StepThinLine(x1, y1, x2, y2, proc);
}

int32_t BSplineValue(double a, double b, double c, double d, double t) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    return Round(((-a + 3 * b - 3 * c + d) * t3 + (3 * a - 6 * b + 3 * c) * t2 +
                  (-3 * a + 3 * c) * t + (a + 4 * b + c)) /
                 6);
}

void BSplineCurve(const TPoint* points, int32_t n, TPoints& output, int32_t steps) {
    if (n < 4 || n > 16383 || steps < 1) return;
    const int64_t total = int64_t(n - 1) * (int64_t(steps) + 1) + output.Count();
    if (total > INT32_MAX) throw EArrayError(QStringLiteral("Curve has too many points."));
    // Control point i, with the mirrored phantoms P(-1) and P(n) at the two ends.
    auto control = [&](int32_t i) -> TPoint2D {
        if (i < 0) return {2.0 * points[0].X - points[1].X, 2.0 * points[0].Y - points[1].Y};
        if (i >= n)
            return {2.0 * points[n - 1].X - points[n - 2].X,
                    2.0 * points[n - 1].Y - points[n - 2].Y};
        return {double(points[i].X), double(points[i].Y)};
    };
    TUpdateScope scope(output);
    output.SetCapacity(std::max(output.Capacity(), int32_t(total)));
    const double dt = 1.0 / steps;
    for (int32_t k = 0; k <= n - 2; ++k) {
        const TPoint2D a = control(k - 1), b = control(k), c = control(k + 1), d = control(k + 2);
        double t = 0;
        for (int32_t s = 0; s <= steps; ++s) {
            output.Add(BSplineValue(a.X, b.X, c.X, d.X, t), BSplineValue(a.Y, b.Y, c.Y, d.Y, t));
            t += dt;
        }
    }
}

void RegularPolygon(int32_t n, TPoints2D& output) {
    n = std::max(n, 3);
    double start = 0;
    if (n % 4 == 0)
        start = M_PI / n;
    else if (n % 2 == 1)
        start = M_PI / 2;
    TUpdateScope scope(output);
    output.Clear();
    output.SetCapacity(n);
    for (int32_t k = 0; k < n; ++k) {
        const double a = start + k * kTwoPi / n;
        output.Add(std::cos(a), -std::sin(a));
    }
}

void StarPolygon(int32_t n, TPoints2D& output) {
    n = std::max(n, 3);
    if (n > INT32_MAX / 2) throw EArrayError(QStringLiteral("Star has too many points."));
    const int32_t m = 2 * n;
    TUpdateScope scope(output);
    output.Clear();
    output.SetCapacity(m);
    for (int32_t k = 0; k < m; ++k) {
        const double a = M_PI / 2 + k * M_PI / n;
        const double r = k % 2 == 1 ? 0.25 : 1.0;
        output.Add(r * std::cos(a), -r * std::sin(a));
    }
}

} // namespace kolvar
