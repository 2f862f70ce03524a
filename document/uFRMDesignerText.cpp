// The text tools: text at a point in its measured size, and text stretched into a dragged
// rectangle. Both write with the brush colour on a transparent background.

#include "document/TextOutput.h"
#include "document/uFRMDesignerToolSupport.h"
#include "vector/ShapeDef.h"

#include <algorithm>

namespace kolvar {

namespace {

// The box corners (-1, -1) and (1, 1) of a shape gesture in view pixels.
void BoxCorners(const TInteractor& I, TPoint2D& A, TPoint2D& B) {
    const TTransformMatrix m = I.Bounds().GetMatrix();
    A = TransformPoint2D(m, {-1, -1});
    B = TransformPoint2D(m, {1, 1});
}

} // namespace

void TfrmDesigner::WriteText(const TRect& R) {
    const TDibCanvas* tools = ToolCanvas();
    const TToolState& s = ToolState();
    if (!tools || s.ToolText.isEmpty()) return;
    // Text changes the image like any tool: it can be undone and is not lost on close.
    SaveUndo();
    DrawTextInRect(FImage, R, 0, s.ToolFontStyle.toInt(), s.ToolText, s.ToolFontName,
                   tools->Brush().Color());
    Repaint();
    SetModified(true);
}

void TfrmDesigner::TextStart(TActionItem&, TInteractor&) {
    const TToolState& s = ToolState();
    TextExtent() = MeasureText(s.ToolText, s.ToolFontName, s.ToolFontSize, s.ToolFontStyle.toInt());
}

void TfrmDesigner::TextOwnerDraw(TActionItem&, TInteractor& Interactor, TDrawModeType) {
    TDesignerCanvas* canvas = Interactor.Canvas();
    if (!canvas || Interactor.Points().Count() == 0) return;
    const TPoint2D p = Interactor.Points().Get(0);
    const TPoint2D zoom = FDesigner->Projector().Scale();
    const TPoint extent = TextExtent();
    FrameRect(*canvas, RoundPoint(p),
              RoundPoint({p.X + extent.X * zoom.X, p.Y + extent.Y * zoom.Y}));
}

void TfrmDesigner::TextFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    const TDibCanvas* tools = ToolCanvas();
    const TToolState& s = ToolState();
    if (!tools || s.ToolText.isEmpty()) return;
    // The text goes in with the font the preview measured, so it fills the previewed frame
    // rather than being squeezed to an average character width.
    SaveUndo();
    DrawTextAt(FImage, ViewToImage(*this, FirstPoint(Interactor)), s.ToolFontStyle.toInt(),
               s.ToolText, s.ToolFontName, s.ToolFontSize, tools->Brush().Color());
    Repaint();
    SetModified(true);
}

void TfrmDesigner::TextRectStart(TActionItem& Action, TInteractor&) {
    const TToolState& s = ToolState();
    TShapeDef outline;
    MakeTextOutline(s.ToolText, s.ToolFontName, s.ToolFontStyle.toInt(), outline);
    Action.ShapeDef().Assign(&outline);
    if (s.OnCurrentChildsShapeDef) s.OnCurrentChildsShapeDef(outline);
}

void TfrmDesigner::TextRectOwnerDraw(TActionItem&, TInteractor& Interactor, TDrawModeType) {
    TDesignerCanvas* canvas = Interactor.Canvas();
    if (!canvas) return;
    TPoint2D a, b;
    BoxCorners(Interactor, a, b);
    FrameRect(*canvas, RoundPoint(a), RoundPoint(b));
}

void TfrmDesigner::TextRectFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    TPoint2D a, b;
    BoxCorners(Interactor, a, b);
    const TPoint p = ViewToImage(*this, RoundPoint(a));
    const TPoint q = ViewToImage(*this, RoundPoint(b));
    WriteText(
        TRect{std::min(p.X, q.X), std::min(p.Y, q.Y), std::max(p.X, q.X), std::max(p.Y, q.Y)});
}

} // namespace kolvar
