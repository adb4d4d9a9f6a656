// The fake's devices and dish: opening, sysfs, enumeration answers, and how voltage, tone,
// DiSEqC and burst change what reaches the tuner, as the call log records it.
#include <string>

#include "fake_test_rig.h"

namespace {

bool Locks(Rig& r, uint32_t kHz, uint32_t symbolRate, uint32_t delsys = SYS_DVBS2) {
  EXPECT_EQ(Tune(r, kHz, symbolRate, delsys), 0);
  r.sys.sleepMs(2000);
  return (Status(r) & FE_HAS_LOCK) != 0;
}

int SendDiseqc(Rig& r, std::vector<uint8_t> bytes) {
  dvb_diseqc_master_cmd cmd{};
  std::copy(bytes.begin(), bytes.end(), cmd.msg);
  cmd.msg_len = static_cast<uint8_t>(bytes.size());
  return r.sys.ioctl(r.fd, FE_DISEQC_SEND_MASTER_CMD, &cmd);
}

std::vector<std::string> LogTexts(const FakeDvb& fake) {
  std::vector<std::string> texts;
  for (const FakeLogEntry& e : fake.log) texts.push_back(e.text);
  return texts;
}

const char* kPath = "/dev/dvb/adapter0/frontend0";

struct OpenCase {
  bool busy;
  bool denied;
  int flags;
  int result;  // 0: an fd
};

TEST(FakeOpen, BusyRefusesWritersDeniedRefusesAll) {
  const OpenCase cases[] = {
      {false, false, O_RDWR, 0},      {true, false, O_RDWR, -EBUSY},    {true, false, O_RDONLY, 0},
      {false, true, O_RDWR, -EACCES}, {false, true, O_RDONLY, -EACCES},
  };
  for (const OpenCase& c : cases) {
    FakeDvb fake;
    ASSERT_EQ(MakeFakeDvbFromText(kRigSky, "stv0910", 1, &fake), 1);
    fake.frontends[0].busy = c.busy;
    fake.frontends[0].denied = c.denied;
    int fd = FakeDvbSys(&fake).open(kPath, c.flags | O_NONBLOCK);
    if (c.result == 0) {
      EXPECT_GE(fd, 0);
    } else {
      EXPECT_EQ(fd, c.result);
    }
  }
}

TEST(FakeOpen, OneWriterReadersOnlyReadUnknownPathsMissing) {
  FakeDvb fake;
  ASSERT_EQ(MakeFakeDvbFromText(kRigSky, "stv0910", 1, &fake), 1);
  DvbSys sys = FakeDvbSys(&fake);
  EXPECT_EQ(sys.open("/dev/dvb/adapter0/frontend1", O_RDWR), -ENOENT);
  EXPECT_EQ(sys.open("/dev/dvb/adapter1/frontend0", O_RDWR), -ENOENT);
  int rw = sys.open(kPath, O_RDWR);
  ASSERT_GE(rw, 0);
  EXPECT_EQ(sys.open(kPath, O_RDWR), -EBUSY);
  int ro = sys.open(kPath, O_RDONLY);
  ASSERT_GE(ro, 0);
  fe_status_t status{};
  EXPECT_EQ(sys.ioctl(ro, FE_READ_STATUS, &status), 0);
  EXPECT_EQ(sys.ioctl(ro, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_18)), -EPERM);
  dvb_frontend_event event{};
  EXPECT_EQ(sys.ioctl(ro, FE_GET_EVENT, &event), -EPERM);
  EXPECT_EQ(sys.close(rw), 0);
  EXPECT_EQ(sys.close(rw), -EBADF);
  EXPECT_GE(sys.open(kPath, O_RDWR), 0);
  EXPECT_EQ(
      LogTexts(fake),
      (std::vector<std::string>{
          "open /dev/dvb/adapter0/frontend0 rw", "open /dev/dvb/adapter0/frontend0 rw busy",
          "open /dev/dvb/adapter0/frontend0 ro", "close", "open /dev/dvb/adapter0/frontend0 rw"}));
}

