// The selection: hit testing of its frame and outlines, the move, scale and rotate gestures,
// their inverted feedback, and copying the pixels inside an outline.

#include "vector/GeoObjects.h"

#include "raster/DibContainer.h"
#include "vector/DesignerCanvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kolvar {

namespace {

bool NearHandle(const TPoint& h, int32_t X, int32_t Y) {
    return std::abs(int64_t(h.X) - X) < 3 && std::abs(int64_t(h.Y) - Y) < 3;
}

// Which frame dimensions a scale handle or a frame edge changes.
void ScaledDimensions(uint8_t kind, int32_t index, bool& width, bool& height) {
    const bool corner = index == 1 || index == 3 || index == 5 || index == 7;
    if (kind == hkScaleHandle) {
        width = corner || index == 0 || index == 4;
        height = corner || index == 2 || index == 6;
    } else {
        width = index == 0 || index == 3 || index == 4 || index == 7;
        height = index == 1 || index == 2 || index == 5 || index == 6;
    }
}

} // namespace

TTransformMatrix TransformMatrix(const TTransformationInfo& Info, const TBounds& Frame) {
    const TPoint2D c = Frame.Center;
    TTransformMatrix m = TranslationMatrix(-c.X, -c.Y, 0);
    m = MultiplyMatrix(m, RotationZ(-Frame.Angle));
    m = MultiplyMatrix(m, ScaleMatrix(Info.SX, Info.SY, 1));
    m = MultiplyMatrix(m, RotationZ(Frame.Angle + Info.Angle));
    return MultiplyMatrix(m, TranslationMatrix(c.X + Info.DX, c.Y + Info.DY, 0));
}

// ---- TSelection ---------------------------------------------------------------------------

TSelection::TSelection(TDesignerCanvas* Canvas) : FCanvas(Canvas) {}

TSelectionHit TSelection::HitTest(int32_t X, int32_t Y) const {
    TSelectionHit r;
    if (FList.Count() == 0) return r;
    TPoint h[8];
    GetBounds().GetHandles(h);
    if (NearHandle(h[0], X, Y)) {
        r.Hit = THitResult{hkRotateHandle, 0};
        return r;
    }
    for (int32_t i = 0; i < 8; ++i)
        if (NearHandle(h[i], X, Y)) {
            r.Hit = THitResult{hkScaleHandle, i};
            return r;
        }
    const int32_t edge = FindSegment(X, Y, h, true, 8);
    if (edge >= 0) {
        r.Hit = THitResult{hkFrameEdge, edge};
        return r;
    }
    const TTransformMatrix identity = IdentityMatrix();
    for (int32_t i = 0; i < FList.Count(); ++i) {
        TGeoBase* object = FList.Get(i);
        THitResult hit;
        object->HitTest(X, Y, hit, identity);
        if (hit.Kind != hkNone) {
            r.Object = object;
            r.Hit = hit;
            return r;
        }
    }
    return r;
}

void TSelection::ComputeInfo() {
    const TBounds& f = GetBounds();
    const double x = FInfo.X;
    const double y = FInfo.Y;
    FInfo = TTransformationInfo{};
    FInfo.X = x;
    FInfo.Y = y;
    switch (FHit.Hit.Kind) {
    case hkEdge:
    case hkInside:
        FInfo.DX = x - FPressPoint.X;
        FInfo.DY = y - FPressPoint.Y;
        break;
    case hkScaleHandle:
    case hkFrameEdge:
        ScaleInfo();
        break;
    case hkRotateHandle:
        FInfo.Angle = AngleAround(f.Center.X, f.Center.Y, x, y) - f.Angle;
        break;
    default:
        break;
    }
}

// Distances to the frame's axes never go negative, so dragging across the centre shrinks the
// frame to nothing and then grows it again without mirroring.
void TSelection::ScaleInfo() {
    const TBounds& f = GetBounds();
    bool width = false;
    bool height = false;
    ScaledDimensions(FHit.Hit.Kind, FHit.Hit.Index, width, height);
    const TPoint2D p{FInfo.X, FInfo.Y};
    const double hw = width ? PointLineDistance(p, f.Center, f.YAxisPoint) : f.HalfWidth;
    const double hh = height ? PointLineDistance(p, f.Center, f.XAxisPoint) : f.HalfHeight;
    FInfo.SX = hw / f.HalfWidth;
    FInfo.SY = hh / f.HalfHeight;
}

void TSelection::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers, int32_t X, int32_t Y) {
    if (FTransforming) return;
    FHit = HitTest(X, Y);
    if (Button != Qt::LeftButton || FHit.Hit.Kind == hkNone) return;
    FTransforming = true;
    if (FCanvas) {
        FCanvas->SetPenMode(TCanvasPenMode::NotXor);
        FCanvas->SetPenStyle(TCanvasPenStyle::Dot);
    }
    FPressPoint = TPoint2D{double(X), double(Y)};
    FInfo.X = X;
    FInfo.Y = Y;
    ComputeInfo();
    DrawTransformed(FInfo);
    if (OnStartTrans) OnStartTrans(FInfo);
}

