// Setting tuning parameters and what the demodulator makes of a tune: which carrier it
// acquires, when it locks or gives up, and the AGC's reading of the power in its filter.
#include <linux/dvb/frontend.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "fake_internal.h"
#include "link.h"
#include "raised_cosine.h"

namespace {

constexpr uint32_t kLocked =
    FE_HAS_SIGNAL | FE_HAS_CARRIER | FE_HAS_VITERBI | FE_HAS_SYNC | FE_HAS_LOCK;
constexpr uint32_t kCarrier = FE_HAS_SIGNAL | FE_HAS_CARRIER;

uint32_t Delsys(const FakeFrontend& fe) {
  return fe.tune.delsys != 0 ? fe.tune.delsys : fe.delsys.front();
}

bool Supports(const FakeFrontend& fe, uint32_t delsys) {
  return std::find(fe.delsys.begin(), fe.delsys.end(), delsys) != fe.delsys.end();
}

// A DVB-S request never finds DVB-S2; a DVB-S2 request finds DVB-S where the chip auto-detects.
bool SystemFits(const FakePersonality& chip, uint32_t requested, uint32_t carrier) {
  if (carrier == 1) return requested == SYS_DVBS || chip.autoDetect;
  return carrier == 2 && requested == SYS_DVBS2;
}

// The strongest carrier the demodulator can acquire and decode here, or -1.
int Acquire(const FakePersonality& chip, const SweepView& view, uint32_t delsys, double mhz,
            double sr, bool* somePower) {
  double window = std::max(chip.captureFraction * sr / 1e6, chip.captureMinMHz);
  int best = -1;
  for (size_t i = 0; i < view.arrivals.size(); ++i) {
    const Arrival& a = view.arrivals[i];
    if (std::fabs(a.ifMHz - mhz) > window) continue;
    if (a.esn0Db > 0) *somePower = true;
    const SkyTransponder& tp = *a.tp;
    if (std::fabs(tp.symbolRate / sr - 1.0) > chip.srTolerance) continue;
    if (!SystemFits(chip, delsys, tp.deliverySystem)) continue;
    if (a.esn0Db < TransponderRequirementDb(tp) + chip.lossDb) continue;
    if (best < 0 || a.esn0Db > view.arrivals[best].esn0Db) best = static_cast<int>(i);
  }
  return best;
}

// Total power in the tuner's filter: the thermal floor plus each carrier's share, in dBm.
double FilterPowerDbm(const FakeDvb& fake, const FakePersonality& chip, const SweepView& view,
                      double mhz, double sr) {
  double bw = std::max(chip.filterFactor * sr / 1e6, chip.filterMinMHz);
  double lo = mhz - bw / 2, hi = mhz + bw / 2;
  double n0 = FloorDbmPerHz(fake.sim.sky.lnb);
  // An unpowered LNB passes nothing: only the tuner's own noise is left.
  if (fake.voltage == SEC_VOLTAGE_OFF) n0 -= fake.sim.sky.lnb.gain;
  const GainShape& g = view.source.gain;
  double total = std::pow(10.0, (n0 + GainDbAt(g, mhz)) / 10.0) * bw * 1e6;
  for (const Emitter& e : view.source.emitters) {
    double half = e.symbolRate * (1 + e.alpha) / 2e6;
    if (e.centreMHz + half < lo || e.centreMHz - half > hi) continue;
    double share = RaisedCosineCumulative((hi - e.centreMHz) * 1e6 / e.symbolRate, e.alpha) -
                   RaisedCosineCumulative((lo - e.centreMHz) * 1e6 / e.symbolRate, e.alpha);
    total += share * e.esn0 * e.symbolRate * std::pow(10.0, (n0 + GainDbAt(g, e.centreMHz)) / 10.0);
  }
  return 10.0 * std::log10(total);
}

void ClearParameters(FakeTune* t) {
  FakeTune fresh;
  t->frequencyKHz = fresh.frequencyKHz;
  t->symbolRate = fresh.symbolRate;
  t->fec = fresh.fec;
  t->modulation = fresh.modulation;
  t->inversion = fresh.inversion;
  t->rollOff = fresh.rollOff;
  t->pilot = fresh.pilot;
  t->streamId = fresh.streamId;
}

int SetOne(FakeDvb* fake, FakeFrontend* fe, const dtv_property& p) {
  FakeTune& t = fe->tune;
  uint32_t v = p.u.data;
  switch (p.cmd) {
    case DTV_CLEAR:
      ClearParameters(&t);
      return 0;
    case DTV_DELIVERY_SYSTEM:
      if (!Supports(*fe, v)) return -EINVAL;
      t.delsys = v;
      return 0;
    case DTV_FREQUENCY:
      t.frequencyKHz = v;
      return 0;
    case DTV_SYMBOL_RATE:
      t.symbolRate = v;
      return 0;
    case DTV_INNER_FEC:
      t.fec = v;
      return 0;
    case DTV_MODULATION:
      t.modulation = v;
      return 0;
    case DTV_INVERSION:
      t.inversion = v;
      return 0;
    case DTV_ROLLOFF:
      t.rollOff = v;
      return 0;
    case DTV_PILOT:
      t.pilot = v;
      return 0;
    case DTV_STREAM_ID:
      t.streamId = v;
      return 0;
    case DTV_VOLTAGE:
      return FakeSetVoltage(fake, *fe, v);
    case DTV_TONE:
      return FakeSetTone(fake, *fe, v);
    case DTV_TUNE:
      return FakeStartTune(fake, fe);
    default:
      return -EINVAL;
  }
}

}  // namespace

