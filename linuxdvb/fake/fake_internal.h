// Pieces the fake's files share; not for users of the fake.
#pragma once

#include <cstdint>
#include <string>

#include "fake_dvb.h"

struct dtv_properties;

void FakeAdvanceUs(FakeDvb* fake, uint64_t us);
void FakeLog(FakeDvb* fake, const std::string& text);

// The carriers at the tuner input now; recomputed only when the dish changed or is turning.
const SweepView& FakeView(FakeDvb* fake);
void FakeDishChanged(FakeDvb* fake);

bool FakeIsSatellite(const FakeFrontend& fe);

// FE_SET_PROPERTY and FE_GET_PROPERTY.
int FakeSetProperties(FakeDvb* fake, FakeFrontend* fe, dtv_properties* props);
int FakeGetProperties(FakeDvb* fake, FakeFrontend* fe, dtv_properties* props);

// Dish commands, also reached through DTV_VOLTAGE and DTV_TONE.
int FakeSetVoltage(FakeDvb* fake, const FakeFrontend& fe, uintptr_t value);
int FakeSetTone(FakeDvb* fake, const FakeFrontend& fe, uintptr_t value);

// Starts a tune with the parameters set so far; -EINVAL for unusable ones.
int FakeStartTune(FakeDvb* fake, FakeFrontend* fe);

// Whether the frontend holds a lock now, and on a real carrier.
bool FakeLockedNow(const FakeDvb& fake, const FakeFrontend& fe);

// The AGC reading in dBm, false while none is available yet.
bool FakeStrengthDbm(const FakeDvb& fake, const FakeFrontend& fe, double* dbm);
// Relative scales as drivers report them, 0..65535.
uint16_t FakeRelativeStrength(double dbm);
uint16_t FakeRelativeCnr(double db);
// The Es/N0 the demodulator reports now, with a little scatter.
double FakeCnrDb(FakeDvb* fake, const FakeFrontend& fe);
