// Fine stage: a zoomed measurement of each region, its floor taken from the coarse sweep, and
// the half-power points, which lie exactly one symbol rate apart whatever the roll-off.
#include <algorithm>
#include <cmath>

#include "detect.h"

namespace {

constexpr int kZoomBins = 256;

double FloorAt(const CoarseResult& found, const SpectrumGrid& grid, double f) {
  double pos = (f - grid.startMHz) / grid.binMHz;
  int n = static_cast<int>(found.floorDb.size());
  int i = std::clamp(static_cast<int>(std::floor(pos)), 0, n - 2);
  double t = std::clamp(pos - i, 0.0, 1.0);
  return found.floorDb[i] * (1 - t) + found.floorDb[i + 1] * t;
}

// Excess over the floor (linear, 0 on the floor), lightly smoothed.
std::vector<double> ZoomExcess(const std::vector<float>& p, const SpectrumGrid& zoom,
                               const CoarseResult& found, const SpectrumGrid& coarse) {
  std::vector<double> e(p.size()), s(p.size());
  for (size_t i = 0; i < p.size(); ++i) {
    double f = zoom.startMHz + i * zoom.binMHz;
    e[i] = p[i] / std::pow(10.0, FloorAt(found, coarse, f) / 10.0) - 1.0;
  }
  for (size_t i = 0; i < e.size(); ++i) {
    size_t a = i >= 2 ? i - 2 : 0, b = std::min(e.size() - 1, i + 2);
    double sum = 0;
    for (size_t k = a; k <= b; ++k) sum += e[k];
    s[i] = sum / static_cast<double>(b - a + 1);
  }
  return s;
}

double MedianOf(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// Walks from `from` by `step` until the excess falls under `level`; returns the fractional bin
// of the crossing, or `stop` when a shared dip is reached first.
double Crossing(const std::vector<double>& e, int from, int step, int stop, double level) {
  for (int i = from; i != stop; i += step) {
    int next = i + step;
    if (e[next] < level) {
      double t = (e[i] - level) / std::max(e[i] - e[next], 1e-12);
      return i + step * t;
    }
  }
  return stop;
}

Candidate RefineOne(const SpectrumSource& source, const SpectrumGrid& coarse,
                    const CoarseResult& found, const Region& r, SimRng& rng) {
  double lo = coarse.startMHz + r.first * coarse.binMHz;
  double hi = coarse.startMHz + r.last * coarse.binMHz;
  double width = hi - lo + coarse.binMHz;
  double margin = 0.3 * width + 2 * coarse.binMHz;
  SpectrumGrid zoom{lo - margin, (hi - lo + 2 * margin) / (kZoomBins - 1), kZoomBins};
  std::vector<float> p;
  MeasureSpectrum(source, zoom, rng, &p);
  std::vector<double> e = ZoomExcess(p, zoom, found, coarse);
  int first = static_cast<int>(std::lround((lo - zoom.startMHz) / zoom.binMHz));
  int last = static_cast<int>(std::lround((hi - zoom.startMHz) / zoom.binMHz));
  int q = (last - first) / 4;
  double top = MedianOf(std::vector<double>(e.begin() + first + q, e.begin() + last - q + 1));
  int mid = (first + last) / 2;
  double left = Crossing(e, mid, -1, r.dipLeft ? first : 0, top / 2);
  double right = Crossing(e, mid, 1, r.dipRight ? last : kZoomBins - 1, top / 2);
  Candidate c;
  c.centreMHz = zoom.startMHz + 0.5 * (left + right) * zoom.binMHz;
  c.symbolRate = std::max(right - left, 0.5) * zoom.binMHz * 1e6;
  c.widthMHz = c.symbolRate * 1.35e-6;
  c.esn0Db = 10.0 * std::log10(std::max(top, 1e-3));
  return c;
}

}  // namespace

std::vector<Candidate> RefineRegions(const SpectrumSource& source, const SpectrumGrid& coarse,
                                     const CoarseResult& found, SimRng& rng) {
  std::vector<Candidate> out;
  for (const Region& r : found.regions) out.push_back(RefineOne(source, coarse, found, r, rng));
  return out;
}

std::vector<Candidate> DetectCarriers(const SpectrumSource& source, const SpectrumGrid& grid,
                                      SimRng& rng) {
  std::vector<float> power;
  MeasureSpectrum(source, grid, rng, &power);
  CoarseResult found = FindRegions(power);
  return RefineRegions(source, grid, found, rng);
}
