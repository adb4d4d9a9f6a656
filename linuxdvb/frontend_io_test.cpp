#include "frontend_io.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A driver that answers every property from a table and reads no status of its own, like
// the kernel's virtual driver: whatever was set comes back.
struct TableDriver {
  std::map<uint32_t, uint32_t> data;
  dtv_stats strength{};
  int statusReads = 0;
};

DvbDevice DeviceOn(TableDriver* t) {
  DvbDevice d;
  d.fd = 3;
  d.sys.ioctl = [t](int, unsigned long request, void* arg) {
    if (request == FE_READ_STATUS) {
      ++t->statusReads;
      *static_cast<fe_status_t*>(arg) = FE_HAS_LOCK;
      return 0;
    }
    if (request != FE_GET_PROPERTY) return -EOPNOTSUPP;
    auto* list = static_cast<dtv_properties*>(arg);
    for (uint32_t i = 0; i < list->num; ++i) {
      dtv_property& p = list->props[i];
      if (p.cmd == DTV_STAT_SIGNAL_STRENGTH) {
        p.u.st.len = 1;
        p.u.st.stat[0] = t->strength;
      } else if (p.cmd == DTV_STAT_CNR) {
        p.u.st.len = 0;
      } else {
        p.u.data = t->data.count(p.cmd) ? t->data[p.cmd] : 0;
      }
    }
    return 0;
  };
  return d;
}

TEST(ReadStrength, ReadsTheStatusFirstAndFloorsReadingsNoTunerGives) {
  // Statistics refresh in the driver's status call; an unlocked reading of minus millions of
  // dB is noise and counts as the bottom of the scale.
  TableDriver t;
  DvbDevice d = DeviceOn(&t);
  struct Case {
    uint8_t scale;
    int64_t svalue;
    uint64_t uvalue;
    double db;
  } cases[] = {{FE_SCALE_DECIBEL, -34000, 0, -34.0},
               {FE_SCALE_DECIBEL, -2594380800, 0, -100.0},
               {FE_SCALE_DECIBEL, 60000, 0, -100.0},
               {FE_SCALE_RELATIVE, 0, 65535, 100.0},
               {FE_SCALE_RELATIVE, 0, 0xFFFFFFFFull, 100.0}};
  for (const Case& c : cases) {
    t.strength.scale = c.scale;
    if (c.scale == FE_SCALE_DECIBEL)
      t.strength.svalue = c.svalue;
    else
      t.strength.uvalue = c.uvalue;
    double db = 0;
    int before = t.statusReads;
    ASSERT_TRUE(ReadStrength(&d, &db));
    EXPECT_DOUBLE_EQ(db, c.db) << c.svalue << " " << c.uvalue;
    EXPECT_EQ(t.statusReads, before + 1);
  }
}

TEST(ReadBack, AnEchoingDriverGivesTheModulationAsUnknown) {
  // The modulation we set comes back with FEC_AUTO: that is our guess, not the carrier's.
  TableDriver t;
  t.data = {{DTV_DELIVERY_SYSTEM, SYS_DVBS2}, {DTV_FREQUENCY, 1550000},
            {DTV_SYMBOL_RATE, 2000000},       {DTV_MODULATION, PSK_8},
            {DTV_INNER_FEC, FEC_AUTO},        {DTV_ROLLOFF, ROLLOFF_AUTO},
            {DTV_PILOT, PILOT_AUTO},          {DTV_INVERSION, INVERSION_AUTO}};
  DvbDevice d = DeviceOn(&t);
  TransponderRecord r{};
  LockedCarrier c{1550000, 2000000};
  ReadBack(&d, &r, &c);
  EXPECT_EQ(r.deliverySystem, 2u);
  EXPECT_EQ(r.modulation, 0u);
  EXPECT_EQ(r.codeRate, 0u);
  EXPECT_EQ(r.rollOff, 0u);
  EXPECT_EQ(r.pilot, 0u);
  EXPECT_EQ(r.spectrum, 0u);
  EXPECT_EQ(r.bitRate, 0u);
  EXPECT_EQ(r.carrierWidth, 2700u);  // unknown roll-off counts as 0.35
  // A driver that tells: 8PSK 3/4 with pilots.
  t.data[DTV_INNER_FEC] = FEC_3_4;
  t.data[DTV_PILOT] = PILOT_ON;
  t.data[DTV_ROLLOFF] = ROLLOFF_20;
  ReadBack(&d, &r, &c);
  EXPECT_EQ(r.modulation, 2u);
  EXPECT_EQ(r.codeRate, 3u);
  EXPECT_EQ(r.pilot, 2u);
  EXPECT_EQ(r.rollOff, 3u);
  EXPECT_EQ(r.carrierWidth, 2400u);
}

}  // namespace
