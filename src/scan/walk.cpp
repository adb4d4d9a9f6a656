// The walk over the [ScanN] sections of one pass.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "scan/scan.h"

namespace {

// What one section leaves the walk to do.
enum SectionStep { SectionEnd = 0, SectionNext = 1, SectionFatal = -1 };

struct PolarisationSpelling {
  const char* text;
  int code;
};

// Whole-string matches only: Left and Right have no three-letter form.
constexpr PolarisationSpelling kSpellings[] = {
    {"0", 0},   {"h", 0}, {"horizontal", 0}, {"hor", 0},  {"1", 1}, {"v", 1}, {"vertical", 1},
    {"ver", 1}, {"2", 2}, {"l", 2},          {"left", 2}, {"3", 3}, {"r", 3}, {"right", 3},
};

struct WalkContext {
  const Sys& sys;
  const TunerApi& tuner;
  const LnbSettings& lnb;
  int32_t switchPort;
  PassScan* pass;
};

// Sweeps into the pass's buffer and keeps resultCount within the 200 slots of a pass; the
// buffer's spare room behind them takes whatever one sweep stores beyond.
int SweepInto(const WalkContext& walk, uint32_t start, uint32_t stop, uint32_t polarisation) {
  PassScan& pass = *walk.pass;
  int32_t index = pass.resultCount < 0 ? 0 : pass.resultCount;
  if (index > ResultsCapacity) index = ResultsCapacity;
  int32_t found =
      ScanRange(walk.sys, walk.tuner, start, stop, walk.switchPort, pass.results, index,
                &pass.abortFlag, walk.lnb.LOF1, walk.lnb.LOF2, walk.lnb.LOFSW, polarisation);
  ++pass.sweepCount;  // lets the run tell a pass that never reached a sweep
  if (found < 0) return SectionFatal;
  int64_t total = static_cast<int64_t>(index) + found;
  if (total > ResultsCapacity) {
    pass.droppedCount += static_cast<uint32_t>(total - ResultsCapacity);
    total = ResultsCapacity;
  }
  pass.resultCount = static_cast<int32_t>(total);
  return pass.abortFlag ? SectionEnd : SectionNext;
}

// A range that straddles the band switch is swept as two, so each half has its band.
int SweepSection(const WalkContext& walk, uint32_t start, uint32_t stop, uint32_t polarisation) {
  uint32_t lofsw = walk.lnb.LOFSW;
  if (lofsw == 0 || lofsw <= start || lofsw >= stop)
    return SweepInto(walk, start, stop, polarisation);
  int lower = SweepInto(walk, start, lofsw, polarisation);
  if (lower != SectionNext) return lower;
  return SweepInto(walk, lofsw, stop, polarisation);
}

int CheckRange(const Sys& sys, uint32_t start, uint32_t stop, const ScanWindow& window) {
  if (start < window.low) {
    Print(sys, "Invalid scan params: Start=%uMhz < %uMhz !\n", start, window.low);
    return 0;
  }
  if (stop > window.high) {
    Print(sys, "Invalid scan params: Stop=%uMhz > %uMhz !\n", stop, window.high);
    return 0;
  }
  if (start >= stop) {
    Print(sys, "Invalid scan params: StartFreq >= StopFreq !\n");
    return 0;
  }
  return 1;
}

int ScanSection(const WalkContext& walk, const char* ini, const ScanWindow& window,
                uint32_t sectionIndex) {
  char section[16];
  std::snprintf(section, sizeof section, "Scan%u", sectionIndex);
  char pol[16] = {};
  if (walk.sys.profileString(section, "Pol", "", pol, sizeof pol, ini) == 0) return SectionEnd;
  pol[sizeof pol - 1] = '\0';
  for (char& c : pol) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  int polarisation = PolarisationFromText(pol);
  if (polarisation < 0) {
    Print(walk.sys, "Invalid scan params: Pol=%s !\n", pol);
    return SectionEnd;
  }
  Print(walk.sys, "Scan interval %u\n", sectionIndex);
  auto start = static_cast<uint32_t>(
      walk.sys.profileInt(section, "Start", static_cast<int32_t>(window.low), ini));
  auto stop = static_cast<uint32_t>(
      walk.sys.profileInt(section, "Stop", static_cast<int32_t>(window.high), ini));
  if (!CheckRange(walk.sys, start, stop, window)) return SectionEnd;
  return SweepSection(walk, start, stop, static_cast<uint32_t>(polarisation));
}

}  // namespace

int PolarisationFromText(const char* lowered) {
  if (!lowered) return -1;
  for (const PolarisationSpelling& s : kSpellings)
    if (std::strcmp(lowered, s.text) == 0) return s.code;
  return -1;
}

int WalkScanSections(const Sys& sys, const TunerApi& tuner, const char* programIni,
                     const LnbSettings& lnb, const ScanWindow& window, int32_t switchPort,
                     PassScan* pass) {
  if (!pass || !pass->results) return -1;
  uint32_t passStart = sys.tickMs();
  WalkContext walk{sys, tuner, lnb, switchPort, pass};
  for (uint32_t sectionIndex = 0;; ++sectionIndex) {
    int step = ScanSection(walk, programIni, window, sectionIndex);
    if (step == SectionFatal) return -1;
    if (step == SectionEnd) break;
  }
  if (pass->droppedCount > 0)
    Print(sys, "Results buffer full: %u transponders of this pass dropped !\n", pass->droppedCount);
  pass->totalScanTime = static_cast<int32_t>(sys.tickMs() - passStart) / 1000.0;
  Print(sys, "Total Scan Time = %3.3fs\n", pass->totalScanTime);
  return 0;
}
