#include "vector/ShapeDef.h"

#include "raster/DibContainer.h"
#include "raster/DibMath.h"

#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace kolvar {

// --- records ----------------------------------------------------------------------------

TShapeCoord TShapeCoord::FromValue(double v) {
    TShapeCoord c;
    c.ValueMode = cmValue;
    c.Value = v;
    return c;
}

TShapeCoord TShapeCoord::FromExpr(const QString& text) {
    TShapeCoord c;
    c.ValueMode = cmExpr;
    const QByteArray bytes = text.left(MaxExprLength).toLatin1();
    c.ExprLength = uint8_t(bytes.size());
    std::memcpy(c.Expr, bytes.constData(), size_t(bytes.size()));
    return c;
}

QString TShapeCoord::ExprText() const {
    return QString::fromLatin1(Expr, std::min<int>(ExprLength, MaxExprLength));
}

TKeyPoint TKeyPoints::Get(int32_t i) const {
    TKeyPoint k;
    TArray::Get(i, &k);
    return k;
}

TShapePoint TShapePoints::Get(int32_t i) const {
    TShapePoint p;
    GetItem(i, &p);
    return p;
}

bool TShapeDefResource::Equals(const TResource& other) const {
    if (!TResource::Equals(other)) return false;
    const auto& o = static_cast<const TShapeDefResource&>(other);
    return Counts.Equals(o.Counts) && KeyPoints.Equals(o.KeyPoints) && Points.Equals(o.Points);
}

void TShapeDefResource::Assign(const TResource& source) {
    if (!TResource::Equals(source)) return;
    const auto& s = static_cast<const TShapeDefResource&>(source);
    Counts.Assign(s.Counts);
    KeyPoints.Assign(s.KeyPoints);
    Points.Assign(s.Points);
}

// --- the unit's shared state ------------------------------------------------------------

namespace {

// The parser that coordinate expressions run in, with KEYX(i) and KEYY(i) reading the key
// points of the outline being built.
class TKeyParser : public TParser {
public:
    TKeyParser() {
        AddFunction("KEYX", [this](double i) { return Key(i).X; });
        AddFunction("KEYY", [this](double i) { return Key(i).Y; });
    }
    void SetKeyPoints(const TPoints2D& p) { FKeys.Assign(p); }

private:
    TPoint2D Key(double arg) const {
        const int32_t i = Round(arg);
        return i >= 0 && i < FKeys.Count() ? FKeys.Get(i) : TPoint2D{};
    }
    TPoints2D FKeys;
};

std::unique_ptr<TResource> NewShapeDefResource(const QString& name) {
    return std::make_unique<TShapeDefResource>(name);
}

void FillDefaultRectangle(TShapeDefResource& r) {
    r.Counts.Add(4);
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners)
        r.Points.Add(TShapePoint{TShapeCoord::FromValue(c[0]), TShapeCoord::FromValue(c[1])});
}

} // namespace

struct TShapeUnit {
    TKeyParser KeyParser;
    TResourceManager Manager{QStringLiteral("TShapeDefResource"), NewShapeDefResource};
    TResource* DefaultResource = nullptr;
    std::unique_ptr<TShapeDef> DefaultDef;

    TShapeUnit() {
        DefaultResource = Manager.Acquire(nullptr);
        DefaultDef.reset(new TShapeDef(Manager, DefaultResource));
        // The one change in place: the shared default becomes the rectangle every new
        // definition starts as.
        FillDefaultRectangle(static_cast<TShapeDefResource&>(*DefaultResource));
    }
    ~TShapeUnit() {
        DefaultDef.reset();
        Manager.Release(DefaultResource);
    }
};

namespace {

TShapeUnit& Unit() {
    static TShapeUnit unit;
    return unit;
}

} // namespace

TResourceManager& ShapeDefManager() {
    return Unit().Manager;
}
const TShapeDef& DefaultShapeDef() {
    return *Unit().DefaultDef;
}

// --- TShapeDef ----------------------------------------------------------------------------

TShapeDef::TShapeDef(TResourceManager& manager, TResource* resource) : FManager(&manager) {
    FResource = manager.Acquire(resource);
}

TShapeDef::TShapeDef() : TShapeDef(Unit().Manager, Unit().DefaultResource) {}

TShapeDef::TShapeDef(const TShapeDef& other) : TShapeDef(*other.FManager, other.FResource) {}

TShapeDef& TShapeDef::operator=(const TShapeDef& other) {
    Assign(&other);
    return *this;
}

TShapeDef::~TShapeDef() {
    FManager->Release(FResource);
}

const TShapeDefResource& TShapeDef::ShapeResource() const {
    return static_cast<const TShapeDefResource&>(*FResource);
}

void TShapeDef::Changed() {
    if (OnChange) OnChange(*this);
}

void TShapeDef::Assign(const TShapeDef* source) {
    const TShapeDef& src = source ? *source : DefaultShapeDef();
    if (&src == this) return;
    std::scoped_lock locks(FLock, src.FLock);
    FManager->SetResource(*this, src.FResource);
}

void TShapeDef::SetData(const TIntegerArray& counts, const TKeyPoints& keyPoints,
                        const TShapePoints& points) {
    TShapeDefResource temp(
        QString::asprintf("SHP_%d_%s", FManager->Counter(),
                          qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate))));
    // Consumers walk the rings through the point list, so no ring may reach past its end.
    int64_t left = points.Count();
    temp.Counts.SetCapacity(counts.Count());
    for (int32_t i = 0; i < counts.Count(); ++i) {
        const int32_t n = int32_t(std::clamp<int64_t>(counts.Items(i), 0, left));
        temp.Counts.Add(n);
        left -= n;
    }
    temp.KeyPoints.Assign(keyPoints);
    temp.Points.Assign(points);
    FManager->SetResource(*this, &temp);
}

