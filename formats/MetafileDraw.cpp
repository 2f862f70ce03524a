// The drawing calls of the metafile player: figures, text and bitmaps.

#include "formats/MetafilePlayer.h"

#include "formats/DecodeBudget.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kolvar {

namespace {

// An upper bound of a path's length: its control polygon. QPainterPath::length subdivides
// curves until they are flat, which takes seconds on the degenerate curves a damaged file makes.
double ControlPolygonLength(const QPainterPath& path) {
    double length = 0;
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) continue;
        const QPainterPath::Element prev = path.elementAt(i - 1);
        length += std::hypot(e.x - prev.x, e.y - prev.y);
    }
    return length;
}

QColor ColorOf(TColor c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

bool Finite(const QRectF& r) {
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

bool Drawable(const QPainterPath& path) {
    return !path.isEmpty() && Finite(path.controlPointRect());
}

QPainter::CompositionMode Rop2Mode(int rop2) {
    using P = QPainter;
    switch (rop2) {
    case 1:
        return P::RasterOp_ClearDestination;
    case 2:
        return P::RasterOp_NotSourceAndNotDestination;
    case 3:
        return P::RasterOp_NotSourceAndDestination;
    case 4:
        return P::RasterOp_NotSource;
    case 5:
        return P::RasterOp_SourceAndNotDestination;
    case 6:
        return P::RasterOp_NotDestination;
    case 7:
        return P::RasterOp_SourceXorDestination;
    case 8:
        return P::RasterOp_NotSourceOrNotDestination;
    case 9:
        return P::RasterOp_SourceAndDestination;
    case 10:
        return P::RasterOp_NotSourceXorDestination;
    case 12:
        return P::RasterOp_NotSourceOrDestination;
    case 14:
        return P::RasterOp_SourceOrNotDestination;
    case 15:
        return P::RasterOp_SourceOrDestination;
    case 16:
        return P::RasterOp_SetDestination;
    default:
        return P::CompositionMode_SourceOver;
    }
}

// The ternary raster operations that combine a bitmap with the picture.
QPainter::CompositionMode SourceRopMode(uint32_t rop) {
    using P = QPainter;
    switch ((rop >> 16) & 0xFF) {
    case 0xEE:
        return P::RasterOp_SourceOrDestination;
    case 0x88:
        return P::RasterOp_SourceAndDestination;
    case 0x66:
        return P::RasterOp_SourceXorDestination;
    case 0x44:
        return P::RasterOp_SourceAndNotDestination;
    case 0x33:
        return P::RasterOp_NotSource;
    case 0x11:
        return P::RasterOp_NotSourceAndNotDestination;
    case 0xBB:
        return P::RasterOp_NotSourceOrDestination;
    default:
        return P::CompositionMode_SourceOver;
    }
}

bool RopUsesSource(uint32_t rop) {
    return (((rop >> 2) ^ rop) & 0x330000) != 0;
}

Qt::PenStyle DashStyle(uint32_t style) {
    switch (style & gdi::PS_STYLE_MASK) {
    case gdi::PS_DASH:
        return Qt::DashLine;
    case gdi::PS_DOT:
    case gdi::PS_ALTERNATE:
        return Qt::DotLine;
    case gdi::PS_DASHDOT:
        return Qt::DashDotLine;
    case gdi::PS_DASHDOTDOT:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

// Lines end one pixel short of their last point, so that a chain of LineTo calls touches each
// pixel once. Thin pens only: a wide pen's cap covers the point anyway.
void ShortenLastSegment(QPainterPath& path) {
    int n = path.elementCount();
    if (n < 2 || !path.elementAt(n - 1).isLineTo()) return;
    QPointF a = path.elementAt(n - 2), b = path.elementAt(n - 1);
    double dx = b.x() - a.x(), dy = b.y() - a.y();
    double major = std::max(std::abs(dx), std::abs(dy));
    if (major < 1) return;
    path.setElementPositionAt(n - 1, b.x() - dx / major, b.y() - dy / major);
}

double ParamAngle(QPointF p, QPointF c, double rx, double ry) {
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180 / std::numbers::pi;
}

// An elliptic arc from the ray through `start` to the ray through `end`, counter-clockwise on
// screen unless `clockwise`. Equal rays give the whole ellipse.
void AddArc(QPainterPath& path, const QRectF& r, QPointF start, QPointF end, bool clockwise,
            TMetafilePlayer::TArcKind kind, bool connect) {
    QPointF c = r.center();
    double rx = r.width() / 2, ry = r.height() / 2;
    if (!(rx > 0) || !(ry > 0)) return;
    double a0 = ParamAngle(start, c, rx, ry), a1 = ParamAngle(end, c, rx, ry);
    double sweep = std::fmod(a1 - a0, 360.0);
    if (!clockwise && sweep <= 0) sweep += 360;
    if (clockwise && sweep >= 0) sweep -= 360;
    using K = TMetafilePlayer::TArcKind;
    if (kind == K::Pie) {
        path.moveTo(c);
    } else if (!connect) {
        path.arcMoveTo(r, a0);
    }
    path.arcTo(r, a0, sweep);
    if (kind == K::Pie || kind == K::Chord) path.closeSubpath();
}

} // namespace

struct TMetafilePlayer::TBoxSpace {
    QRectF Fill, Stroke;
    QTransform ToSpace, ToOutput;
    bool Flip = false;
};

// Figures given by a bounding box exclude its right and bottom edges in device pixels. When the
// mapping keeps axes apart that is done in output pixels; otherwise the figure is built in
// logical units and mapped whole.
TMetafilePlayer::TBoxSpace TMetafilePlayer::BoxSpace(const QRectF& box) const {
    TBoxSpace s;
    QTransform t = LogicalToOutput();
    QRectF full = box.normalized();
    if (t.type() <= QTransform::TxScale) {
        full = t.mapRect(full);
        s.Stroke = full;
        if (s.Stroke.width() >= 1) s.Stroke.setRight(s.Stroke.right() - 1);
        if (s.Stroke.height() >= 1) s.Stroke.setBottom(s.Stroke.bottom() - 1);
        double w = PenWidthOutput();
        if ((state_.Pen.Style & gdi::PS_STYLE_MASK) == gdi::PS_INSIDEFRAME && w > 1)
            s.Stroke = full.adjusted(w / 2, w / 2, -w / 2, -w / 2);
        s.ToSpace = t;
    } else {
        s.Stroke = full;
        s.ToOutput = t;
        s.Flip = t.determinant() < 0;
    }
    s.Fill = PenDraws() ? s.Stroke : full;
    return s;
}

void TMetafilePlayer::DrawBoxShape(
    const QRectF& box, const std::function<void(QPainterPath&, const QRectF&, bool)>& shape) {
    TBoxSpace s = BoxSpace(box);
    QPainterPath fill, stroke;
    shape(fill, s.Fill, true);
    shape(stroke, s.Stroke, false);
    DrawShape(s.ToOutput.map(fill), s.ToOutput.map(stroke));
}

void TMetafilePlayer::DrawShape(const QPainterPath& fillPath, const QPainterPath& strokePath) {
    if (inPath_) {
        AddToPath(fillPath, false);
        return;
    }
    FillOutput(fillPath, state_.Brush);
    StrokeOutput(strokePath, false);
}

void TMetafilePlayer::DrawOpen(const QPainterPath& path, bool shortenEnd) {
    StrokeOutput(path, shortenEnd);
}

void TMetafilePlayer::Prepare(bool useRop2) {
    if (clipDirty_) {
        ApplyClip(state_.Clip);
        clipDirty_ = false;
    }
    painter_.setCompositionMode(useRop2 ? Rop2Mode(state_.Rop2)
                                        : QPainter::CompositionMode_SourceOver);
    painter_.setBackgroundMode(state_.BkMode == gdi::OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_.setBackground(ColorOf(state_.BkColor));
}

bool TMetafilePlayer::PenDraws() const {
    return (state_.Pen.Style & gdi::PS_STYLE_MASK) != gdi::PS_NULL && state_.Rop2 != gdi::R2_NOP;
}

bool TMetafilePlayer::BrushDraws(const TMetaBrush& brush) const {
    if (brush.Style == gdi::BS_NULL || state_.Rop2 == gdi::R2_NOP) return false;
    bool pattern = brush.Style == gdi::BS_PATTERN || brush.Style == gdi::BS_DIBPATTERN ||
                   brush.Style == gdi::BS_DIBPATTERNPT;
    return !pattern || !brush.Pattern.isNull();
}

double TMetafilePlayer::PenWidthOutput() const {
    if (!(state_.Pen.Width > 0)) return 1;
    double scale = std::sqrt(std::abs(LogicalToOutput().determinant()));
    double w = state_.Pen.Width * scale;
    // Wider than the picture looks no different; the painter takes widths below 2^15.
    double widest = std::min(2.0 * (target_.width() + target_.height()) + 16, 32767.0);
    return std::isfinite(w) ? std::min(w, widest) : 1;
}

QBrush TMetafilePlayer::MakeBrush(const TMetaBrush& brush) const {
    static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                             Qt::FDiagPattern, Qt::BDiagPattern,
                                             Qt::CrossPattern, Qt::DiagCrossPattern};
    switch (brush.Style) {
    case gdi::BS_HATCHED:
        return brush.Hatch < 6 ? QBrush(ColorOf(brush.Color), hatches[brush.Hatch])
                               : QBrush(ColorOf(brush.Color));
    case gdi::BS_PATTERN:
    case gdi::BS_DIBPATTERN:
    case gdi::BS_DIBPATTERNPT:
        return QBrush(brush.Pattern);
    default:
        return QBrush(ColorOf(brush.Color));
    }
}

void TMetafilePlayer::ChargeDrawing(const QRectF& output, double estimate) {
    // Pixels the rasteriser touches, at most those of the box on the canvas. A play may touch
    // each canvas pixel many times, but not without end: a small file of records that each
    // fill a giant canvas would otherwise keep the program busy for days.
    const QRectF shown = output.intersected(QRectF(target_.rect()));
    if (shown.isEmpty()) return;
    const double area = shown.width() * shown.height();
    const double cost = std::isfinite(estimate) ? std::min(area, estimate) : area;
    work_ += int64_t(std::ceil(cost));
    const TDecodeBudget* budget = TDecodeBudget::Current();
    const int64_t limit =
        budget ? budget->Limits().MetafileDrawing : TDecodeLimits().MetafileDrawing;
    const int64_t canvas = int64_t(target_.width()) * target_.height();
    if (work_ > std::max(limit, 64 * canvas))
        throw EDecodeBudgetError("The metafile draws far more than its picture can show");
}

void TMetafilePlayer::FillWith(const QPainterPath& path, const QBrush& brush,
                               QPainter::CompositionMode mode) {
    if (!Drawable(path)) return;
    ChargeDrawing(path.controlPointRect());
    Prepare(false);
    painter_.setCompositionMode(mode);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(brush);
    painter_.drawPath(path);
}

void TMetafilePlayer::FillOutput(const QPainterPath& path, const TMetaBrush& brush) {
    if (!BrushDraws(brush) || !Drawable(path)) return;
    ChargeDrawing(path.controlPointRect());
    Prepare();
    QPainterPath p = path;
    p.setFillRule(state_.PolyFillMode == gdi::WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(MakeBrush(brush));
    painter_.drawPath(p);
}

void TMetafilePlayer::StrokeOutput(const QPainterPath& path, bool shortenEnd) {
    if (!PenDraws() || !Drawable(path)) return;
    Prepare();
    const TMetaPen& mp = state_.Pen;
    double width = PenWidthOutput();
    // A stroke covers about its length times its width, far less than its box when thin.
    const double reach = std::max(width, 1.0) * 2 + 2;
    ChargeDrawing(path.controlPointRect().adjusted(-reach, -reach, reach, reach),
                  (ControlPolygonLength(path) + reach) * reach);
    QPen pen(ColorOf(mp.Color));
    QPainterPath p = path;
    if (width < 1.5) {
        pen.setWidth(0);
        pen.setStyle(DashStyle(mp.Style));
        if (shortenEnd) ShortenLastSegment(p);
    } else {
        pen.setWidthF(width);
        uint32_t cap = mp.Extended ? mp.Style & gdi::PS_ENDCAP_MASK : 0;
        uint32_t join = mp.Extended ? mp.Style & gdi::PS_JOIN_MASK : 0;
        pen.setCapStyle(cap == gdi::PS_ENDCAP_FLAT     ? Qt::FlatCap
                        : cap == gdi::PS_ENDCAP_SQUARE ? Qt::SquareCap
                                                       : Qt::RoundCap);
        pen.setJoinStyle(join == gdi::PS_JOIN_BEVEL   ? Qt::BevelJoin
                         : join == gdi::PS_JOIN_MITER ? Qt::MiterJoin
                                                      : Qt::RoundJoin);
        pen.setMiterLimit(state_.MiterLimit);
        if (mp.Extended) pen.setStyle(DashStyle(mp.Style));
    }
    painter_.setBrush(Qt::NoBrush);
    painter_.setPen(pen);
    painter_.drawPath(p);
}

// ---- lines and figures ----

void TMetafilePlayer::MoveTo(QPointF p) {
    state_.Position = p;
    figureOpen_ = false;
}

void TMetafilePlayer::LineTo(QPointF p) {
    QTransform t = LogicalToOutput();
    QPainterPath path(t.map(state_.Position));
    path.lineTo(t.map(p));
    state_.Position = p;
    if (inPath_)
        AddToPath(path, true);
    else
        DrawOpen(path, true);
}

void TMetafilePlayer::Polyline(const QPolygonF& points) {
    if (points.size() < 2) return;
    QPainterPath path;
    path.addPolygon(LogicalToOutput().map(points));
    if (inPath_)
        AddToPath(path, false), figureOpen_ = true;
    else
        DrawOpen(path, true);
}

void TMetafilePlayer::PolylineTo(const QPolygonF& points) {
    if (points.isEmpty()) return;
    QTransform t = LogicalToOutput();
    QPainterPath path(t.map(state_.Position));
    for (const QPointF& p : points) path.lineTo(t.map(p));
    state_.Position = points.back();
    if (inPath_)
        AddToPath(path, true);
    else
        DrawOpen(path, true);
}

void TMetafilePlayer::PolyBezier(const QPolygonF& points) {
    if (points.size() < 4) return;
    QPolygonF o = LogicalToOutput().map(points);
    QPainterPath path(o[0]);
    for (qsizetype i = 1; i + 2 < o.size(); i += 3) path.cubicTo(o[i], o[i + 1], o[i + 2]);
    if (inPath_)
        AddToPath(path, false), figureOpen_ = true;
    else
        DrawOpen(path, false);
}

void TMetafilePlayer::PolyBezierTo(const QPolygonF& points) {
    if (points.size() < 3) return;
    QTransform t = LogicalToOutput();
    QPolygonF o = t.map(points);
    QPainterPath path(t.map(state_.Position));
    qsizetype i = 0;
    for (; i + 2 < o.size(); i += 3) path.cubicTo(o[i], o[i + 1], o[i + 2]);
    state_.Position = points[i - 1];
    if (inPath_)
        AddToPath(path, true);
    else
        DrawOpen(path, false);
}

void TMetafilePlayer::PolyDraw(const QPolygonF& points, const std::vector<uint8_t>& types) {
    constexpr uint8_t kClose = 1, kLineTo = 2, kBezierTo = 4, kMoveTo = 6;
    QTransform t = LogicalToOutput();
    QPainterPath path(t.map(state_.Position));
    for (qsizetype i = 0; i < points.size() && size_t(i) < types.size(); ++i) {
        uint8_t type = types[size_t(i)] & ~kClose;
        if (type == kMoveTo) {
            path.moveTo(t.map(points[i]));
        } else if (type == kLineTo) {
            path.lineTo(t.map(points[i]));
        } else if (type == kBezierTo && i + 2 < points.size()) {
            path.cubicTo(t.map(points[i]), t.map(points[i + 1]), t.map(points[i + 2]));
            i += 2;
        } else {
            break;
        }
        state_.Position = points[i];
        if (types[size_t(i)] & kClose) path.closeSubpath();
    }
    if (inPath_)
        AddToPath(path, true);
    else
        DrawOpen(path, false);
}

void TMetafilePlayer::Polygon(const QPolygonF& points) {
    if (points.size() < 2) return;
    QPainterPath path;
    path.addPolygon(LogicalToOutput().map(points));
    path.closeSubpath();
    DrawShape(path, path);
}

void TMetafilePlayer::PolyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath path;
    QTransform t = LogicalToOutput();
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() < 2) continue;
        path.addPolygon(t.map(polygon));
        path.closeSubpath();
    }
    DrawShape(path, path);
}

void TMetafilePlayer::PolyPolyline(const std::vector<QPolygonF>& polylines) {
    for (const QPolygonF& polyline : polylines) Polyline(polyline);
}

void TMetafilePlayer::Rectangle(const QRectF& box) {
    DrawBoxShape(box, [](QPainterPath& p, const QRectF& r, bool) { p.addRect(r); });
}

void TMetafilePlayer::Ellipse(const QRectF& box) {
    DrawBoxShape(box, [](QPainterPath& p, const QRectF& r, bool) { p.addEllipse(r); });
}

void TMetafilePlayer::RoundRect(const QRectF& box, QSizeF corner) {
    TBoxSpace s = BoxSpace(box);
    double cw = std::abs(corner.width() * s.ToSpace.m11());
    double ch = std::abs(corner.height() * s.ToSpace.m22());
    DrawBoxShape(box, [&](QPainterPath& p, const QRectF& r, bool) {
        p.addRoundedRect(r, std::min(cw, r.width()) / 2, std::min(ch, r.height()) / 2);
    });
}

void TMetafilePlayer::Arc(const QRectF& box, QPointF start, QPointF end, TArcKind kind) {
    TBoxSpace s = BoxSpace(box);
    QPointF a = s.ToSpace.map(start), b = s.ToSpace.map(end);
    bool clockwise = state_.Clockwise != s.Flip;
    if (kind == TArcKind::Arc || kind == TArcKind::ArcTo) {
        QPainterPath path;
        bool connect = kind == TArcKind::ArcTo;
        if (connect) path.moveTo(s.ToSpace.map(state_.Position));
        AddArc(path, s.Stroke, a, b, clockwise, kind, connect);
        path = s.ToOutput.map(path);
        if (connect && !path.isEmpty())
            state_.Position = LogicalToOutput().inverted().map(path.currentPosition());
        if (inPath_)
            AddToPath(path, connect);
        else
            DrawOpen(path, false);
        return;
    }
    DrawBoxShape(box, [&](QPainterPath& p, const QRectF& r, bool) {
        AddArc(p, r, a, b, clockwise, kind, false);
    });
}

void TMetafilePlayer::AngleArc(QPointF centre, double radius, double startDegrees,
                               double sweepDegrees) {
    if (!std::isfinite(radius) || !std::isfinite(startDegrees) || !std::isfinite(sweepDegrees))
        return;
    QRectF r(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath logical(state_.Position);
    QPainterPath ring;
    ring.arcMoveTo(r, startDegrees);
    logical.lineTo(ring.currentPosition());
    logical.arcTo(r, startDegrees, std::clamp(sweepDegrees, -3600.0, 3600.0));
    state_.Position = logical.currentPosition();
    QPainterPath path = LogicalToOutput().map(logical);
    if (inPath_)
        AddToPath(path, true);
    else
        DrawOpen(path, false);
}

void TMetafilePlayer::SetPixel(QPointF p, TColor color) {
    QPointF o = LogicalToOutput().map(p);
    if (!std::isfinite(o.x()) || !std::isfinite(o.y())) return;
    double x = std::floor(o.x() + 1e-7), y = std::floor(o.y() + 1e-7);
    if (x < 0 || y < 0 || x >= target_.width() || y >= target_.height()) return;
    Prepare(false);
    painter_.fillRect(QRect(int(x), int(y), 1, 1), ColorOf(color));
}

// ---- text ----

QFont TMetafilePlayer::MakeFont(double& pixelHeight) const {
    const TMetaFont& lf = state_.Font;
    QTransform t = LogicalToOutput();
    double ys = std::hypot(t.m21(), t.m22());
    double xs = std::hypot(t.m11(), t.m12());
    double h = lf.Height ? std::abs(double(lf.Height)) * ys
                         : 16 * std::hypot(device_.ToOutput.m21(), device_.ToOutput.m22());
    h = std::isfinite(h) ? std::clamp(h, 1.0, 8192.0) : 16;
    QString face = lf.FaceName;
    if (face.isEmpty()) {
        uint8_t family = lf.PitchAndFamily & 0xF0;
        face = family == 0x10                                   ? QStringLiteral("Times New Roman")
               : family == 0x30 || (lf.PitchAndFamily & 3) == 1 ? QStringLiteral("Courier New")
                                                                : QStringLiteral("Arial");
    }
    QFont font(face);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(std::max(1, int(std::nearbyint(h))));
    font.setWeight(QFont::Weight(lf.Weight > 0 ? std::clamp(lf.Weight, 1, 1000) : 400));
    font.setItalic(lf.Italic);
    font.setUnderline(lf.Underline);
    font.setStrikeOut(lf.StrikeOut);
    if (lf.Height > 0) {
        QFontMetricsF fm(font);
        double cell = fm.ascent() + fm.descent();
        if (cell > 0) font.setPixelSize(std::max(1, int(std::nearbyint(h * h / cell))));
    }
    if (lf.Width != 0) {
        QFontMetricsF fm(font);
        double average = fm.averageCharWidth();
        double wanted = std::abs(double(lf.Width)) * xs;
        if (average > 0 && std::isfinite(wanted))
            font.setStretch(int(std::clamp(std::nearbyint(100 * wanted / average), 1.0, 4000.0)));
    }
    pixelHeight = h;
    return font;
}

void TMetafilePlayer::ChargeText(const QRectF& output) {
    // Rasterising text costs about a byte per pixel it covers on the canvas.
    ChargeDrawing(output);
    TDecodeBudget* budget = TDecodeBudget::Current();
    const QRectF shown = output.intersected(QRectF(target_.rect()));
    if (!budget || shown.isEmpty()) return;
    budget->ChargeMetafile(int64_t(std::ceil(shown.width() * shown.height())), "text");
}

void TMetafilePlayer::TextOut(const TTextRun& run) {
    // Glyph indices belong to the recording machine's font; drawing them as characters would
    // show nonsense, so such runs only paint their opaque rectangle.
    bool glyphs = run.Options & gdi::ETO_GLYPH_INDEX;
    QTransform t = LogicalToOutput();
    uint32_t align = state_.TextAlign;
    bool useCp = align & gdi::TA_UPDATECP;
    QPointF reference = useCp ? state_.Position : run.Reference;
    QPointF origin = t.map(reference);
    if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()) || inPath_) return;

    double pixelHeight = 0;
    QFont font = MakeFont(pixelHeight);
    QFontMetricsF fm(font);
    double xs = std::hypot(t.m11(), t.m12());
    double width = 0;
    std::vector<double> advances;
    if (!run.Dx.empty()) {
        for (double dx : run.Dx) advances.push_back(dx * xs);
        for (double a : advances) width += a;
    } else if (!glyphs) {
        width = fm.horizontalAdvance(run.Text);
    }
    if (!std::isfinite(width)) return;

    const QTransform& w = state_.World;
    double angle =
        state_.Font.Escapement / 10.0 - std::atan2(w.m12(), w.m11()) * 180 / std::numbers::pi;
    double x0 = (align & gdi::TA_HORZ_MASK) == gdi::TA_CENTER ? -width / 2
                : (align & gdi::TA_RIGHT)                     ? -width
                                                              : 0;
    uint32_t vertical = align & gdi::TA_VERT_MASK;
    double baseline = vertical == gdi::TA_BASELINE ? 0
                      : vertical == gdi::TA_BOTTOM ? -fm.descent()
                                                   : fm.ascent();

    Prepare(false);
    painter_.save();
    if ((run.Options & gdi::ETO_OPAQUE) && run.Rect) {
        QPainterPath box;
        box.addRegion(LogicalRectsToOutput({*run.Rect}));
        painter_.fillPath(box, ColorOf(state_.BkColor));
    }
    if ((run.Options & gdi::ETO_CLIPPED) && run.Rect) {
        QRegion clip = LogicalRectsToOutput({*run.Rect});
        if (painter_.hasClipping()) clip &= painter_.clipRegion();
        painter_.setClipRegion(clip);
    }
    painter_.translate(origin);
    painter_.rotate(-angle);
    painter_.setBackgroundMode(Qt::TransparentMode);
    if (state_.BkMode == gdi::OPAQUE && !glyphs)
        painter_.fillRect(QRectF(x0, baseline - fm.ascent(), width, fm.ascent() + fm.descent()),
                          ColorOf(state_.BkColor));
    if (!glyphs)
        ChargeText(painter_.transform().mapRect(
            QRectF(x0, baseline - fm.ascent(), width, fm.ascent() + fm.descent())));
    // Glyphs larger than the canvas go as outlines, which the rasteriser clips to the canvas;
    // the font's own glyph images would be as large as the glyphs.
    const bool outlines = pixelHeight > std::max(target_.width(), target_.height());
    QPainterPath outline;
    const auto draw = [&](QPointF at, const QString& text) {
        if (outlines)
            outline.addText(at, font, text);
        else
            painter_.drawText(at, text);
    };
    painter_.setFont(font);
    painter_.setPen(ColorOf(state_.TextColor));
    if (glyphs) {
    } else if (advances.empty()) {
        draw(QPointF(x0, baseline), run.Text);
    } else {
        double x = x0;
        for (qsizetype i = 0; i < run.Text.size(); ++i) {
            qsizetype n = run.Text[i].isHighSurrogate() && i + 1 < run.Text.size() ? 2 : 1;
            draw(QPointF(x, baseline), run.Text.mid(i, n));
            for (qsizetype k = 0; k < n && size_t(i + k) < advances.size(); ++k)
                x += advances[size_t(i + k)];
            i += n - 1;
        }
    }
    if (outlines) painter_.fillPath(outline, ColorOf(state_.TextColor));
    painter_.restore();
    clipDirty_ = true;

    if (useCp) {
        double along = (align & gdi::TA_HORZ_MASK) == gdi::TA_CENTER ? 0
                       : (align & gdi::TA_RIGHT)                     ? -width
                                                                     : width;
        double rad = angle * std::numbers::pi / 180;
        QPointF end = origin + QPointF(std::cos(rad) * along, -std::sin(rad) * along);
        bool invertible = false;
        QTransform back = t.inverted(&invertible);
        if (invertible) state_.Position = back.map(end);
    }
}

