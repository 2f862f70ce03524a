#pragma once
// Outlines that live above the image while they are selected, moved, scaled and rotated, the
// oriented frame every outline and gesture is measured with, and the selection that turns
// drags on its frame and outlines into transformations.
//
// Coordinates are doubles in control pixels (the document window converts them to image
// pixels and back). y points down, so "clockwise" means clockwise as seen on the screen.

#include "raster/DibColors.h"
#include "raster/DibGeometry.h"
#include "raster/DibTypes.h"
#include "raster/DynamicArray.h"
#include "vector/ShapeDef.h"

#include <QtCore/qnamespace.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kolvar {

class TDesignerCanvas;
class TDibBrush;
class TDibContainer;
class TDibPen;

// ---- Oriented frame -------------------------------------------------------------------------

// An oriented box given by its centre and the centres of its right and lower edges. Angle and
// the half extents are derived from those three points; GetMatrix maps the square
// (-1, -1)..(1, 1) onto the box. A half extent is never exactly 0 (it becomes 1e-6), so the
// inverse matrix always exists.
class TBounds {
public:
    TBounds() : TBounds(0, 0, 0, 0) {}
    // The frame spanned by two corners, except that Angle is 0 and the half extents keep the
    // sign of X2 - centre and Y2 - centre: corners given right to left or bottom to top make
    // GetMatrix mirror.
    TBounds(double X1, double Y1, double X2, double Y2);
    static TBounds CreateCopy(const TBounds& source);

    TPoint2D Center;
    TPoint2D XAxisPoint;
    TPoint2D YAxisPoint;
    double Angle = 0;
    double HalfWidth = 0;
    double HalfHeight = 0;

    void SetCorners(double X1, double Y1, double X2, double Y2);
    // Stores the frame and makes it rectangular and unmirrored: the x axis keeps C -> P1, the
    // y axis turns to 90 degrees clockwise from it at P2's distance from that axis.
    void SetFrame(const TPoint2D& C, const TPoint2D& P1, const TPoint2D& P2);
    // The axis-aligned box of the points; no points leave the frame as it is.
    void SetFromPoints(const TPoints2D& points);
    // Shear and mirroring in M are lost: the frame stays rectangular and unmirrored.
    void Transform(const TTransformMatrix& M);

    TPoint2D GetCenter() const { return Center; }
    TTransformMatrix GetMatrix() const;
    TTransformMatrix GetInverseMatrix() const;
    // Right middle, then clockwise: lower right, lower middle, lower left, left middle, upper
    // left, upper middle, upper right (as seen on an unrotated box). The middles of the lower,
    // left and upper edges are rounded to nearest, the other five truncated toward zero.
    void GetHandles(TPoint (&handles)[8]) const;

private:
    void Normalize();
};

// ---- Hit results --------------------------------------------------------------------------

enum THitKind : uint8_t {
    hkNone = 0,
    hkVertex = 1,
    hkEdge = 2,
    hkInside = 3,
    hkScaleHandle = 4,
    hkRotateHandle = 5,
    hkFrameEdge = 6
};

#pragma pack(push, 1)
struct THitResult {
    uint8_t Kind = hkNone;
    int32_t Index = -1;
    friend bool operator==(const THitResult&, const THitResult&) = default;
};
#pragma pack(pop)

// ---- Outlines -----------------------------------------------------------------------------

// The pen and brush of outlines that draw or fill nothing.
const TDibPen& ClearPen();
const TDibBrush& ClearBrush();

// An outline: a frame and a list of vertices. The base class neither draws nor fills.
class TGeoBase {
public:
    // Bounds from the corners (see TBounds), Points copied when given. ShapeDef is used by
    // TGeoShape only.
    TGeoBase(const TPoints2D* Points, const TShapeDef* ShapeDef, double X1, double Y1, double X2,
             double Y2);
    TGeoBase(const TGeoBase&) = delete;
    TGeoBase& operator=(const TGeoBase&) = delete;
    virtual ~TGeoBase();

    TBounds& Bounds() { return FBounds; }
    const TBounds& Bounds() const { return FBounds; }
    bool Closed() const { return FClosed; }
    void SetClosed(bool value) { FClosed = value; }
    // The vertices; the key points for TGeoShape.
    const TPoints2D& Points() const { return FPoints; }

