// The end of a pass with a full results buffer of 200 records: consolidation, then the report
// and the list of one format, written through the real file replacement into a temp folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "report/report.h"
#include "scan/scan.h"

namespace {

// 200 records as two overlapping sweeps leave them: unsorted, one in ten a near duplicate,
// DVB-S and DVB-S2 mixed, some multi-stream.
std::vector<TransponderRecord> PassResults() {
  std::mt19937 random(192);
  std::vector<TransponderRecord> records(ResultsCapacity);
  for (size_t i = 0; i < records.size(); ++i) {
    TransponderRecord& r = records[i];
    r.locked = 1;
    r.frequency = 10700000 + static_cast<uint32_t>(random() % 2050000);
    if (i % 10 == 9) r.frequency = records[i - 1].frequency + 300;
    r.polarisation = i % 10 == 9 ? records[i - 1].polarisation : random() % 2;
    r.symbolRate = 2000000 + static_cast<uint32_t>(random() % 43000000);
    r.deliverySystem = 1 + random() % 2;
    r.modulation = r.deliverySystem == 1 ? 1 : 2 + random() % 4;
    r.codeRate = 1 + random() % 13;
    r.rollOff = 1 + random() % 3;
    r.pilot = 1 + random() % 2;
    r.streamCount = i % 25 == 0 ? 4 : 0;
    for (uint8_t s = 0; s < 4; ++s) r.streamIds[s] = s;
    r.rfLevel = -40 - static_cast<int32_t>(random() % 30);
    r.snr = 3.0 + (random() % 150) / 10.0;
  }
  return records;
}

struct TempFolder {
  TempFolder() {
    char pattern[] = "/tmp/vextral-bench-XXXXXX";
    if (mkdtemp(pattern)) path = pattern;
  }
  ~TempFolder() {
    for (const std::string& name : written) std::remove(name.c_str());
    if (!path.empty()) rmdir(path.c_str());
  }
  std::string path;
  std::set<std::string> written;  // the same two names again in every iteration
};

Sys FileSys(TempFolder* folder) {
  Sys sys;
  sys.write = [](const char*, size_t) {};
  sys.localTime = [](std::tm* now) {
    *now = std::tm{};
    now->tm_hour = 21, now->tm_mday = 5, now->tm_mon = 2, now->tm_year = 124;
  };
  sys.replaceFile = [folder](const char* path, const char* data, size_t size) {
    folder->written.insert(path);
    return ReplaceFileWith(RealFileOps(), path, data, size);
  };
  return sys;
}

void BM_EndOfPass(benchmark::State& state) {
  TempFolder folder;
  if (folder.path.empty()) return state.SkipWithError("no temp folder");
  Sys sys = FileSys(&folder);
  OutputSettings settings;
  settings.iniFormat = static_cast<uint32_t>(state.range(0));
  settings.infoFormat = 7;  // the widest column: signal, margin and date
  std::snprintf(settings.reportDir, sizeof settings.reportDir, "%s/", folder.path.c_str());
  std::snprintf(settings.tpDir, sizeof settings.tpDir, "%s/", folder.path.c_str());
  const std::vector<TransponderRecord> found = PassResults();
  std::vector<TransponderRecord> buffer(ResultsBufferSlots);
  for (auto _ : state) {
    std::copy(found.begin(), found.end(), buffer.begin());
    int32_t count = ResultsCapacity;
    ConsolidateResults(sys, buffer.data(), &count);
    PassOutput pass;
    pass.records = buffer.data();
    pass.count = static_cast<uint32_t>(count);
    pass.totalScanTime = 83.25;
    pass.satPos = 192;
    pass.diseqc = 2;
    WritePassOutput(sys, settings, pass);
  }
  state.SetItemsProcessed(state.iterations() * ResultsCapacity);
}
BENCHMARK(BM_EndOfPass)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

// The same texts without files, to tell formatting from file system time.
void BM_ReportAndListText(benchmark::State& state) {
  std::vector<TransponderRecord> records = PassResults();
  ListInput in;
  in.records = records.data();
  in.count = static_cast<uint32_t>(records.size());
  in.satPos = 192;
  in.satName = "Satellite";
  in.listFormat = static_cast<uint32_t>(state.range(0));
  in.infoFormat = 7;
  std::tm now{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(DetailedReportText(records.data(), in.count, 83.25));
    benchmark::DoNotOptimize(TransponderListText(in, now));
  }
  state.SetItemsProcessed(state.iterations() * ResultsCapacity);
}
BENCHMARK(BM_ReportAndListText)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
