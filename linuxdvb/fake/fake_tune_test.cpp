// The fake demodulator: what it acquires, when, what it reads back, and its statistics.
#include <cmath>
#include <string>

#include "fake_test_rig.h"
#include "link.h"

namespace {

// Waits for the search's outcome through events, as a back-end does; a lock that is gone
// 60 ms later was a lock on noise.
bool Acquires(Rig& r) {
  dvb_frontend_event e{};
  // A search has a handful of status changes; more means the clock or queue is stuck.
  for (int i = 0; i < 10 && r.sys.poll(r.fd, 3000) == 1; ++i) {
    EXPECT_EQ(r.sys.ioctl(r.fd, FE_GET_EVENT, &e), 0);
    if (e.status & FE_TIMEDOUT) return false;
    if (e.status & FE_HAS_LOCK) {
      r.sys.sleepMs(60);
      return (Status(r) & FE_HAS_LOCK) != 0;
    }
  }
  return false;
}

struct AcquireCase {
  const char* chip;
  uint32_t kHz;
  uint32_t symbolRate;
  uint32_t delsys;
  bool locks;
  const char* why;
};

TEST(FakeAcquire, LocksOnlyWithinWindowToleranceSystemAndMargin) {
  const AcquireCase cases[] = {
      {"stv0910", kS2Strong, 27500000, SYS_DVBS2, true, "on the carrier"},
      {"stv0910", kS2Strong + 6000, 27500000, SYS_DVBS2, true, "inside SR/4"},
      {"stv0910", kS2Strong + 7500, 27500000, SYS_DVBS2, false, "outside SR/4"},
      {"m88ds3103", kS2Strong + 2000, 27500000, SYS_DVBS2, true, "inside SR/10"},
      {"m88ds3103", kS2Strong + 3500, 27500000, SYS_DVBS2, false, "outside SR/10"},
      {"stv090x", kS2Strong + 10000, 27500000, SYS_DVBS2, true, "inside SR/2"},
      {"stv0910", kNarrow + 900, 2000000, SYS_DVBS2, true, "inside the 1 MHz floor"},
      {"stv0910", kNarrow + 1300, 2000000, SYS_DVBS2, false, "outside the 1 MHz floor"},
      {"stv0910", kS2Strong, 24000000, SYS_DVBS2, true, "rate 14.6 % off"},
      {"stv0910", kS2Strong, 23500000, SYS_DVBS2, false, "rate 17 % off"},
      {"stv090x", kS2Strong, 23500000, SYS_DVBS2, true, "rate 17 % off, 20 % allowed"},
      {"m88ds3103", kS2Strong, 26500000, SYS_DVBS2, true, "rate 3.8 % off"},
      {"m88ds3103", kS2Strong, 25500000, SYS_DVBS2, false, "rate 7.8 % off"},
      {"stv0910", kS2Strong, 27500000, SYS_DVBS, false, "DVB-S request, DVB-S2 carrier"},
      {"stv0910", kSCarrier, 27500000, SYS_DVBS2, true, "auto-detects DVB-S"},
      {"cx24117", kSCarrier, 27500000, SYS_DVBS2, false, "no auto-detect"},
      {"cx24117", kSCarrier, 27500000, SYS_DVBS, true, "system matches"},
      {"stv0910", kS2Marginal, 27500000, SYS_DVBS2, true, "0.5 dB margin, 0.3 dB loss"},
      {"cx24117", kS2Marginal, 27500000, SYS_DVBS2, false, "0.5 dB margin, 0.8 dB loss"},
      {"stv0910", kEmpty, 27500000, SYS_DVBS2, false, "nothing there"},
      {"stv0910", kSVertical, 22000000, SYS_DVBS, false, "vertical carrier at 18 V"},
  };
  for (const AcquireCase& c : cases) {
    auto r = MakeRig(c.chip);
    ASSERT_EQ(Tune(*r, c.kHz, c.symbolRate, c.delsys), 0) << c.why;
    EXPECT_EQ(Acquires(*r), c.locks) << c.chip << ": " << c.why;
  }
}

TEST(FakeAcquire, RejectsWhatTheDriverRejects) {
  auto m88 = MakeRig("m88ds3103");
  EXPECT_EQ(Tune(*m88, 949999, 27500000), -EINVAL);
  EXPECT_EQ(Tune(*m88, 2150001, 27500000), -EINVAL);
  EXPECT_EQ(Tune(*m88, kS2Strong, 500000), -EINVAL);  // below its 1 MS/s
  EXPECT_EQ(Tune(*m88, kS2Strong, 27500000, SYS_DVBT), -EINVAL);
  auto stv = MakeRig("stv0910");
  EXPECT_EQ(Tune(*stv, kS2Strong, 500000), 0);
  EXPECT_EQ(m88->fake.counters.tunes + stv->fake.counters.tunes, 1u);
}

TEST(FakeReadBack, MeasuredValuesAfterLockSetValuesBefore) {
  auto r = MakeRig("stv0910");
  ASSERT_EQ(Tune(*r, kS2Strong + 1000, 27000000), 0);
  // Not locked yet: what was set, and no CNR.
  EXPECT_EQ(Get(*r, DTV_FREQUENCY).u.data, kS2Strong + 1000);
  EXPECT_EQ(Get(*r, DTV_SYMBOL_RATE).u.data, 27000000u);
  EXPECT_EQ(Get(*r, DTV_STAT_CNR).u.st.stat[0].scale, FE_SCALE_NOT_AVAILABLE);
  ASSERT_TRUE(Acquires(*r));
  EXPECT_NEAR(Get(*r, DTV_FREQUENCY).u.data, kS2Strong, 10.0);
  EXPECT_NEAR(Get(*r, DTV_SYMBOL_RATE).u.data, 27500000, 27500);
  EXPECT_EQ(Get(*r, DTV_DELIVERY_SYSTEM).u.data, SYS_DVBS2);
  EXPECT_EQ(Get(*r, DTV_MODULATION).u.data, PSK_8);
  EXPECT_EQ(Get(*r, DTV_INNER_FEC).u.data, FEC_2_3);
  EXPECT_EQ(Get(*r, DTV_ROLLOFF).u.data, ROLLOFF_20);
  EXPECT_EQ(Get(*r, DTV_PILOT).u.data, PILOT_ON);
  EXPECT_EQ(Get(*r, DTV_INVERSION).u.data, INVERSION_OFF);
  dtv_property cnr = Get(*r, DTV_STAT_CNR);
  EXPECT_EQ(cnr.u.st.stat[0].scale, FE_SCALE_DECIBEL);
  EXPECT_NEAR(cnr.u.st.stat[0].svalue, 12000, 500);
}

struct DetailCase {
  const char* chip;
  uint32_t kHz;
  uint32_t delsys;  // read back
  uint32_t rollOff;
  uint32_t pilot;
};

TEST(FakeReadBack, PilotAndRollOffOnlyWhereTheChipReadsThem) {
  const DetailCase cases[] = {
      {"stv0910", kSCarrier, SYS_DVBS, ROLLOFF_35, PILOT_OFF},
      {"m88ds3103", kS2Strong, SYS_DVBS2, ROLLOFF_20, PILOT_ON},
      {"m88ds3103", kSCarrier, SYS_DVBS, ROLLOFF_35, PILOT_AUTO},  // S2 only
      {"stv090x", kS2Strong, SYS_DVBS2, ROLLOFF_35, PILOT_AUTO},
      {"cx24117", kS2Strong, SYS_DVBS2, ROLLOFF_35, PILOT_ON},
  };
  for (const DetailCase& c : cases) {
    auto r = MakeRig(c.chip);
    ASSERT_EQ(Tune(*r, c.kHz, 27500000), 0);
    ASSERT_TRUE(Acquires(*r)) << c.chip;
    EXPECT_EQ(Get(*r, DTV_DELIVERY_SYSTEM).u.data, c.delsys) << c.chip;
    EXPECT_EQ(Get(*r, DTV_ROLLOFF).u.data, c.rollOff) << c.chip;
    EXPECT_EQ(Get(*r, DTV_PILOT).u.data, c.pilot) << c.chip;
  }
}

TEST(FakeEvents, PollAdvancesTheClockToEachStatusChange) {
  auto r = MakeRig("stv0910");
  uint64_t t0 = r->sys.nowUs();
  ASSERT_EQ(Tune(*r, kS2Strong, 27500000), 0);
  EXPECT_LT(r->sys.nowUs() - t0, 1000u);  // a non-blocking tune returns at once
  dvb_frontend_event e{};
  std::vector<uint32_t> seen;
  for (int i = 0; i < 10 && r->sys.poll(r->fd, 1000) == 1; ++i) {
    ASSERT_EQ(r->sys.ioctl(r->fd, FE_GET_EVENT, &e), 0);
    seen.push_back(e.status);
    if (e.status & FE_HAS_LOCK) break;
  }
  uint32_t signal = FE_HAS_SIGNAL | FE_HAS_CARRIER;
  EXPECT_EQ(seen, (std::vector<uint32_t>{0, signal,
                                         signal | FE_HAS_VITERBI | FE_HAS_SYNC | FE_HAS_LOCK}));
  // 50 ms + 40 ms x 10/27.5, within its 10 % jitter.
  EXPECT_NEAR((r->sys.nowUs() - t0) / 1000.0, 64.5, 7.0);
  EXPECT_NEAR(e.parameters.frequency, kS2Strong, 10.0);
  uint64_t t1 = r->sys.nowUs();
  EXPECT_EQ(r->sys.poll(r->fd, 100), 0);
  EXPECT_EQ(r->sys.nowUs() - t1, 100000u);
  EXPECT_EQ(r->sys.ioctl(r->fd, FE_GET_EVENT, &e), -EWOULDBLOCK);
}

TEST(FakeEvents, EmptyTuneTimesOutAndRetuneDropsOldEvents) {
  auto r = MakeRig("stv0910");
  ASSERT_EQ(Tune(*r, kS2Strong, 27500000), 0);
  r->sys.sleepMs(20);
  uint64_t t0 = r->sys.nowUs();
  ASSERT_EQ(Tune(*r, kEmpty, 27500000), 0);
  dvb_frontend_event e{};
  ASSERT_EQ(r->sys.poll(r->fd, 0), 1);
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_GET_EVENT, &e), 0);
  EXPECT_EQ(e.status, 0u);
  ASSERT_EQ(r->sys.poll(r->fd, 1000), 1);
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_GET_EVENT, &e), 0);
  EXPECT_EQ(e.status, static_cast<uint32_t>(FE_TIMEDOUT));
  // 200 ms + 60 ms x 10/27.5.
  EXPECT_NEAR((r->sys.nowUs() - t0) / 1000.0, 221.8, 0.5);
}

