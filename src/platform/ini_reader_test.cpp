// The profile reader against the answers the Windows profile functions gave (the corpus in
// tests/ini-corpus), plus what the corpus cannot show: tiny buffers, odd files, random bytes.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

const char kCorpus[] = VEXTRAL_INI_CORPUS;

// One query of cases.tsv with its decoded fields.
struct CorpusCase {
  std::string id, file, func, section, key, def;
  uint32_t size = 0;
  int64_t result = 0;
  std::string text, windows;
};

// A failing row shows its id.
void PrintTo(const CorpusCase& c, std::ostream* os) {
  *os << c.id;
}

// Where Windows and Wine part (`differs`) or Wine's answer looks like an artefact
// (`wine-suspect`), this is the answer we chose. A row of either kind missing here fails.
struct Choice {
  const char* id;
  int64_t result;
  const char* text;
};
const Choice kChoices[] = {
    // The UTF-8 mark is skipped, so a header on line 1 is found (as under Wine)...
    {"enc.utf8-bom-header-on-line-1", 5, "plain"},
    // ...and the value comes back as stored: the Linux console shows UTF-8.
    {"enc.utf8-bom-text-converted", 7,
     "Gr\xC3\xB6\xC3\x9F"
     "e"},
    // A UTF-16 BE file is read like a UTF-16 LE one, as Wine does; nothing the user wrote
    // is silently replaced by defaults.
    {"enc.utf16be-bom", 5, "plain"},
    // Only ASCII letters are folded: the bytes may be UTF-8 or code page 1252.
    {"name.non-ascii-key-other-case", 4, "dflt"},
    // A quoted value of exactly size - 1 characters fits whole: losing its last byte is a fault.
    {"size.quoted-15-in-16", 15, "ABCDEFGHIJKLMNO"},
    // A default of blanks only loses all of them, as the documented rule says.
    {"default.only-blanks", 0, ""},
    // Like Wine, only the first 29 characters of an integer value count.
    {"int.33-characters", 0, "-"},
};

const Choice* ChoiceFor(const std::string& id) {
  for (const Choice& c : kChoices)
    if (id == c.id) return &c;
  return nullptr;
}

// \\, \t, \r, \n and \xHH as in the table.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    if (c == 't')
      out += '\t';
    else if (c == 'r')
      out += '\r';
    else if (c == 'n')
      out += '\n';
    else if (c == 'x' && i + 2 < s.size()) {
      out += static_cast<char>(std::strtoul(s.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else
      out += c;
  }
  return out;
}

// `.\` and `\` become `/`, `{cwd}` the corpus folder; the rest stays relative to it.
std::string CorpusPath(const std::string& name) {
  std::string path = name;
  const std::string cwd = "{cwd}";
  if (path.compare(0, cwd.size(), cwd) == 0) path = kCorpus + path.substr(cwd.size());
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == '\t')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

// Every query of cases.tsv; a line that does not parse is kept in `malformed`.
std::vector<CorpusCase> LoadCorpus(std::vector<std::string>* malformed) {
  std::vector<CorpusCase> cases;
  std::ifstream in(std::string(kCorpus) + "/cases.tsv", std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.compare(0, 3, "id\t") == 0) continue;
    std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 11 || (f[2] != "int" && f[2] != "string")) {
      if (malformed) malformed->push_back(line);
      continue;
    }
    CorpusCase c;
    c.id = f[0];
    c.file = CorpusPath(f[1]);
    c.func = f[2];
    c.section = Unescape(f[3]);
    c.key = Unescape(f[4]);
    c.def = Unescape(f[5]);
    c.size =
        c.func == "string" ? static_cast<uint32_t>(std::strtoul(f[6].c_str(), nullptr, 10)) : 0;
    c.result = std::strtoll(f[7].c_str(), nullptr, 10);
    c.text = c.func == "string" ? Unescape(f[8]) : f[8];
    c.windows = f[9];
    cases.push_back(c);
  }
  return cases;
}

// Runs in the corpus folder, so that ".\name.ini" means what it means to the program.
class InCorpusFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code error;
    previous_ = fs::current_path(error);
    fs::current_path(kCorpus, error);
    ASSERT_FALSE(error) << "cannot change into " << kCorpus;
  }
  void TearDown() override {
    std::error_code error;
    fs::current_path(previous_, error);
  }
  fs::path previous_;
};

class CorpusRow : public InCorpusFolder, public ::testing::WithParamInterface<CorpusCase> {};

