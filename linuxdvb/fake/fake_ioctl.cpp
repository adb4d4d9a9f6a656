// The frontend ioctls: identity, dish commands, status, events and the legacy readings.
#include <linux/dvb/frontend.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "fake_internal.h"

namespace {

constexpr uint16_t kConstantStrength = 40000;  // what a driver without a real reading answers

int GetInfo(const FakeFrontend& fe, void* arg) {
  if (arg == nullptr) return -EFAULT;
  dvb_frontend_info info;
  std::memset(&info, 0, sizeof info);
  std::snprintf(info.name, sizeof info.name, "%s", fe.name.c_str());
  bool s2 = false, cable = false;
  for (uint32_t d : fe.delsys) {
    s2 = s2 || d == SYS_DVBS2;
    cable = cable || d == SYS_DVBC_ANNEX_A;
  }
  if (FakeIsSatellite(fe)) {
    info.type = FE_QPSK;
    info.frequency_min = 950000;
    info.frequency_max = 2150000;
    info.symbol_rate_min = fe.chip->srMin;
    info.symbol_rate_max = fe.chip->srMax;
  } else {
    info.type = cable ? FE_QAM : FE_OFDM;
  }
  uint32_t caps = FE_CAN_INVERSION_AUTO | FE_CAN_FEC_AUTO | FE_CAN_QPSK;
  if (s2) caps |= FE_CAN_2G_MODULATION;
  info.caps = static_cast<fe_caps>(caps);
  std::memcpy(arg, &info, sizeof info);
  return 0;
}

std::string HexBytes(const uint8_t* bytes, unsigned length) {
  std::string text;
  char b[4];
  for (unsigned i = 0; i < length; ++i) {
    std::snprintf(b, sizeof b, " %02x", bytes[i]);
    text += b;
  }
  return text;
}

// The switch and motor hang on the LNB supply: with the voltage off nothing hears the bus.
int SendMaster(FakeDvb* fake, const FakeFrontend& fe, void* arg) {
  if (!FakeIsSatellite(fe)) return -EOPNOTSUPP;
  if (arg == nullptr) return -EFAULT;
  const auto* cmd = static_cast<const dvb_diseqc_master_cmd*>(arg);
  if (cmd->msg_len < 3 || cmd->msg_len > 6) return -EINVAL;
  FakeLog(fake, "diseqc" + HexBytes(cmd->msg, cmd->msg_len));
  // 9 bits of 1.5 ms per byte, and the driver's own few ms around the message.
  FakeAdvanceUs(fake, 13500u * cmd->msg_len + 3000);
  if (fake->voltage == SEC_VOLTAGE_OFF) return 0;
  ApplyDiseqcMessage(fake->sim.sky, &fake->sim.dish, cmd->msg, cmd->msg_len, fake->nowUs / 1e6);
  FakeDishChanged(fake);
  return 0;
}

int SendBurst(FakeDvb* fake, const FakeFrontend& fe, uintptr_t value) {
  if (!FakeIsSatellite(fe)) return -EOPNOTSUPP;
  if (value != SEC_MINI_A && value != SEC_MINI_B) return -EINVAL;
  FakeLog(fake, value == SEC_MINI_A ? "burst a" : "burst b");
  FakeAdvanceUs(fake, 12500);
  if (fake->voltage == SEC_VOLTAGE_OFF) return 0;
  ApplyToneBurst(&fake->sim.dish, value == SEC_MINI_A ? 0 : 1);
  FakeDishChanged(fake);
  return 0;
}

int TuneMode(FakeDvb* fake, uintptr_t value) {
  FakeLog(fake, value == FE_TUNE_MODE_ONESHOT ? "tune-mode oneshot"
                                              : "tune-mode " + std::to_string(value));
  return 0;
}

int ReadStatus(FakeDvb* fake, const FakeFrontend& fe, void* arg) {
  if (arg == nullptr) return -EFAULT;
  ++fake->counters.statusReads;
  FakeAdvanceUs(fake, fe.chip->statusUs);
  *static_cast<fe_status_t*>(arg) = static_cast<fe_status_t>(FakeStatusNow(*fake, fe));
  return 0;
}

int GetEvent(FakeDvb* fake, FakeFrontend* fe, void* arg) {
  if (arg == nullptr) return -EFAULT;
  FakeTune& t = fe->tune;
  if (t.nextEvent >= t.steps.size() || t.steps[t.nextEvent].atUs > fake->nowUs) {
    return -EWOULDBLOCK;
  }
  const FakeStep& step = t.steps[t.nextEvent++];
  ++fake->counters.events;
  dvb_frontend_event event;
  std::memset(&event, 0, sizeof event);
  event.status = static_cast<fe_status_t>(step.status);
  bool read = t.carrier && (step.status & FE_HAS_LOCK) != 0;
  event.parameters.frequency = read ? static_cast<uint32_t>(t.readFrequencyKHz) : t.frequencyKHz;
  event.parameters.u.qpsk.symbol_rate =
      read ? static_cast<uint32_t>(t.readSymbolRate) : t.symbolRate;
  event.parameters.u.qpsk.fec_inner = static_cast<fe_code_rate>(t.fec);
  std::memcpy(arg, &event, sizeof event);
  return 0;
}

int LegacyRead(FakeDvb* fake, const FakeFrontend& fe, void* arg, bool strength) {
  int kind = strength ? fe.chip->legacyStrength : fe.chip->legacySnr;
  if (kind == kFakeLegacyNone) return -EOPNOTSUPP;
  if (arg == nullptr) return -EFAULT;
  FakeAdvanceUs(fake, fe.chip->getPropertyUs);
  uint16_t value = 0;
  double dbm = 0;
  if (kind == kFakeLegacyConstant) {
    value = strength ? kConstantStrength : 0;
  } else if (strength) {
    value = FakeStrengthDbm(*fake, fe, &dbm) ? FakeRelativeStrength(dbm) : 0;
  } else if (FakeLockedNow(*fake, fe)) {
    value = FakeRelativeCnr(FakeCnrDb(fake, fe));
  }
  *static_cast<uint16_t*>(arg) = value;
  return 0;
}

FakeFd* FindFd(FakeDvb* fake, int fd) {
  for (FakeFd& f : fake->fds) {
    if (f.fd == fd) return &f;
  }
  return nullptr;
}

}  // namespace

