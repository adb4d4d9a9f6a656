// USALS: the motor angle from the site and the satellite, and the drive-to-angle command.
#include <cmath>

#include "dish/dish.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kEarthRadius = 6378;
constexpr double kOrbitRadius = 42233.24009;  // same unit as the earth radius
constexpr double kStepsPerDegree = 16;

constexpr uint8_t kGotoAngle = 0x6E;

// Written so that a NaN fails the test as well.
bool Within(double value, double limit) {
  return value >= -limit && value <= limit;
}

double Radians(double degrees) {
  return degrees * kPi / 180;
}

const char* UsalsText(int result) {
  switch (result) {
    case UsalsBadSatellite:
      return "Incorrect satellite position !";
    case UsalsBadLatitude:
      return "Incorrect lattitude !";
    case UsalsBadLongitude:
      return "Incorrect longtitude !";
    default:
      return "Satellite out of horizont !";
  }
}

// Positions in tenths of a degree.
void DriveToSatellite(const Sys& sys, const TunerApi& tuner, const char* ini, int32_t satPos,
                      int32_t lat, int32_t lon, bool usalsTwo) {
  double satellite = satPos / 10.0;
  double latitude = lat / 10.0;
  double longitude = lon / 10.0;
  double angle = 0;
  int result = UsalsMotorAngle(satellite, latitude, longitude, &angle);
  if (result != UsalsOk) {
    PrintLine(sys, UsalsText(result));
    return;
  }
  Print(sys, "USALS: Lattitude = %.1f%s, Longtitude = %.1f%s, Satellite angle = %.1f%s\n", latitude,
        kDegreeSign, longitude, kDegreeSign, satellite, kDegreeSign);
  uint8_t message[5] = {};
  UsalsGotoCommand(angle, usalsTwo, message);
  Print(sys, "USALS: Motor angle = %.1f%s, DiSEqC cmd: %02X %02X %02X %02X %02X\n", angle,
        kDegreeSign, message[0], message[1], message[2], message[3], message[4]);
  // No capability test: USALS switched on means the operator knows a motor is there.
  SendDiseqcWithRepeats(sys, tuner, ini, message, 5);
}

}  // namespace

int32_t SatPositionForUsals(int32_t satPos) {
  if (satPos >= 3600 || satPos < -3600) return 0;
  if (satPos > 1800) satPos -= 3600;
  if (satPos < -1800) satPos += 3600;
  return satPos;
}

uint32_t SatPositionForOutput(int32_t position) {
  if (position < 0) position += 3600;
  return static_cast<uint32_t>(position);
}

int UsalsMotorAngle(double satellite, double latitude, double longitude, double* angle) {
  if (!Within(satellite, 180)) return UsalsBadSatellite;
  if (!Within(latitude, 90)) return UsalsBadLatitude;
  if (!Within(longitude, 180)) return UsalsBadLongitude;
  double delta = Radians(satellite - longitude);
  double a = kOrbitRadius * std::cos(delta);
  double b = kEarthRadius * std::sin(Radians(90 - latitude));
  if (b > a) return UsalsBelowHorizon;
  double degrees = std::atan(kOrbitRadius * std::sin(delta) / (a - b)) / kPi * 180;
  if (angle) *angle = degrees;
  return UsalsOk;
}

int UsalsGotoCommand(double angle, bool usalsTwo, uint8_t message[5]) {
  if (!Within(angle, 90)) return 1;
  // 90 degrees are 1440 steps, which fit the 12 bits of bytes 3 and 4.
  uint32_t steps = static_cast<uint32_t>(std::fabs(angle) * kStepsPerDegree + 0.5);
  uint8_t direction = angle >= 0 ? 0xE : (usalsTwo ? 0x0 : 0xD);
  message[0] = 0xE0;
  message[1] = 0x31;
  message[2] = kGotoAngle;
  message[3] = static_cast<uint8_t>(direction << 4 | ((steps >> 8) & 0xF));
  message[4] = static_cast<uint8_t>(steps & 0xFF);
  return 0;
}

uint32_t PositionUsals(const Sys& sys, const TunerApi& tuner, const char* programIni) {
  int32_t satPos = SatPositionForUsals(sys.profileInt("SatInfo", "SatPos", 0, programIni));
  int32_t lat = sys.profileInt("Options", "Lat", -1000, programIni);
  int32_t lon = sys.profileInt("Options", "Long", -2000, programIni);
  int32_t usals = sys.profileInt("SatInfo", "USALS", 0, programIni);
  if (usals != 0) DriveToSatellite(sys, tuner, programIni, satPos, lat, lon, usals == 2);
  return SatPositionForOutput(satPos);
}
