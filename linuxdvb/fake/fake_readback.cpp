// FE_GET_PROPERTY: what the demodulator measured after a lock, the parameters as set where it
// reads nothing back, and the statistics on each chip's own scale.
#include <linux/dvb/frontend.h>
#include <linux/dvb/version.h>

#include <cerrno>
#include <cmath>

#include "fake_internal.h"

namespace {

// The sky's modulation, code-rate and roll-off codes in the DVB API's terms.
uint32_t ApiModulation(uint32_t code) {
  static const uint32_t kMap[] = {QPSK, QPSK, PSK_8, APSK_16, APSK_32, QPSK};
  return code < 6 ? kMap[code] : uint32_t{QPSK};
}

// 1/4 and 1/3 have no name in this API: drivers report FEC_NONE for them.
uint32_t ApiFec(uint32_t code) {
  static const uint32_t kMap[] = {FEC_NONE, FEC_1_2,  FEC_2_3, FEC_3_4, FEC_4_5,
                                  FEC_5_6,  FEC_6_7,  FEC_7_8, FEC_8_9, FEC_9_10,
                                  FEC_NONE, FEC_NONE, FEC_2_5, FEC_3_5};
  return code < 14 ? kMap[code] : uint32_t{FEC_NONE};
}

uint32_t ApiRollOff(uint32_t code) {
  static const uint32_t kMap[] = {ROLLOFF_AUTO, ROLLOFF_35, ROLLOFF_25, ROLLOFF_20};
  return code < 4 ? kMap[code] : uint32_t{ROLLOFF_AUTO};
}

struct Reading {
  bool parameters = false;  // the chip's own measurement replaces what was set
  bool s2 = false;
};

Reading ReadingNow(const FakeDvb& fake, const FakeFrontend& fe) {
  Reading r;
  r.parameters = fe.tune.carrier && fe.chip->readsParameters && FakeLockedNow(fake, fe);
  r.s2 = fe.tune.found.deliverySystem == 2;
  return r;
}

void SetStat(dtv_property* p, uint8_t scale, int64_t value) {
  p->u.st.len = 1;
  p->u.st.stat[0].scale = scale;
  if (scale == FE_SCALE_DECIBEL) {
    p->u.st.stat[0].svalue = value;
  } else {
    p->u.st.stat[0].uvalue = static_cast<uint64_t>(value);
  }
}

void Cnr(FakeDvb* fake, const FakeFrontend& fe, dtv_property* p) {
  uint8_t scale = FakeLockedNow(*fake, fe) ? fe.chip->cnrScale : uint8_t{FE_SCALE_NOT_AVAILABLE};
  if (scale == FE_SCALE_NOT_AVAILABLE) return SetStat(p, scale, 0);
  double db = FakeCnrDb(fake, fe);
  SetStat(p, scale, scale == FE_SCALE_DECIBEL ? std::lround(db * 1000) : FakeRelativeCnr(db));
}

void Strength(const FakeDvb& fake, const FakeFrontend& fe, dtv_property* p) {
  double dbm = 0;
  uint8_t scale = fe.chip->strengthScale;
  if (!FakeStrengthDbm(fake, fe, &dbm)) scale = FE_SCALE_NOT_AVAILABLE;
  if (scale == FE_SCALE_NOT_AVAILABLE) return SetStat(p, scale, 0);
  SetStat(p, scale,
          scale == FE_SCALE_DECIBEL ? std::lround(dbm * 1000) : FakeRelativeStrength(dbm));
}

int EnumDelsys(const FakeFrontend& fe, dtv_property* p) {
  uint32_t n = 0;
  for (uint32_t d : fe.delsys) {
    if (n < sizeof p->u.buffer.data) p->u.buffer.data[n++] = static_cast<uint8_t>(d);
  }
  p->u.buffer.len = n;
  return 0;
}

// Pilot, roll-off and inversion: read back where the chip does, else as set.
uint32_t Detail(const FakeFrontend& fe, const Reading& r, uint32_t cmd) {
  const FakeTune& t = fe.tune;
  const FakePersonality& chip = *fe.chip;
  bool s2Ok = r.s2 || !chip.pilotRollOffS2Only;
  if (cmd == DTV_PILOT) {
    if (!r.parameters || !chip.readsPilot || !s2Ok) return t.pilot;
    return r.s2 && t.found.pilot == 2 ? uint32_t{PILOT_ON} : uint32_t{PILOT_OFF};
  }
  if (cmd == DTV_ROLLOFF) {
    if (!r.parameters || !chip.readsRollOff || !s2Ok) return t.rollOff;
    return r.s2 ? ApiRollOff(t.found.rollOff) : uint32_t{ROLLOFF_35};
  }
  if (!r.parameters || !chip.readsInversion) return t.inversion;
  bool on = (t.found.spectrum == 2) != t.foundInverted;
  return on ? uint32_t{INVERSION_ON} : uint32_t{INVERSION_OFF};
}

// A property of one value; false for one this family does not know.
bool Scalar(const FakeDvb& fake, const FakeFrontend& fe, uint32_t cmd, uint32_t* v) {
  const FakeTune& t = fe.tune;
  Reading r = ReadingNow(fake, fe);
  switch (cmd) {
    case DTV_API_VERSION:
      *v = (DVB_API_VERSION << 8) | DVB_API_VERSION_MINOR;
      return true;
    case DTV_DELIVERY_SYSTEM:
      *v = r.parameters ? (r.s2 ? uint32_t{SYS_DVBS2} : uint32_t{SYS_DVBS})
                        : (t.delsys != 0 ? t.delsys : fe.delsys.front());
      return true;
    case DTV_FREQUENCY:
      *v = r.parameters ? static_cast<uint32_t>(std::lround(t.readFrequencyKHz)) : t.frequencyKHz;
      return true;
    case DTV_SYMBOL_RATE:
      *v = r.parameters ? static_cast<uint32_t>(std::lround(t.readSymbolRate)) : t.symbolRate;
      return true;
    case DTV_MODULATION:
      *v = r.parameters ? ApiModulation(t.found.modulation) : t.modulation;
      return true;
    case DTV_INNER_FEC:
      *v = r.parameters ? ApiFec(t.found.codeRate) : t.fec;
      return true;
    case DTV_PILOT:
    case DTV_ROLLOFF:
    case DTV_INVERSION:
      *v = Detail(fe, r, cmd);
      return true;
    case DTV_STREAM_ID:
      *v = t.streamId;
      return true;
    case DTV_VOLTAGE:
      *v = static_cast<uint32_t>(fake.voltage);
      return true;
    case DTV_TONE:
      *v = static_cast<uint32_t>(fake.tone);
      return true;
    default:
      return false;
  }
}

int GetOne(FakeDvb* fake, const FakeFrontend& fe, dtv_property* p) {
  switch (p->cmd) {
    case DTV_ENUM_DELSYS:
      return EnumDelsys(fe, p);
    case DTV_STAT_CNR:
      Cnr(fake, fe, p);
      return 0;
    case DTV_STAT_SIGNAL_STRENGTH:
      Strength(*fake, fe, p);
      return 0;
    case DTV_STAT_PRE_ERROR_BIT_COUNT:
    case DTV_STAT_PRE_TOTAL_BIT_COUNT:
    case DTV_STAT_POST_ERROR_BIT_COUNT:
    case DTV_STAT_POST_TOTAL_BIT_COUNT:
    case DTV_STAT_ERROR_BLOCK_COUNT:
    case DTV_STAT_TOTAL_BLOCK_COUNT:
      SetStat(p, FE_SCALE_NOT_AVAILABLE, 0);
      return 0;
    default:
      break;
  }
  uint32_t v = 0;
  if (!Scalar(*fake, fe, p->cmd, &v)) return -EINVAL;
  p->u.data = v;
  return 0;
}

}  // namespace

int FakeGetProperties(FakeDvb* fake, FakeFrontend* fe, dtv_properties* props) {
  if (props == nullptr || props->props == nullptr) return -EFAULT;
  if (props->num == 0 || props->num > DTV_IOCTL_MAX_MSGS) return -EINVAL;
  ++fake->counters.propertyGets;
  FakeAdvanceUs(fake, fe->chip->getPropertyUs);
  for (uint32_t i = 0; i < props->num; ++i) {
    int r = GetOne(fake, *fe, &props->props[i]);
    props->props[i].result = r;
    if (r < 0) return r;
  }
  return 0;
}
