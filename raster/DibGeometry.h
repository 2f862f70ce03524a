#pragma once
// 2D geometry shared by drawing, selections and shapes: vectors and angles, 4 x 4 transforms
// in the row-vector convention, bounds, hit testing, clipping, B-spline curves and regular
// shapes. Integer coordinates are image or control pixels; y points down.

#include "raster/DibMatrix.h"
#include "raster/DibTypes.h"

#include <cstdint>
#include <functional>

namespace kolvar {

class TPoints;
class TPoints2D;
class TIntegerArray;

// ---- Vectors and angles (TPoint2D doubles as a 2D vector) --------------------------------

TPoint2D VecSub(const TPoint2D& a, const TPoint2D& b);
double VecDot(const TPoint2D& a, const TPoint2D& b);
double VecLength(const TPoint2D& a);
// A zero vector stays zero (its length is taken as 1e-6).
TPoint2D VecNormalize(const TPoint2D& a);
double VecCosAngle(const TPoint2D& a, const TPoint2D& b);
// Distance from p to the infinite line through a in direction b - a.
double PointLineDistance(const TPoint2D& p, const TPoint2D& a, const TPoint2D& b);
// Direction from (cx, cy) to (x, y), counter-clockwise on the screen from +x, in
// (0, 2 pi]: right of the centre 2 pi, above pi / 2, left pi, below 3 pi / 2.
double AngleAround(double cx, double cy, double x, double y);
// Rotates (x, y) about (ax, ay) by the cosine c and sine s, moves it to (ox, oy), truncates.
TPoint RotatePoint(double x, double y, double ax, double ay, double c, double s, double ox,
                   double oy);

// ---- Bounds and boxes ---------------------------------------------------------------------

// An axis-aligned box in doubles, Left <= Right and Top <= Bottom once made by MakeBox2D.
struct TBox2D {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
    friend bool operator==(const TBox2D&, const TBox2D&) = default;
};

// (min x, min y, max x, max y); with no points the start values (2147483647, 2147483647,
// -2147483647, -2147483647) remain.
TRect PointsBounds(const TPoint* points, int32_t n);
// Over counts[0..k-1] polygons stored one after another in points.
TRect PolyPointsBounds(const TPoint* points, const int32_t* counts, int32_t k);
// As above; a count list that claims more points than the list holds is cut short.
TRect PolyPointsBounds(const TPoints& points, const TIntegerArray& counts);
TBox2D Points2DBounds(const TPoint2D* points, int32_t n);
TRect NormalizeRect(const TRect& r);
bool SamePoint2D(const TPoint2D& a, const TPoint2D& b);
TBox2D MakeBox2D(double x1, double y1, double x2, double y2);
// Inclusive on all sides.
bool PointInBox2D(const TBox2D& box, const TPoint2D& p);
// The size (X = width, Y = height) of a W x H box rotated by the given cosine and sine.
TPoint RotatedSize(double w, double h, double cos, double sin);

// ---- Hit testing ----------------------------------------------------------------------------

// The first point within 2 pixels on both axes, else -1.
int32_t FindVertex(int32_t x, int32_t y, const TPoint* points, int32_t n);
// The offset of p from the infinite line through a and b along the line's minor axis is
// below tolerance. For a zero-length segment the larger axis offset from a is used.
bool PointNearLine(double tolerance, const TPoint& a, const TPoint& b, const TPoint& p);
bool PointOnSegment(double tolerance, const TPoint& a, const TPoint& b, const TPoint& p);
// Index i of the first segment (p[i], p[i+1]) within 2.5 pixels; when closed, the closing
// segment gives n - 1; else -1.
int32_t FindSegment(int32_t x, int32_t y, const TPoint* points, bool closed, int32_t n);
// FindSegment over each closed polygon in turn; the index is within the hit polygon.
int32_t FindPolySegment(int32_t x, int32_t y, const TPoint* points, const int32_t* counts,
                        int32_t k);
int32_t FindPolySegment(int32_t x, int32_t y, const TPoints& points, const TIntegerArray& counts);
// Even-odd rule; fewer than 3 points contain nothing.
bool PointInPolygon(int32_t x, int32_t y, const TPoint* points, int32_t n);
bool PointInPolyPolygon(int32_t x, int32_t y, const TPoint* points, const int32_t* counts,
                        int32_t k);
bool PointInPolyPolygon(int32_t x, int32_t y, const TPoints& points, const TIntegerArray& counts);

// ---- Lines, curves and shapes ---------------------------------------------------------------

// Steps the integer line from (x1, y1) to (x2, y2), y1 <= y2, with the thin solid pen's error
// terms (start 4 dy - dx, increments 4 dy and 4 (dy - dx), or the same with the axes
// exchanged), calling plot(x, y) for every pixel including both ends. The terms are 64-bit:
// four times a 32-bit span does not fit in 32.
template <class Plot>
inline void StepThinLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Plot&& plot) {
    const int64_t dx = x2 > x1 ? int64_t(x2) - x1 : int64_t(x1) - x2;
    const int64_t dy = int64_t(y2) - y1;
    const int32_t sx = x2 > x1 ? 1 : -1;
    int32_t x = x1;
    int32_t y = y1;
    plot(x, y);
    if (dy < dx) {
        int64_t e = 4 * dy - dx;
        for (int64_t i = 0; i < dx; ++i) {
            if (e < 0) {
                e += 4 * dy;
            } else {
                ++y;
                e += 4 * (dy - dx);
            }
            x += sx;
            plot(x, y);
        }
    } else {
        int64_t e = 4 * dx - dy;
        for (int64_t i = 0; i < dy; ++i) {
            if (e < 0) {
                e += 4 * dx;
            } else {
                x += sx;
                e += 4 * (dx - dy);
            }
            ++y;
            plot(x, y);
        }
    }
}

// Liang-Barsky clipping of the segment to rect (all four edges inclusive); moved ends are
// rounded to nearest. False when nothing remains.
bool ClipLine(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const TRect& rect);
// Calls proc for every pixel of the segment clipped to (0, 0, right, bottom), both ends
// included, stepping like the thin solid pen.
void BresenhamLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   const std::function<void(int32_t, int32_t)>& proc, int32_t right,
                   int32_t bottom);
// The uniform cubic B-spline over a, b, c, d at t in [0, 1], rounded.
int32_t BSplineValue(double a, double b, double c, double d, double t);
// Appends (n - 1) x (steps + 1) curve points for 4 <= n <= 16383 and steps >= 1; otherwise
// appends nothing.
void BSplineCurve(const TPoint* points, int32_t n, TPoints& output, int32_t steps);
// The n vertices (n raised to 3) of a regular polygon on the unit circle: odd ones have a
// vertex at the top, even ones a flat top edge.
void RegularPolygon(int32_t n, TPoints2D& output);
// 2n vertices (n raised to 3) alternating between radius 1 (starting at the top) and 0.25.
void StarPolygon(int32_t n, TPoints2D& output);

} // namespace kolvar