namespace {

// The status timeline from the tune on: the kernel queues a zero status at once, then each
// change as the demodulator gets there.
void Schedule(const FakePersonality& chip, bool found, bool somePower, double sr, SimRng& rng,
              FakeTune* t) {
  double x = 1e7 / sr;
  uint64_t lockUs = static_cast<uint64_t>((chip.lockBaseMs + chip.lockPerXMs * x) *
                                          Uniform(rng, 0.9, 1.1) * 1000);
  uint64_t timeoutUs = static_cast<uint64_t>((chip.timeoutBaseMs + chip.timeoutPerXMs * x) * 1000);
  uint64_t t0 = t->tunedAtUs;
  t->steps = {{t0, 0}};
  if (found || somePower) t->steps.push_back({t0 + lockUs * 2 / 5, kCarrier});
  if (found) {
    t->steps.push_back({t0 + lockUs, kLocked});
    // Some chips lose a lock they had, a while later.
    if (Uniform(rng) < chip.lostLockChance) {
      t->steps.push_back({t0 + lockUs + static_cast<uint64_t>(Uniform(rng, 2e5, 2e6)), kCarrier});
    }
    return;
  }
  uint32_t seen = somePower ? kCarrier : 0;
  // Some chips lock on noise for a moment, then drop it again.
  if (Uniform(rng) < chip.falseLockChance) {
    uint64_t drop = t0 + lockUs + static_cast<uint64_t>(Uniform(rng, 1e4, 5e4));
    t->steps.push_back({t0 + lockUs, kLocked});
    t->steps.push_back({drop, seen});
    timeoutUs = std::max(timeoutUs, drop - t0 + 1000);
  }
  t->steps.push_back({t0 + timeoutUs, seen | FE_TIMEDOUT});
}

void TakeCarrier(const FakePersonality& chip, const Arrival& a, SimRng& rng, FakeTune* t) {
  t->carrier = true;
  t->found = *a.tp;
  t->foundIfMHz = a.ifMHz;
  t->foundEsN0Db = a.esn0Db;
  t->foundInverted = a.inverted;
  t->readFrequencyKHz = a.ifMHz * 1000 + chip.freqErrorKHz * Gaussian(rng);
  t->readSymbolRate = a.tp->symbolRate * (1 + chip.srErrorFraction * Gaussian(rng));
}

bool Usable(const FakeFrontend& fe, uint32_t delsys) {
  const FakeTune& t = fe.tune;
  return (delsys == SYS_DVBS || delsys == SYS_DVBS2) && Supports(fe, delsys) &&
         t.frequencyKHz >= 950000 && t.frequencyKHz <= 2150000 && t.symbolRate >= fe.chip->srMin &&
         t.symbolRate <= fe.chip->srMax;
}

}  // namespace

