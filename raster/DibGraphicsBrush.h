#pragma once
// A brush decides the colour of every pixel of a filled shape. The container scan-converts the
// shape and calls the brush's span procedure once per row run; the brush re-selects that
// procedure from a table of specialised routines after every change, so the per-pixel loops
// hold no decisions on settings.
//
// Choices for cases with no natural answer:
// - A gradient whose colour table is empty paints nothing.
// - Linear gradients over bounds one pixel high (vertical) or wide (horizontal) divide by 1
//   instead of 0, so the run takes the gradient's first entry (its last when reversed).
// - A rotated texture one pixel wide or high has a wrap range of 0 on that axis; the walk then
//   stays on texel 0 of that axis.
// - An empty pattern image paints nothing.

#include "raster/DibContainer.h"
#include "raster/DibGraphicsGradient.h"
#include "raster/DibGraphicsObject.h"
#include "raster/DibGraphicsPattern.h"

#include <array>
#include <cstdint>
#include <memory>

class QImage;

namespace kolvar {

enum TDibBrushStyle : uint8_t { dbClear = 0, dbSolid = 1, dbPattern = 2, dbGradient = 3 };
enum TDibPatternStyle : uint8_t { dpBrush = 0, dpTexture = 1 };

// The span procedures a brush can select.
enum class TDibSpanKind : uint8_t {
    None,
    Solid,
    SolidBlend,
    PatternOpaque,
    PatternKeyed,
    PatternBlend,
    TextureOpaque,
    TextureKeyed,
    TextureBlend,
    LinearVertical,
    LinearHorizontal,
    LinearA,
    LinearB,
    LinearC,
    LinearD,
    Rectangle,
    Conic,
};

class TDibBrush : public TDibObject {
public:
    TDibBrush();
    ~TDibBrush() override;

    // Degrees: the gradient direction and the texture rotation.
    double Angle() const { return FAngle; }
    // 0 = transparent mode, 1..254 = blend weight, 255 (and above) = opaque.
    uint32_t Alpha() const { return FAlpha; }
    // The second colour: background of new images, transparent key of rotated textures.
    TDibColor BackColor() const { return FBackColor; }
    // The fill colour, also the transparent key of unrotated patterns.
    TDibColor Color() const { return FColor; }
    TDibBrushStyle Style() const { return FStyle; }
    TDibPatternStyle PatternStyle() const { return FPatternStyle; }
    TDibGradient& Gradient() { return *FGradient; }
    const TDibGradient& Gradient() const { return *FGradient; }
    TDibPattern& Pattern() { return *FPattern; }
    const TDibPattern& Pattern() const { return *FPattern; }

    void SetAlpha(uint32_t alpha);
    void SetAngle(double angle);
    void SetStyle(TDibBrushStyle style);
    void SetPatternStyle(TDibPatternStyle style);
    void SetColor(TDibColorArg color);
    void SetBackColor(TDibColorArg color);
    // Shares the given gradient (null: the default one) and selects dbGradient (null: dbSolid).
    void SetGradient(const TDibGradient* gradient);
    // Shares the given pattern (null: the default one) and selects dbPattern (null: dbClear).
    void SetPattern(const TDibPattern* pattern);
    // The pattern takes the bitmap and the style becomes dbPattern (null: dbClear). One
    // notification.
    void SetPatternBitmap(const QImage* bitmap);
    // Copies every setting of source (null: the default brush) and re-selects the span
    // procedure. Notifies once, and only when the pattern or gradient resource was replaced;
    // the copied style is kept either way.
    void Assign(const TDibBrush* source);

    // The current span procedure for the container's fills; empty when nothing is painted.
    const TDibSpanProc& SpanProc() const { return FSpanProc; }
    TDibSpanKind SpanKind() const { return FSpanKind; }
    void UpdateSpanProc();

private:
    using TSpanMethod = void (TDibBrush::*)(TDibContainer&, int32_t, int32_t, int32_t,
                                            const TRect&);
    static TSpanMethod MethodOf(TDibSpanKind kind);
    TDibSpanKind SelectSpanKind() const;
    TDibSpanKind SelectGradientKind() const;
    void OwnedPatternChanged();
    void OwnedGradientChanged();

    void SpanSolid(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanSolidBlend(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanPatternOpaque(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanPatternKeyed(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanPatternBlend(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanTextureOpaque(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanTextureKeyed(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanTextureBlend(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanLinearVertical(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanLinearHorizontal(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanLinearAC(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanLinearBD(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanRectangle(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    void SpanConic(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b);
    template <class TWrite>
    void WalkTexture(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b,
                     TWrite write);
    template <class TWrite>
    void WalkPattern(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, TWrite write);

    double FAngle = 0;
    uint32_t FAlpha = 255;
    TDibColor FBackColor = clDibBlack;
    TDibColor FColor = clDibWhite;
    TDibBrushStyle FStyle = dbSolid;
    std::unique_ptr<TDibGradient> FGradient;
    std::unique_ptr<TDibPattern> FPattern;
    TDibPatternStyle FPatternStyle = dpBrush;
    TDibSpanProc FSpanProc;
    TDibSpanKind FSpanKind = TDibSpanKind::None;
    double FSin = 0;
    double FCos = 1;

    // While Assign runs, the owned objects' reports only note that a resource changed.
    bool FAssigning = false;
    bool FResourceReplaced = false;

    // The conic sweep's ray table depends only on the larger half side of the bounds.
    struct TConicRays {
        int64_t Side = -1;
        std::array<double, 127> Ax{};
        std::array<double, 127> Ay{};
    };
    TConicRays FConic;
};

} // namespace kolvar
