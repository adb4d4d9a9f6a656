// Placeholder until the profile reader lands.
#include "platform/platform.h"
#include <cstring>
int32_t IniReadInt(const char*, const char*, int32_t def, const char*) { return def; }
uint32_t IniReadString(const char*, const char*, const char* def, char* buffer, uint32_t size,
                       const char*) {
  if (!size) return 0;
  std::strncpy(buffer, def, size - 1);
  buffer[size - 1] = 0;
  return static_cast<uint32_t>(std::strlen(buffer));
}
