#include "bench_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t i = static_cast<size_t>(std::ceil(p / 100.0 * v.size())) - 1;
  return v[std::min(i, v.size() - 1)];
}

namespace {

int Line(const char* what, double value, const char* unit, const char* goal, bool met) {
  std::printf("  %-58s %9.3f %-4s goal %-12s %s\n", what, value, unit, goal,
              met ? "met" : "MISSED");
  return met ? 0 : 1;
}

std::vector<double> Absolute(std::vector<double> v) {
  for (double& x : v) x = std::fabs(x);
  return v;
}

double Mean(const std::vector<double>& v) {
  double s = 0;
  for (double x : v) s += x;
  return v.empty() ? 0 : s / v.size();
}

int PrintFinding(const Figures& f) {
  int missed = 0;
  std::printf("Recall (carriers locked):\n");
  missed += Line("SR >= 1 MS/s, Es/N0 >= requirement + 1 dB", f.recallWide.Percent(), "%", "100",
                 f.recallWide.hit == f.recallWide.total);
  std::printf("    (%lld of %lld)\n", (long long)f.recallWide.hit, (long long)f.recallWide.total);
  missed += Line("SR 0.25-1 MS/s, Es/N0 >= requirement + 3 dB", f.recallNarrow.Percent(), "%",
                 ">= 95", f.recallNarrow.Percent() >= 95.0);
  std::printf("    (%lld of %lld)\n", (long long)f.recallNarrow.hit,
              (long long)f.recallNarrow.total);
  std::printf("Unlocked records near no carrier (no goal): %.2f per sky, worst sky %d\n",
              f.skies ? double(f.ghosts) / f.skies : 0.0, f.worstGhosts);
  std::printf("Noise-only skies:\n");
  missed += Line("locked records, all skies", f.noiseLocked, "", "0", f.noiseLocked == 0);
  missed += Line("unlocked candidates, worst sky", f.noiseWorstUnlocked, "", "<= 2",
                 f.noiseWorstUnlocked <= 2);
  return missed;
}

int PrintMeasuring(const Figures& f) {
  int missed = 0;
  std::printf("Spectrum stage (Es/N0 >= 3 dB, oscillator offset removed):\n");
  missed += Line("centre error 95th pct / (30 kHz + 0.5 % SR)", Percentile(f.centreRatio, 95), "",
                 "<= 1", Percentile(f.centreRatio, 95) <= 1.0);
  double sr95 = 100 * Percentile(Absolute(f.srError), 95);
  double srWide95 = 100 * Percentile(Absolute(f.srErrorWide), 95);
  double bias = 100 * Mean(f.srError);
  missed += Line("symbol-rate error 95th pct", sr95, "%", "<= 5", sr95 <= 5.0);
  missed +=
      Line("symbol-rate error 95th pct, SR >= 10 MS/s", srWide95, "%", "<= 2", srWide95 <= 2.0);
  missed += Line("symbol-rate mean bias", bias, "%", "|x| <= 0.5", std::fabs(bias) <= 0.5);
  std::printf("Adjacent equal carriers:\n");
  missed += Line("separated at 1.15 x SR", f.separated115.Percent(), "%", "100",
                 f.separated115.hit == f.separated115.total);
  missed += Line("separated at 1.10 x SR", f.separated110.Percent(), "%", ">= 95",
                 f.separated110.Percent() >= 95.0);
  std::printf("Demodulator:\n");
  missed += Line("lock decision right, > 0.2 dB from requirement", f.lockDecision.Percent(), "%",
                 "100", f.lockDecision.hit == f.lockDecision.total);
  missed +=
      Line("reported SNR error, worst", f.worstSnrError, "dB", "<= 0.3", f.worstSnrError <= 0.3);
  std::printf("Speed (four band segments, one core):\n");
  double worst = f.cpuMs.empty() ? 0 : *std::max_element(f.cpuMs.begin(), f.cpuMs.end());
  Line("CPU per full sweep, median", Percentile(f.cpuMs, 50), "ms", "<= 50",
       Percentile(f.cpuMs, 50) <= 50);
  missed += Line("CPU per full sweep, worst", worst, "ms", "<= 50", worst <= 50);
  missed += Line("identical output for the same seed", f.identical ? 1 : 0, "", "1", f.identical);
  return missed;
}

}  // namespace

int PrintFigures(const Figures& f) {
  int missed = PrintFinding(f) + PrintMeasuring(f);
  std::printf("%d goal(s) missed\n", missed);
  return missed;
}
