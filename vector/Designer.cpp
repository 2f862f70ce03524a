#include "vector/Designer.h"

#include "raster/DibMath.h"

#include <QElapsedTimer>

#include <cmath>
#include <utility>

namespace kolvar {

uint32_t SystemTickCount() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return uint32_t(timer.elapsed());
}

// ---- TProjector ---------------------------------------------------------------------------

TProjector::TProjector(TDesignerCanvas* Canvas, const TRect& Viewport, const TPoint2D& WindowMax,
                       const TPoint2D& WindowMin)
    : FCanvas(Canvas), FViewport(Viewport), FWindowMax(WindowMax), FWindowMin(WindowMin) {
    FCenter = {(WindowMin.X + WindowMax.X) / 2, (WindowMin.Y + WindowMax.Y) / 2};
    const double sx = (Viewport.Right - Viewport.Left) / (WindowMax.X - WindowMin.X);
    const double sy = (Viewport.Bottom - Viewport.Top) / (WindowMax.Y - WindowMin.Y);
    const double s = std::min(sx, sy);
    if (std::isfinite(s) && s > 0) FScale = {s, s};
    UpdateMatrices();
}

void TProjector::UpdateMatrices() {
    FToScreen = MultiplyMatrix(TranslationMatrix(-FWindowMin.X, -FWindowMin.Y, 0),
                               ScaleMatrix(FScale.X, FScale.Y, 1));
    FToWorld = MultiplyMatrix(ScaleMatrix(1 / FScale.X, 1 / FScale.Y, 1),
                              TranslationMatrix(FWindowMin.X, FWindowMin.Y, 0));
}

void TProjector::SetViewport(const TRect& Rect) {
    // Copies, since SetWindow overwrites the fields it is given.
    const TPoint2D min = FWindowMin;
    const TPoint2D max = FWindowMax;
    SetWindow(min, max, Rect);
}

void TProjector::SetWindow(const TPoint2D& Min, const TPoint2D& Max, const TRect& Rect) {
    FViewport = Rect;
    const double vw = double(Rect.Right) - Rect.Left;
    const double vh = double(Rect.Bottom) - Rect.Top;
    // A minimised control has no area; a scale of 0 would poison both matrices.
    if (!(vw > 0) || !(vh > 0)) return;
    TPoint2D scale{1, 1};
    if (Max.X - Min.X != 0) scale.X = std::fabs(vw / (Max.X - Min.X));
    if (Max.Y - Min.Y != 0) scale.Y = std::fabs(vh / (Max.Y - Min.Y));
    const double s = std::min(scale.X, scale.Y);
    if (!std::isfinite(s) || !(s > 0)) return;
    FScale = {s, s};
    FCenter = {(Min.X + Max.X) / 2, (Min.Y + Max.Y) / 2};
    const double hw = (vw / 2) / FScale.X;
    const double hh = (vh / 2) / FScale.Y;
    FWindowMin = {FCenter.X - hw, FCenter.Y - hh};
    FWindowMax = {FCenter.X + hw, FCenter.Y + hh};
    UpdateMatrices();
}

void TProjector::SetCenter(const TPoint2D& C) {
    if (C == FCenter) return;
    FCenter = C;
    const double hw = ToSingle((FWindowMax.X - FWindowMin.X) * FScale.X) / FScale.X / 2;
    const double hh = ToSingle((FWindowMax.Y - FWindowMin.Y) * FScale.Y) / FScale.Y / 2;
    FWindowMax = {C.X + hw, C.Y + hh};
    FWindowMin = {C.X - hw, C.Y - hh};
    UpdateMatrices();
}

void TProjector::SetScale(const TPoint2D& S) {
    const TPoint2D scale{std::fabs(S.X), std::fabs(S.Y)};
    if (scale == FScale) return;
    if (!(scale.X > 0) || !(scale.Y > 0) || !std::isfinite(scale.X) || !std::isfinite(scale.Y))
        return;
    FCenter = {(FWindowMin.X + FWindowMax.X) / 2, (FWindowMin.Y + FWindowMax.Y) / 2};
    const double pw = ToSingle((FWindowMax.X - FWindowMin.X) * FScale.X);
    const double ph = ToSingle((FWindowMax.Y - FWindowMin.Y) * FScale.Y);
    FScale = scale;
    const double hw = pw / FScale.X / 2;
    const double hh = ph / FScale.Y / 2;
    FWindowMin = {FCenter.X - hw, FCenter.Y - hh};
    FWindowMax = {FCenter.X + hw, FCenter.Y + hh};
    UpdateMatrices();
}

TPoint2D TProjector::ScreenToWorld(double X, double Y) const {
    return TransformPoint2D(FToWorld, {X, Y});
}

TPoint2D TProjector::WorldToScreen(double X, double Y) const {
    return TransformPoint2D(FToScreen, {X, Y});
}

// ---- TActionItem --------------------------------------------------------------------------

TActionItem::TActionItem(TActionCollection* Collection) : FCollection(Collection) {}

int32_t TActionItem::Index() const {
    return FCollection ? FCollection->IndexOf(this) : -1;
}

QString TActionItem::DisplayName() const {
    return FActionName.isEmpty() ? QStringLiteral("TActionItem") : FActionName;
}

