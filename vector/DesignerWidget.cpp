#include "vector/DesignerWidget.h"

#include "raster/DibColors.h"

#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QtDebug>

#include <exception>

namespace kolvar {

TNewDesigner::TNewDesigner(QWidget* Parent) : QWidget(Parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    FCanvas = std::make_unique<TDibDesignerCanvas>(FViewBuffer);
    FActions = std::make_unique<TActionCollection>(this, FCanvas.get());
    FProjector = std::make_unique<TProjector>(FCanvas.get(), TRect{0, 0, 300, 300},
                                              TPoint2D{150, 150}, TPoint2D{-150, -150});
    FSelection = std::make_unique<TSelection>(FCanvas.get());
    FSelection->OnRightClick = [this](int32_t X, int32_t Y) {
        if (OnSelectRightClick) OnSelectRightClick(X, Y);
    };
    FSelection->OnStartTrans = [this](TTransformationInfo Info) {
        if (OnSelectStartTrans) OnSelectStartTrans(Info);
    };
    FSelection->OnUpdateTrans = [this](TTransformationInfo Info) {
        if (OnSelectUpdateTrans) OnSelectUpdateTrans(Info);
    };
    FSelection->OnFinishTrans = [this](TTransformationInfo Info) {
        if (OnSelectFinishTrans) OnSelectFinishTrans(Info);
    };
    SetPointerMover([this](int32_t X, int32_t Y) { QCursor::setPos(mapToGlobal(QPoint(X, Y))); });
    ResizeBuffer();
}

TNewDesigner::~TNewDesigner() {
    FSelection.reset();
    FProjector.reset();
    FActions.reset();
}

void TNewDesigner::SetActions(const TActionCollection& Source) {
    FActions->Assign(Source);
}

void TNewDesigner::SetTickSource(TTickSource Source) {
    FActions->SetTickSource(std::move(Source));
}

void TNewDesigner::SetPointerMover(TPointerMover Mover) {
    FActions->SetPointerMover(std::move(Mover));
}

void TNewDesigner::ResizeBuffer() {
    FViewBuffer.SetSize(std::max(width(), 0), std::max(height(), 0));
}

void TNewDesigner::Invalidate() {
    ResizeBuffer();
    if (!FViewBuffer.Empty()) {
        FViewBuffer.Clear(clDibSilver);
        if (OnComposeView) OnComposeView(*this, FViewBuffer);
        if (FSelection->List().Count() > 0) FSelection->DrawSelection();
    }
    update();
}

void TNewDesigner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (FViewBuffer.Empty()) return;
    const QImage view(FViewBuffer.Bits(), FViewBuffer.Width(), FViewBuffer.Height(),
                      FViewBuffer.Stride(), QImage::Format_BGR888);
    painter.drawImage(0, 0, view);
}

void TNewDesigner::resizeEvent(QResizeEvent*) {
    ResizeBuffer();
    if (OnResize) OnResize(*this);
    Invalidate();
}

// ---- Routing ------------------------------------------------------------------------------

bool TNewDesigner::GestureRunning() const {
    const TInteractor* interactor = FActions->Interactor();
    return interactor && interactor->Active();
}

void TNewDesigner::RaiseSelect() {
    if (OnSelect) OnSelect(*this);
}

void TNewDesigner::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X,
                             int32_t Y) {
    if (FSelection->Transforming()) {
        FSelection->MouseDown(Button, Shift, X, Y);
        RaiseSelect();
    } else if (GestureRunning()) {
        FActions->MouseDown(Button, Shift, X, Y);
    } else {
        FSelection->MouseDown(Button, Shift, X, Y);
        if (FSelection->HitKind() == hkNone)
            FActions->MouseDown(Button, Shift, X, Y);
        else
            RaiseSelect();
    }
    update();
}

void TNewDesigner::MouseMove(Qt::KeyboardModifiers Shift, int32_t X, int32_t Y) {
    if (OnMouseMove) OnMouseMove(*this, Shift, X, Y);
    if (FSelection->Transforming()) {
        FSelection->MouseMove(Shift, X, Y);
        RaiseSelect();
    } else if (GestureRunning()) {
        FActions->MouseMove(Shift, X, Y);
    } else {
        FSelection->MouseMove(Shift, X, Y);
        if (FSelection->HitKind() == hkNone)
            FActions->MouseMove(Shift, X, Y);
        else
            RaiseSelect();
    }
    update();
}

void TNewDesigner::MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X,
                           int32_t Y) {
    if (FSelection->Transforming()) {
        FSelection->MouseUp(Button, Shift, X, Y);
        RaiseSelect();
    } else if (GestureRunning()) {
        FActions->MouseUp(Button, Shift, X, Y);
    } else {
        FSelection->MouseUp(Button, Shift, X, Y);
        if (FSelection->HitKind() == hkNone)
            FActions->MouseUp(Button, Shift, X, Y);
        else
            RaiseSelect();
    }
    update();
}

// ---- Qt events ----------------------------------------------------------------------------

// Errors must not cross the toolkit's event dispatch; the handlers behind the tools report
// their own, so what arrives here is only noted.
template <class F> void TNewDesigner::Guarded(F&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        qWarning("designer: %s", e.what());
    }
}

void TNewDesigner::mousePressEvent(QMouseEvent* Event) {
    const QPoint p = Event->position().toPoint();
    Guarded([&] { MouseDown(Event->button(), Event->modifiers(), p.x(), p.y()); });
}

void TNewDesigner::mouseMoveEvent(QMouseEvent* Event) {
    const QPoint p = Event->position().toPoint();
    Guarded([&] { MouseMove(Event->modifiers(), p.x(), p.y()); });
}

void TNewDesigner::mouseReleaseEvent(QMouseEvent* Event) {
    const QPoint p = Event->position().toPoint();
    Guarded([&] { MouseUp(Event->button(), Event->modifiers(), p.x(), p.y()); });
}

} // namespace kolvar
