// A fake set of Linux DVB frontends behind the DvbSys seam: the simulated dish's sky at the
// tuner input, demodulators with the habits of real driver families, and a virtual clock
// that only the seam's calls move, so a whole band sweep runs in milliseconds.
//
// Calls follow the kernel's conventions: ioctls whose argument is a value (FE_SET_VOLTAGE,
// FE_SET_TONE, FE_DISEQC_SEND_BURST, FE_SET_FRONTEND_TUNE_MODE) take it cast to the pointer,
// the others a pointer to their structure; failures are -errno.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "linuxdvb.h"
#include "rng.h"
#include "sweep.h"

// How one driver family behaves. Times in ms unless named otherwise; x = 10 MS/s / SR.
struct FakePersonality {
  const char* name;        // driver family, also the frontend's default FE_GET_INFO name
  const char* infoName;    // FE_GET_INFO name
  bool blockingTune;       // DTV_TUNE returns only after lock or timeout
  double captureFraction;  // capture window: +- max(fraction x SR, captureMinMHz)
  double captureMinMHz;
  double srTolerance;  // relative symbol-rate error still acquired
  bool autoDetect;     // a DVB-S2 request also acquires DVB-S carriers
  double lossDb;       // implementation loss on top of the modcod's requirement
  double lockBaseMs;   // lock latency: base + perX * x, +-10 % jitter
  double lockPerXMs;
  double timeoutBaseMs;  // search timeout: base + perX * x
  double timeoutPerXMs;
  uint32_t srMin;  // symbols per second
  uint32_t srMax;
  bool readsParameters;  // frequency, rate, delivery system, modulation, FEC after lock
  bool readsInversion;
  bool readsPilot;
  bool readsRollOff;
  bool pilotRollOffS2Only;  // pilot and roll-off read back only on DVB-S2 carriers
  uint8_t cnrScale;         // FE_SCALE_DECIBEL, FE_SCALE_RELATIVE or FE_SCALE_NOT_AVAILABLE
  uint8_t strengthScale;
  int legacyStrength;   // FE_READ_SIGNAL_STRENGTH: kFakeLegacy*
  int legacySnr;        // FE_READ_SNR
  double filterFactor;  // AGC filter: max(factor x requested SR, filterMinMHz)
  double filterMinMHz;
  double agcSettleMs;      // strength reads give the previous value until then
  double freqErrorKHz;     // read-back frequency scatter (standard deviation)
  double srErrorFraction;  // read-back symbol-rate scatter
  double falseLockChance;  // per tune without a carrier: locks on noise briefly
  double lostLockChance;   // per lock: drops after 0.2 .. 2 s
  uint32_t statusUs;       // FE_READ_STATUS
  uint32_t getPropertyUs;  // FE_GET_PROPERTY
};

constexpr int kFakeLegacyNone = 0;      // -EOPNOTSUPP
constexpr int kFakeLegacyConstant = 1;  // always the same value
constexpr int kFakeLegacyMeasured = 2;  // relative 0..65535

// "stv0910", "m88ds3103", "stv090x", "cx24117"; null for an unknown name.
const FakePersonality* FindFakePersonality(const std::string& name);
const std::vector<FakePersonality>& FakePersonalities();

// One status change of a frontend, at a virtual time.
struct FakeStep {
  uint64_t atUs = 0;
  uint32_t status = 0;
};

// What the last tune set in motion and what the demodulator found.
struct FakeTune {
  // Parameters as set through FE_SET_PROPERTY (DVB API codes).
  uint32_t delsys = 0;
  uint32_t frequencyKHz = 0;
  uint32_t symbolRate = 0;
  uint32_t fec = 9;  // FEC_AUTO
  uint32_t modulation = 0;
  uint32_t inversion = 2;  // INVERSION_AUTO
  uint32_t rollOff = 0;    // ROLLOFF_35: the kernel's default for satellite systems
  uint32_t pilot = 2;      // PILOT_AUTO
  uint32_t streamId = 0xFFFFFFFF;
  // Set by DTV_TUNE.
  bool tuned = false;
  uint64_t tunedAtUs = 0;
  std::vector<FakeStep> steps;  // status timeline since the tune
  size_t nextEvent = 0;         // first step not yet taken by FE_GET_EVENT
  bool carrier = false;         // a real carrier acquired (not a false lock)
  SkyTransponder found;         // the acquired carrier
  double foundIfMHz = 0;
  double foundEsN0Db = 0;
  bool foundInverted = false;
  double readFrequencyKHz = 0;  // what the demodulator measures
  double readSymbolRate = 0;
  double strengthDbm = 0;  // this tune's AGC reading
  bool strengthValid = false;
  double previousStrengthDbm = 0;  // the reading before the AGC settles
  bool previousStrengthValid = false;
};

