// Tallies of the benchmark and their comparison with the goals.
#pragma once

#include <cstdint>
#include <vector>

struct Tally {
  int64_t hit = 0;
  int64_t total = 0;
  double Percent() const { return total ? 100.0 * hit / total : 100.0; }
};

struct Figures {
  Tally recallWide;    // >= 1 MS/s at requirement + 1 dB
  Tally recallNarrow;  // 0.25-1 MS/s at requirement + 3 dB
  Tally lockDecision;  // more than 0.2 dB from the requirement
  Tally separated115;
  Tally separated110;
  std::vector<double> centreRatio;  // centre error / (30 kHz + 0.5 % SR), Es/N0 >= 3 dB
  std::vector<double> srError;      // relative, signed, Es/N0 >= 3 dB
  std::vector<double> srErrorWide;  // the same at >= 10 MS/s
  double worstSnrError = 0;         // dB
  int32_t ghosts = 0;               // unlocked records near no carrier, reference skies
  int32_t worstGhosts = 0;          // per sky
  int32_t skies = 0;
  int32_t noiseLocked = 0;         // over all noise-only skies
  int32_t noiseWorstUnlocked = 0;  // per sky
  std::vector<double> cpuMs;       // per full dual-polarisation sweep
  bool identical = true;
};

double Percentile(std::vector<double> v, double p);
// Prints every figure against its goal; returns the number of goals missed.
int PrintFigures(const Figures& f);
