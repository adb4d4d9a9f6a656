#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "frontend_io.h"

namespace {

struct TestCarrier {
  double centreMHz, rateMHz, esn0Db;
};

// Survey readings as an AGC sees them: the floor with the LNB's tilt and ripple, plus each
// carrier's power inside a filter of `filterMHz` around every step, plus reading scatter.
std::vector<double> Readings(const std::vector<TestCarrier>& carriers, double start, double stop,
                             double step, double filterMHz = 1.35, double scatterDb = 0.2) {
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0, scatterDb);
  std::vector<double> out;
  for (double f = start; f <= stop + 1e-9; f += step) {
    double power = 1;
    for (const TestCarrier& c : carriers) {
      double lo = std::max(f - filterMHz / 2, c.centreMHz - c.rateMHz / 2);
      double hi = std::min(f + filterMHz / 2, c.centreMHz + c.rateMHz / 2);
      if (hi > lo) power += std::pow(10, c.esn0Db / 10) * (hi - lo) / filterMHz;
    }
    double gain = -3.0 * (f - 950) / 1200 + 0.25 * std::sin(f / 90 * 6.2832);
    out.push_back(-75 + gain + 10 * std::log10(power) + noise(rng));
  }
  return out;
}

TEST(FindCarriers, FindsEachCarrierWithItsCentreAndWidth) {
  // A band of typical carriers, wide and narrow, some close neighbours, over a tilted floor.
  std::vector<TestCarrier> sky = {{1010, 27.5, 8},  {1052, 30, 6},     {1090, 22, 4},
                                  {1300, 2.0, 6},   {1400, 7.2, 5},    {1600, 45, 10},
                                  {1700, 5.0, 3.5}, {1733.6, 27.5, 9}, {2000, 3.6, 6}};
  auto found = FindCarriers(Readings(sky, 950, 2150, 2.0), 950, 2.0);
  ASSERT_EQ(found.size(), sky.size());
  for (size_t i = 0; i < sky.size(); ++i) {
    SCOPED_TRACE(sky[i].centreMHz);
    EXPECT_NEAR(found[i].centreMHz, sky[i].centreMHz, 1.0);
    if (sky[i].rateMHz > 4) {
      EXPECT_NEAR(found[i].widthMHz, sky[i].rateMHz, 1.5);
    }
  }
}

TEST(FindCarriers, NoiseOnlyGivesNothing) {
  // Tilt, ripple and scatter alone must not look like carriers.
  for (double step : {1.0, 2.0}) {
    EXPECT_TRUE(FindCarriers(Readings({}, 950, 2150, step), 950, step).empty()) << step;
  }
}

TEST(FindCarriers, PackedBandSplitsAtTheGaps) {
  // Transponders every 38.36 MHz, no quiet block anywhere near: each is still one carrier.
  std::vector<TestCarrier> sky;
  for (int i = 0; i < 12; ++i) sky.push_back({1100 + 38.36 * i, 27.5, 7});
  auto found = FindCarriers(Readings(sky, 950, 2150, 2.0), 950, 2.0);
  ASSERT_EQ(found.size(), sky.size());
  for (size_t i = 0; i < sky.size(); ++i) EXPECT_NEAR(found[i].centreMHz, sky[i].centreMHz, 1.0);
}

TEST(FindCarriers, ALoneStepCountsOnlyWhenItStandsOut) {
  // One reading 1.3 dB up is scatter that happened to clear the threshold; 4 dB up in one
  // step is a narrow carrier.
  std::vector<double> flat(300, -70.0);
  for (auto [rise, carriers] : {std::pair{1.3, 0u}, std::pair{4.0, 1u}}) {
    std::vector<double> db = flat;
    db[150] += rise;
    auto found = FindCarriers(db, 950, 2);
    ASSERT_EQ(found.size(), carriers) << rise;
    if (carriers) {
      EXPECT_NEAR(found[0].centreMHz, 950 + 2 * 150, 1.0);
    }
  }
}

TEST(FindCarriers, ShortOrEmptyReadingsAreHarmless) {
  EXPECT_TRUE(FindCarriers({}, 950, 2).empty());
  EXPECT_TRUE(FindCarriers({-70}, 950, 2).empty());
  EXPECT_TRUE(FindCarriers(std::vector<double>(600, -70.0), 950, 2).empty());
}

}  // namespace
