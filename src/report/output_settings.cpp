// Output settings and the names of the two files a pass writes.
#include <cstring>

#include "report/list_texts.h"
#include "report/report.h"

namespace {

// A nonempty folder gets one separator at its end, so that names can follow it directly.
// The buffers keep one byte for it, so even a 259-character value has room.
void EndWithSeparator(char* folder) {
  size_t length = std::strlen(folder);
  if (length > 0 && folder[length - 1] != kPathSeparator) {
    folder[length] = kPathSeparator;
    folder[length + 1] = '\0';
  }
}

void ReadFolder(const Sys& sys, const char* key, const char* programIni, char* folder) {
  // 260 bytes as read; the 261st is the room for the separator.
  sys.profileString("Options", key, "", folder, 260, programIni);
  EndWithSeparator(folder);
}

std::string FormName(const char* folder, const char* body, uint32_t passNumber, bool withPass,
                     const char* extension) {
  std::string name = folder;
  name += body;
  if (withPass) Appendf(&name, "_%u", passNumber);
  name += extension;
  return name;
}

// The position part of a name: "S19.2E" for the column list, "0192" for every other format.
std::string PositionPart(uint32_t listFormat, uint32_t satPos) {
  std::string body;
  if (listFormat == ColumnList) {
    EastWest pos = EastWestPosition(satPos);
    Appendf(&body, "S%u.%u%c", pos.degrees, pos.tenths, pos.letter);
  } else {
    Appendf(&body, "%04u", satPos);
  }
  return body;
}

int CopyName(const std::string& full, char* name, size_t size) {
  if (!name || size == 0) return -1;
  name[0] = '\0';
  if (full.size() > kMaxPathLength || full.size() >= size) return -1;
  std::memcpy(name, full.c_str(), full.size() + 1);
  return 0;
}

}  // namespace

void ReadOutputSettings(const Sys& sys, const char* programIni, OutputSettings* settings) {
  *settings = OutputSettings{};
  sys.profileString("SatInfo", "SatName", "Satellite", settings->satName, sizeof settings->satName,
                    programIni);
  settings->iniFormat =
      static_cast<uint32_t>(sys.profileInt("Options", "IniFormat", 0, programIni));
  settings->infoFormat =
      static_cast<uint32_t>(sys.profileInt("Options", "InfoFormat", 1, programIni));
  ReadFolder(sys, "ReportDir", programIni, settings->reportDir);
  ReadFolder(sys, "TPDir", programIni, settings->tpDir);
  settings->loop = sys.profileInt("Options", "Loop", 0, programIni);
}

std::string ReportFileName(const OutputSettings& s, uint32_t satPos, uint32_t passNumber) {
  uint32_t format = EffectiveListFormat(s.iniFormat);
  return FormName(s.reportDir, PositionPart(format, satPos).c_str(), passNumber, s.loop == 1,
                  ".txt");
}

std::string ListFileName(const OutputSettings& s, uint32_t satPos, uint32_t passNumber) {
  uint32_t format = EffectiveListFormat(s.iniFormat);
  return FormName(s.tpDir, PositionPart(format, satPos).c_str(), passNumber, s.loop == 1,
                  format == XmlList ? ".xml" : ".ini");
}

int FormReportName(const OutputSettings& settings, uint32_t satPos, uint32_t passNumber, char* name,
                   size_t size) {
  return CopyName(ReportFileName(settings, satPos, passNumber), name, size);
}

int FormListName(const OutputSettings& settings, uint32_t satPos, uint32_t passNumber, char* name,
                 size_t size) {
  return CopyName(ListFileName(settings, satPos, passNumber), name, size);
}

uint32_t ListDiseqcCode(int32_t diseqc) {
  return diseqc == 0 ? 0 : static_cast<uint32_t>(diseqc) + 2;
}
