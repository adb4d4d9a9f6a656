#include <gtest/gtest.h>
#include <linux/dvb/frontend.h>

#include "backend_test_rig.h"

namespace {

const char* kSky = "lnb lo=9750,10600\ninput sat=19.2E\nsat 19.2E\n";

TEST(Enumerate, ListsSatelliteFrontendsWithChipAndCard) {
  // A DVB-T frontend between two satellite ones is skipped; the card's name comes from sysfs.
  FakeDvb fake;
  ASSERT_EQ(MakeFakeDvbFromText(kSky, "stv0910", 1, &fake), 1);
  fake.frontends[0].product = "Quad DVB-S2 card\n";
  AddFakeFrontend(&fake, 0, 1, FindFakePersonality("stv0910"), {SYS_DVBT, SYS_DVBT2});
  FakeFrontend& usb = AddFakeFrontend(&fake, 1, 0, FindFakePersonality("m88ds3103"));
  usb.product = "USB box";
  usb.productBesideDevice = true;
  DvbDevice d;
  d.sys = FakeDvbSys(&fake);
  std::vector<std::pair<int, std::string>> seen;
  EXPECT_EQ(DvbEnumerate(&d, [&](int i, const std::string& n) { seen.push_back({i, n}); }), 2);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0],
            (std::pair<int, std::string>{0, "STV0910 (Quad DVB-S2 card) [adapter0/frontend0]"}));
  EXPECT_EQ(seen[1], (std::pair<int, std::string>{1, "M88DS3103 (USB box) [adapter1/frontend0]"}));
  // The second satellite frontend is the one started as device 1.
  fake.log.clear();
  EXPECT_EQ(DvbStart(&d, 1), 1);
  EXPECT_EQ(fake.log.at(0).text, "open /dev/dvb/adapter1/frontend0 rw");
  EXPECT_EQ(fake.log.at(1).text, "tune-mode oneshot");
  DvbStop(&d);
  EXPECT_EQ(fake.log.back().text, "close");
}

TEST(Enumerate, AStartForgetsWhatTheLastDeviceShowed) {
  // Another card may block, sense carriers or take other rates, and its dish is not ours.
  auto b = StartBackend(kSky, "stv0910");
  DvbDevice& d = b->device;
  d.committedPort = 3, d.burst = 1, d.voltage = SEC_VOLTAGE_18, d.tone = SEC_TONE_ON;
  d.sensesCarrier = true, d.rateTolerance = 0.15, d.autoSystem = 1, d.tuneBlocks = 1;
  d.surveyWorks = false;
  d.settings.surveySettleMs = 25;
  ASSERT_EQ(DvbStart(&d, 0), 1);
  DvbDevice fresh;
  EXPECT_EQ(d.committedPort, 0);
  EXPECT_EQ(d.burst, -1);
  EXPECT_EQ(d.voltage, -1);
  EXPECT_EQ(d.tone, -1);
  EXPECT_FALSE(d.sensesCarrier);
  EXPECT_EQ(d.rateTolerance, fresh.rateTolerance);
  EXPECT_EQ(d.autoSystem, -1);
  EXPECT_EQ(d.tuneBlocks, -1);
  EXPECT_TRUE(d.surveyWorks);
  EXPECT_EQ(d.settings.surveySettleMs, 25u);  // the user's settings stay
  EXPECT_EQ(d.frontends.size(), 1u);
}

TEST(Enumerate, BusyDeniedAndMissingFrontendsAreNamed) {
  struct Case {
    bool busy, denied;
    int index;
    const char* words;
  };
  for (const Case& c : {Case{true, false, 0, "/dev/dvb/adapter0/frontend0 is busy"},
                        Case{false, false, 3, "no satellite frontend number 3"}}) {
    FakeDvb fake;
    ASSERT_EQ(MakeFakeDvbFromText(kSky, "stv0910", 1, &fake), 1);
    fake.frontends[0].busy = c.busy;
    DvbDevice d;
    d.sys = FakeDvbSys(&fake);
    EXPECT_EQ(DvbEnumerate(&d, nullptr), 1);
    EXPECT_EQ(DvbStart(&d, c.index), 0);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_NE(fake.messages[0].find(c.words), std::string::npos) << fake.messages[0];
    EXPECT_EQ(d.fd, -1);
  }
  // Without permission nothing is listed, and the reason is told.
  FakeDvb fake;
  ASSERT_EQ(MakeFakeDvbFromText(kSky, "stv0910", 1, &fake), 1);
  fake.frontends[0].denied = true;
  DvbDevice d;
  d.sys = FakeDvbSys(&fake);
  EXPECT_EQ(DvbEnumerate(&d, nullptr), 0);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_NE(fake.messages[0].find("permission denied"), std::string::npos);
}

}  // namespace
