#include "raster/DibRandom.h"

namespace kolvar {

namespace {
uint32_t GSeed = 0;
} // namespace

uint32_t RandomSeed() {
    return GSeed;
}

void SetRandomSeed(uint32_t Seed) {
    GSeed = Seed;
}

int32_t Random(int32_t n) {
    GSeed = GSeed * 134775813u + 1u;
    if (n <= 0) return 0;
    return int32_t((uint64_t(GSeed) * uint64_t(uint32_t(n))) >> 32);
}

} // namespace kolvar
