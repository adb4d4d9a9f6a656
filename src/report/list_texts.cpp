// Texts every list format derives from a record: rounding, letters, code-rate forms, the
// signal text, the information column and the date stamp.
#include "report/list_texts.h"

#include <cstdarg>
#include <cstdio>

void Appendf(std::string* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(out, format, args);
  va_end(args);
}

void FormatInto(char* buffer, size_t size, const char* format, ...) {
  if (size == 0) return;
  va_list args;
  va_start(args, format);
  if (std::vsnprintf(buffer, size, format, args) < 0) buffer[0] = '\0';
  va_end(args);
}

uint32_t EffectiveListFormat(uint32_t listFormat) {
  return listFormat <= XmlList ? listFormat : IniPlain;
}

uint32_t ListFrequencyMhz(uint32_t frequencyKHz) {
  return frequencyKHz / 1000 + (frequencyKHz % 1000 > 500 ? 1 : 0);
}

namespace {

// Snaps k to a multiple of `step`; a remainder of exactly half a step stays as it is.
uint32_t Snap(uint32_t k, uint32_t step) {
  uint32_t r = k % step;
  if (r > step / 2) return k + (step - r);
  if (r < step / 2) return k - r;
  return k;
}

}  // namespace

uint32_t ListSymbolRateKs(uint32_t symbolRate) {
  uint32_t k = symbolRate / 1000;  // at most 4294967, so snapping up cannot overflow
  if (k > 20000) return Snap(k, 50);
  if (k > 10000) return Snap(k, 10);
  return k;
}

const char* PolarisationLetter(uint32_t polarisation) {
  // Circular polarisations are listed under the linear letter: left as H, right as V.
  switch (polarisation) {
    case 0:
    case 2:
      return "H";
    case 1:
    case 3:
      return "V";
    default:
      return "?";
  }
}

const char* SystemText(uint32_t deliverySystem) {
  if (deliverySystem == 1) return "S1";
  if (deliverySystem == 2) return "S2";
  return "S";
}

namespace {

constexpr const char* kRateDigits[] = {"12", "23",  "34", "45", "56", "67", "78",
                                       "89", "910", "14", "13", "25", "35"};
constexpr const char* kRateSlash[] = {"1/2", "2/3",  "3/4", "4/5", "5/6", "6/7", "7/8",
                                      "8/9", "9/10", "1/4", "1/3", "2/5", "3/5"};
constexpr uint32_t kListedRates = 13;

}  // namespace

const char* IniCodeRateText(uint32_t codeRate, const char* nineTenths) {
  if (codeRate == 9) return nineTenths;
  if (codeRate < 1 || codeRate > kListedRates) return "?";
  return kRateDigits[codeRate - 1];
}

const char* ColumnCodeRateText(uint32_t codeRate) {
  if (codeRate < 1 || codeRate > kListedRates) return "AUTO";
  return kRateSlash[codeRate - 1];
}

void FormDateStamp(const std::tm& now, char* buffer, size_t size) {
  FormatInto(buffer, size, "%u:%02u - %02u/%02u/%04u", static_cast<unsigned>(now.tm_hour),
             static_cast<unsigned>(now.tm_min), static_cast<unsigned>(now.tm_mday),
             // in unsigned arithmetic: a broken clock's INT_MAX month must not overflow
             static_cast<unsigned>(now.tm_mon) + 1u, static_cast<unsigned>(now.tm_year) + 1900u);
}

void FormSignalText(const TransponderRecord& r, uint32_t infoFormat, char* buffer, size_t size) {
  if (infoFormat <= 3) {
    FormatInto(buffer, size, "%d dBm, %.1f dB", r.rfLevel, r.snr);
  } else if (infoFormat <= 5) {
    FormatInto(buffer, size, "%.1f dB", r.snr);
  } else {
    FormatInto(buffer, size, "%.1f (%.1f) dB", r.snr, LinkMargin(r));
  }
}

void FormInfoColumn(const char* lead, uint32_t infoFormat, const char* signal,
                    const char* dateStamp, char* buffer, size_t size) {
  switch (infoFormat) {
    case 1:
    case 4:
    case 6:
      FormatInto(buffer, size, "%s%s", lead, signal);
      break;
    case 2:
      FormatInto(buffer, size, "%s%s", lead, dateStamp);
      break;
    case 3:
    case 5:
    case 7:
      FormatInto(buffer, size, "%s%s; %s", lead, signal, dateStamp);
      break;
    default:  // 0 and 8 upwards: no column
      FormatInto(buffer, size, "%s", "");
      break;
  }
}

EastWest EastWestPosition(uint32_t satPos) {
  uint32_t p = satPos % 3600;  // only a normalised position reaches here; stay sane otherwise
  uint32_t value = p > 1800 ? 3600 - p : p;
  return {value / 10, value % 10, p > 1800 ? 'W' : 'E'};
}
