// Finding the satellite frontends under /dev/dvb and opening one of them.
#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "frontend_io.h"

namespace {

constexpr int kMaxAdapters = 16;
constexpr int kMaxFrontends = 8;

std::string FrontendPath(int adapter, int frontend) {
  return "/dev/dvb/adapter" + std::to_string(adapter) + "/frontend" + std::to_string(frontend);
}

std::string Trimmed(const std::string& text) {
  size_t a = text.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return std::string();
  size_t b = text.find_last_not_of(" \t\r\n");
  return text.substr(a, b - a + 1);
}

// The card's name where sysfs has one: USB devices name their product, one level up for
// the interface.
std::string CardName(const DvbSys& sys, int adapter, int frontend) {
  std::string base = "/sys/class/dvb/dvb" + std::to_string(adapter) + ".frontend" +
                     std::to_string(frontend) + "/device/";
  std::string text;
  for (const char* file : {"product", "../product"}) {
    if (sys.readText(base + file, &text) && !Trimmed(text).empty()) return Trimmed(text);
  }
  return std::string();
}

// Delivery systems of an open frontend; old kernels without DTV_ENUM_DELSYS tell it by type.
void SatelliteSystems(DvbSys& sys, int fd, const dvb_frontend_info& info, bool* s, bool* s2) {
  dtv_property p{};
  p.cmd = DTV_ENUM_DELSYS;
  dtv_properties list{1, &p};
  *s = *s2 = false;
  if (sys.ioctl(fd, FE_GET_PROPERTY, &list) >= 0) {
    uint32_t n = p.u.buffer.len < sizeof p.u.buffer.data ? p.u.buffer.len : sizeof p.u.buffer.data;
    for (uint32_t i = 0; i < n; ++i) {
      if (p.u.buffer.data[i] == SYS_DVBS) *s = true;
      if (p.u.buffer.data[i] == SYS_DVBS2) *s2 = true;
    }
    return;
  }
  if (info.type == FE_QPSK) {
    *s = true;
    *s2 = (info.caps & FE_CAN_2G_MODULATION) != 0;
  }
}

std::string OpenFailure(const std::string& path, int error) {
  switch (error) {
    case -EBUSY:
      return path + " is busy: another program has it open for tuning";
    case -EACCES:
    case -EPERM:
      return path + ": permission denied (the user needs to be in the group that owns /dev/dvb)";
    case -ENOENT:
    case -ENODEV:
      return path + " is gone (card removed or driver unloaded?)";
    default:
      return path + ": " + std::strerror(-error);
  }
}

// Looks at one frontend node; 1 when it is a satellite frontend, 0 when not, -1 when absent.
int Probe(DvbDevice* device, int adapter, int frontend, DvbFrontend* found) {
  DvbSys& sys = device->sys;
  std::string path = FrontendPath(adapter, frontend);
  int fd = sys.open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd == -ENOENT) return -1;
  if (fd < 0) {
    sys.log("cannot look at " + OpenFailure(path, fd));
    return 0;
  }
  dvb_frontend_info info{};
  bool s = false, s2 = false;
  if (sys.ioctl(fd, FE_GET_INFO, &info) >= 0) SatelliteSystems(sys, fd, info, &s, &s2);
  sys.close(fd);
  if (!s && !s2) return 0;
  info.name[sizeof info.name - 1] = '\0';
  found->path = path;
  found->adapter = adapter;
  found->frontend = frontend;
  found->dvbs2 = s2;
  found->name = Trimmed(info.name);
  if (found->name.empty()) found->name = "DVB-S frontend";
  std::string card = CardName(sys, adapter, frontend);
  if (!card.empty()) found->name += " (" + card + ")";
  found->name +=
      " [adapter" + std::to_string(adapter) + "/frontend" + std::to_string(frontend) + "]";
  return 1;
}

}  // namespace

int DvbEnumerate(DvbDevice* device, const std::function<void(int, const std::string&)>& found) {
  device->frontends.clear();
  for (int a = 0; a < kMaxAdapters; ++a) {
    for (int f = 0; f < kMaxFrontends; ++f) {
      DvbFrontend fe;
      int r = Probe(device, a, f, &fe);
      if (r < 0) break;
      if (r == 0) continue;
      device->frontends.push_back(fe);
      if (found) found(static_cast<int>(device->frontends.size()) - 1, fe.name);
    }
  }
  return static_cast<int>(device->frontends.size());
}

int DvbStart(DvbDevice* device, int index) {
  if (device->fd >= 0) DvbStop(device);
  if (device->frontends.empty()) DvbEnumerate(device, nullptr);
  if (index < 0 || index >= static_cast<int>(device->frontends.size())) {
    device->sys.log("no satellite frontend number " + std::to_string(index) + " (found " +
                    std::to_string(device->frontends.size()) + ")");
    return 0;
  }
  const DvbFrontend& fe = device->frontends[index];
  int fd = device->sys.open(fe.path.c_str(), O_RDWR | O_NONBLOCK);
  if (fd < 0) {
    device->sys.log("cannot start " + OpenFailure(fe.path, fd));
    return 0;
  }
  // A fresh start: nothing the last device showed, nor what its dish was told, carries over.
  DvbDevice fresh;
  fresh.sys = device->sys;
  fresh.settings = device->settings;
  fresh.frontends = device->frontends;
  fresh.counters = device->counters;
  *device = fresh;
  device->fd = fd;
  device->started = index;
  // One attempt per tune: without it the kernel zigzags around every frequency we try.
  device->sys.ioctl(fd, FE_SET_FRONTEND_TUNE_MODE,
                    reinterpret_cast<void*>(static_cast<uintptr_t>(FE_TUNE_MODE_ONESHOT)));
  return 1;
}

void DvbStop(DvbDevice* device) {
  if (device->fd < 0) return;
  device->sys.close(device->fd);
  device->fd = -1;
  device->started = -1;
}
