// The INI-style lists, formats 0 to 4: a [SATTYPE] header, then one "n=..." entry per record
// under [DVB]. They differ only in the code-rate form, the suffix and the information column.
#include "report/list_texts.h"

namespace {

void Header(const ListInput& in, std::string* out) {
  Appendf(out, "[SATTYPE]\n1=%04u\n2=%s\n", in.satPos, in.satName ? in.satName : "");
}

void Section(const ListInput& in, std::string* out) {
  Appendf(out, "\n[DVB]\n0=%u\n", in.count);
}

void PlainHeader(const ListInput& in, std::string* out) {
  Header(in, out);
  Section(in, out);
}

// Format 3 also carries the switch code and the LNB.
void FlagsHeader(const ListInput& in, std::string* out) {
  Header(in, out);
  Appendf(out, "3=%u\n4=%u\n5=%u\n6=%u\n", in.listDiseqcCode, in.lof1, in.lof2, in.lofsw);
  Section(in, out);
}

// Multiple input streams do not add entries in these formats.
void Line(const TransponderRecord&, const RecordTexts& t, uint32_t number, std::string* out) {
  Appendf(out, "%u=%u,%s,%u,%s%s%s\n", number, t.frequencyMhz, t.polarisation, t.symbolRateKs,
          t.codeRate, t.suffix, t.info);
}

void DerivePlain(const TransponderRecord& r, RecordTexts* t) {
  SetText(t->codeRate, IniCodeRateText(r.codeRate, "910"));
  SetText(t->suffix, r.deliverySystem == 2 ? ",S2" : r.deliverySystem == 3 ? ",DSS" : "");
}

// The digit of the modulation class, by modulation code alone.
constexpr const char* kModDigits[] = {",1", ",2", ",3", ",4", ",2", ",1", ",2"};

void DeriveModDigit(const TransponderRecord& r, RecordTexts* t) {
  SetText(t->codeRate, IniCodeRateText(r.codeRate, "91"));
  SetText(t->suffix, ByCode(kModDigits, r.modulation, ""));
}

constexpr const char* kModNames[] = {",QPSK",     ",8PSK",       ",16APSK",    ",32APSK",
                                     ",NBC_QPSK", ",Turbo-QPSK", ",Turbo-8PSK"};

void DeriveModName(const TransponderRecord& r, RecordTexts* t) {
  SetText(t->codeRate, IniCodeRateText(r.codeRate, "9A"));
  SetText(t->suffix, ByCode(kModNames, r.modulation, ""));
}

// Flag number: modulation class in bits 0-1, DVB-S2 in bit 2, roll-off in bits 3-4,
// pilot on in bit 7.
uint32_t FlagNumber(const TransponderRecord& r) {
  uint32_t flags = 0;
  if (r.modulation == 1 || r.modulation == 5 || r.modulation == 6) flags |= 1;
  if (r.modulation == 2 || r.modulation == 7) flags |= 2;
  if (r.deliverySystem == 2) flags |= 4;
  flags |= r.rollOff == 1 ? 0 : r.rollOff == 2 ? 8 : r.rollOff == 3 ? 16 : 24;
  if (r.pilot == 2) flags |= 128;
  return flags;
}

void DeriveFlags(const TransponderRecord& r, RecordTexts* t) {
  SetText(t->codeRate, IniCodeRateText(r.codeRate, "910"));
  FormatInto(t->suffix, sizeof t->suffix, ",%u", FlagNumber(r));
}

// Codes 6 to 8 (Turbo and the spare 16APSK) get no name here; 9 is the DSS form of QPSK.
constexpr const char* kModNamesS2[] = {",QPSK", ",8PSK,S2", ",16APSK,S2", ",32APSK,S2", ",QPSK,S2",
                                       "",      "",         "",           ",DIRECTV"};

void DeriveModNameS2(const TransponderRecord& r, RecordTexts* t) {
  SetText(t->codeRate, IniCodeRateText(r.codeRate, "910"));
  SetText(t->suffix, ByCode(kModNamesS2, r.modulation, ""));
}

}  // namespace

const ListWriter kIniPlainWriter = {PlainHeader, DerivePlain, Line, nullptr, nullptr};
const ListWriter kIniModDigitWriter = {PlainHeader, DeriveModDigit, Line, nullptr, " ;"};
const ListWriter kIniModNameWriter = {PlainHeader, DeriveModName, Line, nullptr, nullptr};
const ListWriter kIniFlagsWriter = {FlagsHeader, DeriveFlags, Line, nullptr, ",|"};
const ListWriter kIniModNameS2Writer = {PlainHeader, DeriveModNameS2, Line, nullptr, nullptr};
