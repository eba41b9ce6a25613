// nmxj-jpeg: baseline JPEG encoder and decoder built from nmxj's exports.
//
//   nmxj-jpeg encode [-q 1..100] [-s 444|422|420|gray] [-r RESTART_MCUS] IN.ppm|IN.pgm OUT.jpg
//   nmxj-jpeg decode [--scale 1|2|4|8] IN.jpg OUT.ppm|OUT.pgm
//   nmxj-jpeg demo [OUT_DIR]
//   nmxj-jpeg --help
// Each command also takes --threads N (default 1) for the library's parallel
// row loops.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "jpeg/codec.h"
#include "jpeg/pnm.h"
#include "nmxcore.h"
#include "nmxj.h"

namespace {

using namespace nmxjpeg;

const char kUsage[] =
    "usage:\n"
    "  nmxj-jpeg encode [-q 1..100] [-s 444|422|420|gray] [-r RESTART_MCUS] IN.ppm|IN.pgm OUT.jpg\n"
    "      baseline JFIF; defaults: quality 75, 4:2:0 for colour input, no restart markers\n"
    "  nmxj-jpeg decode [--scale 1|2|4|8] IN.jpg OUT.ppm|OUT.pgm\n"
    "      baseline and extended sequential 8-bit Huffman JPEG with 1 or 3 components;\n"
    "      a gray JPEG decodes to PGM; --scale N decodes at 1/N size\n"
    "  nmxj-jpeg demo [OUT_DIR]\n"
    "      encodes a built-in picture, decodes it back and prints size, PSNR and time\n"
    "  nmxj-jpeg --help\n"
    "each command also takes --threads N: threads for the whole-plane stages (default 1)\n";

int usage_error(const char* why) {
  std::fprintf(stderr, "nmxj-jpeg: %s\n%s", why, kUsage);
  return 2;
}

int fail(const std::string& why) {
  std::fprintf(stderr, "nmxj-jpeg: %s\n", why.c_str());
  return 1;
}

bool read_file(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return error = "cannot open " + path, false;
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& data, std::string& error) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!f) return error = "cannot write " + path, false;
  return true;
}

bool parse_int(const char* s, int lo, int hi, int& value) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < lo || v > hi) return false;
  value = static_cast<int>(v);
  return true;
}

int cmd_encode(int argc, char** argv) {
  EncodeOptions opt;
  const char* in = nullptr;
  const char* out = nullptr;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "-q" || a == "-r" || a == "-s") && i + 1 >= argc) return usage_error(("missing value after " + a).c_str());
    if (a == "-q") {
      if (!parse_int(argv[++i], 1, 100, opt.quality)) return usage_error("quality must be 1..100");
    } else if (a == "-r") {
      if (!parse_int(argv[++i], 0, 65535, opt.restart_mcus)) return usage_error("restart interval must be 0..65535");
    } else if (a == "-s") {
      const std::string s = argv[++i];
      if (s == "444") opt.sampling = Sampling::S444;
      else if (s == "422") opt.sampling = Sampling::S422;
      else if (s == "420") opt.sampling = Sampling::S420;
      else if (s == "gray") opt.sampling = Sampling::Gray;
      else return usage_error("sampling must be 444, 422, 420 or gray");
    } else if (!in) {
      in = argv[i];
    } else if (!out) {
      out = argv[i];
    } else {
      return usage_error("too many arguments");
    }
  }
  if (!in || !out) return usage_error("encode needs an input and an output file");
  Image img;
  std::string error;
  std::vector<uint8_t> jpeg;
  if (!read_pnm(in, img, error) || !encode(img, opt, jpeg, error) || !write_file(out, jpeg, error)) return fail(error);
  return 0;
}

int cmd_decode(int argc, char** argv) {
  DecodeOptions opt;
  const char* in = nullptr;
  const char* out = nullptr;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--scale") {
      if (i + 1 >= argc || !parse_int(argv[++i], 1, 8, opt.scale) || (opt.scale & (opt.scale - 1)))
        return usage_error("scale must be 1, 2, 4 or 8");
    } else if (!in) {
      in = argv[i];
    } else if (!out) {
      out = argv[i];
    } else {
      return usage_error("too many arguments");
    }
  }
  if (!in || !out) return usage_error("decode needs an input and an output file");
  std::vector<uint8_t> data;
  Image img;
  std::string error;
  if (!read_file(in, data, error)) return fail(error);
  if (!decode(data.data(), data.size(), opt, img, error)) return fail(std::string(in) + ": " + error);
  if (!write_pnm(out, img, error)) return fail(error);
  return 0;
}

