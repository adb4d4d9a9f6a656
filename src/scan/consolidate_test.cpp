#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "scan/scan.h"
#include "support/fakes.h"

namespace {

constexpr uint32_t kH = 0, kV = 1, kL = 2;
constexpr uint32_t f = 11000000;

// A found record: frequency, polarisation and the order it was found in (kept in symbolRate,
// so a test sees which of two duplicates survived and that records move whole).
using Found = std::tuple<uint32_t, uint32_t, uint32_t>;

// Duplicates are less than 1000 kHz apart on one polarisation; the later one stays, chains
// collapse to their last member, and what remains is sorted by frequency.
TEST(ConsolidateTest, DuplicatesAndOrder) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint32_t, uint32_t>> input;  // frequency, polarisation
    std::vector<Found> expected;
  } cases[] = {
      {"one record", {{f, kH}}, {{f, kH, 0}}},
      {"999 kHz apart", {{f, kH}, {f + 999, kH}}, {{f + 999, kH, 1}}},
      {"999 kHz apart, higher first", {{f + 999, kH}, {f, kH}}, {{f, kH, 1}}},
      {"1000 kHz apart", {{f, kH}, {f + 1000, kH}}, {{f, kH, 0}, {f + 1000, kH, 1}}},
      {"H and V", {{f, kH}, {f, kV}}, {{f, kH, 0}, {f, kV, 1}}},
      {"L and H", {{f, kL}, {f, kH}}, {{f, kH, 1}, {f, kL, 0}}},
      {"chain", {{f, kV}, {f + 900, kV}, {f + 1800, kV}}, {{f + 1800, kV, 2}}},
      {"f, f+1500, f+500",
       {{f, kH}, {f + 1500, kH}, {f + 500, kH}},
       {{f + 500, kH, 2}, {f + 1500, kH, 1}}},
      {"descending",
       {{12000000, kV}, {11500000, kH}, {11000000, kV}, {10700000, kH}},
       {{10700000, kH, 3}, {11000000, kV, 2}, {11500000, kH, 1}, {12000000, kV, 0}}},
      {"duplicates among others",
       {{f, kH}, {f + 5000, kV}, {f + 300, kH}, {f + 5200, kV}, {f + 5000, kH}},
       {{f + 300, kH, 2}, {f + 5000, kH, 4}, {f + 5200, kV, 3}}},
  };
  for (const Case& c : cases) {
    std::vector<TransponderRecord> buffer(ResultsBufferSlots);
    for (size_t i = 0; i < c.input.size(); ++i)
      buffer[i] = MakeRecord(c.input[i].first, c.input[i].second, static_cast<uint32_t>(i));
    auto count = static_cast<int32_t>(c.input.size());
    FakeSys fake;
    ConsolidateResults(fake.sys(), buffer.data(), &count);

    ASSERT_EQ(count, static_cast<int32_t>(c.expected.size())) << c.name;
    std::vector<Found> actual;
    for (int32_t i = 0; i < count; ++i)
      actual.emplace_back(buffer[i].frequency, buffer[i].polarisation, buffer[i].symbolRate);
    EXPECT_TRUE(std::is_sorted(actual.begin(), actual.end(), [](const Found& a, const Found& b) {
      return std::get<0>(a) < std::get<0>(b);
    })) << c.name;
    std::sort(actual.begin(), actual.end());  // equal frequencies come in no defined order
    EXPECT_EQ(actual, c.expected) << c.name;
    EXPECT_EQ(fake.console, "Total tranponders found = " + std::to_string(count) + "\n");
  }
}

// An empty pass is left alone and prints nothing: the pass loop reports it instead.
TEST(ConsolidateTest, NoResultsPrintsNothing) {
  std::vector<TransponderRecord> buffer(ResultsBufferSlots);
  int32_t count = 0;
  FakeSys fake;
  ConsolidateResults(fake.sys(), buffer.data(), &count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(fake.console, "");
}

// The duplicate test looks at the whole run and nothing outside it.
TEST(ConsolidateTest, HasLaterDuplicateLooksOnlyInsideTheRun) {
  TransponderRecord run[3] = {MakeRecord(f + 5000, kH), MakeRecord(f + 999, kV),
                              MakeRecord(f - 999, kH)};
  EXPECT_EQ(HasLaterDuplicate(3, run, f, kH), 1);
  EXPECT_EQ(HasLaterDuplicate(2, run, f, kH), 0);
  EXPECT_EQ(HasLaterDuplicate(0, run, f + 5000, kH), 0);
  EXPECT_EQ(HasLaterDuplicate(3, nullptr, f, kH), 0);
}

// Frequencies compare as unsigned numbers, also above 2^31 kHz.
TEST(ConsolidateTest, CompareByFrequencyIsUnsigned) {
  TransponderRecord high = MakeRecord(0x90000000u, kH), low = MakeRecord(1, kH);
  EXPECT_EQ(CompareByFrequency(&high, &low), 1);
  EXPECT_EQ(CompareByFrequency(&low, &high), -1);
  EXPECT_EQ(CompareByFrequency(&low, &low), 0);
}

}  // namespace
