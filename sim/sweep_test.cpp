#include "sweep.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// One satellite on port 1 with a handful of carriers, the real LNB 1 MHz off its label.
SimDevice TestDevice() {
  SimDevice d;
  const char* text = R"(lnb lo=9751,10601 tilt=2 ripple=0.5
input committed=1 sat=19.2E
sat 19.2E
tp 10800 H 27500 S QPSK 3/4 cn=10
tp 11000 V 22000 S2 8PSK 2/3 cn=12 isi=3,9
tp 11100 H 2000 S2 QPSK 3/4 cn=2.0
tp 12100 H 30000 S2 16APSK 3/4 cn=14
)";
  EXPECT_EQ(ParseSky(text, "test.sky", &d.sky), 0);
  d.dish = InitialDishState(d.sky);
  return d;
}

std::vector<TransponderRecord> Sweep(SimDevice* d, uint32_t startMHz, uint32_t stopMHz,
                                     uint32_t pol, uint32_t lof1 = 9750, uint32_t lof2 = 10600) {
  std::vector<TransponderRecord> records(SweepRecordLimit);
  uint32_t count = 99;
  SweepRequest r{startMHz * 1000, stopMHz * 1000, pol, lof1 * 1000, lof2 * 1000, 11700000};
  EXPECT_EQ(RunSweep(d, r, 0, records.data(), &count, nullptr), 1);
  records.resize(count);
  return records;
}

TEST(Sweep, ReportsCarriersOnTheScaleOfThePassedOscillator) {
  // The LNB really runs 1 MHz high, so with its labelled 9750 every carrier shows 1 MHz low;
  // telling the sweep 9751 puts them back where they are.
  SimDevice d = TestDevice();
  std::vector<TransponderRecord> h = Sweep(&d, 10700, 11700, 0);
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h[0].locked, 1u);
  EXPECT_NEAR(h[0].frequency, 10799000.0, 30.0);
  EXPECT_EQ(h[0].symbolRate, 27500000u);
  EXPECT_EQ(h[0].deliverySystem, 1u);
  EXPECT_NEAR(h[0].snr, 10.0, 0.3);
  EXPECT_EQ(h[1].locked, 0u);  // 2.0 dB does not carry QPSK 3/4
  EXPECT_NEAR(h[1].frequency, 11099000.0, 100.0);
  std::vector<TransponderRecord> exact = Sweep(&d, 10700, 11700, 0, 9751, 10601);
  ASSERT_EQ(exact.size(), 2u);
  EXPECT_NEAR(exact[0].frequency, 10800000.0, 30.0);
}

TEST(Sweep, PolarisationAndBandPickTheCarriers) {
  // Vertical low band holds the multistream carrier; horizontal high band the 16APSK one.
  SimDevice d = TestDevice();
  std::vector<TransponderRecord> v = Sweep(&d, 10700, 11700, 1);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].polarisation, 1u);
  EXPECT_EQ(v[0].streamCount, 2u);
  EXPECT_EQ(v[0].streamIds[1], 9);
  EXPECT_GT(v[0].bitRate, 40000000u);
  std::vector<TransponderRecord> high = Sweep(&d, 11700, 12750, 0);
  ASSERT_EQ(high.size(), 1u);
  EXPECT_EQ(high[0].modulation, 3u);
  EXPECT_NEAR(high[0].frequency, 12099000.0, 30.0);
}

TEST(Sweep, TheCommittedPortDecidesWhatIsSeen) {
  // Port 2 has nothing behind it: a clean floor and no records.
  SimDevice d = TestDevice();
  ApplyCommittedByte(&d.dish, 0xF4);
  EXPECT_TRUE(Sweep(&d, 10700, 11700, 0).empty());
}

TEST(Sweep, SameSeedSameRecordsAndProgressForEach) {
  SimDevice a = TestDevice(), b = TestDevice();
  std::vector<TransponderRecord> ra = Sweep(&a, 10700, 12750, 0);
  std::vector<TransponderRecord> rb = Sweep(&b, 10700, 12750, 0);
  ASSERT_EQ(ra.size(), rb.size());
  EXPECT_EQ(std::memcmp(ra.data(), rb.data(), ra.size() * sizeof(TransponderRecord)), 0);

  static int calls = 0;
  calls = 0;
  std::vector<TransponderRecord> records(SweepRecordLimit);
  uint32_t count = 0;
  SweepRequest r{10700000, 11700000, 0, 9750000, 10600000, 11700000};
  ASSERT_EQ(RunSweep(&a, r, 0, records.data(), &count, [](const TransponderRecord*) { ++calls; }),
            1);
  EXPECT_EQ(calls, static_cast<int>(count));
}

