// The frame of a run: start-up, device selection, the pass loop and the exit code.
#include "run/run.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dish/dish.h"
#include "report/report.h"
#include "scan/scan.h"

const char kVextralVersion[] = "1.0.0.0-vx";

namespace {

constexpr size_t kMaxPath = 259;  // texts of 260 bytes with their terminating zero

// Shared with DeviceCallback, which the library calls without a context.
struct DeviceState {
  const Sys* sys = nullptr;
  int32_t device = -1;
  uint32_t count = 0;
};
DeviceState g_devices;

void KESTRUNE_CALL DeviceCallback(int32_t index, const char* name) {
  if (g_devices.device < 0) Print(*g_devices.sys, "Device %i: %s\n", index, name ? name : "");
  ++g_devices.count;
}

struct Paths {
  char exeFolder[kMaxPath + 1];
  char libraryIni[kMaxPath + 1];
  char programIni[kMaxPath + 1];
};

// Joins two texts into a 260-byte path; 0 (after a clear line) when it would not fit.
int JoinPath(const Sys& sys, char (&out)[kMaxPath + 1], const char* head, const char* tail) {
  if (std::strlen(head) + std::strlen(tail) > kMaxPath) {
    Print(sys, "Path too long (more than %u characters): %s%s\n", static_cast<unsigned>(kMaxPath),
          head, tail);
    return 0;
  }
  const size_t headLength = std::strlen(head);
  std::memcpy(out, head, headLength);
  std::memcpy(out + headLength, tail, std::strlen(tail) + 1);
  return 1;
}

int LocateFiles(const Sys& sys, int argc, char** argv, const char* exePath, Paths* paths,
                LnbSettings* lnb) {
  // The folder keeps its trailing separator; without one the current directory is meant.
  const char* cut = exePath ? std::strrchr(exePath, kPathSeparator) : nullptr;
  std::string folder = cut ? std::string(exePath, cut + 1) : std::string(kCurrentFolder);
  if (!JoinPath(sys, paths->exeFolder, folder.c_str(), "") ||
      !JoinPath(sys, paths->libraryIni, paths->exeFolder, "Kestrune.ini") ||
      !JoinPath(sys, paths->programIni, paths->exeFolder, "Vextral.ini"))
    return 0;
  ReadLibraryIni(sys, paths->libraryIni, lnb);
  if (argc > 1 && !JoinPath(sys, paths->programIni, kCurrentFolder, argv[1])) return 0;
  Print(sys, "Config name: %s\n", paths->programIni);
  return 1;
}

// Enumerates, asks when no device is configured, starts and checks the sweep capability.
int SelectDevice(const Sys& sys, const TunerApi& tuner, const char* programIni) {
  g_devices = DeviceState{&sys, sys.profileInt("Options", "Device", -1, programIni), 0};
  if (tuner.CheckForDVBEx(DeviceCallback) == 0 || g_devices.count == 0) {
    Print(sys, "No devices !\n");
    return ExitNoDevice;
  }
  if (g_devices.device < 0) {
    Print(sys, "Device number: ");
    uint32_t typed = 0;
    if (sys.readUnsigned(&typed)) g_devices.device = static_cast<int32_t>(typed);
  }
  if (tuner.StartDVBEx(g_devices.device) == 0) {
    Print(sys, "Can't start device %u !\n", static_cast<uint32_t>(g_devices.device));
    return ExitStartFailed;
  }
  if ((tuner.GetCaps() & CapSweep) == 0) {
    PrintLine(sys, "Vextral not supported !");
    tuner.StopDVB();
    return ExitNoSweep;
  }
  return ExitOk;
}

struct Run {
  const Sys& sys;
  const TunerApi& tuner;
  const Paths& paths;
  LnbSettings lnb;
  ScanWindow window;
  DishSetup dish;
  OutputSettings output;
};

// One pass; returns 0 to go on, 1 when the loop ends, -1 when the run must end at once.
int RunPass(Run& run, std::vector<TransponderRecord>& buffer, uint32_t* passNumber,
            int32_t* abortFlag) {
  const Sys& sys = run.sys;
  if (run.output.loop != 0) Print(sys, "---------- Pass %u ----------\n", *passNumber);
  std::memset(buffer.data(), 0, buffer.size() * sizeof(TransponderRecord));
  PassScan pass;
  pass.results = buffer.data();
  pass.abortFlag = *abortFlag;
  if (WalkScanSections(sys, run.tuner, run.paths.programIni, run.lnb, run.window,
                       run.dish.diseqcPort, &pass) < 0)
    return -1;
  *abortFlag = pass.abortFlag;
  if (pass.resultCount == 0) {
    PrintLine(sys, "Transponders not found !");
  } else {
    ConsolidateResults(sys, buffer.data(), &pass.resultCount);
    PassOutput out;
    out.records = buffer.data();
    out.count = static_cast<uint32_t>(pass.resultCount);
    out.totalScanTime = pass.totalScanTime;
    out.passNumber = *passNumber;
    out.satPos = run.dish.satellitePosition;
    out.diseqc = run.dish.diseqcPort;
    out.lnb = run.lnb;
    WritePassOutput(sys, run.output, out);
  }
  ++*passNumber;
  PrintLine(sys, "\n");
  if (*abortFlag != 0 || run.output.loop == 0) return 1;
  // Ctrl+C that arrived outside a sweep (for instance while the files were written).
  if (sys.abortRequested()) {
    PrintLine(sys, "Terminated on user request ...");
    return 1;
  }
  // A pass that reached no sweep would otherwise repeat at full speed.
  if (pass.sweepCount == 0) sys.sleepMs(1000);
  return 0;
}

}  // namespace

int RunVextral(int argc, char** argv, const Sys& sys, const char* exePath,
               const TunerBinder& binder) {
  Print(sys, "Vextral ver.%s\n", kVextralVersion);
  Paths paths;
  LnbSettings lnb;
  ScanWindow window;
  if (!LocateFiles(sys, argc, argv, exePath, &paths, &lnb)) return ExitBadLnb;
  if (!LoadLnbSettings(sys, paths.programIni, &lnb, &window)) return ExitBadLnb;

  TunerApi tuner;
  char error[1400] = "";
  if (!binder.bind(paths.exeFolder, &tuner, error, sizeof error)) {
    PrintLine(sys, error);
    return ExitNoDevice;
  }
  if (int code = SelectDevice(sys, tuner, paths.programIni); code != ExitOk) return code;

  Run run{sys, tuner, paths, lnb, window, PositionDish(sys, tuner, paths.programIni), {}};
  ReadOutputSettings(sys, paths.programIni, &run.output);

  std::vector<TransponderRecord> buffer(ResultsBufferSlots);
  uint32_t passNumber = 1;
  int32_t abortFlag = 0;
  int state = 0;
  while (state == 0) state = RunPass(run, buffer, &passNumber, &abortFlag);
  tuner.StopDVB();
  return ExitOk;
}
