// The XML satellites list, format 6: one <transponder> element per record, one per input
// stream for DVB-S2, with frequency and symbol rate in base units.
#include "report/list_texts.h"

namespace {

// West positions are negative tenths here.
int32_t SignedPosition(uint32_t satPos) {
  uint32_t p = satPos % 3600;
  return p > 1800 ? static_cast<int32_t>(p) - 3600 : static_cast<int32_t>(p);
}

void Header(const ListInput& in, std::string* out) {
  out->append("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<satellites>\n");
  Appendf(out, "\t<sat name=\"%s\" flags=\"%i\" position=\"%i\">\n",
          XmlAttributeText(in.satName).c_str(), 5, SignedPosition(in.satPos));
}

const char* FecInner(uint32_t codeRate) {
  // 6/7 and the rates from 1/4 on have no digit of their own.
  static constexpr const char* kDigits[] = {"1", "2", "3", "8", "4", "0", "5",
                                            "6", "9", "0", "0", "0", "7"};
  return ByCode(kDigits, codeRate, "0");
}

constexpr const char* kModulations[] = {"1", "2", "3", "4", "1", "1", "2"};
constexpr const char* kRollOffs[] = {"0", "1", "2"};
constexpr const char* kPilots[] = {"0", "1"};

void Derive(const TransponderRecord& r, RecordTexts* t) {
  SetText(t->codeRate, FecInner(r.codeRate));
  SetText(t->suffix, ByCode(kModulations, r.modulation, "0"));
  SetText(t->rollOff, ByCode(kRollOffs, r.rollOff, "3"));
  SetText(t->pilot, ByCode(kPilots, r.pilot, "2"));
}

// Frequency, symbol rate and polarisation are unsigned values and written as such, so that no
// 32-bit input can show as a negative number.
void Lines(const TransponderRecord& r, const RecordTexts& t, uint32_t, std::string* out) {
  std::string common;
  Appendf(&common, "\t\t<transponder frequency=\"%u\" symbol_rate=\"%u\" polarization=\"%u\" ",
          t.frequencyMhz * 1000, t.symbolRateKs * 1000, r.polarisation);
  if (r.deliverySystem != 2) {  // no pilot, and streams add no lines
    Appendf(out, "%sfec_inner=\"%s\" system=\"%i\" modulation=\"%s\" rolloff=\"%s\"/>\n",
            common.c_str(), t.codeRate, 0, t.suffix, t.rollOff);
    return;
  }
  Appendf(&common, "fec_inner=\"%s\" system=\"%i\" modulation=\"%s\" rolloff=\"%s\" pilot=\"%s\"",
          t.codeRate, 1, t.suffix, t.rollOff, t.pilot);
  uint32_t streams = StreamCountOf(r);
  if (streams == 0) {
    Appendf(out, "%s/>\n", common.c_str());
    return;
  }
  for (uint32_t i = 0; i < streams; ++i) {
    Appendf(out, "%s is_id=\"%i\"/>\n", common.c_str(), static_cast<int>(r.streamIds[i]));
  }
}

void Footer(std::string* out) {
  out->append("\t</sat>\n</satellites>\n");
}

}  // namespace

const ListWriter kXmlListWriter = {Header, Derive, Lines, Footer, nullptr};