TEST(FakeBlocking, TuneCallTakesTheSearchTime) {
  auto r = MakeRig("stv090x");
  uint64_t t0 = r->sys.nowUs();
  ASSERT_EQ(Tune(*r, kS2Strong, 27500000), 0);
  // 100 ms + 60 ms x 10/27.5, within its 10 % jitter; locked on return.
  EXPECT_NEAR((r->sys.nowUs() - t0) / 1000.0, 121.8, 12.5);
  EXPECT_TRUE(Status(*r) & FE_HAS_LOCK);
  t0 = r->sys.nowUs();
  ASSERT_EQ(Tune(*r, kEmpty, 27500000), 0);
  EXPECT_NEAR((r->sys.nowUs() - t0) / 1000.0, 436.4, 0.5);  // 400 + 100 x 10/27.5
  EXPECT_TRUE(Status(*r) & FE_TIMEDOUT);
}

// The AGC reading in dBm after settling.
double StrengthDbm(Rig& r) {
  dtv_property p = Get(r, DTV_STAT_SIGNAL_STRENGTH);
  EXPECT_EQ(p.u.st.stat[0].scale, FE_SCALE_DECIBEL);
  return p.u.st.stat[0].svalue / 1000.0;
}

TEST(FakeStrength, CarrierPowerAboveTheFloorAfterTheAgcSettles) {
  auto r = MakeRig("stv0910");
  // The filter is 1.35 x 27.5 MHz; the carrier adds 12 dB Es/N0 over 27.5 of its 37.1 MHz.
  double floor = FloorDbmPerHz(r->fake.sim.sky.lnb) + 10 * std::log10(1.35 * 27.5e6);
  ASSERT_EQ(Tune(*r, kEmpty, 27500000), 0);
  r->sys.sleepMs(5);
  EXPECT_NEAR(StrengthDbm(*r), floor, 0.8);
  ASSERT_EQ(Tune(*r, kS2Strong, 27500000), 0);
  r->sys.sleepMs(5);
  double carrier = StrengthDbm(*r);
  EXPECT_NEAR(carrier - floor, 10 * std::log10(1 + std::pow(10, 1.2) * 27.5 / 37.125), 0.8);
  // Right after a retune the AGC still gives the last reading.
  ASSERT_EQ(Tune(*r, kEmpty, 27500000), 0);
  EXPECT_EQ(StrengthDbm(*r), carrier);
  r->sys.sleepMs(5);
  EXPECT_NEAR(StrengthDbm(*r), floor, 0.8);
  // An unpowered LNB leaves only the tuner's own noise.
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_OFF)), 0);
  ASSERT_EQ(Tune(*r, kEmpty, 27500000), 0);
  r->sys.sleepMs(5);
  EXPECT_LT(StrengthDbm(*r), floor - 40);
}

