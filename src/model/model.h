// The transponder model: the record a sweep fills, the names of its codes, the link margin,
// and the LNB values that every later stage reads.
#pragma once

#include <cstddef>
#include <cstdint>

// One found transponder, exactly as the tuner library lays it out (112 bytes, little-endian).
struct TransponderRecord {
  uint32_t locked;          // 0: reported without lock
  uint32_t frequency;       // kHz
  uint32_t polarisation;    // 0 H, 1 V, 2 L, 3 R
  uint32_t symbolRate;      // symbols per second
  uint32_t deliverySystem;  // DeliverySystemName
  uint32_t modulation;      // ModulationName
  uint32_t codeRate;        // CodeRateName
  uint32_t spectrum;        // SpectrumName
  uint32_t rollOff;         // RollOffName
  uint32_t pilot;           // PilotName
  uint32_t frame;           // 0 normal, 1 short
  uint32_t codingMode;      // CodingModeName
  uint32_t streamType;      // StreamTypeName
  uint32_t streamCount;     // 0: single input stream
  uint8_t streamIds[16];
  uint8_t issy;
  uint8_t npd;
  uint8_t reservedA[2];
  uint32_t carrierWidth;  // kHz
  uint32_t bitRate;       // bit/s
  int32_t rfLevel;        // dBm
  alignas(8) double snr;  // dB
  uint8_t reservedB[16];
};

static_assert(sizeof(TransponderRecord) == 112);
static_assert(alignof(TransponderRecord) == 8);
static_assert(offsetof(TransponderRecord, locked) == 0);
static_assert(offsetof(TransponderRecord, frequency) == 4);
static_assert(offsetof(TransponderRecord, polarisation) == 8);
static_assert(offsetof(TransponderRecord, symbolRate) == 12);
static_assert(offsetof(TransponderRecord, deliverySystem) == 16);
static_assert(offsetof(TransponderRecord, modulation) == 20);
static_assert(offsetof(TransponderRecord, codeRate) == 24);
static_assert(offsetof(TransponderRecord, spectrum) == 28);
static_assert(offsetof(TransponderRecord, rollOff) == 32);
static_assert(offsetof(TransponderRecord, pilot) == 36);
static_assert(offsetof(TransponderRecord, frame) == 40);
static_assert(offsetof(TransponderRecord, codingMode) == 44);
static_assert(offsetof(TransponderRecord, streamType) == 48);
static_assert(offsetof(TransponderRecord, streamCount) == 52);
static_assert(offsetof(TransponderRecord, streamIds) == 56);
static_assert(offsetof(TransponderRecord, issy) == 72);
static_assert(offsetof(TransponderRecord, npd) == 73);
static_assert(offsetof(TransponderRecord, reservedA) == 74);
static_assert(offsetof(TransponderRecord, carrierWidth) == 76);
static_assert(offsetof(TransponderRecord, bitRate) == 80);
static_assert(offsetof(TransponderRecord, rfLevel) == 84);
static_assert(offsetof(TransponderRecord, snr) == 88);
static_assert(offsetof(TransponderRecord, reservedB) == 96);

// Capability bits of GetCaps that the program tests.
constexpr uint32_t CapToneBurst = 0x10;
constexpr uint32_t CapDiseqc = 0x40;
constexpr uint32_t CapSweep = 0x20000;

// A pass keeps 200 records; our libraries store at most 256 per sweep, so the buffer has that
// much room behind the last slot and no sweep can write outside it.
constexpr int32_t ResultsCapacity = 200;
constexpr uint32_t SweepRecordLimit = 256;
constexpr int32_t ResultsBufferSlots = ResultsCapacity + static_cast<int32_t>(SweepRecordLimit);

// streamIds holds 16 identifiers; a larger streamCount is read as 16.
inline uint32_t StreamCountOf(const TransponderRecord& r) {
  return r.streamCount > 16 ? 16 : r.streamCount;
}

// LNB description, whole MHz, fixed at start-up.
struct LnbSettings {
  uint32_t IFStart = 950;
  uint32_t IFStop = 2150;
  uint32_t LNBMid = 6000;
  uint32_t LNBStk = 21000;
  uint32_t LOF1 = 9750;
  uint32_t LOF2 = 10600;
  uint32_t LOFSW = 11700;
};

// The lowest and highest RF frequency a scan section may use, MHz; may be empty (low > high).
struct ScanWindow {
  uint32_t low = 0;
  uint32_t high = 0;
};

// Code to constant text; a code outside its table gives the table's default, never an error.
const char* DeliverySystemName(uint32_t code);
const char* ModulationName(uint32_t code);
const char* CodeRateName(uint32_t code);
const char* RollOffName(uint32_t code);
const char* StreamTypeName(uint32_t code);
const char* PolarisationName(uint32_t code);
const char* SpectrumName(uint32_t code);
const char* PilotName(uint32_t code);
const char* FrameName(uint32_t code);
const char* CodingModeName(uint32_t code);
const char* InputStreamName(uint32_t streamCount);  // "Single" / "Multiple"

// Required Es/N0 in dB and the link margin.
double RequiredEsN0DvbS(uint32_t codeRate);
double RequiredEsN0DvbS2(uint32_t codeRate, uint32_t modulation);
double RequiredEsN0(const TransponderRecord& record);
double LinkMargin(const TransponderRecord& record);

// Useful bit rate of the record's modcod, bit/s: after RS(204,188) for DVB-S and DSS, after
// BCH, the base-band header, the PL header and any pilots for the rest. 0 where the
// modulation or the code rate is unknown. For the tuner libraries, which fill `bitRate`.
double UsefulBitRate(const TransponderRecord& record);
