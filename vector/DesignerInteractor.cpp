// The gesture state machines of the interactor types and their inverting feedback.

#include "raster/DibColors.h"
#include "raster/DibMath.h"
#include "vector/Designer.h"
#include "vector/DesignerCanvas.h"

#include <algorithm>
#include <cmath>

namespace kolvar {

// ---- TInteractor --------------------------------------------------------------------------

std::unique_ptr<TInteractor> TInteractor::Create(TActionItem& Action, TDesignerCanvas* Canvas) {
    switch (Action.InteractorType()) {
    case itPoints:
    case itPolyLine:
    case itPolygon:
        return std::make_unique<TVertexInteractor>(Action, Canvas);
    case itShape:
    case itZoom:
    case itSelect:
        return std::make_unique<TBoxInteractor>(Action, Canvas);
    case itPoint:
    default:
        return std::make_unique<TPointInteractor>(Action, Canvas);
    }
}

TInteractor::TInteractor(TActionItem& Action, TDesignerCanvas* Canvas)
    : FAction(&Action), FCanvas(Canvas), FInteractorType(Action.InteractorType()),
      FVertCount(Action.VertCount()) {}

TInteractor::~TInteractor() = default;

uint32_t TInteractor::Tick() const {
    return TickSource ? TickSource() : SystemTickCount();
}

bool TInteractor::IsClick(const TPoint2D& P, const TPoint2D& Q) const {
    const uint32_t elapsed = Tick() - FDownTick;
    return elapsed <= 200 && std::fabs(Q.X - P.X) <= 3 && std::fabs(Q.Y - P.Y) <= 3;
}

void TInteractor::Line(double X1, double Y1, double X2, double Y2) const {
    if (FCanvas) FCanvas->Line(Round(X1), Round(Y1), Round(X2), Round(Y2));
}

void TInteractor::Draw(TDrawModeType Mode) {
    if (FCanvas && Mode == dmStart) {
        FCanvas->SetPenStyle(TCanvasPenStyle::Solid);
        FCanvas->SetPenColor(clDibBlack);
        FCanvas->SetPenMode(TCanvasPenMode::NotXor);
    }
    // A copy, so that a handler that replaces its own slot does not destroy itself mid-call.
    const TActionDrawEvent ownerDraw = FAction->OwnerDraw;
    if (ownerDraw)
        ownerDraw(*FAction, *this, Mode);
    else
        DefaultDraw(Mode);
    if (FCanvas && (Mode == dmCancel || Mode == dmFinish))
        FCanvas->SetPenMode(TCanvasPenMode::Copy);
}

void TInteractor::CallUpdate() {
    const TActionEvent handler = FAction->OnUpdate;
    if (handler) handler(*FAction, *this);
}

void TInteractor::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers, int32_t X, int32_t Y) {
    if (Button != Qt::LeftButton) {
        if (!FActive) {
            FPoints.Clear();
            FPoints.Add(X, Y);
        }
        return;
    }
    FDownTick = Tick();
    if (FActive) return;
    FPoints.Clear();
    BeginGesture(X, Y);
    const TActionEvent handler = FAction->OnStart;
    if (handler) handler(*FAction, *this);
    Draw(dmStart);
    FActive = true;
    FClickPhase = 1;
}

void TInteractor::MouseMove(Qt::KeyboardModifiers, int32_t X, int32_t Y) {
    if (!FActive) return;
    Draw(dmUpdate);
    if (FPoints.Count() > 0) {
        FPoints.Put(FPoints.Count() - 1, TPoint2D{double(X), double(Y)});
    } else {
        FEndPoint = {double(X), double(Y)};
        FBounds.SetCorners(FStartPoint.X, FStartPoint.Y, FEndPoint.X, FEndPoint.Y);
    }
    Draw(dmUpdate);
    CallUpdate();
}

void TInteractor::MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers, int32_t X, int32_t Y) {
    if (Button == Qt::LeftButton) {
        if (FActive) LeftRelease(X, Y);
        return;
    }
    if (Button != Qt::RightButton) return;
    if (FActive) {
        RightRelease();
        return;
    }
    const TActionFinishEvent handler = FAction->OnFinish;
    if (handler) handler(*FAction, *this, afmRightClick);
}

