// nmxj_bench: runs the registered benchmarks with the console reporter and
// then prints every registered ratio of our figure to a peer's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "bench_util.h"
#include "frame/target.h"
#include "nmxcore.h"
#include "nmxj.h"

namespace nmx::bench {

std::vector<Ratio>& ratios() {
  static std::vector<Ratio> list;
  return list;
}

namespace {

struct Rates {
  double items = 0, bytes = 0, per_second = 0;
};

class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
      Rates x;
      if (auto it = r.counters.find("items_per_second"); it != r.counters.end()) x.items = it->second;
      if (auto it = r.counters.find("bytes_per_second"); it != r.counters.end()) x.bytes = it->second;
      const double secs = r.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(r.time_unit);
      x.per_second = secs > 0 ? 1.0 / secs : 0;
      rates[r.benchmark_name()] = x;
    }
  }
  std::map<std::string, Rates> rates;
};

void print_ratios(const std::map<std::string, Rates>& rates) {
  bool header = false;
  for (const Ratio& q : ratios()) {
    const auto a = rates.find(q.ours), b = rates.find(q.peer);
    if (a == rates.end() || b == rates.end()) continue;
    double ours = a->second.per_second, peer = b->second.per_second;
    if (a->second.items > 0 && b->second.items > 0) ours = a->second.items, peer = b->second.items;
    else if (a->second.bytes > 0 && b->second.bytes > 0) ours = a->second.bytes, peer = b->second.bytes;
    if (!header) std::printf("\n%-58s %10s\n", "ratio (ours / peer, higher is better)", "x");
    header = true;
    std::printf("%-58s %10.2f\n", q.label.c_str(), peer > 0 ? ours / peer : 0.0);
  }
}

}  // namespace
}  // namespace nmx::bench

int main(int argc, char** argv) {
  std::printf("nmxj %s, kernels: %s, threads available: %d\n", nmxjGetLibVersion()->versionText,
              nmx::target_name(nmx::best_target()), ownGetNumThreads());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  nmx::bench::Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  nmx::bench::print_ratios(recorder.rates);
  benchmark::Shutdown();
  return 0;
}
