// The column list, format 5: two comment lines, then space-separated columns with frequency
// and symbol rate in base units, one line per input stream.
#include "report/list_texts.h"

namespace {

void Header(const ListInput& in, std::string* out) {
  EastWest pos = EastWestPosition(in.satPos);
  Appendf(out, "# %s @ %u.%u%c\n", in.satName ? in.satName : "", pos.degrees, pos.tenths,
          pos.letter);
  Appendf(out, "# %u transponders\n", in.count);  // records, not lines
}

constexpr const char* kRollOffs[] = {"35", "25", "20"};

const char* ModulationText(uint32_t modulation) {
  switch (modulation) {
    case 1:
    case 5:
    case 6:
      return "QPSK";
    case 2:
    case 7:
      return "8PSK";
    case 3:
      return "16APSK";
    case 4:
      return "32APSK";
    default:
      return "AUTO";
  }
}

void Derive(const TransponderRecord& r, RecordTexts* t) {
  SetText(t->codeRate, ColumnCodeRateText(r.codeRate));
  SetText(t->rollOff, ByCode(kRollOffs, r.rollOff, ""));
  SetText(t->suffix, ModulationText(r.modulation));
}

// Every delivery system gets one line per input stream here.
void Lines(const TransponderRecord& r, const RecordTexts& t, uint32_t, std::string* out) {
  // Rounded MHz and kS/s times 1000 stay below 2^32 for any 32-bit input.
  uint32_t frequency = t.frequencyMhz * 1000;
  uint32_t symbolRate = t.symbolRateKs * 1000;
  uint32_t streams = StreamCountOf(r);
  if (streams == 0) {
    Appendf(out, "%s %u %s %u %s %s %s%s\n", t.system, frequency, t.polarisation, symbolRate,
            t.codeRate, t.rollOff, t.suffix, t.info);
    return;
  }
  for (uint32_t i = 0; i < streams; ++i) {
    Appendf(out, "%s %u %s %u %s %s %s %u%s\n", t.system, frequency, t.polarisation, symbolRate,
            t.codeRate, t.rollOff, t.suffix, static_cast<unsigned>(r.streamIds[i]), t.info);
  }
}

}  // namespace

const ListWriter kColumnListWriter = {Header, Derive, Lines, nullptr, " ;"};
