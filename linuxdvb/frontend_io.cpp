// DVBv5 property calls: tuning, waiting for lock and reading back what the demodulator found.
#include "frontend_io.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

// A lock that lasts this long is real; some demodulators flash a lock on noise.
constexpr uint32_t kLockConfirmMs = 60;
constexpr int kPollSliceMs = 50;

dtv_property Prop(uint32_t cmd, uint32_t data = 0) {
  dtv_property p{};
  p.cmd = cmd;
  p.u.data = data;
  return p;
}

void DrainEvents(DvbDevice* d) {
  dvb_frontend_event event{};
  for (int i = 0; i < 64; ++i) {
    int r = d->sys.ioctl(d->fd, FE_GET_EVENT, &event);
    if (r < 0 && r != -EOVERFLOW) return;
  }
}

int ReadStatus(DvbDevice* d, uint32_t* status) {
  fe_status_t s{};
  int r = d->sys.ioctl(d->fd, FE_READ_STATUS, &s);
  *status = r < 0 ? 0 : static_cast<uint32_t>(s);
  return r;
}

// Record codes of the kernel's enums.
uint32_t CodeRateCode(uint32_t fec) {
  switch (fec) {
    case FEC_1_2:
      return 1;
    case FEC_2_3:
      return 2;
    case FEC_3_4:
      return 3;
    case FEC_4_5:
      return 4;
    case FEC_5_6:
      return 5;
    case FEC_6_7:
      return 6;
    case FEC_7_8:
      return 7;
    case FEC_8_9:
      return 8;
    case FEC_9_10:
      return 9;
    case FEC_2_5:
      return 12;
    case FEC_3_5:
      return 13;
    default:
      return 0;
  }
}

uint32_t ModulationCode(uint32_t system, uint32_t modulation) {
  if (system == SYS_DVBS) return 1;
  switch (modulation) {
    case QPSK:
      return 5;
    case PSK_8:
      return 2;
    case APSK_16:
      return 3;
    case APSK_32:
      return 4;
    default:
      return 0;
  }
}

uint32_t RollOffCode(uint32_t system, uint32_t rollOff, double* alpha) {
  if (system == SYS_DVBS) rollOff = ROLLOFF_35;  // DVB-S has only the one
  switch (rollOff) {
    case ROLLOFF_35:
      *alpha = 0.35;
      return 1;
    case ROLLOFF_25:
      *alpha = 0.25;
      return 2;
    case ROLLOFF_20:
      *alpha = 0.20;
      return 3;
    default:
      *alpha = 0.35;
      return 0;
  }
}

uint32_t PilotCode(uint32_t system, uint32_t pilot) {
  if (system != SYS_DVBS2) return 0;
  return pilot == PILOT_OFF ? 1 : pilot == PILOT_ON ? 2 : 0;
}

}  // namespace

uint64_t NowMs(const DvbDevice* d) {
  return d->sys.nowUs() / 1000u;
}

int SetProperties(DvbDevice* d, const dtv_property* props, uint32_t count) {
  dtv_properties list{count, const_cast<dtv_property*>(props)};
  int r = d->sys.ioctl(d->fd, FE_SET_PROPERTY, &list);
  return r < 0 ? r : 0;
}

int GetProperties(DvbDevice* d, dtv_property* props, uint32_t count) {
  dtv_properties list{count, props};
  int r = d->sys.ioctl(d->fd, FE_GET_PROPERTY, &list);
  return r < 0 ? r : 0;
}

int TuneTo(DvbDevice* d, uint32_t ifKHz, uint32_t symbolRate, uint32_t system) {
  DrainEvents(d);
  const bool s2 = system == SYS_DVBS2;
  const dtv_property props[] = {
      Prop(DTV_CLEAR),
      Prop(DTV_DELIVERY_SYSTEM, system),
      Prop(DTV_FREQUENCY, ifKHz),
      Prop(DTV_SYMBOL_RATE, symbolRate),
      Prop(DTV_INNER_FEC, FEC_AUTO),
      Prop(DTV_MODULATION, s2 ? PSK_8 : QPSK),
      Prop(DTV_INVERSION, INVERSION_AUTO),
      Prop(DTV_ROLLOFF, s2 ? ROLLOFF_AUTO : ROLLOFF_35),
      Prop(DTV_PILOT, PILOT_AUTO),
      Prop(DTV_STREAM_ID, NO_STREAM_ID_FILTER),
      Prop(DTV_TUNE),
  };
  return SetProperties(d, props, sizeof props / sizeof props[0]);
}

