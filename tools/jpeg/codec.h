// A small baseline JPEG codec built only from nmxj's exports: the library does
// every computational stage (colour conversion, chroma sampling, DCT and
// quantization, Huffman coding); this module writes and parses the markers
// and runs the MCU loops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nmxjpeg {

struct Image {
  int width = 0, height = 0, channels = 0;  // channels: 1 (gray) or 3 (RGB)
  std::vector<uint8_t> pixels;               // rows of width * channels bytes
};

enum class Sampling { S444, S422, S420, Gray };

struct EncodeOptions {
  int quality = 75;         // 1..100
  Sampling sampling = Sampling::S420;
  int restart_mcus = 0;     // 0: no restart markers
};

struct DecodeOptions {
  int scale = 1;                        // 1, 2, 4 or 8: output is ceil(size / scale)
  int64_t max_pixels = int64_t{1} << 28;  // larger frames are refused before any allocation
};

// Memory an encoder keeps between images, like a codec handle: pass the same
// workspace to many encode() calls and the output buffer is allocated once.
struct Workspace {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
};

// Encodes RGB or gray pixels as a baseline JFIF file. Gray input is always
// written as a one-component file; RGB input with Sampling::Gray as its luma.
bool encode(const Image& image, const EncodeOptions& options, std::vector<uint8_t>& out, std::string& error,
            Workspace* workspace = nullptr);

// Decodes a baseline (or extended sequential 8-bit Huffman) JPEG with one or
// three components. Anything else is rejected with a message.
bool decode(const uint8_t* data, size_t size, const DecodeOptions& options, Image& out, std::string& error);

// The quantized coefficients of each component, as the entropy decoder gives
// them: blocks in raster order over the component's block grid (padded to
// whole MCUs), 64 natural-order values each.
struct Coefficients {
  struct Component {
    int id = 0, h = 1, v = 1;
    int blocks_wide = 0, blocks_high = 0;
    std::vector<int16_t> values;  // blocks_wide * blocks_high * 64
  };
  int width = 0, height = 0;
  std::vector<Component> components;
};
bool decode_coefficients(const uint8_t* data, size_t size, Coefficients& out, std::string& error,
                         int64_t max_pixels = int64_t{1} << 28);

// Peak signal-to-noise ratio of two images of the same shape, in dB.
double psnr(const Image& a, const Image& b);

}  // namespace nmxjpeg
