#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dish/dish.h"
#include "support/fakes.h"

namespace {

std::vector<std::string> SentMessages() {
  std::vector<std::string> sent;
  for (const std::string& e : Events())
    if (e.rfind("Send", 0) == 0 || e.rfind("GetCaps", 0) == 0) sent.push_back(e);
  return sent;
}

std::string Hex(const uint8_t* bytes) {
  char text[20];
  std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X", bytes[0], bytes[1], bytes[2],
                bytes[3], bytes[4]);
  return text;
}

// Both normalisations: out-of-range positions count as 0, the computation sees -1800 .. 1800
// and the rest of the run 0 .. 3599.
TEST(UsalsTest, SatellitePositionNormalisations) {
  struct Case {
    int32_t satPos, forUsals;
    uint32_t forOutput;
  } cases[] = {
      {3600, 0, 0},         {-3601, 0, 0},       {-3600, 0, 0},       {1800, 1800, 1800},
      {-1800, -1800, 1800}, {2000, -1600, 2000}, {-2000, 1600, 1600}, {3599, -1, 3599},
      {192, 192, 192},      {3550, -50, 3550},   {-50, -50, 3550},    {INT32_MIN, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SatPositionForUsals(c.satPos), c.forUsals) << c.satPos;
    EXPECT_EQ(SatPositionForOutput(SatPositionForUsals(c.satPos)), c.forOutput) << c.satPos;
  }
}

// The range tests run satellite, latitude, longitude in that order with inclusive bounds, and
// the horizon test refuses a satellite too far from the site's meridian.
TEST(UsalsTest, MotorAngleResultCodes) {
  struct Case {
    double sat, lat, lon;
    int expected;
  } cases[] = {
      {180, 90, 180, UsalsOk},
      {-180.1, 0, 0, UsalsBadSatellite},
      {180.1, 100, 200, UsalsBadSatellite},
      {0, 90.1, 200, UsalsBadLatitude},
      {0, -90, 0, UsalsOk},
      {0, 0, -180.1, UsalsBadLongitude},
      {NAN, 0, 0, UsalsBadSatellite},
      {0, NAN, 0, UsalsBadLatitude},
      {95, 50, 10, UsalsBelowHorizon},
      {94, 50, 10, UsalsOk},  // 85 and 84 degrees east
      {-75, 50, 10, UsalsBelowHorizon},
      {101, 0, 10, UsalsBelowHorizon},
  };
  for (const Case& c : cases) {
    double angle = 1234;
    EXPECT_EQ(UsalsMotorAngle(c.sat, c.lat, c.lon, &angle), c.expected)
        << c.sat << " " << c.lat << " " << c.lon;
  }
}

// The worked examples: 19.2 E from 50.0 N 10.0 E is 10.18 degrees, 5.0 W is -16.59 degrees.
TEST(UsalsTest, MotorAngleWorkedExamples) {
  double angle = 0;
  ASSERT_EQ(UsalsMotorAngle(19.2, 50, 10, &angle), UsalsOk);
  EXPECT_NEAR(angle, 10.18, 0.005);
  ASSERT_EQ(UsalsMotorAngle(-5, 50, 10, &angle), UsalsOk);
  EXPECT_NEAR(angle, -16.59, 0.005);
  ASSERT_EQ(UsalsMotorAngle(10, -50, 10, &angle), UsalsOk);
  EXPECT_EQ(angle, 0.0);
}

// Steps are sixteenths of a degree rounded half up; the direction nibble is E, D, or 0 for a
// negative angle with USALS 2; angles beyond 90 degrees build nothing.
TEST(UsalsTest, GotoCommandBytes) {
  struct Case {
    double angle;
    bool usalsTwo;
    int result;
    const char* bytes;
  } cases[] = {
      {10.18, false, 0, "E0 31 6E E0 A3"}, {-16.59, false, 0, "E0 31 6E D1 09"},
      {-16.59, true, 0, "E0 31 6E 01 09"}, {0.0, false, 0, "E0 31 6E E0 00"},
      {0.0, true, 0, "E0 31 6E E0 00"},    {90.0, false, 0, "E0 31 6E E5 A0"},
      {-90.0, true, 0, "E0 31 6E 05 A0"},  {0.03125, false, 0, "E0 31 6E E0 01"},
      {90.01, false, 1, "00 00 00 00 00"}, {-91, true, 1, "00 00 00 00 00"},
      {NAN, false, 1, "00 00 00 00 00"},
  };
  for (const Case& c : cases) {
    uint8_t message[5] = {};
    EXPECT_EQ(UsalsGotoCommand(c.angle, c.usalsTwo, message), c.result) << c.angle;
    EXPECT_EQ(Hex(message), c.bytes) << c.angle << " usalsTwo " << c.usalsTwo;
  }
}

