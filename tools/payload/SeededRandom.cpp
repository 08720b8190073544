#include "SeededRandom.h"

#include <cmath>

namespace {

uint64_t splitmix64(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t rotl(uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

} // namespace

SeededRandom::SeededRandom(uint64_t seed) {
    for (auto& word : state_)
        word = splitmix64(seed);
}

uint64_t SeededRandom::mixSeed(uint64_t seed, std::string_view name) {
    // FNV-1a over the name, folded into the seed.
    uint64_t hash = 0xCBF29CE484222325ull;
    for (unsigned char c : name)
        hash = (hash ^ c) * 0x100000001B3ull;
    uint64_t x = seed ^ hash;
    return splitmix64(x);
}

uint64_t SeededRandom::next() {
    const uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
}

uint32_t SeededRandom::below(uint32_t bound) {
    return static_cast<uint32_t>(((next() >> 32) * bound) >> 32);
}

uint32_t SeededRandom::between(uint32_t low, uint32_t high) {
    return low + below(high - low + 1);
}

double SeededRandom::unit() {
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

bool SeededRandom::chance(double probability) {
    return unit() < probability;
}

uint32_t SeededRandom::skewed(uint32_t count) {
    // Inverse of the continuous 1/x distribution over [1, count + 1).
    const double x = std::exp(unit() * std::log(static_cast<double>(count) + 1.0)) - 1.0;
    const auto index = static_cast<uint32_t>(x);
    return index < count ? index : count - 1;
}
