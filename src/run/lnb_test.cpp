#include <gtest/gtest.h>

#include "run/run.h"
#include "support/fakes.h"

namespace {

struct LnbCase {
  std::map<std::string, std::string> satInfo;
  uint32_t lof1, lof2, lofsw, low, high;
};

// Every worked example derives its effective oscillators and window from the default card.
TEST(LoadLnbSettings, WorkedExamples) {
  const LnbCase cases[] = {
      {{}, 9750, 10600, 11700, 10700, 12750},
      {{{"LOF", "10750"}}, 10750, 0, 0, 11700, 12900},
      {{{"LOF", "10750"}, {"22Khz", "1"}}, 0, 10750, 0, 11700, 12900},
      {{{"LOF", "5150"}}, 5150, 0, 0, 3000, 4200},
      {{{"LOF", "21200"}}, 21200, 0, 0, 19050, 20250},
      {{{"LOF", "0"}}, 0, 0, 0, 950, 2150},
      {{{"LOF", "0"}, {"22Khz", "1"}}, 0, 0, 0, 950, 2150},
      {{{"LOF", "3100"}}, 3100, 0, 0, 950, 2150},
      {{{"LOF", "-5"}}, 9750, 10600, 11700, 10700, 12750},
      {{{"LOF1", "0"}, {"LOFSW", "0"}}, 0, 10600, 0, 11550, 12750},
      {{{"LOF1", "5750"}, {"LOF2", "5150"}, {"LOFSW", "4200"}}, 5750, 5150, 4200, 3000, 4800},
      {{{"BandStacked", "1"}}, 9750, 10600, 21000, 11550, 11900},
      {{{"LOFSW", "21000"}}, 9750, 10600, 21000, 11550, 11900},
      {{{"BandStacked", "1"}, {"LOF1", "10750"}, {"LOF2", "13850"}},
       10750,
       13850,
       21000,
       14800,
       12900},
      {{{"LOF1", "10600"}, {"LOF2", "9750"}, {"LOFSW", "22000"}}, 10600, 9750, 22000, 11550, 11900},
      {{{"LOF", "9750"}, {"BandStacked", "1"}}, 9750, 0, 0, 10700, 11900},
      {{{"LOFSW", "0"}}, 9750, 10600, 0, 10700, 11900},
      {{{"LOF1", "23000"}, {"LOF2", "23000"}}, 23000, 23000, 11700, 20850, 22050},
  };
  for (const LnbCase& c : cases) {
    FakeSys fake;
    fake.ini["SatInfo"] = c.satInfo;
    LnbSettings lnb;
    ScanWindow window;
    ASSERT_EQ(LoadLnbSettings(fake.sys(), "p.ini", &lnb, &window), 1) << fake.console;
    EXPECT_EQ(lnb.LOF1, c.lof1);
    EXPECT_EQ(lnb.LOF2, c.lof2);
    EXPECT_EQ(lnb.LOFSW, c.lofsw);
    EXPECT_EQ(window.low, c.low);
    EXPECT_EQ(window.high, c.high);
    EXPECT_EQ(fake.console, "");
  }
}

// Each rejected description prints its own message and nothing else.
TEST(LoadLnbSettings, RejectedExamples) {
  const std::pair<std::map<std::string, std::string>, const char*> cases[] = {
      {{{"LOF", "2000"}},
       "Invalid LNB params: LOF < 3100Invalid LNB params: LOF1=2000 < 3100 Mhz!\n"},
      {{{"LOF", "2000"}, {"22Khz", "1"}},
       "Invalid LNB params: LOF < 3100Invalid LNB params: LOF2=2000 < 3100 Mhz!\n"},
      {{{"LOF1", "24000"}}, "Invalid LNB params: LOF1=24000 > 23000 Mhz!\n"},
      {{{"LOF1", "23001"}}, "Invalid LNB params: LOF1=23001 > 23000 Mhz!\n"},
      {{{"LOF1", "-1"}}, "Invalid LNB params: LOF1=4294967295 > 23000 Mhz!\n"},
      {{{"LOF2", "3000"}}, "Invalid LNB params: LOF2=3000 < 3100 Mhz!\n"},
      {{{"LOFSW", "3000"}}, "Invalid LNB params: LOFSW=3000 < 3100 Mhz!\n"},
      {{{"LOF1", "0"}}, "Invalid LNB params: LOF1=0 Mhz!\n"},
      {{{"LOF2", "0"}}, "Invalid LNB params: LOF2=0 Mhz!\n"},
      {{{"LOF1", "5150"}},
       "Invalid LNB params: Both LOF1 and LOF2 must be >6000 or <= 6000 Mhz!\n"},
      {{{"LOF1", "10600"}, {"LOF2", "9750"}}, "Invalid LNB params: LOF1=10600 > LOF2=9750Mhz !\n"},
      {{{"LOF1", "5150"}, {"LOF2", "5750"}, {"LOFSW", "4200"}},
       "Invalid LNB params: LOF1=5150 < LOF2=5750 Mhz !\n"},
      // One oscillator of each kind behind a two-band switch would leave a window edge open.
      {{{"LOF1", "10600"}, {"LOF2", "22000"}},
       "Invalid LNB params: Both LOF1 and LOF2 must be <21000 or >= 21000 Mhz!\n"},
  };
  for (const auto& [satInfo, message] : cases) {
    FakeSys fake;
    fake.ini["SatInfo"] = satInfo;
    LnbSettings lnb;
    ScanWindow window;
    EXPECT_EQ(LoadLnbSettings(fake.sys(), "p.ini", &lnb, &window), 0);
    EXPECT_EQ(fake.console, message);
  }
}

// The card's values come from [Kestrune] and move every bound with them.
TEST(LoadLnbSettings, CardValuesFromLibraryIni) {
  FakeSys fake;
  fake.ini["Kestrune"] = {{"IFStart", "1000"}, {"IFStop", "2000"}};
  fake.ini["SatInfo"] = {{"LOF", "2999"}};
  LnbSettings lnb;
  ReadLibraryIni(fake.sys(), "k.ini", &lnb);
  EXPECT_EQ(lnb.IFStart, 1000u);
  EXPECT_EQ(lnb.LNBMid, 6000u);
  ScanWindow window;
  EXPECT_EQ(LoadLnbSettings(fake.sys(), "p.ini", &lnb, &window), 0);
  EXPECT_EQ(fake.console,
            "Invalid LNB params: LOF < 3000Invalid LNB params: LOF1=2999 < 3000 Mhz!\n");
}

// Frequencies reach the tuner library in kHz as 32-bit values: a band switch or a window (from
// card values written in Hz) beyond 4294967 MHz would wrap, so it is refused before any sweep.
TEST(LoadLnbSettings, ValuesBeyondTheLibrarysKhzRangeAreRefused) {
  FakeSys fake;
  fake.ini["Kestrune"] = {{"IFStop", "2150000000"}};
  fake.ini["SatInfo"] = {{"LOF", "0"}};
  LnbSettings lnb;
  ReadLibraryIni(fake.sys(), "k.ini", &lnb);
  ScanWindow window;
  EXPECT_EQ(LoadLnbSettings(fake.sys(), "p.ini", &lnb, &window), 0);
  EXPECT_EQ(fake.console, "Invalid LNB params: scan window up to 2150000000 > 4294967 Mhz!\n");
  EXPECT_EQ(lnb.LOF1, 9750u) << "a refused description leaves the settings as they were";

  FakeSys switched;
  switched.ini["SatInfo"] = {{"LOF1", "10600"}, {"LOF2", "9750"}, {"LOFSW", "5000000"}};
  LnbSettings card;
  EXPECT_EQ(LoadLnbSettings(switched.sys(), "p.ini", &card, &window), 0);
  EXPECT_EQ(switched.console, "Invalid LNB params: LOFSW=5000000 > 4294967 Mhz!\n");

  FakeSys edge;  // the highest window that still fits is taken
  edge.ini["Kestrune"] = {{"IFStop", "4294967"}};
  edge.ini["SatInfo"] = {{"LOF", "0"}};
  LnbSettings fits;
  ReadLibraryIni(edge.sys(), "k.ini", &fits);
  EXPECT_EQ(LoadLnbSettings(edge.sys(), "p.ini", &fits, &window), 1) << edge.console;
  EXPECT_EQ(window.high, 4294967u);
}

}  // namespace
