#include "dish/dish.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace {

using EventList = std::vector<std::string>;

// The tuner calls and sleeps of the log, without console output and key reads.
EventList BusEvents() {
  EventList bus;
  for (const std::string& e : Events())
    if (e.rfind("out: ", 0) != 0 && e.rfind("read ", 0) != 0) bus.push_back(e);
  return bus;
}

struct DishTest : testing::Test {
  FakeSys fake;
  Sys sys = fake.sys();
  TunerApi tuner = FakeTuner::Api();
  void SetUp() override { FakeTuner::Reset(); }
};

// The examples of the committed-switch byte give F7, F0, FD and FA.
TEST(CommittedSwitchByteTest, PortBandAndPolarisationBits) {
  struct Case {
    uint32_t port;
    bool high;
    uint32_t pol;
    uint8_t expected;
  } cases[] = {
      {2, true, 0, 0xF7},   // horizontal, high band
      {1, false, 1, 0xF0},  // vertical, low band
      {4, true, 3, 0xFD},   // right, high band
      {3, false, 2, 0xFA},  // left, low band
  };
  for (const Case& c : cases)
    EXPECT_EQ(CommittedSwitchByte(c.port, c.high, c.pol), c.expected) << "port " << c.port;
}

// Every step switched on: the keys are read in their order and each command follows its
// capability query, with repeats and waits, ending with the USALS command.
TEST_F(DishTest, FullSetUpSendsEveryStepInOrder) {
  fake.logProfileReads = true;
  fake.ini["Options"] = {{"StartWait", "3"}, {"Lat", "500"}, {"Long", "100"}};
  fake.ini["SatInfo"] = {{"DiSEqC11", "16"}, {"DiSEqC", "2"}, {"ToneBurst", "2"}, {"DiSEqC12", "0"},
                         {"SatPos", "192"},  {"USALS", "1"},  {"Wait", "4"}};
  DishSetup setup = PositionDish(sys, tuner, "Vextral.ini");

  const std::string deg = kDegreeSign;
  EventList expected = {"read Options.StartWait",
                        "sleep 3000",
                        "read SatInfo.DiSEqC11",
                        "GetCaps",
                        "SendDiseqCmd E0 10 39 FF",
                        "sleep 100",
                        "SendDiseqCmd E1 10 39 FF",
                        "sleep 100",
                        "SendDiseqCmd E1 10 39 FF",
                        "read SatInfo.Wait",
                        "sleep 4000",
                        "read SatInfo.DiSEqC",
                        "GetCaps",
                        "SendDiSEqC 2 F4",
                        "read SatInfo.ToneBurst",
                        "GetCaps",
                        "SendDiSEqC 1 01",
                        "read SatInfo.DiSEqC12",
                        "GetCaps",
                        "SendDiseqCmd E0 31 6B 00",
                        "sleep 100",
                        "SendDiseqCmd E1 31 6B 00",
                        "sleep 100",
                        "SendDiseqCmd E1 31 6B 00",
                        "read SatInfo.Wait",
                        "sleep 4000",
                        "read SatInfo.SatPos",
                        "read Options.Lat",
                        "read Options.Long",
                        "read SatInfo.USALS",
                        "out: USALS: Lattitude = 50.0" + deg + ", Longtitude = 10.0" + deg +
                            ", Satellite angle = 19.2" + deg + "\n",
                        "out: USALS: Motor angle = 10.2" + deg + ", DiSEqC cmd: E0 31 6E E0 A3\n",
                        "SendDiseqCmd E0 31 6E E0 A3",
                        "sleep 100",
                        "SendDiseqCmd E1 31 6E E0 A3",
                        "sleep 100",
                        "SendDiseqCmd E1 31 6E E0 A3",
                        "read SatInfo.Wait",
                        "sleep 4000"};
  EXPECT_EQ(Events(), expected);
  EXPECT_EQ(setup.diseqcPort, 2);
  EXPECT_EQ(setup.satellitePosition, 192u);
}

