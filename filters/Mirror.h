#pragma once
// Flips the bounding box of the shape being filled about its centre, so that a selection is
// mirrored in place.

#include "filters/GraphicFilter.h"

namespace kolvar {

class TMirrorFilter final : public TGraphicFilter {
public:
    TMirrorFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Each setter picks the span procedure again; with neither direction set there is none,
    // and the filter writes nothing.
    void SetHorizontal(bool v);
    void SetVertical(bool v);
    bool Horizontal() const { return FHorizontal; }
    bool Vertical() const { return FVertical; }

private:
    void SelectSpanProc();
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);

    bool FHorizontal = false;
    bool FVertical = false;
};

} // namespace kolvar
