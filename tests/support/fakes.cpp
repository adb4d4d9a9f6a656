#include "support/fakes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const std::string* FindValue(const FakeSys& fake, const char* section, const char* key) {
  for (const auto& [name, keys] : fake.ini) {
    if (Lower(name) != Lower(section)) continue;
    for (const auto& [k, v] : keys)
      if (Lower(k) == Lower(key)) return &v;
    return nullptr;
  }
  return nullptr;
}

std::string Hex(const uint8_t* bytes, uint32_t length) {
  std::string out;
  char b[4];
  for (uint32_t i = 0; i < length; ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
    out += b;
  }
  return out;
}

FakeTuner& Global() {
  static FakeTuner tuner;
  return tuner;
}

ProgressCallbackFn g_progress = nullptr;

int32_t KESTRUNE_CALL FakeCheck(DeviceCallbackFn callback) {
  Events().push_back("CheckForDVBEx");
  for (const auto& [index, name] : Global().devices) callback(index, name.c_str());
  return Global().checkResult;
}
int32_t KESTRUNE_CALL FakeStart(int32_t device) {
  Events().push_back("StartDVBEx " + std::to_string(device));
  return Global().startResult;
}
uint32_t KESTRUNE_CALL FakeCaps() {
  Events().push_back("GetCaps");
  auto& t = Global();
  if (t.capsSequence.empty()) return t.caps;
  uint32_t caps = t.capsSequence.front();
  t.capsSequence.pop_front();
  return caps;
}
int32_t Next(std::deque<int32_t>& results) {
  if (results.empty()) return 1;
  int32_t r = results.front();
  results.pop_front();
  return r;
}
int32_t KESTRUNE_CALL FakeSendDiSEqC(uint32_t kind, uint32_t value) {
  char line[64];
  std::snprintf(line, sizeof line, "SendDiSEqC %u %02X", kind, value);
  Events().push_back(line);
  return Next(Global().sendDiSEqCResults);
}
int32_t KESTRUNE_CALL FakeSendDiseqCmd(const uint8_t* message, uint32_t length) {
  Events().push_back("SendDiseqCmd " + Hex(message, length));
  return Next(Global().sendDiseqCmdResults);
}
int32_t KESTRUNE_CALL FakeVextral(uint32_t start, uint32_t stop, uint32_t pol, uint32_t lof1,
                                  uint32_t lof2, uint32_t lofsw, TransponderRecord* records,
                                  uint32_t* count, ProgressCallbackFn progress) {
  char line[160];
  std::snprintf(line, sizeof line, "Vextral %u %u %u %u %u %u", start, stop, pol, lof1, lof2,
                lofsw);
  Events().push_back(line);
  auto& t = Global();
  FakeSweep sweep;
  if (!t.sweeps.empty()) {
    sweep = t.sweeps.front();
    t.sweeps.pop_front();
  }
  g_progress = progress;
  size_t n = sweep.records.size();
  size_t callbacks = sweep.callbackCount < 0 ? n : static_cast<size_t>(sweep.callbackCount);
  for (size_t i = 0; i < n; ++i) {
    records[i] = sweep.records[i];
    if (i < callbacks && progress) progress(&records[i]);
  }
  *count = sweep.reportedCount == UINT32_MAX ? static_cast<uint32_t>(n) : sweep.reportedCount;
  if (sweep.atEnd) sweep.atEnd();
  return sweep.result;
}
int32_t KESTRUNE_CALL FakeStop() {
  Events().push_back("StopDVB");
  ++Global().stopCalls;
  return 1;
}

}  // namespace

FakeTuner& FakeTuner::Reset() {
  Global() = FakeTuner{};
  Events().clear();
  return Global();
}
FakeTuner& FakeTuner::Get() {
  return Global();
}

TunerApi FakeTuner::Api() {
  TunerApi api;
  api.CheckForDVBEx = FakeCheck;
  api.StartDVBEx = FakeStart;
  api.GetCaps = FakeCaps;
  api.SendDiSEqC = FakeSendDiSEqC;
  api.SendDiseqCmd = FakeSendDiseqCmd;
  api.Vextral = FakeVextral;
  api.StopDVB = FakeStop;
  return api;
}

Sys FakeSys::sys() {
  Sys s;
  s.write = [this](const char* data, size_t size) {
    console.append(data, size);
    Events().push_back("out: " + std::string(data, size));
  };
  s.readUnsigned = [this](uint32_t* value) {
    if (numbers.empty()) return 0;
    *value = numbers.front();
    numbers.pop_front();
    return 1;
  };
  s.tickMs = [this] {
    uint32_t t = now;
    now += tickStep;
    return t;
  };
  s.sleepMs = [this](uint32_t ms) {
    Events().push_back("sleep " + std::to_string(ms));
    now += ms;
  };
  s.localTime = [this](std::tm* out) { *out = localTime; };
  s.abortRequested = [this] { return abortRequested(); };
  s.profileInt = [this](const char* section, const char* key, int32_t def, const char*) {
    if (logProfileReads) Events().push_back(std::string("read ") + section + "." + key);
    const std::string* v = FindValue(*this, section, key);
    if (!v || v->empty()) return def;
    return static_cast<int32_t>(std::strtoll(v->c_str(), nullptr, 10));
  };
  s.profileString = [this](const char* section, const char* key, const char* def, char* buffer,
                           uint32_t size, const char*) -> uint32_t {
    if (logProfileReads) Events().push_back(std::string("read ") + section + "." + key);
    const std::string* v = FindValue(*this, section, key);
    std::string text = v ? *v : std::string(def ? def : "");
    if (size == 0) return 0;
    size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<uint32_t>(n);
  };
  s.replaceFile = [this](const char* path, const char* data, size_t size) {
    Events().push_back(std::string("replaceFile ") + path);
    if (replaceFileResult != 0) return replaceFileResult;
    files[path] = std::string(data, size);
    return 0;
  };
  return s;
}

TransponderRecord MakeRecord(uint32_t frequencyKHz, uint32_t polarisation, uint32_t symbolRate,
                             uint32_t deliverySystem, uint32_t modulation, uint32_t codeRate,
                             double snr) {
  TransponderRecord r{};
  r.locked = 1;
  r.frequency = frequencyKHz;
  r.polarisation = polarisation;
  r.symbolRate = symbolRate;
  r.deliverySystem = deliverySystem;
  r.modulation = modulation;
  r.codeRate = codeRate;
  r.snr = snr;
  return r;
}
