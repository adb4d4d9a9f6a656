#include "reference_sky.h"

#include <algorithm>
#include <cmath>

#include "link.h"
#include "raised_cosine.h"
#include "rng.h"

namespace {

constexpr double kBandLow = 10700.0;
constexpr double kBandHigh = 12750.0;

struct Modcod {
  uint32_t system, modulation, codeRate;
};

// Every pair with a requirement in the tables: DVB-S, then DVB-S2 QPSK to 32APSK.
constexpr Modcod kModcods[] = {
    {1, 1, 1},  {1, 1, 2}, {1, 1, 3},  {1, 1, 5}, {1, 1, 7}, {2, 5, 10}, {2, 5, 11},
    {2, 5, 12}, {2, 5, 1}, {2, 5, 13}, {2, 5, 2}, {2, 5, 3}, {2, 5, 4},  {2, 5, 5},
    {2, 5, 8},  {2, 5, 9}, {2, 2, 13}, {2, 2, 2}, {2, 2, 3}, {2, 2, 5},  {2, 2, 8},
    {2, 2, 9},  {2, 3, 2}, {2, 3, 3},  {2, 3, 4}, {2, 3, 5}, {2, 3, 8},  {2, 3, 9},
    {2, 4, 3},  {2, 4, 4}, {2, 4, 5},  {2, 4, 8}, {2, 4, 9},
};

// Symbol rates spread evenly on a log scale from 0.25 to 45 MS/s.
double PickSymbolRate(SimRng& rng) {
  return 0.25e6 * std::exp(Uniform(rng) * std::log(45.0 / 0.25));
}

SkyTransponder RandomCarrier(SimRng& rng, uint64_t seed, uint32_t index) {
  SkyTransponder tp;
  tp.symbolRate = std::round(PickSymbolRate(rng) / 1000.0) * 1000.0;
  tp.rollOff = 1 + static_cast<uint32_t>(Uniform(rng) * 6) % 6;
  PickModcod(seed, index, &tp);
  tp.strength = RequirementOf(tp) + Uniform(rng, -3.0, 12.0);
  tp.pilot = tp.deliverySystem == 2 ? 1 + (Uniform(rng) < 0.5) : 1;
  return tp;
}

// Lays carriers along one polarisation, keeping clear of the band ends. Most have random guard
// gaps; about a third sit packed against their lower neighbour, occupied bands from 5 %
// overlapping to 15 % apart, as in a block of SCPC feeds.
void FillPolarisation(SimRng& rng, uint64_t seed, uint32_t pol, int32_t count, SkySatellite* sat) {
  std::vector<SkyTransponder> plan;
  double occupied = 0;
  for (int32_t i = 0; i < count; ++i) {
    plan.push_back(RandomCarrier(rng, seed, pol * 1000 + i));
    occupied += plan.back().symbolRate * 1.5e-6;
  }
  double room = std::max(0.0, kBandHigh - kBandLow - 20.0 - occupied);
  double previous = 0, previousCentre = 0;  // half the occupied width of the last carrier, MHz
  double f = kBandLow + 10.0;               // upper edge of the last carrier's 1.5 x SR
  for (SkyTransponder& tp : plan) {
    double sr = tp.symbolRate * 1e-6;
    double centre = f + Uniform(rng) * 2.0 * room / count + 0.75 * sr;
    double half = 0.5 * sr * (1.0 + RollOffFactor(tp.rollOff));
    if (previous > 0 && Uniform(rng) < 0.35) {
      centre = previousCentre + Uniform(rng, 0.95, 1.15) * (previous + half);
    }
    tp.frequencyMHz = std::round(centre * 1000.0) / 1000.0;
    tp.polarisation = pol;
    f = std::max(f, centre + 0.75 * sr);
    previous = half;
    previousCentre = centre;
    if (f < kBandHigh - 10.0) sat->transponders.push_back(tp);
  }
}

}  // namespace

double RequirementOf(const SkyTransponder& tp) {
  return TransponderRequirementDb(tp);
}

void PickModcod(uint64_t seed, uint32_t index, SkyTransponder* tp) {
  SimRng rng = MakeRng(seed ^ 0x5151, index);
  const Modcod& m = kModcods[NextRandom(rng) % std::size(kModcods)];
  tp->deliverySystem = m.system;
  tp->modulation = m.modulation;
  tp->codeRate = m.codeRate;
}

Sky MakeReferenceSky(uint64_t seed, const ReferenceOptions& options) {
  SimRng rng = MakeRng(seed, 0xC0FFEE);
  Sky sky;
  sky.lnb.lo[0] = 9750.0 + Uniform(rng, -2.0, 2.0);
  sky.lnb.lo[1] = 10600.0 + Uniform(rng, -2.0, 2.0);
  sky.lnb.gainTilt = Uniform(rng, 0.0, 8.0);
  sky.lnb.ripple = Uniform(rng, 0.0, 2.0);
  sky.lnb.ripplePeriod = Uniform(rng, 72.0, 150.0);
  sky.lnb.ripplePhase = Uniform(rng, 0.0, 6.283);
  SkyInput in;
  in.satellite = 192;
  sky.inputs.push_back(in);
  SkySatellite sat;
  sat.position = 192;
  if (!options.noiseOnly) {
    int32_t horizontal = options.carriers / 2;
    FillPolarisation(rng, seed, 0, horizontal, &sat);
    FillPolarisation(rng, seed, 1, options.carriers - horizontal, &sat);
  }
  sky.satellites.push_back(sat);
  return sky;
}
