// The signal path as the DiSEqC commands left it: switch ports, tone burst and the motor.
#pragma once

#include <cstdint>
#include <vector>

#include "sky.h"

struct DishState {
  int32_t committedPort = 1;  // switches power up on their first input
  bool committedHighBand = false;
  bool committedHorizontal = false;
  int32_t uncommittedPort = 1;
  int32_t toneBurst = 0;  // 0 A, 1 B
  // The motor runs from `motorFrom` towards `motorTo`, setting off at `motorSince` seconds.
  double motorFrom = 0;
  double motorTo = 0;
  double motorSince = 0;
};

// A satellite in view and how much of its signal the pointing loses.
struct SeenSatellite {
  int32_t satellite = 0;  // index into Sky::satellites
  double lossDb = 0;
};

DishState InitialDishState(const Sky& sky);

// The committed-switch data byte: port in bits 3-2, horizontal in bit 1, high band in bit 0.
void ApplyCommittedByte(DishState* state, uint32_t value);
void ApplyToneBurst(DishState* state, uint32_t value);

// Raw DiSEqC message; returns 0 for a message no bus would carry (too short or too long, or
// not a master command), 1 otherwise, also when no device on the bus acts on it.
int ApplyDiseqcMessage(const Sky& sky, DishState* state, const uint8_t* bytes, uint32_t length,
                       double nowSeconds);

double MotorAngleAt(const Sky& sky, const DishState& state, double nowSeconds);

// The satellites the current switch setting and dish angle look at.
std::vector<SeenSatellite> SeenSatellites(const Sky& sky, const DishState& state,
                                          double nowSeconds);