TEST(Sweep, UnusableArgumentsFailWithoutWriting) {
  SimDevice d = TestDevice();
  TransponderRecord record{};
  uint32_t count = 5;
  EXPECT_EQ(RunSweep(&d, {10700000, 11700000, 4, 9750000, 0, 0}, 0, &record, &count, nullptr), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(RunSweep(&d, {11700000, 10700000, 0, 9750000, 0, 0}, 0, &record, &count, nullptr), 0);
  EXPECT_EQ(RunSweep(&d, {10700000, 11700000, 0, 9750000, 0, 0}, 0, nullptr, &count, nullptr), 0);
  EXPECT_EQ(RunSweep(&d, {10700000, 11700000, 0, 9750000, 0, 0}, 0, &record, nullptr, nullptr), 0);
}

TEST(Sweep, NeverStoresMoreThanTheLimit) {
  // 300 narrow carriers in one band: the sweep stops at 256 records.
  SimDevice d;
  std::string text = "input sat=19.2E\nsat 19.2E\n";
  for (int i = 0; i < 300; ++i) {
    text += "tp " + std::to_string(10710 + i * 3) + " H 1000 S2 QPSK 3/4 cn=9\n";
  }
  ASSERT_EQ(ParseSky(text, "dense.sky", &d.sky), 0);
  std::vector<TransponderRecord> records(SweepRecordLimit + 8);
  uint32_t count = 0;
  SweepRequest r{10700000, 11700000, 0, 9750000, 10600000, 11700000};
  ASSERT_EQ(RunSweep(&d, r, 0, records.data(), &count, nullptr), 1);
  EXPECT_EQ(count, SweepRecordLimit);
  EXPECT_EQ(records[SweepRecordLimit].frequency, 0u);
}

}  // namespace

namespace {

TEST(Sweep, CarrierOnTheBandSwitchIsReportedByOneHalfOnly) {
  // Carriers just either side of 11700 MHz: each half of a split sweep reports only its own.
  SimDevice d;
  ASSERT_EQ(ParseSky("input sat=19.2E\nsat 19.2E\ntp 11690 H 27500 S QPSK 3/4 cn=10\n"
                     "tp 11712 H 5000 S QPSK 3/4 cn=10\n",
                     "edge.sky", &d.sky),
            0);
  std::vector<TransponderRecord> low = Sweep(&d, 10700, 11700, 0);
  std::vector<TransponderRecord> high = Sweep(&d, 11700, 12750, 0);
  ASSERT_EQ(low.size(), 1u);
  ASSERT_EQ(high.size(), 1u);
  EXPECT_EQ(low[0].symbolRate, 27500000u);
  EXPECT_EQ(high[0].symbolRate, 5000000u);
}

TEST(Sweep, InvertingOscillatorRunsTheIfBackwards) {
  // C band behind a 5150 MHz oscillator: right frequency and spectrum with the right LOF; a LOF
  // 10 MHz high moves every carrier 10 MHz up.
  SimDevice d;
  ASSERT_EQ(ParseSky("lnb lo=5150,0 circular\ninput sat=40.0E\nsat 40.0E\n"
                     "tp 3900 R 27500 S2 8PSK 3/4 inv=on cn=12\ntp 3700 L 10000 S QPSK 1/2 cn=8\n",
                     "cband.sky", &d.sky),
            0);
  std::vector<TransponderRecord> right = Sweep(&d, 3400, 4200, 3, 5150, 0);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_NEAR(right[0].frequency, 3900000.0, 30.0);
  EXPECT_EQ(right[0].spectrum, 2u);
  std::vector<TransponderRecord> left = Sweep(&d, 3400, 4200, 2, 5160, 0);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_NEAR(left[0].frequency, 3710000.0, 30.0);
}

TEST(Sweep, MovingDishSeesItsTargetOnlyOnArrival) {
  // A goto-angle towards 19.2E: one second later the dish is still far off and sees nothing
  // lockable; once there, the satellite's carriers lock.
  SimDevice d;
  ASSERT_EQ(ParseSky("site lat=50 lon=10\nmotor speed=1.5 beam=2\ninput motor\nsat 19.2E\n"
                     "tp 11000 H 27500 S QPSK 3/4 cn=9\n",
                     "motor.sky", &d.sky),
            0);
  d.dish = InitialDishState(d.sky);
  const uint8_t go[] = {0xE0, 0x31, 0x6E, 0xE0, 0xA3};
  ASSERT_EQ(ApplyDiseqcMessage(d.sky, &d.dish, go, 5, 0.0), 1);
  std::vector<TransponderRecord> records(SweepRecordLimit);
  SweepRequest r{10700000, 11700000, 0, 9750000, 10600000, 11700000};
  uint32_t count = 0;
  ASSERT_EQ(RunSweep(&d, r, 1.0, records.data(), &count, nullptr), 1);
  for (uint32_t i = 0; i < count; ++i) EXPECT_EQ(records[i].locked, 0u);
  ASSERT_EQ(RunSweep(&d, r, 10.0, records.data(), &count, nullptr), 1);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(records[0].locked, 1u);
}

}  // namespace

