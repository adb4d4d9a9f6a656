// The INI reader over any file: every look-up must stay inside the caller's buffer, end the
// text with a zero and report a count that fits, whatever the bytes of the file.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

struct Names {
  std::vector<std::string> sections, keys;
};

// The first section headers and key names of the file, so the look-ups can hit what the
// fuzzer wrote and not only the program's own keys.
Names NamesIn(const uint8_t* data, size_t size) {
  Names names;
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t at = 0;
  while (at < text.size() && (names.sections.size() < 2 || names.keys.size() < 2)) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);  // a C name ends at its first zero
    if (!line.empty() && line[0] == '[' && names.sections.size() < 2) {
      names.sections.push_back(line.substr(1, line.find(']') - 1));
    } else if (line.find('=') != std::string::npos && names.keys.size() < 2) {
      names.keys.push_back(line.substr(0, line.find('=')));
    }
  }
  if (names.sections.empty()) names.sections.push_back("Scan0");
  if (names.keys.empty()) names.keys.push_back("Pol");
  return names;
}

void LookUp(const char* section, const char* key, const char* file, uint32_t size) {
  IniReadInt(section, key, -7, file);
  // Exactly the size asked for, so the sanitizer sees a write of one byte too many.
  std::vector<char> buffer(size);
  char* data = size ? buffer.data() : new char[0];
  uint32_t n =
      IniReadString(section, key, "a default longer than the small buffers", data, size, file);
  if (size == 0) {
    FuzzCheck(n == 0, "a zero-size buffer gets no characters");
    delete[] data;
    return;
  }
  FuzzCheck(n < size, "the count fits the buffer with its zero");
  FuzzCheck(data[n] == '\0', "the text ends with a zero at the count");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* file = WriteFuzzIni(data, size);
  // The program's buffer sizes and the edges around them.
  static const uint32_t kSizes[] = {0, 1, 2, 8, 16, 100, 260};
  uint32_t bufferSize = kSizes[size % (sizeof kSizes / sizeof kSizes[0])];
  Names names = NamesIn(data, size);
  for (const std::string& section : names.sections)
    for (const std::string& key : names.keys)
      LookUp(section.c_str(), key.c_str(), file, bufferSize);
  LookUp("SatInfo", "SatName", file, 100);
  return 0;
}
