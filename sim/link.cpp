#include "link.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

double SystemTemperature(const SkyLnb& lnb) {
  return 30.0 + 290.0 * (std::pow(10.0, lnb.noiseFigure / 10.0) - 1.0);
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
  TransponderRecord r{};
  r.symbolRate = static_cast<uint32_t>(std::lround(tp.symbolRate));
  r.deliverySystem = tp.deliverySystem;
  r.modulation = tp.modulation;
  r.codeRate = tp.codeRate;
  r.pilot = tp.pilot;
  r.frame = tp.frame;
  return UsefulBitRate(r);
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
