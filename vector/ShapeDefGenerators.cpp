// Shapes made rather than read: regular polygons, stars and the outlines of text.

#include "vector/ShapeDef.h"

#include <QFont>
#include <QPainterPath>
#include <QRawFont>

#include <algorithm>
#include <vector>

namespace kolvar {

namespace {

void RequirePoints(int64_t n) {
    if (n > TItemList::MaxCapacity) throw EArrayError(QStringLiteral("Shape has too many points"));
}

void SetValuePoints(TShapeDef& def, const std::vector<int32_t>& counts,
                    const std::vector<TPoint2D>& points) {
    TIntegerArray c(int32_t(counts.size()));
    for (int32_t n : counts) c.Add(n);
    TShapePoints p(int32_t(points.size()));
    for (const TPoint2D& q : points)
        p.Add(TShapePoint{TShapeCoord::FromValue(q.X), TShapeCoord::FromValue(q.Y)});
    def.SetData(c, TKeyPoints(), p);
}

} // namespace

void MakeRegularPolygon(int32_t N, TShapeDef& Def) {
    RequirePoints(N);
    TPoints2D v;
    RegularPolygon(N, v);
    std::vector<TPoint2D> points(v.Data(), v.Data() + v.Count());
    SetValuePoints(Def, {v.Count()}, points);
}

void MakeStar(int32_t N, bool Nova, TShapeDef& Def) {
    N = std::max(N, 3);
    const int32_t m = Nova ? 2 * N : N;
    RequirePoints(4 * int64_t(m));
    TPoints2D base;
    StarPolygon(m, base);

    TKeyPoints keys;
    keys.Add(TKeyPoint{0.25, 0.25, 0.1, 0.1, 0.9, 0.9, rmLine});
    if (Nova) keys.Add(TKeyPoint{-0.65, -0.65, -0.1, -0.1, -0.9, -0.9, rmLine});

    TShapePoints points(base.Count());
    for (int32_t k = 0; k < base.Count(); ++k) {
        const TPoint2D b = base.Get(k);
        TShapePoint p;
        if (k % 2 == 1) {
            // Inner points follow key point 0: their radius is 4 x the key's distance.
            p.X = TShapeCoord::FromExpr(QString::asprintf("%.2f*%s", 4 * b.X, "KeyX(0)"));
            p.Y = TShapeCoord::FromExpr(QString::asprintf("%.2f*%s", 4 * b.Y, "KeyY(0)"));
        } else if (Nova && (k + 2) % 4 == 0) {
            p.X = TShapeCoord::FromExpr(QString::asprintf("%.2f*(-(%s))", b.X, "KeyX(1)"));
            p.Y = TShapeCoord::FromExpr(QString::asprintf("%.2f*(-(%s))", b.Y, "KeyY(1)"));
        } else {
            p.X = TShapeCoord::FromValue(b.X);
            p.Y = TShapeCoord::FromValue(b.Y);
        }
        points.Add(p);
    }
    TIntegerArray counts;
    counts.Add(base.Count());
    Def.SetData(counts, keys, points);
}

namespace {

// Collects glyph contours as rings of points, in font units with y pointing up.
class TOutlineCollector {
public:
    std::vector<TPoint2D> Points;
    std::vector<int32_t> Counts;

