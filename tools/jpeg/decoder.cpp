// Baseline JPEG decoder: Huffman decoding, the fused dequantization + inverse
// DCT + level shift (full size or reduced), chroma up-sampling and colour
// conversion come from nmxj; here are the marker parser, the scan and MCU
// loops with restart handling, and the edge replication the filters need.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "jpeg/codec.h"
#include "jpeg/planes.h"
#include "nmxj.h"

namespace nmxjpeg {
namespace {

struct Component {
  int id = 0, h = 1, v = 1, quant = 0;
  int blocks_wide = 0, blocks_high = 0;  // block grid padded to whole MCUs
  Plane plane;                           // decoded samples (at the output scale)
  std::vector<int16_t> coefficients;     // only when collecting coefficients
  bool seen = false;                     // coded in some scan
};

struct Frame {
  int width = 0, height = 0, ncomp = 0, hmax = 1, vmax = 1, mcus_x = 0, mcus_y = 0;
  Component comp[3];
};

struct Tables {
  bool have_quant[4] = {};
  uint16_t quant[4][64];  // natural order
  std::unique_ptr<uint8_t[]> huff[2][4];  // [class][id], decoder records
  int restart_interval = 0;
  int adobe_transform = -1;  // APP14 colour transform flag, -1 when absent
};

class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size, int scale, bool collect, int64_t max_pixels)
      : data_(data), size_(size), scale_(scale), collect_(collect), max_pixels_(max_pixels) {}

  bool run(std::string& error);
  const Frame& frame() const { return frame_; }
  Frame& frame() { return frame_; }
  const Tables& tables() const { return tables_; }

 private:
  bool fail(const std::string& why) { return error_ = why, false; }
  bool need(size_t n) const { return pos_ + n <= size_; }
  int u8() { return data_[pos_++]; }
  int u16() { const int v = data_[pos_] << 8 | data_[pos_ + 1]; pos_ += 2; return v; }

  bool segment_length(size_t& end);
  bool parse_sof(int marker);
  bool parse_dht();
  bool parse_dqt();
  bool parse_dri();
  bool parse_app14(size_t end);
  bool parse_sos();
  bool decode_scan(const int* comps, const int* dc, const int* ac, int ns);
  bool restart();
  bool store_block(Component& c, int bx, int by, const int16_t* coef);
  void skip_to_marker();

  const uint8_t* data_;
  size_t size_, pos_ = 0;
  int scale_;
  bool collect_;
  int64_t max_pixels_;
  bool have_frame_ = false, have_scan_ = false;
  Frame frame_;
  Tables tables_;
  std::string error_;

  // Entropy decoder state of the current scan.
  std::unique_ptr<uint8_t[]> state_mem_;
  int32_t spos_ = 0, marker_ = 0;
  int restarts_seen_ = 0;
};

bool Decoder::segment_length(size_t& end) {
  if (!need(2)) return fail("file ends inside a marker segment");
  const int len = u16();
  if (len < 2 || !need(static_cast<size_t>(len) - 2)) return fail("marker segment runs past the end of the file");
  end = pos_ + len - 2;
  return true;
}

