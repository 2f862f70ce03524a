#include "raster/DibGraphicsPattern.h"

#include "raster/DibGraphicsDefaults.h"

#include <QImage>

namespace kolvar {

TDibPattern::TDibPattern() {
    FResource = PatternManager().Acquire(&DefaultPatternResource());
}

TDibPattern::~TDibPattern() {
    PatternManager().Release(FResource);
}

void TDibPattern::Assign(const TDibPattern* source) {
    const TDibPattern& src = source ? *source : DefaultPattern();
    TDibObjectLocks locks(*this, const_cast<TDibPattern&>(src));
    PatternManager().Rebind(*this, src.FResource);
}

void TDibPattern::CopyResourceTo(TDibResource& resource) const {
    resource.Assign(*FResource);
}

void TDibPattern::SetResource(const TDibResource* candidate) {
    TDibObjectLock lock(*this);
    PatternManager().Rebind(*this, candidate);
}

void TDibPattern::SetBitmap(const QImage* bitmap) {
    TDibResourceManager& manager = PatternManager();
    TDibPatternResource candidate(DibCandidateName("PAT", manager));
    if (!bitmap) {
        candidate.Assign(DefaultPatternResource());
    } else {
        TDibContainer pixels;
        pixels.AssignBitmap(*bitmap);
        if (pixels.Empty()) return;
        candidate.Image() = std::move(pixels);
    }
    SetResource(&candidate);
}

} // namespace kolvar
