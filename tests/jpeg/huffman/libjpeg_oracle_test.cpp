// Cross-check with libjpeg-turbo: baseline files that it makes from the
// test photographs (qualities, samplings, grayscale, restart intervals,
// standard and optimized tables) are decoded with our block decoders, in MCU
// order with restart handling, and must give exactly the coefficients that the
// peer reads; re-encoding the peer's coefficients with the file's own tables
// must reproduce the file's entropy-coded bytes.
#if NMXJ_HAVE_LIBJPEG

#include <functional>
#include <memory>
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

using PeerOptions = peer::EncodeSettings;

// The peer's coefficients with block access.
struct PeerCoefficients {
  peer::Coefficients c;
  const std::vector<int>& wblocks = c.wide;
  const std::vector<int>& hblocks = c.high;
  PeerCoefficients() = default;
  PeerCoefficients(const PeerCoefficients&) = delete;
  const int16_t* block(int comp, int row, int col) const {
    return c.values[comp].data() + (static_cast<size_t>(row) * c.wide[comp] + col) * 64;
  }
};

struct BlockRef {
  int comp, row, col;
};

// Blocks of a scan in stream order, one vector per MCU.
std::vector<std::vector<BlockRef>> scan_mcus(const JpegFile& f, const JpegScan& s) {
  std::vector<std::vector<BlockRef>> out;
  if (s.components.size() == 1) {
    const int ci = s.components[0].index;
    const JpegComponent& c = f.components[ci];
    const int bw = JpegGeometry::blocks_across(f, c), bh = JpegGeometry::blocks_down(f, c);
    for (int r = 0; r < bh; ++r)
      for (int col = 0; col < bw; ++col) out.push_back({{ci, r, col}});
    return out;
  }
  const JpegGeometry g = mcu_geometry(f);
  for (int my = 0; my < g.mcus_y; ++my)
    for (int mx = 0; mx < g.mcus_x; ++mx) {
      std::vector<BlockRef> mcu;
      for (const JpegScanComponent& sc : s.components) {
        const JpegComponent& c = f.components[sc.index];
        for (int by = 0; by < c.v; ++by)
          for (int bx = 0; bx < c.h; ++bx) mcu.push_back({sc.index, my * c.v + by, mx * c.h + bx});
      }
      out.push_back(std::move(mcu));
    }
  return out;
}

