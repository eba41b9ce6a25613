// Shared pieces of the benchmarks: deterministic test planes and the peer
// comparison line printed after each family.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace nmx::bench {

// A comparison printed after all benchmarks ran: the rate of run `ours`
// divided by the rate of run `peer` (full run names as printed, e.g.
// "BM_Sub128/one_thread:1/real_time"). The rate is items/s when both runs
// report items, else bytes/s, else iterations per second of real time.
struct Ratio {
  std::string label, ours, peer;
};
std::vector<Ratio>& ratios();

// Registers a ratio at static-initialisation time: `static Ratio r = ...`.
inline int add_ratio(std::string label, std::string ours, std::string peer) {
  ratios().push_back({std::move(label), std::move(ours), std::move(peer)});
  return 0;
}

// A smooth-ish 8-bit plane (gradients plus noise), like photograph content.
inline std::vector<uint8_t> test_plane(int width, int height, int channels = 1, uint32_t seed = 1) {
  std::vector<uint8_t> p(static_cast<size_t>(width) * height * channels);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c) {
        const int v = (x * (3 + c) / 8 + y * (5 - c) / 8 + noise(rng)) & 511;
        p[(static_cast<size_t>(y) * width + x) * channels + c] = static_cast<uint8_t>(v > 255 ? 511 - v : v);
      }
  return p;
}

}  // namespace nmx::bench
