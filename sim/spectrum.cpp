#include "spectrum.h"

#include <algorithm>
#include <cmath>

#include "raised_cosine.h"

namespace {

constexpr double kIfLow = 950.0;
constexpr double kIfHigh = 2150.0;

// Adds one carrier's mean density over each bin it touches.
void AddCarrier(const Emitter& e, const SpectrumGrid& grid, std::vector<double>* density) {
  double srMHz = e.symbolRate * 1e-6;
  double half = srMHz * (1.0 + e.alpha) / 2.0 + grid.binMHz;
  int first = static_cast<int>(std::floor((e.centreMHz - half - grid.startMHz) / grid.binMHz));
  int last = static_cast<int>(std::ceil((e.centreMHz + half - grid.startMHz) / grid.binMHz));
  first = std::max(first, 0);
  last = std::min(last, grid.count - 1);
  double scale = e.esn0 * srMHz / grid.binMHz;
  for (int i = first; i <= last; ++i) {
    double f = grid.startMHz + i * grid.binMHz;
    double lo = (f - grid.binMHz / 2 - e.centreMHz) / srMHz;
    double hi = (f + grid.binMHz / 2 - e.centreMHz) / srMHz;
    (*density)[i] +=
        scale * (RaisedCosineCumulative(hi, e.alpha) - RaisedCosineCumulative(lo, e.alpha));
  }
}

}  // namespace

double GainDbAt(const GainShape& g, double ifMHz) {
  double tilt = -g.tiltDb * (ifMHz - kIfLow) / (kIfHigh - kIfLow);
  double ripple =
      0.5 * g.rippleDb * std::sin(6.283185307179586 * ifMHz / g.ripplePeriodMHz + g.ripplePhase);
  return tilt + ripple;
}

void MeasureSpectrum(const SpectrumSource& source, const SpectrumGrid& grid, SimRng& rng,
                     std::vector<float>* power) {
  std::vector<double> density(grid.count, 1.0);
  double low = grid.startMHz - 50.0, high = grid.startMHz + grid.count * grid.binMHz + 50.0;
  for (const Emitter& e : source.emitters) {
    if (e.centreMHz > low && e.centreMHz < high) AddCarrier(e, grid, &density);
  }
  const double lnScale = std::log(10.0) / 10.0;
  power->resize(grid.count);
  for (int i = 0; i < grid.count; ++i) {
    double f = grid.startMHz + i * grid.binMHz;
    double db = GainDbAt(source.gain, f) + source.scatterDb * Gaussian(rng);
    (*power)[i] = static_cast<float>(density[i] * std::exp(db * lnScale));
  }
}
