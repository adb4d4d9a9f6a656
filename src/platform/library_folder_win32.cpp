// Where the tuner DLL this is linked into was loaded from, so its settings (and the simulated
// dish's skies) are found beside it. Built into the tuner libraries only.
#include <windows.h>

#include "platform/platform.h"

std::string LibraryFolder() {
  HMODULE module = nullptr;
  DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&LibraryFolder), &module)) {
    return std::string();
  }
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string p(path, n);
  size_t slash = p.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".\\") : p.substr(0, slash + 1);
}
