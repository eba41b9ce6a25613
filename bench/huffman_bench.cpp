// Baseline entropy coding of real photographs' scans: every block of the
// three test photographs (4:2:0, standard tables, quality 75 and 95) decoded
// with the buffered block decoder and encoded with the buffered block encoder,
// in MB/s of entropy-coded data. In the same run libjpeg-turbo reads the
// coefficients of the same files (jpeg_read_coefficients) and writes the same
// coefficients with the same tables (jpeg_write_coefficients).
#if NMXJ_HAVE_LIBJPEG

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../tests/support/jpeg_markers.h"
#include "../tests/support/libjpeg_peer.h"
#include "../tests/support/ppm.h"
#include "bench_util.h"
#include "nmxj.h"

namespace {

// One photograph coded by the peer, with everything our coders need.
struct Scan {
  std::vector<uint8_t> file;
  nmx::test::JpegFile f;
  size_t coded = 0;  // bytes of entropy-coded data
  // Blocks in stream order: component slot and the block's coefficients.
  std::vector<int> slot;
  std::vector<int16_t> blocks;
  std::vector<int16_t> decoded;
  std::vector<std::vector<uint8_t>> enc_dc, enc_ac, dec_dc, dec_ac;
  // The peer's decompressor holding the coefficient arrays for jpeg_write_coefficients.
  std::unique_ptr<jpeg_decompress_struct> src;
  jpeg_error_mgr src_err;
  jvirt_barray_ptr* arrays = nullptr;
  Scan() = default;
  Scan(const Scan&) = delete;
  ~Scan() {
    if (src) jpeg_destroy_decompress(src.get());
  }
};

bool decode_all(Scan& s);

std::vector<std::unique_ptr<Scan>> make_scans(int quality) {
  std::vector<std::unique_ptr<Scan>> out;
  for (const std::string& path : nmx::test::corpus_paths()) {
    const nmx::test::Image img = nmx::test::read_pnm(path);
    if (img.pixels.empty()) continue;
    auto s = std::make_unique<Scan>();
    nmx::peer::EncodeSettings settings;
    settings.quality = quality;
    s->file = nmx::peer::encode(nmx::peer::Pixels{img.width, img.height, 3, img.pixels}, settings);
    std::string why;
    if (s->file.empty() || !nmx::test::parse_jpeg(s->file.data(), s->file.size(), &s->f, &why) ||
        s->f.scans.size() != 1) {
      std::fprintf(stderr, "huffman bench: cannot use %s (%s)\n", path.c_str(), why.c_str());
      continue;
    }
    nmx::peer::Coefficients coefs;
    nmx::peer::read_coefficients(s->file, coefs);
    const nmx::test::JpegScan& sc = s->f.scans[0];
    s->coded = sc.data_end - sc.data_begin;
    for (const auto& c : sc.components) {
      const nmx::test::JpegHuffTable& dc = sc.dc[c.td];
      const nmx::test::JpegHuffTable& ac = sc.ac[c.ta];
      s->enc_dc.emplace_back(1024), s->enc_ac.emplace_back(1024), s->dec_dc.emplace_back(1644),
          s->dec_ac.emplace_back(1644);
      nmxiEncodeHuffmanSpecInit_JPEG_8u(dc.counts, dc.symbols.data(),
                                        reinterpret_cast<NmxEncodeHuffmanSpec*>(s->enc_dc.back().data()));
      nmxiEncodeHuffmanSpecInit_JPEG_8u(ac.counts, ac.symbols.data(),
                                        reinterpret_cast<NmxEncodeHuffmanSpec*>(s->enc_ac.back().data()));
      nmxiDecodeHuffmanSpecInit_JPEG_8u(dc.counts, dc.symbols.data(),
                                        reinterpret_cast<NmxDecodeHuffmanSpec*>(s->dec_dc.back().data()));
      nmxiDecodeHuffmanSpecInit_JPEG_8u(ac.counts, ac.symbols.data(),
                                        reinterpret_cast<NmxDecodeHuffmanSpec*>(s->dec_ac.back().data()));
    }
    // MCU order of the interleaved scan. Padding blocks (past the component's
    // real blocks) are not in the peer's arrays: they come from our decoder below.
    const nmx::test::JpegGeometry g = nmx::test::mcu_geometry(s->f);
    for (int my = 0; my < g.mcus_y; ++my)
      for (int mx = 0; mx < g.mcus_x; ++mx)
        for (size_t k = 0; k < sc.components.size(); ++k) {
          const int ci = sc.components[k].index;
          const nmx::test::JpegComponent& comp = s->f.components[ci];
          for (int by = 0; by < comp.v; ++by)
            for (int bx = 0; bx < comp.h; ++bx) {
              const int r = std::min(my * comp.v + by, coefs.high[ci] - 1);
              const int c = std::min(mx * comp.h + bx, coefs.wide[ci] - 1);
              const int16_t* b = coefs.values[ci].data() + (static_cast<size_t>(r) * coefs.wide[ci] + c) * 64;
              s->slot.push_back(static_cast<int>(k));
              s->blocks.insert(s->blocks.end(), b, b + 64);
            }
        }
    s->decoded.resize(s->blocks.size());
    if (!decode_all(*s)) {
      std::fprintf(stderr, "huffman bench: cannot decode %s\n", path.c_str());
      continue;
    }
    s->blocks = s->decoded;  // the peer's coefficients where it has them (the tests check that they agree)
    // The peer's coefficient arrays, kept for its encoder.
    s->src = std::make_unique<jpeg_decompress_struct>();
    s->src->err = jpeg_std_error(&s->src_err);
    jpeg_create_decompress(s->src.get());
    jpeg_mem_src(s->src.get(), s->file.data(), static_cast<unsigned long>(s->file.size()));
    jpeg_read_header(s->src.get(), TRUE);
    s->arrays = jpeg_read_coefficients(s->src.get());
    out.push_back(std::move(s));
  }
  return out;
}

const std::vector<std::unique_ptr<Scan>>& scans(int quality) {
  static const auto q75 = make_scans(75), q95 = make_scans(95);
  return quality == 75 ? q75 : q95;
}

size_t coded_bytes(int quality) {
  size_t n = 0;
  for (const auto& s : scans(quality)) n += s->coded;
  return n;
}

bool decode_all(Scan& s) {
  const nmx::test::JpegScan& sc = s.f.scans[0];
  const uint8_t* src = s.file.data() + sc.data_begin;
  const int32_t len = static_cast<int32_t>(s.file.size() - sc.data_begin);
  int32_t pos = 0, marker = 0;
  alignas(8) uint8_t state[24];
  auto* st = reinterpret_cast<NmxDecodeHuffmanState*>(state);
  nmxiDecodeHuffmanStateInit_JPEG_8u(st);
  int16_t pred[4] = {};
  const size_t n = s.slot.size();
  for (size_t i = 0; i < n; ++i) {
    const int k = s.slot[i];
    if (nmxiDecodeHuffman8x8_JPEG_1u16s_C1(src, len, &pos, s.decoded.data() + 64 * i, &pred[k], &marker,
                                           reinterpret_cast<const NmxDecodeHuffmanSpec*>(s.dec_dc[k].data()),
                                           reinterpret_cast<const NmxDecodeHuffmanSpec*>(s.dec_ac[k].data()),
                                           st) != nmxStatusOk)
      return false;
  }
  return true;
}

int32_t encode_all(Scan& s, std::vector<uint8_t>& out) {
  alignas(8) uint8_t state[1048];
  auto* st = reinterpret_cast<NmxEncodeHuffmanState*>(state);
  nmxiEncodeHuffmanStateInit_JPEG_8u(st);
  int32_t pos = 0;
  const int32_t len = static_cast<int32_t>(out.size());
  int16_t pred[4] = {};
  const size_t n = s.slot.size();
  for (size_t i = 0; i < n; ++i) {
    const int k = s.slot[i];
    if (nmxiEncodeHuffman8x8_JPEG_16s1u_C1(s.blocks.data() + 64 * i, out.data(), len, &pos, &pred[k],
                                           reinterpret_cast<const NmxEncodeHuffmanSpec*>(s.enc_dc[k].data()),
                                           reinterpret_cast<const NmxEncodeHuffmanSpec*>(s.enc_ac[k].data()), st,
                                           0) != nmxStatusOk)
      return -1;
  }
  nmxiEncodeHuffman8x8_JPEG_16s1u_C1(nullptr, out.data(), len, &pos, nullptr, nullptr, nullptr, st, 1);
  return pos;
}

void BM_HuffDecode8x8(benchmark::State& state) {
  const int q = static_cast<int>(state.range(0));
  for (auto _ : state)
    for (const auto& s : scans(q))
      if (!decode_all(*s)) return state.SkipWithError("decode failed");
  // The decoded blocks are the peer's (padding blocks aside, which the file codes as it likes).
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * coded_bytes(q)));
}