// Records of a scan's DC and AC tables, one pair per scan component. Each is
// built one byte off alignment and then moved: the records must not depend
// on their address.
template <class Spec>
struct ScanTables {
  std::vector<std::vector<uint8_t>> dc, ac;
  const Spec* dc_spec(size_t i) const { return reinterpret_cast<const Spec*>(dc[i].data()); }
  const Spec* ac_spec(size_t i) const { return reinterpret_cast<const Spec*>(ac[i].data()); }
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
ScanTables<NmxDecodeHuffmanSpec> decoder_tables(const JpegScan& s) {
  return scan_tables<NmxDecodeHuffmanSpec>(s, 1644, nmxiDecodeHuffmanSpecInit_JPEG_8u);
}
ScanTables<NmxEncodeHuffmanSpec> encoder_tables(const JpegScan& s) {
  return scan_tables<NmxEncodeHuffmanSpec>(s, 1024, nmxiEncodeHuffmanSpecInit_JPEG_8u);
}

int scan_slot(const JpegScan& s, int comp) {
  for (size_t i = 0; i < s.components.size(); ++i)
    if (s.components[i].index == comp) return static_cast<int>(i);
  return -1;
}

// Walks a scan in stream order: at the end of each restart interval calls
// restart(interval number) and resets the DC predictors, then calls
// code(block, scan slot, its predictor, MCU number) for each block. Stops at
// the first fatal failure.
void walk_scan(const JpegFile& f, const JpegScan& s, const std::function<void(int)>& restart,
               const std::function<void(const BlockRef&, int, int16_t*, size_t)>& code) {
  std::vector<int16_t> pred(s.components.size(), 0);
  const auto mcus = scan_mcus(f, s);
  int interval = 0;
  for (size_t m = 0; m < mcus.size(); ++m) {
    if (s.restart_interval && m > 0 && m % s.restart_interval == 0) {
      restart(interval++);
      std::fill(pred.begin(), pred.end(), 0);
    }
    for (const BlockRef& b : mcus[m]) {
      if (::testing::Test::HasFatalFailure()) return;
      const int slot = scan_slot(s, b.comp);
      code(b, slot, &pred[slot], m);
    }
  }
}

using BufferedDecode = std::function<nmxStatus(const uint8_t*, int32_t, int32_t*, int16_t*, int16_t*, int32_t*,
                                               const NmxDecodeHuffmanSpec*, const NmxDecodeHuffmanSpec*,
                                               NmxDecodeHuffmanState*)>;

// Compares one decoded block with the peer's (blocks past the component's
// real area, the padding of interleaved MCUs, are not compared).
::testing::AssertionResult check_block(const PeerCoefficients& peer, const BlockRef& b, const int16_t* got) {
  if (b.row >= peer.hblocks[b.comp] || b.col >= peer.wblocks[b.comp]) return ::testing::AssertionSuccess();
  auto r = same(peer.block(b.comp, b.row, b.col), got, 64, 8);
  if (!r) r << "\n  component " << b.comp << " block row " << b.row << " column " << b.col;
  return r;
}

// Decodes every scan with a buffered block decoder in MCU order. At the end of
// each restart interval the caller skips to the RSTn marker (if the decoder
// has not met it yet), checks its number, resets the marker variable, the
// state and the DC predictors.
void decode_buffered(const std::vector<uint8_t>& file, const JpegFile& f, const PeerCoefficients& peer,
                     const BufferedDecode& decode, const char* what, std::vector<int16_t>* stream = nullptr) {
  for (const JpegScan& s : f.scans) {
    const auto t = decoder_tables(s);
    const uint8_t* src = file.data() + s.data_begin;
    const int32_t len = static_cast<int32_t>(file.size() - s.data_begin);
    int32_t pos = 0, marker = 0;
    std::vector<uint8_t> state_mem(24 + 3);
    auto* state = reinterpret_cast<NmxDecodeHuffmanState*>(state_mem.data() + 3);
    ASSERT_EQ(nmxiDecodeHuffmanStateInit_JPEG_8u(state), nmxStatusOk);
    walk_scan(
        f, s,
        [&](int interval) {
          if (marker == 0) {
            while (pos + 1 < len && !(src[pos] == 0xFF && src[pos + 1] >= 0xD0 && src[pos + 1] <= 0xD7)) ++pos;
            ASSERT_LT(pos + 1, len) << what << ": restart marker not found";
            marker = src[pos + 1];
            pos += 2;
          }
          ASSERT_EQ(marker, 0xD0 + interval % 8) << what << " at restart " << interval;
          marker = 0;
          nmxiDecodeHuffmanStateInit_JPEG_8u(state);
        },
        [&](const BlockRef& b, int slot, int16_t* pred, size_t m) {
          int16_t blk[64];
          ASSERT_EQ(decode(src, len, &pos, blk, pred, &marker, t.dc_spec(slot), t.ac_spec(slot), state), nmxStatusOk)
              << what << " at MCU " << m;
          ASSERT_TRUE(check_block(peer, b, blk)) << what << " at MCU " << m;
          if (stream) stream->insert(stream->end(), blk, blk + 64);
        });
  }
}

// The same with the direct decoder: the caller keeps the bit position and the
// read-ahead; the file's EOI marker stops its reading at the end.
void decode_direct(const std::vector<uint8_t>& file, const JpegFile& f, const PeerCoefficients& peer) {
  for (const JpegScan& s : f.scans) {
    const auto t = decoder_tables(s);
    const uint8_t* src = file.data() + s.data_begin;
    int32_t bitpos = 0, marker = 0, count = 0;
    uint32_t buf = 0;
    walk_scan(
        f, s,
        [&](int interval) {
          if (marker == 0) {
            int32_t pos = bitpos >> 3;
            while (!(src[pos] == 0xFF && src[pos + 1] >= 0xD0 && src[pos + 1] <= 0xD7)) ++pos;
            marker = src[pos + 1];
            bitpos = 8 * (pos + 2);
          }
          ASSERT_EQ(marker, 0xD0 + interval % 8) << "direct at restart " << interval;
          marker = 0;
          count = 0;
        },
        [&](const BlockRef& b, int slot, int16_t* pred, size_t m) {
          int16_t blk[64];
          ASSERT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(src, &bitpos, blk, pred, &marker, &buf, &count,
                                                              t.dc_spec(slot), t.ac_spec(slot)),
                    nmxStatusOk)
              << "direct at MCU " << m;
          ASSERT_TRUE(check_block(peer, b, blk)) << "direct at MCU " << m;
        });
  }
}

using BufferedEncode = std::function<nmxStatus(const int16_t*, uint8_t*, int32_t, int32_t*, int16_t*,
                                               const NmxEncodeHuffmanSpec*, const NmxEncodeHuffmanSpec*,
                                               NmxEncodeHuffmanState*, int32_t)>;

// The block to code: the peer's own where it exposes it, else (padding
// blocks of interleaved MCUs) the one decoded from the file.
const int16_t* source_block(const PeerCoefficients& peer, const BlockRef& b, const std::vector<int16_t>& decoded,
                            size_t index) {
  if (b.row < peer.hblocks[b.comp] && b.col < peer.wblocks[b.comp]) return peer.block(b.comp, b.row, b.col);
  return decoded.data() + 64 * index;
}

