#include <gtest/gtest.h>
#include <linux/dvb/frontend.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "backend_test_rig.h"

namespace {

struct Carrier {
  double rfMHz;
  const char* pol;
  uint32_t rateKs;
  const char* system;
  const char* modulation;
  const char* fec;
  double cn;
  bool expected;  // clears its requirement by 3 dB or more and is 2 MS/s or wider
};

// One satellite's horizontal low band: wide and narrow, DVB-S and DVB-S2, close neighbours,
// one too weak to lock and one vertical carrier that a horizontal sweep must not see.
const Carrier kCarriers[] = {
    {10744.0, "H", 22000, "S", "QPSK", "5/6", 11, true},
    {10773.0, "H", 22000, "S2", "8PSK", "2/3", 12, true},
    {10832.0, "H", 27500, "S2", "QPSK", "3/4", 9, true},
    {10862.2, "H", 27500, "S2", "8PSK", "3/4", 13, true},  // 1.1 x SR from its neighbour
    {10905.5, "H", 2000, "S2", "QPSK", "2/3", 9, true},
    {10911.0, "H", 3600, "S", "QPSK", "3/4", 10, true},
    {10934.0, "H", 7200, "S2", "8PSK", "5/6", 14, true},
    {10971.0, "H", 30000, "S2", "16APSK", "3/4", 15, true},
    {11023.0, "H", 27500, "S2", "8PSK", "2/3", 4, false},  // below its requirement
    {11060.0, "V", 27500, "S", "QPSK", "3/4", 10, false},
    {11150.0, "H", 45000, "S2", "QPSK", "9/10", 12, true},
    {11220.0, "H", 4340, "S2", "QPSK", "3/4", 8, true},
    {11305.0, "H", 29900, "S", "QPSK", "2/3", 8, true},
    {11362.0, "H", 2200, "S", "QPSK", "1/2", 7, true},
    {11470.0, "H", 6111, "S2", "8PSK", "3/5", 9, true},
    {11595.0, "H", 30000, "S2", "32APSK", "4/5", 18, true},
};

std::string SkyText() {
  std::string text = "lnb lo=9750,10600\ninput sat=19.2E\nsat 19.2E\n";
  char line[160];
  for (const Carrier& c : kCarriers) {
    std::snprintf(line, sizeof line, "tp %.1f %s %u %s %s %s cn=%.1f\n", c.rfMHz, c.pol, c.rateKs,
                  c.system, c.modulation, c.fec, c.cn);
    text += line;
  }
  return text;
}

struct Swept {
  std::vector<TransponderRecord> records;
  std::vector<uint32_t> progressed;  // frequencies in the order the callback saw them
  int result = 0;
};

Swept SweepOnce(Backend* b, const DvbSweepRequest& request) {
  Swept s;
  s.records.resize(kDvbSweepRecordLimit + 8);
  uint32_t count = 12345;
  s.result = DvbSweep(&b->device, request, s.records.data(), &count,
                      [&](const TransponderRecord& r) { s.progressed.push_back(r.frequency); });
  s.records.resize(std::min<uint32_t>(count, kDvbSweepRecordLimit + 8));
  return s;
}

const DvbSweepRequest kLowHorizontal{10700000, 11700000, 0, 9750000, 10600000, 11700000};

class EveryDriver : public testing::TestWithParam<const char*> {};

TEST_P(EveryDriver, FindsEveryCarrierThatClearsItsNeedOnce) {
  // Each driver family finds each carrier of 2 MS/s or more with 3 dB to spare, exactly once,
  // on its RF frequency and with its symbol rate, and reports each through the callback.
  auto b = StartBackend(SkyText(), GetParam());
  Swept s = SweepOnce(b.get(), kLowHorizontal);
  ASSERT_EQ(s.result, 1);
  for (const Carrier& c : kCarriers) {
    auto hit = std::find_if(s.records.begin(), s.records.end(), [&](const TransponderRecord& r) {
      return std::fabs(r.frequency / 1000.0 - c.rfMHz) < c.rateKs / 2000.0;
    });
    if (!c.expected) {
      EXPECT_EQ(hit, s.records.end()) << c.rfMHz;
      continue;
    }
    ASSERT_NE(hit, s.records.end()) << c.rfMHz << " not found";
    EXPECT_NEAR(hit->frequency / 1000.0, c.rfMHz, 0.05) << c.rfMHz;
    EXPECT_NEAR(hit->symbolRate / 1000.0, c.rateKs, c.rateKs * 0.01) << c.rfMHz;
    EXPECT_EQ(hit->locked, 1u);
    EXPECT_EQ(hit->polarisation, 0u);
    EXPECT_EQ(hit->deliverySystem, std::string(c.system) == "S" ? 1u : 2u) << c.rfMHz;
  }
  EXPECT_EQ(s.records.size(),
            static_cast<size_t>(std::count_if(std::begin(kCarriers), std::end(kCarriers),
                                              [](const Carrier& c) { return c.expected; })));
  ASSERT_EQ(s.progressed.size(), s.records.size());
  for (size_t i = 0; i < s.records.size(); ++i) EXPECT_EQ(s.progressed[i], s.records[i].frequency);
}

TEST_P(EveryDriver, NoiseAloneGivesNoRecord) {
  // Tilt, ripple and a demodulator that flashes locks on noise must not make a carrier.
  auto b = StartBackend("lnb lo=9750,10600 tilt=4 ripple=1\ninput sat=19.2E\nsat 19.2E\n",
                        GetParam(), 7);
  Swept s = SweepOnce(b.get(), kLowHorizontal);
  EXPECT_EQ(s.result, 1);
  EXPECT_TRUE(s.records.empty());
}

INSTANTIATE_TEST_SUITE_P(Drivers, EveryDriver,
                         testing::Values("stv0910", "m88ds3103", "stv090x", "cx24117"));

TEST(Sweep, ReadsBackWhatTheDriverTells) {
  // stv0910 reads back everything and gives dB statistics; cx24117 gives no statistics and
  // no roll-off, which stay 0 for the program to show as unknown.
  auto full = StartBackend(SkyText(), "stv0910");
  Swept s = SweepOnce(full.get(), kLowHorizontal);
  auto at = [](const Swept& s, double mhz) {
    return *std::find_if(s.records.begin(), s.records.end(), [&](const TransponderRecord& r) {
      return std::fabs(r.frequency / 1000.0 - mhz) < 1;
    });
  };
  TransponderRecord r = at(s, 10971.0);  // DVB-S2 16APSK 3/4
  EXPECT_EQ(r.modulation, 3u);
  EXPECT_EQ(r.codeRate, 3u);
  EXPECT_EQ(r.rollOff, 1u);  // the sky's default 0.35
  EXPECT_NEAR(r.snr, 15.0, 0.5);
  EXPECT_LT(r.rfLevel, -20);
  EXPECT_GT(r.rfLevel, -90);
  EXPECT_NEAR(r.carrierWidth, 40500, 40);
  EXPECT_GT(r.bitRate, 80000000u);
  EXPECT_LT(r.bitRate, 90000000u);
  EXPECT_EQ(r.frame, 0u);
  EXPECT_EQ(r.streamCount, 0u);
  TransponderRecord dvbs = at(s, 10744.0);
  EXPECT_EQ(dvbs.modulation, 1u);
  EXPECT_EQ(dvbs.codeRate, 5u);
  EXPECT_NEAR(dvbs.bitRate, 33790196, 34000);  // 22 MS/s x 2 x 5/6 x 188/204, rate as read
  EXPECT_EQ(dvbs.pilot, 0u);

  auto bare = StartBackend(SkyText(), "cx24117");
  TransponderRecord b = at(SweepOnce(bare.get(), kLowHorizontal), 10971.0);
  EXPECT_EQ(b.snr, 0.0);
  EXPECT_EQ(b.rfLevel, 0);
  EXPECT_EQ(b.rollOff, 0u);
}

TEST(Sweep, AnOscillatorAboveTheBandGivesRfAndTurnsTheSpectrumOver) {
  // C band: 5150 MHz lies above 3400-4200 MHz, so IF = 5150 - RF.
  auto b = StartBackend("lnb lo=5150\ninput sat=40.0W\nsat 40.0W\ntp 3840 H 27500 S QPSK 3/4\n",
                        "stv0910");
  Swept s = SweepOnce(b.get(), {3400000, 4200000, 0, 5150000, 0, 0});
  ASSERT_EQ(s.records.size(), 1u);
  EXPECT_NEAR(s.records[0].frequency / 1000.0, 3840.0, 0.05);
  EXPECT_EQ(s.records[0].spectrum, 1u);  // normal on the RF side
}

TEST(Sweep, StopsAtTheRecordLimit) {
  // 300 carriers in one sweep: 256 are stored and reported, and the count says so.
  std::string sky = "lnb lo=5150\ninput sat=19.2E\nsat 19.2E\n";
  char line[96];
  for (int i = 0; i < 300; ++i) {
    std::snprintf(line, sizeof line, "tp %.1f H 1000 S2 QPSK 3/4 cn=12\n", 3001.0 + 4 * i);
    sky += line;
  }
  auto b = StartBackend(sky, "stv0910");
  b->device.settings.surveyStepMHz = 0.5;
  Swept s = SweepOnce(b.get(), {3000000, 4200000, 0, 5150000, 0, 0});
  EXPECT_EQ(s.records.size(), kDvbSweepRecordLimit);
  EXPECT_EQ(s.progressed.size(), kDvbSweepRecordLimit);
}

TEST(Sweep, FindsNarrowCarriersCloserThanTheTunersFilter) {
  // An SCPC group: 2 to 3.6 MS/s carriers 3.3 to 4.5 MHz apart, which a 3 MHz AGC filter
  // blurs into one hump. Each is found on every non-blocking driver.
  const char* sky = R"(lnb lo=9750,10600
input sat=19.2E
sat 19.2E
tp 11010.0 H 27500 S2 8PSK 3/4 cn=12
tp 11040.0 H 2960 S2 QPSK 3/4 ro=0.20 cn=9
tp 11043.6 H 2000 S2 QPSK 2/3 ro=0.20 cn=8
tp 11047.0 H 2000 S QPSK 3/4 cn=9
tp 11051.5 H 3600 S2 8PSK 2/3 ro=0.20 cn=12
)";
  for (const char* chip : {"stv0910", "m88ds3103"}) {
    auto b = StartBackend(sky, chip, 3);
    Swept s = SweepOnce(b.get(), kLowHorizontal);
    std::vector<double> found;
    for (const TransponderRecord& r : s.records)
      found.push_back(std::round(r.frequency / 100.0) / 10);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<double>{11010.0, 11040.0, 11043.6, 11047.0, 11051.5})) << chip;
  }
}

