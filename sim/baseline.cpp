#include "baseline.h"

#include <algorithm>
#include <cmath>

namespace {

// Smoothness of the floor curve over 2 MHz blocks: it follows ripple of 70 MHz and more.
constexpr double kLambda = 30.0;
// Stiffer for the first, lower envelope, so it bridges the widest carriers.
constexpr double kBridgeLambda = 1000.0;

// Solves (W + lambda D'D) z = W y for the second-difference D, a symmetric five-band system,
// by banded LDL' without pivoting (the matrix is positive definite).
void SolvePentadiagonal(const std::vector<double>& w, const std::vector<double>& y, double lambda,
                        std::vector<double>* z) {
  const int n = static_cast<int>(y.size());
  std::vector<double> a(n), b(n, 0.0), c(n, 0.0);  // diagonal and the two upper bands
  for (int i = 0; i < n; ++i) {
    double d0 = (i >= 2 ? 1.0 : 0.0) + (i >= 1 && i + 1 < n ? 4.0 : 0.0) + (i + 2 < n ? 1.0 : 0.0);
    a[i] = w[i] + lambda * d0;
    if (i + 1 < n) b[i] = lambda * (-2.0 * (i >= 1) - 2.0 * (i + 2 < n));
    if (i + 2 < n) c[i] = lambda;
  }
  std::vector<double> d(n), l1(n, 0.0), l2(n, 0.0), r(n);
  for (int i = 0; i < n; ++i) {
    double v = a[i];
    if (i >= 1) v -= l1[i - 1] * l1[i - 1] * d[i - 1];
    if (i >= 2) v -= l2[i - 2] * l2[i - 2] * d[i - 2];
    d[i] = v;
    if (i + 1 < n) {
      double u = b[i];
      if (i >= 1) u -= l1[i - 1] * l2[i - 1] * d[i - 1];
      l1[i] = u / d[i];
    }
    if (i + 2 < n) l2[i] = c[i] / d[i];
  }
  for (int i = 0; i < n; ++i) {
    double v = w[i] * y[i];
    if (i >= 1) v -= l1[i - 1] * r[i - 1];
    if (i >= 2) v -= l2[i - 2] * r[i - 2];
    r[i] = v;
  }
  z->assign(n, 0.0);
  for (int i = n - 1; i >= 0; --i) {
    double v = r[i] / d[i];
    if (i + 1 < n) v -= l1[i] * (*z)[i + 1];
    if (i + 2 < n) v -= l2[i] * (*z)[i + 2];
    (*z)[i] = v;
  }
}

double Median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// The asymmetric curve hugs the lower edge of the noise and cuts across ripple peaks; refitting
// on the blocks judged to be noise, all weighted alike, with a tolerance that narrows pass by
// pass, lifts it back through the middle of the noise while carriers stay out.
void RefitOnNoise(const std::vector<double>& y, double blockScatter, std::vector<double>* z) {
  const double tolerances[] = {0.7, 0.5, 0.35, 0.0};
  std::vector<double> w(y.size());
  for (double t : tolerances) {
    double tol = std::max(t, 3.0 * blockScatter);
    for (size_t i = 0; i < y.size(); ++i) w[i] = y[i] < (*z)[i] + tol ? 1.0 : 1e-4;
    SolvePentadiagonal(w, y, kLambda, z);
  }
}

}  // namespace

void AsymmetricBaseline(const std::vector<double>& y, double lambda, double p, int iterations,
                        std::vector<double>* z) {
  if (y.size() < 3) {
    *z = y;
    return;
  }
  std::vector<double> w(y.size(), 1.0);
  for (int it = 0; it < iterations; ++it) {
    SolvePentadiagonal(w, y, lambda, z);
    for (size_t i = 0; i < y.size(); ++i) w[i] = y[i] > (*z)[i] ? p : 1.0 - p;
  }
}

void EstimateFloorDb(const std::vector<double>& db, int block, double scatterDb,
                     std::vector<double>* floor) {
  const int n = static_cast<int>(db.size());
  const int blocks = std::max(1, n / block);
  std::vector<double> medians(blocks), z;
  // A median of `block` normal readings scatters 1.2533 / sqrt(block) as much as one reading.
  double blockScatter = scatterDb * 1.2533 / std::sqrt(static_cast<double>(block));
  for (int j = 0; j < blocks; ++j) {
    int end = j + 1 == blocks ? n : (j + 1) * block;
    medians[j] = Median(std::vector<double>(db.begin() + j * block, db.begin() + end));
  }
  AsymmetricBaseline(medians, kBridgeLambda, 0.01, 12, &z);
  RefitOnNoise(medians, blockScatter, &z);
  floor->resize(n);
  for (int i = 0; i < n; ++i) {
    double pos = (i + 0.5) / block - 0.5;
    int j = std::clamp(static_cast<int>(std::floor(pos)), 0, std::max(0, blocks - 2));
    double t = blocks > 1 ? std::clamp(pos - j, 0.0, 1.0) : 0.0;
    (*floor)[i] = blocks > 1 ? z[j] * (1 - t) + z[j + 1] * t : z[0];
  }
}

double EstimateScatterDb(const std::vector<double>& db) {
  if (db.size() < 4) return 0.3;
  std::vector<double> diffs(db.size() - 1);
  for (size_t i = 0; i + 1 < db.size(); ++i) diffs[i] = std::fabs(db[i + 1] - db[i]);
  // Median absolute difference of two normal readings is 0.954 sigma.
  return Median(diffs) / 0.954;
}
