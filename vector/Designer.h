#pragma once
// The designer's non-widget half: the table of tool actions, the interactor that turns the
// active tool's mouse gestures into points and rubber-band feedback, and the view transform
// between image pixels (the world) and control pixels.
//
// Nothing here knows about widgets. Time and the system pointer reach the interactor through
// two replaceable callbacks, so every gesture rule can be driven with synthetic events.

#include "raster/DibGeometry.h"
#include "raster/DibTypes.h"
#include "raster/DynamicArray.h"
#include "vector/GeoObjects.h"
#include "vector/ShapeDef.h"

#include <QString>
#include <QtCore/qnamespace.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kolvar {

class TActionCollection;
class TActionItem;
class TDesignerCanvas;
class TInteractor;
class TNewDesigner;

enum TInteractorType : uint8_t {
    itPoint = 0,
    itPoints = 1,
    itPolyLine = 2,
    itPolygon = 3,
    itShape = 4,
    itZoom = 5,
    itSelect = 6
};
enum TActionDrawMode : uint8_t { admSegment = 0, admFull = 1 };
// The phase in which feedback is drawn.
enum TDrawModeType : uint8_t { dmStart = 0, dmUpdate = 1, dmCancel = 2, dmFinish = 3 };
// afmClick: a short click without a drag (zoom and select only); afmRightClick: a right click
// while no gesture was running.
enum TActionFinishMode : uint8_t { afmNormal = 0, afmClick = 1, afmRightClick = 2 };

using TActionEvent = std::function<void(TActionItem& Action, TInteractor& Interactor)>;
using TActionDrawEvent =
    std::function<void(TActionItem& Action, TInteractor& Interactor, TDrawModeType Mode)>;
using TActionFinishEvent =
    std::function<void(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode)>;
using TSelectorRightClickEvent = std::function<void(int32_t X, int32_t Y)>;
using TSelectorTransformationEvent = std::function<void(TTransformationInfo Info)>;

// Milliseconds of a monotonic clock; only differences (modulo 2^32) matter.
using TTickSource = std::function<uint32_t()>;
// Moves the system pointer to a point given in control pixels.
using TPointerMover = std::function<void(int32_t X, int32_t Y)>;

uint32_t SystemTickCount();

// ---- View transform -----------------------------------------------------------------------

// Maps world (image pixel) coordinates to control pixels: screen = (world - WindowMin) x Scale.
// The viewport's left and top do not enter the mapping.
class TProjector {
public:
    TProjector(TDesignerCanvas* Canvas, const TRect& Viewport, const TPoint2D& WindowMax,
               const TPoint2D& WindowMin);

    TDesignerCanvas* Canvas() const { return FCanvas; }
    const TRect& Viewport() const { return FViewport; }
    TPoint2D Center() const { return FCenter; }
    TPoint2D WindowMax() const { return FWindowMax; }
    TPoint2D WindowMin() const { return FWindowMin; }
    TPoint2D Scale() const { return FScale; }
    const TTransformMatrix& ToScreen() const { return FToScreen; }
    const TTransformMatrix& ToWorld() const { return FToWorld; }

    void SetViewport(const TRect& Rect);
    // Fits the window into Rect with equal scales, widening it along one axis to the
    // viewport's aspect. A viewport without area only records Rect, so that the view comes
    // back unchanged when the control regains its size.
    void SetWindow(const TPoint2D& Min, const TPoint2D& Max, const TRect& Rect);
    void SetCenter(const TPoint2D& C);
    // The absolute values are used; a zero or non-finite factor is ignored.
    void SetScale(const TPoint2D& S);

    TPoint2D ScreenToWorld(double X, double Y) const;
    TPoint2D WorldToScreen(double X, double Y) const;

private:
    void UpdateMatrices();

    TDesignerCanvas* FCanvas;
    TRect FViewport;
    TPoint2D FCenter;
    TPoint2D FWindowMax;
    TPoint2D FWindowMin;
    TPoint2D FScale{1, 1};
    TTransformMatrix FToScreen;
    TTransformMatrix FToWorld;
};

// ---- Actions ------------------------------------------------------------------------------

// One tool of the table. Changing DrawMode, InteractorType or VertCount rebuilds the
// collection's interactor; changing ActionName does not.
class TActionItem {
public:
    explicit TActionItem(TActionCollection* Collection = nullptr);
    TActionItem(const TActionItem&) = delete;
    TActionItem& operator=(const TActionItem&) = delete;

