// The tool handlers of the action table. Each is named after its action and phase.

#include "document/uFRMDesigner.h"

namespace kolvar {

void TfrmDesigner::DrawPointUpdate(TActionItem&, TInteractor&) {}
void TfrmDesigner::DrawPointFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::DrawPolyLineFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::DrawPolygonFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::GetPenColorFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::GetFillColorFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::DrawPenStart(TActionItem&, TInteractor&) {}
void TfrmDesigner::DrawPenUpdate(TActionItem&, TInteractor&) {}
void TfrmDesigner::DrawPenFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::DrawSprayStart(TActionItem&, TInteractor&) {}
void TfrmDesigner::DesignerActions8Update(TActionItem&, TInteractor&) {}
void TfrmDesigner::DrawSprayFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::FloodFillFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::ZoomFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::EraseStart(TActionItem&, TInteractor&) {}
void TfrmDesigner::EraseUpdate(TActionItem&, TInteractor&) {}
void TfrmDesigner::EraseFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::SelectionStart(TActionItem&, TInteractor&) {}
void TfrmDesigner::SelectShapeFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::PolySelectionFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::DrawPolygonCurveFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::DrawPolyLineFinishCurveFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::DrawCurveOwnerDraw(TActionItem&, TInteractor&, TDrawModeType) {}
void TfrmDesigner::BoundaryFillFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::TextStart(TActionItem&, TInteractor&) {}
void TfrmDesigner::TextFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::TextOwnerDraw(TActionItem&, TInteractor&, TDrawModeType) {}
void TfrmDesigner::PasteStart(TActionItem&, TInteractor&) {}
void TfrmDesigner::PasteFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::PasteOwnerDraw(TActionItem&, TInteractor&, TDrawModeType) {}
void TfrmDesigner::SelectPolygonCurveFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::WarpFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::WarpOwnerDraw(TActionItem&, TInteractor&, TDrawModeType) {}
void TfrmDesigner::TextRectStart(TActionItem&, TInteractor&) {}
void TfrmDesigner::TextRectFinish(TActionItem&, TInteractor&, TActionFinishMode) {}
void TfrmDesigner::TextRectOwnerDraw(TActionItem&, TInteractor&, TDrawModeType) {}
void TfrmDesigner::DesignerSelectStartTrans(TTransformationInfo) {}
void TfrmDesigner::DesignerSelectFinishTrans(TTransformationInfo) {}

} // namespace kolvar
