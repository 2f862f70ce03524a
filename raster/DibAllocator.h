#pragma once
// Where image containers get their pixel memory, and the error they raise when there is none.

#include "raster/DibContainer.h"

#include <cstddef>

namespace kolvar {

// The memory for an image's pixels could not be had.
class EDibMemoryError : public EDibSizeError {
public:
    using EDibSizeError::EDibSizeError;
};

// Zeroed memory of the given size that std::free releases, or null when there is none. Tests
// install a failing one to see that a refused allocation changes nothing.
using TDibAllocator = void* (*)(size_t Bytes);
// Installs an allocator (nullptr: the system's) and returns the previous one (nullptr for the
// system's).
TDibAllocator SetDibAllocator(TDibAllocator Allocator);

} // namespace kolvar
