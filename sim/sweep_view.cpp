// From the switch and dish state to the carriers at the tuner input.
#include <algorithm>
#include <cmath>

#include "link.h"
#include "raised_cosine.h"
#include "sweep.h"

namespace {

constexpr double kTunerLow = 950.0;
constexpr double kTunerHigh = 2150.0;

// A real card's voltage and tone follow the polarisation and start frequency of each sweep.
bool HighBand(const SweepRequest& r) {
  return r.lofsw != 0 ? r.start >= r.lofsw : r.lof2 != 0;
}

void AddArrivals(const SimDevice& d, const SkySatellite& sat, double lossDb, bool vertical,
                 double realLo, SweepView* view) {
  bool inverted = IsInverting(d, realLo);
  for (const SkyTransponder& tp : sat.transponders) {
    if (((tp.polarisation & 1u) != 0) != vertical) continue;
    double f = RfToIf(tp.frequencyMHz, realLo, inverted);
    if (f < kTunerLow - 60 || f > kTunerHigh + 60) continue;
    Arrival a{&tp, f, TransponderEsN0Db(d.sky.lnb, tp) - lossDb, inverted};
    view->arrivals.push_back(a);
    Emitter e;
    e.centreMHz = f;
    e.symbolRate = tp.symbolRate;
    e.alpha = RollOffFactor(tp.rollOff);
    e.esn0 = std::pow(10.0, a.esn0Db / 10.0);
    e.source = static_cast<int32_t>(view->arrivals.size() - 1);
    view->source.emitters.push_back(e);
  }
}

}  // namespace

bool IsInverting(const SimDevice& d, double lo) {
  return lo != 0 && (lo <= d.lnbMid || lo >= d.lnbStk);
}

double RfToIf(double rf, double lo, bool inverted) {
  if (lo == 0) return rf;
  return inverted ? lo - rf : rf - lo;
}

double IfToRf(double f, double lo, bool inverted) {
  if (lo == 0) return f;
  return inverted ? lo - f : f + lo;
}

SweepView ViewFor(const SimDevice& d, const SweepRequest& r, double now) {
  SweepView view;
  bool high = HighBand(r);
  view.passedLoMHz = (high ? r.lof2 : r.lof1) / 1000.0;
  view.passedInverted = IsInverting(d, view.passedLoMHz);
  double a = RfToIf(r.start / 1000.0, view.passedLoMHz, view.passedInverted);
  double b = RfToIf(r.stop / 1000.0, view.passedLoMHz, view.passedInverted);
  view.ifLow = std::max(std::min(a, b), kTunerLow);
  view.ifHigh = std::min(std::max(a, b), kTunerHigh);
  const SkyLnb& lnb = d.sky.lnb;
  double realLo = high && lnb.lo[1] != 0 ? lnb.lo[1] : lnb.lo[0];
  bool vertical = r.polarisation == 1 || r.polarisation == 3;
  for (const SeenSatellite& s : SeenSatellites(d.sky, d.dish, now)) {
    AddArrivals(d, d.sky.satellites[s.satellite], s.lossDb, vertical, realLo, &view);
  }
  std::sort(view.source.emitters.begin(), view.source.emitters.end(),
            [](const Emitter& x, const Emitter& y) { return x.centreMHz < y.centreMHz; });
  view.source.gain = {lnb.gainTilt, lnb.ripple, lnb.ripplePeriod, lnb.ripplePhase};
  return view;
}
