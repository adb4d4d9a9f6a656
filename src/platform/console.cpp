// Formatted console output over the Sys seam.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"

void Print(const Sys& sys, const char* format, ...) {
  char small[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    sys.write(small, static_cast<size_t>(n));
  } else {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    sys.write(big.data(), static_cast<size_t>(n));
  }
  va_end(again);
}

void PrintLine(const Sys& sys, const char* line) {
  sys.write(line, std::strlen(line));
  sys.write("\n", 1);
}
