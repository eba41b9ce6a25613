// Cross-check with libjpeg-turbo: baseline files that it makes from the
// test photographs (qualities, samplings, grayscale, restart intervals,
// standard and optimized tables) are decoded with our block decoders, in MCU
// order, one restart interval at a time, and must give exactly the
// coefficients that the peer reads; encoding the decoded blocks again with the
// file's own tables must reproduce each interval's entropy-coded bytes.
#if NMXJ_HAVE_LIBJPEG

#include <algorithm>
#include <string>
#include <vector>

#include "jpeg/huffman/huff_test_util.h"
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

// Byte ranges of the scan's restart intervals, their RSTn markers left out.
std::vector<std::pair<size_t, size_t>> intervals(const std::vector<uint8_t>& file, const JpegScan& s) {
  std::vector<std::pair<size_t, size_t>> out;
  size_t begin = s.data_begin;
  for (size_t p = begin; p + 1 < s.data_end; ++p)
    if (file[p] == 0xFF && file[p + 1] >= 0xD0 && file[p + 1] <= 0xD7) out.push_back({begin, p}), begin = p + 2;
  out.push_back({begin, s.data_end});
  return out;
}

// Table records of a scan, DC then AC per scan component; each is built one
// byte off alignment and then moved: records must not depend on their address.
template <class Spec>
std::vector<std::vector<uint8_t>> tables(const JpegScan& s, size_t size,
                                         nmxStatus (*init)(const uint8_t*, const uint8_t*, Spec*)) {
  std::vector<std::vector<uint8_t>> out;
  for (const JpegScanComponent& c : s.components)
    for (const JpegHuffTable* h : {&s.dc[c.td], &s.ac[c.ta]}) {
      std::vector<uint8_t> rec(size + 1);
      EXPECT_TRUE(h->present);
      EXPECT_EQ(init(h->counts, h->symbols.data(), reinterpret_cast<Spec*>(rec.data() + 1)), nmxStatusOk);
      rec.erase(rec.begin());
      out.push_back(std::move(rec));
    }
  return out;
}

// The coders under test: one target's kernels (buffered) or the direct
// coders. Flushes go through the export.
struct Coders {
  std::string name;
  huff::EncodeBlock encode;  // both null: the direct coders
  huff::DecodeBlock decode;
};
template <class T>
auto* as(std::vector<uint8_t>& v) {
  return reinterpret_cast<T*>(v.data());
}

