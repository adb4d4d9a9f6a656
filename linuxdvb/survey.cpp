// The power survey: mainline drivers have no spectrum call, so the AGC's strength at small
// symbol-rate tunes across the band stands in for one, and carriers are found in it.
#include <linux/dvb/frontend.h>

#include <algorithm>
#include <cmath>

#include "frontend_io.h"

namespace {

constexpr int kBlockBins = 20;       // floor blocks: quiet stretches are rarely wider
constexpr double kOccupiedDb = 1.5;  // a block minimum this far above the line is a carrier
constexpr double kMinThresholdDb = 1.0;
constexpr double kLoneStepFactor = 2.0;
constexpr double kDipDb = 3.0;  // neighbours: the level between them falls below half

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// Reading scatter, from the differences of neighbours. Carrier edges make large differences,
// and a band of narrow carriers is half edges, so the lower quartile is taken: for scatter
// alone it lies at 0.4506 sigma.
double Scatter(const std::vector<double>& db) {
  std::vector<double> diffs;
  for (size_t i = 1; i < db.size(); ++i) diffs.push_back(std::fabs(db[i] - db[i - 1]));
  if (diffs.empty()) return 0;
  std::nth_element(diffs.begin(), diffs.begin() + diffs.size() / 4, diffs.end());
  return diffs[diffs.size() / 4] / 0.4506;
}

void FitLine(const std::vector<double>& x, const std::vector<double>& y,
             const std::vector<bool>& use, double* a, double* b) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    if (!use[i]) continue;
    n += 1, sx += x[i], sy += y[i], sxx += x[i] * x[i], sxy += x[i] * y[i];
  }
  double det = n * sxx - sx * sx;
  *b = (n > 1 && det != 0) ? (n * sxy - sx * sy) / det : 0;
  *a = n > 0 ? (sy - *b * sx) / n : 0;
}

// The floor per bin: minima of quiet blocks, lifted by the scatter's expected minimum and
// joined by straight lines; busy blocks take the line between their quiet neighbours.
std::vector<double> Floor(const std::vector<double>& db, double sigma) {
  const int n = static_cast<int>(db.size());
  std::vector<double> centre, low;
  for (int s = 0; s < n; s += kBlockBins) {
    int e = std::min(n, s + kBlockBins);
    centre.push_back((s + e - 1) / 2.0);
    low.push_back(*std::min_element(db.begin() + s, db.begin() + e) +
                  1.87 * sigma * std::min(1.0, (e - s) / double(kBlockBins)));
  }
  std::vector<bool> quiet(low.size(), true);
  double a = 0, b = 0;
  for (int round = 0; round < 4; ++round) {
    FitLine(centre, low, quiet, &a, &b);
    for (size_t k = 0; k < low.size(); ++k) quiet[k] = low[k] <= a + b * centre[k] + kOccupiedDb;
  }
  std::vector<double> xs, ys;
  for (size_t k = 0; k < low.size(); ++k) {
    if (quiet[k]) xs.push_back(centre[k]), ys.push_back(low[k]);
  }
  std::vector<double> floor(n);
  for (int i = 0; i < n; ++i) {
    if (xs.empty()) {
      floor[i] = a + b * i;
      continue;
    }
    size_t k = std::upper_bound(xs.begin(), xs.end(), double(i)) - xs.begin();
    if (k == 0)
      floor[i] = ys.front();
    else if (k == xs.size())
      floor[i] = ys.back();
    else
      floor[i] = ys[k - 1] + (ys[k] - ys[k - 1]) * (i - xs[k - 1]) / (xs[k] - xs[k - 1]);
  }
  return floor;
}

// Splits [first, last] at dips where the excess falls below half of the peaks on both sides.
void SplitAtDips(const std::vector<double>& x, int first, int last,
                 std::vector<std::pair<int, int>>* out) {
  for (int j = first + 1; j < last; ++j) {
    if (x[j] > x[j - 1] || x[j] > x[j + 1]) continue;
    double left = *std::max_element(x.begin() + first, x.begin() + j);
    double right = *std::max_element(x.begin() + j + 1, x.begin() + last + 1);
    double dip = std::pow(10.0, -kDipDb / 10.0);
    if (x[j] < left * dip && x[j] < right * dip) {
      SplitAtDips(x, first, j - 1, out);
      SplitAtDips(x, j + 1, last, out);
      return;
    }
  }
  out->push_back({first, last});
}

// Where the excess crosses `half` between bins, walking outwards from inside the region.
// The walk stays in the region [first, last]: past a dip lies the neighbour.
double Edge(const std::vector<double>& x, int first, int last, int inside, int step, double half,
            double start, double stepMHz) {
  int i = inside;
  while (i + step >= first && i + step <= last && x[i + step] >= half) i += step;
  int o = i + step;
  if (o < 0 || o >= static_cast<int>(x.size())) return start + (i + 0.5 * step) * stepMHz;
  if (x[o] >= x[i]) return start + (i + 0.5 * step) * stepMHz;
  double t = (x[i] - half) / (x[i] - x[o]);
  return start + (i + step * std::clamp(t, 0.0, 1.0)) * stepMHz;
}

}  // namespace

