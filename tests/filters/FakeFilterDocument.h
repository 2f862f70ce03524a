#pragma once
// A document for the filter dialogs: an image, an optional selection, an undo copy and the
// preview hooks, with a record of what the dialogs did to it.

#include "filters/FilterDocument.h"
#include "vector/Designer.h"

#include <optional>
#include <vector>

namespace kolvar::test {

class TFakeFilterDocument : public TFilterDocument {
public:
    explicit TFakeFilterDocument(TDibContainer image)
        : FImage(std::move(image)),
          FView(nullptr, TRect{0, 0, FImage.Width(), FImage.Height()},
                TPoint2D{double(FImage.Width()), double(FImage.Height())}, TPoint2D{0, 0}) {}

    // The selection, as a rectangle or as one polygon.
    std::optional<TRect> SelectionRect;
    std::vector<TPoint> SelectionPolygon;
    TDibContainer Undo;
    int UndoCount = 0;
    int Repaints = 0;
    bool Modified = false;
    TPreviewPaint PreviewHook;
    TPreviewPaintDC PreviewHookDC;

    TDibContainer& Image() override { return FImage; }
    std::optional<TFilterSelection> FilterSelection() override {
        if (SelectionRect) return TFilterSelection::Rectangle(*SelectionRect);
        if (SelectionPolygon.empty()) return std::nullopt;
        TPoints p;
        for (const TPoint& q : SelectionPolygon) p.Add(q.X, q.Y);
        return TFilterSelection::Polygon(p);
    }
    TProjector& ViewProjector() override { return FView; }
    void SaveUndo() override {
        Undo = FImage;
        ++UndoCount;
    }
    void SetModified(bool Value) override { Modified = Value; }
    void Repaint() override { ++Repaints; }
    void SetPreviewHooks(TPreviewPaint Buffer, TPreviewPaintDC DC) override {
        PreviewHook = std::move(Buffer);
        PreviewHookDC = std::move(DC);
    }

    // The view as the window would compose it: the image, then the preview hook.
    TDibContainer ComposedView() {
        TDibContainer view = FImage;
        if (PreviewHook) PreviewHook(view);
        return view;
    }

private:
    TDibContainer FImage;
    TProjector FView;
};

} // namespace kolvar::test
