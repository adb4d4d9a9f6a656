// Scanning: the walk over the scan sections of a pass, the sweep of one range, and the
// consolidation of the pass's results.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "platform/platform.h"
#include "tuner/tuner.h"

// Everything a pass's walk reads and fills. `results` has ResultsBufferSlots records.
struct PassScan {
  TransponderRecord* results = nullptr;
  int32_t resultCount = 0;
  int32_t abortFlag = 0;
  double totalScanTime = 0.0;
  uint32_t droppedCount = 0;  // records beyond the 200 slots of the pass
  uint32_t sweepCount = 0;    // range scans run (the walk adds one per ScanRange call)
};

// Sweeps one range; returns the number of records the library stored at results + index (a
// count above SweepRecordLimit is taken as SweepRecordLimit), or -1 for a missing results or
// abort pointer, an index outside 0 .. ResultsCapacity, or a polarisation above 3. `results`
// needs SweepRecordLimit records of room from `index` on.
int32_t ScanRange(const Sys& sys, const TunerApi& tuner, uint32_t start, uint32_t stop,
                  int32_t switchPort, TransponderRecord* results, int32_t index, int32_t* abortFlag,
                  uint32_t lof1, uint32_t lof2, uint32_t lofsw, uint32_t polarisation);

// Prints one record's result line and counts it for the sweep in progress; the tuner library
// calls it during Vextral and it ignores a call outside a sweep.
void KESTRUNE_CALL ProgressCallback(const TransponderRecord* record);

// Walks [Scan0], [Scan1], ... of `programIni`, timing the pass from its start. Each sweep
// begins at slot min(resultCount, 200); after it resultCount is held at 200 and the excess is
// counted in droppedCount. Returns 0, or -1 when a range scan returned a negative value or
// `pass` has no buffer (the run must end at once).
int WalkScanSections(const Sys& sys, const TunerApi& tuner, const char* programIni,
                     const LnbSettings& lnb, const ScanWindow& window, int32_t switchPort,
                     PassScan* pass);

// Maps a lowercased Pol text to its polarisation code; -1 when it is no accepted spelling.
int PolarisationFromText(const char* lowered);

// Formats the console line of one found transponder, with its line end.
int FormatResultLine(const TransponderRecord& record, char* buffer, size_t size);

// Removes duplicates (the earlier of two goes), sorts by frequency, prints the total.
void ConsolidateResults(const Sys& sys, TransponderRecord* results, int32_t* resultCount);
int HasLaterDuplicate(uint32_t runLength, const TransponderRecord* run, uint32_t frequency,
                      uint32_t polarisation);
int CompareByFrequency(const void* a, const void* b);