// ---- bitmaps and regions ----

void TMetafilePlayer::PatBlt(const QRectF& destLogical, uint32_t rop) {
    QPainterPath path;
    path.addRect(destLogical);
    path = LogicalToOutput().map(path);
    switch ((rop >> 16) & 0xFF) {
    case 0x00:
        FillWith(path, Qt::black, QPainter::CompositionMode_SourceOver);
        break;
    case 0xFF:
        FillWith(path, Qt::white, QPainter::CompositionMode_SourceOver);
        break;
    case 0x55:
        FillWith(path, Qt::white, QPainter::RasterOp_NotDestination);
        break;
    case 0xAA:
        break;
    case 0x5A:
        if (BrushDraws(state_.Brush))
            FillWith(path, MakeBrush(state_.Brush), QPainter::RasterOp_SourceXorDestination);
        break;
    default:
        if (BrushDraws(state_.Brush))
            FillWith(path, MakeBrush(state_.Brush), QPainter::CompositionMode_SourceOver);
        break;
    }
}

QSize TMetafilePlayer::SampleStep(const QRectF& destLogical, const QRectF& source) const {
    // Bitmaps up to this size are decoded whole, so that ordinary pictures draw exactly.
    constexpr double kWholeBitmapPixels = 1 << 22;
    if (std::abs(source.width() * source.height()) <= kWholeBitmapPixels) return QSize(1, 1);
    const QRectF out = LogicalToOutput().mapRect(destLogical.normalized());
    auto step = [](double from, double to) {
        const double k = std::floor(std::abs(from) / std::max(to, 1.0));
        return std::isfinite(k) ? int(std::clamp(k, 1.0, 65535.0)) : 1;
    };
    return QSize(step(source.width(), out.width()), step(source.height(), out.height()));
}

