// Dish control: DiSEqC switches, tone burst, stored positions and USALS, set up once per run.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "tuner/tuner.h"

// What the set-up leaves for the rest of the run.
struct DishSetup {
  int32_t diseqcPort = 0;          // [SatInfo] DiSEqC as read; 1 to 4 select a committed port
  uint32_t satellitePosition = 0;  // tenths of a degree, 0 to 3599 (above 1800: west)
};

// The DiSEqC 1.0 committed-switch data byte: 1111, port - 1, polarisation bit, band bit.
uint8_t CommittedSwitchByte(uint32_t port, bool highBand, uint32_t polarisation);

// Sends a raw message with E0, repeats it up to twice with E1 100 ms apart, then waits the
// [SatInfo] Wait seconds read afresh from `programIni`. `message` is changed (E1).
void SendDiseqcWithRepeats(const Sys& sys, const TunerApi& tuner, const char* programIni,
                           uint8_t* message, uint32_t length);

// The two normalisations of the satellite position (tenths of a degree).
int32_t SatPositionForUsals(int32_t satPos);      // to -1800 .. 1800
uint32_t SatPositionForOutput(int32_t position);  // to 0 .. 3599

// USALS result codes.
enum UsalsResult : int {
  UsalsOk = 0,
  UsalsBadSatellite = 1,
  UsalsBadLatitude = 2,
  UsalsBadLongitude = 3,
  UsalsBelowHorizon = 4,
};
int UsalsMotorAngle(double satellite, double latitude, double longitude, double* angle);
// Fills the 5-byte drive-to-angle message; 1 (nothing built) for an angle outside -90 .. 90.
int UsalsGotoCommand(double angle, bool usalsTwo, uint8_t message[5]);

// The last step of the set-up: reads SatPos, Lat, Long and USALS, drives the positioner when
// USALS is on, and returns the satellite position for the rest of the run (0 .. 3599).
uint32_t PositionUsals(const Sys& sys, const TunerApi& tuner, const char* programIni);

// The whole set-up: start wait, uncommitted switch, committed switch, tone burst, stored
// position, USALS and the satellite position.
DishSetup PositionDish(const Sys& sys, const TunerApi& tuner, const char* programIni);
