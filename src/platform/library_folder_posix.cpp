// Where the tuner library this is linked into was loaded from, so its settings (and the
// simulated dish's skies) are found beside it. Built into the tuner libraries only.
#include <dlfcn.h>

#include "platform/platform.h"

std::string LibraryFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || info.dli_fname == nullptr) {
    return std::string();
  }
  std::string path = info.dli_fname;
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}
