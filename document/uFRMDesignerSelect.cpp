// The selection tools: a shape, a polygon or a curve becomes the outline above the image;
// its handles move, scale and rotate the outline, never the pixels.

#include "document/uFRMDesignerToolSupport.h"

namespace kolvar {

void TfrmDesigner::ShowSelection() {
    FDesigner->Selection().List().UpdateBounds();
    // Composing the view draws the outline once, whatever feedback the buffer held.
    Repaint();
}

void TfrmDesigner::SelectionStart(TActionItem&, TInteractor&) {
    TGeoBaseList& list = FDesigner->Selection().List();
    if (list.Count() == 0) return;
    list.Clear();
    Repaint();
}

void TfrmDesigner::SelectShapeFinish(TActionItem& Action, TInteractor& Interactor,
                                     TActionFinishMode Mode) {
    if (Mode != afmNormal) return;
    SaveUndo();
    FSelShape->Bounds() = Interactor.Bounds();
    FSelShape->SetShapeDef(Action.ShapeDef());
    if (Interactor.Points().Count() > 0)
        FSelShape->SetPoints(Interactor.Points());
    else
        FSelShape->UpdateOutline();
    FDesigner->Selection().List().Add(FSelShape.get());
    ShowSelection();
}

void TfrmDesigner::PolySelectionFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    SaveUndo();
    FSelPolygon->SetPoints(Interactor.Points());
    FDesigner->Selection().List().Add(FSelPolygon.get());
    ShowSelection();
}

void TfrmDesigner::SelectPolygonCurveFinish(TActionItem&, TInteractor& Interactor,
                                            TActionFinishMode) {
    TPoints points;
    TIntegerArray counts;
    Interactor.GetPoints(points, counts);
    TPoints curve;
    CurveThrough(points, curve);
    // Fewer than four vertices give no curve, and an outline without points selects nothing.
    if (curve.Count() == 0) return;
    FSelPolygon->SetPoints(TPoints2D(curve, IdentityMatrix()));
    FDesigner->Selection().List().Add(FSelPolygon.get());
    ShowSelection();
}

void TfrmDesigner::DesignerSelectStartTrans(TTransformationInfo) {}

void TfrmDesigner::DesignerSelectFinishTrans(TTransformationInfo Info) {
    TGeoBaseList& list = FDesigner->Selection().List();
    for (int32_t i = 0; i < list.Count(); ++i) {
        TGeoBase* object = list.Get(i);
        object->Transform(TransformMatrix(Info, object->Bounds()));
    }
    list.Bounds().Transform(TransformMatrix(Info, list.Bounds()));
    Repaint();
}

} // namespace kolvar
