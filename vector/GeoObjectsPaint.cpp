// The parts of the outlines that need pens and brushes: their own drawing objects, the shared
// clear ones, outline feedback on the designer's canvas and painting into an image.

#include "vector/GeoObjects.h"

#include "raster/DibGraphics.h"
#include "vector/DesignerCanvas.h"

#include <algorithm>

namespace kolvar {

namespace {

// Made on first use, after the drawing objects' own resources, and so freed before them.
struct TClearObjects {
    TDibPen Pen;
    TDibBrush Brush;
    TClearObjects() {
        Pen.SetStyle(dpClear);
        Brush.SetStyle(dbClear);
    }
};

TClearObjects& ClearObjects() {
    static TClearObjects objects;
    return objects;
}

// Segments between consecutive points, and back to the first one when closed.
void DrawEdges(TDesignerCanvas& canvas, const TPoint* p, int32_t n, bool closed) {
    for (int32_t i = 0; i + 1 < n; ++i) canvas.Line(p[i].X, p[i].Y, p[i + 1].X, p[i + 1].Y);
    if (closed && n > 1) canvas.Line(p[n - 1].X, p[n - 1].Y, p[0].X, p[0].Y);
}

} // namespace

const TDibPen& ClearPen() {
    return ClearObjects().Pen;
}

const TDibBrush& ClearBrush() {
    return ClearObjects().Brush;
}

const TDibBrush& TGeoBase::GetBrush() const {
    return ClearBrush();
}

const TDibPen& TGeoBase::GetPen() const {
    return ClearPen();
}

// ---- TGeoLine -----------------------------------------------------------------------------

TGeoLine::TGeoLine(const TPoints2D* Points, const TShapeDef* ShapeDef, double X1, double Y1,
                   double X2, double Y2)
    : TGeoBase(Points, ShapeDef, X1, Y1, X2, Y2), FPen(std::make_unique<TDibPen>()) {}

TGeoLine::~TGeoLine() = default;

const TDibPen& TGeoLine::GetPen() const {
    return *FPen;
}

void TGeoLine::SetPen(const TDibPen& P) {
    FPen->Assign(&P);
}

void TGeoLine::DrawOutline(TDesignerCanvas& Canvas, const TTransformMatrix& M) const {
    const TPoints pts = MappedOutline(M);
    DrawEdges(Canvas, pts.Data(), pts.Count(), Closed());
}

void TGeoLine::Render(TDibContainer& Target, const TTransformMatrix& M) const {
    Target.Polyline(MappedOutline(M), FPen->LineProc(), Closed());
}

// ---- TGeoPolygon --------------------------------------------------------------------------

TGeoPolygon::TGeoPolygon(const TPoints2D* Points, const TShapeDef* ShapeDef, double X1, double Y1,
                         double X2, double Y2)
    : TGeoLine(Points, ShapeDef, X1, Y1, X2, Y2), FBrush(std::make_unique<TDibBrush>()) {
    SetClosed(true);
}

TGeoPolygon::~TGeoPolygon() = default;

const TDibBrush& TGeoPolygon::GetBrush() const {
    return *FBrush;
}

void TGeoPolygon::SetBrush(const TDibBrush& B) {
    FBrush->Assign(&B);
}

void TGeoPolygon::HitTest(int32_t X, int32_t Y, THitResult& Hit, const TTransformMatrix& M) const {
    TGeoLine::HitTest(X, Y, Hit, M);
    if (Hit.Kind != hkNone || !Closed() || !GetBrush().SpanProc()) return;
    const TPoints pts = MappedOutline(M);
    if (PointInPolygon(X, Y, pts.Data(), pts.Count())) Hit = THitResult{hkInside, -1};
}

void TGeoPolygon::Render(TDibContainer& Target, const TTransformMatrix& M) const {
    const TPoints pts = MappedOutline(M);
    Target.FillPolygon(pts, FBrush->SpanProc());
    Target.Polyline(pts, GetPen().LineProc(), true);
}

// ---- TGeoShape drawing ----------------------------------------------------------------------

void TGeoShape::DrawOutline(TDesignerCanvas& Canvas, const TTransformMatrix& M) const {
    const TPoints pts = MappedOutline(M);
    const TIntegerArray rings = RingCounts(pts.Count());
    int32_t start = 0;
    for (int32_t r = 0; r < rings.Count(); ++r) {
        const int32_t n = std::min(rings.Items(r), pts.Count() - start);
        if (n <= 0) continue;
        DrawEdges(Canvas, pts.Data() + start, n, true);
        start += n;
    }
}

void TGeoShape::Render(TDibContainer& Target, const TTransformMatrix& M) const {
    const TPoints pts = MappedOutline(M);
    const TIntegerArray rings = RingCounts(pts.Count());
    if (rings.Count() < 2) {
        TGeoPolygon::Render(Target, M);
        return;
    }
    Target.FillPolyPolygon(pts, rings, GetBrush().SpanProc());
    Target.PolyPolygonOutline(pts, rings, GetPen().LineProc());
}

} // namespace kolvar
