#pragma once
// A gradient: a counted reference to a shared gradient resource (stops and colour table) plus
// the kind of sweep. Equal stop lists share one resource across the program.

#include "raster/DibGraphicsObject.h"
#include "raster/DibGraphicsResources.h"

#include <cstdint>

namespace kolvar {

// The kinds the gradient dialog offers; 2, 3 and 4 paint like a vertical linear gradient.
enum : uint8_t { gkLinear = 0, gkRectangle = 1, gkConic = 5 };

class TDibGradient : public TDibObject {
public:
    // Starts with the default resource (no stops, empty table) and kind 0.
    TDibGradient();
    ~TDibGradient() override;

    uint8_t Kind() const { return FKind; }
    const TDibColorArray& Stops() const { return GradientResource().Stops(); }
    const TDibColorArray& Table() const { return GradientResource().Table(); }
    const TDibGradientResource& GradientResource() const {
        return static_cast<const TDibGradientResource&>(*FResource);
    }

    void SetKind(uint8_t kind);
    // Copies the kind and shares the source's resource (null: the default gradient). Notifies
    // when the resource is replaced, or else when only the kind changed.
    void Assign(const TDibGradient* source);
    // The given resource takes a copy of the current one.
    void CopyResourceTo(TDibResource& resource) const;
    // Shares a resource of the candidate's content; notifies when that is a change.
    void SetResource(const TDibResource* candidate);
    // The n colours (integer form 0x00RRGGBB) become the stops; n < 1 gives the default
    // gradient's (empty) stops. Notifies only when the stops change.
    void SetColors(const uint32_t* colors, int32_t n);
    void SetColors(const TDibColorArray& colors);

private:
    uint8_t FKind = gkLinear;
};

} // namespace kolvar