TEST(Sweep, FindsACarrierBetweenNarrowerNeighboursInOneHump) {
  // A 7.2 MS/s carrier between narrower ones: a blocking driver's wide survey filter blurs
  // them into one hump whose width fits none of them. Each is found.
  const char* sky = R"(lnb lo=9750,10600
input sat=19.2E
sat 19.2E
tp 11507.6 H 2960 S2 QPSK 3/4 cn=9
tp 11516.2 H 7200 S2 QPSK 3/4 cn=10
tp 11524.0 H 2000 S2 QPSK 3/4 cn=11
tp 11528.7 H 3600 S2 QPSK 3/4 cn=9
)";
  auto b = StartBackend(sky, "stv090x", 3);
  Swept s = SweepOnce(b.get(), kLowHorizontal);
  std::vector<double> found;
  for (const TransponderRecord& r : s.records)
    found.push_back(std::round(r.frequency / 100.0) / 10);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<double>{11507.6, 11516.2, 11524.0, 11528.7}));
}

TEST(Sweep, AWeakWideCarrierBesideAStrongNarrowOneIsFoundFromWhatIsLeft) {
  // 7.2 MS/s at 5.9 dB, 6.2 MHz from a 1.5 MS/s carrier at 14.1 dB: the survey shows one hump
  // shaped by the strong one, and what stays free once it is locked is the weak one.
  const char* sky = R"(lnb lo=9750,10600
input sat=19.2E
sat 19.2E
tp 10721.424 V 6111 S2 QPSK 3/5 ro=0.35 cn=6.8
tp 10731.188 V 6111 S2 QPSK 3/4 ro=0.25 cn=8.5
tp 10738.821 V 1500 S2 8PSK 2/3 ro=0.20 cn=14.1
tp 10745.031 V 7200 S2 QPSK 3/5 ro=0.35 cn=5.9
)";
  for (const char* chip : {"stv0910", "m88ds3103"}) {
    auto b = StartBackend(sky, chip);
    DvbSweepRequest vertical = kLowHorizontal;
    vertical.polarisation = 1;
    Swept s = SweepOnce(b.get(), vertical);
    std::vector<double> found;
    for (const TransponderRecord& r : s.records) {
      found.push_back(std::round(r.frequency / 100.0) / 10);
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<double>{10721.4, 10731.2, 10738.8, 10745.0})) << chip;
  }
}

