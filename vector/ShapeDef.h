#pragma once
// Shape definitions: rings of points in the square (-1, -1)..(1, 1), y pointing down, whose
// coordinates are numbers or expressions over key points that the user drags. Definitions
// are immutable shared values; changing one swaps in another shared resource.

#include "raster/DibGeometry.h"
#include "raster/DibTypes.h"
#include "raster/DynamicArray.h"
#include "vector/Parser10.h"
#include "vector/ResourceManager.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QImage;

namespace kolvar {

class TDibContainer;

enum TKeyRestriction : uint8_t { rmFixed = 0, rmLine = 1, rmRect = 2 };
enum TCoordMode : uint8_t { cmValue = 0, cmExpr = 1 };

// The records are packed so that comparing their bytes compares their content.
#pragma pack(push, 1)

// Where a key point starts and how far it may be dragged.
struct TKeyPoint {
    double X = 0;
    double Y = 0;
    double MinX = 0;
    double MinY = 0;
    double MaxX = 0;
    double MaxY = 0;
    uint8_t Restriction = rmFixed;
};

// One coordinate of a shape point: a number, or an expression of at most 32 characters.
struct TShapeCoord {
    static constexpr int MaxExprLength = 32;

    uint8_t ValueMode = cmValue;
    double Value = 0;
    uint8_t ExprLength = 0;
    char Expr[MaxExprLength] = {};

    static TShapeCoord FromValue(double v);
    // Keeps the first 32 characters.
    static TShapeCoord FromExpr(const QString& text);
    QString ExprText() const;
};

struct TShapePoint {
    TShapeCoord X;
    TShapeCoord Y;
};

#pragma pack(pop)

class TKeyPoints : public TArray {
public:
    explicit TKeyPoints(int32_t initialCapacity = 0) : TArray(initialCapacity, sizeof(TKeyPoint)) {}
    TKeyPoints(const TKeyPoints&) = default;
    int32_t Add(const TKeyPoint& k) { return TArray::Add(&k); }
    // A zero record when i is out of range.
    TKeyPoint Get(int32_t i) const;
};

class TShapePoints : public TItemList {
public:
    explicit TShapePoints(int32_t initialCapacity = 0)
        : TItemList(initialCapacity, sizeof(TShapePoint)) {}
    int32_t Add(const TShapePoint& p) { return TItemList::Add(&p); }
    // A zero record when i is out of range.
    TShapePoint Get(int32_t i) const;
};

class TShapeDefResource : public TResource {
public:
    explicit TShapeDefResource(const QString& name = QString()) : TResource(name) {}

    TIntegerArray Counts; // points of each ring, in order
    TKeyPoints KeyPoints;
    TShapePoints Points; // every ring's points one after another

    QString ClassName() const override { return QStringLiteral("TShapeDefResource"); }
    bool Equals(const TResource& other) const override;
    void Assign(const TResource& source) override;
};

class TShapeDef : public TResourceObject {
public:
    // Starts as the shared default rectangle.
    TShapeDef();
    TShapeDef(const TShapeDef& other);
    TShapeDef& operator=(const TShapeDef& other);
    ~TShapeDef() override;

    // Raised whenever the resource is replaced by a different one.
    std::function<void(TShapeDef&)> OnChange;

    const TShapeDefResource& ShapeResource() const;
    const TIntegerArray& Counts() const { return ShapeResource().Counts; }
    const TKeyPoints& KeyPoints() const { return ShapeResource().KeyPoints; }
    const TShapePoints& Points() const { return ShapeResource().Points; }

    // Takes source's shape; null means the default definition.
    void Assign(const TShapeDef* source);
    // Ring counts that claim more points than there are are cut back to the points present.
    void SetData(const TIntegerArray& counts, const TKeyPoints& keyPoints,
                 const TShapePoints& points);
    // Reads one shape block of library text. A number that does not convert raises
    // EConvertError and leaves the shape as it was.
    void LoadFromStrings(const QStringList& lines);

    // The outline for the given key points (null: the defaults). local maps the key points
    // into shape space, world maps the outline out of it. Expressions that do not parse raise
    // the parser's errors.
    void BuildOutline(TPoints& pts, const TPoints2D* keyPts, const TTransformMatrix& world,
                      const TTransformMatrix& local) const;
    void BuildOutline2D(TPoints2D& pts, const TPoints2D* keyPts, const TTransformMatrix& world,
                        const TTransformMatrix& local) const;

    // Fills the whole bitmap with the brush colour and draws the shape over it, filled with
    // the brush colour and outlined one pixel wide with the pen colour.
    void DrawPreview(QImage& bitmap, TColor brushColor, TColor penColor) const;
    void DrawPreview(TDibContainer& bitmap, TColor brushColor, TColor penColor) const;

protected:
    void Changed() override;

private:
    friend struct TShapeUnit;
    TShapeDef(TResourceManager& manager, TResource* resource);
    void ForEachOutlinePoint(const TPoints2D* keyPts, const TTransformMatrix& world,
                             const TTransformMatrix& local,
                             const std::function<void(const TPoint2D&)>& sink) const;

    TResourceManager* FManager = nullptr;
};

// Key point p moved by the rule of its definition.
TPoint2D ConstrainKeyPoint(const TKeyPoint& def, const TPoint2D& p);

// The manager of every shape resource and the definition new shapes start from.
TResourceManager& ShapeDefManager();
const TShapeDef& DefaultShapeDef();

// Generators; each ends by setting Def's data.
void MakeRegularPolygon(int32_t N, TShapeDef& Def);
void MakeStar(int32_t N, bool Nova, TShapeDef& Def);
// FontStyle: bold 1, italic 2 (other bits are ignored).
void MakeTextOutline(const QString& Text, const QString& FontName, int FontStyle, TShapeDef& Def);

// Library text (.psl). ExtractShape gives the block of the named shape (empty when absent;
// callers treat fewer than two lines as not found).
void ExtractShape(const QStringList& Lines, const QString& Name, QStringList& Block);
void ExtractShapeFromFile(const QString& FileName, const QString& Name, QStringList& Block);
void ListShapes(const QStringList& Lines, QStringList& Names);
void ListShapesFromFile(const QString& FileName, QStringList& Names);
// File names matching Mask (a path whose last part may hold wildcards), each without its
// last four characters.
void FindLibraries(const QString& Mask, QStringList& Names);
// The lines of a library file (UTF-8, or Windows-1252 when it is not valid UTF-8). Raises
// EInOutError when the file cannot be read.
QStringList ReadLibraryFile(const QString& FileName);
// The lines of the built-in library "standard".
QStringList StandardLibraryLines();

} // namespace kolvar