// Re-encodes the peer's coefficients scan by scan with a buffered encoder,
// flushing and writing RSTn at each restart, and compares with the file.
void encode_buffered(const std::vector<uint8_t>& file, const JpegFile& f, const PeerCoefficients& peer,
                     const std::vector<int16_t>& decoded, const BufferedEncode& encode, const char* what) {
  size_t index = 0;
  for (const JpegScan& s : f.scans) {
    const auto t = encoder_tables(s);
    const size_t want_len = s.data_end - s.data_begin;
    std::vector<uint8_t> out(want_len + 64, 0xEE);
    const int32_t len = static_cast<int32_t>(out.size());
    int32_t pos = 0;
    std::vector<uint8_t> state_mem(1048 + 5);
    auto* state = reinterpret_cast<NmxEncodeHuffmanState*>(state_mem.data() + 5);
    ASSERT_EQ(nmxiEncodeHuffmanStateInit_JPEG_8u(state), nmxStatusOk);
    walk_scan(
        f, s,
        [&](int interval) {
          ASSERT_EQ(encode(nullptr, out.data(), len, &pos, nullptr, nullptr, nullptr, state, 1), nmxStatusOk);
          out[pos++] = 0xFF;
          out[pos++] = static_cast<uint8_t>(0xD0 + interval % 8);
        },
        [&](const BlockRef& b, int slot, int16_t* pred, size_t m) {
          ASSERT_EQ(encode(source_block(peer, b, decoded, index++), out.data(), len, &pos, pred, t.dc_spec(slot),
                           t.ac_spec(slot), state, 0),
                    nmxStatusOk)
              << what << " at MCU " << m;
        });
    ASSERT_EQ(encode(nullptr, out.data(), len, &pos, nullptr, nullptr, nullptr, state, 1), nmxStatusOk);
    ASSERT_EQ(static_cast<size_t>(pos), want_len) << what;
    ASSERT_TRUE(same(file.data() + s.data_begin, out.data(), want_len)) << what;
  }
}

// The same with the direct encoder; the caller pads with 1 bits (and stuffs
// a 0x00 when the padded byte is 0xFF) before each RSTn and at the end.
void encode_direct(const std::vector<uint8_t>& file, const JpegFile& f, const PeerCoefficients& peer,
                   const std::vector<int16_t>& decoded) {
  size_t index = 0;
  for (const JpegScan& s : f.scans) {
    const auto t = encoder_tables(s);
    const size_t want_len = s.data_end - s.data_begin;
    std::vector<uint8_t> out(want_len + 64, 0xEE);
    int32_t bitpos = 0;
    auto pad = [&]() {
      int32_t byte = bitpos >> 3;
      if (bitpos & 7) {
        out[byte] = static_cast<uint8_t>(out[byte] | (0xFF >> (bitpos & 7)));
        if (out[byte++] == 0xFF) out[byte++] = 0;
      }
      bitpos = 8 * byte;
    };
    walk_scan(
        f, s,
        [&](int interval) {
          pad();
          out[bitpos >> 3] = 0xFF;
          out[(bitpos >> 3) + 1] = static_cast<uint8_t>(0xD0 + interval % 8);
          bitpos += 16;
        },
        [&](const BlockRef& b, int slot, int16_t* pred, size_t m) {
          ASSERT_EQ(nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(source_block(peer, b, decoded, index++), out.data(),
                                                             &bitpos, pred, t.dc_spec(slot), t.ac_spec(slot)),
                    nmxStatusOk)
              << "direct at MCU " << m;
        });
    pad();
    ASSERT_EQ(static_cast<size_t>(bitpos >> 3), want_len);
    ASSERT_TRUE(same(file.data() + s.data_begin, out.data(), want_len)) << "direct encoder";
  }
}

struct Case {
  const char* name;
  PeerOptions o;
};

std::vector<Case> cases() {
  const struct {
    const char* name;
    int q, h, v;
    bool gray;
    int restart;
    bool opt;
  } rows[] = {
      {"q50 4:4:4 std", 50, 1, 1, false, 0, false},          {"q75 4:2:0 std", 75, 2, 2, false, 0, false},
      {"q95 4:2:2 std", 95, 2, 1, false, 0, false},          {"q95 gray std", 95, 1, 1, true, 0, false},
      {"q50 4:2:0 opt", 50, 2, 2, false, 0, true},           {"q75 4:4:4 opt", 75, 1, 1, false, 0, true},
      {"q95 4:2:2 opt restart 7", 95, 2, 1, false, 7, true}, {"q75 gray opt restart 1", 75, 1, 1, true, 1, true},
      {"q50 4:2:0 std restart 1", 50, 2, 2, false, 1, false}, {"q95 4:4:4 std restart 13", 95, 1, 1, false, 13, false},
      {"q75 4:2:2 std restart 64", 75, 2, 1, false, 64, false}, {"q50 gray std restart 5", 50, 1, 1, true, 5, false},
  };
  std::vector<Case> out;
  for (const auto& r : rows) {
    PeerOptions o;
    o.quality = r.q, o.h = r.h, o.v = r.v, o.gray = r.gray, o.restart = r.restart, o.optimize = r.opt;
    out.push_back({r.name, o});
  }
  return out;
}

