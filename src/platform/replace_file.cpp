// Output files are written whole beside their final name and then put in its place, so a crash,
// Ctrl+C or a full disk never leaves a half-written list where a complete one stood.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>

namespace {
// The C library's rename will not replace an existing file here; moving the old one away
// first would lose it if the second step failed.
int RenameOver(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}
}  // namespace
#else
namespace {
int RenameOver(const char* from, const char* to) {
  return std::rename(from, to);
}
}  // namespace
#endif

FileOps RealFileOps() {
  FileOps ops;
  ops.create = [](const char* path) -> void* {
    // The temp name is ours: whatever else stands there goes first. A pipe would block the
    // open for ever, and a link would have the file written through it over another file.
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
      std::filesystem::remove(path, error);
    return std::fopen(path, "w");
  };
  ops.write = [](void* file, const char* data, size_t size) {
    return std::fwrite(data, 1, size, static_cast<std::FILE*>(file));
  };
  ops.close = [](void* file) {
    auto* f = static_cast<std::FILE*>(file);
    // A full disk often shows only when the buffer is flushed.
    bool failed = std::ferror(f) || std::fflush(f) != 0;
    return (std::fclose(f) != 0 || failed) ? -1 : 0;
  };
  ops.rename = RenameOver;
  ops.remove = [](const char* path) { std::remove(path); };
  return ops;
}

int ReplaceFileWith(const FileOps& ops, const char* path, const char* data, size_t size) {
  if (!path || !*path || (!data && size > 0)) return -2;
  std::string temp = std::string(path) + ".tmp";
  void* file = ops.create(temp.c_str());
  if (!file) return -2;
  bool written = size == 0 || ops.write(file, data, size) == size;
  bool closed = ops.close(file) == 0;  // closed even after a short write, so nothing leaks
  if (!written || !closed || ops.rename(temp.c_str(), path) != 0) {
    ops.remove(temp.c_str());
    return -2;
  }
  return 0;
}
