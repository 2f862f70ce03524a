// The fills and the colour pickers. Both fills paint the brush's plain colour.

#include "document/uFRMDesignerToolSupport.h"

namespace kolvar {

void TfrmDesigner::GetPenColorFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    TDibCanvas* tools = ToolCanvas();
    const TPoint q = ViewToImage(*this, FirstPoint(Interactor));
    if (tools && Inside(FImage, q)) tools->Pen().SetColor(FImage.GetPixel(q.X, q.Y));
}

void TfrmDesigner::GetFillColorFinish(TActionItem&, TInteractor& Interactor,
                                      TActionFinishMode Mode) {
    TDibCanvas* tools = ToolCanvas();
    const TPoint q = ViewToImage(*this, FirstPoint(Interactor));
    if (!tools || !Inside(FImage, q)) return;
    const TDibColor picked = FImage.GetPixel(q.X, q.Y);
    if (Mode == afmRightClick)
        tools->Pen().SetColor(picked);
    else
        tools->Brush().SetColor(picked);
}

void TfrmDesigner::FillAt(TInteractor& Interactor, bool Boundary) {
    const TDibCanvas* tools = ToolCanvas();
    if (!tools) return;
    SaveUndo();
    const TPoint q = ViewToImage(*this, FirstPoint(Interactor));
    if (!Inside(FImage, q)) return;
    const TDibColor fill = tools->Brush().Color();
    if (Boundary)
        FImage.BoundaryFill(q.X, q.Y, fill, tools->Pen().Color());
    else
        FImage.FloodFill(q.X, q.Y, fill, FImage.GetPixel(q.X, q.Y));
    Repaint();
    SetModified(true);
}

void TfrmDesigner::FloodFillFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    FillAt(Interactor, false);
}

void TfrmDesigner::BoundaryFillFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    FillAt(Interactor, true);
}

} // namespace kolvar
