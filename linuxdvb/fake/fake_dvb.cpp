// The fake's frame: building it, the clock, opening and closing, poll and sysfs.
#include "fake_dvb.h"

#include <fcntl.h>
#include <linux/dvb/frontend.h>

#include <cerrno>

#include "fake_internal.h"

namespace {

FakeFd* FindFd(FakeDvb* fake, int fd) {
  for (FakeFd& f : fake->fds) {
    if (f.fd == fd) return &f;
  }
  return nullptr;
}

bool HasWriter(const FakeDvb& fake, int frontend) {
  for (const FakeFd& f : fake.fds) {
    if (f.frontend == frontend && f.readWrite) return true;
  }
  return false;
}

int Setup(const std::string& personality, uint64_t seed, FakeDvb* fake) {
  const FakePersonality* chip = FindFakePersonality(personality);
  if (chip == nullptr) return 0;
  fake->sim.dish = InitialDishState(fake->sim.sky);
  fake->sim.seed = seed;
  fake->seed = seed;
  fake->rng = MakeRng(seed, 0x5EED);
  AddFakeFrontend(fake, 0, 0, chip);
  return 1;
}

// The kernel powers the frontend down once its last writer is gone: LNB voltage and tone off.
void PowerDown(FakeDvb* fake, FakeFrontend* fe) {
  fake->voltage = SEC_VOLTAGE_OFF;
  fake->tone = SEC_TONE_OFF;
  FakeDishChanged(fake);
  fe->tune = FakeTune{};
}

}  // namespace

int MakeFakeDvb(const std::string& skyPath, const std::string& personality, uint64_t seed,
                FakeDvb* fake) {
  if (LoadSkyFile(skyPath, &fake->sim.sky) == 0) return 0;
  return Setup(personality, seed, fake);
}

int MakeFakeDvbFromText(const std::string& skyText, const std::string& personality, uint64_t seed,
                        FakeDvb* fake) {
  if (ParseSky(skyText, "fake.sky", &fake->sim.sky) != 0) return 0;
  return Setup(personality, seed, fake);
}

FakeFrontend& AddFakeFrontend(FakeDvb* fake, int adapter, int frontend, const FakePersonality* chip,
                              std::vector<uint32_t> delsys) {
  FakeFrontend fe;
  fe.adapter = adapter;
  fe.frontend = frontend;
  fe.chip = chip;
  fe.name = chip->infoName;
  fe.delsys = delsys.empty() ? std::vector<uint32_t>{SYS_DVBS, SYS_DVBS2} : std::move(delsys);
  fake->frontends.push_back(std::move(fe));
  return fake->frontends.back();
}

std::string FakeFrontendPath(int adapter, int frontend) {
  return "/dev/dvb/adapter" + std::to_string(adapter) + "/frontend" + std::to_string(frontend);
}

void FakeAdvanceUs(FakeDvb* fake, uint64_t us) {
  fake->nowUs += us;
}

void FakeLog(FakeDvb* fake, const std::string& text) {
  fake->log.push_back({fake->nowUs, text});
}

void FakeDishChanged(FakeDvb* fake) {
  fake->viewValid = false;
}

const SweepView& FakeView(FakeDvb* fake) {
  const Sky& sky = fake->sim.sky;
  double now = fake->nowUs / 1e6;
  bool turned = sky.hasMotor && MotorAngleAt(sky, fake->sim.dish, fake->viewAtUs / 1e6) !=
                                    MotorAngleAt(sky, fake->sim.dish, now);
  if (fake->viewValid && !turned) return fake->view;
  // Polarisation follows the voltage, band the tone; the oscillator values play no part here.
  SweepRequest r;
  r.polarisation = fake->voltage == SEC_VOLTAGE_13 ? 1 : 0;
  r.lof2 = fake->tone == SEC_TONE_ON ? 1 : 0;
  fake->view = ViewFor(fake->sim, r, now);
  if (fake->voltage == SEC_VOLTAGE_OFF) {
    fake->view.arrivals.clear();
    fake->view.source.emitters.clear();
  }
  fake->viewValid = true;
  fake->viewAtUs = fake->nowUs;
  return fake->view;
}