// Photographs cropped to sizes that leave partial MCUs at the edges.
std::vector<Image> photos() {
  std::vector<Image> out;
  for (const std::string& path : corpus_paths()) {
    Image img = read_pnm(path);
    if (img.pixels.empty()) continue;
    const int w = img.width - 5, h = img.height - 3;
    Image crop;
    crop.width = w;
    crop.height = h;
    crop.channels = 3;
    for (int r = 0; r < h; ++r)
      crop.pixels.insert(crop.pixels.end(), img.pixels.begin() + static_cast<size_t>(r) * img.width * 3,
                         img.pixels.begin() + (static_cast<size_t>(r) * img.width + w) * 3);
    out.push_back(std::move(crop));
  }
  return out;
}

BufferedDecode kernel_decoder(huff::DecodeBlock k) {
  return [k](const uint8_t* s, int32_t l, int32_t* p, int16_t* d, int16_t* dc, int32_t* m,
             const NmxDecodeHuffmanSpec* a, const NmxDecodeHuffmanSpec* b, NmxDecodeHuffmanState* st) {
    return k(s, l, p, d, dc, m, reinterpret_cast<const huff::DecodeSpec*>(a),
             reinterpret_cast<const huff::DecodeSpec*>(b), reinterpret_cast<huff::DecodeState*>(st));
  };
}

BufferedEncode kernel_encoder(huff::EncodeBlock k) {
  // Flushes go through the export; blocks through the kernel.
  return [k](const int16_t* s, uint8_t* d, int32_t l, int32_t* p, int16_t* dc, const NmxEncodeHuffmanSpec* a,
             const NmxEncodeHuffmanSpec* b, NmxEncodeHuffmanState* st, int32_t flush) {
    if (flush) return nmxiEncodeHuffman8x8_JPEG_16s1u_C1(s, d, l, p, dc, a, b, st, flush);
    return k(s, d, l, p, dc, reinterpret_cast<const huff::EncodeSpec*>(a),
             reinterpret_cast<const huff::EncodeSpec*>(b), reinterpret_cast<huff::EncodeState*>(st));
  };
}

TEST(HuffmanOracle, DecodersGiveThePeersCoefficientsAndEncodersItsBytes) {
  const std::vector<Image> imgs = photos();
  ASSERT_FALSE(imgs.empty());
  int files = 0;
  for (const Case& c : cases()) {
    for (size_t i = 0; i < imgs.size(); ++i) {
      SCOPED_TRACE(std::string(c.name) + ", photograph " + std::to_string(i));
      peer::Pixels px{imgs[i].width, imgs[i].height, 3, imgs[i].pixels};
      const std::vector<uint8_t> file = peer::encode(px, c.o);
      ASSERT_FALSE(file.empty());
      JpegFile f;
      std::string why;
      ASSERT_TRUE(parse_jpeg(file.data(), file.size(), &f, &why)) << why;
      ASSERT_EQ(f.sof, 0xC0);
      ASSERT_EQ(f.scans.size(), 1u);
      PeerCoefficients coefs;
      ASSERT_TRUE(peer::read_coefficients(file, coefs.c));
      ++files;

      std::vector<int16_t> decoded;  // every block in stream order, padding included
      decode_buffered(file, f, coefs, nmxiDecodeHuffman8x8_JPEG_1u16s_C1, "export", &decoded);
      for (Target t : available_targets())
        decode_buffered(file, f, coefs, kernel_decoder(huff::kernels_for(t).decode_block), target_name(t));
      decode_direct(file, f, coefs);

      encode_buffered(file, f, coefs, decoded, nmxiEncodeHuffman8x8_JPEG_16s1u_C1, "export");
      for (Target t : available_targets())
        encode_buffered(file, f, coefs, decoded, kernel_encoder(huff::kernels_for(t).encode_block), target_name(t));
      encode_direct(file, f, coefs, decoded);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_EQ(files, static_cast<int>(cases().size() * imgs.size()));
}

}  // namespace
}  // namespace nmx::test

#endif  // NMXJ_HAVE_LIBJPEG
