#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/scan.h"
#include "support/fakes.h"

namespace {

std::vector<std::string> Sweeps() {
  std::vector<std::string> sweeps;
  for (const std::string& e : Events())
    if (e.rfind("Vextral ", 0) == 0) sweeps.push_back(e);
  return sweeps;
}

// Records tagged by their frequency, `count` of them from `first` kHz on.
std::vector<TransponderRecord> Records(uint32_t first, size_t count) {
  std::vector<TransponderRecord> records;
  for (size_t i = 0; i < count; ++i)
    records.push_back(MakeRecord(first + static_cast<uint32_t>(i) * 2000, 0));
  return records;
}

struct WalkTest : testing::Test {
  FakeSys fake;
  Sys sys = fake.sys();
  TunerApi tuner = FakeTuner::Api();
  std::vector<TransponderRecord> buffer = std::vector<TransponderRecord>(ResultsBufferSlots);
  PassScan pass;
  LnbSettings lnb;  // 9750 / 10600, band switch at 11700
  ScanWindow window{10700, 12750};
  void SetUp() override {
    FakeTuner::Reset();
    pass.results = buffer.data();
  }
  int Walk(int32_t port = 0) {
    return WalkScanSections(sys, tuner, "Vextral.ini", lnb, window, port, &pass);
  }
  void QueueSweep(std::vector<TransponderRecord> records) {
    FakeSweep sweep;
    sweep.records = std::move(records);
    FakeTuner::Get().sweeps.push_back(sweep);
  }
};

// Every accepted spelling maps to its code; near misses are refused.
TEST(PolarisationFromTextTest, AcceptedSpellings) {
  struct Case {
    const char* text;
    int code;
  } cases[] = {
      {"0", 0},        {"h", 0},      {"horizontal", 0}, {"hor", 0},  {"1", 1},    {"v", 1},
      {"vertical", 1}, {"ver", 1},    {"2", 2},          {"l", 2},    {"left", 2}, {"3", 3},
      {"r", 3},        {"right", 3},  {"vert", -1},      {"lef", -1}, {"rig", -1}, {"x", -1},
      {"", -1},        {"horiz", -1}, {"h ", -1},        {"H", -1},   {"4", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(PolarisationFromText(c.text), c.code) << c.text;
  EXPECT_EQ(PolarisationFromText(nullptr), -1);
}

// Pol is compared in lower case; a refused value is shown lowercased and ends the walk.
TEST_F(WalkTest, PolIsLowercasedBeforeTheLookup) {
  struct Case {
    const char* pol;
    std::vector<std::string> sweeps;
    const char* message;
  } cases[] = {
      {"VERTICAL",
       {"Vextral 10700000 11700000 1 9750000 10600000 11700000",
        "Vextral 11700000 12750000 1 9750000 10600000 11700000"},
       ""},
      {"Vert", {}, "Invalid scan params: Pol=vert !\n"},
      {"LeF", {}, "Invalid scan params: Pol=lef !\n"},
  };
  for (const Case& c : cases) {
    FakeTuner::Reset();
    fake.console.clear();
    fake.ini["Scan0"] = {{"Pol", c.pol}};
    fake.ini["Scan1"] = {{"Pol", "H"}, {"Start", "10700"}, {"Stop", "11000"}};
    EXPECT_EQ(Walk(), 0);
    if (c.sweeps.empty()) {
      EXPECT_EQ(fake.console, std::string(c.message) + "Total Scan Time = 0.000s\n") << c.pol;
    } else {
      std::vector<std::string> expected = c.sweeps;
      expected.push_back("Vextral 10700000 11000000 0 9750000 10600000 11700000");
      EXPECT_EQ(Sweeps(), expected) << c.pol;
    }
  }
}

// The three range checks run in order and each ends the walk after the interval line; the
// window's edges themselves are valid.
TEST_F(WalkTest, RangeChecks) {
  struct Case {
    std::map<std::string, std::string> keys;
    ScanWindow window;
    const char* message;
  } cases[] = {
      {{{"Start", "10699"}}, {10700, 12750}, "Invalid scan params: Start=10699Mhz < 10700Mhz !\n"},
      {{{"Start", "10000"}, {"Stop", "13000"}},
       {10700, 12750},
       "Invalid scan params: Start=10000Mhz < 10700Mhz !\n"},
      {{{"Stop", "12751"}}, {10700, 12750}, "Invalid scan params: Stop=12751Mhz > 12750Mhz !\n"},
      {{{"Stop", "-1"}}, {10700, 12750}, "Invalid scan params: Stop=4294967295Mhz > 12750Mhz !\n"},
      {{{"Start", "11000"}, {"Stop", "11000"}},
       {10700, 12750},
       "Invalid scan params: StartFreq >= StopFreq !\n"},
      {{}, {12000, 11000}, "Invalid scan params: StartFreq >= StopFreq !\n"},
  };
  for (const Case& c : cases) {
    FakeTuner::Reset();
    fake.console.clear();
    window = c.window;
    fake.ini["Scan0"] = c.keys;
    fake.ini["Scan0"]["Pol"] = "h";
    fake.ini["Scan1"] = {{"Pol", "v"}};
    EXPECT_EQ(Walk(), 0);
    EXPECT_EQ(fake.console,
              std::string("Scan interval 0\n") + c.message + "Total Scan Time = 0.000s\n");
    EXPECT_TRUE(Sweeps().empty());
    EXPECT_EQ(pass.sweepCount, 0u);
  }
}

// A range across the band switch is swept in two halves, each with its own band bit, and the
// upper half's records follow the lower half's in the buffer.
TEST_F(WalkTest, RangeAcrossTheBandSwitchIsSplit) {
  fake.ini["Scan0"] = {{"Pol", "H"}};
  QueueSweep(Records(10800000, 2));
  QueueSweep(Records(11800000, 1));
  EXPECT_EQ(Walk(2), 0);
  std::vector<std::string> tunerCalls;
  for (const std::string& e : Events())
    if (e.rfind("out: ", 0) != 0) tunerCalls.push_back(e);
  EXPECT_EQ(
      tunerCalls,
      (std::vector<std::string>{
          "GetCaps", "SendDiSEqC 2 F6", "Vextral 10700000 11700000 0 9750000 10600000 11700000",
          "GetCaps", "SendDiSEqC 2 F7", "Vextral 11700000 12750000 0 9750000 10600000 11700000"}));
  EXPECT_EQ(pass.resultCount, 3);
  EXPECT_EQ(pass.sweepCount, 2u);
  EXPECT_EQ(buffer[1].frequency, 10802000u);
  EXPECT_EQ(buffer[2].frequency, 11800000u);
}

// A range that only touches the band switch, or an LNB without one, gets one sweep.
TEST_F(WalkTest, RangeTouchingTheBandSwitchIsNotSplit) {
  struct Case {
    const char *start, *stop;
    uint32_t lofsw;
    const char* sweep;
  } cases[] = {
      {"11700", "12750", 11700, "Vextral 11700000 12750000 1 9750000 10600000 11700000"},
      {"10700", "11700", 11700, "Vextral 10700000 11700000 1 9750000 10600000 11700000"},
      {"10700", "12750", 0, "Vextral 10700000 12750000 1 9750000 10600000 0"},
  };
  for (const Case& c : cases) {
    FakeTuner::Reset();
    lnb.LOFSW = c.lofsw;
    fake.ini["Scan0"] = {{"Pol", "1"}, {"Start", c.start}, {"Stop", c.stop}};
    EXPECT_EQ(Walk(), 0);
    EXPECT_EQ(Sweeps(), std::vector<std::string>{c.sweep}) << c.start << "-" << c.stop;
  }
}

// Sections are read from Scan0 until the first without Pol, each sweep appended after the
// previous one's records; a later section after the gap is never read.
TEST_F(WalkTest, SectionsUntilTheFirstGap) {
  fake.ini["Scan0"] = {{"Pol", "V"}, {"Start", "10700"}, {"Stop", "11000"}};
  fake.ini["Scan1"] = {{"Pol", "R"}, {"Start", "12000"}, {"Stop", "12500"}};
  fake.ini["Scan3"] = {{"Pol", "H"}};
  QueueSweep(Records(10800000, 2));
  QueueSweep(Records(12100000, 2));
  EXPECT_EQ(Walk(), 0);
  EXPECT_EQ(Sweeps(),
            (std::vector<std::string>{"Vextral 10700000 11000000 1 9750000 10600000 11700000",
                                      "Vextral 12000000 12500000 3 9750000 10600000 11700000"}));
  EXPECT_EQ(pass.resultCount, 4);
  EXPECT_EQ(pass.sweepCount, 2u);
  EXPECT_EQ(buffer[2].frequency, 12100000u);
  EXPECT_NE(fake.console.find("Scan interval 1\n"), std::string::npos);
}

// An abort request at the end of the lower half leaves the upper half and later sections
// unswept; the walk still ends with its total time and keeps what was found.
TEST_F(WalkTest, AbortAfterTheLowerHalf) {
  fake.ini["Scan0"] = {{"Pol", "H"}};
  fake.ini["Scan1"] = {{"Pol", "V"}};
  fake.abortRequested = [] { return 1; };
  QueueSweep(Records(10800000, 2));
  EXPECT_EQ(Walk(), 0);
  EXPECT_EQ(Sweeps().size(), 1u);
  EXPECT_EQ(pass.resultCount, 2);
  EXPECT_EQ(pass.abortFlag, 1);
  std::string tail = "Terminated on user request ...\n" + std::string(80, '-') + "\n" +
                     std::string(80, '-') + "\nTotal Scan Time = 0.000s\n";
  EXPECT_EQ(fake.console.substr(fake.console.size() - tail.size()), tail);
}

// No sweep writes past the buffer: a sweep starts at slot 200 at most, the count stays at 200
// and the dropped records are counted and reported once before the total time.
TEST_F(WalkTest, FullBufferDropsTheExcessWithAMessage) {
  for (int s = 0; s < 3; ++s) {
    std::string name = "Scan" + std::to_string(s);
    fake.ini[name] = {{"Pol", "H"}, {"Start", "10700"}, {"Stop", "11000"}};
    QueueSweep(Records(10000000u * (s + 1), 150));
  }
  EXPECT_EQ(Walk(), 0);
  EXPECT_EQ(pass.resultCount, 200);
  EXPECT_EQ(pass.droppedCount, 250u);
  EXPECT_EQ(buffer[149].frequency, 10000000u + 149 * 2000);
  EXPECT_EQ(buffer[150].frequency, 20000000u);  // second sweep from slot 150
  EXPECT_EQ(buffer[200].frequency, 30000000u);  // third sweep from slot 200, all dropped
  std::string tail =
      "Results buffer full: 250 transponders of this pass dropped !\nTotal Scan Time = 0.000s\n";
  EXPECT_EQ(fake.console.substr(fake.console.size() - tail.size()), tail);
}

// The total time runs from the walk's start over every sweep and is kept for the report.
TEST_F(WalkTest, TotalScanTimeCoversTheWholeWalk) {
  fake.ini["Scan0"] = {{"Pol", "H"}, {"Start", "10700"}, {"Stop", "11000"}};
  fake.ini["Scan1"] = {{"Pol", "V"}, {"Start", "10700"}, {"Stop", "11000"}};
  for (int s = 0; s < 2; ++s) {
    FakeSweep sweep;
    sweep.atEnd = [this] { fake.now += 1250; };
    FakeTuner::Get().sweeps.push_back(sweep);
  }
  fake.now = 0xFFFFFFFFu - 1000;  // across the tick counter's wrap
  EXPECT_EQ(Walk(), 0);
  EXPECT_DOUBLE_EQ(pass.totalScanTime, 2.5);
  EXPECT_EQ(fake.console.substr(fake.console.size() - 25), "Total Scan Time = 2.500s\n");
}

// A pass without a buffer ends the run at once: nothing is read, swept or printed.
TEST_F(WalkTest, MissingBufferEndsTheRun) {
  fake.ini["Scan0"] = {{"Pol", "H"}};
  pass.results = nullptr;
  EXPECT_EQ(Walk(), -1);
  EXPECT_TRUE(Events().empty());
}

}  // namespace
