// The LNB description: effective oscillators, the band switch and the scan window.
#include <cstdio>

#include "run/run.h"

namespace {

constexpr const char* kInvalid = "Invalid LNB params";
constexpr uint32_t kMaxLof = 23000;
// The tuner library takes frequencies in kHz as 32-bit values; above this many MHz they wrap.
constexpr uint32_t kMaxTunerMhz = UINT32_MAX / 1000;

struct Range {
  uint32_t low, high;
};

// An oscillator strictly between LNBMid and LNBStk lies below the band it converts.
bool NonInverting(const LnbSettings& s, uint32_t lof) {
  return s.LNBMid < lof && lof < s.LNBStk;
}

Range LofRfRange(const LnbSettings& s, uint32_t lof) {
  if (NonInverting(s, lof)) return {lof + s.IFStart, lof + s.IFStop};
  return {lof - s.IFStop, lof - s.IFStart};
}

uint32_t ReadUnsigned(const Sys& sys, const char* key, int32_t def, const char* file) {
  return static_cast<uint32_t>(sys.profileInt("SatInfo", key, def, file));
}

// The checks in their fixed order; the first that fails prints its message.
int Validate(const Sys& sys, const LnbSettings& s) {
  const uint32_t sum = s.IFStart + s.IFStop;
  const uint32_t lof1 = s.LOF1, lof2 = s.LOF2, lofsw = s.LOFSW;
  if (lof1 && lof1 < sum) return Print(sys, "%s: LOF1=%u < %u Mhz!\n", kInvalid, lof1, sum), 0;
  if (lof1 && lof1 > kMaxLof)
    return Print(sys, "%s: LOF1=%u > %u Mhz!\n", kInvalid, lof1, kMaxLof), 0;
  if (lof2 && lof2 < sum) return Print(sys, "%s: LOF2=%u < %u Mhz!\n", kInvalid, lof2, sum), 0;
  if (lof2 && lof2 > kMaxLof)
    return Print(sys, "%s: LOF2=%u > %u Mhz!\n", kInvalid, lof2, kMaxLof), 0;
  if (!lofsw) return 1;
  if (lofsw < sum) return Print(sys, "%s: LOFSW=%u < %u Mhz!\n", kInvalid, lofsw, sum), 0;
  if (lofsw > kMaxTunerMhz)
    return Print(sys, "%s: LOFSW=%u > %u Mhz!\n", kInvalid, lofsw, kMaxTunerMhz), 0;
  if (!lof1) return Print(sys, "%s: LOF1=%u Mhz!\n", kInvalid, lof1), 0;
  if (!lof2) return Print(sys, "%s: LOF2=%u Mhz!\n", kInvalid, lof2), 0;
  if ((lof1 > s.LNBMid) != (lof2 > s.LNBMid))
    return Print(sys, "%s: Both LOF1 and LOF2 must be >%u or <= %u Mhz!\n", kInvalid, s.LNBMid,
                 s.LNBMid),
           0;
  const bool switchNonInverting = s.LNBMid < lofsw && lofsw < s.LNBStk;
  if (switchNonInverting && lof1 > lof2)
    return Print(sys, "%s: LOF1=%u > LOF2=%uMhz !\n", kInvalid, lof1, lof2), 0;
  if ((lofsw <= s.LNBMid || lofsw > s.LNBStk) && lof1 < lof2)
    return Print(sys, "%s: LOF1=%u < LOF2=%u Mhz !\n", kInvalid, lof1, lof2), 0;
  // A two-band LNB with one oscillator of each kind would leave one window edge undefined.
  if (lofsw != s.LNBStk && NonInverting(s, lof1) != NonInverting(s, lof2))
    return Print(sys, "%s: Both LOF1 and LOF2 must be <%u or >= %u Mhz!\n", kInvalid, s.LNBStk,
                 s.LNBStk),
           0;
  return 1;
}

ScanWindow DeriveWindow(const LnbSettings& s) {
  if (s.LOFSW == 0) {
    if (!s.LOF1 && !s.LOF2) return {s.IFStart, s.IFStop};
    Range r = LofRfRange(s, s.LOF1 ? s.LOF1 : s.LOF2);
    return {r.low, r.high};
  }
  if (s.LOFSW == s.LNBStk) {  // band-stacked: both oscillators see the same RF range
    Range a = LofRfRange(s, s.LOF1), b = LofRfRange(s, s.LOF2);
    return {a.low > b.low ? a.low : b.low, a.high < b.high ? a.high : b.high};
  }
  ScanWindow w;
  if (NonInverting(s, s.LOF1))
    w.low = s.LOF1 + s.IFStart;
  else
    w.high = s.LOF1 - s.IFStart;
  if (NonInverting(s, s.LOF2))
    w.high = s.LOF2 + s.IFStop;
  else
    w.low = s.LOF2 - s.IFStop;
  return w;
}

}  // namespace

void ReadLibraryIni(const Sys& sys, const char* libraryIni, LnbSettings* lnb) {
  auto read = [&](const char* key, uint32_t current) {
    return static_cast<uint32_t>(
        sys.profileInt("Kestrune", key, static_cast<int32_t>(current), libraryIni));
  };
  lnb->IFStart = read("IFStart", lnb->IFStart);
  lnb->IFStop = read("IFStop", lnb->IFStop);
  lnb->LNBMid = read("LNBMid", lnb->LNBMid);
  lnb->LNBStk = read("LNBStk", lnb->LNBStk);
}

int LoadLnbSettings(const Sys& sys, const char* programIni, LnbSettings* lnb, ScanWindow* window) {
  LnbSettings s = *lnb;
  s.LOF1 = ReadUnsigned(sys, "LOF1", 9750, programIni);
  s.LOFSW = ReadUnsigned(sys, "LOFSW", 11700, programIni);
  s.LOF2 = ReadUnsigned(sys, "LOF2", 10600, programIni);
  const int32_t lof = sys.profileInt("SatInfo", "LOF", -1, programIni);
  const int32_t tone = sys.profileInt("SatInfo", "22Khz", 0, programIni);
  const int32_t stacked = sys.profileInt("SatInfo", "BandStacked", 0, programIni);

  if (stacked) s.LOFSW = s.LNBStk;
  if (lof >= 0) {
    const uint32_t single = static_cast<uint32_t>(lof);
    const uint32_t sum = s.IFStart + s.IFStop;
    // Only a warning: the check of the oscillator that follows fails too, on the same line.
    if (single && single < sum) Print(sys, "%s: LOF < %i", kInvalid, static_cast<int32_t>(sum));
    s.LOF1 = tone ? 0 : single;
    s.LOF2 = tone ? single : 0;
    s.LOFSW = 0;
  }
  if (!Validate(sys, s)) return 0;
  const ScanWindow w = DeriveWindow(s);
  // Card IF values in Hz by mistake would otherwise have every sweep get a wrapped range.
  if (w.low <= w.high && w.high > kMaxTunerMhz)
    return Print(sys, "%s: scan window up to %u > %u Mhz!\n", kInvalid, w.high, kMaxTunerMhz), 0;
  *lnb = s;
  *window = w;
  return 1;
}
