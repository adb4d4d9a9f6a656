// The noise floor under a measured spectrum: a smooth lower envelope that follows the LNB's
// tilt and ripple between carriers and bridges the carriers themselves.
#pragma once

#include <vector>

// Asymmetric least squares: a curve as smooth as `lambda` asks, pulled towards points below it
// much harder (weight 1 - p) than towards points above it (weight p).
void AsymmetricBaseline(const std::vector<double>& y, double lambda, double p, int iterations,
                        std::vector<double>* z);

// Floor of a dB spectrum, one value per bin; `block` bins are summarised by their median first.
void EstimateFloorDb(const std::vector<double>& db, int block, double scatterDb,
                     std::vector<double>* floor);

// Standard deviation of one bin's reading, from neighbour differences (robust to carriers).
double EstimateScatterDb(const std::vector<double>& db);
