// Consolidation over any records and any count the pass can hold: the result must be sorted by
// frequency, hold no two records of one carrier, and keep only records it was given.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "scan/scan.h"

namespace {

// A byte loop rather than memcmp: the fuzzer hooks memcmp, which would slow every run.
uint64_t Fingerprint(const TransponderRecord& r) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&r);
  uint64_t h = 1469598103934665603u;
  for (size_t i = 0; i < sizeof r; ++i) h = (h ^ bytes[i]) * 1099511628211u;
  return h;
}

// Near neighbours on one polarisation, the way overlapping sweeps report one carrier.
bool SameCarrier(const TransponderRecord& a, const TransponderRecord& b) {
  if (a.polarisation != b.polarisation) return false;
  int64_t d = static_cast<int32_t>(a.frequency - b.frequency);
  return d > -1000 && d < 1000;
}

// Two forms of input: whole records of raw bytes (any codes, any snr), or short ones of a
// frequency step and a polarisation, which make near duplicates the rule rather than rare.
void FillRecords(const uint8_t* data, size_t size, bool compact, TransponderRecord* out,
                 int32_t slots) {
  if (!compact) {
    size_t bytes = std::min(size, static_cast<size_t>(slots) * sizeof(TransponderRecord));
    std::memcpy(out, data, bytes);
    return;
  }
  uint32_t frequency = 10700000;
  for (int32_t i = 0; i < slots && size >= 3; ++i, data += 3, size -= 3) {
    int32_t step = static_cast<int8_t>(data[0]) * 37 + data[1];
    frequency += static_cast<uint32_t>(step);
    out[i].frequency = frequency;
    out[i].polarisation = data[2] & 7;             // codes above 3 too
    out[i].symbolRate = static_cast<uint32_t>(i);  // tells copies of one carrier apart
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Counts from a few below zero up to the 200 slots of a pass.
  int32_t count = static_cast<int32_t>((data[0] | (data[1] & 0x7F) << 8) % 209) - 8;
  bool compact = data[1] & 0x80;
  data += 2;
  size -= 2;

  static TransponderRecord results[ResultsBufferSlots];
  std::memset(results, 0, sizeof results);
  FillRecords(data, size, compact, results, ResultsCapacity);
  std::vector<uint64_t> given, behind;
  for (int32_t i = 0; i < ResultsBufferSlots; ++i)
    (i < count ? given : behind).push_back(Fingerprint(results[i]));
  std::sort(given.begin(), given.end());

  QuietSys quiet;
  int32_t after = count;
  ConsolidateResults(quiet.sys(), results, &after);

  if (count <= 0) {
    FuzzCheck(after == count, "an empty pass keeps its count");
    return 0;
  }
  FuzzCheck(after >= 1 && after <= count, "consolidation keeps between one and all records");
  for (int32_t i = 0; i < after; ++i) {
    if (i > 0) FuzzCheck(results[i - 1].frequency <= results[i].frequency, "sorted by frequency");
    FuzzCheck(std::binary_search(given.begin(), given.end(), Fingerprint(results[i])),
              "every kept record is one that was found");
    for (int32_t j = i + 1; j < after; ++j)
      FuzzCheck(!SameCarrier(results[i], results[j]), "no carrier is kept twice");
  }
  for (int32_t i = count; i < ResultsBufferSlots; ++i)
    FuzzCheck(Fingerprint(results[i]) == behind[static_cast<size_t>(i - count)],
              "slots behind the count stay as they were");
  return 0;
}