void BM_HuffEncode8x8(benchmark::State& state) {
  const int q = static_cast<int>(state.range(0));
  std::vector<uint8_t> out(4 << 20);
  for (const auto& s : scans(q)) {  // our bytes must be the file's
    const nmx::test::JpegScan& sc = s->f.scans[0];
    const int32_t n = encode_all(*s, out);
    if (n != static_cast<int32_t>(s->coded) || std::memcmp(out.data(), s->file.data() + sc.data_begin, s->coded))
      return state.SkipWithError("encoded bytes differ from the file's");
  }
  for (auto _ : state)
    for (const auto& s : scans(q)) benchmark::DoNotOptimize(encode_all(*s, out));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * coded_bytes(q)));
}

void BM_Peer_read_coefficients(benchmark::State& state) {
  const int q = static_cast<int>(state.range(0));
  for (auto _ : state)
    for (const auto& s : scans(q)) {
      jpeg_decompress_struct d;
      jpeg_error_mgr err;
      d.err = jpeg_std_error(&err);
      jpeg_create_decompress(&d);
      jpeg_mem_src(&d, s->file.data(), static_cast<unsigned long>(s->file.size()));
      jpeg_read_header(&d, TRUE);
      benchmark::DoNotOptimize(jpeg_read_coefficients(&d));
      jpeg_finish_decompress(&d);
      jpeg_destroy_decompress(&d);
    }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * coded_bytes(q)));
}

