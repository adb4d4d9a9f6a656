// Name tables of the record's codes and the required Es/N0 behind the link margin.
#include "model/model.h"

#include <cmath>
#include <cstdio>
#include <iterator>

namespace {

// Table lookup with a default for every code outside it.
template <size_t N>
const char* Lookup(const char* const (&table)[N], uint32_t code, uint32_t first,
                   const char* fallback) {
  if (code < first || code - first >= N) return fallback;
  return table[code - first];
}

constexpr const char* kDeliverySystems[] = {
    "DVB-S",  "DVB-S2", "DSS",    "DVB-Turbo", "DCII",   "DVB-T",
    "DVB-T2", "DVB-C",  "DVB-C2", "ATSC",      "ISDB-T", "ISDB-S",
};

// Codes 1 to 9 tell variants of one modulation apart although several share a text.
constexpr const char* kModulations[] = {
    "QPSK",   "8PSK",     "16APSK",     "32APSK",   "QPSK",      "QPSK",     "8PSK",
    "16APSK", "QPSK",     "DVB-S/BPSK", "OQPSK",    "Combo",     "Split(I)", "Split(Q)",
    "OQPSK",  "8VSB",     "16VSB",      "16QAM",    "32QAM",     "64QAM",    "128QAM",
    "256QAM", "512QAM",   "1024QAM",    "4096QAM",  "64APSK",    "128APSK",  "256APSK",
    "8PSK_L", "16APSK_L", "32APSK_L",   "64APSK_L", "256APSK_L",
};

constexpr const char* kCodeRates[] = {
    "1/2",  "2/3",   "3/4",   "4/5",   "5/6",   "6/7",   "7/8",   "8/9",   "9/10",
    "1/4",  "1/3",   "2/5",   "3/5",   "5/9",   "7/9",   "8/15",  "11/15", "13/18",
    "9/20", "11/20", "23/36", "25/36", "13/45", "26/45", "28/45", "32/45", "77/90",
};

constexpr const char* kRollOffs[] = {"0.35", "0.25", "0.20", "0.15", "0.10", "0.5"};
constexpr const char* kStreamTypes[] = {"Transport", "Reserved", "Generic continous",
                                        "Generic packetized"};
constexpr const char* kPolarisations[] = {"Horizontal", "Vertical", "Left", "Right"};
constexpr const char* kSpectrums[] = {"Normal", "Inverted"};
constexpr const char* kPilots[] = {"off", "on"};
constexpr const char* kFrames[] = {"Normal", "Short"};
constexpr const char* kCodingModes[] = {"CCM", "ACM/VCM"};

// Ideal Es/N0 (dB) for quasi-error-free reception, by code rate 1..13.
constexpr double kDvbS[14] = {0, 2.69, 4.36, 5.46, 0, 6.53, 6.80, 7.24, 0, 0, 0, 0, 0, 0};
// Columns: QPSK, 8PSK, 16APSK, 32APSK; rows: code rate 0..13.
constexpr double kDvbS2[14][4] = {
    {0, 0, 0, 0},
    {1.00, 0, 0, 0},
    {3.10, 6.62, 8.97, 0},
    {4.03, 7.91, 10.21, 12.73},
    {4.68, 0, 11.03, 13.64},
    {5.18, 9.35, 11.61, 14.28},
    {0, 0, 0, 0},
    {0, 0, 0, 0},
    {6.20, 10.69, 12.89, 15.69},
    {6.42, 10.98, 13.13, 16.05},
    {-2.35, 0, 0, 0},
    {-1.24, 0, 0, 0},
    {-0.30, 0, 0, 0},
    {2.23, 5.50, 0, 0},
};
constexpr double kShortFrameAllowance = 0.3;

// Modulation group of the DVB-S2 table, or -1 for none.
int Dvbs2Group(uint32_t modulation) {
  switch (modulation) {
    case 5:
    case 6:
      return 0;
    case 2:
    case 7:
      return 1;
    case 3:
      return 2;
    case 4:
      return 3;
    default:
      return -1;
  }
}

}  // namespace

const char* DeliverySystemName(uint32_t c) {
  return Lookup(kDeliverySystems, c, 1, "Unknown");
}
const char* ModulationName(uint32_t c) {
  return Lookup(kModulations, c, 1, "Unknown");
}
const char* CodeRateName(uint32_t c) {
  return Lookup(kCodeRates, c, 1, "?/?");
}
const char* RollOffName(uint32_t c) {
  return Lookup(kRollOffs, c, 1, "?");
}
const char* StreamTypeName(uint32_t c) {
  return Lookup(kStreamTypes, c, 0, "?");
}
const char* PolarisationName(uint32_t c) {
  return Lookup(kPolarisations, c, 0, "Unknown");
}
const char* SpectrumName(uint32_t c) {
  return Lookup(kSpectrums, c, 1, "Unknown");
}
const char* PilotName(uint32_t c) {
  return Lookup(kPilots, c, 1, "?");
}
const char* FrameName(uint32_t c) {
  return Lookup(kFrames, c, 0, "?");
}
const char* CodingModeName(uint32_t c) {
  return Lookup(kCodingModes, c, 0, "Unknown");
}
const char* InputStreamName(uint32_t streamCount) {
  return streamCount ? "Multiple" : "Single";
}

double RequiredEsN0DvbS(uint32_t codeRate) {
  return codeRate < std::size(kDvbS) ? kDvbS[codeRate] : 0.0;
}

double RequiredEsN0DvbS2(uint32_t codeRate, uint32_t modulation) {
  int group = Dvbs2Group(modulation);
  if (group < 0 || codeRate >= std::size(kDvbS2)) return 0.0;
  return kDvbS2[codeRate][group];
}

double RequiredEsN0(const TransponderRecord& r) {
  switch (r.deliverySystem) {
    case 1:  // DVB-S
    case 3:  // DSS
      return RequiredEsN0DvbS(r.codeRate);
    case 2:  // DVB-S2
    case 4:  // DVB-Turbo
      return RequiredEsN0DvbS2(r.codeRate, r.modulation) +
             (r.frame == 1 ? kShortFrameAllowance : 0.0);
    default:  // no requirement known: the margin is exactly 0
      return r.snr;
  }
}

double LinkMargin(const TransponderRecord& r) {
  return r.snr - RequiredEsN0(r);
}

namespace {

// Bits a symbol carries, by Modulation code; 0 for the codes no modcod table covers.
double BitsPerSymbol(uint32_t modulation) {
  switch (modulation) {
    case 1:
    case 5:
    case 6:
    case 9:
      return 2;
    case 2:
    case 7:
      return 3;
    case 3:
    case 8:
      return 4;
    case 4:
      return 5;
    default:
      return 0;
  }
}

}  // namespace

double UsefulBitRate(const TransponderRecord& r) {
  unsigned a = 0, b = 0;
  double bps = BitsPerSymbol(r.modulation);
  if (bps == 0 || std::sscanf(CodeRateName(r.codeRate), "%u/%u", &a, &b) != 2 || b == 0) return 0;
  double rate = static_cast<double>(a) / b;
  if (r.deliverySystem == 1 || r.deliverySystem == 3) return r.symbolRate * bps * rate * 188 / 204;
  bool shortFrame = r.frame == 1;
  double n = shortFrame ? 16200 : 64800;
  double payload = rate * n - (shortFrame ? 168 : 192) - 80;
  double slots = n / bps / 90;
  double symbols = n / bps + 90 + (r.pilot == 2 ? 36 * std::floor((slots - 1) / 16) : 0);
  return r.symbolRate * payload / symbols;
}
