#include <gtest/gtest.h>

#include "report/abc_records.h"
#include "report/report.h"
#include "support/fakes.h"

namespace {

struct PassOutputTest : testing::Test {
  void SetUp() override {
    FakeTuner::Reset();
    fake.localTime = AbcTime();
    settings.iniFormat = IniFlags;
    pass.records = records.data();
    pass.count = 3;
    pass.totalScanTime = 83.25;
    pass.satPos = 192;
    pass.diseqc = 2;
  }
  FakeSys fake;
  std::vector<TransponderRecord> records = AbcRecords();
  OutputSettings settings;
  PassOutput pass;
};

// The report is announced and written first, then the list, with the settings, the LNB and
// the switch code handed on.
TEST_F(PassOutputTest, WritesReportThenList) {
  WritePassOutput(fake.sys(), settings, pass);
  EXPECT_EQ(fake.console,
            "Report detailed transponder info to 0192.txt ...\n"
            "Store transponder info in 0192.ini ...\n");
  EXPECT_EQ(fake.files["0192.txt"], ReadExpected("abc_report.txt"));
  EXPECT_EQ(fake.files["0192.ini"], ReadExpected("abc_format3.ini"));
  std::vector<std::string> writes;
  for (const std::string& e : Events())
    if (e.rfind("replaceFile", 0) == 0) writes.push_back(e);
  EXPECT_EQ(writes, (std::vector<std::string>{"replaceFile 0192.txt", "replaceFile 0192.ini"}));
}

// A failed write of either file prints "error !" after its announcement; the list is still
// tried after a failed report.
TEST_F(PassOutputTest, FailedWritesPrintErrorAndGoOn) {
  fake.replaceFileResult = -2;
  WritePassOutput(fake.sys(), settings, pass);
  EXPECT_EQ(fake.console,
            "Report detailed transponder info to 0192.txt ...\nerror !\n"
            "Store transponder info in 0192.ini ...\nerror !\n");
}

// A pass without records writes nothing.
TEST_F(PassOutputTest, NoRecordsWritesNothing) {
  pass.count = 0;
  WritePassOutput(fake.sys(), settings, pass);
  EXPECT_EQ(fake.console, "Transponders not found !\n");
  EXPECT_TRUE(fake.files.empty());
}

// A report name longer than 259 characters is shown and refused without calling the writer;
// the list is written as usual.
TEST_F(PassOutputTest, TooLongNameIsRefusedWithAClearLine) {
  std::string folder(255, 'r');
  std::snprintf(settings.reportDir, sizeof settings.reportDir, "%s%c", folder.c_str(),
                kPathSeparator);
  WritePassOutput(fake.sys(), settings, pass);
  EXPECT_EQ(fake.console, "File name too long (264 characters, at most 259): " + folder +
                              kPathSeparator + "0192.txt\nerror !\n" +
                              "Store transponder info in 0192.ini ...\n");
  EXPECT_EQ(fake.files.size(), 1u);
  EXPECT_EQ(fake.files.count("0192.ini"), 1u);
}

// Loop 1 names carry the pass number; the XML list ends in .xml.
TEST_F(PassOutputTest, LoopOneNamesCarryThePassNumber) {
  settings.iniFormat = XmlList;
  settings.loop = 1;
  pass.passNumber = 3;
  WritePassOutput(fake.sys(), settings, pass);
  EXPECT_EQ(fake.console,
            "Report detailed transponder info to 0192_3.txt ...\n"
            "Store transponder info in 0192_3.xml ...\n");
  EXPECT_EQ(fake.files["0192_3.xml"], ReadExpected("abc_format6.xml"));
}

}  // namespace
