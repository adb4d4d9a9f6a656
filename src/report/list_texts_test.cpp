#include "report/list_texts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "report/abc_records.h"

namespace {

// Record A of the examples: DVB-S QPSK 3/4 at 11727 MHz V, 27500 kS/s.
TransponderRecord Base() {
  return AbcRecords()[0];
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The entry lines of a list of the given records (header and footer left out).
std::vector<std::string> Entries(const std::vector<TransponderRecord>& records, uint32_t format,
                                 uint32_t infoFormat = 0) {
  ListInput in = AbcListInput(records, format, infoFormat);
  std::vector<std::string> lines = Lines(TransponderListText(in, AbcTime()));
  size_t header = format == IniFlags ? 10 : format == ColumnList ? 2 : format == XmlList ? 3 : 6;
  size_t footer = format == XmlList ? 2 : 0;
  return {lines.begin() + static_cast<long>(header), lines.end() - static_cast<long>(footer)};
}

std::string Entry(const TransponderRecord& r, uint32_t format, uint32_t infoFormat = 0) {
  std::vector<std::string> entries = Entries({r}, format, infoFormat);
  return entries.empty() ? "" : entries[0];
}

// What follows "1=11727,V,27500," in an INI entry: the code-rate text and the suffix.
std::string IniTail(const TransponderRecord& r, uint32_t format) {
  return Entry(r, format).substr(std::string("1=11727,V,27500,").size());
}

// The attributes of an XML entry after polarization.
std::string XmlTail(const TransponderRecord& r) {
  std::string line = Entry(r, XmlList);
  return line.substr(line.find("fec_inner"));
}

struct RateCase {
  uint32_t code;
  const char* ini;     // formats 0, 3 and 4
  const char* digit;   // format 1
  const char* name;    // format 2
  const char* column;  // format 5
  const char* fec;     // format 6
};

// Every code rate in every format: slash form in the column list, own forms of 9/10 in formats
// 1 and 2, "?" or "AUTO" outside 1..13, and the digits of the XML list.
TEST(ListCodeTables, CodeRateTexts) {
  const RateCase cases[] = {
      {0, "?", "?", "?", "AUTO", "0"},          {1, "12", "12", "12", "1/2", "1"},
      {2, "23", "23", "23", "2/3", "2"},        {3, "34", "34", "34", "3/4", "3"},
      {4, "45", "45", "45", "4/5", "8"},        {5, "56", "56", "56", "5/6", "4"},
      {6, "67", "67", "67", "6/7", "0"},        {7, "78", "78", "78", "7/8", "5"},
      {8, "89", "89", "89", "8/9", "6"},        {9, "910", "91", "9A", "9/10", "9"},
      {10, "14", "14", "14", "1/4", "0"},       {11, "13", "13", "13", "1/3", "0"},
      {12, "25", "25", "25", "2/5", "0"},       {13, "35", "35", "35", "3/5", "7"},
      {14, "?", "?", "?", "AUTO", "0"},         {27, "?", "?", "?", "AUTO", "0"},
      {UINT32_MAX, "?", "?", "?", "AUTO", "0"},
  };
  for (const RateCase& c : cases) {
    SCOPED_TRACE(c.code);
    TransponderRecord r = Base();
    r.modulation = 0;  // no suffix in formats 1, 2 and 4
    r.codeRate = c.code;
    EXPECT_EQ(IniTail(r, IniPlain), c.ini);
    EXPECT_EQ(IniTail(r, IniModNameS2), c.ini);
    EXPECT_EQ(IniTail(r, IniFlags), std::string(c.ini) + ",0");
    EXPECT_EQ(IniTail(r, IniModDigit), c.digit);
    EXPECT_EQ(IniTail(r, IniModName), c.name);
    EXPECT_EQ(Entry(r, ColumnList), std::string("S1 11727000 V 27500000 ") + c.column + " 35 AUTO");
    EXPECT_EQ(XmlTail(r), std::string("fec_inner=\"") + c.fec +
                              "\" system=\"0\" modulation=\"0\" rolloff=\"0\"/>");
  }
}

struct ModulationCase {
  uint32_t code;
  const char* digit;   // format 1
  const char* name;    // format 2
  const char* nameS2;  // format 4
  const char* column;  // format 5
  const char* xml;     // format 6
};

// Formats 1, 2, 4, 5 and 6 go by the modulation code alone, whatever the delivery system.
TEST(ListCodeTables, ModulationTexts) {
  const ModulationCase cases[] = {
      {0, "", "", "", "AUTO", "0"},
      {1, ",1", ",QPSK", ",QPSK", "QPSK", "1"},
      {2, ",2", ",8PSK", ",8PSK,S2", "8PSK", "2"},
      {3, ",3", ",16APSK", ",16APSK,S2", "16APSK", "3"},
      {4, ",4", ",32APSK", ",32APSK,S2", "32APSK", "4"},
      {5, ",2", ",NBC_QPSK", ",QPSK,S2", "QPSK", "1"},
      {6, ",1", ",Turbo-QPSK", "", "QPSK", "1"},
      {7, ",2", ",Turbo-8PSK", "", "8PSK", "2"},
      {8, "", "", "", "AUTO", "0"},
      {9, "", "", ",DIRECTV", "AUTO", "0"},
      {10, "", "", "", "AUTO", "0"},
  };
  for (uint32_t system : {1u, 3u}) {
    for (const ModulationCase& c : cases) {
      SCOPED_TRACE(testing::Message() << "system " << system << " modulation " << c.code);
      TransponderRecord r = Base();
      r.deliverySystem = system;
      r.modulation = c.code;
      EXPECT_EQ(IniTail(r, IniModDigit), std::string("34") + c.digit);
      EXPECT_EQ(IniTail(r, IniModName), std::string("34") + c.name);
      EXPECT_EQ(IniTail(r, IniModNameS2), std::string("34") + c.nameS2);
      EXPECT_EQ(Entry(r, ColumnList),
                std::string(system == 1 ? "S1" : "S") + " 11727000 V 27500000 3/4 35 " + c.column);
      EXPECT_EQ(XmlTail(r), std::string("fec_inner=\"3\" system=\"0\" modulation=\"") + c.xml +
                                "\" rolloff=\"0\"/>");
    }
  }
}

// Format 0 marks the system; the column list names it; the XML list flags DVB-S2 alone.
TEST(ListCodeTables, SystemTexts) {
  struct Case {
    uint32_t system;
    const char* iniSuffix;
    const char* columnSystem;
  };
  const Case cases[] = {{0, "", "S"},     {1, "", "S1"}, {2, ",S2", "S2"},
                        {3, ",DSS", "S"}, {4, "", "S"},  {UINT32_MAX, "", "S"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.system);
    TransponderRecord r = Base();
    r.deliverySystem = c.system;
    EXPECT_EQ(IniTail(r, IniPlain), std::string("34") + c.iniSuffix);
    EXPECT_EQ(Entry(r, ColumnList).substr(0, Entry(r, ColumnList).find(' ')), c.columnSystem);
    bool s2 = c.system == 2;
    EXPECT_NE(Entry(r, XmlList).find(s2 ? "system=\"1\"" : "system=\"0\""), std::string::npos);
  }
}

// Roll-off and pilot: the column list's text, the XML digits and the flag number bits.
TEST(ListCodeTables, RollOffPilotAndFlagNumbers) {
  struct Case {
    uint32_t system, modulation, rollOff, pilot;
    const char* column;  // text between the code rate and the modulation
    const char* xml;
    uint32_t flags;
  };
  const Case cases[] = {
      {1, 1, 1, 0, " 35 ", "rolloff=\"0\"/>", 1},
      {2, 2, 3, 2, " 20 ", "rolloff=\"2\" pilot=\"1\"/>", 150},
      {2, 5, 2, 1, " 25 ", "rolloff=\"1\" pilot=\"0\"/>", 13},
      {2, 3, 0, 0, "  ", "rolloff=\"3\" pilot=\"2\"/>", 28},
      {1, 3, 4, 2, "  ", "rolloff=\"3\"/>", 152},
      {4, 7, 2, 2, " 25 ", "rolloff=\"1\"/>", 138},
      {1, 6, 3, 7, " 20 ", "rolloff=\"2\"/>", 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.system << " " << c.modulation << " " << c.rollOff << " " << c.pilot);
    TransponderRecord r = Base();
    r.deliverySystem = c.system, r.modulation = c.modulation;
    r.rollOff = c.rollOff, r.pilot = c.pilot;
    EXPECT_NE(Entry(r, ColumnList).find(std::string("3/4") + c.column), std::string::npos);
    EXPECT_NE(Entry(r, XmlList).find(c.xml), std::string::npos);
    EXPECT_EQ(IniTail(r, IniFlags), "34," + std::to_string(c.flags));
  }
}

// Circular polarisations take the linear letter; the XML list keeps the stored code.
TEST(ListCodeTables, PolarisationLetters) {
  const std::pair<uint32_t, const char*> cases[] = {{0, "H"}, {1, "V"}, {2, "H"},
                                                    {3, "V"}, {5, "?"}, {UINT32_MAX, "?"}};
  for (const auto& [code, letter] : cases) {
    TransponderRecord r = Base();
    r.polarisation = code;
    EXPECT_EQ(Entry(r, IniPlain), std::string("1=11727,") + letter + ",27500,34");
    EXPECT_NE(Entry(r, XmlList).find("polarization=\"" + std::to_string(code) + "\""),
              std::string::npos);
  }
}

// Whole MHz with 500 kHz going down; kS/s snapped to 50 above 20000 and to 10 above 10000,
// with the half step left as it is.
TEST(ListRounding, FrequencyAndSymbolRate) {
  const std::pair<uint32_t, uint32_t> frequencies[] = {
      {12130500, 12130}, {12130501, 12131},     {11727480, 11727}, {11765640, 11766}, {0, 0},
      {999, 1},          {4294967295u, 4294967}};
  for (const auto& [kHz, MHz] : frequencies) EXPECT_EQ(ListFrequencyMhz(kHz), MHz) << kHz;
  const std::pair<uint32_t, uint32_t> rates[] = {
      {27525000, 27525}, {27526000, 27550}, {27524000, 27500},     {27525999, 27525},
      {29996000, 30000}, {20001000, 20000}, {20000000, 20000},     {15005000, 15005},
      {15006000, 15010}, {15004000, 15000}, {10000000, 10000},     {10001000, 10000},
      {4444000, 4444},   {999, 0},          {4294967295u, 4294950}};
  for (const auto& [rate, kS] : rates) EXPECT_EQ(ListSymbolRateKs(rate), kS) << rate;

  TransponderRecord r = Base();
  r.frequency = 12130501, r.symbolRate = 27526000;
  EXPECT_EQ(Entry(r, IniPlain), "1=12131,V,27550,34");
  EXPECT_EQ(Entry(r, ColumnList), "S1 12131000 V 27550000 3/4 35 QPSK");
}

// InfoFormat picks the column's content and the signal text's form; formats 1 and 5 lead it
// with " ;", format 3 with ",|".
TEST(ListInfoColumn, ContentBySetting) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0, ""},
      {1, "-45 dBm, 12.3 dB"},
      {2, "21:07 - 05/03/2024"},
      {3, "-45 dBm, 12.3 dB; 21:07 - 05/03/2024"},
      {4, "12.3 dB"},
      {5, "12.3 dB; 21:07 - 05/03/2024"},
      {6, "12.3 (6.9) dB"},
      {7, "12.3 (6.9) dB; 21:07 - 05/03/2024"},
      {8, ""},
      {UINT32_MAX, ""},
  };
  for (const auto& [info, column] : cases) {
    SCOPED_TRACE(info);
    std::string text = column;
    EXPECT_EQ(Entry(Base(), IniModDigit, info),
              "1=11727,V,27500,34,1" + (text.empty() ? "" : " ;" + text));
    EXPECT_EQ(Entry(Base(), IniFlags, info),
              "1=11727,V,27500,34,1" + (text.empty() ? "" : ",|" + text));
    EXPECT_EQ(Entry(Base(), ColumnList, info),
              "S1 11727000 V 27500000 3/4 35 QPSK" + (text.empty() ? "" : " ;" + text));
  }
  char signal[80];
  FormSignalText(Base(), UINT32_MAX, signal, sizeof signal);
  EXPECT_STREQ(signal, "12.3 (6.9) dB");
}

