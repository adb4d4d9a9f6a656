// Fakes of the outside world for unit tests. They record what they were asked, in one ordered
// event log, so a test can assert the exact sequence of bus messages, waits and console lines.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/model.h"
#include "platform/platform.h"
#include "tuner/tuner.h"

// One ordered log shared by FakeSys and FakeTuner, e.g. "GetCaps", "SendDiseqCmd E0 10 39 F0",
// "sleep 100", "out: SendDiseqCmd failed !\n".
std::vector<std::string>& Events();

struct FakeSys {
  std::string console;           // everything printed
  std::deque<uint32_t> numbers;  // answers to readUnsigned; empty: nothing can be read
  uint32_t now = 1000;           // tick clock; sleeps advance it
  uint32_t tickStep = 0;         // added after every tickMs() call
  std::tm localTime{};           // what localTime() reports
  std::function<int()> abortRequested = [] { return 0; };
  // In-memory program INI: ini[section][key] = raw value; names match without regard to case.
  std::map<std::string, std::map<std::string, std::string>> ini;
  bool logProfileReads = false;              // adds "read Section.Key" events
  std::map<std::string, std::string> files;  // what replaceFile wrote, by path
  int replaceFileResult = 0;

  Sys sys();  // a Sys whose pieces all act on this fake
};

// Scripted tuner library. The library's C entry points cannot carry a context, so the fake is
// a single global; Reset() before every test.
struct FakeSweep {
  int32_t result = 1;                      // Vextral's return value
  std::vector<TransponderRecord> records;  // stored in this order
  int callbackCount = -1;                  // records reported by ProgressCallback; -1: all
  uint32_t reportedCount = UINT32_MAX;     // count written back; UINT32_MAX: records.size()
  std::function<void()> atEnd;             // runs just before Vextral returns
};

struct FakeTuner {
  std::vector<std::pair<int32_t, std::string>> devices{{0, "Fake tuner"}};
  int32_t checkResult = 1;
  int32_t startResult = 1;
  uint32_t caps = CapSweep | CapDiseqc | CapToneBurst;
  std::deque<uint32_t> capsSequence;        // per GetCaps call, before falling back to caps
  std::deque<int32_t> sendDiSEqCResults;    // per call; empty: 1
  std::deque<int32_t> sendDiseqCmdResults;  // per call; empty: 1
  std::deque<FakeSweep> sweeps;             // per Vextral call; empty: success with no record
  int stopCalls = 0;

  static FakeTuner& Reset();  // clears the global fake and the event log
  static FakeTuner& Get();
  static TunerApi Api();
};

// A record with the fields the console line and the lists read.
TransponderRecord MakeRecord(uint32_t frequencyKHz, uint32_t polarisation,
                             uint32_t symbolRate = 27500000, uint32_t deliverySystem = 1,
                             uint32_t modulation = 1, uint32_t codeRate = 3, double snr = 10.0);