void check_scan(const std::vector<uint8_t>& file, const JpegFile& f, const JpegScan& s,
                const peer::Coefficients& peer, const Coders& c) {
  auto dec = tables<NmxDecodeHuffmanSpec>(s, 1644, nmxiDecodeHuffmanSpecInit_JPEG_8u);
  auto enc = tables<NmxEncodeHuffmanSpec>(s, 1024, nmxiEncodeHuffmanSpecInit_JPEG_8u);
  const auto mcus = scan_mcus(f, s);
  const auto ivals = intervals(file, s);
  const size_t per = s.restart_interval ? s.restart_interval : mcus.size();
  ASSERT_EQ(ivals.size(), (mcus.size() + per - 1) / per);
  for (size_t i = 0; i < ivals.size(); ++i) {
    // Each interval starts afresh; the decoders see the rest of the scan and
    // stop at the interval's RSTn (or EOI).
    const uint8_t* src = file.data() + ivals[i].first;
    const int32_t len = static_cast<int32_t>(file.size() - ivals[i].first);
    const size_t want_len = ivals[i].second - ivals[i].first;
    std::vector<uint8_t> out(want_len + 64, 0xEE), dstate(24 + 3), estate(1048 + 5);
    int32_t pos = 0, marker = 0, bitpos = 0, count = 0, opos = 0, obit = 0;
    uint32_t buf = 0;
    auto* ds = reinterpret_cast<NmxDecodeHuffmanState*>(dstate.data() + 3);
    auto* es = reinterpret_cast<NmxEncodeHuffmanState*>(estate.data() + 5);
    ASSERT_EQ(nmxiDecodeHuffmanStateInit_JPEG_8u(ds), nmxStatusOk);
    ASSERT_EQ(nmxiEncodeHuffmanStateInit_JPEG_8u(es), nmxStatusOk);
    std::vector<int16_t> dpred(s.components.size()), epred(s.components.size());
    for (size_t m = i * per; m < std::min(mcus.size(), (i + 1) * per); ++m)
      for (const BlockRef& b : mcus[m]) {
        SCOPED_TRACE(c.name + " at MCU " + std::to_string(m));
        auto& dc = dec[2 * b.slot];
        auto& ac = dec[2 * b.slot + 1];
        int16_t blk[64];
        ASSERT_EQ(c.decode ? c.decode(src, len, &pos, blk, &dpred[b.slot], &marker, as<huff::DecodeSpec>(dc),
                                      as<huff::DecodeSpec>(ac), reinterpret_cast<huff::DecodeState*>(ds))
                           : nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(src, &bitpos, blk, &dpred[b.slot], &marker,
                                                                       &buf, &count, as<NmxDecodeHuffmanSpec>(dc),
                                                                       as<NmxDecodeHuffmanSpec>(ac)),
                  nmxStatusOk);
        // Blocks past a component's real area (padding of interleaved MCUs)
        // are not in the peer's arrays; their re-encoding checks them.
        if (b.row < peer.high[b.comp] && b.col < peer.wide[b.comp]) {
          const size_t at = (static_cast<size_t>(b.row) * peer.wide[b.comp] + b.col) * 64;
          ASSERT_TRUE(same(peer.values[b.comp].data() + at, blk, 64, 8))
              << "component " << b.comp << " block row " << b.row << " column " << b.col;
        }
        auto& edc = enc[2 * b.slot];
        auto& eac = enc[2 * b.slot + 1];
        ASSERT_EQ(c.encode ? c.encode(blk, out.data(), static_cast<int32_t>(out.size()), &opos, &epred[b.slot],
                                      as<huff::EncodeSpec>(edc), as<huff::EncodeSpec>(eac),
                                      reinterpret_cast<huff::EncodeState*>(es))
                           : nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(blk, out.data(), &obit, &epred[b.slot],
                                                                       as<NmxEncodeHuffmanSpec>(edc),
                                                                       as<NmxEncodeHuffmanSpec>(eac)),
                  nmxStatusOk);
      }
    // A decoder that met the marker (RSTn, or EOI after the last interval)
    // stands just past it, else it has not read beyond the interval.
    const size_t at = static_cast<size_t>(c.decode ? pos : bitpos >> 3);
    if (marker) EXPECT_EQ(marker, i + 1 < ivals.size() ? 0xD0 + static_cast<int>(i % 8) : 0xD9) << c.name;
    EXPECT_TRUE(marker ? at == want_len + 2 : at <= want_len) << c.name << " at byte " << at << " of " << want_len;
    if (c.encode) {
      ASSERT_EQ(nmxiEncodeHuffman8x8_JPEG_16s1u_C1(nullptr, out.data(), static_cast<int32_t>(out.size()), &opos,
                                                   nullptr, nullptr, nullptr, es, 1), nmxStatusOk);
    } else {
      opos = pad_direct(out.data(), obit);
    }
    ASSERT_EQ(static_cast<size_t>(opos), want_len) << c.name << " interval " << i;
    ASSERT_TRUE(same(file.data() + ivals[i].first, out.data(), want_len)) << c.name << " interval " << i;
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
  // Every target's kernels (the exports run the best of them) and the direct coders.
  std::vector<Coders> coders{{"direct", nullptr, nullptr}};
  for (Target t : available_targets()) {
    const huff::Kernels k = huff::kernels_for(t);
    coders.push_back({target_name(t), k.encode_block, k.decode_block});
  }
  const std::vector<Image> imgs = photos();
  ASSERT_FALSE(imgs.empty());
  for (const auto& c : cases)
    for (size_t i = 0; i < imgs.size(); ++i) {
      SCOPED_TRACE(std::string(c.name) + ", photograph " + std::to_string(i));
      peer::EncodeSettings o;
      o.quality = c.q, o.h = c.h, o.v = c.v, o.gray = c.gray, o.restart = c.restart, o.optimize = c.opt;
      const std::vector<uint8_t> file = peer::encode({imgs[i].width, imgs[i].height, 3, imgs[i].pixels}, o);
      JpegFile f;
      std::string why;
      ASSERT_TRUE(parse_jpeg(file.data(), file.size(), &f, &why)) << why;
      ASSERT_EQ(f.sof, 0xC0);
      ASSERT_EQ(f.scans.size(), 1u);
      peer::Coefficients coefs;
      ASSERT_TRUE(peer::read_coefficients(file, coefs));
      for (const Coders& cs : coders) {
        check_scan(file, f, f.scans[0], coefs, cs);
        if (HasFatalFailure()) return;
      }
    }
}

}  // namespace
}  // namespace nmx::test

#endif  // NMXJ_HAVE_LIBJPEG
