// Coarse stage: where does the spectrum rise above its floor, and where do neighbours part.
#include <algorithm>
#include <cmath>

#include "baseline.h"
#include "detect.h"

namespace {

constexpr int kFloorBlock = 20;
// Most the LNB ripple can lift the spectrum per MHz, so a gentle bump is not taken for a dip.
constexpr double kRippleSlopeDbPerBin = 0.01;

std::vector<double> Smooth3(const std::vector<double>& v) {
  std::vector<double> out(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    double sum = v[i], n = 1;
    if (i > 0) sum += v[i - 1], ++n;
    if (i + 1 < v.size()) sum += v[i + 1], ++n;
    out[i] = sum / n;
  }
  return out;
}

// Stretches where the smoothed excess stays above `threshold`, short gaps bridged.
std::vector<Region> AboveThreshold(const std::vector<double>& excess, double threshold) {
  std::vector<Region> regions;
  const int n = static_cast<int>(excess.size());
  for (int i = 0; i < n; ++i) {
    if (excess[i] <= threshold) continue;
    // Scatter nicks a weak carrier's top; a gap short for the stretch around it is bridged,
    // and a true gap between carriers is parted again at its dip.
    if (!regions.empty() &&
        i - regions.back().last <= 2 + std::min(4, (i - regions.back().first) / 20)) {
      regions.back().last = i;
    } else {
      regions.push_back({i, i});
    }
  }
  return regions;
}

// A region is a carrier when its mean excess stands out of the scatter over its length.
bool Significant(const std::vector<double>& excess, const Region& r, double scatter) {
  int n = r.last - r.first + 1;
  if (n < 2) return false;
  double sum = 0;
  for (int i = r.first; i <= r.last; ++i) sum += excess[i];
  return sum / n > 7.0 * scatter / std::sqrt(static_cast<double>(n)) && sum / n > 0.5;
}

// Highest value between a and b inclusive, less the ripple allowance over the distance to m.
double RiseFrom(const std::vector<double>& s, int m, int a, int b) {
  double best = -1e9;
  for (int i = a; i <= b; ++i) best = std::max(best, s[i] - kRippleSlopeDbPerBin * std::abs(i - m));
  return best - s[m];
}

// Splits a region at every dip deep enough on both sides to part two carriers.
void SplitAtDips(const std::vector<double>& s, const Region& r, double depth,
                 std::vector<Region>* out) {
  Region part = r;
  for (int m = r.first + 2; m <= r.last - 2; ++m) {
    if (s[m] > s[m - 1] || s[m] > s[m + 1]) continue;
    if (RiseFrom(s, m, part.first, m) < depth || RiseFrom(s, m, m, r.last) < depth) continue;
    part.last = m;
    part.dipRight = true;
    out->push_back(part);
    part = {m, r.last, true, false};
  }
  out->push_back(part);
}

}  // namespace

CoarseResult FindRegions(const std::vector<float>& power) {
  CoarseResult result;
  std::vector<double> db(power.size());
  for (size_t i = 0; i < power.size(); ++i) db[i] = 10.0 * std::log10(std::max(power[i], 1e-12f));
  result.scatterDb = std::max(EstimateScatterDb(db), 0.02);
  EstimateFloorDb(db, kFloorBlock, result.scatterDb, &result.floorDb);
  std::vector<double> excess(db.size());
  for (size_t i = 0; i < db.size(); ++i) excess[i] = db[i] - result.floorDb[i];
  std::vector<double> smooth = Smooth3(excess);
  double threshold = 4.5 * result.scatterDb / std::sqrt(3.0);
  double depth = std::max(1.0, 8.0 * result.scatterDb / std::sqrt(3.0));
  for (const Region& r : AboveThreshold(smooth, threshold)) {
    if (Significant(excess, r, result.scatterDb)) SplitAtDips(smooth, r, depth, &result.regions);
  }
  return result;
}
