#pragma once
// The device context both metafile record sets play into: selected objects, mapping, clip,
// current position and path, and the drawing calls, all taking logical coordinates. It draws
// with QPainter into the target image without anti-aliasing.
//
// Coordinates pass logical -> (world transform) -> page -> (map mode) -> device -> output.
// "Device" is the recording device of an enhanced metafile (its pixels per millimetre decide
// the physical map modes) or the output itself for an old metafile; `ToOutput` maps it onto
// the picture.

#include "formats/MetafileError.h"
#include "raster/DibTypes.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace kolvar {

// The numeric constants of the graphics interface that records carry.
namespace gdi {
constexpr uint32_t PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4,
                   PS_NULL = 5, PS_INSIDEFRAME = 6, PS_ALTERNATE = 8, PS_STYLE_MASK = 0xF,
                   PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200, PS_ENDCAP_MASK = 0xF00,
                   PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000,
                   PS_GEOMETRIC = 0x10000;
constexpr uint32_t BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2, BS_PATTERN = 3, BS_DIBPATTERN = 5,
                   BS_DIBPATTERNPT = 6;
constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr int ALTERNATE = 1, WINDING = 2;
constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
              MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
constexpr uint32_t TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_HORZ_MASK = 6, TA_BOTTOM = 8,
                   TA_BASELINE = 24, TA_VERT_MASK = 24;
constexpr uint32_t ETO_OPAQUE = 2, ETO_CLIPPED = 4, ETO_GLYPH_INDEX = 0x10, ETO_PDY = 0x2000;
constexpr uint32_t RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
constexpr uint32_t MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4;
constexpr int R2_BLACK = 1, R2_NOP = 11, R2_COPYPEN = 13, R2_WHITE = 16;
constexpr int AD_CLOCKWISE = 2;
} // namespace gdi

struct TMetaPen {
    uint32_t Style = gdi::PS_SOLID; // style with end cap, join and type bits
    double Width = 0;               // logical units; 0 draws one device pixel
    TColor Color = 0;
    bool Extended = false; // made by the extended pen record, whose style bits all count
};

struct TMetaBrush {
    uint32_t Style = gdi::BS_SOLID;
    TColor Color = 0xFFFFFF;
    uint32_t Hatch = 0;
    QImage Pattern; // for pattern brushes
};

struct TMetaFont {
    int32_t Height = 0; // logical units: negative is the character height, positive the cell's
    int32_t Width = 0;
    int32_t Escapement = 0; // tenths of a degree, counter-clockwise
    int32_t Weight = 0;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    uint8_t CharSet = 0;
    uint8_t PitchAndFamily = 0;
    QString FaceName;
};

// A clip region of an old metafile, in logical units.
struct TMetaRegion {
    std::vector<QRectF> Rects;
};

// Palettes, colour spaces and the like: they occupy a slot of the object table but never draw.
struct TMetaPlaceholder {};

using TMetaObject = std::variant<TMetaPen, TMetaBrush, TMetaFont, TMetaRegion, TMetaPlaceholder>;

struct TMetaState {
    TMetaPen Pen;
    TMetaBrush Brush;
    TMetaFont Font;
    TColor TextColor = 0;
    TColor BkColor = 0xFFFFFF;
    int BkMode = gdi::OPAQUE;
    int PolyFillMode = gdi::ALTERNATE;
    uint32_t TextAlign = 0;
    int Rop2 = gdi::R2_COPYPEN;
    int MapMode = gdi::MM_TEXT;
    QPointF WindowOrg, ViewportOrg;
    QSizeF WindowExt{1, 1}, ViewportExt{1, 1};
    QTransform World;
    std::optional<QRegion> Clip; // output pixels; none clips to the picture only
    QPointF Position;            // logical
    bool Clockwise = false;
    double MiterLimit = 10;
    QPointF BrushOrigin; // device pixels
};

class TMetafilePlayer {
public:
    struct TDevice {
        double PixelsPerMmX = 96 / 25.4;
        double PixelsPerMmY = 96 / 25.4;
        QTransform ToOutput;
    };
    enum class TArcKind { Arc, ArcTo, Chord, Pie };
    struct TTextRun {
        QPointF Reference; // logical
        QString Text;
        std::vector<double> Dx; // logical advances, one per character, or empty
        uint32_t Options = 0;
        std::optional<QRectF> Rect; // logical, for the opaque and clipped options
    };

    TMetafilePlayer(QImage& target, const TDevice& device);
    ~TMetafilePlayer();
    TMetafilePlayer(const TMetafilePlayer&) = delete;
    TMetafilePlayer& operator=(const TMetafilePlayer&) = delete;

    // Plain settings (colours, modes, alignment) are written here directly.
    TMetaState& State() { return state_; }

