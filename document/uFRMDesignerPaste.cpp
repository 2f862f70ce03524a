// The paste tool: the clipboard's picture is placed where the user clicks, blended at the
// settings palette's transparency, optionally leaving out the brush colour.

#include "document/uFRMDesignerToolSupport.h"
#include "raster/DibMath.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kolvar {

void TfrmDesigner::PasteStart(TActionItem&, TInteractor&) {
    const QImage picture = QGuiApplication::clipboard()->image();
    if (!picture.isNull()) FPasteBitmap = picture;
}

void TfrmDesigner::PasteOwnerDraw(TActionItem&, TInteractor& Interactor, TDrawModeType) {
    TDesignerCanvas* canvas = Interactor.Canvas();
    if (!canvas || Interactor.Points().Count() == 0) return;
    const TPoint p = FirstPoint(Interactor);
    const TPoint2D zoom = FDesigner->Projector().Scale();
    FrameRect(
        *canvas, p,
        {p.X + Round(FPasteBitmap.width() * zoom.X), p.Y + Round(FPasteBitmap.height() * zoom.Y)});
}

void TfrmDesigner::PasteFinish(TActionItem&, TInteractor& Interactor, TActionFinishMode) {
    const TDibCanvas* tools = ToolCanvas();
    if (FPasteBitmap.isNull() || !tools) return;
    SaveUndo();
    const TPoint q = ViewToImage(*this, FirstPoint(Interactor));
    TDibContainer picture;
    picture.AssignBitmap(FPasteBitmap);
    const TToolState& s = ToolState();
    if (s.PasteWithoutColor)
        picture.BlendTransparentTo(FImage, q.X, q.Y, tools->Brush().Color(), s.PasteTransparency);
    else
        picture.BlendTo(FImage, q.X, q.Y, s.PasteTransparency);
    Repaint();
    FPasteBitmap = QImage();
    SetModified(true);
}

} // namespace kolvar
