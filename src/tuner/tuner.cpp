// Binds the tuner library at run time, so any library with these exports can stand beside the
// program: the maker's, our simulated dish, a test double.
#include "tuner/tuner.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

template <typename Fn>
int BindSymbol(void* library, const char* name, Fn* slot, const char* path, char* error,
               size_t errorSize) {
  *slot = reinterpret_cast<Fn>(SharedLibrarySymbol(library, name));
  if (*slot) return 1;
  std::snprintf(error, errorSize, "Tuner library %s has no export %s !", path, name);
  return 0;
}

}  // namespace

int BindTunerLibrary(const char* folder, TunerApi* api, char* error, size_t errorSize) {
  char path[1024];
  std::snprintf(path, sizeof path, "%s%s", folder, kTunerLibraryFile);
  char reason[512] = "";
  void* library = OpenSharedLibrary(path, reason, sizeof reason);
  if (!library) {
    std::snprintf(error, errorSize, "Can't load tuner library %s: %s", path, reason);
    return 0;
  }
  TunerApi bound;
  if (!BindSymbol(library, "CheckForDVBEx", &bound.CheckForDVBEx, path, error, errorSize) ||
      !BindSymbol(library, "StartDVBEx", &bound.StartDVBEx, path, error, errorSize) ||
      !BindSymbol(library, "GetCaps", &bound.GetCaps, path, error, errorSize) ||
      !BindSymbol(library, "SendDiSEqC", &bound.SendDiSEqC, path, error, errorSize) ||
      !BindSymbol(library, "SendDiseqCmd", &bound.SendDiseqCmd, path, error, errorSize) ||
      !BindSymbol(library, "Vextral", &bound.Vextral, path, error, errorSize) ||
      !BindSymbol(library, "StopDVB", &bound.StopDVB, path, error, errorSize))
    return 0;
  *api = bound;
  return 1;
}