// A 1024x768 test picture: colour gradients, rings and a patch of fine light
// stripes over the rings, so that both smooth areas and sharp edges show in
// the result.
Image demo_picture() {
  Image img;
  img.width = 1024;
  img.height = 768;
  img.channels = 3;
  img.pixels.resize(static_cast<size_t>(img.width) * img.height * 3);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const double dx = x - 600.0, dy = y - 380.0;
      const double ring = 0.5 + 0.5 * std::cos(std::sqrt(dx * dx + dy * dy) / 9.0);
      const bool stripes = x < 256 && y > 512 && (x / 3 + y / 5) % 4 == 0;
      uint8_t* p = &img.pixels[(static_cast<size_t>(y) * img.width + x) * 3];
      p[0] = static_cast<uint8_t>(stripes ? 225 : 255.0 * x / img.width * (0.6 + 0.4 * ring));
      p[1] = static_cast<uint8_t>(stripes ? 225 : 255.0 * y / img.height * (0.7 + 0.3 * ring));
      p[2] = static_cast<uint8_t>(stripes ? 225 : 200.0 * ring + 40.0 * (x + y) / 1792.0);
    }
  return img;
}

int cmd_demo(int argc, char** argv) {
  const std::string dir = argc > 0 ? argv[0] : ".";
  const NmxVersionInfo* v = nmxjGetLibVersion();
  std::printf("%s %s\n", v->name, v->versionText);
  const Image src = demo_picture();
  std::string error;
  const std::string src_path = dir + "/demo-source.ppm", jpg_path = dir + "/demo.jpg",
                    out_path = dir + "/demo-decoded.ppm";
  if (!write_pnm(src_path, src, error)) return fail(error);

  // Best of five runs of each, so that first-touch costs do not count.
  using Clock = std::chrono::steady_clock;
  std::vector<uint8_t> jpeg;
  Image back;
  double enc_ms = 1e30, dec_ms = 1e30;
  for (int run = 0; run < 5; ++run) {
    const auto t0 = Clock::now();
    if (!encode(src, EncodeOptions{}, jpeg, error)) return fail(error);
    const auto t1 = Clock::now();
    if (!decode(jpeg.data(), jpeg.size(), DecodeOptions{}, back, error)) return fail(error);
    const auto t2 = Clock::now();
    enc_ms = std::min(enc_ms, std::chrono::duration<double, std::milli>(t1 - t0).count());
    dec_ms = std::min(dec_ms, std::chrono::duration<double, std::milli>(t2 - t1).count());
  }
  if (!write_file(jpg_path, jpeg, error) || !write_pnm(out_path, back, error)) return fail(error);
  std::printf("picture      %d x %d RGB (%s)\n", src.width, src.height, src_path.c_str());
  std::printf("encoded      %s: %zu bytes, %.2f bits/pixel (quality 75, 4:2:0)\n", jpg_path.c_str(), jpeg.size(),
              8.0 * jpeg.size() / (src.width * src.height));
  std::printf("decoded      %s\n", out_path.c_str());
  std::printf("PSNR         %.2f dB\n", psnr(src, back));
  std::printf("encode time  %.2f ms (%.0f Mpixel/s)\n", enc_ms, src.width * src.height / enc_ms / 1000.0);
  std::printf("decode time  %.2f ms (%.0f Mpixel/s)\n", dec_ms, src.width * src.height / dec_ms / 1000.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The codec calls the whole-plane stages (colour conversion, sampling) one
  // MCU row at a time: regions of some ten thousand pixels, where opening a
  // parallel region costs about what it saves. Decoding the demo picture took
  // about 1.2 ms in one thread and 2.0 ms in two on our 2-core machines, so
  // the tool runs in one thread unless asked for more.
  int threads = 1;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--threads") == 0) {
      if (i + 1 >= argc || !parse_int(argv[++i], 1, 1024, threads)) return usage_error("threads must be 1..1024");
      continue;
    }
    argv[kept++] = argv[i];
  }
  argc = kept;
  nmxSetNumThreads(threads);
  if (argc < 2) return usage_error("no command");
  const std::string cmd = argv[1];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (cmd == "encode") return cmd_encode(argc - 2, argv + 2);
  if (cmd == "decode") return cmd_decode(argc - 2, argv + 2);
  if (cmd == "demo") return cmd_demo(argc - 2, argv + 2);
  return usage_error(("unknown command " + cmd).c_str());
}
