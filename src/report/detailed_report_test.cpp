#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/abc_records.h"
#include "report/report.h"
#include "support/fakes.h"

namespace {

// Records A, B and C with 83.25 s give the expected report byte for byte.
TEST(DetailedReport, MatchesExpectedFile) {
  auto records = AbcRecords();
  std::string expected = ReadExpected("abc_report.txt");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(DetailedReportText(records.data(), 3, 83.25), expected);
}

std::string BlockOf(const TransponderRecord& r) {
  std::string text = DetailedReportText(&r, 1, 1.0);
  return text.substr(0, text.find("Total Scan Time"));
}

// The lines of one block that depend on the record: lock, DVB-S2-only lines, margins of other
// systems, unsigned frequency, truncated symbol rate.
TEST(DetailedReport, BlockLinesFollowTheRecord) {
  TransponderRecord unlocked = AbcRecords()[0];
  unlocked.locked = 0;
  EXPECT_EQ(BlockOf(unlocked).substr(0, 31), "TP N: 1\n! NOT LOCKED !\nFrequenc");

  TransponderRecord turbo = AbcRecords()[1];
  turbo.deliverySystem = 4, turbo.frame = 1;
  std::string block = BlockOf(turbo);
  EXPECT_NE(block.find("RollOff: 0.20\nRF-Level: -51 dBm\n"), std::string::npos);
  EXPECT_NE(block.find("Link margin: 1.0 dB\n"), std::string::npos);  // 12.26 - 10.98 - 0.3

  TransponderRecord cable = AbcRecords()[0];
  cable.deliverySystem = 8;
  EXPECT_NE(BlockOf(cable).find("Link margin: 0.0 dB\n"), std::string::npos);

  TransponderRecord odd{};
  odd.locked = 1, odd.frequency = 4294967295u, odd.symbolRate = 29996999;
  odd.deliverySystem = 2, odd.streamCount = 1, odd.streamIds[0] = 255;
  EXPECT_EQ(BlockOf(odd),
            "TP N: 1\nFrequency: 4294967.295 Mhz\nSymbol rate: 29996 KS\n"
            "Polarization: Horizontal\nSpectrum: Unknown\nStandard/Modulation: DVB-S2/Unknown\n"
            "FEC: ?/?\nRollOff: ?\nPilot: ?\nCoding mode: CCM\nNormal frame\nTransport stream\n"
            "Multiple input stream\nInput Streams IDs: 255\nRF-Level: 0 dBm\n"
            "Signal/Noise: 0.0 dB\nLink margin: 0.0 dB\nCarrier width: 0.000 Mhz\n"
            "BitRate: 0.000 Mbit/s\n----------------------------------------\n");
}

// A stream count above the 16 identifiers lists the 16 there are.
TEST(DetailedReport, StreamCountAboveSixteenListsSixteen) {
  TransponderRecord r = AbcRecords()[2];
  r.streamCount = 1000;
  for (uint8_t i = 0; i < 16; ++i) r.streamIds[i] = i;
  EXPECT_NE(BlockOf(r).find("Multiple input stream\nInput Streams IDs: 0 1 2 3 4 5 6 7 8 9 10 "
                            "11 12 13 14 15\nInput Stream Synchronisation\n"),
            std::string::npos);
}

// Absurd numbers are written in full, whatever their length.
TEST(DetailedReport, AbsurdValuesAreWrittenWhole) {
  TransponderRecord r = AbcRecords()[0];
  r.snr = 1e300;
  std::string text = DetailedReportText(&r, 1, std::numeric_limits<double>::infinity());
  EXPECT_NE(text.find("Signal/Noise: 1000000000000000052"), std::string::npos);
  EXPECT_NE(text.find(" dB\nLink margin: 1000000000000000052"), std::string::npos);
  EXPECT_NE(text.find("Total Scan Time = inf"), std::string::npos);
}

// 0 when written through the file seam; -1 without touching a file for a missing name or
// records or a count of 0; -2 when the file cannot be written.
TEST(WriteDetailedReport, Results) {
  FakeTuner::Reset();
  FakeSys fake;
  auto records = AbcRecords();
  EXPECT_EQ(WriteDetailedReport(fake.sys(), nullptr, records.data(), 3, 1.0), -1);
  EXPECT_EQ(WriteDetailedReport(fake.sys(), "", records.data(), 3, 1.0), -1);
  EXPECT_EQ(WriteDetailedReport(fake.sys(), "r.txt", nullptr, 3, 1.0), -1);
  EXPECT_EQ(WriteDetailedReport(fake.sys(), "r.txt", records.data(), 0, 1.0), -1);
  EXPECT_TRUE(Events().empty());

  EXPECT_EQ(WriteDetailedReport(fake.sys(), "r.txt", records.data(), 3, 83.25), 0);
  EXPECT_EQ(fake.files["r.txt"], ReadExpected("abc_report.txt"));

  fake.replaceFileResult = -2;
  EXPECT_EQ(WriteDetailedReport(fake.sys(), "s.txt", records.data(), 3, 83.25), -2);
  EXPECT_EQ(fake.files.count("s.txt"), 0u);
}

// Through the real file replacement, a folder that does not exist gives -2.
TEST(WriteDetailedReport, MissingFolderIsNotWritten) {
  Sys sys;
  sys.replaceFile = [](const char* path, const char* data, size_t size) {
    return ReplaceFileWith(RealFileOps(), path, data, size);
  };
  auto records = AbcRecords();
  EXPECT_EQ(WriteDetailedReport(sys, "/no-such-folder-vextral/0192.txt", records.data(), 3, 1.0),
            -2);
}

}  // namespace