void TSelection::MouseMove(Qt::KeyboardModifiers, int32_t X, int32_t Y) {
    if (!FTransforming) {
        FHit = HitTest(X, Y);
        return;
    }
    DrawTransformed(FInfo);
    FInfo.X = X;
    FInfo.Y = Y;
    ComputeInfo();
    DrawTransformed(FInfo);
    if (OnUpdateTrans) OnUpdateTrans(FInfo);
}

void TSelection::MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int32_t X, int32_t Y) {
    // The drag is over before anyone hears of it, so a handler that fails cannot leave the
    // selection stuck in a drag that no longer runs.
    const bool dragging = FTransforming;
    FTransforming = false;
    if (dragging) {
        DrawTransformed(FInfo);
        if (OnFinishTrans) OnFinishTrans(FInfo);
    } else if (FHit.Hit.Kind != hkNone) {
        if (OnRightClick) OnRightClick(X, Y);
    }
}

void TSelection::DrawTransformed(const TTransformationInfo& Info) {
    if (!FCanvas) return;
    for (int32_t i = 0; i < FList.Count(); ++i) {
        const TGeoBase* object = FList.Get(i);
        object->DrawOutline(*FCanvas, TransformMatrix(Info, object->Bounds()));
    }
}

void TSelection::DrawSelection() {
    if (!FCanvas) return;
    TDesignerCanvas& c = *FCanvas;
    c.SetPenMode(TCanvasPenMode::NotXor);
    c.SetPenStyle(TCanvasPenStyle::Dot);
    const TTransformMatrix identity = IdentityMatrix();
    for (int32_t i = 0; i < FList.Count(); ++i) FList.Get(i)->DrawOutline(c, identity);
    c.SetPenStyle(TCanvasPenStyle::Solid);
    TPoint h[8];
    GetBounds().GetHandles(h);
    for (int32_t i = 1; i < 8; ++i) c.Rectangle(h[i].X - 3, h[i].Y - 3, h[i].X + 3, h[i].Y + 3);
    c.Ellipse(h[0].X - 4, h[0].Y - 4, h[0].X + 4, h[0].Y + 4);
}

// ---- TRasterSelection ---------------------------------------------------------------------

TRasterSelection::~TRasterSelection() = default;

void TRasterSelection::Grab(TDibContainer& Source, const TPoints& Points,
                            const TIntegerArray& RingSizes) {
    if (!FImage) FImage = std::make_unique<TDibContainer>();
    FGrabbed = {0, 0, -1, -1};
    if (Points.Count() == 0) {
        FBox = {0, 0, -1, -1};
        FImage->SetSize(0, 0);
        return;
    }
    const TRect box = PointsBounds(Points.Data(), Points.Count());
    FBox = box;
    // A box wider than any image is passed on as such, for the container to refuse.
    auto side = [](int32_t lo, int32_t hi) {
        return int32_t(std::min<int64_t>(int64_t(hi) - lo + 1, INT32_MAX));
    };
    FImage->SetSize(side(box.Left, box.Right), side(box.Top, box.Bottom));
    FImage->Clear(BackColor);
    TDibContainer& image = *FImage;
    TRect& grabbed = FGrabbed;
    bool any = false;
    Source.FillPolyPolygon(
        Points, RingSizes,
        [&image, &box, &grabbed, &any](TDibContainer& src, int32_t y, int32_t x1, int32_t x2,
                                       const TRect&) {
            const int64_t row = int64_t(y) - box.Top;
            const int64_t left = int64_t(x1) - box.Left;
            if (row < 0 || row >= image.Height() || left < 0) return;
            const int64_t n = std::min<int64_t>(int64_t(x2) - x1 + 1, image.Width() - left);
            if (n <= 0) return;
            std::memcpy(image.PixelPtr(int32_t(left), int32_t(row)), src.PixelPtr(x1, y),
                        size_t(n) * 3);
            const int32_t last = int32_t(x1 + n - 1);
            if (!any) grabbed = {x1, y, last, y};
            any = true;
            grabbed = {std::min(grabbed.Left, x1), std::min(grabbed.Top, y),
                       std::max(grabbed.Right, last), std::max(grabbed.Bottom, y)};
        });
}

void TRasterSelection::CropToGrabbed() {
    if (!FImage) return;
    if (FGrabbed.Right < FGrabbed.Left || FGrabbed.Bottom < FGrabbed.Top) {
        FImage->SetSize(0, 0);
        return;
    }
    const TRect inImage{FGrabbed.Left - FBox.Left, FGrabbed.Top - FBox.Top,
                        FGrabbed.Right - FBox.Left, FGrabbed.Bottom - FBox.Top};
    TDibContainer cropped(inImage.Right - inImage.Left + 1, inImage.Bottom - inImage.Top + 1);
    FImage->CopyRectTo(inImage, cropped);
    *FImage = std::move(cropped);
}

} // namespace kolvar
