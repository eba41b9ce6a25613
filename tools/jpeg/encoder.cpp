// Baseline JPEG encoder: colour conversion, chroma down-sampling, the fused
// level shift + DCT + quantization, and Huffman coding all come from nmxj;
// here are the headers, the padding of partial MCUs and the MCU loop.
#include <algorithm>
#include <cstring>
#include <memory>

#include "jpeg/codec.h"
#include "jpeg/planes.h"
#include "jpeg/writer.h"
#include "nmxj.h"

namespace nmxjpeg {
namespace {

struct HuffmanSet {
  std::unique_ptr<uint8_t[]> dc, ac;
  const NmxEncodeHuffmanSpec* dc_spec() const { return reinterpret_cast<const NmxEncodeHuffmanSpec*>(dc.get()); }
  const NmxEncodeHuffmanSpec* ac_spec() const { return reinterpret_cast<const NmxEncodeHuffmanSpec*>(ac.get()); }
};

bool build_spec(const HuffmanList& list, std::unique_ptr<uint8_t[]>& mem) {
  int32_t size = 0;
  if (nmxiEncodeHuffmanSpecGetBufSize_JPEG_8u(&size) != nmxStatusOk) return false;
  mem.reset(new uint8_t[size]);
  return nmxiEncodeHuffmanSpecInit_JPEG_8u(list.counts, list.symbols,
                                           reinterpret_cast<NmxEncodeHuffmanSpec*>(mem.get())) == nmxStatusOk;
}

struct ComponentPlan {
  int id, h, v, quant;  // sampling factors and quantization table index
  Plane plane;          // one MCU row of this component, padded to whole MCUs
};

// Works through the image one MCU row (a band of 8 x vmax rows) at a time, so
// that the converted samples stay in cache and no full-size plane is needed.
class BandMaker {
 public:
  BandMaker(const Image& img, Sampling sampling, int padded_w, int band_h, ComponentPlan* comps, int n)
      : img_(img), sampling_(sampling), padded_w_(padded_w), band_h_(band_h), comps_(comps), n_(n) {
    for (int c = 0; c < n; ++c) comps[c].plane = Plane(padded_w * comps[c].h / comps[0].h, band_h * comps[c].v / comps[0].v);
    if (n == 3 && sampling != Sampling::S444)
      for (Plane& p : full_) p = Plane(padded_w, band_h);
  }

  // Fills every component's band for MCU row `band`.
  bool fill(int band, std::string& error) {
    const int y0 = band * band_h_;
    const int rows = std::min(band_h_, img_.height - y0);
    const NmxSize roi{img_.width, rows};
    const int step = img_.width * img_.channels;
    const uint8_t* src = img_.pixels.data() + static_cast<size_t>(y0) * step;
    Plane& y = comps_[0].plane;
    if (n_ == 1) {
      if (img_.channels == 1) {
        for (int r = 0; r < rows; ++r) std::memcpy(y.row(r), src + static_cast<size_t>(r) * step, img_.width);
      } else if (nmxiRGBToY_JPEG_8u_C3C1R(src, step, y.origin(), y.stride(), roi) != nmxStatusOk) {
        return error = "colour conversion failed", false;
      }
      y.replicate_edges(img_.width, rows);
      return true;
    }
    const bool subsampled = sampling_ != Sampling::S444;
    Plane& cb = subsampled ? full_[0] : comps_[1].plane;
    Plane& cr = subsampled ? full_[1] : comps_[2].plane;
    uint8_t* const dst[3] = {y.origin(), cb.origin(), cr.origin()};
    if (nmxiRGBToYCbCr_JPEG_8u_C3P3R(src, step, dst, y.stride(), roi) != nmxStatusOk)
      return error = "colour conversion failed", false;
    for (Plane* p : {&y, &cb, &cr}) p->replicate_edges(img_.width, rows);
    if (!subsampled) return true;
    for (int c = 1; c < 3; ++c) {
      Plane& from = full_[c - 1];
      Plane& to = comps_[c].plane;
      const NmxSize whole{padded_w_, band_h_}, half{to.width(), to.height()};
      const nmxStatus s =
          sampling_ == Sampling::S420
              ? nmxiSampleDownH2V2_JPEG_8u_C1R(from.origin(), from.stride(), whole, to.origin(), to.stride(), half)
              : nmxiSampleDownH2V1_JPEG_8u_C1R(from.origin(), from.stride(), whole, to.origin(), to.stride(), half);
      if (s != nmxStatusOk) return error = "chroma down-sampling failed", false;
    }
    return true;
  }

