#pragma once
// The pen's dash masks, one per entry of the settings palette's line-style list. Bit i (least
// significant first) tells whether step i of a 32-step cycle is drawn. Kept free of other
// includes so that the generator of the line-style preview strip can use it on its own.

#include <cstdint>

namespace kolvar {

inline constexpr int32_t DibLineStyleCount = 30;

inline constexpr uint32_t DibLineStyles[DibLineStyleCount] = {
    0xFFFFFFFFu, 0x55555555u, 0x33333333u, 0xF0F0F0F0u, 0x3F3F3F3Fu, 0x00FF00FFu,
    0x03FF03FFu, 0x0FFF0FFFu, 0x3FFF3FFFu, 0x3FFF3FFFu, 0x33FF33FFu, 0x333F333Fu,
    0x57FF57FFu, 0x55FF55FFu, 0x557F557Fu, 0x5FFFFFFFu, 0x57FFFFFFu, 0x55FFFFFFu,
    0x557FFFFFu, 0x555FFFFFu, 0x5557FFFFu, 0x5555FFFFu, 0x3FFFFFFFu, 0x33FFFFFFu,
    0x333FFFFFu, 0x3333FFFFu, 0xF0FFFFFFu, 0xF0F0FFFFu, 0x18F18FFFu, 0x6FDBFFFFu,
};

// The list offers the first 29 entries; the preview strip shows exactly those.
inline constexpr int32_t DibListedLineStyles = 29;

} // namespace kolvar
