// The sweep of one frequency range through the tuner library, and its console lines.
#include "scan/scan.h"

#include <cstdio>
#include <vector>

#include "dish/dish.h"

namespace {

// The library's progress callback carries no context, so the sweep in progress is found here;
// it is set only for the duration of one Vextral call.
struct SweepInProgress {
  const Sys* sys = nullptr;
  uint32_t printedCount = 0;
};
SweepInProgress* g_sweep = nullptr;

void PrintResultLine(const Sys& sys, const TransponderRecord& record) {
  char line[160];
  int n = FormatResultLine(record, line, sizeof line);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof line) {
    sys.write(line, static_cast<size_t>(n));
    return;
  }
  std::vector<char> longer(static_cast<size_t>(n) + 1);  // an absurd snr prints many digits
  FormatResultLine(record, longer.data(), longer.size());
  sys.write(longer.data(), static_cast<size_t>(n));
}

void PrintDashLines(const Sys& sys) {
  char dashes[81];
  for (int i = 0; i < 80; ++i) dashes[i] = '-';
  dashes[80] = '\0';
  PrintLine(sys, dashes);
  PrintLine(sys, dashes);
}

// Only the start frequency decides the band, so each half of a split range gets its own byte.
bool StartsInHighBand(uint32_t start, uint32_t lof2, uint32_t lofsw) {
  if (lofsw != 0) return start * 1000 >= lofsw * 1000;
  return lof2 != 0;
}

void SelectCommittedPort(const Sys& sys, const TunerApi& tuner, int32_t port, bool highBand,
                         uint32_t polarisation) {
  if (port < 1 || port > 4) return;
  // A card without DiSEqC was told about once at start-up; the sweeps stay quiet.
  if ((tuner.GetCaps() & CapDiseqc) == 0) return;
  uint8_t data = CommittedSwitchByte(static_cast<uint32_t>(port), highBand, polarisation);
  if (!tuner.SendDiSEqC(DiseqcKindCommitted, data)) PrintLine(sys, "SendDiSEqC failed !");
}

// A sweep that reported results without calling back for each one gets all of them printed.
void PrintSweepAfterCall(const Sys& sys, const TransponderRecord* records, uint32_t found,
                         uint32_t printed, uint32_t t0) {
  if (printed < found) {
    for (uint32_t i = 0; i < found; ++i) PrintResultLine(sys, records[i]);
  }
  int32_t elapsed = static_cast<int32_t>(sys.tickMs() - t0);
  Print(sys, "\tScan Time = %3.3fs\n", elapsed / 1000.0);
}

}  // namespace

int FormatResultLine(const TransponderRecord& r, char* buffer, size_t size) {
  return std::snprintf(buffer, size, "%.3f Mhz, %u KS, %s/%s, %s, %.1f (%.1f) dB\n",
                       r.frequency / 1000.0, r.symbolRate / 1000,
                       DeliverySystemName(r.deliverySystem), ModulationName(r.modulation),
                       CodeRateName(r.codeRate), r.snr, LinkMargin(r));
}

void KESTRUNE_CALL ProgressCallback(const TransponderRecord* record) {
  if (!g_sweep || !record) return;
  PrintResultLine(*g_sweep->sys, *record);
  ++g_sweep->printedCount;
}

int32_t ScanRange(const Sys& sys, const TunerApi& tuner, uint32_t start, uint32_t stop,
                  int32_t switchPort, TransponderRecord* results, int32_t index, int32_t* abortFlag,
                  uint32_t lof1, uint32_t lof2, uint32_t lofsw, uint32_t polarisation) {
  if (!results || !abortFlag || polarisation > 3) return -1;
  if (index < 0 || index > ResultsCapacity) return -1;
  *abortFlag = 0;
  Print(sys, "From %u to %u Mhz, %s\n", start, stop, PolarisationName(polarisation));
  uint32_t found = 0;
  uint32_t t0 = sys.tickMs();
  SelectCommittedPort(sys, tuner, switchPort, StartsInHighBand(start, lof2, lofsw), polarisation);
  TransponderRecord* slot = results + index;
  SweepInProgress sweep{&sys, 0};
  g_sweep = &sweep;
  int32_t ok = tuner.Vextral(start * 1000, stop * 1000, polarisation, lof1 * 1000, lof2 * 1000,
                             lofsw * 1000, slot, &found, ProgressCallback);
  g_sweep = nullptr;
  // Our libraries never store more than this; a larger count is not read past the buffer.
  if (found > SweepRecordLimit) found = SweepRecordLimit;
  if (ok) {
    PrintSweepAfterCall(sys, slot, found, sweep.printedCount, t0);
  } else {
    PrintLine(sys, "Vextral failed !");
  }
  if (sys.abortRequested()) {
    PrintLine(sys, "Terminated on user request ...");
    *abortFlag = 1;
  }
  PrintDashLines(sys);
  return static_cast<int32_t>(found);
}
