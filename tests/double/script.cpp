// Reads double.script: one directive a line, '#' starts a comment.
#include "script.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

int64_t Number(const std::string& text) {
  return std::strtoll(text.c_str(), nullptr, 0);
}

std::vector<int32_t> Numbers(std::istringstream& in) {
  std::vector<int32_t> out;
  std::string word;
  while (in >> word) out.push_back(static_cast<int32_t>(Number(word)));
  return out;
}

void SetStreams(TransponderRecord* r, const std::string& list) {
  std::istringstream in(list);
  std::string id;
  uint32_t n = 0;
  while (std::getline(in, id, ',')) {
    if (n < 16) r->streamIds[n] = static_cast<uint8_t>(Number(id));
    ++n;
  }
  r->streamCount = n;
}

// Sets one field of a record; 0 for an unknown key.
int SetField(TransponderRecord* r, const std::string& key, const std::string& value) {
  struct Field {
    const char* key;
    uint32_t TransponderRecord::*field;
  };
  static const Field fields[] = {
      {"locked", &TransponderRecord::locked},      {"freq", &TransponderRecord::frequency},
      {"pol", &TransponderRecord::polarisation},   {"sr", &TransponderRecord::symbolRate},
      {"sys", &TransponderRecord::deliverySystem}, {"mod", &TransponderRecord::modulation},
      {"fec", &TransponderRecord::codeRate},       {"spectrum", &TransponderRecord::spectrum},
      {"ro", &TransponderRecord::rollOff},         {"pilot", &TransponderRecord::pilot},
      {"frame", &TransponderRecord::frame},        {"mode", &TransponderRecord::codingMode},
      {"type", &TransponderRecord::streamType},    {"streamcount", &TransponderRecord::streamCount},
      {"cw", &TransponderRecord::carrierWidth},    {"br", &TransponderRecord::bitRate},
  };
  for (const Field& f : fields)
    if (key == f.key) return r->*f.field = static_cast<uint32_t>(Number(value)), 1;
  if (key == "rf") return r->rfLevel = static_cast<int32_t>(Number(value)), 1;
  if (key == "snr") return r->snr = std::strtod(value.c_str(), nullptr), 1;
  if (key == "issy") return r->issy = static_cast<uint8_t>(Number(value)), 1;
  if (key == "npd") return r->npd = static_cast<uint8_t>(Number(value)), 1;
  if (key == "streams") return SetStreams(r, value), 1;
  // Every byte of the record, reserved ones too; the keys after it override single fields.
  if (key == "fill") return std::memset(r, static_cast<int>(Number(value)), sizeof *r), 1;
  return 0;
}

// "record k=v ..." adds one record, or `repeat` records `step` kHz apart.
int AddRecords(Script* script, std::istringstream& in) {
  if (script->sweeps.empty()) script->sweeps.emplace_back();
  TransponderRecord r{};
  r.locked = 1;
  int64_t repeat = 1, step = 0;
  std::string word;
  while (in >> word) {
    size_t eq = word.find('=');
    if (eq == std::string::npos) return 0;
    std::string key = word.substr(0, eq), value = word.substr(eq + 1);
    if (key == "repeat")
      repeat = Number(value);
    else if (key == "step")
      step = Number(value);
    else if (!SetField(&r, key, value))
      return 0;
  }
  for (int64_t i = 0; i < repeat; ++i) {
    script->sweeps.back().records.push_back(r);
    r.frequency += static_cast<uint32_t>(step);
  }
  return 1;
}

int AddSweep(Script* script, std::istringstream& in) {
  ScriptSweep sweep;
  std::string word;
  while (in >> word) {
    size_t eq = word.find('=');
    std::string key = word.substr(0, eq),
                value = eq == std::string::npos ? "" : word.substr(eq + 1);
    if (key == "result")
      sweep.result = static_cast<int32_t>(Number(value));
    else if (key == "callbacks")
      sweep.callbacks = value == "all" ? -1 : value == "none" ? 0 : static_cast<int>(Number(value));
    else if (key == "count")
      sweep.reportedCount = Number(value);
    else if (key == "sigint")
      sweep.interrupts = value.empty() ? 1 : static_cast<int>(Number(value));
    else
      return 0;
  }
  script->sweeps.push_back(sweep);
  return 1;
}

// "devices N LEN [bytes]": N devices with names of LEN characters, all 'N', or with "bytes"
// running through every byte value but zero.
int AddDevices(Script* script, std::istringstream& in) {
  int64_t count = 0, nameLength = 0;
  std::string kind;
  in >> count >> nameLength >> kind;
  if (count < 0 || nameLength < 0 || (!kind.empty() && kind != "bytes")) return 0;
  std::string name(static_cast<size_t>(nameLength), 'N');
  if (kind == "bytes")
    for (size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char>(1 + i % 255);
  for (int64_t i = 0; i < count; ++i)
    script->devices.push_back({static_cast<int32_t>(i), name, false});
  return 1;
}

int ReadLine(Script* script, const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  if (!(in >> verb) || verb[0] == '#') return 1;
  if (verb == "device") {
    int32_t index = 0;
    std::string name;
    in >> index;
    std::getline(in >> std::ws, name);
    script->devices.push_back({index, name, name == "<null>"});
    return 1;
  }
  if (verb == "devices") return AddDevices(script, in);
  if (verb == "check") return in >> script->checkResult, 1;
  if (verb == "start") return in >> script->startResult, 1;
  if (verb == "stop") return in >> script->stopResult, 1;
  if (verb == "caps") {
    std::string v;
    in >> v;
    return script->caps = static_cast<uint32_t>(Number(v)), 1;
  }
  if (verb == "diseqc") return script->sendDiSEqCResults = Numbers(in), 1;
  if (verb == "diseqcmd") return script->sendDiseqCmdResults = Numbers(in), 1;
  if (verb == "sweep") return AddSweep(script, in);
  if (verb == "record") return AddRecords(script, in);
  return 0;
}

}  // namespace

Script LoadScript(const char* path) {
  Script script;
  std::ifstream file(path);
  std::string line;
  int number = 0;
  bool sawDevice = false;
  while (std::getline(file, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("device", 0) == 0) sawDevice = true;
    if (!ReadLine(&script, line))
      script.errors.push_back(std::string(path) + ":" + std::to_string(number) + ": " + line);
  }
  if (!sawDevice) script.devices.push_back({0, "Test double tuner", false});
  return script;
}
