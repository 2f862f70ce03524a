// The zoom tool: a click zooms in, a right click out, a dragged box fills the view.

#include "document/uFRMDesignerToolSupport.h"

namespace kolvar {

namespace {

// Selection outlines live in view coordinates; mapping them through a view matrix keeps them
// on their image pixels while the view changes.
void MapSelection(TGeoBaseList& List, const TTransformMatrix& M) {
    for (int32_t i = 0; i < List.Count(); ++i) List.Get(i)->Transform(M);
    List.Bounds().Transform(M);
}

} // namespace

void TfrmDesigner::ZoomFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode Mode) {
    TProjector& view = FDesigner->Projector();
    TGeoBaseList& selection = FDesigner->Selection().List();
    const bool selected = selection.Count() > 0;
    if (selected) MapSelection(selection, view.ToWorld());
    const TPoint2D scale = view.Scale();
    if (Mode == afmClick) {
        view.SetScale({scale.X * ZoomInFactor, scale.Y * ZoomInFactor});
    } else if (Mode == afmRightClick) {
        view.SetScale({scale.X * ZoomOutFactor, scale.Y * ZoomOutFactor});
    } else {
        const TBounds& box = Interactor.Bounds();
        const TPoint2D a =
            view.ScreenToWorld(box.Center.X - box.HalfWidth, box.Center.Y - box.HalfHeight);
        const TPoint2D b =
            view.ScreenToWorld(box.Center.X + box.HalfWidth, box.Center.Y + box.HalfHeight);
        const QRect r = FDesigner->rect();
        view.SetWindow(a, b, TRect{0, 0, r.width(), r.height()});
    }
    if (selected) MapSelection(selection, view.ToScreen());
    ViewChanged();
}

} // namespace kolvar