    // The object table. Indices outside it raise EMetafileError; empty slots are ignored.
    void SetObjectCount(size_t count);
    size_t ObjectCount() const { return objects_.size(); }
    void StoreObject(size_t index, TMetaObject object);
    std::optional<size_t> FreeObjectSlot() const;
    const TMetaObject* Object(size_t index) const;
    void SelectObject(size_t index);
    void SelectStockObject(uint32_t stock);
    void DeleteObject(size_t index);

    // Mapping.
    void SetMapMode(int mode);
    void SetWindowOrg(QPointF origin);
    void SetWindowExt(double cx, double cy);
    void SetViewportOrg(QPointF origin);
    void SetViewportExt(double cx, double cy);
    void OffsetWindowOrg(QPointF delta);
    void OffsetViewportOrg(QPointF delta);
    void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void SetWorldTransform(const QTransform& world);
    void ModifyWorldTransform(const QTransform& xform, uint32_t mode);
    void SaveDC();
    void RestoreDC(int32_t which);
    QTransform LogicalToOutput() const;
    // The step at which a large bitmap is decoded (formats/MetafileDib.h) when drawing its
    // source rectangle into destLogical shows at most one pixel of each step.
    QSize SampleStep(const QRectF& destLogical, const QRectF& source) const;

    // Clipping.
    void IntersectClipRect(const QRectF& logical);
    void ExcludeClipRect(const QRectF& logical);
    void CombineClip(const std::optional<QRegion>& output, uint32_t mode);
    void OffsetClip(QPointF logicalDelta);
    QRegion DeviceRectsToOutput(const std::vector<QRectF>& deviceRects) const;
    QRegion LogicalRectsToOutput(const std::vector<QRectF>& logicalRects) const;

    // Lines and figures.
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Polyline(const QPolygonF& points);
    void PolylineTo(const QPolygonF& points);
    void PolyBezier(const QPolygonF& points);
    void PolyBezierTo(const QPolygonF& points);
    void PolyDraw(const QPolygonF& points, const std::vector<uint8_t>& types);
    void Polygon(const QPolygonF& points);
    void PolyPolygon(const std::vector<QPolygonF>& polygons);
    void PolyPolyline(const std::vector<QPolygonF>& polylines);
    void Rectangle(const QRectF& box);
    void RoundRect(const QRectF& box, QSizeF corner);
    void Ellipse(const QRectF& box);
    void Arc(const QRectF& box, QPointF start, QPointF end, TArcKind kind);
    void AngleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees);
    void SetPixel(QPointF p, TColor color);

    // Text, bitmaps and regions.
    void TextOut(const TTextRun& run);
    void BitBlt(const QRectF& destLogical, const QImage& source, const QRectF& sourceRect,
                uint32_t rop);
    void PatBlt(const QRectF& destLogical, uint32_t rop);
    void FillRegion(const QRegion& output, const TMetaBrush& brush);
    void InvertRegion(const QRegion& output);

    // Paths.
    void BeginPath();
    void EndPath();
    void CloseFigure();
    void AbortPath();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void WidenPath();
    void SelectClipPath(uint32_t mode);

private:
    struct TBoxSpace;
    TBoxSpace BoxSpace(const QRectF& box) const;
    void DrawBoxShape(const QRectF& box,
                      const std::function<void(QPainterPath&, const QRectF&, bool)>& shape);
    void DrawShape(const QPainterPath& fillPath, const QPainterPath& strokePath);
    void DrawOpen(const QPainterPath& path, bool shortenEnd);
    void AddToPath(const QPainterPath& figure, bool continues);
    void Prepare(bool useRop2 = true);
    bool PenDraws() const;
    bool BrushDraws(const TMetaBrush& brush) const;
    void FillOutput(const QPainterPath& path, const TMetaBrush& brush);
    void StrokeOutput(const QPainterPath& path, bool shortenEnd);
    double PenWidthOutput() const;
    QBrush MakeBrush(const TMetaBrush& brush) const;
    QFont MakeFont(double& pixelHeight) const;
    QRegion MappedRectRegion(const QRectF& rect, const QTransform& t) const;
    QRegion OutputPathRegion(const QPainterPath& path) const;
    void FillWith(const QPainterPath& path, const QBrush& brush, QPainter::CompositionMode mode);
    void ApplyClip(const std::optional<QRegion>& clip);
    void InvalidateMapping() { mappingValid_ = false; }
    QTransform PageToDevice() const;
    void DiscardPath();

    QImage& target_;
    TDevice device_;
    QPainter painter_;
    TMetaState state_;
    std::vector<TMetaState> saved_;
    size_t savedOverflow_ = 0;
    std::vector<std::optional<TMetaObject>> objects_;
    mutable QTransform mapping_;
    mutable bool mappingValid_ = false;
    bool clipDirty_ = true;
    bool inPath_ = false;
    bool figureOpen_ = false;
    QPainterPath path_; // output coordinates
};

} // namespace kolvar
