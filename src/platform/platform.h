// The outside world as the program sees it: console, clock, sleep, abort keys, profile reading,
// output files and the tuner library file. Everything else reaches the system only through
// a Sys record, so a test can replace any piece of it.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

struct Sys {
  // Console: raw bytes out; one unsigned decimal in ("%u"), 1 when a number was read.
  std::function<void(const char* data, size_t size)> write;
  std::function<int(uint32_t* value)> readUnsigned;

  // Millisecond tick clock, blocking sleep, local time of day.
  std::function<uint32_t()> tickMs;
  std::function<void(uint32_t ms)> sleepMs;
  std::function<void(std::tm* now)> localTime;

  // Nonzero when the operator asks to stop: Left Control + A held, or Ctrl+C pending.
  std::function<int()> abortRequested;

  // GetPrivateProfileIntA / GetPrivateProfileStringA.
  std::function<int32_t(const char* section, const char* key, int32_t def, const char* file)>
      profileInt;
  std::function<uint32_t(const char* section, const char* key, const char* def, char* buffer,
                         uint32_t size, const char* file)>
      profileString;

  // Writes a whole file beside its final name and then replaces the final file, so a failure
  // leaves the previous file as it was. 0 on success, -2 on any failure.
  std::function<int(const char* path, const char* data, size_t size)> replaceFile;
};

// The real platform: console, clocks, keys, profile functions and files of this system.
Sys RealSys();

// Console helpers over Sys::write.
void Print(const Sys& sys, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// Prints the text followed by one line break.
void PrintLine(const Sys& sys, const char* line);

// Appends printf-style text to `out`, however long it comes out.
void AppendFormatV(std::string* out, const char* format, va_list args);

// This process's console: standard output, and one "%u" from standard input (1 when read).
void ConsoleWrite(const char* data, size_t size);
int ConsoleReadUnsigned(uint32_t* value);

// Path separator, the folder meaning "current directory", and the tuner library's file name.
extern const char kPathSeparator;
extern const char kCurrentFolder[];  // "./" or ".\\"
extern const char kTunerLibraryFile[];
// The degree sign as this platform's console shows it.
extern const char kDegreeSign[];

// Full path of the running executable; 0 when it cannot be had.
int ExecutablePath(char* buffer, size_t size);

// For the tuner libraries built here (library_folder_*.cpp, not part of the program): the
// folder of the library itself, with a trailing separator; empty when unknown.
std::string LibraryFolder();

// Installs the Ctrl+C handling: the first one sets the abort request, a second ends the program.
void InstallAbortHandler();

// Run-time loading of a shared library. OpenSharedLibrary returns null and writes the system's
// reason into `reason` when the file cannot be loaded.
void* OpenSharedLibrary(const char* path, char* reason, size_t reasonSize);
void* SharedLibrarySymbol(void* library, const char* name);

// Our own profile reader, with the observable behaviour of the Windows profile functions.
// The Linux platform uses it for Sys::profileInt/profileString.
int32_t IniReadInt(const char* section, const char* key, int32_t def, const char* file);
uint32_t IniReadString(const char* section, const char* key, const char* def, char* buffer,
                       uint32_t size, const char* file);

// The file replacement of Sys::replaceFile over primitive file operations, so a test can make
// any step fail (a full disk, a failed rename).
struct FileOps {
  std::function<void*(const char* path)> create;  // null on failure
  std::function<size_t(void* file, const char* data, size_t size)> write;
  std::function<int(void* file)> close;                         // 0 on success (flushes)
  std::function<int(const char* from, const char* to)> rename;  // 0 on success
  std::function<void(const char* path)> remove;
};
FileOps RealFileOps();
int ReplaceFileWith(const FileOps& ops, const char* path, const char* data, size_t size);
