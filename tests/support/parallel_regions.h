// Counts the OpenMP parallel regions the process opens, so that a test can
// tell whether an entry point split its rows over threads or ran them in the
// calling thread.
#pragma once

namespace nmx::test {

// Regions opened so far, or -1 where they cannot be counted (a compiler or
// runtime that opens regions through another entry than the one wrapped).
long parallel_regions();

}  // namespace nmx::test
