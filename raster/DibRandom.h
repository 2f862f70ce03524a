#pragma once
// The process-wide random generator. The noise filter and the spray tool draw from the same
// sequence, so what either produces depends on every draw made since the program started.

#include <cstdint>

namespace kolvar {

// The generator's 32-bit state; 0 at start-up. Exposed so that tests can start a sequence
// from a known state.
uint32_t RandomSeed();
void SetRandomSeed(uint32_t Seed);

// Advances the state (s := s x 134775813 + 1, modulo 2^32) and returns the upper 32 bits of
// the 64-bit product s x n, so 0 <= result < n. A range of 0 or less still advances the state
// and gives 0.
int32_t Random(int32_t n);

// The same sequence from a state of its own, for work that runs apart from the shared one.
struct TRandomStream {
    uint32_t Seed = 0;
    // As Random, on this stream's state.
    int32_t Next(int32_t n);
};

// The state Count draws after Seed, in about log2(Count) steps: k steps of s := s a + c make
// s a^k + c (a^(k-1) + ... + 1), and such steps compose.
uint32_t RandomSkip(uint32_t Seed, uint64_t Count);

} // namespace kolvar
