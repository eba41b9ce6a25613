// Minimal binary PPM (P6) / PGM (P5) reader for tests and benchmarks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace nmx::test {

struct Image {
  int width = 0, height = 0, channels = 0;  // channels 1 (PGM) or 3 (PPM)
  std::vector<uint8_t> pixels;               // rows of width * channels bytes
};

// Reads a P5/P6 file with maxval 255; returns an empty image on any problem.
inline Image read_pnm(const std::string& path) {
  Image img;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return img;
  char magic[3] = {};
  int w = 0, h = 0, maxval = 0;
  if (std::fscanf(f, "%2s", magic) == 1 && std::fscanf(f, " %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 &&
      w > 0 && h > 0 && std::fgetc(f) != EOF) {
    const int ch = magic[1] == '6' ? 3 : magic[1] == '5' ? 1 : 0;
    if (ch) {
      img.pixels.resize(static_cast<size_t>(w) * h * ch);
      if (std::fread(img.pixels.data(), 1, img.pixels.size(), f) == img.pixels.size()) {
        img.width = w;
        img.height = h;
        img.channels = ch;
      } else {
        img.pixels.clear();
      }
    }
  }
  std::fclose(f);
  return img;
}

// The three test photographs shipped in tests/data.
inline std::vector<std::string> corpus_paths() {
  const std::string dir = NMXJ_TEST_DATA;
  return {dir + "/astronaut.ppm", dir + "/chelsea.ppm", dir + "/coffee.ppm"};
}

}  // namespace nmx::test
