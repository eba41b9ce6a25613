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

// Pixels leave the decoder in one of two ways. A file whose first scan holds
// every component (almost every baseline file) is streamed: each component
// keeps two MCU rows (slot A = rows [0, mh), slot B = [mh, 2 mh)) plus one
// context row above and below, and every decoded MCU row releases the one
// before it to up-sampling and colour conversion, so the working set stays
// in cache. Files with one scan per component are decoded into whole planes
// first and converted at the end.
class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size, int scale, Image* out, int64_t max_pixels)
      : data_(data),
        size_(size),
        scale_(scale),
        block_size_(8 / scale),
        collect_(out == nullptr),
        max_pixels_(max_pixels),
        out_(out) {}

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
  bool start_output(bool streaming);
  bool emit_rows(const uint8_t* const first[3], int y0, int rows);
  bool next_band(int band);
  bool emit_band(int band, bool last);

 public:
  bool finish_planes();  // the whole-plane way, after run()

 private:

  const uint8_t* data_;
  size_t size_, pos_ = 0;
  int scale_;
  int block_size_;  // output pixels per block side: 8 / scale_
  bool collect_;
  int64_t max_pixels_;
  Image* out_;
  bool have_frame_ = false, have_scan_ = false;
  bool output_started_ = false, streaming_ = false;
  int ow_ = 0, oh_ = 0, band_rows_ = 0;  // output size, luma rows per MCU row
  int rx_[3] = {1, 1, 1}, ry_[3] = {1, 1, 1};
  int32_t step_ = 0;                     // row step shared by the planes fed to colour conversion
  Plane band_[3];                        // up-sampled chroma of one band
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
  }
  ow_ = (frame_.width + scale_ - 1) / scale_;
  oh_ = (frame_.height + scale_ - 1) / scale_;
  band_rows_ = frame_.vmax * bs;
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
  const int bs = block_size_;
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
  if (!collect_ && !output_started_ && !start_output(ns == frame_.ncomp)) return false;
  if (streaming_ && have_scan_) return fail("more scans than the components need");
  const int interval = tables_.restart_interval;
  int to_restart = interval;  // units before the next restart marker
  for (int uy = 0; uy < units_y; ++uy) {
    for (int ux = 0; ux < units_x; ++ux) {
      if (interval && to_restart-- == 0) {
        to_restart = interval - 1;
        std::fill(pred, pred + 3, 0);
        if (!restart()) return false;
      }
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
            const int bx = ns == 1 ? ux : ux * c.h + h;
            const int by = streaming_ ? c.v + v : ns == 1 ? uy : uy * c.v + v;  // streamed rows go to slot B
            if (!store_block(c, bx, by, coef)) return false;
          }
        c.seen = true;
      }
      if (streaming_ && ux == units_x - 1 && !next_band(uy)) return false;
    }
  }
  if (streaming_ && !emit_band(units_y - 1, true)) return false;
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

// Up-samples `rows` output rows from the component rows starting at `src`
// into `out` (rows from 0): the library's triangle filters for 2x horizontal
// (and vertical) ratios, plain replication for the rare others. The rows
// around the source (context) must hold replicated edge samples.
bool upsample_band(const uint8_t* src, int32_t src_step, int rx, int ry, int out_w, int rows, Plane& out) {
  const int cw = (out_w + rx - 1) / rx;
  const NmxSize dst{out_w, rows};
  if (rx == 2 && ry == 2)
    return nmxiSampleUpH2V2_JPEG_8u_C1R(src, src_step, {cw, (rows + 1) / 2}, out.origin(), out.stride(), dst) ==
           nmxStatusOk;
  if (rx == 2 && ry == 1)
    return nmxiSampleUpH2V1_JPEG_8u_C1R(src, src_step, {cw, rows}, out.origin(), out.stride(), dst) == nmxStatusOk;
  for (int y = 0; y < rows; ++y) {
    const uint8_t* s = src + static_cast<ptrdiff_t>(y / ry) * src_step;
    uint8_t* d = out.row(y);
    for (int x = 0; x < out_w; ++x) d[x] = s[x / rx];
  }
  return true;
}

// Repeats the last valid column (and the first, into the left border) over
// rows [from, to] of a plane.
void replicate_columns(Plane& p, int valid_w, int from, int to) {
  for (int y = from; y <= to; ++y) {
    uint8_t* r = p.row(y);
    std::memset(r + valid_w, r[valid_w - 1], static_cast<size_t>(p.width() + 1 - valid_w));
    r[-1] = r[0];
  }
}

bool Decoder::start_output(bool streaming) {
  output_started_ = true;
  streaming_ = streaming;
  const int bs = 8 / scale_;
  for (int i = 0; i < frame_.ncomp; ++i) {
    Component& c = frame_.comp[i];
    c.plane = Plane(c.blocks_wide * bs, (streaming ? 2 * c.v : c.blocks_high) * bs, 1);
    rx_[i] = frame_.hmax / c.h;
    ry_[i] = frame_.vmax / c.v;
  }
  out_->width = ow_;
  out_->height = oh_;
  out_->channels = frame_.ncomp == 1 ? 1 : 3;
  out_->pixels.resize(static_cast<size_t>(ow_) * oh_ * out_->channels);
  if (frame_.ncomp == 1) return true;
  // Chroma at full size goes through band buffers that share the luma
  // plane's row step; full-size components are used in place.
  const int full_w = frame_.comp[0].plane.width() * frame_.hmax / frame_.comp[0].h;
  step_ = Plane::stride_for(full_w, 1);
  for (int i = 0; i < 3; ++i)
    if (rx_[i] != 1 || ry_[i] != 1 || frame_.comp[i].plane.stride() != step_)
      band_[i] = Plane(full_w, streaming ? band_rows_ : 64, 1);
  return true;
}

