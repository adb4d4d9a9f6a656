// Vextral: blind-scans satellite bands and lists every transponder found.
#include "platform/platform.h"
#include "run/run.h"

int main(int argc, char** argv) {
  Sys sys = RealSys();
  InstallAbortHandler();
  char exePath[1024];
  const char* path = ExecutablePath(exePath, sizeof exePath) ? exePath : nullptr;
  return RunVextral(argc, argv, sys, path);
}
