// The lock attempt at a candidate: the demodulator searches a little around the estimated
// frequency and symbol rate, and holds the carrier when its Es/N0 clears the modcod's need.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "link.h"
#include "raised_cosine.h"
#include "sweep.h"

namespace {

// How far off the estimate the demodulator still acquires.
constexpr double kSymbolRateTolerance = 0.12;
constexpr double kCentreTolerance = 0.2;  // of the symbol rate
constexpr double kLowestSymbolRate = 100e3;

// The strongest arrival the demodulator would acquire from this candidate, or -1.
int Acquired(const SweepView& view, const Candidate& c) {
  int best = -1;
  for (size_t i = 0; i < view.arrivals.size(); ++i) {
    const Arrival& a = view.arrivals[i];
    double sr = a.tp->symbolRate;
    if (sr < kLowestSymbolRate) continue;
    if (std::fabs(c.symbolRate / sr - 1.0) > kSymbolRateTolerance) continue;
    if (std::fabs(c.centreMHz - a.ifMHz) * 1e6 > std::max(kCentreTolerance * sr, 50e3)) continue;
    if (best < 0 || a.esn0Db > view.arrivals[best].esn0Db) best = static_cast<int>(i);
  }
  return best;
}

int32_t LevelDbm(const SimDevice& d, const SweepView& view, double ifMHz, double sr,
                 double esn0Db) {
  double level =
      FloorDbmPerHz(d.sky.lnb) + GainDbAt(view.source.gain, ifMHz) + 10.0 * std::log10(sr) + esn0Db;
  return static_cast<int32_t>(std::lround(level));
}

uint32_t Rf(const SweepView& view, double ifMHz) {
  double rf = IfToRf(ifMHz, view.passedLoMHz, view.passedInverted);
  return static_cast<uint32_t>(std::lround(std::max(rf, 0.0) * 1000.0));
}

void FillLocked(const SimDevice& d, const SweepView& view, const Arrival& a, SimRng& rng,
                TransponderRecord* r) {
  const SkyTransponder& tp = *a.tp;
  double ifMHz = a.ifMHz + 1e-3 * std::clamp(Gaussian(rng), -3.0, 3.0);  // carrier loop
  r->locked = 1;
  r->frequency = Rf(view, ifMHz);
  r->symbolRate = static_cast<uint32_t>(std::lround(tp.symbolRate));
  r->deliverySystem = tp.deliverySystem;
  r->modulation = tp.modulation;
  r->codeRate = tp.codeRate;
  // The spectrum is told on the RF side: an oscillator above the band turns it over.
  bool flipped = a.inverted != view.passedInverted;
  r->spectrum = flipped ? 3 - tp.spectrum : tp.spectrum;
  r->rollOff = tp.rollOff;
  r->pilot = tp.pilot;
  r->frame = tp.frame;
  r->codingMode = tp.codingMode;
  r->streamType = tp.streamType;
  r->streamCount = static_cast<uint32_t>(tp.streamIds.size());
  if (!tp.streamIds.empty()) std::memcpy(r->streamIds, tp.streamIds.data(), tp.streamIds.size());
  r->carrierWidth = static_cast<uint32_t>(
      std::lround(tp.symbolRate * (1.0 + RollOffFactor(tp.rollOff)) / 1000.0));
  r->bitRate = static_cast<uint32_t>(std::lround(TransponderBitRate(tp)));
  r->rfLevel = LevelDbm(d, view, a.ifMHz, tp.symbolRate, a.esn0Db);
  r->snr = a.esn0Db + std::clamp(0.08 * Gaussian(rng), -0.25, 0.25);
}

void FillUnlocked(const SimDevice& d, const SweepView& view, const Candidate& c,
                  TransponderRecord* r) {
  r->locked = 0;
  r->frequency = Rf(view, c.centreMHz);
  r->symbolRate = static_cast<uint32_t>(std::lround(c.symbolRate));
  r->carrierWidth = static_cast<uint32_t>(std::lround(c.widthMHz * 1000.0));
  r->rfLevel = LevelDbm(d, view, c.centreMHz, c.symbolRate, c.esn0Db);
  r->snr = c.esn0Db;
}

}  // namespace

TransponderRecord Demodulate(const SimDevice& d, const SweepView& view, const SweepRequest& req,
                             const Candidate& c, SimRng& rng) {
  TransponderRecord r{};
  r.polarisation = req.polarisation;
  int index = Acquired(view, c);
  // Right at the threshold the outcome wavers by a tenth of a dB either way.
  double wobble = Uniform(rng, -0.1, 0.1);
  if (index >= 0) {
    const Arrival& a = view.arrivals[index];
    if (a.esn0Db >= TransponderRequirementDb(*a.tp) + wobble) {
      FillLocked(d, view, a, rng, &r);
      return r;
    }
  }
  FillUnlocked(d, view, c, &r);
  return r;
}