 private:
  const Image& img_;
  Sampling sampling_;
  int padded_w_, band_h_;
  ComponentPlan* comps_;
  int n_;
  Plane full_[2];  // full-resolution chroma of the band, before down-sampling
};

}  // namespace

bool encode(const Image& img, const EncodeOptions& opt, std::vector<uint8_t>& out, std::string& error,
            Workspace* workspace) {
  if (img.width < 1 || img.height < 1 || img.width > 65535 || img.height > 65535)
    return error = "image size must be 1..65535 in each direction", false;
  if (img.channels != 1 && img.channels != 3) return error = "only gray and RGB images can be encoded", false;
  if (img.pixels.size() != static_cast<size_t>(img.width) * img.height * img.channels)
    return error = "pixel buffer does not match the image size", false;
  if (opt.quality < 1 || opt.quality > 100) return error = "quality must be 1..100", false;
  if (opt.restart_mcus < 0 || opt.restart_mcus > 65535) return error = "restart interval must be 0..65535", false;

  const Sampling sampling = img.channels == 1 ? Sampling::Gray : opt.sampling;
  const int n = sampling == Sampling::Gray ? 1 : 3;
  const int hmax = sampling == Sampling::S422 || sampling == Sampling::S420 ? 2 : 1;
  const int vmax = sampling == Sampling::S420 ? 2 : 1;
  ComponentPlan comps[3] = {{1, hmax, vmax, 0, {}}, {2, 1, 1, 1, {}}, {3, 1, 1, 1, {}}};
  const int mcus_x = (img.width + 8 * hmax - 1) / (8 * hmax);
  const int mcus_y = (img.height + 8 * vmax - 1) / (8 * vmax);
  BandMaker bands(img, sampling, mcus_x * 8 * hmax, 8 * vmax, comps, n);

  // Quantization tables scaled by the quality, in zig-zag order for the file
  // and as reciprocals for the quantizer.
  uint8_t raw[2][64];
  uint16_t fwd[2][64];
  std::memcpy(raw[0], kLumaQuant, 64);
  std::memcpy(raw[1], kChromaQuant, 64);
  for (int t = 0; t < 2; ++t)
    if (nmxiQuantFwdRawTableInit_JPEG_8u(raw[t], opt.quality) != nmxStatusOk ||
        nmxiQuantFwdTableInit_JPEG_8u16u(raw[t], fwd[t]) != nmxStatusOk)
      return error = "quantization table set-up failed", false;

  HuffmanSet huff[2];
  if (!build_spec(kLumaDC, huff[0].dc) || !build_spec(kLumaAC, huff[0].ac) || !build_spec(kChromaDC, huff[1].dc) ||
      !build_spec(kChromaAC, huff[1].ac))
    return error = "Huffman table set-up failed", false;
  int32_t state_size = 0;
  nmxiEncodeHuffmanStateGetBufSize_JPEG_8u(&state_size);
  std::unique_ptr<uint8_t[]> state_mem(new uint8_t[state_size]);
  auto* state = reinterpret_cast<NmxEncodeHuffmanState*>(state_mem.get());
  nmxiEncodeHuffmanStateInit_JPEG_8u(state);

  // Headers.
  std::vector<uint8_t> head;
  SegmentWriter w(head);
  w.soi();
  w.jfif();
  w.dqt(0, raw[0]);
  if (n == 3) w.dqt(1, raw[1]);
  SegmentWriter::Component sof[3];
  int ids[3], tables[3];
  for (int c = 0; c < n; ++c) {
    sof[c] = {comps[c].id, comps[c].h, comps[c].v, comps[c].quant};
    ids[c] = comps[c].id;
    tables[c] = c == 0 ? 0x00 : 0x11;
  }
  w.sof0(img.width, img.height, sof, n);
  w.dht(0, 0, kLumaDC);
  w.dht(1, 0, kLumaAC);
  if (n == 3) w.dht(0, 1, kChromaDC), w.dht(1, 1, kChromaAC);
  if (opt.restart_mcus) w.dri(opt.restart_mcus);
  w.sos(ids, tables, n);

  // Entropy-coded data, written after the headers in one buffer. A full
  // buffer (-62) restarts the scan with twice the room.
  size_t room = head.size() + static_cast<size_t>(img.width) * img.height * n / 2 + 4096;
  for (;;) {
    if (room > 0x7FFFFF00u) return error = "image too large for one entropy-coded buffer", false;
    Workspace local;
    Workspace& ws = workspace ? *workspace : local;
    if (ws.size < room) {
      ws.bytes.reset(new uint8_t[room]);
      ws.size = room;
    }
    uint8_t* const buf = ws.bytes.get();
    std::memcpy(buf, head.data(), head.size());
    int32_t pos = static_cast<int32_t>(head.size());
    const int32_t len = static_cast<int32_t>(room) - 2;  // keeps room for EOI
    int16_t last_dc[3] = {0, 0, 0};
    nmxStatus s = nmxiEncodeHuffmanStateInit_JPEG_8u(state);
    int to_restart = opt.restart_mcus;  // MCUs before the next restart marker
    int restart_index = 0;
    // Each MCU row is transformed whole before it is coded: back to back,
    // the transforms of many blocks overlap in the processor, where one
    // between two entropy-coded blocks would wait for each.
    int blocks_in_mcu = 0;
    for (int c = 0; c < n; ++c) blocks_in_mcu += comps[c].h * comps[c].v;
    std::vector<int16_t> row_coefs(static_cast<size_t>(mcus_x) * blocks_in_mcu * 64);
    for (int my = 0; my < mcus_y && s == nmxStatusOk; ++my) {
      if (!bands.fill(my, error)) return false;
      int16_t* coef = row_coefs.data();
      for (int mx = 0; mx < mcus_x && s == nmxStatusOk; ++mx)
        for (int c = 0; c < n && s == nmxStatusOk; ++c) {
          ComponentPlan& cp = comps[c];
          for (int v = 0; v < cp.v && s == nmxStatusOk; ++v)
            for (int h = 0; h < cp.h && s == nmxStatusOk; ++h, coef += 64) {
              const uint8_t* src = cp.plane.row(v * 8) + (mx * cp.h + h) * 8;
              s = nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(src, cp.plane.stride(), coef, fwd[cp.quant]);
            }
        }
      coef = row_coefs.data();
      for (int mx = 0; mx < mcus_x && s == nmxStatusOk; ++mx) {
        if (opt.restart_mcus && to_restart-- == 0) {
          to_restart = opt.restart_mcus - 1;
          s = nmxiEncodeHuffman8x8_JPEG_16s1u_C1(nullptr, buf, len, &pos, nullptr, nullptr, nullptr, state, 1);
          if (s != nmxStatusOk) break;
          if (pos + 2 > len) {
            s = nmxStatusBufferEndErr;
            break;
          }
          buf[pos++] = 0xFF;
          buf[pos++] = static_cast<uint8_t>(0xD0 + (restart_index++ & 7));
          std::fill(last_dc, last_dc + 3, 0);
        }
        for (int c = 0; c < n && s == nmxStatusOk; ++c) {
          const HuffmanSet& hs = huff[c == 0 ? 0 : 1];
          for (int b = comps[c].h * comps[c].v; b > 0 && s == nmxStatusOk; --b, coef += 64)
            s = nmxiEncodeHuffman8x8_JPEG_16s1u_C1(coef, buf, len, &pos, &last_dc[c], hs.dc_spec(), hs.ac_spec(),
                                                  state, 0);
        }
      }
    }
    if (s == nmxStatusOk)
      s = nmxiEncodeHuffman8x8_JPEG_16s1u_C1(nullptr, buf, len, &pos, nullptr, nullptr, nullptr, state, 1);
    if (s == nmxStatusBufferEndErr) {
      room *= 2;
      continue;
    }
    if (s != nmxStatusOk) return error = "entropy coding failed with status " + std::to_string(s), false;
    buf[pos++] = 0xFF;
    buf[pos++] = 0xD9;
    out.assign(buf, buf + pos);
    return true;
  }
}

}  // namespace nmxjpeg