TEST(FakeStrength, EachChipReportsOnItsOwnScale) {
  auto m88 = MakeRig("m88ds3103");
  uint64_t relative[2];
  uint16_t legacy[2];
  const uint32_t where[2] = {kEmpty, kS2Strong};
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(Tune(*m88, where[i], 27500000), 0);
    m88->sys.sleepMs(10);
    dtv_property p = Get(*m88, DTV_STAT_SIGNAL_STRENGTH);
    EXPECT_EQ(p.u.st.stat[0].scale, FE_SCALE_RELATIVE);
    relative[i] = p.u.st.stat[0].uvalue;
    ASSERT_EQ(m88->sys.ioctl(m88->fd, FE_READ_SIGNAL_STRENGTH, &legacy[i]), 0);
  }
  EXPECT_GT(relative[1], relative[0] + 5000);
  EXPECT_GT(legacy[1], legacy[0] + 5000);

  auto cx = MakeRig("cx24117");
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(Tune(*cx, where[i], 27500000), 0);
    EXPECT_EQ(Get(*cx, DTV_STAT_SIGNAL_STRENGTH).u.st.stat[0].scale, FE_SCALE_NOT_AVAILABLE);
    EXPECT_EQ(Get(*cx, DTV_STAT_CNR).u.st.stat[0].scale, FE_SCALE_NOT_AVAILABLE);
    ASSERT_EQ(cx->sys.ioctl(cx->fd, FE_READ_SIGNAL_STRENGTH, &legacy[i]), 0);
  }
  EXPECT_EQ(legacy[0], legacy[1]);  // a constant, whatever is there

  auto stv = MakeRig("stv0910");
  EXPECT_EQ(stv->sys.ioctl(stv->fd, FE_READ_SIGNAL_STRENGTH, &legacy[0]), -EOPNOTSUPP);
  auto stv090x = MakeRig("stv090x");
  ASSERT_EQ(Tune(*stv090x, kS2Strong, 27500000), 0);
  EXPECT_EQ(Get(*stv090x, DTV_STAT_CNR).u.st.stat[0].scale, FE_SCALE_RELATIVE);
}

