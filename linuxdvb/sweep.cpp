// One blind-scan sweep on mainline drivers: survey the band's power where the driver gives a
// strength, try to lock each carrier at the symbol rates its width suggests, and otherwise
// walk a ladder of common symbol rates across the band.
#include <algorithm>
#include <cerrno>
#include <cmath>

#include "sweep_state.h"

namespace dvbsweep {

namespace {

constexpr double kTunerLowMHz = 950;
constexpr double kTunerHighMHz = 2150;
constexpr double kMostTolerance = 0.15;  // never counted on beyond this
// The survey looks this far past each end of the range, so that a carrier on the edge shows
// whole; only carriers centred inside the range are stored.
constexpr double kEdgeMarginMHz = 30;
constexpr double kDriftMHz = 5;
// The ladder, for drivers without a strength reading: rates from the highest down, each
// within 9.5 % of the next, tried at steps of a fifth of the rate, so that a driver that
// acquires within 5 % of the rate and a tenth of it off the centre misses nothing.
constexpr double kLadderTop = 45e6;
constexpr double kLadderFactor = 1.095;
constexpr double kLadderStep = 0.2;

uint32_t LockTimeoutMs(uint32_t rate) {
  return 150 + static_cast<uint32_t>(2.0e9 / rate);
}

uint32_t RfKHz(const Sweep& s, uint32_t ifKHz) {
  if (s.loKHz == 0) return ifKHz;
  if (s.inverted) return s.loKHz > ifKHz ? s.loKHz - ifKHz : 0;
  uint64_t rf = static_cast<uint64_t>(s.loKHz) + ifKHz;
  return rf > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(rf);
}

// Stores what the demodulator holds now, unless it is a carrier this sweep already has.
// Returns 1 when the carrier is new, 0 when it was known.
int Store(Sweep* s, uint32_t tunedKHz, uint32_t rate, uint32_t system) {
  TransponderRecord r{};
  LockedCarrier c{tunedKHz, rate};
  ReadBack(s->d, &r, &c);
  double centre = c.ifKHz / 1000.0;
  if (Taken(*s, centre)) return 0;
  if (system == SYS_DVBS2 && r.deliverySystem == 1) s->d->autoSystem = 1;
  if (c.symbolRate > 0) {
    double off = std::fabs(double(rate) / c.symbolRate - 1.0);
    s->d->rateTolerance = std::clamp(0.9 * off, s->d->rateTolerance, kMostTolerance);
  }
  double half = c.symbolRate * (1 + c.rollOff) / 2e6;
  s->taken.push_back({centre - half, centre + half});
  // A carrier beyond the range is the next range's, give or take an oscillator's drift.
  if (centre < s->ifLow - kDriftMHz || centre > s->ifHigh + kDriftMHz) return 0;
  r.frequency = RfKHz(*s, c.ifKHz);
  r.polarisation = s->request->polarisation;
  // The spectrum is told on the RF side: an oscillator above the band turns it over.
  if (s->inverted && r.spectrum != 0) r.spectrum = 3 - r.spectrum;
  s->records[*s->count] = r;
  ++*s->count;
  if (*s->progress) (*s->progress)(s->records[*s->count - 1]);
  return 1;
}

// A rate that reaches `high` within the tolerance, where the steps stopped short of it.
void AddTop(std::vector<uint32_t>* rates, double high, double t, int most) {
  double hi = *std::max_element(rates->begin(), rates->end()), top = high / (1 + t);
  bool addTop = hi * (1 + t) < high && top > hi;
  if (addTop && int(rates->size()) < most) rates->push_back(static_cast<uint32_t>(top));
}

}  // namespace

bool Taken(const Sweep& s, double ifMHz) {
  for (const Span& t : s.taken) {
    if (ifMHz >= t.low && ifMHz <= t.high) return true;
  }
  return false;
}

bool Full(const Sweep& s) {
  return *s.count >= kDvbSweepRecordLimit;
}

int Attempt(Sweep* s, double ifMHz, uint32_t rate, bool* sensed) {
  if (sensed != nullptr) *sensed = false;
  uint32_t khz = static_cast<uint32_t>(std::lround(ifMHz * 1000));
  uint32_t systems[2] = {SYS_DVBS2, SYS_DVBS};
  int n = 0;
  uint32_t order[2];
  if (s->systemS2) order[n++] = systems[0];
  if (s->systemS && (!s->systemS2 || s->d->autoSystem != 1)) order[n++] = systems[1];
  for (int i = 0; i < n; ++i) {
    uint64_t before = NowMs(s->d);
    ++s->d->counters.attempts;
    int r = TuneTo(s->d, khz, rate, order[i]);
    if (r < 0) return r == -EINVAL ? 0 : r;
    uint32_t status = 0;
    r = WaitForLock(s->d, LockTimeoutMs(rate), &status);
    s->d->counters.attemptMs += NowMs(s->d) - before;
    if (r < 0) return r;
    if (sensed != nullptr && (status & FE_HAS_CARRIER)) *sensed = true;
    if (r == 0 && (status & FE_HAS_CARRIER)) s->d->sensesCarrier = true;
    if (r > 0) {
      ++s->d->counters.locks;
      Store(s, khz, rate, order[i]);
      return 1;
    }
  }
  return 0;
}

std::vector<uint32_t> RatesFor(const Sweep& s, double widthMHz) {
  const double t = s.d->rateTolerance;
  const double kRateStep = (1 + t) / (1 - t);
  double slack = std::max(kWidthSlackMHz, kWidthSlack * widthMHz);
  double low = std::max(widthMHz - slack, 0.0) * 1e6;
  double high = (widthMHz + slack) * 1e6;
  int most = kMaxRatesPerCarrier;
  if (widthMHz < kNarrowRegionMHz) low = 0, most = kMaxRatesNarrow;
  low = std::max(low, double(s.minRate));
  high = std::min(high, double(s.maxRate));
  double centre = std::clamp(widthMHz * 1e6, low, high);
  std::vector<uint32_t> rates{static_cast<uint32_t>(centre)};
  if (widthMHz < kNarrowRegionMHz) {
    // The filter widens a narrow carrier, never narrows it: its rate lies below first.
    double r = centre;
    for (r /= kRateStep; r >= low && int(rates.size()) < most; r /= kRateStep) {
      rates.push_back(static_cast<uint32_t>(r));
    }
    // The lowest rate itself, when the steps jumped past its reach.
    if (r < low && rates.back() > low * (1 + t) && int(rates.size()) < most) {
      rates.push_back(static_cast<uint32_t>(low));
    }
    for (double r = centre * kRateStep; r <= high && int(rates.size()) < most; r *= kRateStep) {
      rates.push_back(static_cast<uint32_t>(r));
    }
    AddTop(&rates, high, t, most);
    return rates;
  }
  for (int k = 1; static_cast<int>(rates.size()) < most; ++k) {
    double up = centre * std::pow(kRateStep, k), down = centre / std::pow(kRateStep, k);
    if (down < low && up > high) break;
    if (down >= low) rates.push_back(static_cast<uint32_t>(down));
    if (up <= high && static_cast<int>(rates.size()) < most) {
      rates.push_back(static_cast<uint32_t>(up));
    }
  }
  AddTop(&rates, high, t, most);
  return rates;
}

namespace {

// Without a survey: every rate of the ladder across the band, with steps its capture allows,
// stepping over what is already locked.
int SweepLadder(Sweep* s, double low, double high) {
  for (double r = std::min(kLadderTop, double(s->maxRate)); r >= s->minRate; r /= kLadderFactor) {
    uint32_t rate = static_cast<uint32_t>(r);
    double step = std::max(0.5, kLadderStep * rate / 1e6);
    for (double f = low + step / 2; f <= high && !Full(*s); f += step) {
      if (Taken(*s, f)) continue;
      int r = Attempt(s, f, rate);
      if (r < 0) return r;
    }
  }
  return 1;
}

void Limits(Sweep* s, double* low, double* high) {
  dvb_frontend_info info{};
  if (s->d->sys.ioctl(s->d->fd, FE_GET_INFO, &info) < 0) return;
  // Satellite frontends give their range in kHz; a multi-standard one still set to a
  // terrestrial system gives Hz, which no satellite range in kHz comes near.
  double toMHz = info.frequency_max > 100000000u ? 1e-6 : 1e-3;
  if (info.frequency_min) *low = std::max(*low, info.frequency_min * toMHz);
  if (info.frequency_max) *high = std::min(*high, info.frequency_max * toMHz);
  if (info.symbol_rate_min) s->minRate = std::max(s->minRate, info.symbol_rate_min);
  if (info.symbol_rate_max) s->maxRate = std::min(s->maxRate, info.symbol_rate_max);
}

}  // namespace

}  // namespace dvbsweep