// Each row gives the answer of the table, or our choice where the table allows one.
TEST_P(CorpusRow, GivesTheWindowsAnswer) {
  const CorpusCase& c = GetParam();
  int64_t result = c.result;
  std::string text = c.text;
  if (c.windows == "differs" || c.windows == "wine-suspect") {
    const Choice* choice = ChoiceFor(c.id);
    ASSERT_NE(choice, nullptr) << "no decision recorded for " << c.id;
    result = choice->result;
    text = choice->text;
  }
  if (c.func == "int") {
    int32_t def = static_cast<int32_t>(std::strtoll(c.def.c_str(), nullptr, 10));
    EXPECT_EQ(IniReadInt(c.section.c_str(), c.key.c_str(), def, c.file.c_str()),
              static_cast<int32_t>(result));
    return;
  }
  std::vector<char> buffer(c.size + 8, '#');  // the bytes past `size` must stay untouched
  uint32_t count = IniReadString(c.section.c_str(), c.key.c_str(), c.def.c_str(), buffer.data(),
                                 c.size, c.file.c_str());
  EXPECT_EQ(count, static_cast<uint32_t>(result));
  ASSERT_LT(count, c.size);
  EXPECT_EQ(std::string(buffer.data(), count), text);
  EXPECT_EQ(buffer[count], '\0');
  EXPECT_EQ(std::string(buffer.data() + c.size, 8), std::string(8, '#'));
}

std::string RowName(const ::testing::TestParamInfo<CorpusCase>& info) {
  std::string name = info.param.id;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusRow, ::testing::ValuesIn(LoadCorpus(nullptr)), RowName);

TEST(CorpusTable, EveryLineParsesAndEveryChoiceNamesARow) {
  std::vector<std::string> malformed;
  std::vector<CorpusCase> cases = LoadCorpus(&malformed);
  ASSERT_FALSE(cases.empty()) << "cases.tsv not found in " << kCorpus;
  EXPECT_TRUE(malformed.empty()) << malformed.front();
  for (const Choice& choice : kChoices) {
    bool named = false;
    for (const CorpusCase& c : cases) named = named || c.id == choice.id;
    EXPECT_TRUE(named) << choice.id;
  }
}

// Values of integers.ini that the table does not ask for.
TEST_F(InCorpusFolder, IntegerNotationsBeyondTheTable) {
  struct {
    const char* key;
    int32_t expected;
  } const rows[] = {
      {"Oct", 15},       // 0o17
      {"HexFF", -1},     // 0xFFFFFFFF
      {"MinusOnly", 0},  // a sign without digits is 0, not the default
  };
  for (const auto& row : rows)
    EXPECT_EQ(IniReadInt("Ints", row.key, 77, "./integers.ini"), row.expected) << row.key;
}

// The empty section name reaches the keys above the first header, as with the Windows
// functions; the program never asks for it, but it must not reach into a named section.
TEST_F(InCorpusFolder, EmptySectionNameIsThePartAboveTheFirstHeader) {
  char buffer[64];
  EXPECT_EQ(IniReadString("", "Orphan", "dflt", buffer, sizeof buffer, "./section-headers.ini"),
            18u);
  EXPECT_STREQ(buffer, "before any section");
  EXPECT_EQ(IniReadInt("", "A", 77, "./section-headers.ini"), 77);
}

// A temporary folder of its own for each test, removed afterwards.
class IniFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::error_code error;
    dir_ = fs::temp_directory_path(error) / (std::string("vextral-ini-") + info->name());
    fs::remove_all(dir_, error);
    ASSERT_TRUE(fs::create_directories(dir_, error)) << dir_;
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(dir_, error);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  fs::path dir_;
};

