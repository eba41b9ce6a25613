#include <benchmark/benchmark.h>

#include <cstdio>

#include "frame/target.h"
#include "nmxcore.h"
#include "nmxj.h"

int main(int argc, char** argv) {
  std::printf("nmxj %s, kernels: %s, threads available: %d\n", nmxjGetLibVersion()->versionText,
              nmx::target_name(nmx::best_target()), ownGetNumThreads());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
