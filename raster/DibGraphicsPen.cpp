#include "raster/DibGraphicsPen.h"

#include "raster/DibGeometry.h"
#include "raster/DibGraphicsDefaults.h"
#include "raster/DibGraphicsSpanSupport.h"

#include <cmath>
#include <cstdlib>

namespace kolvar {

using namespace dibspan;

const std::array<uint8_t, 256>& DibAntiAliasTable() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double q = i / 180.0;
            t[size_t(i)] =
                uint8_t(ClampRound((255 - Round(255 * std::exp(-(q * q)))) * 1.1, 0, 192));
        }
        return t;
    }();
    return table;
}

TDibPen::TDibPen() {
    UpdateLineProc();
}

void TDibPen::SetAntiAlias(bool value) {
    if (value == FAntiAlias) return;
    FAntiAlias = value;
    UpdateLineProc();
    Changed();
}

void TDibPen::SetColor(TDibColorArg color) {
    if (SameDibColor(color, FColor)) return;
    FColor = color.Color();
    UpdateLineProc();
    Changed();
}

void TDibPen::SetPattern(uint32_t mask) {
    if (mask == FPattern) return;
    FPattern = mask;
    FStyle = mask == 0xFFFFFFFFu ? dpSolid : dpPattern;
    UpdateLineProc();
    Changed();
}

void TDibPen::SetStyle(TDibPenStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    if (style == dpSolid) FPattern = 0xFFFFFFFFu;
    UpdateLineProc();
    Changed();
}

void TDibPen::SetStyle3D(TDibPenStyle3D style) {
    if (style == FStyle3D) return;
    FStyle3D = style;
    UpdateLineProc();
    Changed();
}

void TDibPen::SetWidth(int32_t width) {
    if (width == FWidth) return;
    FWidth = width;
    UpdateLineProc();
    Changed();
}

void TDibPen::Assign(const TDibPen* source) {
    const TDibPen& src = source ? *source : DefaultPen();
    if (&src == this) return UpdateLineProc();
    TDibObjectLocks locks(*this, const_cast<TDibPen&>(src));
    FAntiAlias = src.FAntiAlias;
    FColor = src.FColor;
    FPattern = src.FPattern;
    FStyle = src.FStyle;
    FStyle3D = src.FStyle3D;
    FWidth = src.FWidth;
    UpdateLineProc();
}

void TDibPen::UpdateLineProc() {
    FPhase = 0;
    // Widths below 1 have no thick stepping (256 div width), so they draw thin.
    const bool thin = FWidth <= 1;
    if (thin && FAntiAlias)
        FLineKind = TDibLineKind::ThinAntiAlias;
    else if (thin)
        FLineKind = FStyle == dpSolid ? TDibLineKind::ThinSolid : TDibLineKind::ThinDashed;
    else
        FLineKind = FAntiAlias ? TDibLineKind::ThickAntiAlias : TDibLineKind::Thick;
    using P = void (TDibPen::*)(TDibContainer&, int32_t, int32_t, int32_t, int32_t);
    P m = nullptr;
    switch (FLineKind) {
    case TDibLineKind::ThinSolid:
        m = &TDibPen::LineThinSolid;
        break;
    case TDibLineKind::ThinDashed:
        m = &TDibPen::LineThinDashed;
        break;
    case TDibLineKind::ThinAntiAlias:
        m = &TDibPen::LineThinAntiAlias;
        break;
    case TDibLineKind::Thick:
        m = &TDibPen::LineThick<false>;
        break;
    case TDibLineKind::ThickAntiAlias:
        m = &TDibPen::LineThick<true>;
        break;
    }
    FLineProc = [this, m](TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        (this->*m)(d, x1, y1, x2, y2);
    };
}

namespace {

// Clips the segment to the image; false when nothing of it remains.
bool ClipToImage(const TDibContainer& d, int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    if (d.Empty()) return false;
    const TRect r{0, 0, d.Width() - 1, d.Height() - 1};
    if (!ClipLine(x1, y1, x2, y2, r)) return false;
    // The clipped ends are rounded onto the rectangle; anything else would be a clipping
    // fault, and drawing it would write outside the pixels.
    const auto inside = [&r](int32_t x, int32_t y) {
        return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
    };
    return inside(x1, y1) && inside(x2, y2);
}

// Minor-axis stepping in units of 65535 per pixel with a half-unit start offset.
struct TStepper {
    bool XMajor;
    int64_t Slope;
    int64_t Acc;
    int32_t Step;
};

TStepper MakeStepper(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const int64_t dx = std::llabs(int64_t(x2) - x1);
    int64_t dy = std::llabs(int64_t(y2) - y1);
    TStepper s{};
    if (dy < dx) {
        s.XMajor = true;
        s.Step = x1 < x2 ? 1 : -1;
        s.Slope = RoundWide(double(dy) / double(dx) * 65535);
        if (y2 < y1) s.Slope = -s.Slope;
        s.Acc = int64_t(y1) * 65535 + 32767;
    } else {
        if (dy == 0) dy = 1;
        s.XMajor = false;
        s.Step = y1 < y2 ? 1 : -1;
        s.Slope = RoundWide(double(dx) / double(dy) * 65535);
        if (x2 < x1) s.Slope = -s.Slope;
        s.Acc = int64_t(x1) * 65535 + 32767;
    }
    return s;
}

inline void BlendWeighted(TDibColor& p, const TDibColor& c, uint32_t w) {
    BlendPixel(p, c, w);
}

} // namespace

