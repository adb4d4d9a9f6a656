#include "link.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double kPi = 3.141592653589793;

double SystemTemperature(const SkyLnb& lnb) {
  return 30.0 + 290.0 * (std::pow(10.0, lnb.noiseFigure / 10.0) - 1.0);
}

double BitsPerSymbol(uint32_t modulation) {
  switch (modulation) {
    case 2:
    case 7:
      return 3;
    case 3:
    case 8:
      return 4;
    case 4:
      return 5;
    default:
      return 2;
  }
}

double CodeRateValue(uint32_t code) {
  unsigned a = 1, b = 2;
  if (std::sscanf(CodeRateName(code), "%u/%u", &a, &b) != 2 || b == 0) return 0.5;
  return static_cast<double>(a) / b;
}

}  // namespace

double TransponderEsN0Db(const SkyLnb& lnb, const SkyTransponder& tp) {
  if (!tp.strengthIsEirp) return tp.strength;
  double lambda = 0.299792458 / (tp.frequencyMHz * 1e-3);
  double gainDb = 10.0 * std::log10(0.65 * std::pow(kPi * lnb.dishDiameter / lambda, 2));
  double gOverT = gainDb - 10.0 * std::log10(SystemTemperature(lnb));
  double pathLoss = 20.0 * std::log10(4.0 * kPi * 38.0e6 / lambda);
  return tp.strength + gOverT + 228.6 - pathLoss - 10.0 * std::log10(tp.symbolRate);
}

double FloorDbmPerHz(const SkyLnb& lnb) {
  return -198.6 + 10.0 * std::log10(SystemTemperature(lnb)) + lnb.gain;
}

double TransponderBitRate(const SkyTransponder& tp) {
  double rate = CodeRateValue(tp.codeRate), bps = BitsPerSymbol(tp.modulation);
  if (tp.deliverySystem == 1 || tp.deliverySystem == 3) {
    return tp.symbolRate * bps * rate * 188.0 / 204.0;
  }
  double n = tp.frame == 1 ? 16200 : 64800;
  double payload = rate * n - (tp.frame == 1 ? 168 : 192) - 80;
  double slots = n / bps / 90.0;
  double symbols = n / bps + 90 + (tp.pilot == 2 ? 36 * std::floor((slots - 1) / 16) : 0);
  return tp.symbolRate * payload / symbols;
}

double TransponderRequirementDb(const SkyTransponder& tp) {
  TransponderRecord r{};
  r.deliverySystem = tp.deliverySystem;
  r.modulation = tp.modulation;
  r.codeRate = tp.codeRate;
  r.frame = tp.frame;
  r.snr = 0;
  return RequiredEsN0(r);
}
