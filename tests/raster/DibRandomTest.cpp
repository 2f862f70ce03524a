#include "raster/DibRandom.h"

#include <gtest/gtest.h>

using namespace kolvar;

TEST(DibRandom, FirstDrawsFromSeedZeroAndRangeLimits) {
    const uint32_t saved = RandomSeed();
    SetRandomSeed(0);
    EXPECT_EQ(Random(1000), 0);
    EXPECT_EQ(Random(1000), 31);
    EXPECT_EQ(Random(1000), 861);
    EXPECT_EQ(Random(1000), 202);
    EXPECT_EQ(Random(256), 69);
    EXPECT_EQ(RandomSeed(), 1172187917u);
    // An empty range still advances the state.
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(RandomSeed(), 1172187917u * 134775813u + 1u);
    for (int i = 0; i < 10000; ++i) {
        const int32_t v = Random(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
    }
    SetRandomSeed(saved);
}
