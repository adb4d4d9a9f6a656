// Run control: start-up, the LNB settings, device selection and the pass loop.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "platform/platform.h"
#include "tuner/tuner.h"

// Version text of the build: four numbers and a build tag.
extern const char kVextralVersion[];

// Exit codes of a run.
constexpr int ExitOk = 0;
constexpr int ExitBadLnb = -1;
constexpr int ExitNoDevice = -2;
constexpr int ExitStartFailed = -3;
constexpr int ExitNoSweep = -4;

// Reads IFStart, IFStop, LNBMid, LNBStk, each with its current value as the default.
void ReadLibraryIni(const Sys& sys, const char* libraryIni, LnbSettings* lnb);

// Reads and validates the [SatInfo] LNB keys and derives the scan window. 1 on success; 0 after
// printing the reason.
int LoadLnbSettings(const Sys& sys, const char* programIni, LnbSettings* lnb, ScanWindow* window);

// How the run reaches its tuner library: the real loader, or a test's fake.
struct TunerBinder {
  int (*bind)(const char* folder, TunerApi* api, char* error, size_t errorSize) = BindTunerLibrary;
};

// The whole run; returns the exit code. `exePath` is the executable's full path, or null.
int RunVextral(int argc, char** argv, const Sys& sys, const char* exePath,
               const TunerBinder& binder = TunerBinder{});