    void StartContour(const TPoint2D& p) {
        CloseContour();
        RecordRing();
        Points.push_back(p);
        FStart = p;
        FOpen = true;
    }
    void LineTo(const TPoint2D& p) {
        if (Points.empty() || p != Points.back()) Points.push_back(p);
    }
    // The quadratic from the current point through control q to e, in four steps.
    void QuadTo(const TPoint2D& q, const TPoint2D& e) {
        const TPoint2D s = Points.empty() ? e : Points.back();
        for (int i = 1; i <= 4; ++i) {
            if (i == 4) {
                LineTo(e);
                break;
            }
            const double t = i * 0.25;
            const double a = (1 - t) * (1 - t);
            const double b = 2 * (1 - t) * t;
            const double c = t * t;
            LineTo({a * s.X + b * q.X + c * e.X, a * s.Y + b * q.Y + c * e.Y});
        }
    }
    void CloseContour() {
        if (FOpen) LineTo(FStart);
        FOpen = false;
    }
    void RecordRing() {
        const auto n = int32_t(Points.size() - FRingStart);
        if (n > 0) Counts.push_back(n);
        FRingStart = Points.size();
    }
    // Back to an earlier state between glyphs.
    void Truncate(size_t points, size_t counts) {
        Points.resize(points);
        Counts.resize(counts);
        FRingStart = points;
        FOpen = false;
    }

private:
    TPoint2D FStart;
    bool FOpen = false;
    size_t FRingStart = 0;
};

// Adds one glyph's path at pen position x. Qt hands TrueType quadratics over as cubics with
// c1 = p0 + 2/3 (q - p0), so q = (3 c1 - p0) / 2 recovers the control point exactly.
void AddGlyph(const QPainterPath& path, double x, TOutlineCollector& out) {
    auto at = [&path, x](int i) {
        const QPainterPath::Element e = path.elementAt(i);
        return TPoint2D{e.x + x, -e.y};
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            out.StartContour(at(i));
        } else if (e.isLineTo()) {
            out.LineTo(at(i));
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const TPoint2D p0 = out.Points.empty() ? at(i) : out.Points.back();
            const TPoint2D c1 = at(i);
            const TPoint2D end = at(i + 2);
            out.QuadTo({(3 * c1.X - p0.X) / 2, (3 * c1.Y - p0.Y) / 2}, end);
            i += 2;
        }
    }
    out.CloseContour();
    out.RecordRing();
}

} // namespace

void MakeTextOutline(const QString& Text, const QString& FontName, int FontStyle, TShapeDef& Def) {
    QFont font(FontName);
    font.setPixelSize(1024);
    font.setBold((FontStyle & 1) != 0);
    font.setItalic((FontStyle & 2) != 0);
    const QRawFont raw = QRawFont::fromFont(font);

    TOutlineCollector out;
    double x = 10;
    const QList<uint> chars = Text.toUcs4();
    for (uint ch : chars) {
        if (ch == u' ' && Text.size() > 1) {
            x += raw.averageCharWidth();
            continue;
        }
        const QList<quint32> glyphs =
            raw.isValid() ? raw.glyphIndexesForString(
                                QString::fromUcs4(reinterpret_cast<const char32_t*>(&ch), 1))
                          : QList<quint32>();
        if (glyphs.isEmpty()) break;
        const QPainterPath path = raw.pathForGlyph(glyphs[0]);
        if (path.isEmpty()) break;
        // A text too long for one shape keeps the glyphs that fit.
        const size_t points = out.Points.size();
        const size_t counts = out.Counts.size();
        AddGlyph(path, x, out);
        if (out.Points.size() > size_t(TItemList::MaxCapacity)) {
            out.Truncate(points, counts);
            break;
        }
        const QList<QPointF> advance = raw.advancesForGlyphIndexes(glyphs);
        x += advance.isEmpty() ? 0 : advance[0].x();
    }

    // Into the unit square, filling it, with y pointing down.
    const TBox2D box = Points2DBounds(out.Points.data(), int32_t(out.Points.size()));
    const double cx = (box.Left + box.Right) / 2;
    const double cy = (box.Top + box.Bottom) / 2;
    const double hw = (box.Right - box.Left) / 2;
    const double hh = (box.Bottom - box.Top) / 2;
    const double sx = hw > 0 ? 1 / hw : 1;
    const double sy = hh > 0 ? -1 / hh : -1;
    for (TPoint2D& p : out.Points) p = {(p.X - cx) * sx, (p.Y - cy) * sy};
    SetValuePoints(Def, out.Counts, out.Points);
}

} // namespace kolvar
