// Link figures of the installation: noise floor, carrier strength and what the demodulator
// reports about a transponder.
#pragma once

#include "model/model.h"
#include "sky.h"

// Es/N0 (dB) of a transponder at this installation before pointing losses.
double TransponderEsN0Db(const SkyLnb& lnb, const SkyTransponder& tp);

// Thermal floor at the tuner input, dBm per Hz, before the LNB's tilt and ripple.
double FloorDbmPerHz(const SkyLnb& lnb);

// Useful bit rate of a transponder's modcod, bit/s.
double TransponderBitRate(const SkyTransponder& tp);

// Es/N0 the transponder's modcod needs, dB.
double TransponderRequirementDb(const SkyTransponder& tp);
