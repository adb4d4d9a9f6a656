#include "scan/scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace {

const std::string kDashes = std::string(80, '-') + "\n" + std::string(80, '-') + "\n";

std::string Line(const TransponderRecord& r) {
  char text[200];
  FormatResultLine(r, text, sizeof text);
  return text;
}

std::vector<std::string> TunerEvents() {
  std::vector<std::string> tuner;
  for (const std::string& e : Events())
    if (e.rfind("GetCaps", 0) == 0 || e.rfind("Send", 0) == 0 || e.rfind("Vextral", 0) == 0)
      tuner.push_back(e);
  return tuner;
}

struct ScanRangeTest : testing::Test {
  FakeSys fake;
  Sys sys = fake.sys();
  TunerApi tuner = FakeTuner::Api();
  std::vector<TransponderRecord> buffer = std::vector<TransponderRecord>(ResultsBufferSlots);
  int32_t abortFlag = 7;
  void SetUp() override { FakeTuner::Reset(); }

  // One horizontal sweep of 10700 to 11700 MHz without a committed switch.
  int32_t Sweep(int32_t index = 0, int32_t port = 0) {
    return ScanRange(sys, tuner, 10700, 11700, port, buffer.data(), index, &abortFlag, 9750, 10600,
                     11700, 0);
  }
  // Queues a sweep that takes `ms` of the clock.
  FakeSweep& Queue(std::vector<TransponderRecord> records, uint32_t ms = 1234) {
    FakeSweep sweep;
    sweep.records = std::move(records);
    sweep.atEnd = [this, ms] { fake.now += ms; };
    FakeTuner::Get().sweeps.push_back(sweep);
    return FakeTuner::Get().sweeps.back();
  }
};

// The result line shows MHz, kS/s, the names and the link margin; a system without a known
// requirement shows a margin of 0.0.
TEST(ResultLineTest, Format) {
  EXPECT_EQ(Line(MakeRecord(11778000, 0)),
            "11778.000 Mhz, 27500 KS, DVB-S/QPSK, 3/4, 10.0 (4.5) dB\n");
  EXPECT_EQ(Line(MakeRecord(10714250, 1, 22000999, 6, 1, 3, 7.3)),
            "10714.250 Mhz, 22000 KS, DVB-T/QPSK, 3/4, 7.3 (0.0) dB\n");
}

// A missing buffer or abort flag, a polarisation above 3 or a slot outside the pass are
// refused with -1 before anything is printed or sent, and the abort flag is left alone.
TEST_F(ScanRangeTest, RefusedArgumentsReturnMinusOneSilently) {
  TransponderRecord* b = buffer.data();
  EXPECT_EQ(ScanRange(sys, tuner, 10700, 11700, 1, b, 0, &abortFlag, 9750, 10600, 11700, 4), -1);
  EXPECT_EQ(ScanRange(sys, tuner, 10700, 11700, 1, nullptr, 0, &abortFlag, 0, 0, 0, 0), -1);
  EXPECT_EQ(ScanRange(sys, tuner, 10700, 11700, 1, b, 0, nullptr, 0, 0, 0, 0), -1);
  EXPECT_EQ(ScanRange(sys, tuner, 10700, 11700, 1, b, -1, &abortFlag, 0, 0, 0, 0), -1);
  EXPECT_EQ(ScanRange(sys, tuner, 10700, 11700, 1, b, 201, &abortFlag, 0, 0, 0, 0), -1);
  EXPECT_EQ(abortFlag, 7);
  EXPECT_TRUE(Events().empty());
}

// Records the library stored but did not report are printed after the call, and then all of
// the sweep's records are, also those the callback already printed.
TEST_F(ScanRangeTest, ReprintRule) {
  TransponderRecord a = MakeRecord(10729000, 0), b = MakeRecord(10773000, 0),
                    c = MakeRecord(10832000, 0);
  struct Case {
    std::vector<TransponderRecord> records;
    int callbacks;
    std::string lines;
  } cases[] = {
      {{a, b, c}, -1, Line(a) + Line(b) + Line(c)},
      {{a, b}, 0, Line(a) + Line(b)},
      {{a, b}, 1, Line(a) + Line(a) + Line(b)},
      {{}, -1, ""},
  };
  for (const Case& t : cases) {
    FakeTuner::Reset();
    fake.console.clear();
    Queue(t.records).callbackCount = t.callbacks;
    EXPECT_EQ(Sweep(5), static_cast<int32_t>(t.records.size()));
    EXPECT_EQ(fake.console, "From 10700 to 11700 Mhz, Horizontal\n" + t.lines +
                                "\tScan Time = 1.234s\n" + kDashes);
    for (size_t i = 0; i < t.records.size(); ++i)
      EXPECT_EQ(buffer[5 + i].frequency, t.records[i].frequency);
    EXPECT_EQ(abortFlag, 0);
  }
}

// A failed sweep prints its line instead of results and scan time, still polls the abort
// request and returns the count the library left.
TEST_F(ScanRangeTest, FailedSweep) {
  FakeSweep& sweep = Queue({MakeRecord(10729000, 0)});
  sweep.result = 0;
  sweep.callbackCount = 0;
  fake.abortRequested = [] { return 1; };
  EXPECT_EQ(Sweep(), 1);
  EXPECT_EQ(fake.console,
            "From 10700 to 11700 Mhz, Horizontal\nVextral failed !\n"
            "Terminated on user request ...\n" +
                kDashes);
  EXPECT_EQ(abortFlag, 1);
}

