#include "sky.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* kSmallSky = R"(name Test roof
lnb lo=9750.5,10600 nf=0.9 tilt=4 ripple=1 period=70
site lat=48.5 lon=-2.0
input committed=1 sat=19.2E
input committed=2 burst=b sat=5.0W
sat 19.2E Test A
tp 11494 H 22000 S QPSK 5/6 cn=9.5
tp 10729.5 V 22000 S2 8PSK 2/3 ro=0.20 pilots=on frame=short inv=on mode=acm isi=1,7,200 type=gp eirp=51
sat 5.0W
tp 3900 R 1000 S2 16APSK 3/4
)";

TEST(SkyParse, ReadsEveryStatementIntoItsCodes) {
  // A well-formed sky: the LNB, site, inputs and both satellites come through with record codes.
  Sky sky;
  EXPECT_EQ(ParseSky(kSmallSky, "small.sky", &sky), 0);
  EXPECT_EQ(sky.name, "Test roof");
  EXPECT_DOUBLE_EQ(sky.lnb.lo[0], 9750.5);
  EXPECT_DOUBLE_EQ(sky.lnb.gainTilt, 4);
  EXPECT_DOUBLE_EQ(sky.site.longitude, -2.0);
  ASSERT_EQ(sky.inputs.size(), 2u);
  EXPECT_EQ(sky.inputs[1].committed, 2);
  EXPECT_EQ(sky.inputs[1].toneBurst, 1);
  EXPECT_EQ(sky.inputs[1].satellite, -50);
  ASSERT_EQ(sky.satellites.size(), 2u);
  const SkyTransponder& s = sky.satellites[0].transponders[0];
  EXPECT_EQ(s.deliverySystem, 1u);
  EXPECT_EQ(s.modulation, 1u);  // QPSK of DVB-S
  EXPECT_EQ(s.codeRate, 5u);
  EXPECT_DOUBLE_EQ(s.symbolRate, 22e6);
  const SkyTransponder& s2 = sky.satellites[0].transponders[1];
  EXPECT_EQ(s2.polarisation, 1u);
  EXPECT_EQ(s2.modulation, 2u);  // 8PSK of DVB-S2
  EXPECT_EQ(s2.rollOff, 3u);
  EXPECT_EQ(s2.pilot, 2u);
  EXPECT_EQ(s2.frame, 1u);
  EXPECT_EQ(s2.spectrum, 2u);
  EXPECT_EQ(s2.codingMode, 1u);
  EXPECT_EQ(s2.streamType, 3u);
  EXPECT_EQ(s2.streamIds, (std::vector<uint8_t>{1, 7, 200}));
  EXPECT_TRUE(s2.strengthIsEirp);
  EXPECT_EQ(sky.satellites[1].transponders[0].polarisation, 3u);
}

TEST(SkyParse, BadLinesAreNamedAndSkippedWithoutLosingTheRest) {
  // Each faulty line costs only itself; the good line after it still counts.
  const char* bad[] = {
      "tp 11000 H 27500 S QPSK 3/4",  // before any satellite
      "sat 19.2X",
      "sat 19.2E\ntp 11000 Q 27500 S QPSK 3/4",
      "sat 19.2E\ntp 11000 H abc S QPSK 3/4",
      "sat 19.2E\ntp 11000 H 27500 S 16APSK 3/4",  // no 16APSK in DVB-S
      "sat 19.2E\ntp 11000 H 27500 S2 QPSK 7/10",
      "sat 19.2E\ntp 11000 H 27500 S2 QPSK 3/4 ro=0.3",
      "sat 19.2E\ntp 11000 H 27500 S2 QPSK 3/4 isi=1,300",
      "sat 19.2E\ntp 11000 H",
      "lnb lo=abc",
      "lnb nf=99",
      "site lat=91",
      "sat 19.2E\ntp 11000 H 27500 S QPSK 3/4 cn=500",
      "input committed=5 sat=19.2E",
      "input committed=1",
      "stored 300 19.2E",
      "frobnicate",
  };
  for (const char* line : bad) {
    Sky sky;
    std::string text = std::string(line) + "\nsat 13.0E\ntp 12000 V 27500 S QPSK 3/4\n";
    testing::internal::CaptureStderr();
    int problems = ParseSky(text, "bad.sky", &sky);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(problems, 1) << line;
    EXPECT_NE(err.find("Simulator: bad.sky:"), std::string::npos) << line;
    ASSERT_FALSE(sky.satellites.empty()) << line;
    EXPECT_EQ(sky.satellites.back().transponders.size(), 1u) << line;
  }
}

TEST(SkyParse, ShippedSkiesLoadCleanlyWithRealisticPlans) {
  // The demo sky: port 2 sees 19.2E, and every satellite carries 60 to 120 carriers.
  for (const char* name : {"demo.sky", "motor.sky", "cband.sky"}) {
    Sky sky;
    testing::internal::CaptureStderr();
    ASSERT_EQ(LoadSkyFile(std::string(SIM_SKIES_DIR) + "/" + name, &sky), 1) << name;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << name;
    for (const SkySatellite& sat : sky.satellites) {
      EXPECT_GE(sat.transponders.size(), 20u) << name << " " << sat.name;
      EXPECT_LE(sat.transponders.size(), 120u) << name << " " << sat.name;
    }
  }
  Sky demo;
  LoadSkyFile(std::string(SIM_SKIES_DIR) + "/demo.sky", &demo);
  ASSERT_EQ(demo.satellites.size(), 4u);
  for (const SkySatellite& sat : demo.satellites) EXPECT_GE(sat.transponders.size(), 60u);
  ASSERT_GE(demo.inputs.size(), 2u);
  EXPECT_EQ(demo.inputs[1].committed, 2);
  EXPECT_EQ(demo.inputs[1].satellite, 192);
}

TEST(SkyParse, MissingFileIsReported) {
  Sky sky;
  EXPECT_EQ(LoadSkyFile("/nonexistent/none.sky", &sky), 0);
}

TEST(MotorAngle, MatchesTheProgramsPointing) {
  // 19.2E from 50N 10E needs 10.18 degrees; 5W needs -16.59; 95E is below the horizon.
  SkySite site{50.0, 10.0};
  double angle = 0;
  ASSERT_EQ(MotorAngleFor(site, 19.2, &angle), 1);
  EXPECT_NEAR(angle, 10.18, 0.01);
  ASSERT_EQ(MotorAngleFor(site, -5.0, &angle), 1);
  EXPECT_NEAR(angle, -16.59, 0.01);
  EXPECT_EQ(MotorAngleFor(site, 95.0, &angle), 0);
}

}  // namespace
