// The back-end over a fake frontend: a started device on a known sky, and the fake's log
// of dish commands as text with the gaps between them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_dvb.h"
#include "linuxdvb.h"

struct Backend {
  FakeDvb fake;
  DvbDevice device;
};

// A started device on `sky` (sky text) with one frontend of `chip`.
inline std::unique_ptr<Backend> StartBackend(const std::string& skyText, const char* chip,
                                             uint64_t seed = 1) {
  auto b = std::make_unique<Backend>();
  EXPECT_EQ(MakeFakeDvbFromText(skyText, chip, seed, &b->fake), 1);
  b->device.sys = FakeDvbSys(&b->fake);
  EXPECT_EQ(DvbStart(&b->device, 0), 1);
  b->fake.log.clear();
  return b;
}

// The dish commands since the last clear, each with the milliseconds since the one before.
struct Command {
  std::string text;
  double gapMs;
};

inline std::vector<Command> Commands(const FakeDvb& fake) {
  std::vector<Command> out;
  for (size_t i = 0; i < fake.log.size(); ++i) {
    double gap = i == 0 ? 0 : (fake.log[i].atUs - fake.log[i - 1].atUs) / 1000.0;
    out.push_back({fake.log[i].text, gap});
  }
  return out;
}

inline std::vector<std::string> Texts(const FakeDvb& fake) {
  std::vector<std::string> out;
  for (const FakeLogEntry& e : fake.log) out.push_back(e.text);
  return out;
}
