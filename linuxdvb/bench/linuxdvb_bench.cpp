// Figures of the Linux DVB back-end on the fake frontends: for each modelled driver, a full
// dual-polarisation Ku scan (four sweeps, as the program makes them) of the demo sky's four
// satellites and of seeded reference skies. Prints recall of the carriers of 2 MS/s or more
// with 3 dB of margin, false records, and the scan's virtual and CPU time.
//
//   linuxdvb_bench [skies-folder] [reference-skies] [demo-seeds]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_dvb.h"
#include "link.h"
#include "linuxdvb.h"
#include "reference_sky.h"

namespace {

struct Band {
  uint32_t start, stop, polarisation;
};

// What the program sweeps for examples/Vextral.ini: both linear polarisations, split at
// the universal LNB's 11700 MHz.
const Band kBands[] = {{10700, 11700, 0}, {11700, 12750, 0}, {10700, 11700, 1}, {11700, 12750, 1}};

struct Tally {
  int wanted = 0, found = 0, falseRecords = 0, scans = 0;
  double virtualSeconds = 0, worstVirtual = 0, cpuSeconds = 0;
  std::vector<std::string> missed;
  DvbCounters counters;
};

// Where the program will show a carrier: the real oscillator is off its label.
double ShownMHz(const Sky& sky, const SkyTransponder& tp) {
  bool high = tp.frequencyMHz >= 11700;
  double label = high ? 10600 : 9750;
  return tp.frequencyMHz - (sky.lnb.lo[high ? 1 : 0] - label);
}

bool Matches(const Sky& sky, const SkyTransponder& tp, const TransponderRecord& r) {
  uint32_t pol = tp.polarisation & 1u;
  double tolerance = std::max(0.5, 0.1 * tp.symbolRate / 1e6);
  return r.polarisation == pol && std::fabs(r.frequency / 1000.0 - ShownMHz(sky, tp)) <= tolerance;
}

void Scan(FakeDvb* fake, int port, const SkySatellite& sat, Tally* t) {
  DvbDevice d;
  d.sys = FakeDvbSys(fake);
  if (DvbStart(&d, 0) != 1) return;
  std::vector<TransponderRecord> all;
  uint64_t before = fake->nowUs;
  auto cpu0 = std::chrono::steady_clock::now();
  for (const Band& b : kBands) {
    bool high = b.start >= 11700;
    if (port > 0) {
      DvbSendCommitted(&d, 0xF0u | (port - 1) << 2 | (b.polarisation == 0 ? 2u : 0u) | high);
    }
    std::vector<TransponderRecord> records(kDvbSweepRecordLimit);
    uint32_t count = 0;
    DvbSweep(&d, {b.start * 1000, b.stop * 1000, b.polarisation, 9750000, 10600000, 11700000},
             records.data(), &count, nullptr);
    all.insert(all.end(), records.begin(), records.begin() + count);
  }
  double cpu = std::chrono::duration<double>(std::chrono::steady_clock::now() - cpu0).count();
  double virt = (fake->nowUs - before) / 1e6;
  DvbStop(&d);
  t->counters.surveySteps += d.counters.surveySteps;
  t->counters.attempts += d.counters.attempts;
  t->counters.locks += d.counters.locks;
  t->counters.attemptMs += d.counters.attemptMs;
  const Sky& sky = fake->sim.sky;
  for (const SkyTransponder& tp : sat.transponders) {
    double margin = TransponderEsN0Db(sky.lnb, tp) - TransponderRequirementDb(tp);
    if (tp.symbolRate < 2e6 || margin < 3 || tp.frequencyMHz < 10700 || tp.frequencyMHz > 12750) {
      continue;
    }
    ++t->wanted;
    bool hit = false;
    for (const TransponderRecord& r : all) hit = hit || Matches(sky, tp, r);
    if (hit) {
      ++t->found;
    } else {
      char line[128];
      std::snprintf(line, sizeof line, "%.1f %c %.0f kS/s margin %.1f dB", tp.frequencyMHz,
                    "HV"[tp.polarisation & 1u], tp.symbolRate / 1e3, margin);
      t->missed.push_back(line);
    }
  }
  for (const TransponderRecord& r : all) {
    bool real = false;
    for (const SkyTransponder& tp : sat.transponders) real = real || Matches(sky, tp, r);
    if (!real) ++t->falseRecords;
  }
  ++t->scans;
  t->virtualSeconds += virt;
  t->worstVirtual = std::max(t->worstVirtual, virt);
  t->cpuSeconds += cpu;
}

void Print(const char* chip, const char* skies, const Tally& t) {
  std::printf("%-10s %-10s %5d/%-5d %7.2f %% %6d %9.0f %9.0f %8.2f\n", chip, skies, t.found,
              t.wanted, t.wanted ? 100.0 * t.found / t.wanted : 100.0, t.falseRecords,
              t.scans ? t.virtualSeconds / t.scans : 0, t.worstVirtual,
              t.scans ? t.cpuSeconds / t.scans : 0);
  if (t.scans > 0) {
    std::printf("    per scan: %.0f survey steps, %.0f lock attempts (%.0f s), %.0f locks\n",
                double(t.counters.surveySteps) / t.scans, double(t.counters.attempts) / t.scans,
                t.counters.attemptMs / 1000.0 / t.scans, double(t.counters.locks) / t.scans);
  }
  for (size_t i = 0; i < t.missed.size() && i < (getenv("BENCH_ALL") ? 99u : 5u); ++i) {
    std::printf("    missed %s\n", t.missed[i].c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : LINUXDVB_SKIES_DIR;
  int references = argc > 2 ? std::atoi(argv[2]) : 6;
  int demoSeeds = argc > 3 ? std::atoi(argv[3]) : 3;  // the fake's scatter and lock draws
  std::printf(
      "Full Ku scan (10700-12750 MHz, H and V) per driver: recall of carriers >= 2 MS/s\n"
      "with >= 3 dB margin, false records, virtual seconds per scan (mean, worst) and\n"
      "CPU seconds per scan. demo: the demo sky's four satellites with %d seeds; reference:\n"
      "%d seeded reference skies.\n\n",
      demoSeeds, references);
  std::printf("%-10s %-10s %11s %9s %6s %9s %9s %8s\n", "driver", "skies", "found", "recall",
              "false", "virt.mean", "virt.max", "cpu");
  for (const FakePersonality& p : FakePersonalities()) {
    Tally demo, reference;
    for (int run = 0; run < 4 * demoSeeds; ++run) {
      int port = run % 4 + 1;
      FakeDvb fake;
      if (!MakeFakeDvb(folder + "/demo.sky", p.name, 1 + run / 4, &fake)) return 1;
      for (const SkyInput& in : fake.sim.sky.inputs) {
        if (in.committed != port) continue;
        for (const SkySatellite& sat : fake.sim.sky.satellites) {
          if (sat.position == in.satellite) Scan(&fake, port, sat, &demo);
        }
      }
    }
    for (int seed = 1; seed <= references; ++seed) {
      FakeDvb fake;
      if (!MakeFakeDvbFromText("input sat=19.2E\nsat 19.2E\n", p.name, seed, &fake)) return 1;
      fake.sim.sky = MakeReferenceSky(seed, ReferenceOptions{});
      fake.sim.dish = InitialDishState(fake.sim.sky);
      fake.viewValid = false;
      Scan(&fake, 0, fake.sim.sky.satellites.at(0), &reference);
    }
    Print(p.name, "demo", demo);
    Print(p.name, "reference", reference);
    std::fflush(stdout);
  }
  return 0;
}
