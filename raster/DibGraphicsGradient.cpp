#include "raster/DibGraphicsGradient.h"

#include "raster/DibGraphicsDefaults.h"

#include <algorithm>
#include <vector>

namespace kolvar {

TDibGradient::TDibGradient() {
    FResource = GradientManager().Acquire(&DefaultGradientResource());
}

TDibGradient::~TDibGradient() {
    GradientManager().Release(FResource);
}

void TDibGradient::SetKind(uint8_t kind) {
    if (kind == FKind) return;
    FKind = kind;
    Changed();
}

void TDibGradient::Assign(const TDibGradient* source) {
    const TDibGradient& src = source ? *source : DefaultGradient();
    TDibObjectLocks locks(*this, const_cast<TDibGradient&>(src));
    const bool kindChanged = FKind != src.FKind;
    FKind = src.FKind;
    const TDibResource* before = FResource;
    GradientManager().Rebind(*this, src.FResource);
    // A holder that keeps its span procedure by kind must hear of a new kind as well.
    if (kindChanged && FResource == before) Changed();
}

void TDibGradient::CopyResourceTo(TDibResource& resource) const {
    resource.Assign(*FResource);
}

void TDibGradient::SetResource(const TDibResource* candidate) {
    TDibObjectLock lock(*this);
    GradientManager().Rebind(*this, candidate);
}

void TDibGradient::SetColors(const uint32_t* colors, int32_t n) {
    TDibResourceManager& manager = GradientManager();
    TDibGradientResource candidate(DibCandidateName("GRD", manager));
    // Only the stops decide sameness; the manager builds the table of a resource it adopts.
    if (n < 1 || !colors) {
        candidate.Stops().Assign(DefaultGradientResource().Stops());
    } else {
        candidate.Stops().SetCapacity(n);
        for (int32_t i = 0; i < n; ++i) candidate.Stops().Add(colors[i]);
    }
    SetResource(&candidate);
}

void TDibGradient::SetColors(const TDibColorArray& colors) {
    std::vector<uint32_t> values(size_t(std::max(colors.Count(), 0)));
    for (int32_t i = 0; i < colors.Count(); ++i) values[size_t(i)] = DibColorToInt(colors.Get(i));
    SetColors(values.data(), colors.Count());
}

} // namespace kolvar
