// The drawing tools: point, line and polyline, polygon and shape, freehand pen, spray, eraser
// and the curves. Each handler is named after its action and phase.

#include "document/uFRMDesignerToolSupport.h"
#include "raster/DibRandom.h"

#include <QPalette>

namespace kolvar {

namespace {

// Feedback of a running point gesture (the cross) is inverted; it is taken away while a
// handler paints the view, so that erasing it later does not invert the new pixels.
template <class F> void BesideFeedback(TInteractor& I, F&& paint) {
    if (I.Active()) I.Draw(dmUpdate);
    paint();
    if (I.Active()) I.Draw(dmUpdate);
}

void DrawPointAt(TfrmDesigner& D, TInteractor& I) {
    const TDibCanvas* tools = ToolCanvas();
    if (!tools) return;
    const TDibColor color = tools->Pen().Color();
    const TPoint p = FirstPoint(I);
    const TPoint q = ViewToImage(D, p);
    if (Inside(D.Image(), q)) D.Image().SetPixel(q.X, q.Y, color);
    BesideFeedback(I, [&] { SetViewPixel(D.Designer(), p, color); });
    D.Designer().Refresh();
}

// Fills (when Fill) and strokes the points as one closed polygon or as a set of polygons.
void PaintPolygons(TDibContainer& Image, const TPoints& Points, const TIntegerArray& Counts,
                   const TDibCanvas& Tools, bool Fill) {
    const TDibSpanProc& span = Tools.Brush().SpanProc();
    const TDibLineProc& line = Tools.Pen().LineProc();
    if (Counts.Count() < 2) {
        if (Fill) Image.FillPolygon(Points, span);
        Image.Polyline(Points, line, true);
    } else {
        if (Fill) Image.FillPolyPolygon(Points, Counts, span);
        Image.PolyPolygonOutline(Points, Counts, line);
    }
}

// The curve feedback pads a short gesture by repeating its last point (a single point four
// times) so that it is never empty.
void PadForCurve(TPoints& Points) {
    if (Points.Count() == 0 || Points.Count() >= 4) return;
    if (Points.Count() == 1) Points.Add(Points.Get(0));
    while (Points.Count() < 4) Points.Add(Points.Get(Points.Count() - 1));
}

} // namespace

void GestureToImage(TfrmDesigner& D, TInteractor& I, TPoints& Points, TIntegerArray& Counts) {
    I.GetPoints(Points, Counts);
    for (int32_t i = 0; i < Points.Count(); ++i) Points.Put(i, ViewToImage(D, Points.Get(i)));
}

void CurveThrough(const TPoints& Points, TPoints& Curve) {
    Curve.Clear();
    BSplineCurve(Points.Data(), Points.Count(), Curve, 5);
}

void FrameRect(TDesignerCanvas& Canvas, const TPoint& A, const TPoint& B) {
    Canvas.Line(A.X, A.Y, B.X, A.Y);
    Canvas.Line(B.X, A.Y, B.X, B.Y);
    Canvas.Line(B.X, B.Y, A.X, B.Y);
    Canvas.Line(A.X, B.Y, A.X, A.Y);
}

// ---- Point, lines, polygons -------------------------------------------------------------

void TfrmDesigner::DrawPointUpdate(TActionItem&, TInteractor& Interactor) {
    DrawPointAt(*this, Interactor);
}

void TfrmDesigner::DrawPointFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    // Taken at the end, so the undo copy holds the dots the drag already drew.
    SaveUndo();
    DrawPointAt(*this, Interactor);
    SetModified(true);
}

void TfrmDesigner::DrawPolyLineFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    DrawGestureFinish(Interactor, false);
}

void TfrmDesigner::DrawPolygonFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    DrawGestureFinish(Interactor, true);
}

// The gesture's points mapped to the image, stroked open or filled and outlined as polygons.
void TfrmDesigner::DrawGestureFinish(TInteractor& Interactor, bool Polygon) {
    const TDibCanvas* tools = ToolCanvas();
    if (!tools) return;
    SaveUndo();
    TPoints points;
    TIntegerArray counts;
    GestureToImage(*this, Interactor, points, counts);
    if (Polygon)
        PaintPolygons(FImage, points, counts, *tools, true);
    else
        FImage.Polyline(points, tools->Pen().LineProc(), false);
    Repaint();
    SetModified(true);
}

// ---- Freehand pen -------------------------------------------------------------------------

void TfrmDesigner::DrawPenStart(TActionItem&, TInteractor& Interactor) {
    FLastPenPoint = FirstPoint(Interactor);
}

void TfrmDesigner::DrawPenUpdate(TActionItem&, TInteractor& Interactor) {
    const TDibCanvas* tools = ToolCanvas();
    const TPoint p = FirstPoint(Interactor);
    if (!tools || p == FLastPenPoint) return;
    TDesignerCanvas& canvas = FDesigner->Canvas();
    BesideFeedback(Interactor, [&] {
        const TDibColor penColor = canvas.PenColor();
        const TCanvasPenMode mode = canvas.PenMode();
        const TCanvasPenStyle style = canvas.PenStyle();
        // The window's own pen, as the window was created with it.
        canvas.SetPenColor(FCanvasPenColor);
        canvas.SetPenMode(TCanvasPenMode::Copy);
        canvas.SetPenStyle(TCanvasPenStyle::Solid);
        canvas.Line(FLastPenPoint.X, FLastPenPoint.Y, p.X, p.Y);
        canvas.SetPenColor(penColor);
        canvas.SetPenMode(mode);
        canvas.SetPenStyle(style);
    });
    const TTransformMatrix& toWorld = FDesigner->Projector().ToWorld();
    const TPoint segment[2] = {TransformPoint(toWorld, p), TransformPoint(toWorld, FLastPenPoint)};
    FImage.Polyline(segment, 2, tools->Pen().LineProc(), false);
    FLastPenPoint = p;
    FDesigner->Refresh();
}