// Hour without a leading zero, the rest two digits, the year four.
TEST(ListInfoColumn, DateStamp) {
  std::tm t{};
  t.tm_hour = 9, t.tm_min = 5, t.tm_mday = 14, t.tm_mon = 2, t.tm_year = 124;
  char stamp[128];
  FormDateStamp(t, stamp, sizeof stamp);
  EXPECT_STREQ(stamp, "9:05 - 14/03/2024");
  // A clock that reports nonsense gives a wrong stamp, never undefined behaviour.
  t.tm_mon = INT_MAX, t.tm_year = INT_MAX;
  FormDateStamp(t, stamp, sizeof stamp);
  EXPECT_STREQ(stamp, "9:05 - 14/2147483648/2147485547");
}

// Absurd snr values make texts longer than their 79 characters: they are cut, the lines stay
// whole, and every format still writes one entry per record.
TEST(ListWorkingTexts, AbsurdSnrIsCutNotOverrun) {
  const double values[] = {1e300, -1e300, std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  for (double snr : values) {
    TransponderRecord r = Base();
    r.snr = snr;
    for (uint32_t format = 0; format <= XmlList; ++format) {
      for (uint32_t info = 0; info <= 8; ++info) {
        std::vector<std::string> entries = Entries({r, r}, format, info);
        ASSERT_EQ(entries.size(), 2u) << snr << " " << format << " " << info;
        size_t lead = entries[0].find_first_of(";|");
        if (lead != std::string::npos) {
          EXPECT_LE(entries[0].size() - lead + 1, 79u);
        }
      }
    }
  }
  TransponderRecord r = Base();
  r.snr = 1e300;
  std::string entry = Entry(r, IniModDigit, 3);
  EXPECT_EQ(entry.substr(0, 40), "1=11727,V,27500,34,1 ;-45 dBm, 100000000");
  EXPECT_EQ(entry.size(), std::string("1=11727,V,27500,34,1").size() + 79);
}

// Texts are formed afresh for each record: a suffix, a roll-off or a pilot of one record never
// shows on the next.
TEST(ListWorkingTexts, NothingCarriesOverToTheNextRecord) {
  TransponderRecord s2 = AbcRecords()[1];
  TransponderRecord bare = Base();
  bare.modulation = 0, bare.rollOff = 0, bare.codeRate = 0, bare.deliverySystem = 0;
  EXPECT_EQ(Entries({s2, bare}, IniPlain)[1], "2=11727,V,27500,?");
  EXPECT_EQ(Entries({s2, bare}, IniModName)[1], "2=11727,V,27500,?");
  EXPECT_EQ(Entries({s2, bare}, ColumnList, 0)[1], "S 11727000 V 27500000 AUTO  AUTO");
}

// Input streams: one line each in the column list for every system, in XML for DVB-S2 only;
// a count above the 16 identifiers is read as 16.
TEST(ListStreams, OneLinePerStreamUpToSixteen) {
  TransponderRecord r = AbcRecords()[2];
  r.streamCount = 40;
  for (uint8_t i = 0; i < 16; ++i) r.streamIds[i] = static_cast<uint8_t>(200 + i);
  std::vector<std::string> column = Entries({r}, ColumnList, 0);
  ASSERT_EQ(column.size(), 16u);
  EXPECT_EQ(column[15], "S2 12130000 V 4444000 2/3 25 QPSK 215");
  std::vector<std::string> xml = Entries({r}, XmlList);
  ASSERT_EQ(xml.size(), 16u);
  EXPECT_NE(xml[15].find("pilot=\"0\" is_id=\"215\"/>"), std::string::npos);
  EXPECT_EQ(Entries({r}, IniFlags).size(), 1u);

  TransponderRecord dvbs = Base();
  dvbs.streamCount = 2, dvbs.streamIds[0] = 1, dvbs.streamIds[1] = 9;
  EXPECT_EQ(Entries({dvbs}, ColumnList, 0),
            (std::vector<std::string>{"S1 11727000 V 27500000 3/4 35 QPSK 1",
                                      "S1 11727000 V 27500000 3/4 35 QPSK 9"}));
  EXPECT_EQ(Entries({dvbs}, XmlList).size(), 1u);
  EXPECT_EQ(Entries({dvbs}, XmlList)[0].find("is_id"), std::string::npos);
}

}  // namespace