TPoint2D ConstrainKeyPoint(const TKeyPoint& def, const TPoint2D& p) {
    switch (def.Restriction) {
    case rmRect: {
        TPoint2D q = p;
        if (q.X < def.MinX) q.X = def.MinX;
        if (q.X > def.MaxX) q.X = def.MaxX;
        if (q.Y < def.MinY) q.Y = def.MinY;
        if (q.Y > def.MaxY) q.Y = def.MaxY;
        return q;
    }
    case rmLine: {
        // Turn the segment onto the x axis, drop y, clamp x to the segment, turn back.
        const double angle = AngleAround(def.MinX, def.MinY, def.MaxX, def.MaxY);
        const TTransformMatrix toAxis =
            MultiplyMatrix(TranslationMatrix(-def.MinX, -def.MinY, 0), RotationZ(-angle));
        const TTransformMatrix back =
            MultiplyMatrix(RotationZ(angle), TranslationMatrix(def.MinX, def.MinY, 0));
        TPoint2D q = TransformPoint2D(toAxis, p);
        const double a = TransformPoint2D(toAxis, {def.MinX, def.MinY}).X;
        const double b = TransformPoint2D(toAxis, {def.MaxX, def.MaxY}).X;
        q.X = std::clamp(q.X, std::min(a, b), std::max(a, b));
        q.Y = 0;
        return TransformPoint2D(back, q);
    }
    default:
        return {def.X, def.Y};
    }
}

void TShapeDef::ForEachOutlinePoint(const TPoints2D* keyPts, const TTransformMatrix& world,
                                    const TTransformMatrix& local,
                                    const std::function<void(const TPoint2D&)>& sink) const {
    const TShapeDefResource& r = ShapeResource();
    TPoints2D keys = keyPts ? TPoints2D(*keyPts) : TPoints2D();
    for (int32_t i = 0; i < r.KeyPoints.Count(); ++i) {
        const TKeyPoint def = r.KeyPoints.Get(i);
        const bool given = i < keys.Count();
        const TPoint2D p = ConstrainKeyPoint(def, given ? TransformPoint2D(local, keys.Get(i))
                                                        : TPoint2D{def.X, def.Y});
        if (given)
            keys.Put(i, p);
        else
            keys.Add(p);
    }
    TKeyParser& parser = Unit().KeyParser;
    parser.SetKeyPoints(keys);
    auto value = [&parser](const TShapeCoord& c) {
        if (c.ValueMode == cmValue) return c.Value;
        parser.SetExpression(c.ExprText());
        return parser.Value();
    };
    for (int32_t i = 0; i < r.Points.Count(); ++i) {
        const TShapePoint sp = r.Points.Get(i);
        const double x = value(sp.X);
        const double y = value(sp.Y);
        sink(TransformPoint2D(world, {x, y}));
    }
}

void TShapeDef::BuildOutline(TPoints& pts, const TPoints2D* keyPts, const TTransformMatrix& world,
                             const TTransformMatrix& local) const {
    TUpdateScope scope(pts);
    pts.Clear();
    pts.SetCapacity(Points().Count());
    ForEachOutlinePoint(keyPts, world, local,
                        [&pts](const TPoint2D& p) { pts.Add(RoundPoint(p)); });
}

void TShapeDef::BuildOutline2D(TPoints2D& pts, const TPoints2D* keyPts,
                               const TTransformMatrix& world, const TTransformMatrix& local) const {
    TUpdateScope scope(pts);
    pts.Clear();
    pts.SetCapacity(Points().Count());
    ForEachOutlinePoint(keyPts, world, local, [&pts](const TPoint2D& p) { pts.Add(p); });
}

// --- preview ------------------------------------------------------------------------------

namespace {

QColor ToQColor(TColor c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

} // namespace

void TShapeDef::DrawPreview(QImage& bitmap, TColor brushColor, TColor penColor) const {
    if (bitmap.isNull()) return;
    const double w = bitmap.width();
    const double h = bitmap.height();
    const TTransformMatrix world =
        MultiplyMatrix(ScaleMatrix(w / 2 - 2, h / 2 - 2, 1), TranslationMatrix(w / 2, h / 2, 0));
    TPoints pts;
    BuildOutline(pts, nullptr, world, IdentityMatrix());

    QPainter painter;
    if (!painter.begin(&bitmap)) return;
    const QColor brush = ToQColor(brushColor);
    painter.fillRect(bitmap.rect(), brush);
    painter.setPen(QPen(ToQColor(penColor), 1));
    painter.setBrush(brush);
    QPolygon all(pts.Count());
    for (int32_t i = 0; i < pts.Count(); ++i) all[i] = QPoint(pts.Get(i).X, pts.Get(i).Y);
    const TIntegerArray& counts = Counts();
    if (counts.Count() == 0) {
        painter.drawPolygon(all, Qt::OddEvenFill);
        return;
    }
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    int32_t start = 0;
    for (int32_t i = 0; i < counts.Count(); ++i) {
        const int32_t n = std::min(counts.Items(i), int32_t(all.size()) - start);
        if (n <= 0) continue;
        QPolygonF ring;
        for (int32_t k = start; k < start + n; ++k) ring << QPointF(all[k]);
        path.addPolygon(ring);
        path.closeSubpath();
        start += n;
    }
    painter.drawPath(path);
}

void TShapeDef::DrawPreview(TDibContainer& bitmap, TColor brushColor, TColor penColor) const {
    if (bitmap.Empty()) return;
    QImage view(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(),
                QImage::Format_BGR888);
    DrawPreview(view, brushColor, penColor);
}

} // namespace kolvar
