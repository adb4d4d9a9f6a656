// Fine stage: a zoomed measurement of each region, its floor taken from the coarse sweep. The
// zoom parts neighbours the coarse bins could not, and its half-power points, which lie one
// symbol rate apart whatever the roll-off, give centre and symbol rate.
#include <algorithm>
#include <cmath>

#include "detect.h"

namespace {

constexpr int kZoomBins = 256;
constexpr double kNarrowestSymbolRate = 150e3;
constexpr double kFaintestEsN0Db = -5.0;
// Most the LNB ripple (2 dB per 36 MHz) lifts the spectrum per MHz; a bump that gentle is no dip.
constexpr double kRippleSlopeDbPerMHz = 0.09;

// One zoomed look at a region: excess over the floor, linear (0 on the floor), and in dB of
// total power for finding dips; bins [first, last] are the region itself.
struct Zoom {
  SpectrumGrid grid;
  std::vector<double> excess;
  std::vector<double> db;
  int first = 0;
  int last = 0;
  double dbScatter = 0;  // of one smoothed dB value
};

double FloorAt(const CoarseResult& found, const SpectrumGrid& grid, double f) {
  double pos = (f - grid.startMHz) / grid.binMHz;
  int n = static_cast<int>(found.floorDb.size());
  int i = std::clamp(static_cast<int>(std::floor(pos)), 0, n - 2);
  double t = std::clamp(pos - i, 0.0, 1.0);
  return found.floorDb[i] * (1 - t) + found.floorDb[i + 1] * t;
}

std::vector<double> MovingMean(const std::vector<double>& v, int half) {
  std::vector<double> out(v.size());
  const int n = static_cast<int>(v.size());
  for (int i = 0; i < n; ++i) {
    int a = std::max(0, i - half), b = std::min(n - 1, i + half);
    double sum = 0;
    for (int k = a; k <= b; ++k) sum += v[k];
    out[i] = sum / (b - a + 1);
  }
  return out;
}

// Measures [lo, hi] MHz with a margin either side, against the coarse floor.
Zoom Measure(const SpectrumSource& source, const SpectrumGrid& coarse, const CoarseResult& found,
             double lo, double hi, SimRng& rng) {
  double margin = 0.3 * (hi - lo) + 3 * coarse.binMHz;
  Zoom z;
  z.grid = {lo - margin, (hi - lo + 2 * margin) / (kZoomBins - 1), kZoomBins};
  std::vector<float> p;
  MeasureSpectrum(source, z.grid, rng, &p);
  std::vector<double> e(p.size());
  for (size_t i = 0; i < p.size(); ++i) {
    double f = z.grid.startMHz + i * z.grid.binMHz;
    e[i] = p[i] / std::pow(10.0, FloorAt(found, coarse, f) / 10.0) - 1.0;
  }
  z.first = static_cast<int>(std::lround((lo - z.grid.startMHz) / z.grid.binMHz));
  z.last = static_cast<int>(std::lround((hi - z.grid.startMHz) / z.grid.binMHz));
  int half = std::max(2, (z.last - z.first) / 40);
  z.excess = MovingMean(e, half);
  z.db.resize(e.size());
  for (size_t i = 0; i < e.size(); ++i) z.db[i] = 10 * std::log10(std::max(1 + z.excess[i], 1e-3));
  z.dbScatter = found.scatterDb / std::sqrt(2.0 * half + 1);
  return z;
}

// Rise from bin m to the highest point of [a, b], less what ripple could give over the distance.
double RiseFrom(const Zoom& z, int m, int a, int b) {
  double best = -1e9, perBin = kRippleSlopeDbPerMHz * z.grid.binMHz;
  for (int i = a; i <= b; ++i) best = std::max(best, z.db[i] - perBin * std::abs(i - m));
  return best - z.db[m];
}

// Parts of the region between dips deep enough on both sides to part two carriers.
std::vector<Region> PartAtDips(const Zoom& z, const Region& coarse) {
  std::vector<Region> parts;
  Region part{z.first, z.last, coarse.dipLeft, false};
  double depth = std::max(0.5, 7.0 * z.dbScatter);
  for (int m = z.first + 2; m <= z.last - 2; ++m) {
    if (z.db[m] > z.db[m - 1] || z.db[m] > z.db[m + 1]) continue;
    if (RiseFrom(z, m, part.first, m) < depth || RiseFrom(z, m, m, z.last) < depth) continue;
    part.last = m;
    part.dipRight = true;
    parts.push_back(part);
    part = {m, z.last, true, false};
  }
  part.dipRight = coarse.dipRight;
  parts.push_back(part);
  return parts;
}

double MedianOf(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// Where a straight line through the skirt between a quarter and three quarters of the top
// crosses `level`; near the crossing bin c, using the points of that stretch.
double FittedCrossing(const std::vector<double>& e, int c, double level) {
  const int n = static_cast<int>(e.size());
  double sx = 0, sy = 0, sxx = 0, sxy = 0, count = 0;
  for (int i = std::max(0, c - 12); i <= std::min(n - 1, c + 12); ++i) {
    if (e[i] < 0.5 * level || e[i] > 1.5 * level) continue;
    sx += i, sy += e[i], sxx += double(i) * i, sxy += i * e[i], ++count;
  }
  double det = count * sxx - sx * sx;
  if (count < 3 || std::fabs(det) < 1e-9) return -1;
  double slope = (count * sxy - sx * sy) / det;
  if (std::fabs(slope) < 1e-12) return -1;
  double x = (level - (sy - slope * sx) / count) / slope;
  return std::fabs(x - c) <= 3 ? x : -1;
}

// Walks from `from` by `step` until the excess falls under `level`; returns the fractional bin
// of the crossing. A dip shared with a neighbour may stay above the level: then the walk ends
// at `stop` and the lowest point on the way stands for the edge.
double Crossing(const std::vector<double>& e, int from, int step, int stop, double level) {
  int lowest = from;
  for (int i = from; i != stop; i += step) {
    int next = i + step;
    if (e[next] < level) {
      double fitted = FittedCrossing(e, i, level);
      if (fitted >= 0) return fitted;
      double t = (e[i] - level) / std::max(e[i] - e[next], 1e-12);
      return i + step * t;
    }
    if (e[next] < e[lowest]) lowest = next;
  }
  return lowest;
}

// The level of the highest plateau of a part: the median of the bins above half its peak, so
// that floor or a neighbour's skirt sharing the part does not pull the level down.
double PlateauLevel(const Zoom& z, const Region& part, int* peak) {
  *peak = part.first;
  for (int i = part.first; i <= part.last; ++i) *peak = z.excess[i] > z.excess[*peak] ? i : *peak;
  std::vector<double> upper;
  for (int i = part.first; i <= part.last; ++i) {
    if (z.excess[i] >= 0.5 * z.excess[*peak]) upper.push_back(z.excess[i]);
  }
  return MedianOf(upper);
}

// Where a carrier's skirt ends beyond its half-power point: it has fallen to a few per cent of
// the top, or it rises again into a neighbour.
int SkirtEnd(const std::vector<double>& e, int from, int step, int stop, double top) {
  int i = from;
  while (i != stop && e[i] > 0.03 * top && e[i + step] <= e[i]) i += step;
  return i;
}

// A stretch to look for a carrier in: its plateau lies within `area`, its edges within
// [limitLeft, limitRight]; it counts only when its level exceeds `minimumTop`.
struct Search {
  Region area;
  int limitLeft = 0;
  int limitRight = 0;
  double minimumTop = 0;
};

// Half-power points around the plateau at `peak`, and the carrier they make.
bool EdgesAround(const Zoom& z, const Search& s, int peak, double top, Candidate* c, double* left,
                 double* right) {
  if (top <= s.minimumTop) return false;
  *left = Crossing(z.excess, peak, -1, s.limitLeft, top / 2);
  *right = Crossing(z.excess, peak, 1, s.limitRight, top / 2);
  if (*right - *left < 0.5) return false;
  c->centreMHz = z.grid.startMHz + 0.5 * (*left + *right) * z.grid.binMHz;
  c->symbolRate = (*right - *left) * z.grid.binMHz * 1e6;
  c->widthMHz = c->symbolRate * 1.35e-6;
  c->esn0Db = 10.0 * std::log10(top);
  return true;
}

// The carrier around the highest plateau: half-power points on either side of it.
bool Estimate(const Zoom& z, const Search& s, Candidate* c, double* left, double* right,
              double* top) {
  Region area = s.area;
  // On a shoulder, the stretch may begin or end on the neighbour's falling skirt: skip it.
  while (s.minimumTop > 0 && area.first < area.last &&
         z.excess[area.first + 1] < z.excess[area.first]) {
    ++area.first;
  }
  while (s.minimumTop > 0 && area.last > area.first &&
         z.excess[area.last - 1] < z.excess[area.last]) {
    --area.last;
  }
  int peak = 0;
  *top = PlateauLevel(z, area, &peak);
  // ... and what is left must stand a dB proud of both its ends to be a carrier of its own.
  double ends = std::max(z.excess[area.first], z.excess[area.last]);
  if (s.minimumTop > 0 && (peak <= area.first || peak >= area.last || *top < 1.26 * ends)) {
    return false;
  }
  return EdgesAround(z, s, peak, *top, c, left, right);
}

// A stretch beside a found carrier too narrow for this zoom to show what sits there: it gets
// a zoom of its own. Frequencies in MHz; the limits bound the edges of what is found there.
struct Shoulder {
  double lo, hi, limitLeft, limitRight;
};

double BinFrequency(const Zoom& z, double bin) {
  return z.grid.startMHz + bin * z.grid.binMHz;
}

void LookCloser(const SpectrumSource& source, const SpectrumGrid& coarse, const CoarseResult& found,
                const Shoulder& s, SimRng& rng, std::vector<Candidate>* out) {
  Zoom z = Measure(source, coarse, found, s.lo, s.hi, rng);
  auto bin = [&](double f) {
    return std::clamp(static_cast<int>(std::lround((f - z.grid.startMHz) / z.grid.binMHz)), 0,
                      kZoomBins - 1);
  };
  Search search{{z.first, z.last}, bin(s.limitLeft), bin(s.limitRight), std::pow(10.0, 0.2) - 1};
  Candidate c;
  double left = 0, right = 0, top = 0;
  if (Estimate(z, search, &c, &left, &right, &top)) out->push_back(c);
}

// Every carrier of a part: the strongest first, then whatever stands clear of its skirts on
// either side, such as a weak feed on the shoulder of a strong transponder. Those need 2 dB
// over the floor, so a floor a little off does not turn into carriers.
void EstimateAll(const Zoom& z, const Region& part, std::vector<Candidate>* out,
                 std::vector<Shoulder>* closer) {
  const double shoulderTop = std::pow(10.0, 0.2) - 1.0;
  int limitLeft = part.dipLeft ? part.first : 0;
  int limitRight = part.dipRight ? part.last : kZoomBins - 1;
  std::vector<Search> work = {{part, limitLeft, limitRight, 0.0}};
  for (int round = 0; round < 8 && !work.empty(); ++round) {
    Search s = work.back();
    work.pop_back();
    Candidate c;
    double left = 0, right = 0, top = 0;
    if (!Estimate(z, s, &c, &left, &right, &top)) continue;
    out->push_back(c);
    int l = static_cast<int>(std::floor(left)), r = static_cast<int>(std::ceil(right));
    int a = SkirtEnd(z.excess, std::max(l, s.limitLeft), -1, s.limitLeft, top);
    int b = SkirtEnd(z.excess, std::min(r, s.limitRight), 1, s.limitRight, top);
    std::vector<Search> sides;
    if (a - s.area.first >= 4) sides.push_back({{s.area.first, a}, s.limitLeft, l, shoulderTop});
    if (s.area.last - b >= 4) sides.push_back({{b, s.area.last}, r, s.limitRight, shoulderTop});
    for (const Search& side : sides) {
      if (side.area.last - side.area.first >= kZoomBins / 6) {
        work.push_back(side);
      } else {
        closer->push_back({BinFrequency(z, side.area.first), BinFrequency(z, side.area.last),
                           BinFrequency(z, side.limitLeft), BinFrequency(z, side.limitRight)});
      }
    }
  }
}

}  // namespace

std::vector<Candidate> RefineRegions(const SpectrumSource& source, const SpectrumGrid& coarse,
                                     const CoarseResult& found, SimRng& rng) {
  std::vector<Candidate> out;
  for (const Region& r : found.regions) {
    Zoom z = Measure(source, coarse, found, coarse.startMHz + r.first * coarse.binMHz,
                     coarse.startMHz + r.last * coarse.binMHz, rng);
    std::vector<Shoulder> closer;
    for (const Region& part : PartAtDips(z, r)) EstimateAll(z, part, &out, &closer);
    for (const Shoulder& s : closer) LookCloser(source, coarse, found, s, rng, &out);
  }
  // Slivers narrower than any carrier the card can take, or fainter than any modcod could use,
  // are scatter and floor error rather than carriers.
  std::erase_if(out, [](const Candidate& c) {
    return c.symbolRate < kNarrowestSymbolRate || c.esn0Db < kFaintestEsN0Db;
  });
  return out;
}

std::vector<Candidate> DetectCarriers(const SpectrumSource& source, const SpectrumGrid& grid,
                                      SimRng& rng) {
  std::vector<float> power;
  MeasureSpectrum(source, grid, rng, &power);
  CoarseResult found = FindRegions(power);
  return RefineRegions(source, grid, found, rng);
}
