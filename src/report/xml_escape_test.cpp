#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "report/abc_records.h"
#include "report/list_texts.h"

namespace {

// Reserved characters are escaped; bytes outside ASCII become references, decoded as UTF-8
// where they form a well-formed sequence and as Windows-1252 otherwise.
TEST(XmlAttributeText, EscapesAndDecodesTheName) {
  const std::pair<const char*, const char*> cases[] = {
      {"Satellite", "Satellite"},
      {"A&B <C> \"D\" 'E'", "A&amp;B &lt;C&gt; &quot;D&quot; 'E'"},
      {"Caf\xC3\xA9", "Caf&#xE9;"},  // UTF-8
      {"Caf\xE9", "Caf&#xE9;"},      // Windows-1252
      {"\xE2\x82\xAC \xF0\x9F\x93\xA1", "&#x20AC; &#x1F4E1;"},
      {"\x80\x8A\x9F\xA0\xFF", "&#x20AC;&#x160;&#x178;&#xA0;&#xFF;"},
      {"\x81\x8D\x8F\x90\x9D", "&#xFFFD;&#xFFFD;&#xFFFD;&#xFFFD;&#xFFFD;"},  // undefined there
      {"\xC3\xA9\xE9", "&#xE9;&#xE9;"},                                      // both in one name
      {"\xC0\xAF", "&#xC0;&#xAF;"},                                          // overlong: not UTF-8
      {"\xED\xA0\x80", "&#xED;&#xA0;&#x20AC;"},                              // surrogate: not UTF-8
      {"\xF4\x90\x80\x80", "&#xF4;&#xFFFD;&#x20AC;&#x20AC;"},                // above U+10FFFF
      {"ab\xC3", "ab&#xC3;"},        // cut sequence at the end
      {"\xEF\xBF\xBE", "&#xFFFD;"},  // U+FFFE is no XML character
      {"a\tb\x01"
       "c\x1F\x7F",
       "a&#x9;b&#xFFFD;c&#xFFFD;&#x7F;"},
      {"", ""},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(XmlAttributeText(name), expected) << name;
  EXPECT_EQ(XmlAttributeText(nullptr), "");
}

std::string RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[256];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

// The XML list stays well-formed with any name, and an XML reader gets the name as typed,
// whether it came in UTF-8 or in Windows-1252.
TEST(XmlList, AnyNameKeepsTheDocumentWellFormed) {
#if defined(_WIN32)
  GTEST_SKIP() << "xmllint is a tool of the Linux host; the Linux build runs this check";
#endif
  if (access("/usr/bin/xmllint", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/xmllint";
  const std::pair<const char*, const char*> cases[] = {
      {"North & <East> \"One\" Caf\xC3\xA9 \xE2\x82\xAC", "North & <East> \"One\" Café €"},
      {"Caf\xE9 \x80 \x93x\x94", "Café € “x”"},
      {"ctl\x01\x02\x7F\x8D end", "ctl\xEF\xBF\xBD\xEF\xBF\xBD\x7F\xEF\xBF\xBD end"},
  };
  auto records = AbcRecords();
  std::string path = testing::TempDir() + "vextral_xml_escape.xml";
  for (const auto& [name, shown] : cases) {
    ListInput in = AbcListInput(records, XmlList);
    in.satName = name;
    std::ofstream(path, std::ios::binary) << TransponderListText(in, AbcTime());
    EXPECT_EQ(std::system(("/usr/bin/xmllint --noout " + path).c_str()), 0) << name;
    EXPECT_EQ(RunCommand("/usr/bin/xmllint --xpath 'string(/satellites/sat/@name)' " + path),
              std::string(shown) + "\n");
  }
  std::remove(path.c_str());
}

}  // namespace
