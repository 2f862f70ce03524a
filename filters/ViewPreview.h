#pragma once
// The preview of a big region as the view shows it. Only the rows and columns that the view's
// stretch reads are filtered, a batch of rows at a time into a region-sized image whose other
// pages are never touched, and the pixels the stretch takes are gathered into a picture of the
// view's size: the screen shows the same pixels as with the whole region filtered, for a
// fraction of the memory and the time.

#include "filters/GraphicFilter.h"

#include <cstddef>
#include <cstdint>

namespace kolvar {

// A preview of more bytes than this is made for the view alone, where the filter allows it.
constexpr size_t kViewPreviewBytes = size_t(64) << 20;

// Whether Filter's preview of Setup's region is better made for the view: the filter can filter
// rows alone, there is no polygon selection and the region takes more than LimitBytes.
bool PreviewThroughView(const TGraphicFilter& Filter, const TFilterSetup& Setup,
                        size_t LimitBytes = kViewPreviewBytes);

// Result becomes a ViewW x ViewH picture whose pixels inside Rect (the region on the view,
// inclusive, as for TDibContainer::StretchTo) hold what the whole preview stretched into Rect
// gives them; the others are black. False when the run was abandoned.
bool RunViewPreview(TGraphicFilter& Filter, const TFilterSetup& Setup, const TRect& Rect,
                    int32_t ViewW, int32_t ViewH, TDibContainer& Result, int32_t Bands = 0);

// Draws such a picture's pixels inside Rect onto Buffer, which has the picture's size.
void PaintViewPreview(const TDibContainer& Picture, const TRect& Rect, TDibContainer& Buffer);

} // namespace kolvar
