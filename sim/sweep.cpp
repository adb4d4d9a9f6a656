#include "sweep.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr double kCoarseBinMHz = 0.1;
constexpr double kEdgeMarginMHz = 40.0;
constexpr double kTunerLowMHz = 950.0;
constexpr double kTunerHighMHz = 2150.0;

void Pause(const SimDevice& d, double milliseconds) {
  if (!d.hardwarePace || milliseconds <= 0) return;
  std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(milliseconds * 1e3)));
}

// A real card takes a few milliseconds per MHz for its spectrum, and longer to try narrow
// carriers than wide ones; a failed attempt waits out its time-out.
constexpr double kSpectrumMsPerMHz = 3.0;

double LockMilliseconds(const TransponderRecord& r) {
  double sr = std::max<double>(r.symbolRate, 100e3);
  return (r.locked ? 60.0 : 300.0) + 1.5e8 / sr;
}

}  // namespace

std::vector<Candidate> DetectInView(const SweepView& view, SimRng& rng) {
  // The card looks a little past both ends, so a carrier on the edge is seen whole.
  double low = std::max(view.ifLow - kEdgeMarginMHz, kTunerLowMHz);
  double high = std::min(view.ifHigh + kEdgeMarginMHz, kTunerHighMHz);
  if (high - low < kCoarseBinMHz * 4) return {};
  SpectrumGrid grid{low, kCoarseBinMHz, static_cast<int32_t>((high - low) / kCoarseBinMHz) + 1};
  return DetectCarriers(view.source, grid, rng);
}

int RunSweep(SimDevice* d, const SweepRequest& req, double now, TransponderRecord* records,
             uint32_t* count, ProgressCallbackFn progress) {
  if (count != nullptr) *count = 0;
  if (records == nullptr || count == nullptr || req.polarisation > 3 || req.start > req.stop) {
    return 0;
  }
  SweepView view = ViewFor(*d, req, now);
  SimRng rng = MakeRng(d->seed, ++d->sweeps);
  if (view.ifHigh <= view.ifLow) return 1;
  Pause(*d, kSpectrumMsPerMHz * (view.ifHigh - view.ifLow));
  std::vector<Candidate> found = DetectInView(view, rng);
  std::vector<TransponderRecord> out;
  for (const Candidate& c : found) {
    TransponderRecord r = Demodulate(*d, view, req, c, rng);
    if (r.frequency >= req.start && r.frequency <= req.stop) out.push_back(r);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const auto& a, const auto& b) { return a.frequency < b.frequency; });
  for (const TransponderRecord& r : out) {
    if (*count >= SweepRecordLimit) break;
    Pause(*d, LockMilliseconds(r));
    records[*count] = r;
    ++*count;
    if (progress != nullptr) progress(&records[*count - 1]);
  }
  return 1;
}
