// Inside the sweep: the state of one sweep and the steps that the survey's carriers and the
// ladder share.
#pragma once

#include <functional>
#include <vector>

#include "frontend_io.h"

// Kept apart: names as plain as these would clash elsewhere in a test binary.
namespace dvbsweep {

// How far the survey's width may be off: its steps, and the hidden edge of a carrier pressed
// against a stronger one.
constexpr double kWidthSlackMHz = 1.5;
constexpr double kWidthSlack = 0.25;
constexpr int kMaxRatesPerCarrier = 12;
// A region this narrow may be a narrow carrier that the tuner's filter widened, or several:
// its rates go all the way down.
constexpr double kNarrowRegionMHz = 10;
constexpr int kMaxRatesNarrow = 28;
// A region where nothing locked is looked at again with these steps: side by side, narrow
// carriers blur into one wide hump at the coarse steps.
constexpr double kFineStepMHz = 0.5;

struct Span {
  double low, high;  // IF MHz taken by a locked carrier
};

struct Sweep {
  DvbDevice* d = nullptr;
  const DvbSweepRequest* request = nullptr;
  uint32_t loKHz = 0;
  bool inverted = false;
  bool systemS = true, systemS2 = true;
  uint32_t minRate = 1000000, maxRate = 45000000;
  double ifLow = 0, ifHigh = 0;          // the requested range at IF
  double surveyLow = 0, surveyHigh = 0;  // with the margins the tuner allows
  TransponderRecord* records = nullptr;
  uint32_t* count = nullptr;
  const std::function<void(const TransponderRecord&)>* progress = nullptr;
  std::vector<Span> taken;
  std::vector<double> silent;  // centres of narrow regions where nothing was sensed
};

bool Taken(const Sweep& s, double ifMHz);
bool Full(const Sweep& s);

// One lock attempt at each delivery system the driver may need. 1 locked (new or known),
// 0 nothing, -errno on a failed call. `sensed` tells whether the demodulator saw a carrier
// in its window even without decoding it.
int Attempt(Sweep* s, double ifMHz, uint32_t rate, bool* sensed = nullptr);

// Rates to try for a carrier of this half-power width, nearest first.
std::vector<uint32_t> RatesFor(const Sweep& s, double widthMHz);

// The survey's carriers, a finer look where nothing locked, a walk where a region stays
// partly free, then what is left beside the locked carriers. 1, or -errno.
int SweepSurveyed(Sweep* s, const std::vector<double>& levels);

}  // namespace dvbsweep
