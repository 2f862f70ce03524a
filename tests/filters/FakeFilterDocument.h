#pragma once
// A document for the filter dialogs: an image, an optional selection, an undo copy and the
// preview hooks, with a record of what the dialogs did to it; and a clock that holds a filter
// run at a chosen row.

#include "filters/FilterDocument.h"
#include "vector/Designer.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
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
    // The view buffer's size; (0, 0) as a document that does not tell.
    TPoint View{0, 0};

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
    TPoint ViewSize() override { return View; }
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

// Counts the rows a filter has reported and holds the run at one row until the test releases
// it (or five seconds have passed), so that a test can act while the run is surely under way.
class TRowGate {
public:
    explicit TRowGate(int row) : FState(std::make_shared<TState>()) { FState->Row = row; }
    TTickSource Clock() const {
        return [s = FState] {
            if (++s->Rows == s->Row) {
                s->Held = true;
                for (int i = 0; i < 5000 && !s->Released; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                s->Held = false;
            }
            // 400 ms a row, so that every row reports its progress.
            return uint32_t(s->Rows) * 400u;
        };
    }
    void WaitUntilHeld() const {
        while (!FState->Held) std::this_thread::yield();
    }
    bool Held() const { return FState->Held; }
    void Release() const { FState->Released = true; }
    int Rows() const { return FState->Rows; }

private:
    struct TState {
        int Row = 0;
        std::atomic<int> Rows{0};
        std::atomic<bool> Held{false}, Released{false};
    };
    std::shared_ptr<TState> FState;
};

} // namespace kolvar::test
