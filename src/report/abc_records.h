// Test data: the three records A, B and C that the expected files in testdata/ describe.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "report/report.h"

inline std::vector<TransponderRecord> AbcRecords() {
  TransponderRecord a{}, b{}, c{};
  a.locked = b.locked = c.locked = 1;
  a.frequency = 11727480, b.frequency = 11765640, c.frequency = 12130500;
  a.polarisation = 1, b.polarisation = 0, c.polarisation = 1;
  a.symbolRate = 27500000, b.symbolRate = 29996000, c.symbolRate = 4444000;
  a.deliverySystem = 1, b.deliverySystem = 2, c.deliverySystem = 2;
  a.modulation = 1, b.modulation = 2, c.modulation = 5;
  a.codeRate = 3, b.codeRate = 9, c.codeRate = 2;
  a.rollOff = 1, b.rollOff = 3, c.rollOff = 2;
  a.pilot = 0, b.pilot = 2, c.pilot = 1;
  c.streamCount = 2, c.streamIds[0] = 3, c.streamIds[1] = 7;
  a.rfLevel = -45, b.rfLevel = -51, c.rfLevel = -60;
  a.snr = 12.34, b.snr = 12.26, c.snr = 6.5;
  a.spectrum = 1, b.spectrum = 2, c.spectrum = 1;
  c.codingMode = 1, c.issy = 1, c.npd = 1;
  a.carrierWidth = 37125, b.carrierWidth = 40495, c.carrierWidth = 5999;
  a.bitRate = 38015625, b.bitRate = 79500000, c.bitRate = 5893000;
  return {a, b, c};
}

// 21:07 on 5 March 2024.
inline std::tm AbcTime() {
  std::tm t{};
  t.tm_hour = 21, t.tm_min = 7, t.tm_mday = 5, t.tm_mon = 2, t.tm_year = 124;
  return t;
}

inline ListInput AbcListInput(const std::vector<TransponderRecord>& records, uint32_t format,
                              uint32_t infoFormat = 1) {
  ListInput in;
  in.records = records.data();
  in.count = static_cast<uint32_t>(records.size());
  in.satPos = 192;
  in.satName = "Satellite";
  in.lof1 = 9750, in.lof2 = 10600, in.lofsw = 11700;
  in.listDiseqcCode = ListDiseqcCode(2);
  in.listFormat = format;
  in.infoFormat = infoFormat;
  return in;
}

// An expected file of testdata/, read whole.
std::string ReadExpected(const char* name);