// Send results decide repeats and the Wait: a failed first send stops everything, a failed
// repeat ends the repeats but keeps the Wait.
TEST_F(DishTest, RepeatsAndWaitFollowTheSendResults) {
  struct Case {
    const char* name;
    std::deque<int32_t> results;
    EventList bus;
    std::string console;
  } cases[] = {
      {"all succeed",
       {},
       {"SendDiseqCmd E0 31 6B 07", "sleep 100", "SendDiseqCmd E1 31 6B 07", "sleep 100",
        "SendDiseqCmd E1 31 6B 07", "sleep 2000"},
       ""},
      {"second repeat fails",
       {1, 1, 0},
       {"SendDiseqCmd E0 31 6B 07", "sleep 100", "SendDiseqCmd E1 31 6B 07", "sleep 100",
        "SendDiseqCmd E1 31 6B 07", "sleep 2000"},
       "SendDiseqCmd failed !\n"},
      {"first repeat fails",
       {1, 0},
       {"SendDiseqCmd E0 31 6B 07", "sleep 100", "SendDiseqCmd E1 31 6B 07", "sleep 2000"},
       "SendDiseqCmd failed !\n"},
      {"first send fails", {0}, {"SendDiseqCmd E0 31 6B 07"}, "SendDiseqCmd failed !\n"},
  };
  for (const Case& c : cases) {
    FakeTuner::Reset().sendDiseqCmdResults = c.results;
    FakeSys local;
    local.ini["SatInfo"] = {{"Wait", "2"}};
    uint8_t message[4] = {0xE0, 0x31, 0x6B, 0x07};
    SendDiseqcWithRepeats(local.sys(), tuner, "Vextral.ini", message, 4);
    EXPECT_EQ(BusEvents(), c.bus) << c.name;
    EXPECT_EQ(local.console, c.console) << c.name;
  }
}

// Wait sleeps only for 1 to 359 seconds, and is read anew for every command.
TEST_F(DishTest, WaitIsCheckedAsUnsignedAndNeverCached) {
  struct Case {
    const char* wait;
    EventList sleeps;
  } cases[] = {
      {"0", {}}, {"1", {"sleep 1000"}}, {"359", {"sleep 359000"}}, {"360", {}}, {"-1", {}}};
  for (const Case& c : cases) {
    fake.ini["SatInfo"]["Wait"] = c.wait;
    FakeTuner::Reset();
    uint8_t message[4] = {0xE0, 0x10, 0x39, 0xF0};
    SendDiseqcWithRepeats(sys, tuner, "Vextral.ini", message, 4);
    EventList sleeps;
    for (const std::string& e : BusEvents())
      if (e.rfind("sleep ", 0) == 0 && e != "sleep 100") sleeps.push_back(e);
    EXPECT_EQ(sleeps, c.sleeps) << "Wait=" << c.wait;
  }
}

// Each key switches its step on only within its range, with the signed and unsigned tests as
// the keys are defined; the tone burst sends ToneBurst - 1 reduced to a byte.
TEST_F(DishTest, StepsRunOnlyForValuesInRange) {
  struct Case {
    std::map<std::string, std::string> options, satInfo;
    EventList bus;
  } cases[] = {
      {{{"StartWait", "9"}}, {}, {"sleep 9000"}},
      {{{"StartWait", "10"}}, {}, {}},
      {{{"StartWait", "-1"}}, {}, {}},
      {{},
       {{"DiSEqC11", "1"}},
       {"GetCaps", "SendDiseqCmd E0 10 39 F0", "sleep 100", "SendDiseqCmd E1 10 39 F0", "sleep 100",
        "SendDiseqCmd E1 10 39 F0"}},
      {{}, {{"DiSEqC11", "17"}}, {}},
      {{}, {{"DiSEqC11", "-1"}}, {}},
      {{}, {{"DiSEqC", "3"}, {"ToneBurst", "1"}}, {"GetCaps", "SendDiSEqC 2 F8"}},
      {{}, {{"DiSEqC", "0"}, {"ToneBurst", "2"}}, {"GetCaps", "SendDiSEqC 1 01"}},
      {{}, {{"DiSEqC", "-5"}, {"ToneBurst", "1"}}, {"GetCaps", "SendDiSEqC 1 00"}},
      {{}, {{"DiSEqC", "7"}, {"ToneBurst", "1"}}, {}},
      {{}, {{"ToneBurst", "258"}}, {"GetCaps", "SendDiSEqC 1 01"}},
      {{}, {{"ToneBurst", "-2"}}, {}},
      {{},
       {{"DiSEqC12", "255"}},
       {"GetCaps", "SendDiseqCmd E0 31 6B FF", "sleep 100", "SendDiseqCmd E1 31 6B FF", "sleep 100",
        "SendDiseqCmd E1 31 6B FF"}},
      {{}, {{"DiSEqC12", "256"}}, {}},
      {{}, {{"DiSEqC12", "-1"}}, {}},
  };
  for (const Case& c : cases) {
    FakeTuner::Reset();
    FakeSys local;
    local.ini["Options"] = c.options;
    local.ini["SatInfo"] = c.satInfo;
    PositionDish(local.sys(), tuner, "Vextral.ini");
    EXPECT_EQ(BusEvents(), c.bus) << testing::PrintToString(c.options)
                                  << testing::PrintToString(c.satInfo);
    EXPECT_EQ(local.console, "");
  }
}