bool Decoder::parse_sof(int marker) {
  if (marker == 0xC2 || marker == 0xC6) return fail("progressive JPEG is not supported");
  if (marker == 0xC3 || marker == 0xC7) return fail("lossless JPEG is not supported");
  if (marker == 0xC5) return fail("hierarchical JPEG is not supported");
  if (marker >= 0xC9) return fail("arithmetic-coded JPEG is not supported");
  if (have_frame_) return fail("more than one frame header");
  size_t end;
  if (!segment_length(end)) return false;
  if (end - pos_ < 6) return fail("frame header too short");
  const int precision = u8();
  frame_.height = u16();
  frame_.width = u16();
  frame_.ncomp = u8();
  if (precision != 8) return fail(std::to_string(precision) + "-bit JPEG is not supported (8-bit only)");
  if (frame_.ncomp == 4) return fail("four-component (CMYK/YCCK) JPEG is not supported");
  if (frame_.ncomp != 1 && frame_.ncomp != 3) return fail("only 1- or 3-component JPEG is supported");
  if (frame_.height == 0) return fail("a height given later in the file (DNL) is not supported");
  if (frame_.width == 0) return fail("image width is 0");
  if (static_cast<int64_t>(frame_.width) * frame_.height > max_pixels_) return fail("image too large");
  if (end - pos_ != static_cast<size_t>(3 * frame_.ncomp)) return fail("frame header has the wrong length");
  for (int i = 0; i < frame_.ncomp; ++i) {
    Component& c = frame_.comp[i];
    c.id = u8();
    const int hv = u8();
    c.h = hv >> 4;
    c.v = hv & 15;
    c.quant = u8();
    if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4) return fail("bad sampling factors");
    if (c.quant > 3) return fail("bad quantization table number");
    for (int j = 0; j < i; ++j)
      if (frame_.comp[j].id == c.id) return fail("two components with one identifier");
  }
  if (frame_.ncomp == 1) frame_.comp[0].h = frame_.comp[0].v = 1;  // a single component is never interleaved
  for (int i = 0; i < frame_.ncomp; ++i) {
    frame_.hmax = std::max(frame_.hmax, frame_.comp[i].h);
    frame_.vmax = std::max(frame_.vmax, frame_.comp[i].v);
  }
  for (int i = 0; i < frame_.ncomp; ++i)
    if (frame_.hmax % frame_.comp[i].h || frame_.vmax % frame_.comp[i].v)
      return fail("sampling factors that are not whole ratios are not supported");
  frame_.mcus_x = (frame_.width + 8 * frame_.hmax - 1) / (8 * frame_.hmax);
  frame_.mcus_y = (frame_.height + 8 * frame_.vmax - 1) / (8 * frame_.vmax);
  const int bs = 8 / scale_;
  for (int i = 0; i < frame_.ncomp; ++i) {
    Component& c = frame_.comp[i];
    c.blocks_wide = frame_.mcus_x * c.h;
    c.blocks_high = frame_.mcus_y * c.v;
    if (collect_) c.coefficients.assign(static_cast<size_t>(c.blocks_wide) * c.blocks_high * 64, 0);
    else c.plane = Plane(c.blocks_wide * bs, c.blocks_high * bs, 1);
  }
  have_frame_ = true;
  return true;
}

bool Decoder::parse_dht() {
  size_t end;
  if (!segment_length(end)) return false;
  while (pos_ < end) {
    if (end - pos_ < 17) return fail("Huffman table segment too short");
    const int tc_th = u8();
    const int tc = tc_th >> 4, th = tc_th & 15;
    if (tc > 1 || th > 3) return fail("bad Huffman table class or number");
    uint8_t counts[16];
    int total = 0;
    for (uint8_t& c : counts) total += c = static_cast<uint8_t>(u8());
    if (total > 256 || end - pos_ < static_cast<size_t>(total)) return fail("bad Huffman table");
    uint8_t symbols[256] = {};
    for (int i = 0; i < total; ++i) symbols[i] = static_cast<uint8_t>(u8());
    int32_t size = 0;
    nmxiDecodeHuffmanSpecGetBufSize_JPEG_8u(&size);
    tables_.huff[tc][th].reset(new uint8_t[size]);
    if (nmxiDecodeHuffmanSpecInit_JPEG_8u(counts, symbols,
                                          reinterpret_cast<NmxDecodeHuffmanSpec*>(tables_.huff[tc][th].get())) !=
        nmxStatusOk)
      return fail("invalid Huffman table");
  }
  return true;
}

