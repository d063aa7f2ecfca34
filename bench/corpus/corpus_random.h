// A small seeded generator with integer-only draws, so that one seed
// gives the same corpus on every machine and library.
#pragma once

#include <cstdint>

class CorpusRandom {
public:
    explicit CorpusRandom(uint64_t seed) : state_(seed ^ 0x9E3779B97F4A7C15ull) {}

    uint64_t Next() {  // splitmix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high].
    uint64_t Between(uint64_t low, uint64_t high) { return low + Next() % (high - low + 1); }
    // True with a chance of per10000 in 10,000.
    bool Chance(uint32_t per10000) { return Next() % 10000 < per10000; }

private:
    uint64_t state_;
};

// A weighted table of size classes: a class is drawn by weight, then a
// size uniformly inside it.
struct SizeClass {
    uint32_t weight;
    uint64_t low;
    uint64_t high;
};

template <size_t N>
uint64_t DrawSize(CorpusRandom& random, const SizeClass (&classes)[N]) {
    uint64_t total = 0;
    for (const SizeClass& c : classes) total += c.weight;
    uint64_t pick = random.Next() % total;
    for (const SizeClass& c : classes) {
        if (pick < c.weight) return random.Between(c.low, c.high);
        pick -= c.weight;
    }
    return classes[N - 1].low;
}