void TDibPen::LineThinSolid(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!ClipToImage(d, x1, y1, x2, y2)) return;
    if (y2 < y1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const TDibColor c = FColor;
    StepThinLine(x1, y1, x2, y2, [&](int32_t x, int32_t y) { d.SetPixel(x, y, c); });
}

void TDibPen::LineThinDashed(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!ClipToImage(d, x1, y1, x2, y2)) return;
    TStepper s = MakeStepper(x1, y1, x2, y2);
    const TDibColor c = FColor;
    const uint32_t mask = FPattern;
    uint32_t phase = FPhase;
    if (s.XMajor) {
        for (int32_t x = x1; x != x2; x += s.Step, s.Acc += s.Slope, ++phase)
            if ((mask >> (phase & 31)) & 1) d.SetPixel(x, int32_t(s.Acc >> 16), c);
    } else {
        for (int32_t y = y1; y != y2; y += s.Step, s.Acc += s.Slope, ++phase)
            if ((mask >> (phase & 31)) & 1) d.SetPixel(int32_t(s.Acc >> 16), y, c);
    }
    FPhase = phase;
}

void TDibPen::LineThinAntiAlias(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!ClipToImage(d, x1, y1, x2, y2)) return;
    TStepper s = MakeStepper(x1, y1, x2, y2);
    const std::array<uint8_t, 256>& T = DibAntiAliasTable();
    const TDibColor c = FColor;
    const uint32_t mask = FPattern;
    uint32_t phase = FPhase;
    if (s.XMajor) {
        const int32_t last = d.Height() - 1;
        for (int32_t x = x1; x != x2; x += s.Step, s.Acc += s.Slope, ++phase) {
            if (!((mask >> (phase & 31)) & 1)) continue;
            const uint32_t pos = uint32_t(s.Acc >> 8) & 255;
            const int32_t m = int32_t(s.Acc >> 16);
            d.SetPixel(x, m, c);
            if (m < last) BlendWeighted(*d.PixelPtr(x, m + 1), c, T[pos]);
            if (s.Acc > 65535) BlendWeighted(*d.PixelPtr(x, m - 1), c, T[255 - pos]);
        }
    } else {
        const int32_t last = d.Width() - 1;
        for (int32_t y = y1; y != y2; y += s.Step, s.Acc += s.Slope, ++phase) {
            if (!((mask >> (phase & 31)) & 1)) continue;
            const uint32_t pos = uint32_t(s.Acc >> 8) & 255;
            const int32_t m = int32_t(s.Acc >> 16);
            d.SetPixel(m, y, c);
            if (m < last) BlendWeighted(*d.PixelPtr(m + 1, y), c, T[pos]);
            if (s.Acc > 65535) BlendWeighted(*d.PixelPtr(m - 1, y), c, T[255 - pos]);
        }
    }
    FPhase = phase;
}

template <bool Smooth>
void TDibPen::LineThick(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!ClipToImage(d, x1, y1, x2, y2)) return;
    TStepper s = MakeStepper(x1, y1, x2, y2);
    const std::array<uint8_t, 256>& T = DibAntiAliasTable();
    const TDibColor c = FColor;
    const uint32_t mask = FPattern;
    const int64_t width = std::max(FWidth, 1);
    // The dash phase in 24.8 fixed point, so each dash bit covers about Width steps.
    const uint32_t step = uint32_t(256 / width);
    uint32_t q = FPhase << 8;
    // Along the major axis the run crosses the minor axis, whose last index is `last`.
    const int64_t last = s.XMajor ? d.Height() - 1 : d.Width() - 1;
    const auto pixel = [&](int32_t major, int64_t minor) -> TDibColor& {
        return s.XMajor ? *d.PixelPtr(major, int32_t(minor)) : *d.PixelPtr(int32_t(minor), major);
    };
    const int32_t from = s.XMajor ? x1 : y1;
    const int32_t to = s.XMajor ? x2 : y2;
    for (int32_t i = from; i != to; i += s.Step, s.Acc += s.Slope, q += step) {
        if (!((mask >> ((q >> 8) & 31)) & 1)) continue;
        const int64_t first = (s.Acc >> 16) - width / 2;
        const int64_t end = first + width - 1;
        for (int64_t m = std::max<int64_t>(first, 0), e = std::min(end, last); m <= e; ++m)
            pixel(i, m) = c;
        if constexpr (Smooth) {
            const uint32_t pos = uint32_t(s.Acc >> 8) & 255;
            if (end < last) BlendWeighted(pixel(i, end + 1), c, T[pos]);
            if (first > 0) BlendWeighted(pixel(i, first - 1), c, T[255 - pos]);
        }
    }
    FPhase = q >> 8;
}

} // namespace kolvar
