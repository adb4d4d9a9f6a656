#include "raised_cosine.h"

#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;

// Integral of the density from 0 to x >= 0 (half the carrier's power is on each side).
double HalfIntegral(double x, double alpha) {
  double inner = (1.0 - alpha) / 2.0;
  double outer = (1.0 + alpha) / 2.0;
  if (x <= inner) return x;
  if (x >= outer) return 0.5;
  double t = x - inner;
  return inner + 0.5 * t + alpha / (2.0 * kPi) * std::sin(kPi * t / alpha);
}
}  // namespace

double RollOffFactor(unsigned code) {
  static const double kFactors[] = {0.35, 0.35, 0.25, 0.20, 0.15, 0.10, 0.5};
  return code < 7 ? kFactors[code] : 0.35;
}

double RaisedCosineDensity(double x, double alpha) {
  double a = std::fabs(x);
  double inner = (1.0 - alpha) / 2.0;
  if (a <= inner) return 1.0;
  if (a >= (1.0 + alpha) / 2.0) return 0.0;
  return 0.5 * (1.0 + std::cos(kPi / alpha * (a - inner)));
}

double RaisedCosineCumulative(double x, double alpha) {
  return x >= 0 ? 0.5 + HalfIntegral(x, alpha) : 0.5 - HalfIntegral(-x, alpha);
}
