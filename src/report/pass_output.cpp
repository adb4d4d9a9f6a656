// The end of a pass: name both files, say what is written, write the report and then the list.
// A failure of either is reported and the run goes on.
#include "report/report.h"

namespace {

void PrintNameTooLong(const Sys& sys, const std::string& name) {
  Print(sys, "File name too long (%u characters, at most %u): %s\n",
        static_cast<unsigned>(name.size()), static_cast<unsigned>(kMaxPathLength), name.c_str());
}

void WriteReport(const Sys& sys, const OutputSettings& settings, const PassOutput& pass) {
  char name[kMaxPathLength + 1];
  if (FormReportName(settings, pass.satPos, pass.passNumber, name, sizeof name) != 0) {
    PrintNameTooLong(sys, ReportFileName(settings, pass.satPos, pass.passNumber));
    PrintLine(sys, "error !");
    return;
  }
  Print(sys, "Report detailed transponder info to %s ...\n", name);
  if (WriteDetailedReport(sys, name, pass.records, pass.count, pass.totalScanTime) != 0) {
    PrintLine(sys, "error !");
  }
}

void WriteList(const Sys& sys, const OutputSettings& settings, const PassOutput& pass) {
  char name[kMaxPathLength + 1];
  if (FormListName(settings, pass.satPos, pass.passNumber, name, sizeof name) != 0) {
    PrintNameTooLong(sys, ListFileName(settings, pass.satPos, pass.passNumber));
    PrintLine(sys, "error !");
    return;
  }
  Print(sys, "Store transponder info in %s ...\n", name);
  ListInput input;
  input.records = pass.records;
  input.count = pass.count;
  input.satPos = pass.satPos;
  input.satName = settings.satName;
  input.lof1 = pass.lnb.LOF1;
  input.lof2 = pass.lnb.LOF2;
  input.lofsw = pass.lnb.LOFSW;
  input.listDiseqcCode = ListDiseqcCode(pass.diseqc);
  input.listFormat = settings.iniFormat;
  input.infoFormat = settings.infoFormat;
  if (WriteTransponderList(sys, name, input) != 0) PrintLine(sys, "error !");
}

}  // namespace

void WritePassOutput(const Sys& sys, const OutputSettings& settings, const PassOutput& pass) {
  if (!pass.records || pass.count == 0) {
    PrintLine(sys, "Transponders not found !");
    return;
  }
  WriteReport(sys, settings, pass);  // the report first; its failure does not stop the list
  WriteList(sys, settings, pass);
}
