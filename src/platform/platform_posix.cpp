// The Linux platform: our own profile reader, /proc/self/exe, a steady clock, SIGINT as the
// abort keys, dlopen.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/platform.h"

const char kPathSeparator = '/';
const char kCurrentFolder[] = "./";
const char kTunerLibraryFile[] = "libkestrune.so";
const char kDegreeSign[] = "\xC2\xB0";

namespace {

volatile sig_atomic_t g_abortRequests = 0;

void OnInterrupt(int) {
  if (g_abortRequests > 0) _exit(130);  // a second Ctrl+C ends the program at once
  g_abortRequests = 1;
}

}  // namespace

void InstallAbortHandler() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART;  // the device prompt keeps waiting; a second Ctrl+C ends it
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

int ExecutablePath(char* buffer, size_t size) {
  if (size == 0) return 0;
  ssize_t n = readlink("/proc/self/exe", buffer, size - 1);
  if (n <= 0 || static_cast<size_t>(n) >= size - 1) return 0;
  buffer[n] = '\0';
  return 1;
}

void* OpenSharedLibrary(const char* path, char* reason, size_t reasonSize) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!library && reason && reasonSize) {
    const char* why = dlerror();
    if (!why) why = "unknown error";
    // dlerror repeats the path the caller already names.
    size_t pathLength = std::strlen(path);
    if (std::strncmp(why, path, pathLength) == 0 && std::strncmp(why + pathLength, ": ", 2) == 0)
      why += pathLength + 2;
    std::snprintf(reason, reasonSize, "%s", why);
  }
  return library;
}

void* SharedLibrarySymbol(void* library, const char* name) {
  return dlsym(library, name);
}

Sys RealSys() {
  Sys sys;
  sys.write = ConsoleWrite;
  sys.readUnsigned = ConsoleReadUnsigned;
  sys.tickMs = [] {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
  sys.sleepMs = [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  sys.localTime = [](std::tm* now) {
    tzset();
    std::time_t t = std::time(nullptr);
    localtime_r(&t, now);
  };
  sys.abortRequested = [] { return g_abortRequests > 0 ? 1 : 0; };
  sys.profileInt = IniReadInt;
  sys.profileString = IniReadString;
  FileOps ops = RealFileOps();
  sys.replaceFile = [ops](const char* path, const char* data, size_t size) {
    return ReplaceFileWith(ops, path, data, size);
  };
  return sys;
}