TEST(FakeFrontends, IdentityDelsysAndSysfsProduct) {
  FakeDvb fake;
  ASSERT_EQ(MakeFakeDvbFromText(kRigSky, "stv0910", 1, &fake), 1);
  fake.frontends[0].product = "Quad DVB-S2 card";
  FakeFrontend& dvbt =
      AddFakeFrontend(&fake, 1, 0, FindFakePersonality("stv0910"), {SYS_DVBT, SYS_DVBT2});
  dvbt.name = "Terrestrial";
  dvbt.product = "Stick";
  dvbt.productBesideDevice = true;
  DvbSys sys = FakeDvbSys(&fake);
  std::string text;
  EXPECT_TRUE(sys.readText("/sys/class/dvb/dvb0.frontend0/device/product", &text));
  EXPECT_EQ(text, "Quad DVB-S2 card\n");
  EXPECT_FALSE(sys.readText("/sys/class/dvb/dvb0.frontend0/device/../product", &text));
  EXPECT_FALSE(sys.readText("/sys/class/dvb/dvb1.frontend0/device/product", &text));
  EXPECT_TRUE(sys.readText("/sys/class/dvb/dvb1.frontend0/device/../product", &text));
  EXPECT_EQ(text, "Stick\n");

  Rig r{std::move(fake), {}, -1};
  r.sys = FakeDvbSys(&r.fake);
  r.fd = r.sys.open("/dev/dvb/adapter1/frontend0", O_RDWR);
  ASSERT_GE(r.fd, 0);
  dvb_frontend_info info{};
  ASSERT_EQ(r.sys.ioctl(r.fd, FE_GET_INFO, &info), 0);
  EXPECT_STREQ(info.name, "Terrestrial");
  dtv_property delsys = Get(r, DTV_ENUM_DELSYS);
  ASSERT_EQ(delsys.u.buffer.len, 2u);
  EXPECT_EQ(delsys.u.buffer.data[0], SYS_DVBT);
  EXPECT_EQ(delsys.u.buffer.data[1], SYS_DVBT2);
  EXPECT_EQ(r.sys.ioctl(r.fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_18)), -EOPNOTSUPP);
  EXPECT_EQ(Tune(r, kS2Strong, 27500000, SYS_DVBS2), -EINVAL);
  EXPECT_EQ(Get(r, DTV_API_VERSION).u.data, 0x050Bu);
}

TEST(FakeDish, VoltageAndToneChoosePolarisationAndBand) {
  auto r = MakeRig("stv0910");
  EXPECT_FALSE(Locks(*r, kSVertical, 22000000, SYS_DVBS));
  EXPECT_FALSE(Locks(*r, kHighBand, 30000000));
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_13)), 0);
  EXPECT_TRUE(Locks(*r, kSVertical, 22000000, SYS_DVBS));
  EXPECT_FALSE(Locks(*r, kS2Strong, 27500000));
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_18)), 0);
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_SET_TONE, Value(SEC_TONE_ON)), 0);
  EXPECT_TRUE(Locks(*r, kHighBand, 30000000));
  EXPECT_FALSE(Locks(*r, kS2Strong, 27500000));
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_OFF)), 0);
  EXPECT_FALSE(Locks(*r, kHighBand, 30000000));
  EXPECT_EQ(LogTexts(r->fake), (std::vector<std::string>{"open /dev/dvb/adapter0/frontend0 rw",
                                                         "voltage 18", "tone off", "voltage 13",
                                                         "voltage 18", "tone on", "voltage off"}));
}

TEST(FakeDish, CommittedByteNeedsThePoweredBusAndTakesItsTime) {
  auto r = MakeRig("stv0910");
  EXPECT_FALSE(Locks(*r, kPort2, 27500000));
  // Port 2 with the LNB unpowered: the switch never hears it.
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_OFF)), 0);
  ASSERT_EQ(SendDiseqc(*r, {0xE0, 0x10, 0x38, 0xF4}), 0);
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_18)), 0);
  EXPECT_FALSE(Locks(*r, kPort2, 27500000));
  ASSERT_EQ(SendDiseqc(*r, {0xE0, 0x10, 0x38, 0xF4}), 0);
  ASSERT_EQ(r->sys.ioctl(r->fd, FE_SET_TONE, Value(SEC_TONE_OFF)), 0);
  EXPECT_TRUE(Locks(*r, kPort2, 27500000));
  EXPECT_FALSE(Locks(*r, kS2Strong, 27500000));
  EXPECT_EQ(SendDiseqc(*r, {0xE0, 0x10}), -EINVAL);
  const std::vector<FakeLogEntry>& log = r->fake.log;
  ASSERT_EQ(log.size(), 8u);
  EXPECT_EQ(log[6].text, "diseqc e0 10 38 f4");
  // Four bytes of 13.5 ms each and the driver's few ms, then the tone command.
  EXPECT_EQ(log[7].atUs - log[6].atUs, 57000u);
}

