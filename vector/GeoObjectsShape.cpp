// Library shapes as outlines: the key points live in world coordinates, the outline follows
// from the definition fitted into the frame.

#include "vector/GeoObjects.h"

#include "raster/DibGraphicsBrush.h"
#include "raster/Exceptions.h"

namespace kolvar {

TGeoShape::TGeoShape(const TPoints2D* Points, const TShapeDef* ShapeDef, double X1, double Y1,
                     double X2, double Y2)
    : TGeoPolygon(Points, ShapeDef, X1, Y1, X2, Y2) {
    if (ShapeDef) FShapeDef.Assign(ShapeDef);
    ResetKeyPoints();
    FShapeDef.OnChange = [this](TShapeDef&) { ResetKeyPoints(); };
}

TGeoShape::~TGeoShape() {
    FShapeDef.OnChange = nullptr;
}

const TShapeDef& TGeoShape::GetShapeDef() const {
    return FShapeDef;
}

void TGeoShape::SetShapeDef(const TShapeDef& D) {
    FShapeDef.Assign(&D);
}

const TPoints2D& TGeoShape::GetOutline() const {
    return FOutline;
}

void TGeoShape::ResetKeyPoints() {
    const TKeyPoints& keys = FShapeDef.KeyPoints();
    const TTransformMatrix m = Bounds().GetMatrix();
    TPoints2D& points = MutablePoints();
    points.Clear();
    for (int32_t i = 0; i < keys.Count(); ++i) {
        const TKeyPoint k = keys.Get(i);
        points.Add(TransformPoint2D(m, ConstrainKeyPoint(k, {k.X, k.Y})));
    }
    UpdateOutline();
}

void TGeoShape::UpdateOutline() {
    const TBounds& b = Bounds();
    // Expressions of a library shape are only evaluated here; one that fails leaves no
    // outline rather than an error escaping a mouse or paint handler.
    try {
        if (Points().Count() == 0)
            FShapeDef.BuildOutline2D(FOutline, nullptr, b.GetMatrix(), IdentityMatrix());
        else
            FShapeDef.BuildOutline2D(FOutline, &Points(), b.GetMatrix(), b.GetInverseMatrix());
    } catch (const Exception&) {
        FOutline.Clear();
    }
}

void TGeoShape::BuildOutline(const TPoints2D& P, const TBounds& B, TPoints& Pts) const {
    try {
        FShapeDef.BuildOutline(Pts, &P, B.GetMatrix(), B.GetInverseMatrix());
    } catch (const Exception&) {
        Pts.Clear();
    }
}

TIntegerArray TGeoShape::RingCounts(int32_t pointCount) const {
    const TIntegerArray& counts = FShapeDef.Counts();
    if (counts.Count() != 1) return TIntegerArray(counts);
    TIntegerArray all;
    all.Add(pointCount);
    return all;
}

void TGeoShape::HitTest(int32_t X, int32_t Y, THitResult& Hit, const TTransformMatrix& M) const {
    Hit = THitResult{};
    const TPoints keys(Points(), M);
    const int32_t v = FindVertex(X, Y, keys.Data(), keys.Count());
    if (v >= 0) {
        Hit = THitResult{hkVertex, v};
        return;
    }
    const TPoints pts = MappedOutline(M);
    const TIntegerArray rings = RingCounts(pts.Count());
    const int32_t e = FindPolySegment(X, Y, pts, rings);
    if (e >= 0) {
        Hit = THitResult{hkEdge, e};
        return;
    }
    if (GetBrush().SpanProc() && PointInPolyPolygon(X, Y, pts, rings))
        Hit = THitResult{hkInside, -1};
}

} // namespace kolvar
