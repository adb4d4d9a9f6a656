// One blind-scan sweep on mainline drivers: survey the band's power where the driver gives a
// strength, try to lock each carrier at the symbol rates its width suggests, and otherwise
// walk a ladder of common symbol rates across the band.
#include <algorithm>
#include <cerrno>
#include <cmath>

#include "frontend_io.h"

namespace {

constexpr double kTunerLowMHz = 950;
constexpr double kTunerHighMHz = 2150;
constexpr double kMostTolerance = 0.15;  // never counted on beyond this
// How far the survey's width may be off: its steps, and the hidden edge of a carrier pressed
// against a stronger one.
constexpr double kWidthSlackMHz = 1.5;
constexpr double kWidthSlack = 0.25;
constexpr int kMaxRatesPerCarrier = 12;
// A region this narrow may be a narrow carrier that the tuner's filter widened, or several:
// its rates go all the way down.
constexpr double kNarrowRegionMHz = 10;
constexpr int kMaxRatesNarrow = 28;
// The survey looks this far past each end of the range, so that a carrier on the edge shows
// whole; only carriers centred inside the range are stored.
constexpr double kEdgeMarginMHz = 30;
constexpr double kDriftMHz = 5;
// A region where nothing locked is looked at again with these steps: side by side, narrow
// carriers blur into one wide hump at the coarse steps.
constexpr double kFineStepMHz = 0.5;
// The ladder, for drivers without a strength reading: rates from the highest down, each
// within 9.5 % of the next, tried at steps of a fifth of the rate, so that a driver that
// acquires within 5 % of the rate and a tenth of it off the centre misses nothing.
constexpr double kLadderTop = 45e6;
constexpr double kLadderFactor = 1.095;
constexpr double kLadderStep = 0.2;

struct Span {
  double low, high;  // IF MHz taken by a locked carrier
};

struct Sweep {
  DvbDevice* d = nullptr;
  const DvbSweepRequest* request = nullptr;
  uint32_t loKHz = 0;
  bool inverted = false;
  bool systemS = true, systemS2 = true;
  uint32_t minRate = 1000000, maxRate = 45000000;
  double ifLow = 0, ifHigh = 0;          // the requested range at IF
  double surveyLow = 0, surveyHigh = 0;  // with the margins the tuner allows
  TransponderRecord* records = nullptr;
  uint32_t* count = nullptr;
  const std::function<void(const TransponderRecord&)>* progress = nullptr;
  std::vector<Span> taken;
  std::vector<double> silent;  // centres of narrow regions where nothing was sensed
};

bool Taken(const Sweep& s, double ifMHz) {
  for (const Span& t : s.taken) {
    if (ifMHz >= t.low && ifMHz <= t.high) return true;
  }
  return false;
}

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

bool Full(const Sweep& s) {
  return *s.count >= kDvbSweepRecordLimit;
}

// One lock attempt at each delivery system the driver may need. 1 locked (new or known),
// 0 nothing, -errno on a failed call. `sensed` tells whether the demodulator saw a carrier
// in its window even without decoding it.
int Attempt(Sweep* s, double ifMHz, uint32_t rate, bool* sensed = nullptr) {
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

// A rate that reaches `high` within the tolerance, where the steps stopped short of it.
void AddTop(std::vector<uint32_t>* rates, double high, double t, int most) {
  double hi = *std::max_element(rates->begin(), rates->end()), top = high / (1 + t);
  bool addTop = hi * (1 + t) < high && top > hi;
  if (addTop && int(rates->size()) < most) rates->push_back(static_cast<uint32_t>(top));
}

// Rates to try for a carrier of this half-power width, nearest first.
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

// Where a narrow carrier's centre is uncertain by more than a demodulator's window, the first
// rate is tried a little to each side until the demodulator senses a carrier.
constexpr double kNudgeMHz = 0.4;
constexpr int kNudges = 3;
// How far beyond the last nudge a demodulator's window is counted on to sense a carrier.
constexpr double kSilentReachMHz = 1.0;

// Tries the rates for one carrier; a narrow one is first found in position. 1, or -errno.
int TryCarrier(Sweep* s, const SurveyCarrier& c) {
  std::vector<uint32_t> rates = RatesFor(*s, c.widthMHz);
  double centre = c.centreMHz;
  size_t next = 0;
  if (c.widthMHz < kNarrowRegionMHz) {
    bool sensed = false;
    int r = Attempt(s, centre, rates[next++], &sensed);
    if (r != 0) return r < 0 ? r : 1;
    for (int k = 1; !sensed && k <= kNudges * 2; ++k) {
      double at = c.centreMHz + (k % 2 ? 1 : -1) * kNudgeMHz * ((k + 1) / 2);
      if (Full(*s) || Taken(*s, at)) continue;
      r = Attempt(s, at, rates[0], &sensed);
      if (r != 0) return r < 0 ? r : 1;
      if (sensed) centre = at;
    }
    // Where the widest window felt nothing, the narrower ones will not either; nor will a
    // finer look or a walk, where the nudges reached across the whole region.
    if (!sensed && s->d->sensesCarrier) {
      if (c.widthMHz / 2 <= kNudges * kNudgeMHz + kSilentReachMHz) s->silent.push_back(c.centreMHz);
      return 1;
    }
  }
  for (; next < rates.size(); ++next) {
    if (Full(*s) || Taken(*s, centre)) break;
    int r = Attempt(s, centre, rates[next]);
    if (r < 0) return r;
  }
  return 1;
}

int TryCarriers(Sweep* s, const std::vector<SurveyCarrier>& carriers) {
  for (const SurveyCarrier& c : carriers) {
    if (Full(*s) || Taken(*s, c.centreMHz)) continue;
    int r = TryCarrier(s, c);
    if (r < 0) return r;
  }
  return 1;
}

// Linear interpolation of the coarse floor at `f`.
double FloorAt(const SurveyExcess& coarse, double low, double step, double f) {
  const std::vector<double>& fl = coarse.floorDb;
  double x = std::clamp((f - low) / step, 0.0, double(fl.size() - 1));
  size_t i = std::min(static_cast<size_t>(x), fl.size() - 1);
  size_t j = std::min(i + 1, fl.size() - 1);
  return fl[i] + (fl[j] - fl[i]) * (x - i);
}

// A finer look at a region where nothing locked; its carriers, when it holds several.
int Refine(Sweep* s, const SurveyCarrier& c, const SurveyExcess& coarse, double step) {
  double a = std::max(c.centreMHz - c.widthMHz / 2 - 2 * step, s->surveyLow);
  double b = std::min(c.centreMHz + c.widthMHz / 2 + 2 * step, s->surveyHigh);
  std::vector<double> fine;
  int r = RunSurvey(s->d, a, b, &fine, kFineStepMHz);
  if (r <= 0) return r;
  std::vector<double> floor(fine.size());
  for (size_t i = 0; i < fine.size(); ++i) {
    floor[i] = FloorAt(coarse, s->surveyLow, step, a + i * kFineStepMHz);
  }
  std::vector<SurveyCarrier> inner = CarriersAbove(fine, floor, coarse.sigma, a, kFineStepMHz);
  if (inner.size() == 1 && inner[0].widthMHz > 0.7 * c.widthMHz) return 1;  // nothing new
  return TryCarriers(s, inner);
}

// Still nothing: a tuner whose filter is wider than the gaps shows a group of narrow carriers
// as one hump. Walk it at a narrow rate, and wherever the demodulator senses a carrier, try
// the narrow rates there. Bounded, since a carrier too weak to lock is sensed as well.
constexpr double kFeelStepMHz = 1.0;
constexpr uint32_t kFeelRate = 2000000;
constexpr double kFeelAttemptsPerMHz = 3;

// A region is felt while a stretch of it this wide is not taken by a locked carrier: one
// carrier's lock covers its whole region, a group's first lock does not.
constexpr double kFreeStretchMHz = 1.5;

double FreeStretchMHz(const Sweep& s, const SurveyCarrier& c) {
  double best = 0, run = 0;
  for (double f = c.centreMHz - c.widthMHz / 2; f <= c.centreMHz + c.widthMHz / 2; f += 0.25) {
    run = Taken(s, f) ? 0 : run + 0.25;
    best = std::max(best, run);
  }
  return best;
}

// Narrow rates at each point where a carrier was sensed, within the attempt budget.
int FeelNarrow(Sweep* s, const std::vector<double>& points, uint32_t probe, uint64_t stop) {
  for (double f : points) {
    for (uint32_t rate : RatesFor(*s, 2 * kFeelStepMHz + probe / 1e6)) {
      if (rate == probe || Taken(*s, f) || Full(*s)) continue;
      if (s->d->counters.attempts >= stop) return 1;
      int r = Attempt(s, f, rate);
      if (r < 0) return r;
    }
  }
  return 1;
}

// A run of sensed points is centred on a carrier's centre: there the rates of the width the
// survey shows around it, wider than the narrow ones, come first.
constexpr int kMaxRatesSensed = 4;

int FeelRun(Sweep* s, const std::vector<double>& run, const SurveyExcess& coarse, double step,
            uint32_t probe, uint64_t stop) {
  double centre = (run.front() + run.back()) / 2;
  double width =
      WidthAround(coarse, s->surveyLow, step, centre, [&](double f) { return Taken(*s, f); });
  const double narrowTop = 2 * kFeelStepMHz + probe / 1e6 + kWidthSlackMHz;
  int tried = 0;
  for (uint32_t rate : RatesFor(*s, width)) {
    if (rate / 1e6 <= narrowTop || tried >= kMaxRatesSensed) continue;
    if (Taken(*s, centre) || Full(*s) || s->d->counters.attempts >= stop) break;
    ++tried;
    int r = Attempt(s, centre, rate);
    if (r < 0) return r;
  }
  return FeelNarrow(s, run, probe, stop);
}

int Feel(Sweep* s, const SurveyCarrier& c, const SurveyExcess& coarse, double step) {
  const uint64_t stop =
      s->d->counters.attempts + static_cast<uint64_t>(20 + kFeelAttemptsPerMHz * c.widthMHz);
  double low = c.centreMHz - c.widthMHz / 2, high = c.centreMHz + c.widthMHz / 2;
  uint32_t probe = std::max(kFeelRate, s->minRate);
  std::vector<double> run;
  for (double f = low; f <= high + kFeelStepMHz && !Full(*s); f += kFeelStepMHz) {
    bool sensed = false;
    if (f <= high && !Taken(*s, f) && s->d->counters.attempts < stop) {
      int r = Attempt(s, f, probe, &sensed);
      if (r < 0) return r;
      sensed = sensed && r == 0;
    }
    if (sensed) {
      run.push_back(f);
    } else if (!run.empty()) {
      int r = FeelRun(s, run, coarse, step, probe, stop);
      if (r < 0) return r;
      run.clear();
    }
  }
  return 1;
}

// The survey's carriers first, then a finer look where nothing locked, then what is left
// beside the locked carriers.
int SweepSurveyed(Sweep* s, const std::vector<double>& levels) {
  const double step = s->d->settings.surveyStepMHz;
  SurveyExcess coarse;
  std::vector<SurveyCarrier> first = FindCarriers(levels, s->surveyLow, step, &coarse);
  int r = TryCarriers(s, first);
  auto rest = [&](const SurveyCarrier& c, bool refine) {
    if (r < 0 || Full(*s) || coarse.floorDb.empty()) return;
    if (std::count(s->silent.begin(), s->silent.end(), c.centreMHz) > 0) return;
    if (refine && !Taken(*s, c.centreMHz)) r = Refine(s, c, coarse, step);
    if (r >= 0 && !Full(*s) && FreeStretchMHz(*s, c) >= kFreeStretchMHz)
      r = Feel(s, c, coarse, step);
  };
  for (const SurveyCarrier& c : first) rest(c, true);
  if (r < 0) return r;
  auto tried = [&](double f) {
    if (Taken(*s, f)) return true;
    for (const SurveyCarrier& c : first) {
      if (std::fabs(f - c.centreMHz) < c.widthMHz / 4) return true;
    }
    return false;
  };
  for (const SurveyCarrier& c :
       Leftovers(coarse, s->surveyLow, step, [&](double f) { return Taken(*s, f); })) {
    if (tried(c.centreMHz) || Full(*s)) continue;
    r = TryCarrier(s, c);
    rest(c, false);
    if (r < 0) return r;
  }
  return 1;
}

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
  // Satellite frontends give their range in kHz.
  if (info.frequency_min) *low = std::max(*low, info.frequency_min / 1000.0);
  if (info.frequency_max) *high = std::min(*high, info.frequency_max / 1000.0);
  if (info.symbol_rate_min) s->minRate = std::max(s->minRate, info.symbol_rate_min);
  if (info.symbol_rate_max) s->maxRate = std::min(s->maxRate, info.symbol_rate_max);
}

}  // namespace

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
