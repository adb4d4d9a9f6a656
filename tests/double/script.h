// The script of the test double: what each operation answers and what each sweep stores.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

struct ScriptSweep {
  int32_t result = 1;
  int callbacks = -1;  // ProgressCallback calls; -1: one per record. More calls than records
                       // report the last one again (or an unstored one): a library that lies
  int64_t reportedCount = -1;  // count written back; -1: the number stored
  int interrupts = 0;          // Ctrl+C raised at the end of the sweep
  std::vector<TransponderRecord> records;
};

struct ScriptDevice {
  int32_t index = 0;
  std::string name;
  bool nullName = false;  // the callback gets a null name
};

struct Script {
  std::vector<ScriptDevice> devices;
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