// An abort request at the end of a sweep is reported after the scan time and raises the flag.
TEST_F(ScanRangeTest, AbortRequestAfterScanTime) {
  fake.now = 0xFFFFFFFFu - 500;  // the elapsed time survives the tick counter wrapping
  Queue({}, 1500);
  fake.abortRequested = [] { return 1; };
  Sweep();
  EXPECT_EQ(fake.console,
            "From 10700 to 11700 Mhz, Horizontal\n\tScan Time = 1.500s\n"
            "Terminated on user request ...\n" +
                kDashes);
  EXPECT_EQ(abortFlag, 1);
}

// The committed-switch byte takes its band from the start frequency alone (or from LOF2 when
// there is no band switch), and the sweep gets every frequency in kHz.
TEST_F(ScanRangeTest, CommittedSwitchBandAndSweepArguments) {
  struct Case {
    int32_t port;
    uint32_t start, stop, lof2, lofsw, pol, caps;
    std::vector<std::string> events;
  } cases[] = {
      {2,
       11700,
       12750,
       10600,
       11700,
       0,
       CapDiseqc,
       {"GetCaps", "SendDiSEqC 2 F7", "Vextral 11700000 12750000 0 9750000 10600000 11700000"}},
      {2,
       11699,
       12750,
       10600,
       11700,
       0,
       CapDiseqc,
       {"GetCaps", "SendDiSEqC 2 F6", "Vextral 11699000 12750000 0 9750000 10600000 11700000"}},
      {1,
       10700,
       11700,
       10600,
       0,
       1,
       CapDiseqc,
       {"GetCaps", "SendDiSEqC 2 F1", "Vextral 10700000 11700000 1 9750000 10600000 0"}},
      {3,
       10700,
       11700,
       0,
       0,
       2,
       CapDiseqc,
       {"GetCaps", "SendDiSEqC 2 FA", "Vextral 10700000 11700000 2 9750000 0 0"}},
      {4,
       12000,
       12750,
       10600,
       11700,
       3,
       CapDiseqc,
       {"GetCaps", "SendDiSEqC 2 FD", "Vextral 12000000 12750000 3 9750000 10600000 11700000"}},
      {4,
       12000,
       12750,
       10600,
       11700,
       3,
       CapSweep,
       {"GetCaps", "Vextral 12000000 12750000 3 9750000 10600000 11700000"}},
      {0,
       10700,
       11700,
       10600,
       11700,
       0,
       CapDiseqc,
       {"Vextral 10700000 11700000 0 9750000 10600000 11700000"}},
      {5,
       10700,
       11700,
       10600,
       11700,
       0,
       CapDiseqc,
       {"Vextral 10700000 11700000 0 9750000 10600000 11700000"}},
  };
  for (const Case& c : cases) {
    FakeTuner::Reset().caps = c.caps;
    fake.console.clear();
    ScanRange(sys, tuner, c.start, c.stop, c.port, buffer.data(), 0, &abortFlag, 9750, c.lof2,
              c.lofsw, c.pol);
    EXPECT_EQ(TunerEvents(), c.events) << "port " << c.port << " start " << c.start;
    EXPECT_EQ(fake.console.find("failed"), std::string::npos);
  }
}

// A failed committed-switch call is reported and the sweep still runs.
TEST_F(ScanRangeTest, FailedSwitchCallStillSweeps) {
  FakeTuner::Get().sendDiSEqCResults = {0};
  Sweep(0, 1);
  EXPECT_EQ(fake.console.rfind("From 10700 to 11700 Mhz, Horizontal\nSendDiSEqC failed !\n"
                               "\tScan Time",
                               0),
            0u);
  EXPECT_EQ(TunerEvents().back().rfind("Vextral ", 0), 0u);
}

// A library that reports more records than any sweep may store is read and printed only up
// to that limit, from the last slot of the pass, and never seen as a negative result.
TEST_F(ScanRangeTest, ExcessiveCountIsHeldAtTheSweepLimit) {
  for (uint32_t reported : {257u, 0x80000000u, 0xFFFFFFFEu}) {
    FakeTuner::Reset();
    fake.console.clear();
    FakeSweep& sweep = Queue({MakeRecord(10729000, 0)});
    sweep.reportedCount = reported;
    EXPECT_EQ(Sweep(ResultsCapacity), static_cast<int32_t>(SweepRecordLimit)) << reported;
    size_t lines = 0;
    for (size_t at = fake.console.find(" Mhz, "); at != std::string::npos;
         at = fake.console.find(" Mhz, ", at + 1))
      ++lines;
    EXPECT_EQ(lines, 1 + 1 + SweepRecordLimit) << reported;  // announce, callback, reprint
  }
}

// A library calling back outside its sweep is ignored instead of printing to a stale sweep.
TEST_F(ScanRangeTest, CallbackOutsideASweepIsIgnored) {
  Queue({});
  Sweep();
  fake.console.clear();
  TransponderRecord late = MakeRecord(10729000, 0);
  ProgressCallback(&late);
  EXPECT_EQ(fake.console, "");
}

}  // namespace
