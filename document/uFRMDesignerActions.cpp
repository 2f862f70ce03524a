// The designer's action table: the 22 tools in the order CurrentAction counts them, each with
// its gesture kind and the document window's handlers the designer calls.

#include "document/uFRMDesigner.h"

#include <array>

namespace kolvar {

namespace {

using TStart = void (TfrmDesigner::*)(TActionItem&, TInteractor&);
using TFinish = void (TfrmDesigner::*)(TActionItem&, TInteractor&, TActionFinishMode);
using TDraw = void (TfrmDesigner::*)(TActionItem&, TInteractor&, TDrawModeType);

struct TDesignerActionDef {
    const char* Name;
    TActionDrawMode DrawMode;
    TInteractorType Interactor;
    int32_t VertCount;
    TStart OnStart;
    TStart OnUpdate;
    TFinish OnFinish;
    TDraw OwnerDraw;
};

using F = TfrmDesigner;
constexpr std::array<TDesignerActionDef, 22> kActions = {{
    {"DrawPoint", admSegment, itPoint, 2, nullptr, &F::DrawPointUpdate, &F::DrawPointFinish,
     nullptr},
    {"DrawLine", admSegment, itPoints, 2, nullptr, nullptr, &F::DrawPolyLineFinish, nullptr},
    {"DrawPolyLine", admSegment, itPolyLine, 2, nullptr, nullptr, &F::DrawPolyLineFinish, nullptr},
    {"DrawPolygon", admSegment, itPolygon, 2, nullptr, nullptr, &F::DrawPolygonFinish, nullptr},
    {"GetPenColor", admSegment, itPoint, 2, nullptr, nullptr, &F::GetPenColorFinish, nullptr},
    {"GetFillColor", admSegment, itPoint, 2, nullptr, nullptr, &F::GetFillColorFinish, nullptr},
    {"Shape", admSegment, itShape, 2, nullptr, nullptr, &F::DrawPolygonFinish, nullptr},
    {"Pen", admSegment, itPoint, 2, &F::DrawPenStart, &F::DrawPenUpdate, &F::DrawPenFinish,
     nullptr},
    {"Spray", admSegment, itPoint, 2, &F::DrawSprayStart, &F::DesignerActions8Update,
     &F::DrawSprayFinish, nullptr},
    {"FloodFill", admSegment, itPoint, 2, nullptr, nullptr, &F::FloodFillFinish, nullptr},
    {"Zoom", admSegment, itZoom, 2, nullptr, nullptr, &F::ZoomFinish, nullptr},
    {"Erase", admSegment, itPoint, 2, &F::EraseStart, &F::EraseUpdate, &F::EraseFinish, nullptr},
    {"SelectShape", admSegment, itSelect, 2, &F::SelectionStart, nullptr, &F::SelectShapeFinish,
     nullptr},
    {"SelectPolygon", admSegment, itPolygon, 2, &F::SelectionStart, nullptr,
     &F::PolySelectionFinish, nullptr},
    {"DrawPolygonCurve", admFull, itPolygon, 5, nullptr, nullptr, &F::DrawPolygonCurveFinish,
     &F::DrawCurveOwnerDraw},
    {"DrawPolylineCurve", admFull, itPolyLine, 5, nullptr, nullptr,
     &F::DrawPolyLineFinishCurveFinish, &F::DrawCurveOwnerDraw},
    {"BoundaryFill", admSegment, itPoint, 2, nullptr, nullptr, &F::BoundaryFillFinish, nullptr},
    {"Text", admSegment, itPoint, 2, &F::TextStart, nullptr, &F::TextFinish, &F::TextOwnerDraw},
    {"Paste", admSegment, itPoint, 2, &F::PasteStart, nullptr, &F::PasteFinish, &F::PasteOwnerDraw},
    {"SelectPolygonCurve", admFull, itPolygon, 5, &F::SelectionStart, nullptr,
     &F::SelectPolygonCurveFinish, &F::DrawCurveOwnerDraw},
    {"Warp", admSegment, itPoints, 2, nullptr, nullptr, &F::WarpFinish, &F::WarpOwnerDraw},
    {"Text in Rect", admSegment, itShape, 2, &F::TextRectStart, nullptr, &F::TextRectFinish,
     &F::TextRectOwnerDraw},
}};

} // namespace

void TfrmDesigner::BuildActions() {
    TActionCollection& table = FDesigner->Actions();
    table.Clear();
    for (const TDesignerActionDef& def : kActions) {
        TActionItem& item = table.Add();
        item.SetActionName(QString::fromLatin1(def.Name));
        item.SetDrawMode(def.DrawMode);
        item.SetInteractorType(def.Interactor);
        item.SetVertCount(def.VertCount);
        if (def.OnStart)
            item.OnStart = [this, h = def.OnStart](TActionItem& a, TInteractor& i) {
                (this->*h)(a, i);
            };
        if (def.OnUpdate)
            item.OnUpdate = [this, h = def.OnUpdate](TActionItem& a, TInteractor& i) {
                (this->*h)(a, i);
            };
        if (def.OnFinish)
            item.OnFinish = [this, h = def.OnFinish](TActionItem& a, TInteractor& i,
                                                     TActionFinishMode m) { (this->*h)(a, i, m); };
        if (def.OwnerDraw)
            item.OwnerDraw = [this, h = def.OwnerDraw](TActionItem& a, TInteractor& i,
                                                       TDrawModeType m) { (this->*h)(a, i, m); };
    }
    table.SetActiveAction(0);
}

} // namespace kolvar
