// A tuner library for DVB-S/S2 cards driven by the kernel's mainline drivers: frontends are
// found under /dev/dvb, dish commands become DVB API ioctls, and the blind scan that mainline
// lacks is done here, with a power survey and lock attempts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/model.h"
#include "tuner/tuner.h"

// Every call into the system goes through here, so the whole back-end runs against a fake
// frontend with a virtual clock. Results follow the kernel's habit: -errno on failure. The
// ioctls that take a value (FE_SET_VOLTAGE, FE_SET_TONE, FE_DISEQC_SEND_BURST,
// FE_SET_FRONTEND_TUNE_MODE) get it cast to the pointer, as the kernel reads them.
struct DvbSys {
  std::function<int(const char* path, int flags)> open;                // fd, or -errno
  std::function<int(int fd, unsigned long request, void* arg)> ioctl;  // >= 0, or -errno
  // Waits up to timeoutMs for a frontend event; 1 when one is queued, 0 on timeout, -errno.
  std::function<int(int fd, int timeoutMs)> poll;
  std::function<int(int fd)> close;
  std::function<uint64_t()> nowUs;  // monotonic microseconds
  std::function<void(uint32_t ms)> sleepMs;
  // Reads a small text file (sysfs attributes); false when there is none.
  std::function<bool(const std::string& path, std::string* text)> readText;
  std::function<void(const std::string& line)> log;  // one message line, without line end
};

// The real system calls.
DvbSys PosixDvbSys();

// One satellite frontend found by enumeration.
struct DvbFrontend {
  std::string path;  // /dev/dvb/adapterN/frontendM
  std::string name;  // chip, and the card where sysfs tells it
  int adapter = 0;
  int frontend = 0;
  bool dvbs2 = false;
};

// Tunables of the scan; the defaults suit the drivers modelled in the tests.
struct DvbScanSettings {
  double lnbMid = 6000;   // MHz: an oscillator at or below it lies above its band
  double lnbStk = 21000;  // MHz: one at or above it too
  double surveyStepMHz = 2.0;
  uint32_t surveySymbolRate = 1000000;  // sets the tuner's filter for the power survey
  // A driver whose tune blocks searches at every survey step; a wider rate searches faster.
  uint32_t blockingSurveySymbolRate = 4000000;
  uint32_t surveySettleMs = 10;      // AGC settling after each survey tune
  uint32_t blockingTuneMs = 50;      // a tune call slower than this blocks
  uint32_t minSymbolRate = 1000000;  // the narrowest carrier looked for
};

// What the sweeps of a device did, for the figures.
struct DvbCounters {
  uint64_t surveySteps = 0;
  uint64_t attempts = 0;  // lock attempts, one per tune
  uint64_t locks = 0;
  uint64_t attemptMs = 0;  // time spent in lock attempts
};

// Dish and tuner state of the started device.
struct DvbDevice {
  DvbSys sys;
  DvbScanSettings settings;
  std::vector<DvbFrontend> frontends;  // from the last enumeration
  int fd = -1;                         // the started frontend
  int started = -1;                    // its index
  // What the dish was last told, so every sweep can put its own band and polarisation on it.
  int committedPort = 0;    // 1..4 once a committed-switch byte was sent; 0 none
  int burst = -1;           // tone burst last asked for: 0 A, 1 B; -1 none
  int voltage = -1;         // fe_sec_voltage last set; -1 unknown
  int tone = -1;            // fe_sec_tone_mode last set; -1 unknown
  bool surveyWorks = true;  // cleared when the driver gives no usable strength
  int tuneBlocks = -1;      // 1 when a tune call waits for the search; -1 not yet seen
  int autoSystem = -1;      // 1 once a DVB-S2 tune locked a DVB-S carrier: one tune finds both
  // Set once the demodulator has told a carrier it could not lock: then telling none means
  // there is none in its window.
  bool sensesCarrier = false;
  // The symbol-rate error the demodulator has been seen to acquire at: neighbouring tries may
  // lie twice that far apart. Starts at what every modelled driver takes.
  double rateTolerance = 0.045;
  DvbCounters counters;
};

// Caps the library reports: tone burst, DiSEqC and the sweep.
constexpr uint32_t kDvbCaps = 0x10 | 0x40 | 0x20000;

// The most records one sweep stores.
constexpr uint32_t kDvbSweepRecordLimit = 256;

// Finds every frontend whose delivery systems include DVB-S or DVB-S2, in adapter and
// frontend order, and calls `found` for each with its index and name. Returns the count.
int DvbEnumerate(DvbDevice* device, const std::function<void(int, const std::string&)>& found);

// Opens frontend `index` read-write. Returns 1, or 0 after a message naming the device and
// the reason (busy, permission, gone).
int DvbStart(DvbDevice* device, int index);
void DvbStop(DvbDevice* device);

// SendDiSEqC kind 2 (committed switch byte) and kind 1 (tone burst 0 = A, 1 = B).
int DvbSendCommitted(DvbDevice* device, uint32_t value);
int DvbSendBurst(DvbDevice* device, uint32_t value);
// A raw message of 3 to 6 bytes, sent as it is.
int DvbSendRaw(DvbDevice* device, const uint8_t* bytes, uint32_t length);

// The arguments of one sweep, kHz as the program passes them.
struct DvbSweepRequest {
  uint32_t startKHz = 0;
  uint32_t stopKHz = 0;
  uint32_t polarisation = 0;
  uint32_t lof1KHz = 0;
  uint32_t lof2KHz = 0;
  uint32_t lofswKHz = 0;
};

// One blind-scan sweep: stores at most kDvbSweepRecordLimit records from `records`, sets
// `count`, calls `progress` (may be null) for each as soon as it is read back. Returns 1, or
// 0 when no device is started or the arguments are unusable.
int DvbSweep(DvbDevice* device, const DvbSweepRequest& request, TransponderRecord* records,
             uint32_t* count, const std::function<void(const TransponderRecord&)>& progress);