// Output rows [y0, y0 + rows); first[i] is component i's row for output row y0.
bool Decoder::emit_rows(const uint8_t* const first[3], int y0, int rows) {
  if (frame_.ncomp == 1) {
    const int32_t step = frame_.comp[0].plane.stride();
    for (int y = 0; y < rows; ++y)
      std::memcpy(&out_->pixels[static_cast<size_t>(y0 + y) * ow_], first[0] + static_cast<ptrdiff_t>(y) * step, ow_);
    return true;
  }
  const uint8_t* planes[3];
  for (int i = 0; i < 3; ++i) {
    if (band_[i].stride() == 0) {
      planes[i] = first[i];
      continue;
    }
    if (!upsample_band(first[i], frame_.comp[i].plane.stride(), rx_[i], ry_[i], ow_, rows, band_[i]))
      return fail("chroma up-sampling failed");
    planes[i] = band_[i].origin();
  }
  uint8_t* dst = out_->pixels.data() + static_cast<size_t>(y0) * ow_ * 3;
  if (tables_.adobe_transform == 0) {  // stored as RGB, not YCbCr
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < ow_; ++x)
        for (int i = 0; i < 3; ++i)
          dst[(static_cast<size_t>(y) * ow_ + x) * 3 + i] = planes[i][static_cast<ptrdiff_t>(y) * step_ + x];
    return true;
  }
  return nmxiYCbCrToRGB_JPEG_8u_P3C3R(planes, step_, dst, ow_ * 3, {ow_, rows}) == nmxStatusOk ||
         fail("colour conversion failed");
}

// MCU row `band` has just been decoded into slot B: release the row before it
// (in slot A, with slot B's first row below it), then move B to A.
bool Decoder::next_band(int band) {
  if (band > 0 && !emit_band(band - 1, false)) return false;
  for (int i = 0; i < frame_.ncomp; ++i) {
    Plane& p = frame_.comp[i].plane;
    const int mh = p.height() / 2;
    const size_t bytes = static_cast<size_t>(p.width());
    std::memcpy(p.row(-1), p.row(band > 0 ? mh - 1 : mh), bytes);  // the context row above slot A
    for (int y = 0; y < mh; ++y) std::memcpy(p.row(y), p.row(mh + y), bytes);
  }
  return true;
}

// Up-samples and converts the MCU row in slot A. The last one has no row
// below: its last valid row is repeated instead.
bool Decoder::emit_band(int band, bool last) {
  const int y0 = band * band_rows_;
  const int rows = std::min(band_rows_, oh_ - y0);
  if (rows <= 0) return true;
  const uint8_t* first[3] = {};
  for (int i = 0; i < frame_.ncomp; ++i) {
    Plane& p = frame_.comp[i].plane;
    const int mh = p.height() / 2;
    if (last) {
      const int valid = std::min(mh, (oh_ + ry_[i] - 1) / ry_[i] - band * mh);
      for (int y = valid; y <= mh; ++y) std::memcpy(p.row(y), p.row(valid - 1), static_cast<size_t>(p.width()));
    }
    replicate_columns(p, (ow_ + rx_[i] - 1) / rx_[i], -1, mh);
    first[i] = p.row(0);
  }
  return emit_rows(first, y0, rows);
}

bool Decoder::finish_planes() {
  if (streaming_) return true;
  for (int i = 0; i < frame_.ncomp; ++i)
    frame_.comp[i].plane.replicate_edges((ow_ + rx_[i] - 1) / rx_[i], (oh_ + ry_[i] - 1) / ry_[i]);
  for (int y0 = 0; y0 < oh_; y0 += 64) {
    const uint8_t* first[3] = {};
    for (int i = 0; i < frame_.ncomp; ++i) first[i] = frame_.comp[i].plane.row(y0 / ry_[i]);
    if (!emit_rows(first, y0, std::min(64, oh_ - y0))) return false;
  }
  return true;
}

}  // namespace

bool decode(const uint8_t* data, size_t size, const DecodeOptions& opt, Image& out, std::string& error) {
  if (opt.scale != 1 && opt.scale != 2 && opt.scale != 4 && opt.scale != 8)
    return error = "scale must be 1, 2, 4 or 8", false;
  Decoder dec(data, size, opt.scale, &out, opt.max_pixels);
  if (!dec.run(error)) return false;
  if (!dec.finish_planes()) return error = "output conversion failed", false;
  return true;
}

bool decode_coefficients(const uint8_t* data, size_t size, Coefficients& out, std::string& error,
                         int64_t max_pixels) {
  Decoder dec(data, size, 1, nullptr, max_pixels);
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