bool Decoder::parse_dqt() {
  size_t end;
  if (!segment_length(end)) return false;
  while (pos_ < end) {
    const int pq_tq = u8();
    const int pq = pq_tq >> 4, tq = pq_tq & 15;
    if (pq > 1 || tq > 3) return fail("bad quantization table");
    if (end - pos_ < static_cast<size_t>(64 * (pq + 1))) return fail("quantization table segment too short");
    uint8_t raw[64];
    for (uint8_t& q : raw) {
      const int v = pq ? u16() : u8();
      if (v > 255) return fail("quantization tables with values above 255 are not supported");
      q = static_cast<uint8_t>(v);
    }
    nmxiQuantInvTableInit_JPEG_8u16u(raw, tables_.quant[tq]);
    tables_.have_quant[tq] = true;
  }
  return true;
}

bool Decoder::parse_dri() {
  size_t end;
  if (!segment_length(end)) return false;
  if (end - pos_ != 2) return fail("bad restart interval segment");
  tables_.restart_interval = u16();
  return true;
}

bool Decoder::parse_app14(size_t end) {
  static const uint8_t kAdobe[5] = {'A', 'd', 'o', 'b', 'e'};
  if (end - pos_ >= 12 && std::memcmp(data_ + pos_, kAdobe, 5) == 0) tables_.adobe_transform = data_[pos_ + 11];
  pos_ = end;
  return true;
}

bool Decoder::parse_sos() {
  if (!have_frame_) return fail("scan before the frame header");
  size_t end;
  if (!segment_length(end)) return false;
  if (end - pos_ < 1) return fail("scan header too short");
  const int ns = u8();
  if (ns < 1 || ns > frame_.ncomp || end - pos_ != static_cast<size_t>(2 * ns + 3)) return fail("bad scan header");
  int comps[3], dc[3], ac[3];
  int blocks_in_mcu = 0;
  for (int i = 0; i < ns; ++i) {
    const int id = u8(), t = u8();
    comps[i] = -1;
    for (int k = 0; k < frame_.ncomp; ++k)
      if (frame_.comp[k].id == id) comps[i] = k;
    if (comps[i] < 0) return fail("scan names an unknown component");
    for (int j = 0; j < i; ++j)
      if (comps[j] == comps[i]) return fail("scan names a component twice");
    dc[i] = t >> 4;
    ac[i] = t & 15;
    if (dc[i] > 3 || ac[i] > 3 || !tables_.huff[0][dc[i]] || !tables_.huff[1][ac[i]])
      return fail("scan uses a Huffman table that is not defined");
    const Component& c = frame_.comp[comps[i]];
    if (!tables_.have_quant[c.quant]) return fail("component uses a quantization table that is not defined");
    blocks_in_mcu += c.h * c.v;
  }
  if (ns > 1 && blocks_in_mcu > 10) return fail("too many blocks in an MCU");
  const int ss = u8(), se = u8(), ahal = u8();
  if (ss != 0 || se != 63 || ahal != 0) return fail("scan is not sequential (progressive data)");
  return decode_scan(comps, dc, ac, ns);
}

void Decoder::skip_to_marker() {
  while (pos_ + 1 < size_ && !(data_[pos_] == 0xFF && data_[pos_ + 1] != 0 && data_[pos_ + 1] != 0xFF)) ++pos_;
}

bool Decoder::restart() {
  if (marker_ == 0) {
    pos_ = static_cast<size_t>(spos_);
    skip_to_marker();
    if (pos_ + 1 >= size_) return fail("entropy-coded data ends before a restart marker");
    marker_ = data_[pos_ + 1];
    spos_ = static_cast<int32_t>(pos_ + 2);
  }
  if (marker_ < 0xD0 || marker_ > 0xD7) return fail("expected a restart marker");
  marker_ = 0;
  ++restarts_seen_;
  nmxiDecodeHuffmanStateInit_JPEG_8u(reinterpret_cast<NmxDecodeHuffmanState*>(state_mem_.get()));
  return true;
}

