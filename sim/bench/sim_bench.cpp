// The simulated dish's detector against its goals, on seeded reference skies. Prints figures;
// run a release build: sim_bench [skies] [first seed]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "bench_figures.h"
#include "link.h"
#include "raised_cosine.h"
#include "reference_sky.h"
#include "sweep.h"

namespace {

bool verbose = false;
uint64_t currentSeed = 0;  // for the verbose lines

// The four band segments of a universal LNB, as the program sweeps them.
const SweepRequest kSegments[] = {
    {10700000, 11700000, 0, 9750000, 10600000, 11700000},
    {11700000, 12750000, 0, 9750000, 10600000, 11700000},
    {10700000, 11700000, 1, 9750000, 10600000, 11700000},
    {11700000, 12750000, 1, 9750000, 10600000, 11700000},
};

SimDevice DeviceFor(const Sky& sky, uint64_t seed) {
  SimDevice d;
  d.sky = sky;
  d.dish = InitialDishState(sky);
  d.seed = seed;
  return d;
}

struct Segment {
  SweepView view;
  std::vector<Candidate> found;
  std::vector<TransponderRecord> records;
};

Segment RunSegment(SimDevice* d, const SweepRequest& req) {
  Segment s;
  s.view = ViewFor(*d, req, 0);
  SimRng rng = MakeRng(d->seed, ++d->sweeps);
  s.found = DetectInView(s.view, rng);
  for (const Candidate& c : s.found) {
    TransponderRecord r = Demodulate(*d, s.view, req, c, rng);
    if (r.frequency >= req.start && r.frequency <= req.stop) s.records.push_back(r);
  }
  return s;
}

int NearestCandidate(const Segment& s, double ifMHz) {
  int best = -1;
  for (size_t i = 0; i < s.found.size(); ++i) {
    if (best < 0 ||
        std::fabs(s.found[i].centreMHz - ifMHz) < std::fabs(s.found[best].centreMHz - ifMHz)) {
      best = static_cast<int>(i);
    }
  }
  return best;
}

const TransponderRecord* LockedRecordFor(const Segment& s, const Arrival& a) {
  double rf = IfToRf(a.ifMHz, s.view.passedLoMHz, s.view.passedInverted) * 1000.0;
  for (const TransponderRecord& r : s.records) {
    if (r.locked && std::fabs(r.frequency - rf) < 20.0 &&
        r.symbolRate == static_cast<uint32_t>(std::lround(a.tp->symbolRate))) {
      return &r;
    }
  }
  return nullptr;
}

void ScoreArrival(const Segment& s, const SweepRequest& req, const Arrival& a, Figures* f) {
  double rf = IfToRf(a.ifMHz, s.view.passedLoMHz, s.view.passedInverted);
  if (rf * 1000 < req.start || rf * 1000 > req.stop) return;
  double sr = a.tp->symbolRate, need = RequirementOf(*a.tp);
  const TransponderRecord* locked = LockedRecordFor(s, a);
  if (sr >= 1e6 && a.esn0Db >= need + 1) f->recallWide.total++, f->recallWide.hit += !!locked;
  if (sr < 1e6 && a.esn0Db >= need + 3) f->recallNarrow.total++, f->recallNarrow.hit += !!locked;
  if (verbose && !locked && a.esn0Db >= need + 1 && sr >= 1e6) {
    int n = NearestCandidate(s, a.ifMHz);
    std::printf("seed %llu pol %u start %u ", (unsigned long long)currentSeed, req.polarisation,
                req.start / 1000);
    std::printf("miss: IF %.3f SR %.0f alpha %.2f esn0 %.2f need %.2f; nearest %.3f SR %.0f\n",
                a.ifMHz, sr, RollOffFactor(a.tp->rollOff), a.esn0Db, need,
                n >= 0 ? s.found[n].centreMHz : 0.0, n >= 0 ? s.found[n].symbolRate : 0.0);
    for (const Arrival& b : s.view.arrivals) {
      if (&b != &a && std::fabs(b.ifMHz - a.ifMHz) < 2e-6 * (sr + b.tp->symbolRate)) {
        std::printf("  near: IF %.3f SR %.0f alpha %.2f esn0 %.2f\n", b.ifMHz, b.tp->symbolRate,
                    RollOffFactor(b.tp->rollOff), b.esn0Db);
      }
    }
  }
  if (locked) f->worstSnrError = std::fmax(f->worstSnrError, std::fabs(locked->snr - a.esn0Db));
  int c = NearestCandidate(s, a.ifMHz);
  if (c < 0 || std::fabs(s.found[c].centreMHz - a.ifMHz) * 1e6 > 0.25 * sr) return;
  const Candidate& cand = s.found[c];
  double srErr = cand.symbolRate / sr - 1.0;
  if (std::fabs(srErr) < 0.1 && std::fabs(a.esn0Db - need) > 0.2) {
    f->lockDecision.total++;
    f->lockDecision.hit += (locked != nullptr) == (a.esn0Db >= need);
  }
  if (a.esn0Db < 3.0) return;
  f->centreRatio.push_back(std::fabs(cand.centreMHz - a.ifMHz) * 1e6 / (30e3 + 0.005 * sr));
  f->srError.push_back(srErr);
  if (sr >= 10e6) f->srErrorWide.push_back(srErr);
}

// Unlocked records near no carrier at all: what the detector made up.
int32_t Ghosts(const Segment& s) {
  int32_t ghosts = 0;
  for (const TransponderRecord& r : s.records) {
    bool near = false;
    for (const Arrival& a : s.view.arrivals) {
      double rf = IfToRf(a.ifMHz, s.view.passedLoMHz, s.view.passedInverted) * 1000.0;
      near = near || std::fabs(r.frequency - rf) < 0.5e-3 * a.tp->symbolRate;
    }
    ghosts += !r.locked && !near;
    if (verbose && !r.locked && !near) {
      std::printf("ghost %.3f SR %u snr %.1f\n", r.frequency / 1000.0, r.symbolRate, r.snr);
    }
  }
  return ghosts;
}

void ReferenceSkies(int skies, uint64_t first, Figures* f) {
  for (int k = 0; k < skies; ++k) {
    uint64_t seed = first + k;
    currentSeed = seed;
    SimRng pick = MakeRng(seed, 77);
    ReferenceOptions options;
    options.carriers = 60 + static_cast<int32_t>(Uniform(pick) * 91);
    SimDevice d = DeviceFor(MakeReferenceSky(seed, options), seed);
    std::vector<Segment> segments;
    std::clock_t t0 = std::clock();
    for (const SweepRequest& req : kSegments) segments.push_back(RunSegment(&d, req));
    f->cpuMs.push_back(1000.0 * (std::clock() - t0) / CLOCKS_PER_SEC);
    int32_t ghosts = 0;
    for (const Segment& s : segments) ghosts += Ghosts(s);
    f->ghosts += ghosts;
    f->worstGhosts = std::max(f->worstGhosts, ghosts);
    for (size_t i = 0; i < segments.size(); ++i) {
      for (const Arrival& a : segments[i].view.arrivals)
        ScoreArrival(segments[i], kSegments[i], a, f);
    }
  }
}

void NoiseSkies(int skies, uint64_t first, Figures* f) {
  for (int k = 0; k < skies; ++k) {
    ReferenceOptions options;
    options.noiseOnly = true;
    SimDevice d = DeviceFor(MakeReferenceSky(first + 1000 + k, options), first + k);
    int32_t unlocked = 0;
    for (const SweepRequest& req : kSegments) {
      for (const TransponderRecord& r : RunSegment(&d, req).records) {
        r.locked ? ++f->noiseLocked : ++unlocked;
      }
    }
    f->noiseWorstUnlocked = std::max(f->noiseWorstUnlocked, unlocked);
  }
}

// Two equal carriers `spacing` symbol rates apart: both must come out, each near its centre.
bool Separated(uint64_t seed, double spacing) {
  SimRng rng = MakeRng(seed, 0xAD1);
  SpectrumSource source;
  source.gain = {Uniform(rng, 0, 8), Uniform(rng, 0, 2), Uniform(rng, 72, 150), Uniform(rng, 0, 6)};
  double sr = 1e6 * std::exp(Uniform(rng) * std::log(30.0));
  double alpha = RollOffFactor(1 + static_cast<unsigned>(Uniform(rng) * 6) % 6);
  double esn0 = std::pow(10.0, Uniform(rng, 3, 15) / 10.0);
  double c1 = Uniform(rng, 1100, 1900), c2 = c1 + spacing * sr * 1e-6;
  source.emitters = {{c1, sr, alpha, esn0, 0}, {c2, sr, alpha, esn0, 1}};
  SpectrumGrid grid{950, 0.1, 12001};
  std::vector<Candidate> found = DetectCarriers(source, grid, rng);
  int near1 = 0, near2 = 0;
  for (const Candidate& c : found) {
    near1 += std::fabs(c.centreMHz - c1) * 1e6 < 0.2 * sr;
    near2 += std::fabs(c.centreMHz - c2) * 1e6 < 0.2 * sr;
  }
  return near1 == 1 && near2 == 1;
}

void AdjacentPairs(int trials, Figures* f) {
  for (int k = 0; k < trials; ++k) {
    f->separated115.total++, f->separated115.hit += Separated(k, 1.15);
    f->separated110.total++, f->separated110.hit += Separated(k + 100000, 1.10);
  }
}

bool SameOutputTwice(uint64_t seed) {
  std::vector<TransponderRecord> out[2];
  for (auto& records : out) {
    ReferenceOptions options;
    SimDevice d = DeviceFor(MakeReferenceSky(seed, options), seed);
    for (const SweepRequest& req : kSegments) {
      std::vector<TransponderRecord> buffer(SweepRecordLimit);
      uint32_t count = 0;
      RunSweep(&d, req, 0, buffer.data(), &count, nullptr);
      records.insert(records.end(), buffer.begin(), buffer.begin() + count);
    }
  }
  return out[0].size() == out[1].size() &&
         std::memcmp(out[0].data(), out[1].data(), out[0].size() * sizeof(TransponderRecord)) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int skies = argc > 1 ? std::atoi(argv[1]) : 24;
  uint64_t first = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  verbose = std::getenv("SIM_BENCH_VERBOSE") != nullptr;
  Figures f;
  f.skies = skies;
  ReferenceSkies(skies, first, &f);
  NoiseSkies(skies, first, &f);
  AdjacentPairs(200, &f);
  f.identical = SameOutputTwice(first) && SameOutputTwice(first + 1);
  std::printf("Simulated dish on %d reference skies (seeds %llu..%llu), 60-150 carriers each\n",
              skies, (unsigned long long)first, (unsigned long long)(first + skies - 1));
  return PrintFigures(f) == 0 ? 0 : 1;
}
