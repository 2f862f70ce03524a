#pragma once
// A pen draws line segments into a container through one of five specialised line procedures
// (thin solid, thin dashed, thin anti-aliased, thick, thick anti-aliased), re-selected after
// every change. The dash mask's phase runs on from one segment to the next, so a dashed outline
// keeps its rhythm around corners; any change of a setting restarts it at 0.
//
// A width below 1 draws like width 1.

#include "raster/DibContainer.h"
#include "raster/DibGraphicsLineStyles.h"
#include "raster/DibGraphicsObject.h"

#include <array>
#include <cstdint>

namespace kolvar {

enum TDibPenStyle : uint8_t {
    dpClear = 0,
    dpSolid = 1,
    dpPattern = 2,
    dpBorder = 3,
    dpFrame = 4,
    dpGlass = 5
};
enum TDibPenStyle3D : uint8_t { dp3Sunken = 0, dp3Raised = 1, dp3Flying = 2 };

// The line procedures a pen can select.
enum class TDibLineKind : uint8_t { ThinSolid, ThinDashed, ThinAntiAlias, Thick, ThickAntiAlias };

// Weights for the pixels beside an anti-aliased line, indexed by the sub-pixel position.
const std::array<uint8_t, 256>& DibAntiAliasTable();

class TDibPen : public TDibObject {
public:
    TDibPen();

    bool AntiAlias() const { return FAntiAlias; }
    TDibColor Color() const { return FColor; }
    // The dash mask; 0xFFFFFFFF (the value -1) is solid.
    uint32_t Pattern() const { return FPattern; }
    TDibPenStyle Style() const { return FStyle; }
    TDibPenStyle3D Style3D() const { return FStyle3D; }
    int32_t Width() const { return FWidth; }
    // The dash position the next segment starts from.
    uint32_t Phase() const { return FPhase; }

    void SetAntiAlias(bool value);
    void SetColor(TDibColorArg color);
    // A mask of -1 makes the style dpSolid, any other dpPattern.
    void SetPattern(uint32_t mask);
    // dpSolid also restores the solid mask.
    void SetStyle(TDibPenStyle style);
    void SetStyle3D(TDibPenStyle3D style);
    void SetWidth(int32_t width);
    // Copies every setting of source (null: the default pen) without notifying.
    void Assign(const TDibPen* source);

    // The current line procedure, for the container's outline operations.
    const TDibLineProc& LineProc() const { return FLineProc; }
    TDibLineKind LineKind() const { return FLineKind; }
    // Draws one segment with the current line procedure.
    void Line(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        FLineProc(d, x1, y1, x2, y2);
    }
    void UpdateLineProc();

private:
    void LineThinSolid(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void LineThinDashed(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void LineThinAntiAlias(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    template <bool Smooth>
    void LineThick(TDibContainer& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    bool FAntiAlias = false;
    TDibColor FColor = clDibBlack;
    uint32_t FPattern = 0xFFFFFFFFu;
    TDibPenStyle FStyle = dpSolid;
    TDibPenStyle3D FStyle3D = dp3Raised;
    int32_t FWidth = 1;
    TDibLineProc FLineProc;
    TDibLineKind FLineKind = TDibLineKind::ThinSolid;
    uint32_t FPhase = 0;
};

} // namespace kolvar