// The smallest top-left corner (1, 2, 4 or 8 coefficients square) outside
// which every coefficient of the block is zero: sparse blocks take the
// shortcut inverse transforms, which give the full transform's result.
int nonzero_corner(const int16_t* c) {
  uint64_t left[8], right[8];  // columns 0-3 and 4-7 of each row
  for (int r = 0; r < 8; ++r) {
    std::memcpy(&left[r], c + 8 * r, 8);
    std::memcpy(&right[r], c + 8 * r + 4, 8);
  }
  uint64_t outside4 = left[4] | left[5] | left[6] | left[7];
  for (int r = 0; r < 8; ++r) outside4 |= right[r];
  if (outside4) return 8;
  constexpr uint64_t kCols23 = 0xFFFFFFFF00000000u;  // columns 2 and 3 of a row
  if (left[2] | left[3] | ((left[0] | left[1]) & kCols23)) return 4;
  return ((left[0] & ~uint64_t{0xFFFF}) | left[1]) ? 2 : 1;
}

bool Decoder::store_block(Component& c, int bx, int by, const int16_t* coef) {
  if (collect_) {
    std::memcpy(&c.coefficients[(static_cast<size_t>(by) * c.blocks_wide + bx) * 64], coef, 128);
    return true;
  }
  const uint16_t* q = tables_.quant[c.quant];
  const int bs = 8 / scale_;
  uint8_t* dst = c.plane.row(by * bs) + bx * bs;
  const int32_t step = c.plane.stride();
  nmxStatus s;
  switch (scale_) {
    case 1:
      // DC-only blocks take the 2x2 form too: it rounds like the full
      // transform, where the 1x1 form rounds down.
      switch (nonzero_corner(coef)) {
        case 1:
        case 2: s = nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R(coef, dst, step, q); break;
        case 4: s = nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R(coef, dst, step, q); break;
        default: s = nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(coef, dst, step, q);
      }
      break;
    case 2: s = nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R(coef, dst, step, q); break;
    case 4: s = nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R(coef, dst, step, q); break;
    default: {
      uint8_t block[64];
      s = nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R(coef, block, 8, q);
      *dst = block[0];
    }
  }
  return s == nmxStatusOk || fail("inverse DCT failed");
}

bool Decoder::decode_scan(const int* comps, const int* dc, const int* ac, int ns) {
  int32_t state_size = 0;
  nmxiDecodeHuffmanStateGetBufSize_JPEG_8u(&state_size);
  state_mem_.reset(new uint8_t[state_size]);
  auto* state = reinterpret_cast<NmxDecodeHuffmanState*>(state_mem_.get());
  nmxiDecodeHuffmanStateInit_JPEG_8u(state);
  if (size_ > 0x7FFFFFFF) return fail("file too large");
  spos_ = static_cast<int32_t>(pos_);
  marker_ = 0;
  int16_t pred[3] = {0, 0, 0};
  alignas(16) int16_t coef[64];

  // A scan of one component codes its blocks one by one over the component's
  // own size; a scan of several codes whole MCUs.
  int units_x = frame_.mcus_x, units_y = frame_.mcus_y;
  if (ns == 1) {
    const Component& c = frame_.comp[comps[0]];
    const int cw = (frame_.width * c.h + frame_.hmax - 1) / frame_.hmax;
    const int ch = (frame_.height * c.v + frame_.vmax - 1) / frame_.vmax;
    units_x = (cw + 7) / 8;
    units_y = (ch + 7) / 8;
  }
  const int64_t units = static_cast<int64_t>(units_x) * units_y;
  const int interval = tables_.restart_interval;
  for (int64_t u = 0; u < units; ++u) {
    if (interval && u && u % interval == 0) {
      std::fill(pred, pred + 3, 0);
      if (!restart()) return false;
    }
    const int ux = static_cast<int>(u % units_x), uy = static_cast<int>(u / units_x);
    for (int i = 0; i < ns; ++i) {
      Component& c = frame_.comp[comps[i]];
      const auto* dcs = reinterpret_cast<const NmxDecodeHuffmanSpec*>(tables_.huff[0][dc[i]].get());
      const auto* acs = reinterpret_cast<const NmxDecodeHuffmanSpec*>(tables_.huff[1][ac[i]].get());
      const int bh = ns == 1 ? 1 : c.v, bw = ns == 1 ? 1 : c.h;
      for (int v = 0; v < bh; ++v)
        for (int h = 0; h < bw; ++h) {
          const nmxStatus s = nmxiDecodeHuffman8x8_JPEG_1u16s_C1(data_, static_cast<int32_t>(size_), &spos_, coef,
                                                                 &pred[i], &marker_, dcs, acs, state);
          if (s != nmxStatusOk) {
            if (s == nmxStatusBufferEndErr) return fail("file is truncated inside the entropy-coded data");
            return fail("corrupt entropy-coded data (status " + std::to_string(s) + ")");
          }
          const int bx = ns == 1 ? ux : ux * c.h + h, by = ns == 1 ? uy : uy * c.v + v;
          if (!store_block(c, bx, by, coef)) return false;
        }
      c.seen = true;
    }
  }
  // Continue the parse at the marker that ends the scan.
  pos_ = static_cast<size_t>(spos_);
  if (marker_ != 0) pos_ -= 2;
  else skip_to_marker();
  have_scan_ = true;
  return true;
}

