#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tuner/tuner.h"

namespace {

// The built library copied into a folder of its own with an instant-pace Kestrune.ini, loaded
// as the program loads it: its settings are found through its own folder.
struct Loaded {
  void* handle = nullptr;
  TunerApi api;
  std::string path;
};

std::string PrivateCopy() {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("sim_exports_" + std::to_string(getpid()));
  fs::create_directories(folder);
  fs::copy_file(SIM_LIBRARY_PATH, folder / "libkestrune.so", fs::copy_options::overwrite_existing);
  std::ofstream ini(folder / "Kestrune.ini");
  ini << "[Simulator]\nSky=" << SIM_SKIES_DIR << "/demo.sky\nPace=instant\n";
  return (folder / "libkestrune.so").string();
}

Loaded Load() {
  Loaded l;
  l.path = PrivateCopy();
  l.handle = dlopen(l.path.c_str(), RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(l.handle, nullptr) << dlerror();
  if (l.handle == nullptr) return l;
  l.api.CheckForDVBEx = reinterpret_cast<CheckForDVBExFn>(dlsym(l.handle, "CheckForDVBEx"));
  l.api.StartDVBEx = reinterpret_cast<StartDVBExFn>(dlsym(l.handle, "StartDVBEx"));
  l.api.GetCaps = reinterpret_cast<GetCapsFn>(dlsym(l.handle, "GetCaps"));
  l.api.SendDiSEqC = reinterpret_cast<SendDiSEqCFn>(dlsym(l.handle, "SendDiSEqC"));
  l.api.SendDiseqCmd = reinterpret_cast<SendDiseqCmdFn>(dlsym(l.handle, "SendDiseqCmd"));
  l.api.Vextral = reinterpret_cast<VextralFn>(dlsym(l.handle, "Vextral"));
  l.api.StopDVB = reinterpret_cast<StopDVBFn>(dlsym(l.handle, "StopDVB"));
  return l;
}

std::vector<std::string> devices;
uint32_t progressed = 0;

TEST(Exports, TheDemoRoofThroughTheCAbi) {
  // Device list, caps, then the demo sky's port 2 (19.2E) and port 1 (23.5E) differ, every
  // record is announced, and a stopped card sweeps nothing.
  Loaded l = Load();
  ASSERT_NE(l.handle, nullptr);
  const TunerApi& t = l.api;
  ASSERT_TRUE(t.CheckForDVBEx && t.StartDVBEx && t.GetCaps && t.SendDiSEqC && t.SendDiseqCmd &&
              t.Vextral && t.StopDVB);
  devices.clear();
  EXPECT_EQ(t.CheckForDVBEx([](int32_t, const char* name) { devices.push_back(name); }), 1);
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(t.StartDVBEx(1), 0);
  ASSERT_EQ(t.StartDVBEx(0), 1);
  EXPECT_EQ(t.GetCaps(), 0x20050u);

  std::vector<TransponderRecord> port2(SweepRecordLimit), port1(SweepRecordLimit);
  uint32_t n2 = 0, n1 = 0;
  progressed = 0;
  ASSERT_EQ(t.SendDiSEqC(2, 0xF6), 1);
  ASSERT_EQ(t.Vextral(10700000, 11700000, 0, 9750000, 10600000, 11700000, port2.data(), &n2,
                      [](const TransponderRecord*) { ++progressed; }),
            1);
  EXPECT_GE(n2, 10u);
  EXPECT_EQ(progressed, n2);
  ASSERT_EQ(t.SendDiSEqC(2, 0xF2), 1);
  ASSERT_EQ(
      t.Vextral(10700000, 11700000, 0, 9750000, 10600000, 11700000, port1.data(), &n1, nullptr), 1);
  EXPECT_GE(n1, 5u);
  bool same = n1 == n2;
  for (uint32_t i = 0; same && i < n1; ++i) {
    same = port1[i].frequency == port2[i].frequency && port1[i].symbolRate == port2[i].symbolRate;
  }
  EXPECT_FALSE(same);

  const uint8_t uncommitted[] = {0xE0, 0x10, 0x39, 0xF0};
  EXPECT_EQ(t.SendDiseqCmd(uncommitted, 4), 1);
  t.StopDVB();
  EXPECT_EQ(
      t.Vextral(10700000, 11700000, 0, 9750000, 10600000, 11700000, port1.data(), &n1, nullptr), 0);
  dlclose(l.handle);
  std::filesystem::remove_all(std::filesystem::path(l.path).parent_path());
}

}  // namespace
