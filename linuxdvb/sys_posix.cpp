// The real system calls behind the back-end's seam.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "linuxdvb.h"

namespace {

int Result(int r) {
  return r < 0 ? -errno : r;
}

}  // namespace

DvbSys PosixDvbSys() {
  DvbSys sys;
  sys.open = [](const char* path, int flags) {
    int r;
    do r = ::open(path, flags | O_CLOEXEC);
    while (r < 0 && errno == EINTR);
    return Result(r);
  };
  sys.ioctl = [](int fd, unsigned long request, void* arg) {
    int r;
    do r = ::ioctl(fd, request, arg);
    while (r < 0 && errno == EINTR);
    return Result(r);
  };
  sys.poll = [](int fd, int timeoutMs) {
    pollfd p{fd, POLLPRI | POLLIN, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) return errno == EINTR ? 0 : -errno;
    return r > 0 ? 1 : 0;
  };
  sys.close = [](int fd) { return Result(::close(fd)); };
  sys.nowUs = []() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000000u + static_cast<uint64_t>(t.tv_nsec) / 1000u;
  };
  sys.sleepMs = [](uint32_t ms) {
    timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
  };
  sys.readText = [](const std::string& path, std::string* text) {
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return true;
  };
  sys.log = [](const std::string& line) { std::fprintf(stderr, "Linux DVB: %s\n", line.c_str()); };
  return sys;
}