TEST(Sweep, ReadsTheTunerRangeInHzWhereTheFrontendStillSpeaksHz) {
  // A multi-standard frontend last set to a terrestrial system gives its range in Hz
  // (51 MHz to 2150 MHz): read as kHz, the band would start at 51 GHz and nothing be swept.
  auto b = StartBackend(SkyText(), "stv0910");
  DvbSys fake = b->device.sys;
  b->device.sys.ioctl = [fake](int fd, unsigned long request, void* arg) {
    int r = fake.ioctl(fd, request, arg);
    if (request == FE_GET_INFO && r >= 0) {
      static_cast<dvb_frontend_info*>(arg)->frequency_min = 51000000;
      static_cast<dvb_frontend_info*>(arg)->frequency_max = 2150000000u;
    }
    return r;
  };
  EXPECT_EQ(SweepOnce(b.get(), kLowHorizontal).records.size(), 14u);
}

TEST(Sweep, RefusesWithoutAStartedDeviceOrWithBadArguments) {
  DvbDevice idle;
  TransponderRecord r[4];
  uint32_t count = 7;
  EXPECT_EQ(DvbSweep(&idle, kLowHorizontal, r, &count, nullptr), 0);
  auto b = StartBackend(SkyText(), "stv0910");
  DvbSweepRequest bad = kLowHorizontal;
  bad.polarisation = 4;
  EXPECT_EQ(DvbSweep(&b->device, bad, r, &count, nullptr), 0);
  EXPECT_EQ(DvbSweep(&b->device, kLowHorizontal, nullptr, &count, nullptr), 0);
  // A range the tuner cannot reach is an empty sweep, not a failure.
  count = 7;
  EXPECT_EQ(DvbSweep(&b->device, {5000000, 6000000, 0, 9750000, 0, 0}, r, &count, nullptr), 1);
  EXPECT_EQ(count, 0u);
}

}  // namespace
