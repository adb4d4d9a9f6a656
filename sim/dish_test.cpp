#include "dish.h"

#include <gtest/gtest.h>

namespace {

// Four ports on a committed switch, port 1 behind an uncommitted switch too, a tone-burst pair
// on port 3 and a motor on uncommitted port 2.
Sky SwitchedSky() {
  Sky sky;
  const char* text = R"(site lat=50 lon=10
motor speed=2 beam=2 start=0
stored 5 13.0E
input uncommitted=2 motor
input committed=1 sat=19.2E
input committed=2 sat=23.5E
input committed=3 burst=a sat=28.2E
input committed=3 burst=b sat=13.0E
sat 19.2E
sat 23.5E
sat 28.2E
sat 13.0E
)";
  EXPECT_EQ(ParseSky(text, "switched.sky", &sky), 0);
  return sky;
}

int32_t SeenPosition(const Sky& sky, const DishState& s, double now) {
  std::vector<SeenSatellite> seen = SeenSatellites(sky, s, now);
  if (seen.empty()) return -1;
  return sky.satellites[seen[0].satellite].position;
}

TEST(Dish, SwitchCommandsSelectTheSatellite) {
  // The committed byte's port bits, the tone burst and the uncommitted port decide the view.
  Sky sky = SwitchedSky();
  DishState s = InitialDishState(sky);
  struct Case {
    uint32_t committed, burst;
    int32_t position;
  } cases[] = {{0xF0, 0, 192}, {0xF4, 0, 235}, {0xF7, 1, 235},
               {0xF8, 0, 282}, {0xFA, 1, 130}, {0xFC, 0, -1}};
  for (const Case& c : cases) {
    ApplyCommittedByte(&s, c.committed);
    ApplyToneBurst(&s, c.burst);
    EXPECT_EQ(SeenPosition(sky, s, 0), c.position) << std::hex << c.committed;
  }
  const uint8_t uncommitted2[] = {0xE0, 0x10, 0x39, 0xF1};
  EXPECT_EQ(ApplyDiseqcMessage(sky, &s, uncommitted2, 4, 0), 1);
  EXPECT_EQ(s.uncommittedPort, 2);
  const uint8_t committedRaw[] = {0xE1, 0x10, 0x38, 0xF6};
  ApplyDiseqcMessage(sky, &s, committedRaw, 4, 0);
  EXPECT_EQ(s.committedPort, 2);
  EXPECT_TRUE(s.committedHorizontal);
  EXPECT_FALSE(s.committedHighBand);
}

TEST(Dish, MotorTurnsAtItsSpeedAndSeesWhatItPointsAt) {
  // E0 31 6E E0 A3 is +10.1875 degrees; at 2 degrees a second it arrives after about 5 s, and
  // half-way the dish points at nothing useful.
  Sky sky = SwitchedSky();
  DishState s = InitialDishState(sky);
  const uint8_t uncommitted2[] = {0xE0, 0x10, 0x39, 0xF1};
  ApplyDiseqcMessage(sky, &s, uncommitted2, 4, 0);
  const uint8_t go[] = {0xE0, 0x31, 0x6E, 0xE0, 0xA3};
  ASSERT_EQ(ApplyDiseqcMessage(sky, &s, go, 5, 100.0), 1);
  EXPECT_NEAR(MotorAngleAt(sky, s, 102.5), 5.0, 1e-9);
  EXPECT_NEAR(MotorAngleAt(sky, s, 200.0), 10.1875, 1e-9);
  std::vector<SeenSatellite> there = SeenSatellites(sky, s, 200.0);
  ASSERT_FALSE(there.empty());
  double best = 99;
  int32_t position = 0;
  for (const SeenSatellite& x : there) {
    if (x.lossDb < best) best = x.lossDb, position = sky.satellites[x.satellite].position;
  }
  EXPECT_EQ(position, 192);
  EXPECT_LT(best, 0.1);
  // West with direction nibble D, and the stored position 5 (13.0E).
  const uint8_t west[] = {0xE0, 0x31, 0x6E, 0xD1, 0x09};
  ApplyDiseqcMessage(sky, &s, west, 5, 300.0);
  EXPECT_NEAR(MotorAngleAt(sky, s, 400.0), -265.0 / 16, 1e-9);
  const uint8_t stored5[] = {0xE0, 0x31, 0x6B, 0x05};
  ApplyDiseqcMessage(sky, &s, stored5, 4, 500.0);
  double expected = 0;
  MotorAngleFor(sky.site, 13.0, &expected);
  EXPECT_NEAR(MotorAngleAt(sky, s, 600.0), expected, 1e-9);
}

TEST(Dish, MalformedMessagesAreRefused) {
  Sky sky = SwitchedSky();
  DishState s = InitialDishState(sky);
  const uint8_t notMaster[] = {0x10, 0x10, 0x39, 0xF1};
  const uint8_t tooLong[] = {0xE0, 0x10, 0x39, 0xF1, 0, 0, 0};
  EXPECT_EQ(ApplyDiseqcMessage(sky, &s, notMaster, 4, 0), 0);
  EXPECT_EQ(ApplyDiseqcMessage(sky, &s, tooLong, 7, 0), 0);
  EXPECT_EQ(ApplyDiseqcMessage(sky, &s, nullptr, 4, 0), 0);
  EXPECT_EQ(ApplyDiseqcMessage(sky, &s, notMaster, 2, 0), 0);
  const uint8_t shortGoto[] = {0xE0, 0x31, 0x6E, 0xE0};  // no low byte: ignored, no crash
  EXPECT_EQ(ApplyDiseqcMessage(sky, &s, shortGoto, 4, 0), 1);
  EXPECT_EQ(s.motorTo, 0.0);
}

}  // namespace