    virtual const TDibBrush& GetBrush() const;
    virtual void SetBrush(const TDibBrush& B);
    virtual const TDibPen& GetPen() const;
    virtual void SetPen(const TDibPen& P);
    virtual const TShapeDef& GetShapeDef() const;
    virtual void SetShapeDef(const TShapeDef& D);
    // Copies the points, recomputes the outline and sets Bounds to the outline's box.
    virtual void SetPoints(const TPoints2D& P);
    virtual const TPoints2D& GetOutline() const;
    // Rotation by Bounds.Angle, then translation to Bounds.Center; no scaling.
    virtual TTransformMatrix GetLocalToWorld() const;
    virtual TTransformMatrix GetWorldToLocal() const;
    virtual void UpdateOutline();
    // The integer outline these vertices would give inside frame B.
    virtual void BuildOutline(const TPoints2D& P, const TBounds& B, TPoints& Pts) const;
    // The outline after M were applied to the frame (the vertices stay).
    virtual void BuildTransformedOutline(const TTransformMatrix& M, TPoints& Pts) const;
    // The outline with vertex I replaced by P (an index out of range replaces nothing).
    virtual void BuildMovedPointOutline(int32_t I, const TPoint2D& P, TPoints& Pts) const;
    virtual void Transform(const TTransformMatrix& M);
    // Out-of-range indices are ignored.
    virtual void SetPoint(int32_t I, const TPoint2D& P);
    // (X, Y) is compared with the outline mapped by M and rounded to whole pixels.
    virtual void HitTest(int32_t X, int32_t Y, THitResult& Hit, const TTransformMatrix& M) const;
    // R is inclusive. Any: some outline point lies in R; otherwise all of them do (an empty
    // outline: false with Any, true without).
    virtual bool InsideRect(const TRect& R, bool Any, const TTransformMatrix& M) const;
    // The same question with the outline itself (even-odd) in place of a rectangle.
    virtual bool InsideOutline(bool Any, const TTransformMatrix& M) const;
    // Draws the outline mapped by M edge by edge with the canvas's current pen.
    virtual void DrawOutline(TDesignerCanvas& Canvas, const TTransformMatrix& M) const;
    // Paints the object into Target with its own pen and brush.
    virtual void Render(TDibContainer& Target, const TTransformMatrix& M) const;

protected:
    // The outline mapped by M, rounded to nearest.
    TPoints MappedOutline(const TTransformMatrix& M) const;
    TPoints2D& MutablePoints() { return FPoints; }

private:
    TBounds FBounds;
    bool FClosed = false;
    TPoints2D FPoints;
};

// An open polyline (closed when Closed is set) drawn with its own pen.
class TGeoLine : public TGeoBase {
public:
    TGeoLine(const TPoints2D* Points, const TShapeDef* ShapeDef, double X1, double Y1, double X2,
             double Y2);
    ~TGeoLine() override;

    TDibPen& Pen() { return *FPen; }

    const TDibPen& GetPen() const override;
    void SetPen(const TDibPen& P) override;
    void HitTest(int32_t X, int32_t Y, THitResult& Hit, const TTransformMatrix& M) const override;
    void DrawOutline(TDesignerCanvas& Canvas, const TTransformMatrix& M) const override;
    void Render(TDibContainer& Target, const TTransformMatrix& M) const override;

private:
    std::unique_ptr<TDibPen> FPen;
};

// A closed polygon, filled with its own brush.
class TGeoPolygon : public TGeoLine {
public:
    TGeoPolygon(const TPoints2D* Points, const TShapeDef* ShapeDef, double X1, double Y1, double X2,
                double Y2);
    ~TGeoPolygon() override;

    TDibBrush& Brush() { return *FBrush; }

    const TDibBrush& GetBrush() const override;
    void SetBrush(const TDibBrush& B) override;
    // Points inside count only while Closed is set and the brush paints.
    void HitTest(int32_t X, int32_t Y, THitResult& Hit, const TTransformMatrix& M) const override;
    void Render(TDibContainer& Target, const TTransformMatrix& M) const override;

private:
    std::unique_ptr<TDibBrush> FBrush;
};

// A library shape fitted into Bounds. Points are its key points in world coordinates; the
// outline follows from the definition, the frame and the key points, and every change of the
// definition puts the key points back at their default places.
class TGeoShape : public TGeoPolygon {
public:
    TGeoShape(const TPoints2D* Points, const TShapeDef* ShapeDef, double X1, double Y1, double X2,
              double Y2);
    ~TGeoShape() override;

    TShapeDef& ShapeDef() { return FShapeDef; }
    const TPoints2D& Outline() const { return FOutline; }

    const TShapeDef& GetShapeDef() const override;
    void SetShapeDef(const TShapeDef& D) override;
    const TPoints2D& GetOutline() const override;
    // A definition whose expressions cannot be evaluated gives an empty outline.
    void UpdateOutline() override;
    void BuildOutline(const TPoints2D& P, const TBounds& B, TPoints& Pts) const override;
    // Vertices are the key points; edges are numbered within their ring.
    void HitTest(int32_t X, int32_t Y, THitResult& Hit, const TTransformMatrix& M) const override;
    void DrawOutline(TDesignerCanvas& Canvas, const TTransformMatrix& M) const override;
    void Render(TDibContainer& Target, const TTransformMatrix& M) const override;

private:
    void ResetKeyPoints();
    // The definition's ring sizes as they apply to the outline: one ring means every point.
    TIntegerArray RingCounts(int32_t pointCount) const;

    TPoints2D FOutline;
    TShapeDef FShapeDef;
};

