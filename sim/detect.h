// Finding carriers in a measured spectrum the way a tuner's blind scan does: floor, excess,
// regions above the floor, dips between neighbours, then a finer look at each one.
#pragma once

#include <vector>

#include "spectrum.h"

// A carrier seen in the spectrum; frequencies at IF.
struct Candidate {
  double centreMHz = 0;
  double symbolRate = 0;  // symbols per second, from the half-power width
  double widthMHz = 0;    // occupied width
  double esn0Db = 0;      // estimated from the height above the floor
};

// A stretch of a coarse spectrum that rises above its floor, bins [first, last].
struct Region {
  int first = 0;
  int last = 0;
  bool dipLeft = false;  // the edge is a dip shared with a neighbour
  bool dipRight = false;
};

struct CoarseResult {
  std::vector<double> floorDb;  // per bin
  double scatterDb = 0;
  std::vector<Region> regions;
};

// Regions above the floor in a coarse spectrum (linear power per bin).
CoarseResult FindRegions(const std::vector<float>& power);

// Measures each region again with fine bins and estimates centre and symbol rate.
std::vector<Candidate> RefineRegions(const SpectrumSource& source, const SpectrumGrid& coarse,
                                     const CoarseResult& found, SimRng& rng);

// Both stages over `grid`: the whole blind-scan detector.
std::vector<Candidate> DetectCarriers(const SpectrumSource& source, const SpectrumGrid& grid,
                                      SimRng& rng);