void TfrmDesigner::DrawPenFinish(TActionItem&, TInteractor&, TActionFinishMode) {
    Repaint();
    SetModified(true);
}

// ---- Spray --------------------------------------------------------------------------------

void TfrmDesigner::SprayAt(const TPoint& P, int32_t Size) {
    const TDibCanvas* tools = ToolCanvas();
    if (!tools) return;
    const TDibColor color = tools->Brush().Color();
    const int32_t half = Size / 2;
    int32_t x = P.X;
    int32_t y = P.Y;
    for (int32_t i = 0; i < Size; ++i) {
        x += Random(Size) - half;
        y += Random(Size) - half;
        const TPoint q = ViewToImage(*this, TPoint{x, y});
        if (!Inside(FImage, q)) continue;
        FImage.SetPixel(q.X, q.Y, color);
        SetViewPixel(*FDesigner, {x, y}, color);
    }
    FDesigner->Refresh();
}

void TfrmDesigner::DrawSprayStart(TActionItem&, TInteractor& Interactor) {
    SaveUndo();
    SprayAt(FirstPoint(Interactor), ToolState().SpraySize);
}

void TfrmDesigner::DesignerActions8Update(TActionItem&, TInteractor& Interactor) {
    BesideFeedback(Interactor, [&] { SprayAt(FirstPoint(Interactor), ToolState().SpraySize); });
}

void TfrmDesigner::DrawSprayFinish(TActionItem&, TInteractor&, TActionFinishMode) {
    Repaint();
    SetModified(true);
}

// ---- Eraser -------------------------------------------------------------------------------

void TfrmDesigner::EraseAt(const TPoint& P, int32_t Size) {
    const TDibCanvas* tools = ToolCanvas();
    if (!tools) return;
    const TPoint a = ViewToImage(*this, P);
    const TPoint b = ViewToImage(*this, TPoint{P.X + Size, P.Y + Size});
    // The eraser paints with the whole brush: gradient, pattern or texture included.
    FImage.FillRect(a.X, a.Y, b.X, b.Y, tools->Brush().SpanProc());
    const TDibColor color = tools->Brush().Color();
    for (int32_t j = 0; j <= Size; ++j)
        for (int32_t i = 0; i <= Size; ++i) SetViewPixel(*FDesigner, {P.X + i, P.Y + j}, color);
    FDesigner->Refresh();
}

void TfrmDesigner::EraseStart(TActionItem&, TInteractor& Interactor) {
    SaveUndo();
    EraseAt(FirstPoint(Interactor), ToolState().EraserSize);
    SetModified(true);
}

void TfrmDesigner::EraseUpdate(TActionItem&, TInteractor& Interactor) {
    BesideFeedback(Interactor, [&] { EraseAt(FirstPoint(Interactor), ToolState().EraserSize); });
}

void TfrmDesigner::EraseFinish(TActionItem&, TInteractor&, TActionFinishMode) {
    Repaint();
}

// ---- Curves -------------------------------------------------------------------------------

void TfrmDesigner::DrawCurveFinish(TInteractor& Interactor, bool Polygon) {
    const TDibCanvas* tools = ToolCanvas();
    TPoints points;
    TIntegerArray counts;
    GestureToImage(*this, Interactor, points, counts);
    TPoints curve;
    CurveThrough(points, curve);
    // Fewer than four vertices give no curve; the undo copy of the previous stroke stays.
    if (!tools || curve.Count() == 0) return;
    SaveUndo();
    if (Polygon) {
        PaintPolygons(FImage, curve, TIntegerArray(), *tools, true);
    } else {
        FImage.Polyline(curve, tools->Pen().LineProc(), false);
    }
    Repaint();
    SetModified(true);
}

void TfrmDesigner::DrawPolygonCurveFinish(TActionItem&, TInteractor& Interactor,
                                          TActionFinishMode) {
    DrawCurveFinish(Interactor, true);
}

void TfrmDesigner::DrawPolyLineFinishCurveFinish(TActionItem&, TInteractor& Interactor,
                                                 TActionFinishMode) {
    DrawCurveFinish(Interactor, false);
}

// Feedback only: the image is not touched, so neither the undo copy nor the modified flag is.
void TfrmDesigner::DrawCurveOwnerDraw(TActionItem&, TInteractor& Interactor, TDrawModeType) {
    TDesignerCanvas* canvas = Interactor.Canvas();
    if (!canvas) return;
    TPoints points;
    TIntegerArray counts;
    Interactor.GetPoints(points, counts);
    PadForCurve(points);
    TPoints curve;
    CurveThrough(points, curve);
    const TPoint* c = curve.Data();
    for (int32_t i = 1; i < curve.Count(); ++i)
        canvas->Line(c[i - 1].X, c[i - 1].Y, c[i].X, c[i].Y);
}

} // namespace kolvar