bool Decoder::run(std::string& error) {
  if (size_ < 4 || data_[0] != 0xFF || data_[1] != 0xD8) return error = "not a JPEG file (no start-of-image marker)", false;
  pos_ = 2;
  bool ok = true, done = false;
  while (ok && !done) {
    // Markers: 0xFF, any fill bytes, then the code.
    while (pos_ < size_ && data_[pos_] != 0xFF) ++pos_;  // stray bytes between segments
    while (pos_ < size_ && data_[pos_] == 0xFF) ++pos_;
    if (pos_ >= size_) break;  // no end-of-image marker: accept what was decoded
    const int m = u8();
    size_t end;
    if (m == 0xD9) done = true;
    else if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) ok = parse_sof(m);
    else if (m == 0xCC) ok = fail("arithmetic-coded JPEG is not supported");
    else if (m == 0xC4) ok = parse_dht();
    else if (m == 0xDB) ok = parse_dqt();
    else if (m == 0xDD) ok = parse_dri();
    else if (m == 0xDA) ok = parse_sos();
    else if (m == 0xD8) ok = fail("unexpected start-of-image marker");
    else if ((m >= 0xD0 && m <= 0xD7) || m == 0x01) continue;  // markers without a segment
    else if (m == 0xEE) ok = segment_length(end) && parse_app14(end);
    else if ((ok = segment_length(end))) pos_ = end;  // APPn, COM and others: skipped
  }
  if (ok && !have_frame_) ok = fail("no frame header");
  if (ok && !have_scan_) ok = fail("no image data");
  for (int i = 0; ok && i < frame_.ncomp; ++i)
    if (!frame_.comp[i].seen) ok = fail("a component has no image data");
  if (!ok) error = error_;
  return ok;
}

// Up-samples rows [y0, y0 + rows) of a component to the output size into
// `out` (rows from 0): the library's triangle filters for 2x horizontal (and
// vertical) ratios, plain replication for the rare others. The component
// plane has its edges replicated, so the filters find their context rows.
bool upsample_band(const Component& c, int rx, int ry, int out_w, int y0, int rows, Plane& out) {
  const int cw = (out_w + rx - 1) / rx;
  const NmxSize dst{out_w, rows};
  if (rx == 2 && ry == 2)
    return nmxiSampleUpH2V2_JPEG_8u_C1R(c.plane.row(y0 / 2), c.plane.stride(), {cw, (rows + 1) / 2}, out.origin(),
                                        out.stride(), dst) == nmxStatusOk;
  if (rx == 2 && ry == 1)
    return nmxiSampleUpH2V1_JPEG_8u_C1R(c.plane.row(y0), c.plane.stride(), {cw, rows}, out.origin(), out.stride(),
                                        dst) == nmxStatusOk;
  for (int y = 0; y < rows; ++y) {
    const uint8_t* src = c.plane.row((y0 + y) / ry);
    uint8_t* d = out.row(y);
    for (int x = 0; x < out_w; ++x) d[x] = src[x / rx];
  }
  return true;
}

}  // namespace

