// The 'tp' line of a sky file:
//   tp <MHz> <H|V|L|R> <kS/s> <S|S2|DSS|TURBO> <QPSK|8PSK|16APSK|32APSK> <rate> [key=value ...]
#include <cstring>

#include "model/model.h"
#include "sky.h"
#include "sky_text.h"

namespace {

bool ParsePolarisation(const std::string& w, uint32_t* pol) {
  const char* names = "HVLR";
  if (w.size() != 1) return false;
  const char* at = std::strchr(names, std::toupper(static_cast<unsigned char>(w[0])));
  if (at == nullptr || *at == '\0') return false;
  *pol = static_cast<uint32_t>(at - names);
  return true;
}

bool ParseSystem(const std::string& w, uint32_t* system) {
  std::string s = Lowercase(w);
  *system = s == "s" ? 1 : s == "s2" ? 2 : s == "dss" ? 3 : s == "turbo" ? 4 : 0;
  return *system != 0;
}

// Modulation codes differ by delivery system although the names repeat.
bool ParseModulation(const std::string& w, uint32_t system, uint32_t* modulation) {
  std::string m = Lowercase(w);
  if (m == "qpsk")
    *modulation = system == 1 ? 1 : system == 3 ? 9 : system == 4 ? 6 : 5;
  else if (m == "8psk" && (system == 2 || system == 4))
    *modulation = system == 2 ? 2 : 7;
  else if (m == "16apsk" && system == 2)
    *modulation = 3;
  else if (m == "32apsk" && system == 2)
    *modulation = 4;
  else
    return false;
  return true;
}

bool ParseCodeRate(const std::string& w, uint32_t* code) {
  for (uint32_t c = 1; c <= 27; ++c) {
    if (w == CodeRateName(c)) return (*code = c), true;
  }
  return false;
}

bool ParseRollOff(const std::string& w, uint32_t* code) {
  for (uint32_t c = 1; c <= 6; ++c) {
    double a = 0, b = 0;
    if (ParseNumber(w, &a) && ParseNumber(RollOffName(c), &b) && a == b) return (*code = c), true;
  }
  return false;
}

bool ParseOnOff(const std::string& w, uint32_t on, uint32_t off, uint32_t* target) {
  std::string v = Lowercase(w);
  if (v != "on" && v != "off") return false;
  *target = v == "on" ? on : off;
  return true;
}

bool ParseStreamIds(const std::string& w, std::vector<uint8_t>* ids) {
  size_t start = 0;
  while (start <= w.size() && ids->size() < 16) {
    size_t comma = w.find(',', start);
    int32_t id = 0;
    if (!ParseInteger(w.substr(start, comma - start), &id) || id < 0 || id > 255) return false;
    ids->push_back(static_cast<uint8_t>(id));
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
  return false;
}

bool ParseOption(const std::string& key, const std::string& v, SkyTransponder* tp) {
  std::string lv = Lowercase(v);
  if (key == "ro") return ParseRollOff(v, &tp->rollOff);
  if (key == "pilots") return ParseOnOff(v, 2, 1, &tp->pilot);
  if (key == "inv") return ParseOnOff(v, 2, 1, &tp->spectrum);
  if (key == "frame") return (lv == "normal" || lv == "short") && ((tp->frame = lv == "short"), 1);
  if (key == "mode") return (lv == "ccm" || lv == "acm") && ((tp->codingMode = lv == "acm"), 1);
  if (key == "isi") return ParseStreamIds(v, &tp->streamIds);
  if (key == "cn" || key == "eirp") {
    // Es/N0 from far below the floor to a strong feed; EIRP of any real beam.
    tp->strengthIsEirp = key == "eirp";
    double low = tp->strengthIsEirp ? 0 : -30, high = tp->strengthIsEirp ? 90 : 60;
    return ParseNumber(v, &tp->strength) && tp->strength >= low && tp->strength <= high;
  }
  if (key == "type") {
    const char* types[] = {"ts", "reserved", "gc", "gp"};
    for (uint32_t i = 0; i < 4; ++i) {
      if (lv == types[i]) return (tp->streamType = i), true;
    }
  }
  return false;
}

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

}  // namespace

bool ParseTransponder(const std::vector<std::string>& w, SkyTransponder* tp, std::string* error) {
  double ksps = 0;
  if (w.size() < 7) {
    return Fail(error, "a transponder needs MHz, pol, kS/s, system, modulation and code rate");
  }
  if (!ParseNumber(w[1], &tp->frequencyMHz) || tp->frequencyMHz <= 0)
    return Fail(error, "bad frequency '" + w[1] + "'");
  if (!ParsePolarisation(w[2], &tp->polarisation))
    return Fail(error, "bad polarisation '" + w[2] + "'");
  if (!ParseNumber(w[3], &ksps) || ksps < 50 || ksps > 100000)
    return Fail(error, "bad symbol rate '" + w[3] + "'");
  tp->symbolRate = ksps * 1000.0;
  if (!ParseSystem(w[4], &tp->deliverySystem))
    return Fail(error, "bad delivery system '" + w[4] + "'");
  if (!ParseModulation(w[5], tp->deliverySystem, &tp->modulation))
    return Fail(error, "bad modulation '" + w[5] + "' for " + w[4]);
  if (!ParseCodeRate(w[6], &tp->codeRate)) return Fail(error, "bad code rate '" + w[6] + "'");
  if (tp->deliverySystem != 2) tp->pilot = 1;
  for (size_t i = 7; i < w.size(); ++i) {
    std::string key, value;
    SplitKeyValue(w[i], &key, &value);
    if (!ParseOption(key, value, tp)) return Fail(error, "bad setting '" + w[i] + "'");
  }
  return true;
}