int WaitForLock(DvbDevice* d, uint32_t timeoutMs, uint32_t* last) {
  const uint64_t deadline = NowMs(d) + timeoutMs;
  uint32_t ignored = 0;
  uint32_t& status = last != nullptr ? *last : ignored;
  for (;;) {
    int r = ReadStatus(d, &status);
    if (r < 0) return r;
    if (status & FE_HAS_LOCK) {
      d->sys.sleepMs(kLockConfirmMs);
      if (ReadStatus(d, &status) >= 0 && (status & FE_HAS_LOCK)) return 1;
    } else if (status & FE_TIMEDOUT) {
      return 0;
    }
    uint64_t now = NowMs(d);
    if (now >= deadline) return 0;
    uint64_t left = deadline - now;
    int slice = left < static_cast<uint64_t>(kPollSliceMs) ? static_cast<int>(left) : kPollSliceMs;
    if (d->sys.poll(d->fd, slice) > 0) DrainEvents(d);
  }
}

// A reading outside what any tuner measures is a driver's noise (some give garbage while
// unlocked): it counts as the bottom of the scale.
constexpr double kLowestDbm = -100, kHighestDbm = 20;

bool ReadStrength(DvbDevice* d, double* db) {
  // Many drivers refresh their statistics only when the status is read.
  uint32_t status = 0;
  ReadStatus(d, &status);
  dtv_property p = Prop(DTV_STAT_SIGNAL_STRENGTH);
  if (GetProperties(d, &p, 1) == 0 && p.u.st.len > 0) {
    const dtv_stats& s = p.u.st.stat[0];
    if (s.scale == FE_SCALE_DECIBEL) {
      double dbm = s.svalue / 1000.0;
      *db = dbm < kLowestDbm || dbm > kHighestDbm ? kLowestDbm : dbm;
      return true;
    }
    if (s.scale == FE_SCALE_RELATIVE) {
      *db = std::min<uint64_t>(s.uvalue, 65535) * (100.0 / 65535.0);
      return true;
    }
  }
  uint16_t level = 0;
  if (d->sys.ioctl(d->fd, FE_READ_SIGNAL_STRENGTH, &level) < 0) return false;
  *db = level * (100.0 / 65535.0);
  return true;
}

void ReadBack(DvbDevice* d, TransponderRecord* r, LockedCarrier* c) {
  dtv_property p[] = {Prop(DTV_DELIVERY_SYSTEM), Prop(DTV_FREQUENCY),
                      Prop(DTV_SYMBOL_RATE),     Prop(DTV_MODULATION),
                      Prop(DTV_INNER_FEC),       Prop(DTV_INVERSION),
                      Prop(DTV_ROLLOFF),         Prop(DTV_PILOT),
                      Prop(DTV_STAT_CNR),        Prop(DTV_STAT_SIGNAL_STRENGTH)};
  const uint32_t n = sizeof p / sizeof p[0];
  // Drivers refuse a whole list for one property they lack: then ask one at a time.
  if (GetProperties(d, p, n) != 0) {
    for (uint32_t i = 0; i < n; ++i) {
      if (GetProperties(d, &p[i], 1) != 0) p[i] = Prop(p[i].cmd);
    }
  }
  uint32_t system = p[0].u.data;
  r->locked = 1;
  r->deliverySystem = system == SYS_DVBS ? 1 : system == SYS_DVBS2 ? 2 : 0;
  if (p[1].u.data != 0) c->ifKHz = p[1].u.data;
  if (p[2].u.data != 0) c->symbolRate = p[2].u.data;
  r->symbolRate = c->symbolRate;
  r->codeRate = CodeRateCode(p[4].u.data);
  // A driver that reports nothing echoes what was set; FEC_AUTO coming back gives it away, and
  // then the modulation read is only our own guess.
  bool echoed = p[4].u.data == FEC_AUTO;
  r->modulation = echoed && system != SYS_DVBS ? 0 : ModulationCode(system, p[3].u.data);
  r->spectrum = p[5].u.data == INVERSION_OFF ? 1 : p[5].u.data == INVERSION_ON ? 2 : 0;
  r->rollOff = RollOffCode(system, p[6].u.data, &c->rollOff);
  r->pilot = PilotCode(system, p[7].u.data);
  if (p[8].u.st.len > 0 && p[8].u.st.stat[0].scale == FE_SCALE_DECIBEL) {
    r->snr = p[8].u.st.stat[0].svalue / 1000.0;
  }
  if (p[9].u.st.len > 0 && p[9].u.st.stat[0].scale == FE_SCALE_DECIBEL) {
    r->rfLevel = static_cast<int32_t>(std::lround(p[9].u.st.stat[0].svalue / 1000.0));
  }
  r->carrierWidth = static_cast<uint32_t>(std::lround(c->symbolRate * (1 + c->rollOff) / 1000.0));
  r->bitRate = static_cast<uint32_t>(UsefulBitRate(*r));
}