int FakeSetProperties(FakeDvb* fake, FakeFrontend* fe, dtv_properties* props) {
  if (props == nullptr || props->props == nullptr) return -EFAULT;
  if (props->num == 0 || props->num > DTV_IOCTL_MAX_MSGS) return -EINVAL;
  ++fake->counters.propertySets;
  FakeAdvanceUs(fake, 50);
  for (uint32_t i = 0; i < props->num; ++i) {
    int r = SetOne(fake, fe, props->props[i]);
    props->props[i].result = r;
    if (r < 0) return r;
  }
  return 0;
}

int FakeStartTune(FakeDvb* fake, FakeFrontend* fe) {
  uint32_t delsys = Delsys(*fe);
  if (!Usable(*fe, delsys)) return -EINVAL;
  const FakePersonality& chip = *fe->chip;
  FakeTune& t = fe->tune;
  ++fake->counters.tunes;
  SimRng rng = MakeRng(fake->seed, 0x7E00000000ull + fake->counters.tunes);
  double dbm = 0;
  t.previousStrengthValid = FakeStrengthDbm(*fake, *fe, &dbm);
  t.previousStrengthDbm = dbm;
  t.tuned = true;
  t.tunedAtUs = fake->nowUs;
  t.nextEvent = 0;
  t.carrier = false;
  double mhz = t.frequencyKHz / 1000.0, sr = t.symbolRate;
  const SweepView& view = FakeView(fake);
  bool somePower = false;
  int best = Acquire(chip, view, delsys, mhz, sr, &somePower);
  if (best >= 0) TakeCarrier(chip, view.arrivals[best], rng, &t);
  t.strengthDbm = FilterPowerDbm(*fake, chip, view, mhz, sr) + 0.2 * Gaussian(rng);
  t.strengthValid = true;
  Schedule(chip, best >= 0, somePower, sr, rng, &t);
  if (!chip.blockingTune) {
    FakeAdvanceUs(fake, 200);
    return 0;
  }
  // The call returns once the search has ended one way or the other.
  for (const FakeStep& s : t.steps) {
    if ((s.status & (FE_HAS_LOCK | FE_TIMEDOUT)) != 0) {
      fake->nowUs = s.atUs;
      break;
    }
  }
  return 0;
}

bool FakeLockedNow(const FakeDvb& fake, const FakeFrontend& fe) {
  return (FakeStatusNow(fake, fe) & FE_HAS_LOCK) != 0;
}

bool FakeStrengthDbm(const FakeDvb& fake, const FakeFrontend& fe, double* dbm) {
  const FakeTune& t = fe.tune;
  if (!t.tuned) return false;
  bool settled = fake.nowUs >= t.tunedAtUs + static_cast<uint64_t>(fe.chip->agcSettleMs * 1000);
  *dbm = settled ? t.strengthDbm : t.previousStrengthDbm;
  return settled ? t.strengthValid : t.previousStrengthValid;
}

double FakeCnrDb(FakeDvb* fake, const FakeFrontend& fe) {
  // A lock on noise measures next to nothing.
  if (!fe.tune.carrier) return Uniform(fake->rng, 0.0, 2.0);
  return fe.tune.foundEsN0Db + 0.1 * Gaussian(fake->rng);
}

uint16_t FakeRelativeStrength(double dbm) {
  double r = std::clamp((dbm + 100.0) / 90.0, 0.0, 1.0);
  return static_cast<uint16_t>(std::lround(r * 65535));
}

uint16_t FakeRelativeCnr(double db) {
  double r = std::clamp(db / 25.0, 0.0, 1.0);
  return static_cast<uint16_t>(std::lround(r * 65535));
}
