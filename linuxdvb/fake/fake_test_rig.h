// A fake with a small known sky and one open frontend, driven through the seam as the
// back-end drives it.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/dvb/frontend.h>
#include <sys/ioctl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "fake_dvb.h"

// Port 1 sees 19.2E, port 2 sees 13.0E; every carrier is listed with its IF.
inline const char* kRigSky = R"(lnb lo=9750,10600 tilt=0 ripple=0 gain=55 nf=0.8
input committed=1 sat=19.2E
input committed=2 sat=13.0E
sat 19.2E
tp 10950 H 27500 S2 8PSK 2/3 ro=0.20 pilots=on cn=12
tp 11000 V 22000 S QPSK 3/4 cn=10
tp 11200 H 27500 S2 QPSK 1/2 cn=1.5
tp 11300 H 27500 S QPSK 5/6 cn=10
tp 11400 H 2000 S2 QPSK 3/4 cn=8
tp 12000 H 30000 S2 16APSK 3/4 cn=14
sat 13.0E
tp 11100 H 27500 S2 QPSK 3/4 cn=9
)";

// IF of each carrier above (MHz) with the voltage and tone that show it.
constexpr uint32_t kS2Strong = 1200000;    // 18 V, tone off, port 1
constexpr uint32_t kSVertical = 1250000;   // 13 V
constexpr uint32_t kS2Marginal = 1450000;  // 0.5 dB over its requirement
constexpr uint32_t kSCarrier = 1550000;
constexpr uint32_t kNarrow = 1650000;    // 2 MS/s
constexpr uint32_t kHighBand = 1400000;  // tone on
constexpr uint32_t kPort2 = 1350000;     // only on port 2
constexpr uint32_t kEmpty = 1800000;     // nothing anywhere near

struct Rig {
  FakeDvb fake;
  DvbSys sys;
  int fd = -1;
};

inline void* Value(uintptr_t v) {
  return reinterpret_cast<void*>(v);
}

// Opened read-write with 18 V and the tone off, as a sweep of the low horizontal band starts.
inline std::unique_ptr<Rig> MakeRig(const char* chip, uint64_t seed = 1) {
  auto rig = std::make_unique<Rig>();
  EXPECT_EQ(MakeFakeDvbFromText(kRigSky, chip, seed, &rig->fake), 1);
  rig->sys = FakeDvbSys(&rig->fake);
  rig->fd = rig->sys.open("/dev/dvb/adapter0/frontend0", O_RDWR | O_NONBLOCK);
  EXPECT_GE(rig->fd, 0);
  EXPECT_EQ(rig->sys.ioctl(rig->fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_18)), 0);
  EXPECT_EQ(rig->sys.ioctl(rig->fd, FE_SET_TONE, Value(SEC_TONE_OFF)), 0);
  return rig;
}

inline dtv_property Prop(uint32_t cmd, uint32_t data = 0) {
  dtv_property p{};
  p.cmd = cmd;
  p.u.data = data;
  return p;
}

inline int Tune(Rig& r, uint32_t kHz, uint32_t symbolRate, uint32_t delsys = SYS_DVBS2) {
  std::vector<dtv_property> props = {Prop(DTV_CLEAR), Prop(DTV_DELIVERY_SYSTEM, delsys),
                                     Prop(DTV_FREQUENCY, kHz), Prop(DTV_SYMBOL_RATE, symbolRate),
                                     Prop(DTV_TUNE)};
  dtv_properties list{static_cast<uint32_t>(props.size()), props.data()};
  return r.sys.ioctl(r.fd, FE_SET_PROPERTY, &list);
}

inline uint32_t Status(Rig& r) {
  fe_status_t s{};
  EXPECT_EQ(r.sys.ioctl(r.fd, FE_READ_STATUS, &s), 0);
  return s;
}

// The status once the search is surely over.
inline uint32_t SettledStatus(Rig& r) {
  r.sys.sleepMs(3000);
  return Status(r);
}

inline dtv_property Get(Rig& r, uint32_t cmd) {
  dtv_property p = Prop(cmd);
  dtv_properties list{1, &p};
  EXPECT_EQ(r.sys.ioctl(r.fd, FE_GET_PROPERTY, &list), 0);
  return p;
}
