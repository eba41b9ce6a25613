// Cross-check with libjpeg-turbo: baseline files that it makes from the
// test photographs (qualities, samplings, grayscale, restart intervals,
// standard and optimized tables) are decoded with our block decoders, in MCU
// order with restart handling, and must give exactly the coefficients that the
// peer reads; re-encoding the peer's coefficients with the file's own tables
// must reproduce the file's entropy-coded bytes.
#if NMXJ_HAVE_LIBJPEG

#include <functional>
#include <string>
#include <vector>

#include "jpeg/huffman/huffman_kernels.h"
#include "nmxj.h"
#include "support/harness.h"
#include "support/jpeg_markers.h"
#include "support/libjpeg_peer.h"
#include "support/ppm.h"

namespace nmx::test {
namespace {

struct BlockRef {
  int comp, row, col, slot;  // slot: the component's position in the scan
};

// Blocks of a scan in stream order, one vector per MCU.
std::vector<std::vector<BlockRef>> scan_mcus(const JpegFile& f, const JpegScan& s) {
  std::vector<std::vector<BlockRef>> out;
  if (s.components.size() == 1) {
    const int ci = s.components[0].index;
    const JpegComponent& c = f.components[ci];
    for (int r = 0; r < JpegGeometry::blocks_down(f, c); ++r)
      for (int col = 0; col < JpegGeometry::blocks_across(f, c); ++col) out.push_back({{ci, r, col, 0}});
    return out;
  }
  const JpegGeometry g = mcu_geometry(f);
  for (int my = 0; my < g.mcus_y; ++my)
    for (int mx = 0; mx < g.mcus_x; ++mx) {
      out.emplace_back();
      for (size_t slot = 0; slot < s.components.size(); ++slot) {
        const JpegComponent& c = f.components[s.components[slot].index];
        for (int by = 0; by < c.v; ++by)
          for (int bx = 0; bx < c.h; ++bx)
            out.back().push_back({s.components[slot].index, my * c.v + by, mx * c.h + bx, static_cast<int>(slot)});
      }
    }
  return out;
}

// Records of a scan's DC and AC tables, one pair per scan component; each is
// built one byte off alignment and then moved: records must not depend on
// their address.
template <class Spec>
struct ScanTables {
  std::vector<std::vector<uint8_t>> dc, ac;
  const Spec* dc_spec(int i) const { return reinterpret_cast<const Spec*>(dc[i].data()); }
  const Spec* ac_spec(int i) const { return reinterpret_cast<const Spec*>(ac[i].data()); }
};

template <class Spec>
ScanTables<Spec> scan_tables(const JpegScan& s, size_t size, nmxStatus (*init)(const uint8_t*, const uint8_t*, Spec*)) {
  ScanTables<Spec> t;
  for (const JpegScanComponent& c : s.components)
    for (int which = 0; which < 2; ++which) {
      const JpegHuffTable& h = which ? s.ac[c.ta] : s.dc[c.td];
      std::vector<uint8_t> rec(size + 1);
      EXPECT_TRUE(h.present);
      EXPECT_EQ(init(h.counts, h.symbols.data(), reinterpret_cast<Spec*>(rec.data() + 1)), nmxStatusOk);
      rec.erase(rec.begin());
      (which ? t.ac : t.dc).push_back(std::move(rec));
    }
  return t;
}

// Walks a scan in stream order: at the end of each restart interval calls
// restart(interval number) and resets the DC predictors, then calls
// code(block, its predictor, MCU number) for each block. Stops at the first
// fatal failure.
void walk_scan(const JpegFile& f, const JpegScan& s, const std::function<void(int)>& restart,
               const std::function<void(const BlockRef&, int16_t*, size_t)>& code) {
  std::vector<int16_t> pred(s.components.size(), 0);
  const auto mcus = scan_mcus(f, s);
  for (size_t m = 0; m < mcus.size(); ++m) {
    if (s.restart_interval && m > 0 && m % s.restart_interval == 0) {
      restart(static_cast<int>(m / s.restart_interval) - 1);
      std::fill(pred.begin(), pred.end(), 0);
    }
    for (const BlockRef& b : mcus[m]) {
      if (::testing::Test::HasFatalFailure()) return;
      code(b, &pred[b.slot], m);
    }
  }
}

bool inside(const peer::Coefficients& p, const BlockRef& b) { return b.row < p.high[b.comp] && b.col < p.wide[b.comp]; }
const int16_t* peer_block(const peer::Coefficients& p, const BlockRef& b) {
  return p.values[b.comp].data() + (static_cast<size_t>(b.row) * p.wide[b.comp] + b.col) * 64;
}

// Compares one decoded block with the peer's (blocks past the component's
// real area, the padding of interleaved MCUs, are not compared).
::testing::AssertionResult check_block(const peer::Coefficients& peer, const BlockRef& b, const int16_t* got) {
  if (!inside(peer, b)) return ::testing::AssertionSuccess();
  auto r = same(peer_block(peer, b), got, 64, 8);
  if (!r) r << "\n  component " << b.comp << " block row " << b.row << " column " << b.col;
  return r;
}

// Byte position just past the next RSTn marker at or after `pos`, or -1.
int32_t past_next_rst(const uint8_t* src, int32_t pos, int32_t len) {
  while (pos + 1 < len && !(src[pos] == 0xFF && src[pos + 1] >= 0xD0 && src[pos + 1] <= 0xD7)) ++pos;
  return pos + 1 < len ? pos + 2 : -1;
}

using BufferedDecode = std::function<nmxStatus(const uint8_t*, int32_t, int32_t*, int16_t*, int16_t*, int32_t*,
                                               const NmxDecodeHuffmanSpec*, const NmxDecodeHuffmanSpec*,
                                               NmxDecodeHuffmanState*)>;

// Decodes every scan with a buffered block decoder (or, without one, the
// direct decoder) in MCU order. At the end of each restart interval the caller
// skips to the RSTn marker if the decoder has not met it yet, checks its
// number, and resets the marker variable, the read-ahead and the predictors.
void decode_scans(const std::vector<uint8_t>& file, const JpegFile& f, const peer::Coefficients& peer,
                  const BufferedDecode& decode, const std::string& what, std::vector<int16_t>* stream = nullptr) {
  for (const JpegScan& s : f.scans) {
    const auto t = scan_tables<NmxDecodeHuffmanSpec>(s, 1644, nmxiDecodeHuffmanSpecInit_JPEG_8u);
    const uint8_t* src = file.data() + s.data_begin;
    const int32_t len = static_cast<int32_t>(file.size() - s.data_begin);
    int32_t pos = 0, marker = 0, bitpos = 0, count = 0;  // the direct decoder's variables: bitpos, count, buf
    uint32_t buf = 0;
    std::vector<uint8_t> state_mem(24 + 3);
    auto* state = reinterpret_cast<NmxDecodeHuffmanState*>(state_mem.data() + 3);
    ASSERT_EQ(nmxiDecodeHuffmanStateInit_JPEG_8u(state), nmxStatusOk);
    walk_scan(
        f, s,
        [&](int interval) {
          if (!decode) pos = bitpos >> 3;
          if (marker == 0) {
            pos = past_next_rst(src, pos, len);
            ASSERT_GT(pos, 0) << what << ": restart marker not found";
            marker = src[pos - 1];
          }
          ASSERT_EQ(marker, 0xD0 + interval % 8) << what << " at restart " << interval;
          marker = count = 0;
          bitpos = 8 * pos;
          nmxiDecodeHuffmanStateInit_JPEG_8u(state);
        },
        [&](const BlockRef& b, int16_t* pred, size_t m) {
          int16_t blk[64];
          const nmxStatus st =
              decode ? decode(src, len, &pos, blk, pred, &marker, t.dc_spec(b.slot), t.ac_spec(b.slot), state)
                     : nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(src, &bitpos, blk, pred, &marker, &buf, &count,
                                                                 t.dc_spec(b.slot), t.ac_spec(b.slot));
          ASSERT_EQ(st, nmxStatusOk) << what << " at MCU " << m;
          ASSERT_TRUE(check_block(peer, b, blk)) << what << " at MCU " << m;
          if (stream) stream->insert(stream->end(), blk, blk + 64);
        });
  }
}

using BufferedEncode = std::function<nmxStatus(const int16_t*, uint8_t*, int32_t, int32_t*, int16_t*,
                                               const NmxEncodeHuffmanSpec*, const NmxEncodeHuffmanSpec*,
                                               NmxEncodeHuffmanState*, int32_t)>;

// Re-encodes the peer's coefficients (the decoded ones for the padding blocks
// of interleaved MCUs, which the peer does not expose) scan by scan with a
// buffered encoder, flushing and writing RSTn at each restart, or with the
// direct encoder, padding with 1 bits (and a stuffed 0x00 after a padded
// 0xFF) before each RSTn and at the end; the bytes must be the file's.
void encode_scans(const std::vector<uint8_t>& file, const JpegFile& f, const peer::Coefficients& peer,
                  const std::vector<int16_t>& decoded, const BufferedEncode& encode, const std::string& what) {
  size_t index = 0;
  for (const JpegScan& s : f.scans) {
    const auto t = scan_tables<NmxEncodeHuffmanSpec>(s, 1024, nmxiEncodeHuffmanSpecInit_JPEG_8u);
    const size_t want_len = s.data_end - s.data_begin;
    std::vector<uint8_t> out(want_len + 64, 0xEE);
    const int32_t len = static_cast<int32_t>(out.size());
    int32_t pos = 0, bitpos = 0;
    std::vector<uint8_t> state_mem(1048 + 5);
    auto* state = reinterpret_cast<NmxEncodeHuffmanState*>(state_mem.data() + 5);
    ASSERT_EQ(nmxiEncodeHuffmanStateInit_JPEG_8u(state), nmxStatusOk);
    auto finish = [&] {
      if (encode) {
        ASSERT_EQ(encode(nullptr, out.data(), len, &pos, nullptr, nullptr, nullptr, state, 1), nmxStatusOk);
        return;
      }
      pos = bitpos >> 3;
      if (bitpos & 7) {
        out[pos] = static_cast<uint8_t>(out[pos] | (0xFF >> (bitpos & 7)));
        if (out[pos++] == 0xFF) out[pos++] = 0;
      }
    };
    walk_scan(
        f, s,
        [&](int interval) {
          finish();
          out[pos++] = 0xFF;
          out[pos++] = static_cast<uint8_t>(0xD0 + interval % 8);
          bitpos = 8 * pos;
        },
        [&](const BlockRef& b, int16_t* pred, size_t m) {
          const int16_t* blk = inside(peer, b) ? peer_block(peer, b) : decoded.data() + 64 * index;
          ++index;
          const nmxStatus st =
              encode ? encode(blk, out.data(), len, &pos, pred, t.dc_spec(b.slot), t.ac_spec(b.slot), state, 0)
                     : nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(blk, out.data(), &bitpos, pred, t.dc_spec(b.slot),
                                                                t.ac_spec(b.slot));
          ASSERT_EQ(st, nmxStatusOk) << what << " at MCU " << m;
        });
    finish();
    ASSERT_EQ(static_cast<size_t>(pos), want_len) << what;
    ASSERT_TRUE(same(file.data() + s.data_begin, out.data(), want_len)) << what;
  }
}

// Photographs cropped to sizes that leave partial MCUs at the edges.
std::vector<Image> photos() {
  std::vector<Image> out;
  for (const std::string& path : corpus_paths()) {
    const Image img = read_pnm(path);
    if (img.pixels.empty()) continue;
    Image crop{img.width - 5, img.height - 3, 3, {}};
    for (int r = 0; r < crop.height; ++r) {
      const auto row = img.pixels.begin() + static_cast<long>(r) * img.width * 3;
      crop.pixels.insert(crop.pixels.end(), row, row + crop.width * 3);
    }
    out.push_back(std::move(crop));
  }
  return out;
}

TEST(HuffmanOracle, DecodersGiveThePeersCoefficientsAndEncodersItsBytes) {
  const struct {
    const char* name;
    int q, h, v;
    bool gray;
    int restart;
    bool opt;
  } cases[] = {
      {"q50 4:4:4 std", 50, 1, 1, false, 0, false},          {"q75 4:2:0 std", 75, 2, 2, false, 0, false},
      {"q95 4:2:2 std", 95, 2, 1, false, 0, false},          {"q95 gray std", 95, 1, 1, true, 0, false},
      {"q50 4:2:0 opt", 50, 2, 2, false, 0, true},           {"q75 4:4:4 opt", 75, 1, 1, false, 0, true},
      {"q95 4:2:2 opt restart 7", 95, 2, 1, false, 7, true}, {"q75 gray opt restart 1", 75, 1, 1, true, 1, true},
      {"q50 4:2:0 std restart 1", 50, 2, 2, false, 1, false}, {"q95 4:4:4 std restart 13", 95, 1, 1, false, 13, false},
      {"q75 4:2:2 std restart 64", 75, 2, 1, false, 64, false}, {"q50 gray std restart 5", 50, 1, 1, true, 5, false},
  };
  const std::vector<Image> imgs = photos();
  ASSERT_FALSE(imgs.empty());
  for (const auto& c : cases)
    for (size_t i = 0; i < imgs.size(); ++i) {
      SCOPED_TRACE(std::string(c.name) + ", photograph " + std::to_string(i));
      peer::EncodeSettings o;
      o.quality = c.q, o.h = c.h, o.v = c.v, o.gray = c.gray, o.restart = c.restart, o.optimize = c.opt;
      const std::vector<uint8_t> file = peer::encode({imgs[i].width, imgs[i].height, 3, imgs[i].pixels}, o);
      ASSERT_FALSE(file.empty());
      JpegFile f;
      std::string why;
      ASSERT_TRUE(parse_jpeg(file.data(), file.size(), &f, &why)) << why;
      ASSERT_EQ(f.sof, 0xC0);
      ASSERT_EQ(f.scans.size(), 1u);
      peer::Coefficients coefs;
      ASSERT_TRUE(peer::read_coefficients(file, coefs));

      std::vector<int16_t> decoded;  // every block in stream order, padding included
      decode_scans(file, f, coefs, nmxiDecodeHuffman8x8_JPEG_1u16s_C1, "export", &decoded);
      decode_scans(file, f, coefs, nullptr, "direct");
      encode_scans(file, f, coefs, decoded, nmxiEncodeHuffman8x8_JPEG_16s1u_C1, "export");
      encode_scans(file, f, coefs, decoded, nullptr, "direct");
      for (Target t : available_targets()) {
        const huff::Kernels k = huff::kernels_for(t);
        decode_scans(file, f, coefs,
                     [&](const uint8_t* s, int32_t l, int32_t* p, int16_t* d, int16_t* dc, int32_t* m,
                         const NmxDecodeHuffmanSpec* a, const NmxDecodeHuffmanSpec* b, NmxDecodeHuffmanState* st) {
                       return k.decode_block(s, l, p, d, dc, m, reinterpret_cast<const huff::DecodeSpec*>(a),
                                             reinterpret_cast<const huff::DecodeSpec*>(b),
                                             reinterpret_cast<huff::DecodeState*>(st));
                     },
                     target_name(t));
        // Flushes go through the export, blocks through the kernel.
        encode_scans(file, f, coefs, decoded,
                     [&](const int16_t* s, uint8_t* d, int32_t l, int32_t* p, int16_t* dc,
                         const NmxEncodeHuffmanSpec* a, const NmxEncodeHuffmanSpec* b, NmxEncodeHuffmanState* st,
                         int32_t flush) {
                       if (flush) return nmxiEncodeHuffman8x8_JPEG_16s1u_C1(s, d, l, p, dc, a, b, st, flush);
                       return k.encode_block(s, d, l, p, dc, reinterpret_cast<const huff::EncodeSpec*>(a),
                                             reinterpret_cast<const huff::EncodeSpec*>(b),
                                             reinterpret_cast<huff::EncodeState*>(st));
                     },
                     target_name(t));
      }
      if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace nmx::test

#endif  // NMXJ_HAVE_LIBJPEG