std::vector<SurveyCarrier> CarriersAbove(const std::vector<double>& db,
                                         const std::vector<double>& floor, double sigma,
                                         double startMHz, double stepMHz, SurveyExcess* out) {
  const int n = static_cast<int>(db.size());
  std::vector<double> excess(n);  // linear, relative to the floor
  for (int i = 0; i < n; ++i) excess[i] = std::pow(10.0, (db[i] - floor[i]) / 10.0) - 1.0;
  const double threshold = std::pow(10.0, std::max(kMinThresholdDb, 4 * sigma) / 10.0) - 1.0;
  if (out != nullptr) *out = {excess, threshold, floor, sigma};
  std::vector<std::pair<int, int>> regions;
  for (int i = 0; i < n;) {
    if (excess[i] <= threshold) {
      ++i;
      continue;
    }
    int j = i;
    while (j + 1 < n && excess[j + 1] > threshold) ++j;
    // A lone step just over the threshold is the scatter's doing more often than a carrier's:
    // a carrier spreads over the filter's width and shows in two steps, or stands out more.
    if (i == j && excess[i] < threshold * kLoneStepFactor) {
      i = j + 1;
      continue;
    }
    SplitAtDips(excess, i, j, &regions);
    i = j + 1;
  }
  std::vector<SurveyCarrier> found;
  for (auto [first, last] : regions) {
    std::vector<double> top(excess.begin() + first, excess.begin() + last + 1);
    std::sort(top.begin(), top.end());
    top.erase(top.begin(), top.begin() + top.size() / 2);
    double plateau = Median(top);
    int peak = static_cast<int>(
        std::max_element(excess.begin() + first, excess.begin() + last + 1) - excess.begin());
    double left = Edge(excess, first, last, peak, -1, plateau / 2, startMHz, stepMHz);
    double right = Edge(excess, first, last, peak, +1, plateau / 2, startMHz, stepMHz);
    found.push_back({(left + right) / 2, right - left, 10 * std::log10(1 + plateau)});
  }
  return found;
}

std::vector<SurveyCarrier> FindCarriers(const std::vector<double>& db, double startMHz,
                                        double stepMHz, SurveyExcess* out) {
  if (db.size() < 3) return {};
  double sigma = Scatter(db);
  return CarriersAbove(db, Floor(db, sigma), sigma, startMHz, stepMHz, out);
}

std::vector<SurveyCarrier> Leftovers(const SurveyExcess& e, double startMHz, double stepMHz,
                                     const std::function<bool(double)>& taken) {
  std::vector<SurveyCarrier> found;
  const int n = static_cast<int>(e.excess.size());
  auto open = [&](int i) { return e.excess[i] > e.threshold && !taken(startMHz + i * stepMHz); };
  for (int i = 0; i < n;) {
    if (!open(i)) {
      ++i;
      continue;
    }
    int j = i;
    while (j + 1 < n && open(j + 1)) ++j;
    if (j > i) {
      // Half-power edges inside the run, against its plateau: the step beside a locked
      // carrier still holds that carrier's skirt and would stand for the peak. A side that
      // meets a locked carrier ends there.
      std::vector<double> top(e.excess.begin() + i, e.excess.begin() + j + 1);
      std::sort(top.begin(), top.end());
      top.erase(top.begin(), top.begin() + top.size() / 2);
      double peak = Median(top);
      int a = i, b = j;
      while (a < b && e.excess[a] < peak / 2) ++a;
      while (b > a && e.excess[b] < peak / 2) --b;
      double left = startMHz + (a - (a > i ? 0.5 : 0.0)) * stepMHz;
      double right = startMHz + (b + (b < j ? 0.5 : 0.0)) * stepMHz;
      found.push_back({(left + right) / 2, right - left + stepMHz, 10 * std::log10(1 + peak)});
    }
    i = j + 1;
  }
  return found;
}

double WidthAround(const SurveyExcess& e, double startMHz, double stepMHz, double centreMHz,
                   const std::function<bool(double)>& taken) {
  const int n = static_cast<int>(e.excess.size());
  if (n == 0) return 0;
  auto at = [&](double f) {
    double x = std::clamp((f - startMHz) / stepMHz, 0.0, n - 1.0);
    int i = std::min(static_cast<int>(x), n - 1), j = std::min(i + 1, n - 1);
    return e.excess[i] + (e.excess[j] - e.excess[i]) * (x - i);
  };
  const double half = at(centreMHz) / 2, fine = 0.25, most = n * stepMHz;
  double reach[2] = {0, 0};
  for (int side = 0; side < 2; ++side) {
    double dir = side == 0 ? -1 : 1, d = fine;
    while (d < most && at(centreMHz + dir * d) >= half && !taken(centreMHz + dir * d)) d += fine;
    reach[side] = d;
  }
  return 2 * std::min(reach[0], reach[1]);
}

uint32_t SurveyRate(const DvbDevice* d) {
  return d->tuneBlocks == 1 ? d->settings.blockingSurveySymbolRate : d->settings.surveySymbolRate;
}

int RunSurvey(DvbDevice* d, double lowMHz, double highMHz, std::vector<double>* levels,
              double stepMHz) {
  levels->clear();
  const DvbScanSettings& s = d->settings;
  if (stepMHz <= 0) stepMHz = s.surveyStepMHz;
  for (double f = lowMHz; f <= highMHz + 1e-9; f += stepMHz) {
    uint64_t before = d->sys.nowUs();
    uint32_t rate = SurveyRate(d);
    int r = TuneTo(d, static_cast<uint32_t>(std::lround(f * 1000)), rate, SYS_DVBS);
    if (r < 0) return r;
    if (d->tuneBlocks < 0) {
      d->tuneBlocks = d->sys.nowUs() - before > s.blockingTuneMs * 1000u ? 1 : 0;
      if (SurveyRate(d) != rate) return RunSurvey(d, lowMHz, highMHz, levels, stepMHz);
    }
    d->sys.sleepMs(s.surveySettleMs);
    double db = 0;
    if (!ReadStrength(d, &db)) return 0;
    levels->push_back(db);
    ++d->counters.surveySteps;
  }
  return 1;
}