    TActionCollection* Collection() const { return FCollection; }
    // Position in the collection, or -1.
    int32_t Index() const;

    const QString& ActionName() const { return FActionName; }
    void SetActionName(const QString& Value) { FActionName = Value; }
    // ActionName, or the class name while that is empty.
    QString DisplayName() const;
    TActionDrawMode DrawMode() const { return FDrawMode; }
    void SetDrawMode(TActionDrawMode Value);
    TInteractorType InteractorType() const { return FInteractorType; }
    void SetInteractorType(TInteractorType Value);
    int32_t VertCount() const { return FVertCount; }
    // Values below 2 are ignored.
    void SetVertCount(int32_t Value);

    TShapeDef& ShapeDef() { return FShapeDef; }
    const TShapeDef& ShapeDef() const { return FShapeDef; }

    TActionEvent OnStart;
    TActionEvent OnUpdate;
    TActionEvent OnCancel;
    TActionFinishEvent OnFinish;
    TActionDrawEvent OwnerDraw;

    // Properties, handlers and shape of Source.
    void Assign(const TActionItem& Source);

private:
    friend class TActionCollection;
    void Changed();

    TActionCollection* FCollection;
    QString FActionName;
    TActionDrawMode FDrawMode = admSegment;
    TInteractorType FInteractorType = itPoint;
    int32_t FVertCount = 2;
    TShapeDef FShapeDef;
};

// The tool table. Exactly one item is active; for it the collection keeps one interactor.
class TActionCollection {
public:
    TActionCollection(TNewDesigner* Designer, TDesignerCanvas* Canvas);
    TActionCollection(const TActionCollection&) = delete;
    TActionCollection& operator=(const TActionCollection&) = delete;
    ~TActionCollection();

    TNewDesigner* Designer() const { return FDesigner; }
    TNewDesigner* Owner() const { return FDesigner; }
    TDesignerCanvas* Canvas() const { return FCanvas; }

    int32_t Count() const { return int32_t(FItems.size()); }
    // Null when I is out of range.
    TActionItem* Items(int32_t I) const;
    int32_t IndexOf(const TActionItem* Item) const;
    TActionItem& Add();
    void Delete(int32_t I);
    void Clear();
    // Replaces the items by copies of Source's.
    void Assign(const TActionCollection& Source);

    int32_t ActiveIndex() const { return FActiveIndex; }
    TActionItem* ActiveItem() const { return FActiveItem; }
    TInteractor* Interactor() const { return FInteractor.get(); }
    // Ignored when Index is the active one or outside the table.
    void SetActiveAction(int32_t Index);
    // Drops a running gesture without any event.
    void RebuildInteractor();

    void SetTickSource(TTickSource Source);
    void SetPointerMover(TPointerMover Mover);

    // Hands the event to the interactor, if there is one. A handler may rebuild the
    // interactor or change the table from inside the event; what it replaces is kept alive
    // until the event has returned.
    void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);
    void MouseMove(Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);
    void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);

private:
    friend class TActionItem;
    template <class F> void Dispatch(F&& call);
    void Retire(std::unique_ptr<TInteractor> Old);
    void Retire(std::unique_ptr<TActionItem> Old);

    TNewDesigner* FDesigner;
    TDesignerCanvas* FCanvas;
    std::vector<std::unique_ptr<TActionItem>> FItems;
    int32_t FActiveIndex = 0;
    TActionItem* FActiveItem = nullptr;
    std::unique_ptr<TInteractor> FInteractor;
    TTickSource FTickSource;
    TPointerMover FPointerMover;
    int32_t FDispatchDepth = 0;
    std::vector<std::unique_ptr<TInteractor>> FRetiredInteractors;
    std::vector<std::unique_ptr<TActionItem>> FRetiredItems;
};

// ---- Interactors --------------------------------------------------------------------------

// Collects the points of one gesture of an action, in control pixels, draws its feedback with
// the inverting pen and calls the action's handlers. Specialised per interactor type.
class TInteractor {
public:
    // The interactor for Action's type; Canvas may be null (nothing is drawn).
    static std::unique_ptr<TInteractor> Create(TActionItem& Action, TDesignerCanvas* Canvas);
    TInteractor(const TInteractor&) = delete;
    TInteractor& operator=(const TInteractor&) = delete;
    virtual ~TInteractor();