// A card without DiSEqC or tone burst gets each step's own text and no command.
TEST_F(DishTest, MissingCapabilitiesPrintTheirTexts) {
  FakeTuner::Get().caps = CapSweep;
  fake.ini["SatInfo"] = {{"DiSEqC11", "1"}, {"DiSEqC", "1"}, {"ToneBurst", "1"}, {"DiSEqC12", "5"}};
  PositionDish(sys, tuner, "Vextral.ini");
  EXPECT_EQ(fake.console,
            "SendDiseqCmd not supported !\n"
            "SendDiSEqC (1.0) not supported!\n"
            "SendDiSEqC (ToneBurst) not supported!\n"
            "SendDiseqCmd not supported !\n");
  EXPECT_EQ(BusEvents(), (EventList{"GetCaps", "GetCaps", "GetCaps", "GetCaps"}));
}

// The capabilities are asked afresh before each step, so a changing answer is followed.
TEST_F(DishTest, CapabilitiesAreNeverCached) {
  FakeTuner::Get().capsSequence = {CapDiseqc, 0, CapToneBurst, 0};
  fake.ini["SatInfo"] = {{"DiSEqC11", "2"}, {"DiSEqC", "1"}, {"ToneBurst", "1"}, {"DiSEqC12", "5"}};
  PositionDish(sys, tuner, "Vextral.ini");
  EXPECT_EQ(fake.console,
            "SendDiSEqC (1.0) not supported!\n"
            "SendDiseqCmd not supported !\n");
  EXPECT_EQ(BusEvents(),
            (EventList{"GetCaps", "SendDiseqCmd E0 10 39 F1", "sleep 100",
                       "SendDiseqCmd E1 10 39 F1", "sleep 100", "SendDiseqCmd E1 10 39 F1",
                       "GetCaps", "GetCaps", "SendDiSEqC 1 00", "GetCaps"}));
}

// Failed committed-switch and tone-burst calls are reported and the set-up goes on.
TEST_F(DishTest, FailedSwitchCallsAreReportedAndTheNextStepFollows) {
  FakeTuner::Get().sendDiSEqCResults = {0, 0};
  fake.ini["SatInfo"] = {{"DiSEqC", "1"}, {"ToneBurst", "1"}, {"DiSEqC12", "3"}};
  PositionDish(sys, tuner, "Vextral.ini");
  EXPECT_EQ(fake.console, "SendDiSEqC failed !\nSendDiSEqC failed !\n");
  EXPECT_EQ(BusEvents().back(), "SendDiseqCmd E1 31 6B 03");
}

// The DiSEqC value is handed on as read, also when it selects no port.
TEST_F(DishTest, PortIsReturnedAsRead) {
  for (int32_t port : {0, 4, 7, -3}) {
    FakeSys local;
    local.ini["SatInfo"] = {{"DiSEqC", std::to_string(port)}};
    EXPECT_EQ(PositionDish(local.sys(), tuner, "Vextral.ini").diseqcPort, port);
  }
}

}  // namespace