void BM_Peer_write_coefficients(benchmark::State& state) {
  const int q = static_cast<int>(state.range(0));
  for (auto _ : state)
    for (const auto& s : scans(q)) {
      jpeg_compress_struct c;
      jpeg_error_mgr err;
      c.err = jpeg_std_error(&err);
      jpeg_create_compress(&c);
      unsigned char* buf = nullptr;
      unsigned long len = 0;
      jpeg_mem_dest(&c, &buf, &len);
      jpeg_copy_critical_parameters(s->src.get(), &c);
      c.optimize_coding = FALSE;  // the standard tables, as in the file
      jpeg_write_coefficients(&c, s->arrays);
      jpeg_finish_compress(&c);
      jpeg_destroy_compress(&c);
      benchmark::DoNotOptimize(buf);
      std::free(buf);
    }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * coded_bytes(q)));
}

BENCHMARK(BM_HuffDecode8x8)->ArgName("quality")->Arg(75)->Arg(95);
BENCHMARK(BM_Peer_read_coefficients)->ArgName("quality")->Arg(75)->Arg(95);
BENCHMARK(BM_HuffEncode8x8)->ArgName("quality")->Arg(75)->Arg(95);
BENCHMARK(BM_Peer_write_coefficients)->ArgName("quality")->Arg(75)->Arg(95);

const int kHuffmanRatios =
    (nmx::bench::add_ratio("Huffman decode q75 / peer jpeg_read_coefficients", "BM_HuffDecode8x8/quality:75",
                           "BM_Peer_read_coefficients/quality:75"),
     nmx::bench::add_ratio("Huffman decode q95 / peer jpeg_read_coefficients", "BM_HuffDecode8x8/quality:95",
                           "BM_Peer_read_coefficients/quality:95"),
     nmx::bench::add_ratio("Huffman encode q75 / peer jpeg_write_coefficients", "BM_HuffEncode8x8/quality:75",
                           "BM_Peer_write_coefficients/quality:75"),
     nmx::bench::add_ratio("Huffman encode q95 / peer jpeg_write_coefficients", "BM_HuffEncode8x8/quality:95",
                           "BM_Peer_write_coefficients/quality:95"),
     0);

}  // namespace

#endif  // NMXJ_HAVE_LIBJPEG