void TInteractor::AddVertex(bool EraseFirst, double X, double Y) {
    if (EraseFirst) Draw(dmUpdate);
    FPoints.Add(X, Y);
    Draw(dmUpdate);
    CallUpdate();
}

void TInteractor::Finish(bool DropLast, TActionFinishMode Mode) {
    Draw(dmFinish);
    if (DropLast && FPoints.Count() > 0) FPoints.Delete(FPoints.Count() - 1);
    FActive = false;
    const TActionFinishEvent handler = FAction->OnFinish;
    if (handler) handler(*FAction, *this, Mode);
}

void TInteractor::Cancel() {
    Draw(dmCancel);
    FActive = false;
    const TActionEvent handler = FAction->OnCancel;
    if (handler) handler(*FAction, *this);
}

// ---- TPointInteractor ---------------------------------------------------------------------

TPointInteractor::TPointInteractor(TActionItem& Action, TDesignerCanvas* Canvas)
    : TInteractor(Action, Canvas) {}

void TPointInteractor::BeginGesture(double X, double Y) {
    FPoints.Add(X, Y);
}

void TPointInteractor::LeftRelease(double, double) {
    Finish(false, afmNormal);
}

void TPointInteractor::DefaultDraw(TDrawModeType) {
    if (FPoints.Count() == 0) return;
    const TPoint2D p = FPoints.Get(0);
    const double x = Round(p.X);
    const double y = Round(p.Y);
    Line(x - 5, y - 5, x + 5, y + 5);
    Line(x - 5, y + 5, x + 5, y - 5);
}

void TPointInteractor::GetPoints(TPoints& Pts, TIntegerArray& Counts) const {
    Pts.Clear();
    Counts.Clear();
    for (int32_t i = 0; i < FPoints.Count(); ++i) Pts.Add(RoundPoint(FPoints.Get(i)));
    Counts.Add(Pts.Count());
}

// ---- TVertexInteractor --------------------------------------------------------------------

TVertexInteractor::TVertexInteractor(TActionItem& Action, TDesignerCanvas* Canvas)
    : TInteractor(Action, Canvas) {
    FFullRedraw = Action.DrawMode() == admFull;
}

void TVertexInteractor::BeginGesture(double X, double Y) {
    // The fixed first vertex and the floating one.
    FPoints.Add(X, Y);
    FPoints.Add(X, Y);
}

void TVertexInteractor::LeftRelease(double X, double Y) {
    const int32_t n = FPoints.Count();
    const TPoint2D first = FPoints.Get(0);
    const TPoint2D second = FPoints.Get(1);
    if (FInteractorType == itPoints && n == FVertCount) {
        // Click, move, click draws a line just as a drag does.
        if (FClickPhase == 1 && FVertCount == 2 && IsClick(first, second)) return;
        Finish(false, afmNormal);
        return;
    }
    if (FInteractorType == itPolygon && n > 2) {
        const TPoint2D last = FPoints.Get(n - 1);
        if (std::fabs(last.X - first.X) < 3 && std::fabs(last.Y - first.Y) < 3) {
            Finish(true, afmNormal);
            return;
        }
    }
    if (FClickPhase == 1 && IsClick(first, second)) return;
    AddVertex(FFullRedraw, X, Y);
}

void TVertexInteractor::RightRelease() {
    if (FInteractorType == itPolyLine && FPoints.Count() > 2)
        Finish(true, afmNormal);
    else
        Cancel();
}

void TVertexInteractor::DefaultDraw(TDrawModeType Mode) {
    const int32_t n = FPoints.Count();
    if (n < 2) return;
    const TPoint2D* p = FPoints.Data();
    if (Mode == dmCancel || Mode == dmFinish || FFullRedraw) {
        for (int32_t i = 1; i < n; ++i) Line(p[i - 1].X, p[i - 1].Y, p[i].X, p[i].Y);
        return;
    }
    Line(p[n - 2].X, p[n - 2].Y, p[n - 1].X, p[n - 1].Y);
}

