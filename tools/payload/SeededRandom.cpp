#include "SeededRandom.h"

#include <cmath>

namespace {

uint64_t Splitmix64(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

} // namespace

SeededRandom::SeededRandom(uint64_t seed) {
    for (auto& word : state_)
        word = Splitmix64(seed);
}

uint64_t SeededRandom::MixSeed(uint64_t seed, std::string_view name) {
    // FNV-1a over the name, folded into the seed.
    uint64_t hash = 0xCBF29CE484222325ull;
    for (unsigned char c : name)
        hash = (hash ^ c) * 0x100000001B3ull;
    uint64_t x = seed ^ hash;
    return Splitmix64(x);
}

uint64_t SeededRandom::Next() {
    const uint64_t result = Rotl(state_[1] * 5, 7) * 9;
    const uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotl(state_[3], 45);
    return result;
}

uint32_t SeededRandom::Below(uint32_t bound) {
    return static_cast<uint32_t>(((Next() >> 32) * bound) >> 32);
}

uint32_t SeededRandom::Between(uint32_t low, uint32_t high) {
    return low + Below(high - low + 1);
}

double SeededRandom::Unit() {
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

bool SeededRandom::Chance(double probability) {
    return Unit() < probability;
}

uint32_t SeededRandom::Skewed(uint32_t count) {
    // Inverse of the continuous 1/x distribution over [1, count + 1).
    const double x = std::exp(Unit() * std::log(static_cast<double>(count) + 1.0)) - 1.0;
    const auto index = static_cast<uint32_t>(x);
    return index < count ? index : count - 1;
}
