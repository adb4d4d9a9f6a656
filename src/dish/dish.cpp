// The one-time set-up of the signal path: settling wait, switches, tone burst, stored position.
#include "dish/dish.h"

namespace {

constexpr uint8_t kFirstSend = 0xE0;
constexpr uint8_t kRepeat = 0xE1;
constexpr uint8_t kAnyLnbOrSwitch = 0x10;
constexpr uint8_t kPositioner = 0x31;
constexpr uint8_t kWriteUncommitted = 0x39;
constexpr uint8_t kGotoStoredPosition = 0x6B;
constexpr uint32_t kRepeatPauseMs = 100;
constexpr uint32_t kPolarisationVertical = 1;  // leaves the polarisation bit clear

// Keys of the set-up; the unsigned ones are read as the 32-bit pattern the file holds.
uint32_t ReadUnsigned(const Sys& sys, const char* section, const char* key, int32_t def,
                      const char* ini) {
  return static_cast<uint32_t>(sys.profileInt(section, key, def, ini));
}

void SleepSeconds(const Sys& sys, uint32_t seconds) {
  sys.sleepMs(seconds * 1000);
}

bool HasCapability(const TunerApi& tuner, uint32_t capability) {
  return (tuner.GetCaps() & capability) != 0;
}

void SelectUncommittedInput(const Sys& sys, const TunerApi& tuner, const char* ini) {
  uint32_t input = ReadUnsigned(sys, "SatInfo", "DiSEqC11", 0, ini);
  if (input < 1 || input > 16) return;
  if (!HasCapability(tuner, CapDiseqc)) {
    PrintLine(sys, "SendDiseqCmd not supported !");
    return;
  }
  uint8_t message[4] = {kFirstSend, kAnyLnbOrSwitch, kWriteUncommitted,
                        static_cast<uint8_t>(0xF0 | (input - 1))};
  SendDiseqcWithRepeats(sys, tuner, ini, message, 4);
}

// The start-up byte carries neither band nor polarisation: the sweeps send their own.
void SelectCommittedPort(const Sys& sys, const TunerApi& tuner, int32_t port) {
  if (port < 1 || port > 4) return;
  if (!HasCapability(tuner, CapDiseqc)) {
    PrintLine(sys, "SendDiSEqC (1.0) not supported!");
    return;
  }
  uint8_t data = CommittedSwitchByte(static_cast<uint32_t>(port), false, kPolarisationVertical);
  if (!tuner.SendDiSEqC(DiseqcKindCommitted, data)) PrintLine(sys, "SendDiSEqC failed !");
}

// Both tests are signed, so a DiSEqC of 0 or below still lets the burst through.
void SendToneBurst(const Sys& sys, const TunerApi& tuner, const char* ini, int32_t port) {
  int32_t toneBurst = sys.profileInt("SatInfo", "ToneBurst", 0, ini);
  if (toneBurst <= 0 || port > 2) return;
  if (!HasCapability(tuner, CapToneBurst)) {
    PrintLine(sys, "SendDiSEqC (ToneBurst) not supported!");
    return;
  }
  uint32_t value = static_cast<uint32_t>(toneBurst - 1) & 0xFF;
  if (!tuner.SendDiSEqC(DiseqcKindToneBurst, value)) PrintLine(sys, "SendDiSEqC failed !");
}

// The default -1 reads as a huge unsigned value and so switches the step off.
void GotoStoredPosition(const Sys& sys, const TunerApi& tuner, const char* ini) {
  uint32_t position = ReadUnsigned(sys, "SatInfo", "DiSEqC12", -1, ini);
  if (position > 255) return;
  if (!HasCapability(tuner, CapDiseqc)) {
    PrintLine(sys, "SendDiseqCmd not supported !");
    return;
  }
  uint8_t message[4] = {kFirstSend, kPositioner, kGotoStoredPosition,
                        static_cast<uint8_t>(position)};
  SendDiseqcWithRepeats(sys, tuner, ini, message, 4);
}

}  // namespace

uint8_t CommittedSwitchByte(uint32_t port, bool highBand, uint32_t polarisation) {
  bool horizontalOrLeft = polarisation == 0 || polarisation == 2;
  return static_cast<uint8_t>(0xF0 | ((port - 1) & 3) << 2 | (horizontalOrLeft ? 2 : 0) |
                              (highBand ? 1 : 0));
}

void SendDiseqcWithRepeats(const Sys& sys, const TunerApi& tuner, const char* programIni,
                           uint8_t* message, uint32_t length) {
  if (!message || length == 0) return;
  if (!tuner.SendDiseqCmd(message, length)) {
    PrintLine(sys, "SendDiseqCmd failed !");
    return;  // nothing reached the bus, so there is nothing to wait for
  }
  message[0] = kRepeat;
  for (int repeat = 0; repeat < 2; ++repeat) {
    sys.sleepMs(kRepeatPauseMs);
    if (!tuner.SendDiseqCmd(message, length)) {
      PrintLine(sys, "SendDiseqCmd failed !");
      break;
    }
  }
  // Read each time a command went out, never cached: a failed first send reads nothing.
  uint32_t wait = ReadUnsigned(sys, "SatInfo", "Wait", 0, programIni);
  if (wait >= 1 && wait <= 359) SleepSeconds(sys, wait);
}

DishSetup PositionDish(const Sys& sys, const TunerApi& tuner, const char* programIni) {
  DishSetup setup;
  uint32_t startWait = ReadUnsigned(sys, "Options", "StartWait", 0, programIni);
  if (startWait >= 1 && startWait <= 9) SleepSeconds(sys, startWait);
  SelectUncommittedInput(sys, tuner, programIni);
  setup.diseqcPort = sys.profileInt("SatInfo", "DiSEqC", 0, programIni);
  SelectCommittedPort(sys, tuner, setup.diseqcPort);
  SendToneBurst(sys, tuner, programIni, setup.diseqcPort);
  GotoStoredPosition(sys, tuner, programIni);
  setup.satellitePosition = PositionUsals(sys, tuner, programIni);
  return setup;
}