using namespace dvbsweep;

int DvbSweep(DvbDevice* d, const DvbSweepRequest& req, TransponderRecord* records, uint32_t* count,
             const std::function<void(const TransponderRecord&)>& progress) {
  if (d->fd < 0 || records == nullptr || count == nullptr || req.polarisation > 3) return 0;
  *count = 0;
  Sweep s;
  s.d = d;
  s.request = &req;
  s.records = records;
  s.count = count;
  s.progress = &progress;
  s.minRate = d->settings.minSymbolRate;
  if (d->started >= 0 && d->started < static_cast<int>(d->frontends.size())) {
    s.systemS2 = d->frontends[d->started].dvbs2;
  }
  bool high = req.lofswKHz != 0 ? req.startKHz >= req.lofswKHz : req.lof2KHz != 0;
  s.loKHz = high ? req.lof2KHz : req.lof1KHz;
  double lo = s.loKHz / 1000.0;
  s.inverted = s.loKHz != 0 && (lo <= d->settings.lnbMid || lo >= d->settings.lnbStk);
  auto toIf = [&](uint32_t rfKHz) {
    double rf = rfKHz / 1000.0;
    return s.loKHz == 0 ? rf : s.inverted ? lo - rf : rf - lo;
  };
  double a = toIf(req.startKHz), b = toIf(req.stopKHz);
  double tunerLow = kTunerLowMHz, tunerHigh = kTunerHighMHz;
  Limits(&s, &tunerLow, &tunerHigh);
  s.ifLow = std::max(std::min(a, b), tunerLow);
  s.ifHigh = std::min(std::max(a, b), tunerHigh);
  s.surveyLow = std::max(s.ifLow - kEdgeMarginMHz, tunerLow);
  s.surveyHigh = std::min(s.ifHigh + kEdgeMarginMHz, tunerHigh);
  if (!PrepareSignalPath(d, req.polarisation, high)) {
    d->sys.log("the driver refused the LNB voltage, tone or DiSEqC command");
  }
  if (s.ifLow > s.ifHigh) return 1;
  std::vector<double> levels;
  int r = d->surveyWorks ? RunSurvey(d, s.surveyLow, s.surveyHigh, &levels) : 0;
  if (r < 0) return 0;
  bool flat = levels.size() > 2 && *std::max_element(levels.begin(), levels.end()) ==
                                       *std::min_element(levels.begin(), levels.end());
  if (r == 0 || flat) d->surveyWorks = false;
  r = d->surveyWorks ? SweepSurveyed(&s, levels) : SweepLadder(&s, s.ifLow, s.ifHigh);
  return r < 0 ? 0 : 1;
}
