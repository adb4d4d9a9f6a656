// Formatted console output over the Sys seam, and the process's own console.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"

void AppendFormatV(std::string* out, const char* format, va_list args) {
  char small[512];
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
    out->append(small, static_cast<size_t>(n));
  } else if (n > 0) {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    out->append(big.data(), static_cast<size_t>(n));
  }
  va_end(again);
}

void Print(const Sys& sys, const char* format, ...) {
  std::string text;
  va_list args;
  va_start(args, format);
  AppendFormatV(&text, format, args);
  va_end(args);
  sys.write(text.data(), text.size());
}

void PrintLine(const Sys& sys, const char* line) {
  sys.write(line, std::strlen(line));
  sys.write("\n", 1);
}

void ConsoleWrite(const char* data, size_t size) {
  std::fwrite(data, 1, size, stdout);
  std::fflush(stdout);
}

int ConsoleReadUnsigned(uint32_t* value) {
  unsigned v = 0;
  if (std::scanf("%u", &v) != 1) return 0;
  *value = v;
  return 1;
}
