// Both writers over fuzzed records and settings: every list format and beyond, absurd snr
// values, stream counts up to 255, satellite names with every byte, any scan time and clock.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "fuzz_support.h"
#include "report/report.h"

namespace {

double AbsurdDouble(FuzzedDataProvider& in) {
  static const double kValues[] = {std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   1e308,
                                   -1e308,
                                   std::numeric_limits<double>::max(),
                                   std::numeric_limits<double>::denorm_min(),
                                   -0.0,
                                   4294967296.0,
                                   -2147483649.0};
  if (in.ConsumeBool()) return in.PickValueInArray(kValues);
  return in.ConsumeFloatingPoint<double>();
}

TransponderRecord FuzzedRecord(FuzzedDataProvider& in) {
  TransponderRecord r{};
  std::vector<uint8_t> raw = in.ConsumeBytes<uint8_t>(sizeof r);
  std::memcpy(&r, raw.data(), raw.size());
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:  // codes near their tables, so the named paths are reached too
      r.deliverySystem %= 4;
      r.modulation %= 8;
      r.codeRate %= 16;
      r.rollOff %= 4;
      r.pilot %= 3;
      r.streamCount %= 256;
      break;
    case 1:
      r.snr = AbsurdDouble(in);
      r.streamCount = in.ConsumeIntegralInRange<uint32_t>(0, 255);
      break;
    default:
      break;  // every field as the bytes came
  }
  return r;
}

// Any time the clock can give, also far years.
std::tm FuzzedTime(FuzzedDataProvider& in) {
  std::tm t{};
  t.tm_sec = in.ConsumeIntegralInRange<int>(0, 60);
  t.tm_min = in.ConsumeIntegralInRange<int>(0, 59);
  t.tm_hour = in.ConsumeIntegralInRange<int>(0, 23);
  t.tm_mday = in.ConsumeIntegralInRange<int>(1, 31);
  t.tm_mon = in.ConsumeIntegralInRange<int>(0, 11);
  t.tm_year = in.ConsumeIntegralInRange<int>(-1900, 1000000);
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  ListInput list;
  list.listFormat =
      in.ConsumeBool() ? in.ConsumeIntegral<uint32_t>() : in.ConsumeIntegralInRange<uint32_t>(0, 7);
  list.infoFormat =
      in.ConsumeBool() ? in.ConsumeIntegral<uint32_t>() : in.ConsumeIntegralInRange<uint32_t>(0, 8);
  list.satPos = in.ConsumeIntegral<uint32_t>();
  list.lof1 = in.ConsumeIntegral<uint32_t>();
  list.lof2 = in.ConsumeIntegral<uint32_t>();
  list.lofsw = in.ConsumeIntegral<uint32_t>();
  list.listDiseqcCode = in.ConsumeIntegral<uint32_t>();
  // The name as the 100-byte setting holds it: up to 99 bytes, any but the zero that ends it.
  std::string name = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, 99));
  name.resize(std::strlen(name.c_str()));
  list.satName = name.c_str();
  double scanTime = AbsurdDouble(in);
  std::tm now = FuzzedTime(in);

  uint32_t count = in.ConsumeIntegralInRange<uint32_t>(0, ResultsCapacity);
  std::vector<TransponderRecord> records;
  while (records.size() < count && in.remaining_bytes() > 0) records.push_back(FuzzedRecord(in));
  list.records = records.data();
  list.count = static_cast<uint32_t>(records.size());

  std::string report = DetailedReportText(list.records, list.count, scanTime);
  std::string text = TransponderListText(list, now);
  FuzzCheck(text.find('\0') == std::string::npos, "the list holds no zero byte");
  FuzzCheck(report.find('\0') == std::string::npos, "the report holds no zero byte");
  if (list.listFormat == XmlList) {
    for (unsigned char c : text)
      FuzzCheck(c < 0x80, "the XML list writes bytes outside ASCII as references");
  }

  QuietSys quiet;
  Sys sys = quiet.sys();
  int wroteReport = WriteDetailedReport(sys, "r.txt", list.records, list.count, scanTime);
  int wroteList = WriteTransponderList(sys, "l.ini", list);
  FuzzCheck(wroteReport == (list.count ? 0 : -1), "the report is written when there are records");
  FuzzCheck(wroteList == (list.count ? 0 : -1), "the list is written when there are records");
  if (list.count) FuzzCheck(quiet.files["r.txt"] == report, "the report file holds its text");
  return 0;
}
