// One installation as the simulated dish sees it: the LNB really mounted, what each switch
// input and motor angle looks at, and every satellite's transponders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SkyTransponder {
  double frequencyMHz = 0;    // RF
  uint32_t polarisation = 0;  // 0 H, 1 V, 2 L, 3 R
  double symbolRate = 0;      // symbols per second
  uint32_t deliverySystem = 2;
  uint32_t modulation = 5;
  uint32_t codeRate = 3;
  uint32_t rollOff = 1;
  uint32_t pilot = 1;
  uint32_t frame = 0;
  uint32_t spectrum = 1;
  uint32_t codingMode = 0;
  uint32_t streamType = 0;
  std::vector<uint8_t> streamIds;  // empty: single input stream
  bool strengthIsEirp = false;
  double strength = 10;  // Es/N0 in dB, or EIRP in dBW
};

struct SkySatellite {
  int32_t position = 0;  // tenths of a degree, east positive
  std::string name;
  std::vector<SkyTransponder> transponders;
};

struct SkyLnb {
  double lo[2] = {9750, 10600};  // MHz; lo[1] 0 for a single-oscillator LNB
  double noiseFigure = 0.8;      // dB
  double gainTilt = 3;           // dB less gain at 2150 MHz than at 950 MHz IF
  double ripple = 0.5;           // dB peak to peak
  double ripplePeriod = 90;      // MHz
  double ripplePhase = 0;        // radians
  double gain = 55;              // dB, LNB gain less cable loss
  double dishDiameter = 0.8;     // metres, for EIRP strengths
  bool circular = false;         // 18 V selects L, 13 V selects R
};

// What one switch setting looks at. Fields at -1 match any value.
struct SkyInput {
  int32_t committed = -1;    // port 1..4
  int32_t uncommitted = -1;  // port 1..16
  int32_t toneBurst = -1;    // 0 (A) or 1 (B)
  bool motor = false;        // the motorised dish, pointed by its angle
  int32_t satellite = 0;     // orbital position (tenths, east positive) when not motor
};

struct SkySite {
  double latitude = 50.0;
  double longitude = 10.0;
};

struct SkyMotor {
  double speed = 1.5;        // degrees per second
  double beamwidth = 2.0;    // degrees, half-power beam width of the dish
  double startAngle = 0.0;   // degrees
  int32_t stored[256] = {};  // satellite position each stored position points at
  bool storedSet[256] = {};
};

struct Sky {
  std::string name;
  SkyLnb lnb;
  SkySite site;
  SkyMotor motor;
  bool hasMotor = false;
  std::vector<SkyInput> inputs;
  std::vector<SkySatellite> satellites;
};

// Reads a sky file. Every problem is printed as one line naming file and line and the line is
// skipped; returns 0 when the file cannot be read at all (the sky is then left empty).
int LoadSkyFile(const std::string& path, Sky* sky);

// Parses sky text; `origin` names it in messages. Returns the number of problems found.
int ParseSky(const std::string& text, const std::string& origin, Sky* sky);

// Motor angle (degrees) that points the dish at a satellite position from the site; returns 0
// when the satellite is below the horizon.
int MotorAngleFor(const SkySite& site, double satelliteDegrees, double* angle);
