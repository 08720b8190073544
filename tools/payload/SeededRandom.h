// Deterministic pseudo-random numbers (xoshiro256**, seeded through splitmix64), so the
// generated product is byte-identical on every machine and every run.
#pragma once

#include <cstdint>
#include <string_view>

class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed);
    // A stream of its own for a named part, independent of how much other parts consume.
    static uint64_t MixSeed(uint64_t seed, std::string_view name);

    uint64_t Next();
    // Uniform in [0, bound); bound must be positive.
    uint32_t Below(uint32_t bound);
    // Uniform in [low, high].
    uint32_t Between(uint32_t low, uint32_t high);
    bool Chance(double probability);
    // Index in [0, count) where small indexes are much more frequent, like word or
    // instruction frequencies in real programs (roughly Zipf with exponent 1).
    uint32_t Skewed(uint32_t count);
    double Unit();

private:
    uint64_t state_[4];
};
