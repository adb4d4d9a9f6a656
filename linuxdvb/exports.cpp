// The tuner library's C operations over one Linux DVB frontend. The ABI has no handle, so the
// device lives here; nothing may throw across the boundary.
#include <string>

#include "linuxdvb.h"
#include "platform/platform.h"

namespace {

DvbDevice& TheDevice() {
  static DvbDevice device = [] {
    DvbDevice d;
    d.sys = PosixDvbSys();
    return d;
  }();
  return device;
}

// One key of Kestrune.ini beside the library; a value outside its range is named and ignored.
int32_t Setting(DvbDevice& d, const std::string& ini, const char* section, const char* key,
                int32_t def, int32_t low, int32_t high) {
  int32_t v = IniReadInt(section, key, def, ini.c_str());
  if (v >= low && v <= high) return v;
  d.sys.log(ini + " [" + section + "] " + key + "=" + std::to_string(v) + " is outside " +
            std::to_string(low) + " to " + std::to_string(high) + "; using " + std::to_string(def));
  return def;
}

void Configure(DvbDevice& d) {
  static bool done = false;
  if (done) return;
  done = true;
  std::string ini = LibraryFolder() + "Kestrune.ini";
  DvbScanSettings& s = d.settings;
  s.lnbMid = Setting(d, ini, "Kestrune", "LNBMid", 6000, 0, 100000);
  s.lnbStk = Setting(d, ini, "Kestrune", "LNBStk", 21000, 0, 100000);
  s.surveyStepMHz = Setting(d, ini, "LinuxDVB", "SurveyStep", 2000, 250, 10000) / 1000.0;
  s.surveySettleMs = Setting(d, ini, "LinuxDVB", "SurveySettle", 10, 0, 1000);
  s.minSymbolRate = Setting(d, ini, "LinuxDVB", "MinSymbolRate", 1000, 100, 45000) * 1000u;
}

}  // namespace

// Only the seven operations leave the library; the rest stays inside it.
#define DVB_EXPORT __attribute__((visibility("default")))

extern "C" {

DVB_EXPORT int32_t KESTRUNE_CALL CheckForDVBEx(DeviceCallbackFn callback) {
  try {
    DvbDevice& d = TheDevice();
    Configure(d);
    int n = DvbEnumerate(&d, [&](int index, const std::string& name) {
      if (callback != nullptr) callback(index, name.c_str());
    });
    if (n == 0) d.sys.log("no DVB-S/S2 frontend under /dev/dvb");
    return n > 0 ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

DVB_EXPORT int32_t KESTRUNE_CALL StartDVBEx(int32_t device) {
  try {
    DvbDevice& d = TheDevice();
    Configure(d);
    return DvbStart(&d, device);
  } catch (...) {
    return 0;
  }
}

DVB_EXPORT uint32_t KESTRUNE_CALL GetCaps(void) {
  return TheDevice().fd >= 0 ? kDvbCaps : 0;
}

DVB_EXPORT int32_t KESTRUNE_CALL SendDiSEqC(uint32_t kind, uint32_t value) {
  try {
    DvbDevice& d = TheDevice();
    if (kind == DiseqcKindCommitted) return DvbSendCommitted(&d, value);
    if (kind == DiseqcKindToneBurst) return DvbSendBurst(&d, value);
    return 0;
  } catch (...) {
    return 0;
  }
}

DVB_EXPORT int32_t KESTRUNE_CALL SendDiseqCmd(const uint8_t* message, uint32_t length) {
  try {
    return DvbSendRaw(&TheDevice(), message, length);
  } catch (...) {
    return 0;
  }
}

DVB_EXPORT int32_t KESTRUNE_CALL Vextral(uint32_t startKHz, uint32_t stopKHz, uint32_t polarisation,
                                         uint32_t lof1KHz, uint32_t lof2KHz, uint32_t lofswKHz,
                                         TransponderRecord* records, uint32_t* count,
                                         ProgressCallbackFn progress) {
  try {
    DvbSweepRequest request{startKHz, stopKHz, polarisation, lof1KHz, lof2KHz, lofswKHz};
    return DvbSweep(&TheDevice(), request, records, count, [&](const TransponderRecord& r) {
      if (progress != nullptr) progress(&r);
    });
  } catch (...) {
    return 0;
  }
}

DVB_EXPORT int32_t KESTRUNE_CALL StopDVB(void) {
  DvbStop(&TheDevice());
  return 1;
}

}  // extern "C"