void TActionItem::Changed() {
    if (FCollection) FCollection->RebuildInteractor();
}

void TActionItem::SetDrawMode(TActionDrawMode Value) {
    if (Value == FDrawMode) return;
    FDrawMode = Value;
    Changed();
}

void TActionItem::SetInteractorType(TInteractorType Value) {
    if (Value == FInteractorType) return;
    FInteractorType = Value;
    Changed();
}

void TActionItem::SetVertCount(int32_t Value) {
    if (Value < 2 || Value == FVertCount) return;
    FVertCount = Value;
    Changed();
}

void TActionItem::Assign(const TActionItem& Source) {
    if (&Source == this) return;
    SetActionName(Source.FActionName);
    SetDrawMode(Source.FDrawMode);
    SetInteractorType(Source.FInteractorType);
    SetVertCount(Source.FVertCount);
    OnStart = Source.OnStart;
    OnUpdate = Source.OnUpdate;
    OnCancel = Source.OnCancel;
    OnFinish = Source.OnFinish;
    OwnerDraw = Source.OwnerDraw;
    FShapeDef.Assign(&Source.FShapeDef);
}

// ---- TActionCollection --------------------------------------------------------------------

TActionCollection::TActionCollection(TNewDesigner* Designer, TDesignerCanvas* Canvas)
    : FDesigner(Designer), FCanvas(Canvas) {}

TActionCollection::~TActionCollection() {
    FInteractor.reset();
    FItems.clear();
}

TActionItem* TActionCollection::Items(int32_t I) const {
    if (I < 0 || I >= Count()) return nullptr;
    return FItems[size_t(I)].get();
}

int32_t TActionCollection::IndexOf(const TActionItem* Item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == Item) return int32_t(i);
    return -1;
}

TActionItem& TActionCollection::Add() {
    FItems.push_back(std::make_unique<TActionItem>(this));
    TActionItem& item = *FItems.back();
    // The new item may be the one ActiveIndex has been waiting for.
    RebuildInteractor();
    return item;
}

void TActionCollection::Delete(int32_t I) {
    if (I < 0 || I >= Count()) return;
    std::unique_ptr<TActionItem> old = std::move(FItems[size_t(I)]);
    FItems.erase(FItems.begin() + I);
    old->FCollection = nullptr;
    RebuildInteractor();
    Retire(std::move(old));
}

void TActionCollection::Clear() {
    std::vector<std::unique_ptr<TActionItem>> old = std::move(FItems);
    FItems.clear();
    for (auto& item : old) item->FCollection = nullptr;
    RebuildInteractor();
    for (auto& item : old) Retire(std::move(item));
}

void TActionCollection::Assign(const TActionCollection& Source) {
    if (&Source == this) return;
    Clear();
    for (const auto& item : Source.FItems) Add().Assign(*item);
}

void TActionCollection::SetActiveAction(int32_t Index) {
    if (Index == FActiveIndex || Index < 0 || Index >= Count()) return;
    FActiveIndex = Index;
    RebuildInteractor();
}

void TActionCollection::RebuildInteractor() {
    Retire(std::move(FInteractor));
    FActiveItem = nullptr;
    if (FActiveIndex < 0 || FActiveIndex >= Count()) return;
    FActiveItem = FItems[size_t(FActiveIndex)].get();
    FInteractor = TInteractor::Create(*FActiveItem, FCanvas);
    FInteractor->TickSource = FTickSource;
    FInteractor->PointerMover = FPointerMover;
}

void TActionCollection::SetTickSource(TTickSource Source) {
    FTickSource = std::move(Source);
    if (FInteractor) FInteractor->TickSource = FTickSource;
}

void TActionCollection::SetPointerMover(TPointerMover Mover) {
    FPointerMover = std::move(Mover);
    if (FInteractor) FInteractor->PointerMover = FPointerMover;
}

void TActionCollection::Retire(std::unique_ptr<TInteractor> Old) {
    if (Old && FDispatchDepth > 0) FRetiredInteractors.push_back(std::move(Old));
}

void TActionCollection::Retire(std::unique_ptr<TActionItem> Old) {
    if (Old && FDispatchDepth > 0) FRetiredItems.push_back(std::move(Old));
}

template <class F> void TActionCollection::Dispatch(F&& call) {
    if (!FInteractor) return;
    struct TDepth {
        TActionCollection& C;
        explicit TDepth(TActionCollection& c) : C(c) { ++C.FDispatchDepth; }
        ~TDepth() {
            if (--C.FDispatchDepth > 0) return;
            C.FRetiredInteractors.clear();
            C.FRetiredItems.clear();
        }
    } depth(*this);
    call(*FInteractor);
}

void TActionCollection::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X,
                                  int32_t Y) {
    Dispatch([&](TInteractor& i) { i.MouseDown(Button, Shift, X, Y); });
}

void TActionCollection::MouseMove(Qt::KeyboardModifiers Shift, int32_t X, int32_t Y) {
    Dispatch([&](TInteractor& i) { i.MouseMove(Shift, X, Y); });
}

void TActionCollection::MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X,
                                int32_t Y) {
    Dispatch([&](TInteractor& i) { i.MouseUp(Button, Shift, X, Y); });
}

} // namespace kolvar
