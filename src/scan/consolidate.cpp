// Consolidation of a pass's results: duplicates out, the rest in frequency order.
#include <cstdlib>
#include <cstring>

#include "scan/scan.h"

namespace {

// Overlapping sections and the shared edge of a split range report one carrier twice; closer
// than this on one polarisation, two records are taken as the same carrier.
constexpr int64_t kSameCarrierKHz = 1000;

bool IsDuplicate(const TransponderRecord& r, uint32_t frequency, uint32_t polarisation) {
  if (r.polarisation != polarisation) return false;
  int64_t difference = static_cast<int32_t>(r.frequency - frequency);
  if (difference < 0) difference = -difference;
  return difference < kSameCarrierKHz;
}

}  // namespace

int HasLaterDuplicate(uint32_t runLength, const TransponderRecord* run, uint32_t frequency,
                      uint32_t polarisation) {
  if (!run) return 0;
  int found = 0;
  for (uint32_t i = 0; i < runLength; ++i)
    if (IsDuplicate(run[i], frequency, polarisation)) found = 1;
  return found;
}

int CompareByFrequency(const void* a, const void* b) {
  uint32_t first = static_cast<const TransponderRecord*>(a)->frequency;
  uint32_t second = static_cast<const TransponderRecord*>(b)->frequency;
  if (first > second) return 1;
  if (first < second) return -1;
  return 0;
}

// The later of two duplicates stays: it was found by the sweep that came after, so a chain of
// near neighbours collapses to its last member.
void ConsolidateResults(const Sys& sys, TransponderRecord* results, int32_t* resultCount) {
  if (!results || !resultCount || *resultCount <= 0) return;
  int32_t count = *resultCount;
  int32_t i = 0;
  while (i < count) {
    uint32_t after = static_cast<uint32_t>(count - i - 1);
    TransponderRecord& current = results[i];
    if (HasLaterDuplicate(after, &current + 1, current.frequency, current.polarisation)) {
      std::memmove(&current, &current + 1, after * sizeof(TransponderRecord));
      --count;
    } else {
      ++i;
    }
  }
  std::qsort(results, static_cast<size_t>(count), sizeof(TransponderRecord), CompareByFrequency);
  *resultCount = count;
  Print(sys, "Total tranponders found = %u\n", static_cast<uint32_t>(count));
}