void TMetafilePlayer::BitBlt(const QRectF& destLogical, const QImage& source,
                             const QRectF& sourceRect, uint32_t rop) {
    if (!RopUsesSource(rop)) {
        PatBlt(destLogical, rop);
        return;
    }
    if (source.isNull() || inPath_) return;
    double sw = sourceRect.width(), sh = sourceRect.height();
    double dw = destLogical.width(), dh = destLogical.height();
    if (sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
    double kx = dw / sw, ky = dh / sh;
    QTransform toLogical(kx, 0, 0, ky, destLogical.x() - sourceRect.x() * kx,
                         destLogical.y() - sourceRect.y() * ky);
    QTransform full = toLogical * LogicalToOutput();
    QRectF wanted = sourceRect.normalized().intersected(QRectF(source.rect()));
    QRect valid = wanted.toAlignedRect().intersected(source.rect());
    if (valid.isEmpty() || !std::isfinite(full.determinant()) || full.determinant() == 0) return;
    ChargeDrawing(full.mapRect(QRectF(valid)));
    Prepare(false);
    painter_.setCompositionMode(SourceRopMode(rop));
    painter_.setTransform(full);
    painter_.drawImage(QPointF(valid.topLeft()), source, valid);
    painter_.resetTransform();
}

void TMetafilePlayer::FillRegion(const QRegion& output, const TMetaBrush& brush) {
    QPainterPath path;
    path.addRegion(output);
    FillOutput(path, brush);
}

void TMetafilePlayer::InvertRegion(const QRegion& output) {
    QPainterPath path;
    path.addRegion(output);
    FillWith(path, Qt::white, QPainter::RasterOp_NotDestination);
}

} // namespace kolvar
