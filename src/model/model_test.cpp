#include "model/model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Codes at and just past the ends of each table read their table's text or its default.
TEST(NameTables, EdgesAndDefaults) {
  struct Case {
    const char* (*name)(uint32_t);
    uint32_t code;
    const char* text;
  } cases[] = {
      {DeliverySystemName, 0, "Unknown"},
      {DeliverySystemName, 1, "DVB-S"},
      {DeliverySystemName, 12, "ISDB-S"},
      {DeliverySystemName, 13, "Unknown"},
      {ModulationName, 0, "Unknown"},
      {ModulationName, 5, "QPSK"},
      {ModulationName, 6, "QPSK"},
      {ModulationName, 7, "8PSK"},
      {ModulationName, 8, "16APSK"},
      {ModulationName, 9, "QPSK"},
      {ModulationName, 15, "OQPSK"},
      {ModulationName, 33, "256APSK_L"},
      {ModulationName, 34, "Unknown"},
      {CodeRateName, 0, "?/?"},
      {CodeRateName, 9, "9/10"},
      {CodeRateName, 27, "77/90"},
      {CodeRateName, 28, "?/?"},
      {RollOffName, 0, "?"},
      {RollOffName, 3, "0.20"},
      {RollOffName, 6, "0.5"},
      {RollOffName, 7, "?"},
      {StreamTypeName, 0, "Transport"},
      {StreamTypeName, 2, "Generic continous"},
      {StreamTypeName, 4, "?"},
      {PolarisationName, 0, "Horizontal"},
      {PolarisationName, 3, "Right"},
      {PolarisationName, 4, "Unknown"},
      {SpectrumName, 0, "Unknown"},
      {SpectrumName, 2, "Inverted"},
      {SpectrumName, 3, "Unknown"},
      {PilotName, 0, "?"},
      {PilotName, 2, "on"},
      {FrameName, 0, "Normal"},
      {FrameName, 1, "Short"},
      {FrameName, 2, "?"},
      {CodingModeName, 1, "ACM/VCM"},
      {CodingModeName, 2, "Unknown"},
      {ModulationName, 0xFFFFFFFFu, "Unknown"},
      {InputStreamName, 0, "Single"},
      {InputStreamName, 3, "Multiple"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.name(c.code), c.text) << "code " << c.code;
}

TransponderRecord Record(uint32_t system, uint32_t modulation, uint32_t codeRate, uint32_t frame,
                         double snr) {
  TransponderRecord r{};
  r.deliverySystem = system;
  r.modulation = modulation;
  r.codeRate = codeRate;
  r.frame = frame;
  r.snr = snr;
  return r;
}

std::string OneDecimal(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

// The margin as the console and the files show it, for each rule of the requirement.
TEST(LinkMargin, ShownValues) {
  struct Case {
    TransponderRecord record;
    const char* shown;
  } cases[] = {
      {Record(1, 1, 3, 0, 8.0), "2.5"},   // DVB-S 3/4 needs 5.46
      {Record(1, 1, 4, 0, 8.0), "8.0"},   // DVB-S 4/5 is not listed
      {Record(2, 2, 3, 1, 10.0), "1.8"},  // 8PSK 3/4 short frame: 7.91 + 0.3
      {Record(2, 5, 11, 0, 2.0), "3.2"},  // QPSK 1/3 needs -1.24
      {Record(2, 1, 3, 1, 5.0), "4.7"},   // DVB-S QPSK code in DVB-S2: 0 + 0.3
      {Record(2, 5, 14, 1, 5.0), "4.7"},  // unlisted rate, short frame
      {Record(3, 1, 3, 1, 8.0), "2.5"},   // DSS: DVB-S table, no allowance
      {Record(4, 7, 3, 1, 10.0), "1.8"},  // DVB-Turbo uses the DVB-S2 table
      {Record(5, 1, 3, 0, 12.0), "0.0"},  // DCII: no requirement known
      {Record(0, 1, 3, 0, -3.0), "0.0"},  {Record(8, 1, 3, 0, 30.0), "0.0"},
      {Record(2, 2, 9, 0, 12.26), "1.3"},  // the report's entry B
      {Record(2, 5, 2, 0, 6.5), "3.4"},    // the report's entry C
  };
  for (const Case& c : cases)
    EXPECT_EQ(OneDecimal(LinkMargin(c.record)), c.shown)
        << "system " << c.record.deliverySystem << " mod " << c.record.modulation << " rate "
        << c.record.codeRate;
}

// The stored constants are the doubles nearest to the two-decimal figures.
TEST(LinkMargin, TableConstants) {
  EXPECT_EQ(RequiredEsN0DvbS(7), 7.24);
  EXPECT_EQ(RequiredEsN0DvbS(4), 0.0);
  EXPECT_EQ(RequiredEsN0DvbS2(9, 4), 16.05);
  EXPECT_EQ(RequiredEsN0DvbS2(10, 5), -2.35);
  EXPECT_EQ(RequiredEsN0DvbS2(13, 7), 5.50);
  EXPECT_EQ(RequiredEsN0DvbS2(4, 2), 0.0);  // 8PSK 4/5 does not exist
  EXPECT_EQ(RequiredEsN0DvbS2(3, 8), 0.0);  // modulation 8 belongs to no group
  EXPECT_EQ(RequiredEsN0DvbS2(100, 5), 0.0);
}

}  // namespace

TEST(UsefulBitRate, FollowsTheModcodAndGivesZeroWhereItIsUnknown) {
  struct Case {
    uint32_t system, modulation, codeRate, pilot, frame, symbolRate;
    double bitRate;
  } cases[] = {
      {1, 1, 5, 0, 0, 22000000, 33790849.7},  // DVB-S QPSK 5/6: 2 x 5/6 x 188/204
      {3, 9, 2, 0, 0, 20000000, 24575163.4},  // DSS counts as DVB-S
      {2, 2, 3, 1, 0, 27500000, 61273397.9},  // 8PSK 3/4, normal frame, no pilots
      {2, 2, 3, 2, 0, 27500000, 59881950.1},  // pilots take their symbols
      {2, 5, 1, 1, 1, 10000000, 9587301.6},   // QPSK 1/2 short frame
      {2, 0, 3, 1, 0, 27500000, 0},           // modulation unknown
      {2, 2, 0, 1, 0, 27500000, 0},           // code rate unknown
  };
  for (const Case& c : cases) {
    TransponderRecord r{};
    r.deliverySystem = c.system, r.modulation = c.modulation, r.codeRate = c.codeRate;
    r.pilot = c.pilot, r.frame = c.frame, r.symbolRate = c.symbolRate;
    EXPECT_NEAR(UsefulBitRate(r), c.bitRate, 1.0) << c.system << " " << c.modulation;
  }
}
