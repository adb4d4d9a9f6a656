// The IF power spectrum the tuner measures: carriers on a thermal floor, shaped by the LNB's
// gain tilt and ripple, with per-bin scatter of an averaged periodogram.
#pragma once

#include <cstdint>
#include <vector>

#include "rng.h"

// One carrier as it arrives at the tuner.
struct Emitter {
  double centreMHz = 0;   // IF
  double symbolRate = 0;  // symbols per second
  double alpha = 0.35;    // roll-off
  double esn0 = 1;        // Es/N0, linear
  int32_t source = -1;    // the caller's tag (which transponder)
};

struct GainShape {
  double tiltDb = 0;    // less gain at the top of the IF range than at its bottom
  double rippleDb = 0;  // peak to peak
  double ripplePeriodMHz = 90;
  double ripplePhase = 0;
};

// Everything needed to take a measurement of some part of the IF range.
struct SpectrumSource {
  std::vector<Emitter> emitters;  // sorted by centreMHz
  GainShape gain;
  double scatterDb = 0.3;  // standard deviation of one bin's reading
};

struct SpectrumGrid {
  double startMHz = 950;  // centre of bin 0
  double binMHz = 0.1;
  int32_t count = 0;
};

double GainDbAt(const GainShape& gain, double ifMHz);

// Power per bin relative to the thermal floor at unity gain (linear).
void MeasureSpectrum(const SpectrumSource& source, const SpectrumGrid& grid, SimRng& rng,
                     std::vector<float>* power);