struct PositionUsalsTest : testing::Test {
  FakeSys fake;
  TunerApi tuner = FakeTuner::Api();
  void SetUp() override {
    FakeTuner::Reset();
    fake.ini["Options"] = {{"Lat", "500"}, {"Long", "100"}};
  }
  uint32_t Run() { return PositionDish(fake.sys(), tuner, "Vextral.ini").satellitePosition; }
};

// A satellite west of the site prints its normalised position and a negative motor angle; the
// direction code depends on USALS 2, and any other nonzero USALS works like 1.
TEST_F(PositionUsalsTest, WestSatelliteLinesAndMessage) {
  const std::string deg = kDegreeSign;
  struct Case {
    const char* satPos;
    const char* usals;
    const char* firstSend;
  } cases[] = {{"-50", "1", "SendDiseqCmd E0 31 6E D1 09"},
               {"3550", "-1", "SendDiseqCmd E0 31 6E D1 09"},
               {"3550", "2", "SendDiseqCmd E0 31 6E 01 09"}};
  for (const Case& c : cases) {
    FakeTuner::Reset();
    fake.console.clear();
    fake.ini["SatInfo"] = {{"SatPos", c.satPos}, {"USALS", c.usals}};
    EXPECT_EQ(Run(), 3550u);
    std::string bytes = std::string(c.firstSend).substr(13);
    EXPECT_EQ(fake.console, "USALS: Lattitude = 50.0" + deg + ", Longtitude = 10.0" + deg +
                                ", Satellite angle = -5.0" + deg + "\nUSALS: Motor angle = -16.6" +
                                deg + ", DiSEqC cmd: " + bytes + "\n");
    ASSERT_FALSE(SentMessages().empty());
    EXPECT_EQ(SentMessages().front(), c.firstSend) << c.satPos << " USALS " << c.usals;
  }
}

// A refused computation prints its text, sends nothing and waits for nothing; the position is
// still normalised for the rest of the run.
TEST_F(PositionUsalsTest, RefusedComputationSendsNothing) {
  struct Case {
    std::map<std::string, std::string> options;
    const char* satPos;
    const char* text;
  } cases[] = {
      {{}, "192", "Incorrect lattitude !\n"},
      {{{"Lat", "500"}}, "192", "Incorrect longtitude !\n"},
      {{{"Lat", "901"}, {"Long", "0"}}, "192", "Incorrect lattitude !\n"},
      {{{"Lat", "500"}, {"Long", "100"}}, "950", "Satellite out of horizont !\n"},
      {{{"Lat", "500"}, {"Long", "100"}}, "-2000", "Satellite out of horizont !\n"},
  };
  for (const Case& c : cases) {
    FakeTuner::Reset();
    fake.console.clear();
    fake.ini["Options"] = c.options;
    fake.ini["SatInfo"] = {{"SatPos", c.satPos}, {"USALS", "1"}, {"Wait", "5"}};
    uint32_t position = Run();
    EXPECT_EQ(fake.console, c.text) << c.satPos;
    for (const std::string& e : Events()) EXPECT_EQ(e.rfind("out: ", 0), 0u) << e;
    EXPECT_EQ(position, SatPositionForOutput(SatPositionForUsals(std::stoi(c.satPos))));
  }
}

// The USALS command goes out without a capability query, even to a card without DiSEqC.
TEST_F(PositionUsalsTest, SentWithoutCapabilityTest) {
  FakeTuner::Get().caps = 0;
  fake.ini["SatInfo"] = {{"SatPos", "192"}, {"USALS", "1"}};
  Run();
  EXPECT_EQ(SentMessages(),
            (std::vector<std::string>{"SendDiseqCmd E0 31 6E E0 A3", "SendDiseqCmd E1 31 6E E0 A3",
                                      "SendDiseqCmd E1 31 6E E0 A3"}));
}

// With USALS 0 nothing is computed, printed or sent, but the position is still normalised.
TEST_F(PositionUsalsTest, OffStillNormalises) {
  fake.ini["SatInfo"] = {{"SatPos", "-1800"}};
  EXPECT_EQ(Run(), 1800u);
  EXPECT_EQ(fake.console, "");
  EXPECT_TRUE(Events().empty());
}

}  // namespace
