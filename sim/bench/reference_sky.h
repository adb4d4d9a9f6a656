// Seeded reference skies for the detector figures: a full Ku band on both polarisations with
// every symbol rate, roll-off and margin the goals name, and an LNB at its worst.
#pragma once

#include <cstdint>

#include "sky.h"

struct ReferenceOptions {
  int32_t carriers = 100;  // both polarisations together
  bool noiseOnly = false;
};

// The LNB's oscillators are off their labels (9750 / 10600) by up to 2 MHz.
Sky MakeReferenceSky(uint64_t seed, const ReferenceOptions& options);

// Es/N0 (dB) the transponder's modcod needs; the sky's strengths are Es/N0 (`cn`).
double RequirementOf(const SkyTransponder& tp);

// A random modcod with a known requirement, written into `tp`.
void PickModcod(uint64_t seed, uint32_t index, SkyTransponder* tp);
