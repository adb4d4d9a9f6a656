// The Windows platform against the real system: the INI corpus answered by the profile functions
// behind RealSys(), the executable's path, library loading and text-mode output files.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The escapes of cases.tsv: \\ \t \r \n \xHH. False on a malformed escape.
bool Unescape(const std::string& in, std::string* out) {
  out->clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      *out += in[i];
      continue;
    }
    if (++i == in.size()) return false;
    switch (in[i]) {
      case '\\':
        *out += '\\';
        break;
      case 't':
        *out += '\t';
        break;
      case 'r':
        *out += '\r';
        break;
      case 'n':
        *out += '\n';
        break;
      case 'x': {
        if (i + 2 >= in.size()) return false;
        int hi = HexDigit(in[i + 1]), lo = HexDigit(in[i + 2]);
        if (hi < 0 || lo < 0) return false;
        *out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

struct CorpusRow {
  int line = 0;
  std::vector<std::string> col;  // id file func section key default size result text windows note
};

std::vector<CorpusRow> ReadCorpus(const std::string& path) {
  std::vector<CorpusRow> rows;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.empty() || line[0] == '#' || line.rfind("id\t", 0) == 0) continue;
    CorpusRow row;
    row.line = n;
    std::stringstream fields(line);
    for (std::string f; std::getline(fields, f, '\t');) row.col.push_back(f);
    if (line.back() == '\t') row.col.push_back("");
    rows.push_back(row);
  }
  return rows;
}

// Asks one row through RealSys(); returns what differs from the table, empty when it agrees.
std::string Ask(const Sys& sys, const CorpusRow& row, const std::string& cwd) {
  const auto& c = row.col;
  std::string section, key, def, text;
  if (c.size() != 11 || !Unescape(c[3], &section) || !Unescape(c[4], &key) ||
      !Unescape(c[5], &def) || !Unescape(c[8], &text)) {
    return "malformed row";
  }
  std::string file = c[1];
  if (size_t at = file.find("{cwd}"); at != std::string::npos) file.replace(at, 5, cwd);
  if (c[2] == "int") {
    int32_t got =
        sys.profileInt(section.c_str(), key.c_str(), std::atoi(def.c_str()), file.c_str());
    if (std::to_string(got) == c[7]) return "";
    return "int " + std::to_string(got) + ", table " + c[7];
  }
  size_t size = std::strtoul(c[6].c_str(), nullptr, 10);
  // Canary bytes behind the buffer show a write past its end.
  std::vector<char> buffer(size + 16, '\xCC');
  uint32_t count = sys.profileString(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                     static_cast<uint32_t>(size), file.c_str());
  for (size_t i = size; i < buffer.size(); ++i) {
    if (buffer[i] != '\xCC') return "wrote past the buffer";
  }
  if (std::memchr(buffer.data(), 0, size) == nullptr) return "no terminator in the buffer";
  std::string got(buffer.data());
  if (std::to_string(count) == c[7] && got == text) return "";
  return "count " + std::to_string(count) + " text '" + got + "', table " + c[7] + " '" + text +
         "'";
}

// Runs the test from `folder` and goes back afterwards.
struct InFolder {
  explicit InFolder(const char* folder) {
    GetCurrentDirectoryA(sizeof previous, previous);
    entered = SetCurrentDirectoryA(folder) != 0;
  }
  ~InFolder() { SetCurrentDirectoryA(previous); }
  char previous[MAX_PATH] = "";
  bool entered = false;
};

std::string TempPath(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  return std::string(folder) + name;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// Every query of the corpus gets, through RealSys(), the answer recorded in cases.tsv: the
// table holds Wine's answers, and real Windows is known to differ on the rows marked so.
TEST(Win32Profile, AnswersEveryCorpusQuery) {
  InFolder corpus(VEXTRAL_INI_CORPUS);
  ASSERT_TRUE(corpus.entered) << "cannot enter " << VEXTRAL_INI_CORPUS;
  ASSERT_EQ(GetACP(), 1252u) << "the corpus's non-ASCII answers assume ANSI code page 1252";
  bool underWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(sizeof cwd, cwd);

  Sys sys = RealSys();
  std::vector<CorpusRow> rows = ReadCorpus("cases.tsv");
  ASSERT_FALSE(rows.empty()) << "no rows in cases.tsv";
  for (const CorpusRow& row : rows) {
    if (!underWine && row.col.size() > 9 &&
        (row.col[9] == "differs" || row.col[9] == "wine-suspect")) {
      continue;
    }
    std::string fault = Ask(sys, row, cwd);
    EXPECT_EQ(fault, "") << "cases.tsv line " << row.line << " (" << row.col[0] << ")";
  }
}

// The running program's full path comes back with Windows separators, and a buffer too small
// for it is refused rather than cut.
TEST(Win32Platform, ExecutablePathIsFullAndNeverCut) {
  char path[MAX_PATH];
  ASSERT_EQ(ExecutablePath(path, sizeof path), 1);
  std::string full(path);
  EXPECT_NE(full.find(":\\"), std::string::npos) << full;
  EXPECT_EQ(full.substr(full.size() - 4), ".exe") << full;

  char small[8];
  EXPECT_EQ(ExecutablePath(small, sizeof small), 0);
}

// A library that cannot be loaded gives a reason with the system's text and code, with the file
// in place of the text's insert, and no dialog box.
TEST(Win32Platform, FailedLoadsNameTheReason) {
  char reason[256] = "";
  EXPECT_EQ(OpenSharedLibrary("no-such-folder\\Kestrune.dll", reason, sizeof reason), nullptr);
  EXPECT_NE(std::strstr(reason, "(error 126)"), nullptr) << reason;

  std::string notDll = TempPath("vextral-not-a.dll");
  std::ofstream(notDll, std::ios::binary) << "plain text, no PE image";
  EXPECT_EQ(OpenSharedLibrary(notDll.c_str(), reason, sizeof reason), nullptr);
  EXPECT_NE(std::strstr(reason, "(error 193)"), nullptr) << reason;
  EXPECT_EQ(std::strstr(reason, "%1"), nullptr) << reason;
  std::remove(notDll.c_str());
}

// A loaded library's exports are found by their plain names.
TEST(Win32Platform, BindsExportsByName) {
  char reason[256] = "";
  void* kernel = OpenSharedLibrary("kernel32.dll", reason, sizeof reason);
  ASSERT_NE(kernel, nullptr) << reason;
  EXPECT_NE(SharedLibrarySymbol(kernel, "GetTickCount"), nullptr);
  EXPECT_EQ(SharedLibrarySymbol(kernel, "NoSuchExport"), nullptr);
}

// Output files are text files: every line break on disk is CR LF, and the degree byte stays one
// byte.
TEST(Win32Platform, OutputFilesHaveCrLfLineEnds) {
  std::string path = TempPath("vextral-crlf.txt");
  const char text[] =
      "19.2\xB0"
      "E\nline two\n";
  Sys sys = RealSys();
  ASSERT_EQ(sys.replaceFile(path.c_str(), text, sizeof text - 1), 0);
  EXPECT_EQ(ReadBytes(path),
            "19.2\xB0"
            "E\r\nline two\r\n");
  std::remove(path.c_str());
}
