// The tuner library's C operations over the one simulated card. The ABI has no handle, so the
// card's state lives here; every operation catches everything so nothing crosses the boundary.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "settings.h"
#include "sweep.h"
#include "tuner/tuner.h"

namespace {

struct Library {
  bool configured = false;
  bool started = false;
  SimSettings settings;
  SimDevice device;
};

Library& TheLibrary() {
  static Library library;
  return library;
}

double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool IsAbsolute(const std::string& path) {
  return !path.empty() &&
         (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

void Configure(Library* lib) {
  if (lib->configured) return;
  lib->configured = true;
  lib->settings = LoadSettings(LibraryFolder() + "Kestrune.ini");
}

// The configured sky, else the shipped demo sky, else an empty sky: noise only.
void LoadSky(Library* lib) {
  const std::string folder = LibraryFolder();
  std::string path = lib->settings.sky;
  if (!IsAbsolute(path)) path = folder + path;
  Sky sky;
  if (!LoadSkyFile(path, &sky)) {
    std::string fallback = folder + SimSettings{}.sky;
    std::fprintf(stderr, "Simulator: cannot read sky file %s; using %s\n", path.c_str(),
                 fallback.c_str());
    sky = Sky{};
    if (!LoadSkyFile(fallback, &sky)) {
      std::fprintf(stderr, "Simulator: cannot read %s either; the dish sees no satellite\n",
                   fallback.c_str());
    }
  }
  SimDevice& d = lib->device;
  d.sky = sky;
  d.dish = InitialDishState(d.sky);
  d.seed = lib->settings.seed;
  d.sweeps = 0;
  d.hardwarePace = lib->settings.hardwarePace;
  d.lnbMid = lib->settings.lnbMid;
  d.lnbStk = lib->settings.lnbStk;
}

}  // namespace

extern "C" {

int32_t KESTRUNE_CALL CheckForDVBEx(DeviceCallbackFn callback) {
  try {
    Library& lib = TheLibrary();
    Configure(&lib);
    for (int32_t i = 0; i < lib.settings.devices && callback != nullptr; ++i) {
      std::string name = lib.settings.deviceName;
      if (lib.settings.devices > 1) name += " #" + std::to_string(i + 1);
      callback(i, name.c_str());
    }
    return lib.settings.devices > 0 ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int32_t KESTRUNE_CALL StartDVBEx(int32_t device) {
  try {
    Library& lib = TheLibrary();
    Configure(&lib);
    if (device < 0 || device >= lib.settings.devices) return 0;
    LoadSky(&lib);
    lib.started = true;
    return 1;
  } catch (...) {
    return 0;
  }
}

uint32_t KESTRUNE_CALL GetCaps(void) {
  Library& lib = TheLibrary();
  return lib.started ? lib.settings.caps : 0;
}

int32_t KESTRUNE_CALL SendDiSEqC(uint32_t kind, uint32_t value) {
  Library& lib = TheLibrary();
  if (!lib.started) return 0;
  if (kind == DiseqcKindCommitted)
    ApplyCommittedByte(&lib.device.dish, value);
  else if (kind == DiseqcKindToneBurst)
    ApplyToneBurst(&lib.device.dish, value);
  else
    return 0;
  return 1;
}

int32_t KESTRUNE_CALL SendDiseqCmd(const uint8_t* message, uint32_t length) {
  try {
    Library& lib = TheLibrary();
    if (!lib.started) return 0;
    return ApplyDiseqcMessage(lib.device.sky, &lib.device.dish, message, length, NowSeconds());
  } catch (...) {
    return 0;
  }
}

int32_t KESTRUNE_CALL Vextral(uint32_t startKHz, uint32_t stopKHz, uint32_t polarisation,
                              uint32_t lof1KHz, uint32_t lof2KHz, uint32_t lofswKHz,
                              TransponderRecord* records, uint32_t* count,
                              ProgressCallbackFn progress) {
  try {
    Library& lib = TheLibrary();
    if (!lib.started) return 0;
    SweepRequest request{startKHz, stopKHz, polarisation, lof1KHz, lof2KHz, lofswKHz};
    return RunSweep(&lib.device, request, NowSeconds(), records, count, progress);
  } catch (...) {
    return 0;
  }
}

int32_t KESTRUNE_CALL StopDVB(void) {
  TheLibrary().started = false;
  return 1;
}

}  // extern "C"
