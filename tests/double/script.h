// The script of the test double: what each operation answers and what each sweep stores.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

struct ScriptSweep {
  int32_t result = 1;
  int callbacks = -1;          // records reported through ProgressCallback; -1: all
  int64_t reportedCount = -1;  // count written back; -1: the number stored
  int interrupts = 0;          // Ctrl+C raised at the end of the sweep
  std::vector<TransponderRecord> records;
};

struct Script {
  std::vector<std::pair<int32_t, std::string>> devices;
  int32_t checkResult = 1;
  int32_t startResult = 1;
  uint32_t caps = CapSweep | CapDiseqc | CapToneBurst;
  int32_t stopResult = 1;
  std::vector<int32_t> sendDiSEqCResults;    // per call, then 1
  std::vector<int32_t> sendDiseqCmdResults;  // per call, then 1
  std::vector<ScriptSweep> sweeps;           // per call, then success with nothing
  std::vector<std::string> errors;           // lines of the script that could not be read
};

// Reads the script; a missing file gives the defaults and one device.
Script LoadScript(const char* path);

// Raises the platform's Ctrl+C in this process.
void RaiseInterrupt();
