#include <gtest/gtest.h>

#include "backend_test_rig.h"

namespace {

const char* kSky = R"(lnb lo=9750,10600
input committed=1 sat=19.2E
input committed=2 sat=13.0E
sat 19.2E
tp 10950 H 27500 S2 8PSK 2/3 cn=12
sat 13.0E
tp 11100 H 27500 S2 QPSK 3/4 cn=9
)";

using Texts_ = std::vector<std::string>;

// The bus rule: 15 ms of quiet after a voltage or tone change and after a message.
void ExpectGapsAtLeast15ms(const FakeDvb& fake) {
  auto commands = Commands(fake);
  for (size_t i = 1; i < commands.size(); ++i) {
    EXPECT_GE(commands[i].gapMs, 15.0) << "before " << commands[i].text;
  }
}

TEST(Diseqc, CommittedByteSetsVoltageThenTalksWithToneOffThenSetsTheBand) {
  // Port 2, horizontal, high band (F7): 18 V, tone off, E0 10 38 F7, then the tone.
  auto b = StartBackend(kSky, "stv0910");
  EXPECT_EQ(DvbSendCommitted(&b->device, 0xF7), 1);
  EXPECT_EQ(Texts(b->fake), (Texts_{"voltage 18", "tone off", "diseqc e0 10 38 f7", "tone on"}));
  ExpectGapsAtLeast15ms(b->fake);
  // An LNB powering up gets longer than a change between 13 and 18 V.
  EXPECT_GE(Commands(b->fake)[1].gapMs, 100.0);
}

TEST(Diseqc, StartUpSequenceThenSweepsReSendTheirOwnBandAndPolarisation) {
  // As the program runs it: committed F4 (port 2, bits clear) and tone burst B at start-up;
  // each sweep then needs its own voltage and tone, and the switch hears the burst again.
  auto b = StartBackend(kSky, "stv0910");
  EXPECT_EQ(DvbSendCommitted(&b->device, 0xF4), 1);
  EXPECT_EQ(DvbSendBurst(&b->device, 1), 1);
  EXPECT_EQ(Texts(b->fake), (Texts_{"voltage 13", "tone off", "diseqc e0 10 38 f4", "burst b"}));
  b->fake.log.clear();
  TransponderRecord records[kDvbSweepRecordLimit] = {};
  uint32_t count = 0;
  DvbSweepRequest high{11700000, 12750000, 0, 9750000, 10600000, 11700000};
  EXPECT_EQ(DvbSweep(&b->device, high, records, &count, nullptr), 1);
  EXPECT_EQ(Texts(b->fake), (Texts_{"voltage 18", "diseqc e0 10 38 f7", "burst b", "tone on"}));
  ExpectGapsAtLeast15ms(b->fake);
  // The same band and polarisation again: nothing to say to the dish.
  b->fake.log.clear();
  EXPECT_EQ(DvbSweep(&b->device, high, records, &count, nullptr), 1);
  EXPECT_TRUE(Texts(b->fake).empty());
}

TEST(Diseqc, WithoutASwitchTheSweepSetsOnlyVoltageAndTone) {
  auto b = StartBackend(kSky, "stv0910");
  TransponderRecord records[kDvbSweepRecordLimit] = {};
  uint32_t count = 0;
  EXPECT_EQ(DvbSweep(&b->device, {11700000, 12750000, 0, 9750000, 10600000, 11700000}, records,
                     &count, nullptr),
            1);
  EXPECT_EQ(DvbSweep(&b->device, {10700000, 11700000, 1, 9750000, 10600000, 11700000}, records,
                     &count, nullptr),
            1);
  EXPECT_EQ(Texts(b->fake), (Texts_{"voltage 18", "tone on", "voltage 13", "tone off"}));
}

TEST(Diseqc, RawMessagesGoOutUnchangedWithTheToneOffAroundThem) {
  auto b = StartBackend(kSky, "stv0910");
  ASSERT_EQ(DvbSendCommitted(&b->device, 0xF1), 1);  // tone on
  b->fake.log.clear();
  const uint8_t goTo[] = {0xE1, 0x31, 0x6B, 0x05};
  EXPECT_EQ(DvbSendRaw(&b->device, goTo, 4), 1);
  EXPECT_EQ(Texts(b->fake), (Texts_{"tone off", "diseqc e1 31 6b 05", "tone on"}));
  ExpectGapsAtLeast15ms(b->fake);
  // What no bus carries is refused without a word on the bus.
  b->fake.log.clear();
  const uint8_t seven[7] = {0xE0, 0x31, 0x6E, 0, 0, 0, 0};
  EXPECT_EQ(DvbSendRaw(&b->device, seven, 2), 0);
  EXPECT_EQ(DvbSendRaw(&b->device, seven, 7), 0);
  EXPECT_EQ(DvbSendRaw(&b->device, nullptr, 4), 0);
  EXPECT_TRUE(Texts(b->fake).empty());
}

TEST(Diseqc, TheCommittedSwitchPicksWhatTheDishSees) {
  // Port 1 shows the carrier at 10950 H, port 2 the one at 11100 H.
  auto b = StartBackend(kSky, "stv0910");
  TransponderRecord records[kDvbSweepRecordLimit] = {};
  uint32_t count = 0;
  DvbSweepRequest low{10700000, 11700000, 0, 9750000, 10600000, 11700000};
  for (auto [port, expected] : {std::pair{0xF2u, 10950000u}, std::pair{0xF6u, 11100000u}}) {
    ASSERT_EQ(DvbSendCommitted(&b->device, port), 1);
    ASSERT_EQ(DvbSweep(&b->device, low, records, &count, nullptr), 1);
    ASSERT_EQ(count, 1u) << port;
    EXPECT_NEAR(records[0].frequency, expected, 100.0);
  }
}

TEST(Diseqc, NothingIsSentBeforeTheDeviceIsStarted) {
  DvbDevice d;
  const uint8_t m[] = {0xE0, 0x10, 0x38, 0xF0};
  EXPECT_EQ(DvbSendCommitted(&d, 0xF0), 0);
  EXPECT_EQ(DvbSendBurst(&d, 0), 0);
  EXPECT_EQ(DvbSendRaw(&d, m, 4), 0);
}

}  // namespace
