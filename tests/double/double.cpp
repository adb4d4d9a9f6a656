// A tuner library for end-to-end tests: answers as double.script says and logs every call
// with its arguments to double.log, so a test can assert the exact bus bytes and sweeps.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "script.h"
#include "tuner/tuner.h"

#if defined(_WIN32)
#define DOUBLE_EXPORT extern "C" __declspec(dllexport)
#else
#define DOUBLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

struct State {
  Script script;
  size_t sendDiSEqCCalls = 0;
  size_t sendDiseqCmdCalls = 0;
  size_t sweepCalls = 0;
};

State& Loaded() {
  static State state;
  static bool loaded = false;
  if (!loaded) {
    loaded = true;
    state.script = LoadScript("double.script");
    std::remove("double.log");
  }
  return state;
}

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  std::FILE* log = std::fopen("double.log", "a");
  if (!log) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(log, format, args);
  va_end(args);
  std::fputc('\n', log);
  std::fclose(log);
}

int32_t NextResult(const std::vector<int32_t>& results, size_t* calls) {
  size_t i = (*calls)++;
  return i < results.size() ? results[i] : 1;
}

}  // namespace

DOUBLE_EXPORT int32_t KESTRUNE_CALL CheckForDVBEx(DeviceCallbackFn callback) {
  State& s = Loaded();
  Log("CheckForDVBEx");
  for (const std::string& error : s.script.errors) Log("script error %s", error.c_str());
  for (const ScriptDevice& d : s.script.devices)
    if (callback) callback(d.index, d.nullName ? nullptr : d.name.c_str());
  return s.script.checkResult;
}

DOUBLE_EXPORT int32_t KESTRUNE_CALL StartDVBEx(int32_t device) {
  Log("StartDVBEx %d", device);
  return Loaded().script.startResult;
}

DOUBLE_EXPORT uint32_t KESTRUNE_CALL GetCaps(void) {
  Log("GetCaps");
  return Loaded().script.caps;
}

DOUBLE_EXPORT int32_t KESTRUNE_CALL SendDiSEqC(uint32_t kind, uint32_t value) {
  Log("SendDiSEqC %u %02X", kind, value);
  State& s = Loaded();
  return NextResult(s.script.sendDiSEqCResults, &s.sendDiSEqCCalls);
}

DOUBLE_EXPORT int32_t KESTRUNE_CALL SendDiseqCmd(const uint8_t* message, uint32_t length) {
  char hex[3 * 64 + 1] = "";
  for (uint32_t i = 0; message && i < length && i < 64; ++i)
    std::snprintf(hex + std::strlen(hex), 4, i ? " %02X" : "%02X", message[i]);
  Log("SendDiseqCmd %s", hex);
  State& s = Loaded();
  return NextResult(s.script.sendDiseqCmdResults, &s.sendDiseqCmdCalls);
}

DOUBLE_EXPORT int32_t KESTRUNE_CALL Vextral(uint32_t start, uint32_t stop, uint32_t pol,
                                            uint32_t lof1, uint32_t lof2, uint32_t lofsw,
                                            TransponderRecord* records, uint32_t* count,
                                            ProgressCallbackFn progress) {
  Log("Vextral %u %u %u %u %u %u", start, stop, pol, lof1, lof2, lofsw);
  State& s = Loaded();
  size_t call = s.sweepCalls++;
  if (call >= s.script.sweeps.size()) return *count = 0, 1;
  const ScriptSweep& sweep = s.script.sweeps[call];
  // Our libraries never store more than 256 records in one call.
  size_t stored = sweep.records.size() < SweepRecordLimit ? sweep.records.size() : SweepRecordLimit;
  size_t reported = sweep.callbacks < 0 ? stored : static_cast<size_t>(sweep.callbacks);
  for (size_t i = 0; i < stored; ++i) {
    std::memcpy(&records[i], &sweep.records[i], sizeof(TransponderRecord));
    if (i < reported && progress) progress(&records[i]);
  }
  // A library whose callbacks outnumber what it stored: the last record again, or one it
  // never stored.
  static TransponderRecord unstored{};
  for (size_t i = stored; i < reported && progress; ++i)
    progress(stored ? &records[stored - 1] : &unstored);
  *count = sweep.reportedCount < 0 ? static_cast<uint32_t>(stored)
                                   : static_cast<uint32_t>(sweep.reportedCount);
  for (int i = 0; i < sweep.interrupts; ++i) RaiseInterrupt();
  return sweep.result;
}

#if !defined(DOUBLE_WITHOUT_STOPDVB)
DOUBLE_EXPORT int32_t KESTRUNE_CALL StopDVB(void) {
  Log("StopDVB");
  return Loaded().script.stopResult;
}
#endif
