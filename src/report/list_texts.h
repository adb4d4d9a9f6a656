// Inside the list writer: the working texts of one record, the shared derivations, and the
// table row that each list format fills in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "model/model.h"
#include "report/report.h"

// Appends printf-formatted text of any length.
void Appendf(std::string* out, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Formats into a fixed-capacity text; what does not fit is cut, never written past the end.
void FormatInto(char* buffer, size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Copies a constant text into a working text, cut at its capacity.
template <size_t N>
void SetText(char (&text)[N], const char* value) {
  size_t i = 0;
  for (; i + 1 < N && value[i]; ++i) text[i] = value[i];
  text[i] = '\0';
}

// Looks up a text by code 1..N; anything else gives `fallback`.
template <size_t N>
const char* ByCode(const char* const (&table)[N], uint32_t code, const char* fallback) {
  return code >= 1 && code <= N ? table[code - 1] : fallback;
}

// Working texts of one record; a fresh (zeroed) one per record, so nothing carries over.
struct RecordTexts {
  char polarisation[2];
  char codeRate[8];
  char suffix[16];  // modulation, system mark or flag number
  char rollOff[8];
  char system[8];
  char pilot[8];
  char signal[80];  // SignalText
  char info[80];    // InfoColumn, with its separator
  uint32_t frequencyMhz;
  uint32_t symbolRateKs;
};

// One list format: its header, its own per-record texts, its lines and its footer.
struct ListWriter {
  void (*header)(const ListInput& input, std::string* out);
  void (*derive)(const TransponderRecord& record, RecordTexts* texts);
  void (*lines)(const TransponderRecord& record, const RecordTexts& texts, uint32_t number,
                std::string* out);
  void (*footer)(std::string* out);  // null: none
  const char* infoLead;              // separator before InfoColumn; null: no column
};

extern const ListWriter kIniPlainWriter;
extern const ListWriter kIniModDigitWriter;
extern const ListWriter kIniModNameWriter;
extern const ListWriter kIniFlagsWriter;
extern const ListWriter kIniModNameS2Writer;
extern const ListWriter kColumnListWriter;
extern const ListWriter kXmlListWriter;

// IniFormat values outside 0..6 act as 0 everywhere.
uint32_t EffectiveListFormat(uint32_t listFormat);

// Rounding of the lists: whole MHz (a remainder of exactly 500 kHz goes down) and whole kS/s
// snapped to 50 above 20000, to 10 above 10000.
uint32_t ListFrequencyMhz(uint32_t frequencyKHz);
uint32_t ListSymbolRateKs(uint32_t symbolRate);

// "H" for 0 and 2, "V" for 1 and 3, "?" otherwise.
const char* PolarisationLetter(uint32_t polarisation);
// "S1", "S2", or "S" for every other system.
const char* SystemText(uint32_t deliverySystem);
// Code rate without the slash (formats 0 to 4); nineTenths is the form of code 9.
const char* IniCodeRateText(uint32_t codeRate, const char* nineTenths);
// Code rate with the slash (format 5); "AUTO" outside 1..13.
const char* ColumnCodeRateText(uint32_t codeRate);

// "%u:%02u - %02u/%02u/%04u" of hour, minute, day, month, year.
void FormDateStamp(const std::tm& now, char* buffer, size_t size);
void FormSignalText(const TransponderRecord& record, uint32_t infoFormat, char* buffer,
                    size_t size);
// The information column after `lead`, or empty when the info format carries none.
void FormInfoColumn(const char* lead, uint32_t infoFormat, const char* signal,
                    const char* dateStamp, char* buffer, size_t size);

// Satellite position as degrees, tenths and 'E'/'W' (west above 1800).
struct EastWest {
  uint32_t degrees;
  uint32_t tenths;
  char letter;
};
EastWest EastWestPosition(uint32_t satPos);

// The satellite name as an XML attribute value: reserved characters escaped, every byte
// outside printable ASCII written as a character reference.
std::string XmlAttributeText(const char* name);
