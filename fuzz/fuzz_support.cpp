#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

const char* WriteFuzzIni(const uint8_t* data, size_t size) {
  static std::string path;
  if (path.empty()) {
    const char* dir = std::getenv("TMPDIR");
    path = std::string(dir && *dir ? dir : "/tmp") + "/vextral-fuzz-" +
           std::to_string(static_cast<long>(getpid())) + ".ini";
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    std::abort();  // a run that cannot write its input would fuzz nothing
  }
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path.c_str();
}

Sys QuietSys::sys() {
  Sys s;
  s.write = [this](const char*, size_t size) { printed += size; };
  s.readUnsigned = [](uint32_t*) { return 0; };
  s.tickMs = [this] { return now += 7; };
  s.sleepMs = [this](uint32_t ms) { now += ms; };
  s.localTime = [](std::tm* t) { *t = std::tm{}; };
  s.abortRequested = [this] {
    ++polls;
    return abortAfterPolls >= 0 && polls > abortAfterPolls ? 1 : 0;
  };
  s.profileInt = IniReadInt;
  s.profileString = IniReadString;
  s.replaceFile = [this](const char* path, const char* data, size_t size) {
    files[path].assign(data, size);
    return 0;
  };
  return s;
}

void FuzzCheck(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}
