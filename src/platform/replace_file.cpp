// Output files are written whole beside their final name and then put in its place, so a crash,
// Ctrl+C or a full disk never leaves a half-written list where a complete one stood.
#include <cstdio>
#include <string>

#include "platform/platform.h"

FileOps RealFileOps() {
  FileOps ops;
  ops.create = [](const char* path) -> void* { return std::fopen(path, "w"); };
  ops.write = [](void* file, const char* data, size_t size) {
    return std::fwrite(data, 1, size, static_cast<std::FILE*>(file));
  };
  ops.close = [](void* file) {
    auto* f = static_cast<std::FILE*>(file);
    int failed = std::ferror(f) || std::fflush(f) != 0;
    return (std::fclose(f) != 0 || failed) ? -1 : 0;
  };
  ops.rename = [](const char* from, const char* to) {
#if defined(_WIN32)
    std::remove(to);  // rename does not replace an existing file there
#endif
    return std::rename(from, to);
  };
  ops.remove = [](const char* path) { std::remove(path); };
  return ops;
}

int ReplaceFileWith(const FileOps& ops, const char* path, const char* data, size_t size) {
  std::string temp = std::string(path) + ".tmp";
  void* file = ops.create(temp.c_str());
  if (!file) return -2;
  bool written = ops.write(file, data, size) == size;
  bool closed = ops.close(file) == 0;
  if (!written || !closed || ops.rename(temp.c_str(), path) != 0) {
    ops.remove(temp.c_str());
    return -2;
  }
  return 0;
}