// Size 0 writes nothing (even with no buffer at all); size 1 holds the terminator only.
TEST_F(IniFiles, TinyBuffersAreNeverOverrun) {
  std::string ini = Write("tiny.ini", "[S]\nKey=value\n");
  for (const char* key : {"Key", "Missing"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(IniReadString("S", key, "default", nullptr, 0, ini.c_str()), 0u);
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(IniReadString("S", key, "default", buffer, 0, ini.c_str()), 0u);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(IniReadString("S", key, "default", buffer, 1, ini.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '#');
  }
}

// Null names, file or default give the default (or "") instead of a crash.
TEST_F(IniFiles, NullArgumentsGiveTheDefault) {
  std::string ini = Write("null.ini", "[S]\nKey=7\n");
  char buffer[16];
  EXPECT_EQ(IniReadString("S", "Missing", nullptr, buffer, sizeof buffer, ini.c_str()), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(IniReadString(nullptr, "Key", "d", buffer, sizeof buffer, ini.c_str()), 1u);
  EXPECT_EQ(IniReadString("S", nullptr, "d", buffer, sizeof buffer, ini.c_str()), 1u);
  EXPECT_EQ(IniReadString("S", "Key", "d", buffer, sizeof buffer, nullptr), 1u);
  EXPECT_EQ(IniReadInt(nullptr, "Key", -1, ini.c_str()), -1);
  EXPECT_EQ(IniReadInt("S", nullptr, -1, ini.c_str()), -1);
  EXPECT_EQ(IniReadInt("S", "Key", -1, nullptr), -1);
  EXPECT_EQ(IniReadInt("S", "Key", -1, ini.c_str()), 7);
}

// A folder where the file should be reads as a missing file.
TEST_F(IniFiles, FolderInPlaceOfTheFileGivesDefaults) {
  fs::create_directories(dir_ / "Vextral.ini");
  std::string path = (dir_ / "Vextral.ini").string();
  char buffer[16];
  EXPECT_EQ(IniReadString("S", "Key", "dflt", buffer, sizeof buffer, path.c_str()), 4u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(IniReadInt("S", "Key", -3600, path.c_str()), -3600);
}

// Names longer than any line of the file are simply not found.
TEST_F(IniFiles, NamesLongerThanAnyLineAreNotFound) {
  std::string longName(100000, 'K');
  std::string ini = Write("long.ini", "[S]\nK=1\n[" + longName.substr(0, 50) + "]\nK=2\n");
  EXPECT_EQ(IniReadInt("S", longName.c_str(), 77, ini.c_str()), 77);
  EXPECT_EQ(IniReadInt(longName.c_str(), "K", 77, ini.c_str()), 77);
}

// The file is read on every call, so an edit between two passes is seen.
TEST_F(IniFiles, AnEditBetweenReadsIsSeen) {
  std::string ini = Write("edit.ini", "[Scan0]\nPol=H\n");
  char buffer[16];
  IniReadString("Scan0", "Pol", "", buffer, sizeof buffer, ini.c_str());
  EXPECT_STREQ(buffer, "H");
  Write("edit.ini", "[Scan0]\nPol=Vertical\n");
  IniReadString("Scan0", "Pol", "", buffer, sizeof buffer, ini.c_str());
  EXPECT_STREQ(buffer, "Vertical");
}

// UTF-16 text comes back in code page 1252: exact where the code page has the character,
// a look-alike where one is obvious, '?' otherwise; a lone last byte is dropped.
TEST_F(IniFiles, Utf16TextComesBackInCodePage1252) {
  std::u16string text = u"[S]\r\nK=\u20AC\u0101\uFF21\U0001F600\u4E2D\u00E9";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  std::string ini = Write("utf16.ini", bytes + "x");
  char buffer[16];
  EXPECT_EQ(IniReadString("S", "K", "", buffer, sizeof buffer, ini.c_str()), 6u);
  EXPECT_STREQ(buffer,
               "\x80"
               "aA??\xE9");
}

// Random bytes, biased towards the characters the reader looks at, never make it read or
// write outside the buffer or fail to terminate it.
TEST_F(IniFiles, RandomBytesAreSafe) {
  const char alphabet[] =
      "[]=;#\"' \t\r\n\x1A\xA0\xFF\xFE\xEF\xBB\xBF"
      "KeyS0x-9";
  std::mt19937 random(20240611);
  std::string path = (dir_ / "random.ini").string();
  for (int round = 0; round < 100; ++round) {
    std::string bytes(random() % 400, '\0');
    for (char& b : bytes)
      b = random() % 8 ? alphabet[random() % (sizeof alphabet)] : static_cast<char>(random());
    Write("random.ini", bytes);
    for (uint32_t size : {1u, 2u, 16u}) {
      char buffer[24];
      std::memset(buffer, '#', sizeof buffer);
      uint32_t count = IniReadString("S", "Key", "def", buffer, size, path.c_str());
      ASSERT_LT(count, size) << "round " << round;
      ASSERT_EQ(buffer[count], '\0');
      ASSERT_EQ(buffer[size], '#');
    }
    IniReadInt("S", "Key", 0, path.c_str());
  }
}

}  // namespace
