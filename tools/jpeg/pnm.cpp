#include "jpeg/pnm.h"

#include <cstdio>
#include <memory>

namespace nmxjpeg {
namespace {

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

// Reads one header number, passing over white space and # comments.
bool header_number(FILE* f, int& value) {
  int c = std::fgetc(f);
  while (c == '#' || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
    if (c == '#')
      while (c != '\n' && c != EOF) c = std::fgetc(f);
    c = std::fgetc(f);
  }
  if (c < '0' || c > '9') return false;
  long v = 0;
  while (c >= '0' && c <= '9') {
    v = v * 10 + (c - '0');
    if (v > 1000000) return false;
    c = std::fgetc(f);
  }
  value = static_cast<int>(v);
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';  // one white-space byte ends the field
}

}  // namespace

bool read_pnm(const std::string& path, Image& image, std::string& error) {
  File f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return error = "cannot open " + path, false;
  char magic[2];
  if (std::fread(magic, 1, 2, f.get()) != 2 || magic[0] != 'P' || (magic[1] != '5' && magic[1] != '6'))
    return error = path + ": not a binary PPM (P6) or PGM (P5) file", false;
  int w = 0, h = 0, maxval = 0;
  if (!header_number(f.get(), w) || !header_number(f.get(), h) || !header_number(f.get(), maxval))
    return error = path + ": bad header", false;
  if (w < 1 || h < 1 || w > 65535 || h > 65535) return error = path + ": unsupported size", false;
  if (maxval != 255) return error = path + ": only 8-bit samples (maxval 255) are supported", false;
  image.width = w;
  image.height = h;
  image.channels = magic[1] == '6' ? 3 : 1;
  image.pixels.resize(static_cast<size_t>(w) * h * image.channels);
  if (std::fread(image.pixels.data(), 1, image.pixels.size(), f.get()) != image.pixels.size())
    return error = path + ": file is truncated", false;
  return true;
}

bool write_pnm(const std::string& path, const Image& image, std::string& error) {
  File f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f) return error = "cannot create " + path, false;
  std::fprintf(f.get(), "P%c\n%d %d\n255\n", image.channels == 3 ? '6' : '5', image.width, image.height);
  if (std::fwrite(image.pixels.data(), 1, image.pixels.size(), f.get()) != image.pixels.size())
    return error = "cannot write " + path, false;
  return true;
}

}  // namespace nmxjpeg
