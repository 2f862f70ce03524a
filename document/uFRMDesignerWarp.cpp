// The warp tool: a drag from a start to an end point pulls the picture along.

#include "document/WarpEffect.h"
#include "document/uFRMDesignerToolSupport.h"
#include "raster/DibMath.h"

#include <algorithm>

namespace kolvar {

void TfrmDesigner::WarpOwnerDraw(TActionItem&, TInteractor& Interactor, TDrawModeType) {
    TDesignerCanvas* canvas = Interactor.Canvas();
    if (!canvas) return;
    const TPoints2D& points = Interactor.Points();
    for (int32_t i = 0; i < std::min(points.Count(), int32_t(2)); ++i) {
        const TPoint p = RoundPoint(points.Get(i));
        canvas->Ellipse(p.X - 3, p.Y - 3, p.X + 3, p.Y + 3);
    }
}

void TfrmDesigner::WarpFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    const TPoints2D& points = Interactor.Points();
    if (points.Count() < 2) return;
    TPoint start = ViewToImage(*this, points.Get(0));
    TPoint end = ViewToImage(*this, points.Get(1));
    // A drag that moves nothing keeps the undo copy of the previous change.
    if (WarpRadius(FImage.Width(), FImage.Height(), start, end) == 0) return;
    SaveUndo();
    WarpImage(FImage, ViewToImage(*this, points.Get(0)), ViewToImage(*this, points.Get(1)));
    Repaint();
    SetModified(true);
}

} // namespace kolvar
