#pragma once
// The error every part of the metafile player raises for damaged input; the record players
// need it without the loader that dispatches to them.

#include "raster/Exceptions.h"

namespace kolvar {

class EMetafileError : public Exception {
public:
    using Exception::Exception;
};

} // namespace kolvar
