// The simulated dish's own settings, [Simulator] of Kestrune.ini beside the library.
#pragma once

#include <cstdint>
#include <string>

struct SimSettings {
  std::string sky = "skies/demo.sky";  // relative paths start at the library's folder
  bool hardwarePace = false;
  uint64_t seed = 1;
  int32_t devices = 1;
  std::string deviceName = "Simulated DVB-S2 tuner";
  uint32_t caps = 0x20050;  // sweep, DiSEqC, tone burst
  double lnbMid = 6000;     // [Kestrune], MHz
  double lnbStk = 21000;
};

// Reads `text` (the whole INI file); `origin` names it in messages. Every bad value prints
// one "Simulator: ..." line and keeps its default.
SimSettings ParseSettings(const std::string& text, const std::string& origin);

// Reads the file; a missing file gives the defaults without a word.
SimSettings LoadSettings(const std::string& path);
