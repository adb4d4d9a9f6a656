// Seeded random numbers for the simulated dish: the same seed gives the same sky readings.
#pragma once

#include <cmath>
#include <cstdint>

struct SimRng {
  uint64_t state = 0;
};

inline uint64_t NextRandom(SimRng& rng) {
  // splitmix64: tiny, fast, and good enough for measurement scatter.
  uint64_t z = (rng.state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

inline SimRng MakeRng(uint64_t seed, uint64_t stream) {
  SimRng rng{seed * 0x2545F4914F6CDD1Dull ^ (stream + 0x632BE59BD9B4E019ull)};
  NextRandom(rng);
  return rng;
}

// Uniform in [0, 1).
inline double Uniform(SimRng& rng) {
  return static_cast<double>(NextRandom(rng) >> 11) * (1.0 / 9007199254740992.0);
}

inline double Uniform(SimRng& rng, double lo, double hi) {
  return lo + (hi - lo) * Uniform(rng);
}

// Standard normal (Box-Muller, one value per call).
inline double Gaussian(SimRng& rng) {
  double u = Uniform(rng);
  double v = Uniform(rng);
  return std::sqrt(-2.0 * std::log(1.0 - u)) * std::cos(6.283185307179586 * v);
}