bool decode(const uint8_t* data, size_t size, const DecodeOptions& opt, Image& out, std::string& error) {
  if (opt.scale != 1 && opt.scale != 2 && opt.scale != 4 && opt.scale != 8)
    return error = "scale must be 1, 2, 4 or 8", false;
  Decoder dec(data, size, opt.scale, false, opt.max_pixels);
  if (!dec.run(error)) return false;
  Frame& f = dec.frame();
  const int ow = (f.width + opt.scale - 1) / opt.scale, oh = (f.height + opt.scale - 1) / opt.scale;
  out.width = ow;
  out.height = oh;
  out.channels = f.ncomp == 1 ? 1 : 3;
  out.pixels.resize(static_cast<size_t>(ow) * oh * out.channels);
  if (f.ncomp == 1) {
    for (int y = 0; y < oh; ++y) std::memcpy(&out.pixels[static_cast<size_t>(y) * ow], f.comp[0].plane.row(y), ow);
    return true;
  }
  // Colour output band by band: chroma up-sampled into band buffers that
  // share the luma plane's row step, then converted with the luma rows.
  const int full_w = f.comp[0].plane.width() * f.hmax / f.comp[0].h;
  const int32_t step = Plane::stride_for(full_w, 1);
  constexpr int kBand = 64;  // even, so that 2x vertical filters stay in phase
  Plane band[3];
  int rx[3], ry[3];
  for (int i = 0; i < 3; ++i) {
    Component& c = f.comp[i];
    rx[i] = f.hmax / c.h;
    ry[i] = f.vmax / c.v;
    if (rx[i] == 1 && ry[i] == 1 && c.plane.stride() == step) continue;  // used in place
    c.plane.replicate_edges((ow + rx[i] - 1) / rx[i], (oh + ry[i] - 1) / ry[i]);
    band[i] = Plane(full_w, kBand, 1);
  }
  const bool rgb = dec.tables().adobe_transform == 0;  // stored as RGB, not YCbCr
  for (int y0 = 0; y0 < oh; y0 += kBand) {
    const int rows = std::min(kBand, oh - y0);
    const uint8_t* planes[3];
    for (int i = 0; i < 3; ++i) {
      if (band[i].stride() == 0) {
        planes[i] = f.comp[i].plane.row(y0);
        continue;
      }
      if (!upsample_band(f.comp[i], rx[i], ry[i], ow, y0, rows, band[i]))
        return error = "chroma up-sampling failed", false;
      planes[i] = band[i].origin();
    }
    uint8_t* dst = out.pixels.data() + static_cast<size_t>(y0) * ow * 3;
    if (rgb) {
      for (int y = 0; y < rows; ++y)
        for (int x = 0; x < ow; ++x)
          for (int i = 0; i < 3; ++i)
            dst[(static_cast<size_t>(y) * ow + x) * 3 + i] = planes[i][static_cast<ptrdiff_t>(y) * step + x];
    } else if (nmxiYCbCrToRGB_JPEG_8u_P3C3R(planes, step, dst, ow * 3, {ow, rows}) != nmxStatusOk) {
      return error = "colour conversion failed", false;
    }
  }
  return true;
}

bool decode_coefficients(const uint8_t* data, size_t size, Coefficients& out, std::string& error,
                         int64_t max_pixels) {
  Decoder dec(data, size, 1, true, max_pixels);
  if (!dec.run(error)) return false;
  Frame& f = dec.frame();
  out.width = f.width;
  out.height = f.height;
  out.components.clear();
  for (int i = 0; i < f.ncomp; ++i) {
    Component& c = f.comp[i];
    out.components.push_back({c.id, c.h, c.v, c.blocks_wide, c.blocks_high, std::move(c.coefficients)});
  }
  return true;
}

double psnr(const Image& a, const Image& b) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 0;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = static_cast<double>(a.pixels[i]) - b.pixels[i];
    sum += d * d;
  }
  if (sum == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(a.pixels.size()) / sum);
}

}  // namespace nmxjpeg
