#pragma once
// A pattern: a counted reference to a shared pattern resource, an image that brushes tile or
// rotate as a texture. Identical images share one resource across the program.

#include "raster/DibGraphicsObject.h"
#include "raster/DibGraphicsResources.h"

class QImage;

namespace kolvar {

class TDibPattern : public TDibObject {
public:
    // Starts with the default resource, a 1 x 1 black image.
    TDibPattern();
    ~TDibPattern() override;

    const TDibContainer& Image() const { return PatternResource().Image(); }
    const TDibPatternResource& PatternResource() const {
        return static_cast<const TDibPatternResource&>(*FResource);
    }

    // Shares the source's resource (null: the default pattern).
    void Assign(const TDibPattern* source);
    void CopyResourceTo(TDibResource& resource) const;
    void SetResource(const TDibResource* candidate);
    // The image takes the bitmap's pixels in 24 bits; null restores the default image. A
    // bitmap that cannot be read changes nothing.
    void SetBitmap(const QImage* bitmap);
};

} // namespace kolvar
