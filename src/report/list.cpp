// The transponder list: one table row per format, the texts every format shares, and the
// writer that hands the whole file to the platform in one piece.
#include <cstring>

#include "report/list_texts.h"

namespace {

const ListWriter* const kListWriters[] = {
    &kIniPlainWriter,     &kIniModDigitWriter, &kIniModNameWriter, &kIniFlagsWriter,
    &kIniModNameS2Writer, &kColumnListWriter,  &kXmlListWriter,
};

// The texts of one record, formed from nothing so that none carries over from the last one.
RecordTexts DeriveTexts(const ListWriter& writer, const TransponderRecord& r, uint32_t infoFormat,
                        const char* dateStamp) {
  RecordTexts t{};
  SetText(t.polarisation, PolarisationLetter(r.polarisation));
  writer.derive(r, &t);
  FormSignalText(r, infoFormat, t.signal, sizeof t.signal);
  SetText(t.system, SystemText(r.deliverySystem));
  if (writer.infoLead) {
    FormInfoColumn(writer.infoLead, infoFormat, t.signal, dateStamp, t.info, sizeof t.info);
  }
  t.frequencyMhz = ListFrequencyMhz(r.frequency);
  t.symbolRateKs = ListSymbolRateKs(r.symbolRate);
  return t;
}

}  // namespace

std::string TransponderListText(const ListInput& input, const std::tm& now) {
  const ListWriter& writer = *kListWriters[EffectiveListFormat(input.listFormat)];
  std::string out;
  writer.header(input, &out);
  char dateStamp[128];  // formed once, so every line of the file carries the same stamp
  FormDateStamp(now, dateStamp, sizeof dateStamp);
  for (uint32_t i = 0; input.records && i < input.count; ++i) {
    const TransponderRecord& r = input.records[i];
    RecordTexts texts = DeriveTexts(writer, r, input.infoFormat, dateStamp);
    writer.lines(r, texts, i + 1, &out);
  }
  if (writer.footer) writer.footer(&out);
  return out;
}

int WriteTransponderList(const Sys& sys, const char* fileName, const ListInput& input) {
  if (!fileName || !*fileName || !input.records || input.count == 0) return -1;
  std::tm now{};
  sys.localTime(&now);
  std::string text = TransponderListText(input, now);
  return sys.replaceFile(fileName, text.data(), text.size()) == 0 ? 0 : -2;
}
