#pragma once

#include <cstdint>

namespace pelmar::builder {

// A small deterministic generator (SplitMix64): the same seed gives the same map on every
// machine, since nothing depends on the standard library's distributions.
class RealisticRandom {
public:
    explicit RealisticRandom(uint64_t seed) : state_(seed) {}

    // A seed for one stream of one part of the map, from the map's seed and two numbers.
    static uint64_t Mix(uint64_t seed, uint64_t a, uint64_t b) {
        uint64_t z = seed ^ (a * 0x9E3779B97F4A7C15ull) ^ (b * 0xC2B2AE3D27D4EB4Full);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    uint32_t Word() { return static_cast<uint32_t>(Next() >> 32); }

    // A number in [0, n); 0 when n is 0.
    uint32_t Below(uint32_t n) {
        return static_cast<uint32_t>((static_cast<uint64_t>(Word()) * n) >> 32);
    }

    // A float in [lo, hi).
    float Between(float lo, float hi) {
        const float unit = static_cast<float>(Word() >> 8) / 16777216.0f;
        return lo + (hi - lo) * unit;
    }

private:
    uint64_t state_;
};

} // namespace pelmar::builder
