#include "vector/GeoObjects.h"

#include <algorithm>

namespace kolvar {

namespace {

constexpr double kMinHalfExtent = 1e-6;
constexpr double kBoxStart = 2147483647.0;

double NonZero(double v) {
    return v == 0 ? kMinHalfExtent : v;
}

} // namespace

// ---- TBounds ------------------------------------------------------------------------------

TBounds::TBounds(double X1, double Y1, double X2, double Y2) {
    SetCorners(X1, Y1, X2, Y2);
    Angle = 0;
    HalfWidth = NonZero(X2 - Center.X);
    HalfHeight = NonZero(Y2 - Center.Y);
}

TBounds TBounds::CreateCopy(const TBounds& source) {
    TBounds b;
    b.SetFrame(source.Center, source.XAxisPoint, source.YAxisPoint);
    return b;
}

void TBounds::SetCorners(double X1, double Y1, double X2, double Y2) {
    const TPoint2D c{(X1 + X2) / 2, (Y1 + Y2) / 2};
    SetFrame(c, {std::max(X1, X2), c.Y}, {c.X, std::max(Y1, Y2)});
}

void TBounds::SetFrame(const TPoint2D& C, const TPoint2D& P1, const TPoint2D& P2) {
    Center = C;
    XAxisPoint = P1;
    YAxisPoint = P2;
    Normalize();
}

void TBounds::Normalize() {
    TPoint2D axis = VecSub(XAxisPoint, Center);
    const TPoint2D toY = VecSub(YAxisPoint, Center);
    const bool noWidth = axis.X == 0 && axis.Y == 0;
    // A frame without width (the box of a vertical line) has no direction of its own; it is
    // taken from the y axis point, which lies 90 degrees clockwise of it, so that the box stays
    // where its corners put it instead of turning onto its side.
    if (noWidth) axis = (toY.X == 0 && toY.Y == 0) ? TPoint2D{1, 0} : TPoint2D{toY.Y, -toY.X};
    const TPoint2D onAxis = noWidth ? TPoint2D{Center.X + axis.X, Center.Y + axis.Y} : XAxisPoint;
    Angle = AngleAround(Center.X, Center.Y, onAxis.X, onAxis.Y);
    HalfWidth = NonZero(noWidth ? 0 : VecLength(axis));
    HalfHeight = NonZero(PointLineDistance(YAxisPoint, Center, onAxis));
    const TTransformMatrix m = GetMatrix();
    Center = TransformPoint2D(m, {0, 0});
    XAxisPoint = TransformPoint2D(m, {1, 0});
    YAxisPoint = TransformPoint2D(m, {0, 1});
}

void TBounds::SetFromPoints(const TPoints2D& points) {
    if (points.Count() == 0) return;
    const TBox2D box = Points2DBounds(points.Data(), points.Count());
    SetCorners(box.Left, box.Top, box.Right, box.Bottom);
}

void TBounds::Transform(const TTransformMatrix& M) {
    SetFrame(TransformPoint2D(M, Center), TransformPoint2D(M, XAxisPoint),
             TransformPoint2D(M, YAxisPoint));
}

TTransformMatrix TBounds::GetMatrix() const {
    return MultiplyMatrix(MultiplyMatrix(ScaleMatrix(HalfWidth, HalfHeight, 1), RotationZ(Angle)),
                          TranslationMatrix(Center.X, Center.Y, 0));
}

TTransformMatrix TBounds::GetInverseMatrix() const {
    return MultiplyMatrix(
        MultiplyMatrix(TranslationMatrix(-Center.X, -Center.Y, 0), RotationZ(-Angle)),
        ScaleMatrix(1 / HalfWidth, 1 / HalfHeight, 1));
}

void TBounds::GetHandles(TPoint (&handles)[8]) const {
    const TTransformMatrix m = GetMatrix();
    auto truncated = [&m](int32_t x, int32_t y) { return TransformPoint(m, TPoint{x, y}); };
    auto rounded = [&m](double x, double y) { return RoundPoint(TransformPoint2D(m, {x, y})); };
    handles[0] = truncated(1, 0);
    handles[1] = truncated(1, 1);
    handles[2] = rounded(0, 1);
    handles[3] = truncated(-1, 1);
    handles[4] = rounded(-1, 0);
    handles[5] = truncated(-1, -1);
    handles[6] = rounded(0, -1);
    handles[7] = truncated(1, -1);
}

// ---- TGeoBase -----------------------------------------------------------------------------

TGeoBase::TGeoBase(const TPoints2D* Points, const TShapeDef* /*ShapeDef*/, double X1, double Y1,
                   double X2, double Y2)
    : FBounds(X1, Y1, X2, Y2) {
    if (Points) FPoints.Assign(*Points);
}

TGeoBase::~TGeoBase() = default;

void TGeoBase::SetBrush(const TDibBrush&) {}

void TGeoBase::SetPen(const TDibPen&) {}

const TShapeDef& TGeoBase::GetShapeDef() const {
    return DefaultShapeDef();
}

void TGeoBase::SetShapeDef(const TShapeDef&) {}

void TGeoBase::SetPoints(const TPoints2D& P) {
    FPoints.Assign(P);
    UpdateOutline();
    FBounds.SetFromPoints(GetOutline());
}

const TPoints2D& TGeoBase::GetOutline() const {
    return FPoints;
}

TTransformMatrix TGeoBase::GetLocalToWorld() const {
    return MultiplyMatrix(RotationZ(FBounds.Angle),
                          TranslationMatrix(FBounds.Center.X, FBounds.Center.Y, 0));
}

TTransformMatrix TGeoBase::GetWorldToLocal() const {
    return MultiplyMatrix(TranslationMatrix(-FBounds.Center.X, -FBounds.Center.Y, 0),
                          RotationZ(-FBounds.Angle));
}

void TGeoBase::UpdateOutline() {}

void TGeoBase::BuildOutline(const TPoints2D& P, const TBounds&, TPoints& Pts) const {
    Pts.Assign(TPoints(P, IdentityMatrix()));
}

void TGeoBase::BuildTransformedOutline(const TTransformMatrix& M, TPoints& Pts) const {
    TBounds box = TBounds::CreateCopy(FBounds);
    box.Transform(M);
    BuildOutline(TPoints2D(FPoints), box, Pts);
}

void TGeoBase::BuildMovedPointOutline(int32_t I, const TPoint2D& P, TPoints& Pts) const {
    TPoints2D moved(FPoints);
    if (I >= 0 && I < moved.Count()) moved.Put(I, P);
    BuildOutline(moved, FBounds, Pts);
}

void TGeoBase::Transform(const TTransformMatrix& M) {
    FPoints.Transform(M);
    FBounds.Transform(M);
    UpdateOutline();
}

void TGeoBase::SetPoint(int32_t I, const TPoint2D& P) {
    if (I < 0 || I >= FPoints.Count()) return;
    FPoints.Put(I, P);
    UpdateOutline();
}

void TGeoBase::HitTest(int32_t, int32_t, THitResult& Hit, const TTransformMatrix&) const {
    Hit = THitResult{};
}

TPoints TGeoBase::MappedOutline(const TTransformMatrix& M) const {
    return TPoints(GetOutline(), M);
}

bool TGeoBase::InsideRect(const TRect& R, bool Any, const TTransformMatrix& M) const {
    const TPoints pts = MappedOutline(M);
    const TPoint* p = pts.Data();
    auto in = [&R](const TPoint& q) {
        return q.X >= R.Left && q.X <= R.Right && q.Y >= R.Top && q.Y <= R.Bottom;
    };
    const int32_t n = pts.Count();
    return Any ? std::any_of(p, p + n, in) : std::all_of(p, p + n, in);
}

bool TGeoBase::InsideOutline(bool Any, const TTransformMatrix& M) const {
    const TPoints pts = MappedOutline(M);
    const TPoint* p = pts.Data();
    const int32_t n = pts.Count();
    auto in = [p, n](const TPoint& q) { return PointInPolygon(q.X, q.Y, p, n); };
    return Any ? std::any_of(p, p + n, in) : std::all_of(p, p + n, in);
}

void TGeoBase::DrawOutline(TDesignerCanvas&, const TTransformMatrix&) const {}

void TGeoBase::Render(TDibContainer&, const TTransformMatrix&) const {}

// ---- Hit tests of lines and polygons ------------------------------------------------------

void TGeoLine::HitTest(int32_t X, int32_t Y, THitResult& Hit, const TTransformMatrix& M) const {
    const TPoints pts = MappedOutline(M);
    Hit = THitResult{};
    const int32_t v = FindVertex(X, Y, pts.Data(), pts.Count());
    if (v >= 0) {
        Hit = THitResult{hkVertex, v};
        return;
    }
    const int32_t e = FindSegment(X, Y, pts.Data(), Closed(), pts.Count());
    if (e >= 0) Hit = THitResult{hkEdge, e};
}

// ---- TGeoBaseList -------------------------------------------------------------------------

TGeoBase* TGeoBaseList::Get(int32_t I) const {
    return I >= 0 && I < Count() ? FItems[size_t(I)] : nullptr;
}

void TGeoBaseList::Clear() {
    FItems.clear();
    FBounds.SetCorners(0, 0, 0, 0);
}

int32_t TGeoBaseList::Add(TGeoBase* Object) {
    if (!Object) return -1;
    FItems.push_back(Object);
    UpdateBounds();
    return Count() - 1;
}

int32_t TGeoBaseList::IndexOf(const TGeoBase* Object) const {
    const auto it = std::find(FItems.begin(), FItems.end(), Object);
    return it == FItems.end() ? -1 : int32_t(it - FItems.begin());
}

void TGeoBaseList::Delete(int32_t I) {
    if (I < 0 || I >= Count()) return;
    FItems.erase(FItems.begin() + I);
    UpdateBounds();
}

void TGeoBaseList::UpdateBounds() {
    if (FItems.empty()) {
        FBounds.SetCorners(0, 0, 0, 0);
        return;
    }
    TBox2D box{kBoxStart, kBoxStart, -kBoxStart, -kBoxStart};
    for (const TGeoBase* item : FItems) {
        const TPoints2D& outline = item->GetOutline();
        for (int32_t i = 0; i < outline.Count(); ++i) {
            const TPoint2D p = outline.Get(i);
            box.Left = std::min(box.Left, p.X);
            box.Top = std::min(box.Top, p.Y);
            box.Right = std::max(box.Right, p.X);
            box.Bottom = std::max(box.Bottom, p.Y);
        }
    }
    if (box.Left != kBoxStart && box.Top != kBoxStart && box.Right != -kBoxStart &&
        box.Bottom != -kBoxStart)
        FBounds.SetCorners(box.Left, box.Top, box.Right, box.Bottom);
}

} // namespace kolvar