// One step of a survey of the whole IF range: what the events showed.
struct StepSeen {
  uint32_t kHz;
  std::vector<uint32_t> statuses;
  uint32_t readKHz;  // DTV_FREQUENCY while the first lock held
  uint32_t readRate;
  bool operator==(const StepSeen&) const = default;
};

std::vector<StepSeen> Survey(Rig& r, uint32_t symbolRate) {
  std::vector<StepSeen> steps;
  for (uint32_t kHz = 950000; kHz <= 2150000; kHz += 2000) {
    StepSeen s{kHz, {}, 0, 0};
    EXPECT_EQ(Tune(r, kHz, symbolRate), 0);
    dvb_frontend_event e{};
    for (int i = 0;
         i < 10 && r.sys.poll(r.fd, 2000) == 1 && r.sys.ioctl(r.fd, FE_GET_EVENT, &e) == 0; ++i) {
      s.statuses.push_back(e.status);
      if ((e.status & FE_HAS_LOCK) && s.readKHz == 0) {
        s.readKHz = Get(r, DTV_FREQUENCY).u.data;
        s.readRate = Get(r, DTV_SYMBOL_RATE).u.data;
      }
      if (e.status & FE_TIMEDOUT) break;
    }
    steps.push_back(s);
  }
  return steps;
}

TEST(FakeSurvey, FalseLocksDropFastReadTheRequestAndFollowTheSeed) {
  auto a = MakeRig("m88ds3103", 7);
  std::vector<StepSeen> first = Survey(*a, 1000000);
  int falseLocks = 0;
  for (const StepSeen& s : first) {
    bool locked = false;
    for (uint32_t st : s.statuses) locked = locked || (st & FE_HAS_LOCK);
    if (!locked || !(s.statuses.back() & FE_TIMEDOUT)) continue;
    ++falseLocks;
    EXPECT_EQ(s.readKHz, s.kHz);
    EXPECT_EQ(s.readRate, 1000000u);
  }
  EXPECT_GT(falseLocks, 5);
  EXPECT_LT(falseLocks, 60);
  // Tunes are counted, not logged: the log holds the open, voltage and tone only.
  EXPECT_EQ(a->fake.log.size(), 3u);
  EXPECT_EQ(a->fake.counters.tunes, first.size());
  auto same = MakeRig("m88ds3103", 7);
  EXPECT_TRUE(Survey(*same, 1000000) == first);
  auto other = MakeRig("m88ds3103", 8);
  EXPECT_FALSE(Survey(*other, 1000000) == first);
}

TEST(FakeLostLock, SomeLocksDropWithinTwoSeconds) {
  auto r = MakeRig("stv090x", 3);
  int lost = 0;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(Tune(*r, kS2Strong, 27500000), 0);
    ASSERT_TRUE(Status(*r) & FE_HAS_LOCK);
    r->sys.sleepMs(150);
    ASSERT_TRUE(Status(*r) & FE_HAS_LOCK);
    r->sys.sleepMs(2000);
    uint32_t s = Status(*r);
    if (!(s & FE_HAS_LOCK)) {
      ++lost;
      EXPECT_TRUE(s & FE_HAS_CARRIER);
    }
  }
  EXPECT_GT(lost, 2);
  EXPECT_LT(lost, 25);
}

}  // namespace
