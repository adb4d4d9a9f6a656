#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "report/abc_records.h"
#include "report/report.h"
#include "support/fakes.h"

std::string ReadExpected(const char* name) {
  std::ifstream file(std::string(VEXTRAL_SOURCE_DIR) + "/src/report/testdata/" + name,
                     std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

namespace {

struct GoldenCase {
  uint32_t listFormat;
  uint32_t infoFormat;
  const char* expected;
};

class ListGolden : public testing::TestWithParam<GoldenCase> {};

// Records A, B and C give the expected list of every format byte for byte; formats outside
// 0..6 write format 0, and formats 0, 2, 4 and 6 never carry the information column.
TEST_P(ListGolden, MatchesExpectedFile) {
  auto records = AbcRecords();
  const GoldenCase& c = GetParam();
  std::string expected = ReadExpected(c.expected);
  ASSERT_FALSE(expected.empty()) << c.expected;
  EXPECT_EQ(TransponderListText(AbcListInput(records, c.listFormat, c.infoFormat), AbcTime()),
            expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, ListGolden,
    testing::Values(GoldenCase{0, 1, "abc_format0.ini"}, GoldenCase{1, 1, "abc_format1.ini"},
                    GoldenCase{2, 1, "abc_format2.ini"}, GoldenCase{3, 1, "abc_format3.ini"},
                    GoldenCase{4, 1, "abc_format4.ini"}, GoldenCase{5, 1, "abc_format5.ini"},
                    GoldenCase{6, 1, "abc_format6.xml"}, GoldenCase{1, 4, "abc_format1_info4.ini"},
                    GoldenCase{1, 7, "abc_format1_info7.ini"}, GoldenCase{7, 1, "abc_format0.ini"},
                    GoldenCase{UINT32_MAX, 1, "abc_format0.ini"},
                    GoldenCase{0, 7, "abc_format0.ini"}, GoldenCase{2, 3, "abc_format2.ini"},
                    GoldenCase{4, 7, "abc_format4.ini"}, GoldenCase{6, 7, "abc_format6.xml"}));

// The writer takes the date stamp from the platform's local time and hands the whole text to
// the file seam under the given name.
TEST(WriteTransponderList, WritesTheListWithTheLocalTimeThroughTheFileSeam) {
  FakeTuner::Reset();
  FakeSys fake;
  fake.localTime = AbcTime();
  auto records = AbcRecords();
  EXPECT_EQ(WriteTransponderList(fake.sys(), "0192.ini", AbcListInput(records, 1, 7)), 0);
  EXPECT_EQ(fake.files["0192.ini"], ReadExpected("abc_format1_info7.ini"));
}

// Missing name or records, or no record at all, is -1 without touching any file; a failed
// write is -2.
TEST(WriteTransponderList, RefusesMissingInputAndReportsAFailedWrite) {
  FakeTuner::Reset();
  FakeSys fake;
  auto records = AbcRecords();
  ListInput in = AbcListInput(records, 0);
  EXPECT_EQ(WriteTransponderList(fake.sys(), nullptr, in), -1);
  EXPECT_EQ(WriteTransponderList(fake.sys(), "", in), -1);
  ListInput noRecords = in;
  noRecords.records = nullptr;
  EXPECT_EQ(WriteTransponderList(fake.sys(), "a.ini", noRecords), -1);
  ListInput none = in;
  none.count = 0;
  EXPECT_EQ(WriteTransponderList(fake.sys(), "a.ini", none), -1);
  EXPECT_TRUE(Events().empty());

  fake.replaceFileResult = -2;
  EXPECT_EQ(WriteTransponderList(fake.sys(), "a.ini", in), -2);
  EXPECT_TRUE(fake.files.empty());
}

std::string FirstLines(const std::string& text, int count) {
  size_t end = 0;
  for (int i = 0; i < count && end != std::string::npos; ++i) end = text.find('\n', end + 1);
  return text.substr(0, end + 1);
}

struct PositionCase {
  uint32_t satPos;
  const char* columnHeader;
  const char* xmlSat;
  const char* iniHeader;
};

// West positions show as degrees west in the column list and as negative tenths in XML; the
// INI header keeps the four-digit number.
TEST(ListHeaders, ShowEastAndWestPositions) {
  const PositionCase cases[] = {
      {3300, "# Satellite @ 30.0W\n", "\t<sat name=\"Satellite\" flags=\"5\" position=\"-300\">\n",
       "1=3300\n"},
      {1800, "# Satellite @ 180.0E\n", "\t<sat name=\"Satellite\" flags=\"5\" position=\"1800\">\n",
       "1=1800\n"},
      {1801, "# Satellite @ 179.9W\n",
       "\t<sat name=\"Satellite\" flags=\"5\" position=\"-1799\">\n", "1=1801\n"},
      {0, "# Satellite @ 0.0E\n", "\t<sat name=\"Satellite\" flags=\"5\" position=\"0\">\n",
       "1=0000\n"},
  };
  auto records = AbcRecords();
  for (const PositionCase& c : cases) {
    ListInput column = AbcListInput(records, ColumnList);
    column.satPos = c.satPos;
    EXPECT_EQ(FirstLines(TransponderListText(column, AbcTime()), 1), c.columnHeader);
    ListInput xml = AbcListInput(records, XmlList);
    xml.satPos = c.satPos;
    std::string text = TransponderListText(xml, AbcTime());
    EXPECT_EQ(text.substr(FirstLines(text, 2).size(), std::strlen(c.xmlSat)), c.xmlSat);
    ListInput ini = AbcListInput(records, IniPlain);
    ini.satPos = c.satPos;
    EXPECT_EQ(FirstLines(TransponderListText(ini, AbcTime()), 2),
              "[SATTYPE]\n" + std::string(c.iniHeader));
  }
}

// A name with commas or an equals sign goes into the INI and column lists unchanged.
TEST(ListHeaders, WriteTheSatelliteNameUnchangedOutsideXml) {
  auto records = AbcRecords();
  ListInput in = AbcListInput(records, IniFlags);
  in.satName = "Sat,One=13E";
  EXPECT_NE(TransponderListText(in, AbcTime()).find("\n2=Sat,One=13E\n3=4\n"), std::string::npos);
  in.listFormat = ColumnList;
  EXPECT_EQ(FirstLines(TransponderListText(in, AbcTime()), 1), "# Sat,One=13E @ 19.2E\n");
}

}  // namespace
