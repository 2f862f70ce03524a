#pragma once
// What the tool handler units share: mapping gesture points to image pixels, the shared
// brush and pen, the curve through a gesture and the rubber-band rectangle.

#include "document/uFRMDesigner.h"
#include "raster/DibGeometry.h"
#include "raster/DibGraphics.h"
#include "raster/DibGraphicsBrush.h"
#include "raster/DibGraphicsPen.h"
#include "shell/uKolvarGeneric.h"
#include "vector/DesignerCanvas.h"

namespace kolvar {

// The shared brush and pen; null while the main window has not made them.
inline TDibCanvas* ToolCanvas() {
    return ToolState().ToolCanvas.get();
}

inline TPoint ViewToImage(TfrmDesigner& D, const TPoint2D& P) {
    return RoundPoint(TransformPoint2D(D.Designer().Projector().ToWorld(), P));
}

inline TPoint ViewToImage(TfrmDesigner& D, const TPoint& P) {
    return ViewToImage(D, TPoint2D{double(P.X), double(P.Y)});
}

inline bool Inside(const TDibContainer& Image, const TPoint& P) {
    return P.X >= 0 && P.Y >= 0 && P.X < Image.Width() && P.Y < Image.Height();
}

// Point 0 of the gesture, rounded.
inline TPoint FirstPoint(const TInteractor& I) {
    return RoundPoint(I.Points().Get(0));
}

// Sets one pixel of the view the control shows, until the next repaint.
inline void SetViewPixel(TNewDesigner& Designer, const TPoint& P, TDibColor C) {
    TDibContainer& view = Designer.ViewBuffer();
    if (Inside(view, P)) view.SetPixel(P.X, P.Y, C);
}

// The gesture's integer points mapped to the image, with its per-polygon counts.
void GestureToImage(TfrmDesigner& D, TInteractor& I, TPoints& Points, TIntegerArray& Counts);

// The uniform cubic B-spline through Points with mirrored end points, 5 steps per segment;
// nothing for fewer than four points.
void CurveThrough(const TPoints& Points, TPoints& Curve);

// The outline of the axis-parallel rectangle with corners A and B, four lines.
void FrameRect(TDesignerCanvas& Canvas, const TPoint& A, const TPoint& B);

} // namespace kolvar
