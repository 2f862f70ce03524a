#include "raster/DibGraphicsBrush.h"

#include "raster/DibGraphicsDefaults.h"
#include "raster/DibMath.h"

#include <cmath>

namespace kolvar {

namespace {

// Sets a flag for a scope and clears it again, also when an error passes.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
};

} // namespace

TDibBrush::TDibBrush()
    : FGradient(std::make_unique<TDibGradient>()), FPattern(std::make_unique<TDibPattern>()) {
    FPattern->OnChange = [this](TDibObject&) { OwnedPatternChanged(); };
    FGradient->OnChange = [this](TDibObject&) { OwnedGradientChanged(); };
    FAlpha = 255;
    FAngle = 0;
    UpdateSpanProc();
}

TDibBrush::~TDibBrush() = default;

void TDibBrush::SetAlpha(uint32_t alpha) {
    if (alpha == FAlpha) return;
    FAlpha = alpha;
    UpdateSpanProc();
    Changed();
}

void TDibBrush::SetAngle(double angle) {
    if (angle == FAngle) return;
    FAngle = angle;
    UpdateSpanProc();
    Changed();
}

void TDibBrush::SetStyle(TDibBrushStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    UpdateSpanProc();
    Changed();
}

void TDibBrush::SetPatternStyle(TDibPatternStyle style) {
    if (style == FPatternStyle) return;
    FPatternStyle = style;
    UpdateSpanProc();
    Changed();
}

void TDibBrush::SetColor(TDibColorArg color) {
    if (SameDibColor(color, FColor)) return;
    FColor = color.Color();
    UpdateSpanProc();
    Changed();
}

void TDibBrush::SetBackColor(TDibColorArg color) {
    if (SameDibColor(color, FBackColor)) return;
    FBackColor = color.Color();
    UpdateSpanProc();
    Changed();
}

void TDibBrush::SetGradient(const TDibGradient* gradient) {
    FGradient->Assign(gradient ? gradient : &DefaultGradient());
    SetStyle(gradient ? dbGradient : dbSolid);
}

void TDibBrush::SetPattern(const TDibPattern* pattern) {
    FPattern->Assign(pattern ? pattern : &DefaultPattern());
    SetStyle(pattern ? dbPattern : dbClear);
}

void TDibBrush::SetPatternBitmap(const QImage* bitmap) {
    {
        TFlagScope quiet(FAssigning);
        FPattern->SetBitmap(bitmap);
    }
    FStyle = bitmap ? dbPattern : dbClear;
    UpdateSpanProc();
    Changed();
}

void TDibBrush::Assign(const TDibBrush* source) {
    const TDibBrush& src = source ? *source : DefaultBrush();
    if (&src == this) return UpdateSpanProc();
    TDibObjectLocks locks(*this, const_cast<TDibBrush&>(src));
    FAlpha = src.FAlpha;
    FAngle = src.FAngle;
    FColor = src.FColor;
    FBackColor = src.FBackColor;
    FPatternStyle = src.FPatternStyle;
    FStyle = src.FStyle;
    FResourceReplaced = false;
    {
        // The copied style stays: a new pattern or gradient must not turn a copy of a solid
        // brush into a pattern or gradient brush.
        TFlagScope quiet(FAssigning);
        FPattern->Assign(&src.Pattern());
        FGradient->Assign(&src.Gradient());
    }
    UpdateSpanProc();
    if (FResourceReplaced) Changed();
}

void TDibBrush::OwnedPatternChanged() {
    if (FAssigning) {
        FResourceReplaced = true;
        return;
    }
    FStyle = dbPattern;
    UpdateSpanProc();
    Changed();
}

void TDibBrush::OwnedGradientChanged() {
    if (FAssigning) {
        FResourceReplaced = true;
        return;
    }
    FStyle = dbGradient;
    UpdateSpanProc();
    Changed();
}

TDibSpanKind TDibBrush::SelectGradientKind() const {
    if (FGradient->Table().Count() == 0) return TDibSpanKind::None;
    switch (FGradient->Kind()) {
    case gkLinear: {
        const int32_t a = Round(FAngle);
        if (a >= 1 && a <= 89) return TDibSpanKind::LinearA;
        if (a == 90 || a == 270) return TDibSpanKind::LinearHorizontal;
        if (a >= 91 && a <= 179) return TDibSpanKind::LinearB;
        if (a >= 181 && a <= 269) return TDibSpanKind::LinearC;
        if (a >= 271 && a <= 359) return TDibSpanKind::LinearD;
        return TDibSpanKind::LinearVertical;
    }
    case gkRectangle:
        return TDibSpanKind::Rectangle;
    case 2:
    case 3:
    case 4:
        return TDibSpanKind::LinearVertical;
    case gkConic:
        return TDibSpanKind::Conic;
    default:
        return TDibSpanKind::None;
    }
}

TDibSpanKind TDibBrush::SelectSpanKind() const {
    using K = TDibSpanKind;
    switch (FStyle) {
    case dbSolid:
        return FAlpha == 0 ? K::None : FAlpha >= 255 ? K::Solid : K::SolidBlend;
    case dbPattern:
        if (FAngle == 0)
            return FAlpha == 0     ? K::PatternKeyed
                   : FAlpha >= 255 ? K::PatternOpaque
                                   : K::PatternBlend;
        return FAlpha == 0 ? K::TextureKeyed : FAlpha >= 255 ? K::TextureOpaque : K::TextureBlend;
    case dbGradient:
        return SelectGradientKind();
    default:
        return K::None;
    }
}

TDibBrush::TSpanMethod TDibBrush::MethodOf(TDibSpanKind kind) {
    using K = TDibSpanKind;
    switch (kind) {
    case K::Solid:
        return &TDibBrush::SpanSolid;
    case K::SolidBlend:
        return &TDibBrush::SpanSolidBlend;
    case K::PatternOpaque:
        return &TDibBrush::SpanPatternOpaque;
    case K::PatternKeyed:
        return &TDibBrush::SpanPatternKeyed;
    case K::PatternBlend:
        return &TDibBrush::SpanPatternBlend;
    case K::TextureOpaque:
        return &TDibBrush::SpanTextureOpaque;
    case K::TextureKeyed:
        return &TDibBrush::SpanTextureKeyed;
    case K::TextureBlend:
        return &TDibBrush::SpanTextureBlend;
    case K::LinearVertical:
        return &TDibBrush::SpanLinearVertical;
    case K::LinearHorizontal:
        return &TDibBrush::SpanLinearHorizontal;
    case K::LinearA:
    case K::LinearC:
        return &TDibBrush::SpanLinearAC;
    case K::LinearB:
    case K::LinearD:
        return &TDibBrush::SpanLinearBD;
    case K::Rectangle:
        return &TDibBrush::SpanRectangle;
    case K::Conic:
        return &TDibBrush::SpanConic;
    case K::None:
        break;
    }
    return nullptr;
}

void TDibBrush::UpdateSpanProc() {
    const double a = DegToRad(FAngle);
    FSin = std::sin(a);
    FCos = std::cos(a);
    FSpanProc = nullptr;
    FSpanKind = SelectSpanKind();
    if (const TSpanMethod m = MethodOf(FSpanKind))
        FSpanProc = [this, m](TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b) {
            (this->*m)(d, y, x1, x2, b);
        };
}

} // namespace kolvar
