#include <gtest/gtest.h>

#include <string>

#include "report/report.h"
#include "support/fakes.h"

namespace {

const std::string kSep(1, kPathSeparator);

// The six settings are read in their order, each with its default when missing.
TEST(ReadOutputSettings, ReadsInOrderWithDefaults) {
  FakeTuner::Reset();
  FakeSys fake;
  fake.logProfileReads = true;
  OutputSettings s;
  s.loop = 99;
  ReadOutputSettings(fake.sys(), "Vextral.ini", &s);
  EXPECT_EQ(Events(), (std::vector<std::string>{"read SatInfo.SatName", "read Options.IniFormat",
                                                "read Options.InfoFormat", "read Options.ReportDir",
                                                "read Options.TPDir", "read Options.Loop"}));
  EXPECT_STREQ(s.satName, "Satellite");
  EXPECT_EQ(s.iniFormat, 0u);
  EXPECT_EQ(s.infoFormat, 1u);
  EXPECT_STREQ(s.reportDir, "");
  EXPECT_STREQ(s.tpDir, "");
  EXPECT_EQ(s.loop, 0);
}

// Present values are taken as they are: an empty name stays empty, negative formats are read
// as unsigned numbers.
TEST(ReadOutputSettings, TakesPresentValues) {
  FakeSys fake;
  fake.ini["SatInfo"]["SatName"] = "";
  fake.ini["Options"]["IniFormat"] = "-1";
  fake.ini["Options"]["InfoFormat"] = "7";
  fake.ini["Options"]["Loop"] = "-3";
  OutputSettings s;
  ReadOutputSettings(fake.sys(), "Vextral.ini", &s);
  EXPECT_STREQ(s.satName, "");
  EXPECT_EQ(s.iniFormat, UINT32_MAX);
  EXPECT_EQ(s.infoFormat, 7u);
  EXPECT_EQ(s.loop, -3);
}

// A nonempty folder gets exactly one separator at its end; an empty one stays empty.
TEST(ReadOutputSettings, FolderGetsOneSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"out", "out" + kSep},
      {"out" + kSep, "out" + kSep},
      {"", ""},
      {"a" + kSep + "b", "a" + kSep + "b" + kSep},
  };
  for (const auto& [value, folder] : cases) {
    FakeSys fake;
    fake.ini["Options"]["ReportDir"] = value;
    fake.ini["Options"]["TPDir"] = value;
    OutputSettings s;
    ReadOutputSettings(fake.sys(), "Vextral.ini", &s);
    EXPECT_EQ(s.reportDir, folder) << value;
    EXPECT_EQ(s.tpDir, folder) << value;
  }
}

struct NameCase {
  uint32_t format;
  int32_t loop;
  uint32_t pass;
  uint32_t satPos;
  const char* report;
  const char* list;
};

// Names by format, Loop, pass and position: the column list names by degrees, the XML list
// ends in .xml, only Loop 1 adds the pass number, formats outside 0..6 name as format 0.
TEST(FileNames, ByFormatLoopAndPosition) {
  const NameCase cases[] = {
      {0, 0, 1, 192, "0192.txt", "0192.ini"},
      {5, 0, 1, 192, "S19.2E.txt", "S19.2E.ini"},
      {6, 0, 1, 192, "0192.txt", "0192.xml"},
      {6, 1, 3, 192, "0192_3.txt", "0192_3.xml"},
      {0, 1, 1, 192, "0192_1.txt", "0192_1.ini"},
      {0, 2, 7, 192, "0192.txt", "0192.ini"},
      {0, -1, 7, 192, "0192.txt", "0192.ini"},
      {5, 1, 2, 1800, "S180.0E_2.txt", "S180.0E_2.ini"},
      {5, 2, 4, 1801, "S179.9W.txt", "S179.9W.ini"},
      {5, 0, 1, 3300, "S30.0W.txt", "S30.0W.ini"},
      {6, 0, 1, 3300, "3300.txt", "3300.xml"},
      {7, 1, 2, 5, "0005_2.txt", "0005_2.ini"},
      {UINT32_MAX, 0, 1, 192, "0192.txt", "0192.ini"},
  };
  for (const NameCase& c : cases) {
    OutputSettings s;
    s.iniFormat = c.format;
    s.loop = c.loop;
    char name[260];
    ASSERT_EQ(FormReportName(s, c.satPos, c.pass, name, sizeof name), 0);
    EXPECT_STREQ(name, c.report);
    ASSERT_EQ(FormListName(s, c.satPos, c.pass, name, sizeof name), 0);
    EXPECT_STREQ(name, c.list);
  }
}

// Each file goes to its own folder.
TEST(FileNames, UseTheirFolders) {
  FakeSys fake;
  fake.ini["Options"]["ReportDir"] = "scan";
  OutputSettings s;
  ReadOutputSettings(fake.sys(), "Vextral.ini", &s);
  EXPECT_EQ(ReportFileName(s, 192, 1), "scan" + kSep + "0192.txt");
  EXPECT_EQ(ListFileName(s, 192, 1), "0192.ini");
}

// A name of 259 characters is formed; one more is refused and leaves an empty name.
TEST(FileNames, RefuseNamesLongerThan259) {
  OutputSettings s;
  std::string folder(250, 'd');  // + separator + "0192.txt" = 259
  std::snprintf(s.reportDir, sizeof s.reportDir, "%s%c", folder.c_str(), kPathSeparator);
  char name[300];
  ASSERT_EQ(FormReportName(s, 192, 1, name, sizeof name), 0);
  EXPECT_EQ(std::string(name).size(), 259u);
  s.loop = 1;  // "_1" makes it 261
  EXPECT_EQ(FormReportName(s, 192, 1, name, sizeof name), -1);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(ReportFileName(s, 192, 1).size(), 261u);
  s.loop = 0;
  EXPECT_EQ(FormReportName(s, 192, 1, name, 259), -1);  // no room for the terminating zero
}

// A folder value that fills its 259 characters still gets its separator, and then no name fits.
TEST(FileNames, FullLengthFolderKeepsItsSeparator) {
  FakeSys fake;
  fake.ini["Options"]["TPDir"] = std::string(400, 't');
  OutputSettings s;
  ReadOutputSettings(fake.sys(), "Vextral.ini", &s);
  EXPECT_EQ(s.tpDir, std::string(259, 't') + kSep);
  char name[260];
  EXPECT_EQ(FormListName(s, 192, 1, name, sizeof name), -1);
}

// 0 stays 0; every other value is raised by 2.
TEST(ListDiseqcCode, AddsTwoToAnyNonzeroValue) {
  const std::pair<int32_t, uint32_t> cases[] = {{0, 0}, {1, 3}, {2, 4}, {4, 6}, {5, 7}, {-1, 1}};
  for (const auto& [diseqc, code] : cases) EXPECT_EQ(ListDiseqcCode(diseqc), code) << diseqc;
}

}  // namespace
