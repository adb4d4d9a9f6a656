// Reports: output settings, file names, the detailed report and the seven list formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "model/model.h"
#include "platform/platform.h"

enum ListFormat : uint32_t {
  IniPlain = 0,
  IniModDigit = 1,
  IniModName = 2,
  IniFlags = 3,
  IniModNameS2 = 4,
  ColumnList = 5,
  XmlList = 6,
};

struct OutputSettings {
  char satName[100] = "Satellite";
  uint32_t iniFormat = 0;
  uint32_t infoFormat = 1;
  char reportDir[261] = "";  // room for the appended separator
  char tpDir[261] = "";
  int32_t loop = 0;
};

// Reads SatName, IniFormat, InfoFormat, ReportDir, TPDir and Loop, in this order, and appends
// one separator to a nonempty folder that lacks one.
void ReadOutputSettings(const Sys& sys, const char* programIni, OutputSettings* settings);

// Longest file or folder name the program forms.
constexpr size_t kMaxPathLength = 259;

// The full file names of one pass, whatever their length.
std::string ReportFileName(const OutputSettings& settings, uint32_t satPos, uint32_t passNumber);
std::string ListFileName(const OutputSettings& settings, uint32_t satPos, uint32_t passNumber);

// File names of one pass. 0, or -1 when the name would not fit in 259 characters.
int FormReportName(const OutputSettings& settings, uint32_t satPos, uint32_t passNumber, char* name,
                   size_t size);
int FormListName(const OutputSettings& settings, uint32_t satPos, uint32_t passNumber, char* name,
                 size_t size);

uint32_t ListDiseqcCode(int32_t diseqc);

// Both writers: 0 written, -1 missing name or records or a count of 0, -2 not written.
int WriteDetailedReport(const Sys& sys, const char* fileName, const TransponderRecord* records,
                        uint32_t count, double totalScanTime);

struct ListInput {
  const TransponderRecord* records = nullptr;
  uint32_t count = 0;
  uint32_t satPos = 0;
  const char* satName = "";
  uint32_t lof1 = 0, lof2 = 0, lofsw = 0;
  uint32_t listDiseqcCode = 0;
  uint32_t listFormat = 0;
  uint32_t infoFormat = 1;
};
int WriteTransponderList(const Sys& sys, const char* fileName, const ListInput& input);

// The texts of the files, for the writers and their tests.
std::string DetailedReportText(const TransponderRecord* records, uint32_t count,
                               double totalScanTime);
std::string TransponderListText(const ListInput& input, const std::tm& now);

// The end-of-pass step: names both files, prints what is written, calls both writers. With no
// records it prints "Transponders not found !" and writes nothing. A name longer than 259
// characters is refused with a line that shows it, followed by "error !".
struct PassOutput {
  const TransponderRecord* records = nullptr;
  uint32_t count = 0;
  double totalScanTime = 0.0;
  uint32_t passNumber = 1;
  uint32_t satPos = 0;
  int32_t diseqc = 0;
  LnbSettings lnb;
};
void WritePassOutput(const Sys& sys, const OutputSettings& settings, const PassOutput& pass);