int FakeSetVoltage(FakeDvb* fake, const FakeFrontend& fe, uintptr_t value) {
  if (!FakeIsSatellite(fe)) return -EOPNOTSUPP;
  static const char* const kNames[] = {"voltage 13", "voltage 18", "voltage off"};
  if (value > SEC_VOLTAGE_OFF) return -EINVAL;
  FakeLog(fake, kNames[value]);
  FakeAdvanceUs(fake, 200);
  fake->voltage = static_cast<int>(value);
  FakeDishChanged(fake);
  return 0;
}

int FakeSetTone(FakeDvb* fake, const FakeFrontend& fe, uintptr_t value) {
  if (!FakeIsSatellite(fe)) return -EOPNOTSUPP;
  if (value != SEC_TONE_ON && value != SEC_TONE_OFF) return -EINVAL;
  FakeLog(fake, value == SEC_TONE_ON ? "tone on" : "tone off");
  FakeAdvanceUs(fake, 100);
  fake->tone = static_cast<int>(value);
  FakeDishChanged(fake);
  return 0;
}

uint32_t FakeStatusNow(const FakeDvb& fake, const FakeFrontend& fe) {
  uint32_t status = 0;
  for (const FakeStep& s : fe.tune.steps) {
    if (s.atUs > fake.nowUs) break;
    status = s.status;
  }
  return status;
}

int FakeIoctl(FakeDvb* fake, int fd, unsigned long request, void* arg) {
  FakeFd* f = FindFd(fake, fd);
  if (f == nullptr) return -EBADF;
  FakeFrontend& fe = fake->frontends[f->frontend];
  // As the kernel: a read-only open may only read, and may not take events.
  if (!f->readWrite && (_IOC_DIR(request) != _IOC_READ || request == FE_GET_EVENT ||
                        request == FE_DISEQC_RECV_SLAVE_REPLY)) {
    return -EPERM;
  }
  uintptr_t value = reinterpret_cast<uintptr_t>(arg);
  switch (request) {
    case FE_GET_INFO:
      return GetInfo(fe, arg);
    case FE_SET_VOLTAGE:
      return FakeSetVoltage(fake, fe, value);
    case FE_SET_TONE:
      return FakeSetTone(fake, fe, value);
    case FE_DISEQC_SEND_MASTER_CMD:
      return SendMaster(fake, fe, arg);
    case FE_DISEQC_SEND_BURST:
      return SendBurst(fake, fe, value);
    case FE_SET_FRONTEND_TUNE_MODE:
      return TuneMode(fake, value);
    case FE_READ_STATUS:
      return ReadStatus(fake, fe, arg);
    case FE_GET_EVENT:
      return GetEvent(fake, &fe, arg);
    case FE_READ_SIGNAL_STRENGTH:
      return LegacyRead(fake, fe, arg, true);
    case FE_READ_SNR:
      return LegacyRead(fake, fe, arg, false);
    case FE_SET_PROPERTY:
      return FakeSetProperties(fake, &fe, static_cast<dtv_properties*>(arg));
    case FE_GET_PROPERTY:
      return FakeGetProperties(fake, &fe, static_cast<dtv_properties*>(arg));
    default:
      return -EOPNOTSUPP;
  }
}
