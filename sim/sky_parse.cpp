// The sky file: one statement per line, words separated by blanks, '#' starts a comment.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "model/model.h"
#include "sky.h"
#include "sky_text.h"

namespace {

struct LineContext {
  const std::string& origin;
  int line;
  int* problems;
};

void Problem(const LineContext& at, const std::string& what) {
  std::fprintf(stderr, "Simulator: %s:%d: %s\n", at.origin.c_str(), at.line, what.c_str());
  ++*at.problems;
}

// A numeric key of a statement, with the values that make physical sense.
struct NumericKey {
  const char* name;
  double low, high;
  double* target;
};

// Reads `key=value` into the matching entry, or names the fault and keeps the default.
bool NumberKey(const LineContext& at, const std::string& key, const std::string& value,
               const NumericKey* keys, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (key != keys[i].name) continue;
    double v = 0;
    if (ParseNumber(value, &v) && v >= keys[i].low && v <= keys[i].high) {
      *keys[i].target = v;
    } else {
      Problem(at, "bad value '" + value + "' for " + key + " (default kept)");
    }
    return true;
  }
  return false;
}

void ParseOscillators(const LineContext& at, const std::string& value, SkyLnb* lnb) {
  size_t comma = value.find(',');
  double lo0 = 0, lo1 = 0;
  bool ok = ParseNumber(value.substr(0, comma), &lo0) &&
            (comma == std::string::npos || ParseNumber(value.substr(comma + 1), &lo1));
  if (ok && lo0 > 0 && lo0 < 100000 && lo1 >= 0 && lo1 < 100000) {
    lnb->lo[0] = lo0;
    lnb->lo[1] = lo1;
  } else {
    Problem(at, "bad value '" + value + "' for lo (default kept)");
  }
}

void ParseLnb(const LineContext& at, const std::vector<std::string>& w, SkyLnb* lnb) {
  const NumericKey keys[] = {
      {"nf", 0, 10, &lnb->noiseFigure}, {"tilt", -20, 20, &lnb->gainTilt},
      {"ripple", 0, 10, &lnb->ripple},  {"period", 5, 2000, &lnb->ripplePeriod},
      {"gain", 0, 100, &lnb->gain},     {"dish", 0.1, 50, &lnb->dishDiameter},
  };
  for (size_t i = 1; i < w.size(); ++i) {
    std::string key, value;
    SplitKeyValue(w[i], &key, &value);
    if (key == "lo") {
      ParseOscillators(at, value, lnb);
    } else if (key == "circular" && value.empty()) {
      lnb->circular = true;
    } else if (!NumberKey(at, key, value, keys, std::size(keys))) {
      Problem(at, "unknown lnb key '" + key + "'");
    }
  }
}

void ParseSite(const LineContext& at, const std::vector<std::string>& w, Sky* sky) {
  const NumericKey keys[] = {{"lat", -90, 90, &sky->site.latitude},
                             {"lon", -180, 180, &sky->site.longitude}};
  for (size_t i = 1; i < w.size(); ++i) {
    std::string key, value;
    SplitKeyValue(w[i], &key, &value);
    if (!NumberKey(at, key, value, keys, std::size(keys))) {
      Problem(at, "unknown site key '" + key + "'");
    }
  }
}

void ParseMotor(const LineContext& at, const std::vector<std::string>& w, Sky* sky) {
  const NumericKey keys[] = {{"speed", 0.01, 100, &sky->motor.speed},
                             {"beam", 0.05, 90, &sky->motor.beamwidth},
                             {"start", -90, 90, &sky->motor.startAngle}};
  sky->hasMotor = true;
  for (size_t i = 1; i < w.size(); ++i) {
    std::string key, value;
    SplitKeyValue(w[i], &key, &value);
    if (!NumberKey(at, key, value, keys, std::size(keys))) {
      Problem(at, "unknown motor key '" + key + "'");
    }
  }
}

void ParseStored(const LineContext& at, const std::vector<std::string>& w, Sky* sky) {
  int32_t n = -1, position = 0;
  if (w.size() != 3 || !ParseInteger(w[1], &n) || n < 0 || n > 255 ||
      !ParseOrbitalPosition(w[2], &position)) {
    Problem(at, "expected 'stored <0-255> <position, e.g. 19.2E>', line skipped");
    return;
  }
  sky->motor.stored[n] = position;
  sky->motor.storedSet[n] = true;
}

