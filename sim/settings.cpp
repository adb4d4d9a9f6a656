#include "settings.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "sky_text.h"

namespace {

using Section = std::map<std::string, std::string>;

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  size_t b = s.find_last_not_of(" \t\r\n");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Section and key names without regard to case; the first of a repeated key wins.
std::map<std::string, Section> ParseIni(const std::string& text) {
  std::map<std::string, Section> ini;
  std::istringstream in(text);
  std::string line, section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      section = Lowercase(Trim(line.substr(1, line.find(']') - 1)));
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    ini[section].emplace(Lowercase(Trim(line.substr(0, eq))), value);
  }
  return ini;
}

void Warn(const std::string& origin, const char* section, const char* key, const std::string& value,
          const std::string& used) {
  std::fprintf(stderr, "Simulator: %s [%s] %s=%s is not valid; using %s\n", origin.c_str(), section,
               key, value.c_str(), used.c_str());
}

// Reads an integer key within [lo, hi], or warns and keeps the default.
template <typename T>
void IntegerKey(const Section& s, const std::string& origin, const char* section, const char* key,
                long long lo, long long hi, T* target) {
  auto it = s.find(Lowercase(key));
  if (it == s.end()) return;
  char* end = nullptr;
  long long v = std::strtoll(it->second.c_str(), &end, 0);
  if (it->second.empty() || *end != '\0' || v < lo || v > hi) {
    Warn(origin, section, key, it->second, std::to_string(*target));
    return;
  }
  *target = static_cast<T>(v);
}

void SimulatorSection(const Section& s, const std::string& origin, SimSettings* out) {
  auto sky = s.find("sky");
  if (sky != s.end() && !sky->second.empty()) out->sky = sky->second;
  auto pace = s.find("pace");
  if (pace != s.end()) {
    std::string p = Lowercase(pace->second);
    if (p == "hardware" || p == "instant") {
      out->hardwarePace = p == "hardware";
    } else {
      Warn(origin, "Simulator", "Pace", pace->second, "instant");
    }
  }
  IntegerKey(s, origin, "Simulator", "Seed", 0, 0x7FFFFFFFFFFFFFFFll, &out->seed);
  IntegerKey(s, origin, "Simulator", "Devices", 0, 8, &out->devices);
  IntegerKey(s, origin, "Simulator", "Caps", 0, 0xFFFFFFFFll, &out->caps);
  auto name = s.find("devicename");
  if (name != s.end() && !name->second.empty()) out->deviceName = name->second;
}

}  // namespace

SimSettings ParseSettings(const std::string& text, const std::string& origin) {
  SimSettings out;
  std::map<std::string, Section> ini = ParseIni(text);
  SimulatorSection(ini["simulator"], origin, &out);
  int32_t mid = 6000, stk = 21000;
  IntegerKey(ini["kestrune"], origin, "Kestrune", "LNBMid", 0, 100000, &mid);
  IntegerKey(ini["kestrune"], origin, "Kestrune", "LNBStk", 0, 100000, &stk);
  out.lnbMid = mid;
  out.lnbStk = stk;
  return out;
}

SimSettings LoadSettings(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return SimSettings{};
  std::ostringstream text;
  text << file.rdbuf();
  return ParseSettings(text.str(), path);
}
