#include "raster/DibRandom.h"

namespace kolvar {

namespace {
constexpr uint32_t Multiplier = 134775813u;
TRandomStream GStream;
} // namespace

uint32_t RandomSeed() {
    return GStream.Seed;
}

void SetRandomSeed(uint32_t Seed) {
    GStream.Seed = Seed;
}

int32_t Random(int32_t n) {
    return GStream.Next(n);
}

int32_t TRandomStream::Next(int32_t n) {
    Seed = Seed * Multiplier + 1u;
    if (n <= 0) return 0;
    return int32_t((uint64_t(Seed) * uint64_t(uint32_t(n))) >> 32);
}

uint32_t RandomSkip(uint32_t Seed, uint64_t Count) {
    // (mul, add) is the step applied 2^i times; (accMul, accAdd) what has been gathered.
    uint32_t mul = Multiplier, add = 1u, accMul = 1u, accAdd = 0u;
    for (; Count > 0; Count >>= 1) {
        if (Count & 1) {
            accMul *= mul;
            accAdd = accAdd * mul + add;
        }
        add = add * mul + add;
        mul *= mul;
    }
    return Seed * accMul + accAdd;
}

} // namespace kolvar