// The outlines of a selection; it refers to them but never frees them. Bounds is the
// axis-aligned box of all their outlines.
class TGeoBaseList {
public:
    TGeoBaseList() = default;
    TGeoBaseList(const TGeoBaseList&) = delete;
    TGeoBaseList& operator=(const TGeoBaseList&) = delete;
    virtual ~TGeoBaseList() = default;

    TBounds& Bounds() { return FBounds; }
    const TBounds& Bounds() const { return FBounds; }

    int32_t Count() const { return int32_t(FItems.size()); }
    // Null when I is out of range.
    TGeoBase* Get(int32_t I) const;
    virtual void Clear();
    // Returns the new index.
    virtual int32_t Add(TGeoBase* Object);
    virtual int32_t IndexOf(const TGeoBase* Object) const;
    virtual void Delete(int32_t I);
    // Outlines without points leave Bounds as it is.
    void UpdateBounds();

private:
    TBounds FBounds;
    std::vector<TGeoBase*> FItems;
};

// ---- Selections ---------------------------------------------------------------------------

// A running move, scale or rotation. X, Y: the pointer of the last press or move.
struct TTransformationInfo {
    double X = 0;
    double Y = 0;
    double Angle = 0;
    double DX = 0;
    double DY = 0;
    double SX = 1;
    double SY = 1;
};

// Applies Info to an object whose frame is Frame: scaling along the frame's own axes about its
// centre, rotation about the centre, then translation.
TTransformMatrix TransformMatrix(const TTransformationInfo& Info, const TBounds& Frame);

// What lies under the pointer; Object is set when the hit came from an outline.
struct TSelectionHit {
    TGeoBase* Object = nullptr;
    THitResult Hit;
};

// Selected outlines with a frame of handles, drawn inverted on the designer's canvas; drags on
// it are reported as transformations, never applied here.
class TSelection {
public:
    using TRightClickEvent = std::function<void(int32_t X, int32_t Y)>;
    using TTransformationEvent = std::function<void(TTransformationInfo Info)>;

    // The canvas must outlive the selection; without one nothing is drawn.
    explicit TSelection(TDesignerCanvas* Canvas);
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

    TDesignerCanvas* Canvas() const { return FCanvas; }
    TGeoBaseList& List() { return FList; }
    const TGeoBaseList& List() const { return FList; }
    const TBounds& GetBounds() const { return FList.Bounds(); }

    TGeoBase* HitObject() const { return FHit.Object; }
    uint8_t HitKind() const { return FHit.Hit.Kind; }
    int32_t HitIndex() const { return FHit.Hit.Index; }
    bool Transforming() const { return FTransforming; }
    const TTransformationInfo& Info() const { return FInfo; }
    TPoint2D PressPoint() const { return FPressPoint; }

    TRightClickEvent OnRightClick;
    TTransformationEvent OnStartTrans;
    TTransformationEvent OnUpdateTrans;
    TTransformationEvent OnFinishTrans;

    // The rotate handle, the scale handles, the frame's edges, then the outlines in list
    // order; the first match wins.
    TSelectionHit HitTest(int32_t X, int32_t Y) const;

    void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);
    void MouseMove(Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);
    void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);

    // Inverting: a second call erases.
    void DrawSelection();
    void DrawTransformed(const TTransformationInfo& Info);

private:
    void ComputeInfo();
    void ScaleInfo();

    TDesignerCanvas* FCanvas;
    TGeoBaseList FList;
    TSelectionHit FHit;
    bool FTransforming = false;
    TTransformationInfo FInfo;
    TPoint2D FPressPoint;
};

// Copies the pixels of an image that lie inside an outline.
class TRasterSelection {
public:
    TRasterSelection() = default;
    TRasterSelection(const TRasterSelection&) = delete;
    TRasterSelection& operator=(const TRasterSelection&) = delete;
    ~TRasterSelection();

    // Null until the first grab.
    TDibContainer* Image() const { return FImage.get(); }
    TDibColor BackColor = clDibMagenta;

    // Image becomes the outline's axis-aligned box (even where it leaves Source), BackColor
    // outside the outline (even-odd over all rings) and Source's pixels inside. No points give
    // an empty image. A box too large for an image raises EDibSizeError. Source is only
    // read; it is the image the outline's spans are scanned over.
    void Grab(TDibContainer& Source, const TPoints& Points, const TIntegerArray& RingSizes);
    // The box, in Source's pixels, of what the last Grab took from Source (an empty box with
    // Right < Left when it took nothing). The outline's box may be larger: the fill leaves the
    // right and bottom edges of an outline out, and Source may end inside it.
    const TRect& GrabbedBounds() const { return FGrabbed; }
    // Cuts Image down to GrabbedBounds, so that it holds no row or column that never came
    // from Source; nothing grabbed leaves it empty.
    void CropToGrabbed();

private:
    std::unique_ptr<TDibContainer> FImage;
    TRect FBox{0, 0, -1, -1};
    TRect FGrabbed{0, 0, -1, -1};
};

} // namespace kolvar
