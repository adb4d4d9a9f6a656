// Dish commands as a real installation needs them: LNB voltage for the polarisation, the
// 22 kHz tone off while the bus talks, DiSEqC message, tone burst, then the tone for the band.
#include <cstdint>
#include <cstring>

#include "frontend_io.h"

namespace {

// Gaps the DiSEqC bus wants around a message: 15 ms after voltage or tone changes and after
// a message before the next bus event; an LNB powering up needs longer.
constexpr uint32_t kBusGapMs = 15;
constexpr uint32_t kVoltageChangeMs = 20;
constexpr uint32_t kPowerUpMs = 100;

void* Value(uintptr_t v) {
  return reinterpret_cast<void*>(v);
}

int SetVoltage(DvbDevice* d, int voltage) {
  if (d->voltage == voltage) return 1;
  bool poweringUp = d->voltage != SEC_VOLTAGE_13 && d->voltage != SEC_VOLTAGE_18;
  if (d->sys.ioctl(d->fd, FE_SET_VOLTAGE, Value(static_cast<uintptr_t>(voltage))) < 0) {
    d->voltage = -1;
    return 0;
  }
  d->voltage = voltage;
  d->sys.sleepMs(poweringUp ? kPowerUpMs : kVoltageChangeMs);
  return 1;
}

int SetTone(DvbDevice* d, int tone, bool settle) {
  if (d->tone == tone) return 1;
  if (d->sys.ioctl(d->fd, FE_SET_TONE, Value(static_cast<uintptr_t>(tone))) < 0) {
    d->tone = -1;
    return 0;
  }
  d->tone = tone;
  if (settle) d->sys.sleepMs(kBusGapMs);
  return 1;
}

// The bus needs LNB power; a switch listens on 13 V as well as on 18 V.
int PowerForBus(DvbDevice* d) {
  if (d->voltage == SEC_VOLTAGE_13 || d->voltage == SEC_VOLTAGE_18) return 1;
  return SetVoltage(d, SEC_VOLTAGE_13);
}

int SendMessage(DvbDevice* d, const uint8_t* bytes, uint32_t length) {
  dvb_diseqc_master_cmd cmd{};
  std::memcpy(cmd.msg, bytes, length);
  cmd.msg_len = static_cast<uint8_t>(length);
  if (d->sys.ioctl(d->fd, FE_DISEQC_SEND_MASTER_CMD, &cmd) < 0) return 0;
  d->sys.sleepMs(kBusGapMs);
  return 1;
}

int SendBurstNow(DvbDevice* d, int burst) {
  uintptr_t mini = burst == 0 ? SEC_MINI_A : SEC_MINI_B;
  if (d->sys.ioctl(d->fd, FE_DISEQC_SEND_BURST, Value(mini)) < 0) return 0;
  d->sys.sleepMs(kBusGapMs);
  return 1;
}

// Runs `send` with the tone off, then puts the tone back as it was.
template <typename Send>
int WithToneOff(DvbDevice* d, Send send) {
  if (d->fd < 0 || !PowerForBus(d)) return 0;
  int restore = d->tone == SEC_TONE_ON ? SEC_TONE_ON : SEC_TONE_OFF;
  if (!SetTone(d, SEC_TONE_OFF, true)) return 0;
  int sent = send();
  if (!SetTone(d, restore, false)) return 0;
  return sent;
}

}  // namespace

int DvbSendCommitted(DvbDevice* d, uint32_t value) {
  if (d->fd < 0) return 0;
  uint8_t data = static_cast<uint8_t>(value);
  // The switch decides on its own bits, but the LNB behind it only obeys voltage and tone.
  if (!SetVoltage(d, (data & 2) ? SEC_VOLTAGE_18 : SEC_VOLTAGE_13)) return 0;
  if (!SetTone(d, SEC_TONE_OFF, true)) return 0;
  const uint8_t message[4] = {0xE0, 0x10, 0x38, data};
  if (!SendMessage(d, message, 4)) return 0;
  d->committedPort = ((data >> 2) & 3) + 1;
  if (d->burst >= 0 && !SendBurstNow(d, d->burst)) return 0;
  return SetTone(d, (data & 1) ? SEC_TONE_ON : SEC_TONE_OFF, false);
}

int DvbSendBurst(DvbDevice* d, uint32_t value) {
  int burst = value == 0 ? 0 : 1;
  int sent = WithToneOff(d, [&] { return SendBurstNow(d, burst); });
  if (sent) d->burst = burst;
  return sent;
}

int DvbSendRaw(DvbDevice* d, const uint8_t* bytes, uint32_t length) {
  if (bytes == nullptr || length < 3 || length > 6) return 0;
  return WithToneOff(d, [&] { return SendMessage(d, bytes, length); });
}

int PrepareSignalPath(DvbDevice* d, uint32_t polarisation, bool highBand) {
  int voltage = (polarisation == 0 || polarisation == 2) ? SEC_VOLTAGE_18 : SEC_VOLTAGE_13;
  int tone = highBand ? SEC_TONE_ON : SEC_TONE_OFF;
  if (d->voltage == voltage && d->tone == tone) return 1;
  if (d->committedPort > 0) {
    uint32_t data = 0xF0u | static_cast<uint32_t>(d->committedPort - 1) << 2 |
                    (voltage == SEC_VOLTAGE_18 ? 2u : 0u) | (highBand ? 1u : 0u);
    return DvbSendCommitted(d, data);
  }
  if (!SetVoltage(d, voltage)) return 0;
  if (!SetTone(d, tone, true)) return 0;
  return 1;
}
