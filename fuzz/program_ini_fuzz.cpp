// A fuzzed program INI (with its own [Kestrune] section for the card's IF range) through the
// LNB settings, the output settings and file names, and a whole pass's walk over the scan
// sections against a tuner that stores up to the 256 records a sweep may store.
#include <cstring>

#include "fuzz_support.h"
#include "report/report.h"
#include "run/run.h"
#include "scan/scan.h"

namespace {

struct FakeSweeps {
  uint32_t stored = 0;  // records stored over the whole pass
  uint32_t calls = 0;
};
FakeSweeps g_sweeps;

// Stores a number of records that depends on the range, reports each through the callback,
// and fails now and then.
int32_t KESTRUNE_CALL FakeVextral(uint32_t start, uint32_t stop, uint32_t pol, uint32_t, uint32_t,
                                  uint32_t, TransponderRecord* records, uint32_t* count,
                                  ProgressCallbackFn progress) {
  FuzzCheck(records && count, "the sweep gets its buffer and count");
  FuzzCheck(pol <= 3, "the sweep gets a polarisation code");
  ++g_sweeps.calls;
  uint32_t n = (start / 1000 + stop / 1000 + pol) % (SweepRecordLimit + 1);
  for (uint32_t i = 0; i < n; ++i) {
    TransponderRecord r{};
    r.locked = 1;
    r.frequency = start + i * 997;
    r.polarisation = pol;
    r.symbolRate = 27500000;
    r.snr = static_cast<double>(i) - 100.0;
    std::memcpy(&records[i], &r, sizeof r);  // the sanitizer sees a slot beyond the buffer
    if (progress) progress(&records[i]);
  }
  g_sweeps.stored += n;
  *count = n;
  return (stop / 1000) % 5 != 0;  // now and then a failing sweep
}

uint32_t FakeCaps() {
  return CapSweep | CapDiseqc;
}
int32_t FakeSendDiSEqC(uint32_t, uint32_t) {
  return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* ini = WriteFuzzIni(data, size);
  QuietSys quiet;
  quiet.abortAfterPolls = static_cast<int>(size % 9) - 1;
  Sys sys = quiet.sys();

  LnbSettings lnb;
  ReadLibraryIni(sys, ini, &lnb);
  OutputSettings settings;
  ReadOutputSettings(sys, ini, &settings);
  FuzzCheck(std::memchr(settings.satName, 0, sizeof settings.satName),
            "SatName ends in its buffer");
  FuzzCheck(std::memchr(settings.reportDir, 0, sizeof settings.reportDir), "ReportDir ends");
  FuzzCheck(std::memchr(settings.tpDir, 0, sizeof settings.tpDir), "TPDir ends");
  char name[kMaxPathLength + 1];
  for (uint32_t pass : {1u, 4294967295u}) {
    FormReportName(settings, static_cast<uint32_t>(size) * 37 % 3600, pass, name, sizeof name);
    FormListName(settings, static_cast<uint32_t>(size) * 37 % 3600, pass, name, sizeof name);
  }

  ScanWindow window;
  if (!LoadLnbSettings(sys, ini, &lnb, &window)) return 0;

  static TransponderRecord results[ResultsBufferSlots];
  std::memset(results, 0, sizeof results);
  g_sweeps = FakeSweeps{};
  TunerApi tuner;
  tuner.Vextral = FakeVextral;
  tuner.GetCaps = FakeCaps;
  tuner.SendDiSEqC = FakeSendDiSEqC;
  PassScan pass;
  pass.results = results;
  int32_t port = static_cast<int32_t>(size % 6);
  if (WalkScanSections(sys, tuner, ini, lnb, window, port, &pass) != 0) return 0;
  FuzzCheck(pass.resultCount >= 0 && pass.resultCount <= ResultsCapacity,
            "the pass keeps at most its 200 slots");
  FuzzCheck(pass.resultCount + pass.droppedCount == g_sweeps.stored,
            "every stored record is kept or counted as dropped");
  ConsolidateResults(sys, results, &pass.resultCount);
  return 0;
}
