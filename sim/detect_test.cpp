#include "detect.h"

#include <gtest/gtest.h>

#include <cmath>

#include "raised_cosine.h"

namespace {

Emitter Carrier(double centre, double symbolRate, double alpha, double esn0Db) {
  Emitter e;
  e.centreMHz = centre;
  e.symbolRate = symbolRate;
  e.alpha = alpha;
  e.esn0 = std::pow(10.0, esn0Db / 10.0);
  return e;
}

// 200 MHz of IF with coarse 100 kHz bins.
const SpectrumGrid kGrid{1000.0, 0.1, 2001};

std::vector<Candidate> Detect(const std::vector<Emitter>& emitters, GainShape gain = {},
                              uint64_t seed = 7) {
  SpectrumSource source{emitters, gain, 0.3};
  SimRng rng = MakeRng(seed, 1);
  return DetectCarriers(source, kGrid, rng);
}

TEST(RaisedCosine, HalfPowerAtHalfTheSymbolRateAndUnitArea) {
  for (double alpha : {0.05, 0.2, 0.35, 0.5}) {
    EXPECT_NEAR(RaisedCosineDensity(0.5, alpha), 0.5, 1e-12) << alpha;
    EXPECT_NEAR(RaisedCosineCumulative(10, alpha) - RaisedCosineCumulative(-10, alpha), 1, 1e-12);
    EXPECT_NEAR(RaisedCosineCumulative(0.3, alpha) - RaisedCosineCumulative(0.29, alpha),
                0.01 * RaisedCosineDensity(0.295, alpha), 1e-5);
  }
}

TEST(Detector, NoiseOnlyFindsNothingEvenWithTiltAndRipple) {
  // A bare floor with the LNB's full tilt and ripple is not a carrier, whatever the seed.
  for (uint64_t seed = 1; seed <= 10; ++seed) {
    EXPECT_TRUE(Detect({}, {8.0, 2.0, 72.0, 0.3}, seed).empty()) << seed;
  }
}

TEST(Detector, EstimatesCentreAndSymbolRateOfLoneCarriers) {
  // Wide, medium and narrow carriers at good Es/N0: centre within 30 kHz + 0.5 % SR, symbol
  // rate within 3 %.
  struct Case {
    double centre, sr, alpha, esn0;
  } cases[] = {{1050.3, 27.5e6, 0.35, 10},
               {1100.0, 5e6, 0.20, 6},
               {1150.7, 1e6, 0.25, 8},
               {1030.1, 0.5e6, 0.35, 10},
               {1120.0, 45e6, 0.05, 4}};
  for (const Case& c : cases) {
    std::vector<Candidate> found = Detect({Carrier(c.centre, c.sr, c.alpha, c.esn0)});
    ASSERT_EQ(found.size(), 1u) << c.sr;
    EXPECT_NEAR(found[0].centreMHz, c.centre, 0.03 + 0.005 * c.sr * 1e-6) << c.sr;
    EXPECT_NEAR(found[0].symbolRate / c.sr, 1.0, 0.03) << c.sr;
    EXPECT_NEAR(found[0].esn0Db, c.esn0, 1.0) << c.sr;
  }
}

TEST(Detector, SeparatesEqualNeighbours) {
  // Two 10 MS/s carriers 11.5 MHz apart (1.15 x SR) with the widest roll-off are two carriers.
  for (uint64_t seed = 1; seed <= 5; ++seed) {
    std::vector<Candidate> found =
        Detect({Carrier(1080.0, 10e6, 0.35, 10), Carrier(1091.5, 10e6, 0.35, 10)}, {}, seed);
    ASSERT_EQ(found.size(), 2u) << seed;
    EXPECT_NEAR(found[0].centreMHz, 1080.0, 0.3);
    EXPECT_NEAR(found[1].centreMHz, 1091.5, 0.3);
  }
}

TEST(Detector, WeakCarrierAboveTheFloorIsStillSeen) {
  // Es/N0 of -1 dB lifts the floor by only 2.5 dB, yet the carrier shows.
  std::vector<Candidate> found = Detect({Carrier(1100.0, 8e6, 0.2, -1.0)}, {4.0, 1.0, 80, 1});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NEAR(found[0].symbolRate / 8e6, 1.0, 0.05);
}

}  // namespace