struct FakeFrontend {
  int adapter = 0;
  int frontend = 0;
  std::string name;                  // FE_GET_INFO
  std::vector<uint32_t> delsys;      // DTV_ENUM_DELSYS, fe_delivery_system codes
  std::string product;               // sysfs product text; empty: none
  bool productBesideDevice = false;  // served at .../device/../product instead
  bool busy = false;                 // O_RDWR opens fail -EBUSY
  bool denied = false;               // every open fails -EACCES
  const FakePersonality* chip = nullptr;
  FakeTune tune;
};

struct FakeFd {
  int fd = 0;
  int frontend = 0;  // index into FakeDvb::frontends
  bool readWrite = false;
};

struct FakeLogEntry {
  uint64_t atUs = 0;
  std::string text;
};

// Calls that are counted rather than logged, so a sweep's log stays short.
struct FakeCounters {
  uint64_t tunes = 0;
  uint64_t propertySets = 0;
  uint64_t propertyGets = 0;
  uint64_t statusReads = 0;
  uint64_t events = 0;
  uint64_t polls = 0;
};

constexpr uint64_t kFakeStartUs = 1000000000;  // the virtual clock's first reading

struct FakeDvb {
  SimDevice sim;  // the sky and the dish state the DiSEqC commands leave
  uint64_t seed = 1;
  SimRng rng;  // per-read scatter
  uint64_t nowUs = kFakeStartUs;
  int voltage = 2;  // SEC_VOLTAGE_OFF until a frontend sets it
  int tone = 1;     // SEC_TONE_OFF
  std::vector<FakeFrontend> frontends;
  std::vector<FakeFd> fds;
  int nextFd = 3;
  std::vector<FakeLogEntry> log;      // dish commands, opens and closes
  std::vector<std::string> messages;  // lines the library passed to DvbSys::log
  FakeCounters counters;
  // The carriers at the tuner input for the current voltage, tone and switch state.
  SweepView view;
  bool viewValid = false;
  uint64_t viewAtUs = 0;
};

// A fake with the sky of `skyPath` (or sky text) and one DVB-S/S2 frontend, adapter 0
// frontend 0, of personality `personality`. Returns 0 for an unreadable sky or an unknown
// personality.
int MakeFakeDvb(const std::string& skyPath, const std::string& personality, uint64_t seed,
                FakeDvb* fake);
int MakeFakeDvbFromText(const std::string& skyText, const std::string& personality, uint64_t seed,
                        FakeDvb* fake);

// Adds a frontend (DVB-S and DVB-S2 unless `delsys` says otherwise); its name is the chip's.
FakeFrontend& AddFakeFrontend(FakeDvb* fake, int adapter, int frontend, const FakePersonality* chip,
                              std::vector<uint32_t> delsys = {});

std::string FakeFrontendPath(int adapter, int frontend);

// The seam acting on `fake`, which must stay where it is while the seam is used.
DvbSys FakeDvbSys(FakeDvb* fake);

// The individual calls, as the seam makes them.
int FakeOpen(FakeDvb* fake, const char* path, int flags);
int FakeClose(FakeDvb* fake, int fd);
int FakeIoctl(FakeDvb* fake, int fd, unsigned long request, void* arg);
int FakePoll(FakeDvb* fake, int fd, int timeoutMs);
bool FakeReadText(const FakeDvb& fake, const std::string& path, std::string* text);

// The status a frontend reports at the current virtual time.
uint32_t FakeStatusNow(const FakeDvb& fake, const FakeFrontend& fe);