void TVertexInteractor::GetPoints(TPoints& Pts, TIntegerArray& Counts) const {
    Pts.Clear();
    Counts.Clear();
    for (int32_t i = 0; i < FPoints.Count(); ++i) Pts.Add(RoundPoint(FPoints.Get(i)));
    Counts.Add(Pts.Count());
}

// ---- TBoxInteractor -----------------------------------------------------------------------

TBoxInteractor::TBoxInteractor(TActionItem& Action, TDesignerCanvas* Canvas)
    : TInteractor(Action, Canvas) {}

void TBoxInteractor::BeginGesture(double X, double Y) {
    FStartPoint = FEndPoint = {X, Y};
    FBounds.SetCorners(X, Y, X, Y);
}

bool TBoxInteractor::Keyed() const {
    return (FInteractorType == itShape || FInteractorType == itSelect) &&
           FAction->ShapeDef().KeyPoints().Count() > 0 && FUseKeyPoints;
}

void TBoxInteractor::PlaceKeyPoint(double X, double Y) {
    MovePointerToKeyPoint(FPoints.Count());
    AddVertex(true, X, Y);
    FClickPhase = 0;
}

void TBoxInteractor::MovePointerToKeyPoint(int32_t K) {
    if (FInteractorType != itShape || !PointerMover) return;
    const TKeyPoints& keys = FAction->ShapeDef().KeyPoints();
    if (K < 0 || K >= keys.Count()) return;
    const TKeyPoint def = keys.Get(K);
    const TPoint2D place = ConstrainKeyPoint(def, {def.X, def.Y});
    const TPoint p = RoundPoint(TransformPoint2D(FBounds.GetMatrix(), place));
    PointerMover(p.X, p.Y);
}

void TBoxInteractor::LeftRelease(double X, double Y) {
    const bool keyed = Keyed();
    if (FClickPhase == 1) {
        if (IsClick(FStartPoint, FEndPoint)) {
            if (FInteractorType != itShape) {
                Finish(false, afmClick);
                return;
            }
            // The shape's box goes on following the pointer until the next release.
            FClickPhase = 2;
            return;
        }
        if (keyed)
            PlaceKeyPoint(X, Y);
        else
            Finish(false, afmNormal);
        return;
    }
    if (FClickPhase == 2) {
        if (keyed)
            PlaceKeyPoint(X, Y);
        else
            Finish(false, afmNormal);
        return;
    }
    if (FPoints.Count() >= FAction->ShapeDef().KeyPoints().Count())
        Finish(false, afmNormal);
    else
        PlaceKeyPoint(X, Y);
}

void TBoxInteractor::RightRelease() {
    if (FInteractorType != itZoom) Cancel();
}

void TBoxInteractor::GetPoints(TPoints& Pts, TIntegerArray& Counts) const {
    Pts.Clear();
    Counts.Clear();
    const TShapeDef& def = FAction->ShapeDef();
    def.BuildOutline(Pts, &FPoints, FBounds.GetMatrix(), FBounds.GetInverseMatrix());
    Counts.Assign(def.Counts());
}

void TBoxInteractor::DefaultDraw(TDrawModeType) {
    TPoints pts;
    TIntegerArray counts;
    try {
        GetPoints(pts, counts);
    } catch (const Exception&) {
        // A shape whose expressions cannot be evaluated shows no feedback; every phase then
        // draws nothing, so the view stays as it was.
        return;
    }
    const TPoint* p = pts.Data();
    int32_t start = 0;
    for (int32_t r = 0; r < counts.Count(); ++r) {
        // A single ring takes every point, whatever its count says.
        const int32_t claimed = counts.Count() == 1 ? pts.Count() : counts.Items(r);
        const int32_t size = std::min(claimed, pts.Count() - start);
        if (size <= 0) break;
        // Each ring closed, edge by edge.
        for (int32_t i = 0; i < size; ++i) {
            const TPoint a = p[start + i];
            const TPoint b = p[start + (i + 1) % size];
            if (FCanvas) FCanvas->Line(a.X, a.Y, b.X, b.Y);
        }
        start += size;
    }
}

} // namespace kolvar
