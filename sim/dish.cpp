#include "dish.h"

#include <cmath>

namespace {

void StartMotor(const Sky& sky, DishState* state, double target, double now) {
  state->motorFrom = MotorAngleAt(sky, *state, now);
  state->motorTo = target;
  state->motorSince = now;
}

// E0 31 6E: high nibble E turns east (positive), D or 0 west; 12 bits of 1/16 degree.
int GotoAngle(const Sky& sky, DishState* state, const uint8_t* b, double now) {
  uint32_t direction = b[3] >> 4;
  if (direction != 0xE && direction != 0xD && direction != 0x0) return 1;
  double degrees = (((b[3] & 0x0Fu) << 8) | b[4]) / 16.0;
  StartMotor(sky, state, direction == 0xE ? degrees : -degrees, now);
  return 1;
}

int GotoStored(const Sky& sky, DishState* state, uint8_t slot, double now) {
  double angle = 0;
  // Position 0 is the reference: the motor's zero.
  if (slot == 0) {
    StartMotor(sky, state, 0, now);
  } else if (sky.motor.storedSet[slot] &&
             MotorAngleFor(sky.site, sky.motor.stored[slot] / 10.0, &angle)) {
    StartMotor(sky, state, angle, now);
  }
  return 1;
}

bool MatchesInput(const SkyInput& in, const DishState& s) {
  return (in.committed < 0 || in.committed == s.committedPort) &&
         (in.uncommitted < 0 || in.uncommitted == s.uncommittedPort) &&
         (in.toneBurst < 0 || in.toneBurst == s.toneBurst);
}

int32_t SatelliteAt(const Sky& sky, int32_t position) {
  for (size_t i = 0; i < sky.satellites.size(); ++i) {
    if (sky.satellites[i].position == position) return static_cast<int32_t>(i);
  }
  return -1;
}

// Everything within a few beam widths shows, weaker the further it is off the beam.
void SeenByMotor(const Sky& sky, double dishAngle, std::vector<SeenSatellite>* seen) {
  for (size_t i = 0; i < sky.satellites.size(); ++i) {
    double angle = 0;
    if (!MotorAngleFor(sky.site, sky.satellites[i].position / 10.0, &angle)) continue;
    double off = (angle - dishAngle) / sky.motor.beamwidth;
    double loss = 12.0 * off * off;
    if (loss < 30.0) seen->push_back({static_cast<int32_t>(i), loss});
  }
}

}  // namespace

DishState InitialDishState(const Sky& sky) {
  DishState s;
  s.motorFrom = s.motorTo = sky.motor.startAngle;
  return s;
}

void ApplyCommittedByte(DishState* state, uint32_t value) {
  state->committedPort = static_cast<int32_t>((value >> 2) & 3u) + 1;
  state->committedHorizontal = (value & 2u) != 0;
  state->committedHighBand = (value & 1u) != 0;
}

void ApplyToneBurst(DishState* state, uint32_t value) {
  state->toneBurst = value == 0 ? 0 : 1;
}

int ApplyDiseqcMessage(const Sky& sky, DishState* state, const uint8_t* bytes, uint32_t length,
                       double now) {
  if (bytes == nullptr || length < 3 || length > 6) return 0;
  if ((bytes[0] & 0xFC) != 0xE0) return 0;
  uint8_t address = bytes[1], command = bytes[2];
  bool switcher = address == 0x10 || (address >= 0x11 && address <= 0x15);
  bool positioner = address == 0x30 || address == 0x31 || address == 0x32;
  if (switcher && command == 0x38 && length >= 4) ApplyCommittedByte(state, bytes[3]);
  if (switcher && command == 0x39 && length >= 4) state->uncommittedPort = (bytes[3] & 0x0F) + 1;
  if (positioner && command == 0x6B && length >= 4) return GotoStored(sky, state, bytes[3], now);
  if (positioner && command == 0x6E && length >= 5) return GotoAngle(sky, state, bytes, now);
  if (positioner && command == 0x60) StartMotor(sky, state, MotorAngleAt(sky, *state, now), now);
  return 1;
}

double MotorAngleAt(const Sky& sky, const DishState& s, double now) {
  double travelled = std::fmax(0.0, now - s.motorSince) * sky.motor.speed;
  double distance = s.motorTo - s.motorFrom;
  if (travelled >= std::fabs(distance)) return s.motorTo;
  return s.motorFrom + (distance > 0 ? travelled : -travelled);
}

std::vector<SeenSatellite> SeenSatellites(const Sky& sky, const DishState& state, double now) {
  std::vector<SeenSatellite> seen;
  for (const SkyInput& in : sky.inputs) {
    if (!MatchesInput(in, state)) continue;
    if (in.motor) {
      SeenByMotor(sky, MotorAngleAt(sky, state, now), &seen);
    } else {
      int32_t index = SatelliteAt(sky, in.satellite);
      if (index >= 0) seen.push_back({index, 0.0});
    }
    break;
  }
  return seen;
}
