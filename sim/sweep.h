// One blind-scan sweep of the simulated card: what the switch and dish show on the requested
// band, measured, detected and demodulated into records.
#pragma once

#include <cstdint>
#include <vector>

#include "detect.h"
#include "dish.h"
#include "model/model.h"
#include "sky.h"
#include "tuner/tuner.h"

struct SimDevice {
  Sky sky;
  DishState dish;
  uint64_t seed = 1;
  uint32_t sweeps = 0;  // sweeps so far; each gets its own scatter
  bool hardwarePace = false;
  double lnbMid = 6000;   // MHz; an oscillator at or below it lies above its band
  double lnbStk = 21000;  // MHz; one at or above it too
};

// The arguments of one Vextral call, kHz.
struct SweepRequest {
  uint32_t start = 0;
  uint32_t stop = 0;
  uint32_t polarisation = 0;
  uint32_t lof1 = 0;
  uint32_t lof2 = 0;
  uint32_t lofsw = 0;
};

// One transponder of the seen satellites as it arrives at IF.
struct Arrival {
  const SkyTransponder* tp = nullptr;
  double ifMHz = 0;
  double esn0Db = 0;
  bool inverted = false;  // the real oscillator lies above the band
};

// What the card sees for this request: the emitters and the IF range to sweep.
struct SweepView {
  std::vector<Arrival> arrivals;
  SpectrumSource source;
  double ifLow = 0;
  double ifHigh = 0;
  double passedLoMHz = 0;  // the oscillator the caller says the LNB uses; 0 none
  bool passedInverted = false;
};

SweepView ViewFor(const SimDevice& device, const SweepRequest& request, double nowSeconds);

// Converts between RF and IF with an oscillator; lo 0 means no LNB.
double RfToIf(double rfMHz, double loMHz, bool inverted);
double IfToRf(double ifMHz, double loMHz, bool inverted);
bool IsInverting(const SimDevice& device, double loMHz);

// The spectrum the card measures for this view and the carriers its detector finds there.
std::vector<Candidate> DetectInView(const SweepView& view, SimRng& rng);

// Turns one detected candidate into a record, locking when the demodulator can.
TransponderRecord Demodulate(const SimDevice& device, const SweepView& view,
                             const SweepRequest& request, const Candidate& c, SimRng& rng);

// The whole Vextral call: records stored from `records`, at most SweepRecordLimit, each passed
// to `progress` as it is complete. Returns 1, or 0 for unusable arguments.
int RunSweep(SimDevice* device, const SweepRequest& request, double nowSeconds,
             TransponderRecord* records, uint32_t* count, ProgressCallbackFn progress);
