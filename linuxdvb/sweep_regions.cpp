// The survey's carriers: lock attempts at each, a finer look and a walk where they fail, and
// what is left beside the carriers locked.
#include <algorithm>
#include <cmath>

#include "sweep_state.h"

namespace dvbsweep {

namespace {

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

}  // namespace

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

}  // namespace dvbsweep
