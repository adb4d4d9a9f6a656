// The Windows platform: the real profile functions, GetModuleFileNameA, Sleep, GetTickCount,
// GetKeyState and Ctrl+C as the abort keys, LoadLibraryA.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

const char kPathSeparator = '\\';
const char kCurrentFolder[] = ".\\";
const char kTunerLibraryFile[] = "Kestrune.dll";
const char kDegreeSign[] = "\xB0";  // Windows-1252

namespace {

// Written by the console control thread, read by the program's own thread.
volatile LONG g_abortRequests = 0;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The first request waits for the end of the sweep; a second one ends the program at once,
  // with the exit code of the Linux build.
  if (InterlockedExchange(&g_abortRequests, 1) != 0) ExitProcess(130);
  return TRUE;
}

// Left Control, then A, both with the high bit (held); A is only asked while Control is held.
int AbortKeysHeld() {
  if ((GetKeyState(VK_LCONTROL) & 0x8000) == 0) return 0;
  return (GetKeyState('A') & 0x8000) != 0;
}

// The system's text for an error code: "The specified module could not be found (error 126)".
void DescribeError(DWORD code, const char* path, char* out, size_t outSize) {
  char text[512] = "";
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, text, sizeof text, nullptr);
  std::string why(text, n);
  while (!why.empty() &&
         (why.back() == '\r' || why.back() == '\n' || why.back() == ' ' || why.back() == '.')) {
    why.pop_back();
  }
  // Some texts name the file as the insert %1 ("%1 is not a valid Win32 application").
  for (size_t at = why.find("%1"); at != std::string::npos; at = why.find("%1", at)) {
    why.replace(at, 2, path);
    at += std::strlen(path);
  }
  if (why.empty()) {
    std::snprintf(out, outSize, "error %lu", static_cast<unsigned long>(code));
  } else {
    std::snprintf(out, outSize, "%s (error %lu)", why.c_str(), static_cast<unsigned long>(code));
  }
}

}  // namespace

void InstallAbortHandler() {
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

int ExecutablePath(char* buffer, size_t size) {
  if (size == 0) return 0;
  DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  // A full buffer means the path was cut (and, on older systems, left unterminated).
  if (n == 0 || n >= size) return 0;
  buffer[n] = '\0';
  return 1;
}

void* OpenSharedLibrary(const char* path, char* reason, size_t reasonSize) {
  // A missing or broken DLL must give our one-line message, never a dialog box that nobody
  // at a scanning site will click away.
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  SetErrorMode(previous | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE library = LoadLibraryA(path);
  DWORD code = library ? 0 : GetLastError();
  SetErrorMode(previous);
  if (!library && reason && reasonSize) DescribeError(code, path, reason, reasonSize);
  return reinterpret_cast<void*>(library);
}

void* SharedLibrarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

Sys RealSys() {
  Sys sys;
  sys.write = ConsoleWrite;
  sys.readUnsigned = ConsoleReadUnsigned;
  sys.tickMs = [] { return static_cast<uint32_t>(GetTickCount()); };
  sys.sleepMs = [](uint32_t ms) { Sleep(ms); };
  sys.localTime = [](std::tm* now) {
    std::time_t t = std::time(nullptr);
    if (localtime_s(now, &t) != 0) *now = std::tm{};
  };
  sys.abortRequested = [] { return (g_abortRequests != 0 || AbortKeysHeld()) ? 1 : 0; };
  sys.profileInt = [](const char* section, const char* key, int32_t def, const char* file) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, def, file));
  };
  sys.profileString = [](const char* section, const char* key, const char* def, char* buffer,
                         uint32_t size, const char* file) {
    return static_cast<uint32_t>(GetPrivateProfileStringA(section, key, def, buffer, size, file));
  };
  FileOps ops = RealFileOps();
  sys.replaceFile = [ops](const char* path, const char* data, size_t size) {
    return ReplaceFileWith(ops, path, data, size);
  };
  return sys;
}
