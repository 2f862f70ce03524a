#pragma once
// The designer control that fills a document window: it keeps the composed view buffer it
// shows, routes mouse events between the selection and the active tool's interactor, and
// draws their inverting feedback into that buffer. Painting only blits the buffer.

#include "raster/DibContainer.h"
#include "vector/Designer.h"
#include "vector/DesignerCanvas.h"
#include "vector/GeoObjects.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

namespace kolvar {

class TNewDesigner : public QWidget {
public:
    using TNotifyEvent = std::function<void(TNewDesigner& Sender)>;
    using TMouseMoveEvent = std::function<void(TNewDesigner& Sender, Qt::KeyboardModifiers Shift,
                                               int32_t X, int32_t Y)>;
    using TComposeEvent = std::function<void(TNewDesigner& Sender, TDibContainer& Buffer)>;

    explicit TNewDesigner(QWidget* Parent = nullptr);
    ~TNewDesigner() override;

    TActionCollection& Actions() { return *FActions; }
    // Copies Source's items into the designer's own table.
    void SetActions(const TActionCollection& Source);
    TProjector& Projector() { return *FProjector; }
    TSelection& Selection() { return *FSelection; }
    // The picture the control shows, one pixel per control pixel, and the canvas on it.
    TDibContainer& ViewBuffer() { return FViewBuffer; }
    TDesignerCanvas& Canvas() { return *FCanvas; }

    TNotifyEvent OnSelect;
    TSelectorRightClickEvent OnSelectRightClick;
    TSelectorTransformationEvent OnSelectStartTrans;
    TSelectorTransformationEvent OnSelectUpdateTrans;
    TSelectorTransformationEvent OnSelectFinishTrans;
    TMouseMoveEvent OnMouseMove;
    // Raised after the control changed size, before the view is composed again.
    TNotifyEvent OnResize;
    // Paints the picture into the buffer, which arrives sized to the control and silver.
    TComposeEvent OnComposeView;

    // Composes the view again: silver, OnComposeView, then the selection when it holds
    // anything; then schedules a repaint. Feedback of a running gesture is not kept.
    void Invalidate();
    // Schedules a repaint of the buffer as it is (after feedback was drawn into it).
    void Refresh() { update(); }

    // Replaces the millisecond clock and the pointer positioning (control pixels) of every
    // interactor the table builds from now on and of the current one.
    void SetTickSource(TTickSource Source);
    void SetPointerMover(TPointerMover Mover);

    // The routing of one mouse event, in control pixels.
    void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);
    void MouseMove(Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);
    void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    bool GestureRunning() const;
    void RaiseSelect();
    void ResizeBuffer();
    template <class F> void Guarded(F&& call);

    TDibContainer FViewBuffer;
    std::unique_ptr<TDibDesignerCanvas> FCanvas;
    std::unique_ptr<TActionCollection> FActions;
    std::unique_ptr<TProjector> FProjector;
    std::unique_ptr<TSelection> FSelection;
};

} // namespace kolvar