bool InputKey(const std::string& key, const std::string& value, SkyInput* in) {
  int32_t v = 0;
  if (key == "motor" && value.empty()) return in->motor = true;
  if (key == "sat") return ParseOrbitalPosition(value, &in->satellite);
  if (key == "burst") {
    std::string b = Lowercase(value);
    in->toneBurst = b == "a" ? 0 : b == "b" ? 1 : -2;
    return in->toneBurst >= 0;
  }
  if (!ParseInteger(value, &v)) return false;
  if (key == "committed" && v >= 1 && v <= 4) return (in->committed = v), true;
  if (key == "uncommitted" && v >= 1 && v <= 16) return (in->uncommitted = v), true;
  return false;
}

void ParseInput(const LineContext& at, const std::vector<std::string>& w, Sky* sky) {
  SkyInput in;
  bool pointed = false;
  for (size_t i = 1; i < w.size(); ++i) {
    std::string key, value;
    SplitKeyValue(w[i], &key, &value);
    if (!InputKey(key, value, &in)) {
      Problem(at, "bad input setting '" + w[i] + "', line skipped");
      return;
    }
    pointed = pointed || key == "sat" || key == "motor";
  }
  if (!pointed) {
    Problem(at, "input names neither sat=<position> nor motor, line skipped");
    return;
  }
  sky->inputs.push_back(in);
}

void ParseSatellite(const LineContext& at, const std::vector<std::string>& w, Sky* sky) {
  SkySatellite sat;
  if (w.size() < 2 || !ParseOrbitalPosition(w[1], &sat.position)) {
    Problem(at, "expected 'sat <position, e.g. 19.2E> [name]', line skipped");
    return;
  }
  for (size_t i = 2; i < w.size(); ++i) sat.name += (i > 2 ? " " : "") + w[i];
  sky->satellites.push_back(sat);
}

}  // namespace

bool ParseTransponder(const std::vector<std::string>& words, SkyTransponder* tp,
                      std::string* error);

int ParseSky(const std::string& text, const std::string& origin, Sky* sky) {
  int problems = 0;
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    LineContext at{origin, number, &problems};
    std::vector<std::string> w = SplitWords(line);
    if (w.empty()) continue;
    std::string verb = Lowercase(w[0]);
    if (verb == "name") {
      size_t at = line.find_first_not_of(" \t", line.find(w[0]) + 4);
      sky->name = at == std::string::npos ? std::string() : line.substr(at);
    } else if (verb == "lnb") {
      ParseLnb(at, w, &sky->lnb);
    } else if (verb == "site") {
      ParseSite(at, w, sky);
    } else if (verb == "motor") {
      ParseMotor(at, w, sky);
    } else if (verb == "stored") {
      ParseStored(at, w, sky);
    } else if (verb == "input") {
      ParseInput(at, w, sky);
    } else if (verb == "sat") {
      ParseSatellite(at, w, sky);
    } else if (verb == "tp") {
      SkyTransponder tp;
      std::string error;
      if (sky->satellites.empty()) {
        Problem(at, "transponder before any 'sat' line, line skipped");
      } else if (!ParseTransponder(w, &tp, &error)) {
        Problem(at, error + ", line skipped");
      } else {
        sky->satellites.back().transponders.push_back(tp);
      }
    } else {
      Problem(at, "unknown statement '" + w[0] + "', line skipped");
    }
  }
  return problems;
}

int LoadSkyFile(const std::string& path, Sky* sky) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return 0;
  std::ostringstream text;
  text << file.rdbuf();
  ParseSky(text.str(), path, sky);
  return 1;
}

int MotorAngleFor(const SkySite& site, double satelliteDegrees, double* angle) {
  // The same geometry the program uses to point a USALS motor.
  const double kPi = 3.141592653589793;
  double delta = (satelliteDegrees - site.longitude) * kPi / 180.0;
  double a = 42233.24009 * std::cos(delta);
  double b = 6378.0 * std::sin((90.0 - site.latitude) * kPi / 180.0);
  if (b > a) return 0;
  *angle = std::atan(42233.24009 * std::sin(delta) / (a - b)) / kPi * 180.0;
  return 1;
}
