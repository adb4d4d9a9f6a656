// The detailed report: one block of labelled lines per transponder, in full precision and with
// names, then the duration of the pass.
#include "report/list_texts.h"
#include "report/report.h"

namespace {

// Pilot, coding mode, frame, stream and input-stream lines exist only for DVB-S2.
void AppendDvbS2Lines(const TransponderRecord& r, std::string* out) {
  Appendf(out, "Pilot: %s\n", PilotName(r.pilot));
  Appendf(out, "Coding mode: %s\n", CodingModeName(r.codingMode));
  Appendf(out, "%s frame\n", FrameName(r.frame));
  Appendf(out, "%s stream\n", StreamTypeName(r.streamType));
  Appendf(out, "%s input stream\n", InputStreamName(r.streamCount));
  uint32_t streams = StreamCountOf(r);
  if (streams != 0) {
    out->append("Input Streams IDs:");
    for (uint32_t i = 0; i < streams; ++i) Appendf(out, " %i", static_cast<int>(r.streamIds[i]));
    out->append("\n");
  }
  if (r.issy) out->append("Input Stream Synchronisation\n");
  if (r.npd) out->append("Null Packet Deletion\n");
}

void AppendBlock(const TransponderRecord& r, uint32_t number, std::string* out) {
  Appendf(out, "TP N: %u\n", number);
  if (r.locked == 0) out->append("! NOT LOCKED !\n");
  Appendf(out, "Frequency: %.3f Mhz\n", r.frequency / 1000.0);
  Appendf(out, "Symbol rate: %u KS\n", r.symbolRate / 1000);
  Appendf(out, "Polarization: %s\n", PolarisationName(r.polarisation));
  Appendf(out, "Spectrum: %s\n", SpectrumName(r.spectrum));
  Appendf(out, "Standard/Modulation: %s/%s\n", DeliverySystemName(r.deliverySystem),
          ModulationName(r.modulation));
  Appendf(out, "FEC: %s\n", CodeRateName(r.codeRate));
  Appendf(out, "RollOff: %s\n", RollOffName(r.rollOff));
  if (r.deliverySystem == 2) AppendDvbS2Lines(r, out);
  Appendf(out, "RF-Level: %d dBm\n", r.rfLevel);
  Appendf(out, "Signal/Noise: %.1f dB\n", r.snr);
  Appendf(out, "Link margin: %.1f dB\n", LinkMargin(r));
  Appendf(out, "Carrier width: %.3f Mhz\n", r.carrierWidth / 1000.0);
  Appendf(out, "BitRate: %.3f Mbit/s\n", r.bitRate / 1000000.0);
  out->append(40, '-');
  out->append("\n");
}

}  // namespace

std::string DetailedReportText(const TransponderRecord* records, uint32_t count,
                               double totalScanTime) {
  std::string out;
  for (uint32_t i = 0; records && i < count; ++i) AppendBlock(records[i], i + 1, &out);
  Appendf(&out, "Total Scan Time = %3.3fs\n", totalScanTime);
  return out;
}

int WriteDetailedReport(const Sys& sys, const char* fileName, const TransponderRecord* records,
                        uint32_t count, double totalScanTime) {
  if (!fileName || !*fileName || !records || count == 0) return -1;
  std::string text = DetailedReportText(records, count, totalScanTime);
  return sys.replaceFile(fileName, text.data(), text.size()) == 0 ? 0 : -2;
}
