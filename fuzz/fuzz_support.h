// What the fuzz targets share: the fuzzed bytes as an INI file on disk, and a Sys that prints
// nothing, never sleeps and keeps written files in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/platform.h"

// A file of this process that each run overwrites; the reader goes through the file system
// like the program does. Returns its path.
const char* WriteFuzzIni(const uint8_t* data, size_t size);

struct QuietSys {
  uint32_t now = 0;
  int abortAfterPolls = -1;  // abort requested from this poll on; -1: never
  int polls = 0;
  std::map<std::string, std::string> files;
  size_t printed = 0;

  Sys sys();
};

// Stops the fuzzer with a message when a property of the output does not hold.
void FuzzCheck(bool holds, const char* what);