bool FakeIsSatellite(const FakeFrontend& fe) {
  for (uint32_t d : fe.delsys) {
    if (d == SYS_DVBS || d == SYS_DVBS2) return true;
  }
  return false;
}

int FakeOpen(FakeDvb* fake, const char* path, int flags) {
  if (path == nullptr) return -EFAULT;
  for (size_t i = 0; i < fake->frontends.size(); ++i) {
    FakeFrontend& fe = fake->frontends[i];
    if (FakeFrontendPath(fe.adapter, fe.frontend) != path) continue;
    bool rw = (flags & O_ACCMODE) != O_RDONLY;
    std::string line = std::string("open ") + path + (rw ? " rw" : " ro");
    if (fe.denied) {
      FakeLog(fake, line + " denied");
      return -EACCES;
    }
    // One writer at a time, any number of readers.
    if (rw && (fe.busy || HasWriter(*fake, static_cast<int>(i)))) {
      FakeLog(fake, line + " busy");
      return -EBUSY;
    }
    FakeLog(fake, line);
    fake->fds.push_back({fake->nextFd, static_cast<int>(i), rw});
    return fake->nextFd++;
  }
  return -ENOENT;
}

int FakeClose(FakeDvb* fake, int fd) {
  for (size_t i = 0; i < fake->fds.size(); ++i) {
    if (fake->fds[i].fd != fd) continue;
    FakeFd closed = fake->fds[i];
    fake->fds.erase(fake->fds.begin() + static_cast<long>(i));
    FakeLog(fake, "close");
    if (closed.readWrite && !HasWriter(*fake, closed.frontend)) {
      PowerDown(fake, &fake->frontends[closed.frontend]);
    }
    return 0;
  }
  return -EBADF;
}

int FakePoll(FakeDvb* fake, int fd, int timeoutMs) {
  FakeFd* f = FindFd(fake, fd);
  if (f == nullptr) return -EBADF;
  ++fake->counters.polls;
  const FakeTune& t = fake->frontends[f->frontend].tune;
  if (t.nextEvent < t.steps.size()) {
    uint64_t due = t.steps[t.nextEvent].atUs;
    if (due <= fake->nowUs) return 1;
    if (timeoutMs < 0 || due <= fake->nowUs + static_cast<uint64_t>(timeoutMs) * 1000) {
      fake->nowUs = due;
      return 1;
    }
  }
  // Nothing will come: an endless wait returns at once rather than hang the test.
  if (timeoutMs > 0) FakeAdvanceUs(fake, static_cast<uint64_t>(timeoutMs) * 1000);
  return 0;
}

bool FakeReadText(const FakeDvb& fake, const std::string& path, std::string* text) {
  for (const FakeFrontend& fe : fake.frontends) {
    if (fe.product.empty()) continue;
    std::string device = "/sys/class/dvb/dvb" + std::to_string(fe.adapter) + ".frontend" +
                         std::to_string(fe.frontend) + "/device";
    if (path == device + (fe.productBesideDevice ? "/../product" : "/product")) {
      *text = fe.product + "\n";
      return true;
    }
  }
  return false;
}

DvbSys FakeDvbSys(FakeDvb* fake) {
  DvbSys sys;
  sys.open = [fake](const char* path, int flags) { return FakeOpen(fake, path, flags); };
  sys.ioctl = [fake](int fd, unsigned long request, void* arg) {
    return FakeIoctl(fake, fd, request, arg);
  };
  sys.poll = [fake](int fd, int timeoutMs) { return FakePoll(fake, fd, timeoutMs); };
  sys.close = [fake](int fd) { return FakeClose(fake, fd); };
  sys.nowUs = [fake]() { return fake->nowUs; };
  sys.sleepMs = [fake](uint32_t ms) { FakeAdvanceUs(fake, uint64_t{ms} * 1000); };
  sys.readText = [fake](const std::string& path, std::string* text) {
    return FakeReadText(*fake, path, text);
  };
  sys.log = [fake](const std::string& line) { fake->messages.push_back(line); };
  return sys;
}