    TActionItem& Action() const { return *FAction; }
    TDesignerCanvas* Canvas() const { return FCanvas; }
    TInteractorType InteractorType() const { return FInteractorType; }
    bool Active() const { return FActive; }
    TPoints2D& Points() { return FPoints; }
    const TPoints2D& Points() const { return FPoints; }
    TBounds& Bounds() { return FBounds; }
    const TBounds& Bounds() const { return FBounds; }
    bool UseKeyPoints() const { return FUseKeyPoints; }
    TPoint2D StartPoint() const { return FStartPoint; }
    TPoint2D EndPoint() const { return FEndPoint; }
    int32_t ClickPhase() const { return FClickPhase; }
    int32_t VertCount() const { return FVertCount; }
    uint32_t DownTick() const { return FDownTick; }
    bool FullRedraw() const { return FFullRedraw; }

    // Unassigned: the system's tick count, and no pointer movement.
    TTickSource TickSource;
    TPointerMover PointerMover;

    // Sets up the inverting pen on dmStart, draws through the action's OwnerDraw or
    // DefaultDraw, and returns the pen to plain copy after dmCancel and dmFinish.
    void Draw(TDrawModeType Mode);
    virtual void DefaultDraw(TDrawModeType Mode) = 0;
    // The gesture's integer points and per-ring counts. For the box types the outline of the
    // action's shape; its expressions may raise the parser's errors.
    virtual void GetPoints(TPoints& Pts, TIntegerArray& Counts) const = 0;

    virtual void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X,
                           int32_t Y);
    virtual void MouseMove(Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);
    virtual void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X, int32_t Y);

protected:
    TInteractor(TActionItem& Action, TDesignerCanvas* Canvas);

    // What a left press records before the gesture starts.
    virtual void BeginGesture(double X, double Y) = 0;
    virtual void LeftRelease(double X, double Y) = 0;
    virtual void RightRelease() = 0;

    uint32_t Tick() const;
    // A release within 200 ms of the last press and within 3 pixels on both axes.
    bool IsClick(const TPoint2D& P, const TPoint2D& Q) const;
    void AddVertex(bool EraseFirst, double X, double Y);
    void Finish(bool DropLast, TActionFinishMode Mode);
    void Cancel();
    void Line(double X1, double Y1, double X2, double Y2) const;
    void CallUpdate();

    TActionItem* FAction;
    TDesignerCanvas* FCanvas;
    TInteractorType FInteractorType;
    bool FActive = false;
    TPoints2D FPoints{2};
    TBounds FBounds{0, 0, 0, 0};
    bool FUseKeyPoints = true;
    TPoint2D FStartPoint;
    TPoint2D FEndPoint;
    int32_t FClickPhase = 0;
    int32_t FVertCount;
    uint32_t FDownTick = 0;
    bool FFullRedraw = false;
};

// itPoint: one point that follows the pointer while the button is down.
class TPointInteractor : public TInteractor {
public:
    TPointInteractor(TActionItem& Action, TDesignerCanvas* Canvas);
    void DefaultDraw(TDrawModeType Mode) override;
    void GetPoints(TPoints& Pts, TIntegerArray& Counts) const override;

protected:
    void BeginGesture(double X, double Y) override;
    void LeftRelease(double X, double Y) override;
    void RightRelease() override {}
};

// itPoints, itPolyLine, itPolygon: fixed vertices and one floating vertex.
class TVertexInteractor : public TInteractor {
public:
    TVertexInteractor(TActionItem& Action, TDesignerCanvas* Canvas);
    void DefaultDraw(TDrawModeType Mode) override;
    void GetPoints(TPoints& Pts, TIntegerArray& Counts) const override;

protected:
    void BeginGesture(double X, double Y) override;
    void LeftRelease(double X, double Y) override;
    void RightRelease() override;
};

// itShape, itZoom, itSelect: a dragged box holding the action's shape, then (for keyed shapes)
// its key points placed one by one.
class TBoxInteractor : public TInteractor {
public:
    TBoxInteractor(TActionItem& Action, TDesignerCanvas* Canvas);
    void DefaultDraw(TDrawModeType Mode) override;
    void GetPoints(TPoints& Pts, TIntegerArray& Counts) const override;

protected:
    void BeginGesture(double X, double Y) override;
    void LeftRelease(double X, double Y) override;
    void RightRelease() override;

private:
    bool Keyed() const;
    void PlaceKeyPoint(double X, double Y);
    void MovePointerToKeyPoint(int32_t K);
};

} // namespace kolvar
