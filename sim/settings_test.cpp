#include "settings.h"

#include <gtest/gtest.h>

namespace {

TEST(Settings, ReadsTheSimulatorSectionWithoutRegardToCase) {
  SimSettings s = ParseSettings(
      "[Kestrune]\nLNBMid=5000\n[simulator]\nsky = \"my.sky\"\nPACE=Hardware\nSeed=42\n"
      "Devices=2\nDeviceName=Roof tuner\nCaps=0x20040\n",
      "Kestrune.ini");
  EXPECT_EQ(s.sky, "my.sky");
  EXPECT_TRUE(s.hardwarePace);
  EXPECT_EQ(s.seed, 42u);
  EXPECT_EQ(s.devices, 2);
  EXPECT_EQ(s.deviceName, "Roof tuner");
  EXPECT_EQ(s.caps, 0x20040u);
  EXPECT_EQ(s.lnbMid, 5000);
}

TEST(Settings, BadValuesAreNamedAndKeepTheirDefaults) {
  testing::internal::CaptureStderr();
  SimSettings s = ParseSettings("[Simulator]\nPace=fast\nSeed=-3\nDevices=many\n", "K.ini");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(s.hardwarePace);
  EXPECT_EQ(s.seed, 1u);
  EXPECT_EQ(s.devices, 1);
  EXPECT_NE(err.find("Simulator: K.ini [Simulator] Pace=fast is not valid; using instant"),
            std::string::npos);
  EXPECT_NE(err.find("Seed=-3"), std::string::npos);
  EXPECT_NE(err.find("Devices=many"), std::string::npos);
}

TEST(Settings, MissingFileGivesDefaultsQuietly) {
  testing::internal::CaptureStderr();
  SimSettings s = LoadSettings("/nonexistent/Kestrune.ini");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(s.sky, "skies/demo.sky");
  EXPECT_EQ(s.caps, 0x20050u);
}

}  // namespace
