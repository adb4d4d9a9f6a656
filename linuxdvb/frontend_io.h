// Inside the Linux DVB back-end: DVBv5 property calls, tuning and read-back, shared by the
// survey, the lock attempts and the dish commands.
#pragma once

#include <linux/dvb/frontend.h>
#include <sys/ioctl.h>

#include <cstdint>

#include "linuxdvb.h"

// Sets `count` properties in one FE_SET_PROPERTY call; 0 or -errno.
int SetProperties(DvbDevice* device, const dtv_property* props, uint32_t count);
// Reads `count` properties in one FE_GET_PROPERTY call; 0 or -errno.
int GetProperties(DvbDevice* device, dtv_property* props, uint32_t count);

// Starts a one-shot tune to an IF (kHz) at a symbol rate with everything else left to the
// demodulator. Returns 0 or -errno.
int TuneTo(DvbDevice* device, uint32_t ifKHz, uint32_t symbolRate, uint32_t deliverySystem);

// Waits until the demodulator locks, says it gave up, or `timeoutMs` passes. Returns 1 when
// locked, 0 when not, -errno on a failed call; `status`, when given, gets the last status.
int WaitForLock(DvbDevice* device, uint32_t timeoutMs, uint32_t* status = nullptr);

// The signal strength of the current tune in dB (dBm where the driver gives decibels, a
// relative scale otherwise); false when the driver has no such reading.
bool ReadStrength(DvbDevice* device, double* db);

// What the locked demodulator reports, as a record. `ifKHz`, `loKHz` and `inverted` turn its
// IF back into RF on the sweep's scale.
struct LockedCarrier {
  uint32_t ifKHz = 0;
  uint32_t symbolRate = 0;
  double rollOff = 0.35;  // for the occupied width; the record keeps the code
};
void ReadBack(DvbDevice* device, TransponderRecord* record, LockedCarrier* carrier);

// Monotonic milliseconds from the seam's clock.
uint64_t NowMs(const DvbDevice* device);

// Puts voltage and tone on the LNB as a sweep of this polarisation and band needs, re-sending
// the committed switch byte when one is in use. Returns 1, or 0 when the driver refused.
int PrepareSignalPath(DvbDevice* device, uint32_t polarisation, bool highBand);

// A carrier seen in a power survey, at IF.
struct SurveyCarrier {
  double centreMHz = 0;
  double widthMHz = 0;  // half-power width: about the symbol rate in MHz
  double excessDb = 0;  // plateau above the floor
};

// Finds carriers in survey readings (dB, one per step from `startMHz`): the floor follows the
// LNB's tilt and ripple through the quietest stretches, and a region that rises clearly above
// it is split at deep dips between neighbours.
// `excess`, when given, receives each step's linear excess over the floor and the threshold
// a carrier must rise above.
struct SurveyExcess {
  std::vector<double> excess;
  double threshold = 0;
  std::vector<double> floorDb;
  double sigma = 0;
};
std::vector<SurveyCarrier> FindCarriers(const std::vector<double>& levelsDb, double startMHz,
                                        double stepMHz, SurveyExcess* excess = nullptr);

// Carriers in readings over a floor already known (a finer look at part of the band).
std::vector<SurveyCarrier> CarriersAbove(const std::vector<double>& levelsDb,
                                         const std::vector<double>& floorDb, double sigma,
                                         double startMHz, double stepMHz,
                                         SurveyExcess* excess = nullptr);

// What rises above the floor outside the carriers already locked: a weaker carrier pressed
// against a stronger one shows only as its shoulder. Runs of two steps or more count.
std::vector<SurveyCarrier> Leftovers(const SurveyExcess& excess, double startMHz, double stepMHz,
                                     const std::function<bool(double)>& taken);

// The width of a carrier centred at `centreMHz`, from the survey's excess: twice the nearer
// distance to where it falls below half its level there or meets what `taken` tells, since a
// neighbour may hide one side.
double WidthAround(const SurveyExcess& excess, double startMHz, double stepMHz, double centreMHz,
                   const std::function<bool(double)>& taken);

// Tunes across [lowMHz, highMHz] at the survey rate and reads the strength at each step.
// Returns 1 with the readings, 0 when the driver gives no strength, -errno on a failed call.
// `stepMHz` 0 takes the configured step.
int RunSurvey(DvbDevice* device, double lowMHz, double highMHz, std::vector<double>* levelsDb,
              double stepMHz = 0);