TEST(FakeDish, BurstChoosesTheInputAndTakesItsTime) {
  const char* sky = R"(input burst=a sat=19.2E
input burst=b sat=13.0E
sat 19.2E
tp 10950 H 27500 S2 8PSK 2/3 cn=12
sat 13.0E
tp 11100 H 27500 S2 QPSK 3/4 cn=9
)";
  Rig r;
  ASSERT_EQ(MakeFakeDvbFromText(sky, "stv0910", 1, &r.fake), 1);
  r.sys = FakeDvbSys(&r.fake);
  r.fd = r.sys.open(kPath, O_RDWR);
  ASSERT_EQ(r.sys.ioctl(r.fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_18)), 0);
  EXPECT_TRUE(Locks(r, kS2Strong, 27500000));
  ASSERT_EQ(r.sys.ioctl(r.fd, FE_DISEQC_SEND_BURST, Value(SEC_MINI_B)), 0);
  ASSERT_EQ(r.sys.ioctl(r.fd, FE_SET_TONE, Value(SEC_TONE_OFF)), 0);
  EXPECT_FALSE(Locks(r, kS2Strong, 27500000));
  EXPECT_TRUE(Locks(r, kPort2, 27500000));
  ASSERT_GE(r.fake.log.size(), 2u);
  const FakeLogEntry& burst = r.fake.log[r.fake.log.size() - 2];
  EXPECT_EQ(burst.text, "burst b");
  EXPECT_EQ(r.fake.log.back().atUs - burst.atUs, 12500u);
}

TEST(FakeDish, ClosingTheLastWriterPowersTheLnbDown) {
  auto r = MakeRig("stv0910");
  EXPECT_TRUE(Locks(*r, kS2Strong, 27500000));
  ASSERT_EQ(r->sys.close(r->fd), 0);
  r->fd = r->sys.open(kPath, O_RDWR);
  EXPECT_EQ(Get(*r, DTV_VOLTAGE).u.data, SEC_VOLTAGE_OFF);
  EXPECT_FALSE(Locks(*r, kS2Strong, 27500000));
}

TEST(FakeDish, ShippedDemoSkyShowsThePortsSatellite) {
  Rig r;
  ASSERT_EQ(MakeFakeDvb(std::string(FAKE_SKIES_DIR) + "/demo.sky", "stv0910", 1, &r.fake), 1);
  r.sys = FakeDvbSys(&r.fake);
  r.fd = r.sys.open(kPath, O_RDWR);
  // The strongest wide horizontal low-band carrier of 19.2E, on port 2.
  const SkyTransponder* best = nullptr;
  for (const SkySatellite& sat : r.fake.sim.sky.satellites) {
    if (sat.position != 192) continue;
    for (const SkyTransponder& tp : sat.transponders) {
      bool fits = tp.polarisation == 0 && tp.frequencyMHz < 11700 && tp.symbolRate >= 20e6;
      if (fits && (best == nullptr || tp.strength > best->strength)) best = &tp;
    }
  }
  ASSERT_NE(best, nullptr);
  ASSERT_EQ(r.sys.ioctl(r.fd, FE_SET_VOLTAGE, Value(SEC_VOLTAGE_18)), 0);
  ASSERT_EQ(SendDiseqc(r, {0xE0, 0x10, 0x38, 0xF6}), 0);
  double ifMHz = best->frequencyMHz - r.fake.sim.sky.lnb.lo[0];
  ASSERT_TRUE(
      Locks(r, static_cast<uint32_t>(ifMHz * 1000), static_cast<uint32_t>(best->symbolRate)));
  EXPECT_NEAR(Get(r, DTV_FREQUENCY).u.data, ifMHz * 1000, 10);
  EXPECT_NEAR(Get(r, DTV_SYMBOL_RATE).u.data, best->symbolRate, best->symbolRate * 1e-3);

  FakeDvb bad;
  EXPECT_EQ(MakeFakeDvb("/nonexistent.sky", "stv0910", 1, &bad), 0);
  FakeDvb other;
  EXPECT_EQ(MakeFakeDvbFromText(kRigSky, "no-such-chip", 1, &other), 0);
}

}  // namespace