namespace {

TEST(Sweep, LockFollowsTheRequirementOfTheModcod) {
  // 0.3 dB either side of what each modcod needs decides the lock, whatever the seed.
  struct Case {
    const char* modcod;
    double need;
  } cases[] = {{"S QPSK 3/4", 5.46},
               {"S2 QPSK 1/4", -2.35},
               {"S2 8PSK 2/3", 6.62},
               {"S2 16APSK 3/4", 10.21},
               {"S2 32APSK 9/10", 16.05}};
  for (const Case& c : cases) {
    for (double margin : {-0.3, 0.3}) {
      SimDevice d;
      d.seed = 11;
      std::string text = "input sat=19.2E\nsat 19.2E\ntp 11000 H 20000 " + std::string(c.modcod) +
                         " cn=" + std::to_string(c.need + margin) + "\n";
      ASSERT_EQ(ParseSky(text, "lock.sky", &d.sky), 0);
      std::vector<TransponderRecord> r = Sweep(&d, 10700, 11700, 0);
      ASSERT_EQ(r.size(), 1u) << c.modcod << " " << margin;
      EXPECT_EQ(r[0].locked, margin > 0 ? 1u : 0u) << c.modcod << " " << margin;
    }
  }
}

TEST(Sweep, GarbageSkyNeverCrashesAndStillSweeps) {
  // Random statements from the sky vocabulary with random values: parsed with complaints,
  // never a crash, and whatever survives can be swept.
  const char* words[] = {
      "lnb",  "tp",    "sat",         "input",  "motor",      "stored", "site", "name",  "lo=",
      "cn=",  "eirp=", "isi=",        "ro=",    "committed=", "sat=",   "H",    "V",     "S2",
      "QPSK", "3/4",   "19.2E",       "0",      "-1",         "1e308",  "nan",  "11000", ",",
      "=",    "27500", "99999999999", "burst=", "motor",      "8PSK",   "E",    "W",     "0.35"};
  SimRng rng = MakeRng(3, 3);
  std::string text;
  for (int line = 0; line < 3000; ++line) {
    int n = 1 + static_cast<int>(NextRandom(rng) % 9);
    for (int k = 0; k < n; ++k) {
      text += words[NextRandom(rng) % std::size(words)];
      if (NextRandom(rng) % 3 == 0) text += words[NextRandom(rng) % std::size(words)];
      text += NextRandom(rng) % 5 ? " " : "\t";
    }
    text += '\n';
  }
  SimDevice d;
  testing::internal::CaptureStderr();
  EXPECT_GT(ParseSky(text, "garbage.sky", &d.sky), 0);
  testing::internal::GetCapturedStderr();
  d.dish = InitialDishState(d.sky);
  for (uint32_t pol : {0u, 1u}) Sweep(&d, 10700, 12750, pol);
}

}  // namespace
