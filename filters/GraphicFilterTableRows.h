#pragma once
// The filter table's rows of the displacement, neighbourhood, texture, noise and histogram
// filters, and the histogram picture the "Show" command produces.

#include "filters/GraphicFilterInfo.h"

#include <functional>
#include <vector>

namespace kolvar {

// Appends the rows (tags 10 to 19, 21, 22 and 24 to 27) to t.
void AddNeighbourhoodAndDisplacementRows(std::vector<TFilterInfo>& t);

// The "Show" command without its window: counts the whole image (any selection is
// disregarded), lets configure pick the channel through the row's parameter, and draws that
// channel's picture into Picture. The image is left as it is.
void ShowHistogram(const TDibContainer& Image, TDibContainer& Picture,
                   const std::function<void(TGraphicFilter&)>& configure = {});

} // namespace kolvar
