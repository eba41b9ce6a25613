// The baseline JPEG example codec end to end, with libjpeg-turbo as the
// black-box peer: files we write decode with the peer, files the peer (and
// cameras and editors) write decode with us, unsupported and broken input
// fails with a message and never crashes.
#if NMXJ_HAVE_LIBJPEG

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "jpeg/codec.h"
#include "support/harness.h"
#include "support/libjpeg_peer.h"
#include "support/ppm.h"

namespace {

using nmxjpeg::Sampling;

nmxjpeg::Image load(const std::string& path) {
  const nmx::test::Image t = nmx::test::read_pnm(path);
  return {t.width, t.height, t.channels, t.pixels};
}
nmx::peer::Pixels as_peer(const nmxjpeg::Image& img) { return {img.width, img.height, img.channels, img.pixels}; }

std::vector<uint8_t> read_bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Largest sample difference, and the share of samples that differ by more than `limit`.
std::pair<int, double> differences(const nmxjpeg::Image& a, const nmxjpeg::Image& b, int limit = 2) {
  int m = 0;
  size_t n = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const int d = std::abs(a.pixels[i] - b.pixels[i]);
    m = std::max(m, d);
    n += d > limit;
  }
  return {m, a.pixels.empty() ? 0 : static_cast<double>(n) / a.pixels.size()};
}

nmxjpeg::Image decode_ours(const std::vector<uint8_t>& file, int scale = 1) {
  nmxjpeg::Image img;
  std::string error;
  EXPECT_TRUE(nmxjpeg::decode(file.data(), file.size(), {scale}, img, error)) << error;
  return img;
}

nmxjpeg::Image decode_peer(const std::vector<uint8_t>& file, int scale = 1) {
  nmx::peer::Pixels p;
  std::string message;
  EXPECT_TRUE(nmx::peer::decode(file, p, message, scale)) << message;
  return {p.width, p.height, p.channels, p.data};
}

struct SamplingCase {
  Sampling ours;
  int h, v;
  bool gray;
  const char* name;
};
const SamplingCase kSamplings[] = {{Sampling::S444, 1, 1, false, "444"},
                                   {Sampling::S422, 2, 1, false, "422"},
                                   {Sampling::S420, 2, 2, false, "420"},
                                   {Sampling::Gray, 1, 1, true, "gray"}};

// What we encode decodes with the peer to within 2 of our own decoding (the
// two inverse DCTs round differently, and the colour matrix scales a chroma
// difference of 1 by up to 1.77, so a few samples in 10000 reach 3), and
// costs no more than 0.3 dB against the peer's encoding at the same settings
// (at quality 50 our file has restart markers every 3 MCUs).
TEST(JpegCodec, OurFilesDecodeWithThePeer) {
  for (const std::string& path : nmx::test::corpus_paths()) {
    const nmxjpeg::Image src = load(path);
    ASSERT_GT(src.width, 0) << path;
    // The gray reference is the peer's own near-lossless luma.
    nmx::peer::EncodeSettings luma;
    luma.gray = true;
    luma.quality = 100;
    const nmxjpeg::Image gray_ref = decode_peer(nmx::peer::encode(as_peer(src), luma));
    for (const SamplingCase& s : kSamplings)
      for (int quality : {50, 90}) {
        SCOPED_TRACE(path + " " + s.name + " q" + std::to_string(quality));
        std::vector<uint8_t> ours;
        std::string error;
        ASSERT_TRUE(nmxjpeg::encode(src, {quality, s.ours, quality == 50 ? 3 : 0}, ours, error)) << error;
        const nmxjpeg::Image by_peer = decode_peer(ours), by_us = decode_ours(ours);
        ASSERT_EQ(by_peer.pixels.size(), by_us.pixels.size());
        const auto [worst, share] = differences(by_peer, by_us);
        EXPECT_LE(worst, 3);
        EXPECT_LE(share, 1e-3);

        nmx::peer::EncodeSettings ps;
        ps.quality = quality, ps.h = s.h, ps.v = s.v, ps.gray = s.gray;
        const nmxjpeg::Image peer_round = decode_peer(nmx::peer::encode(as_peer(src), ps));
        const nmxjpeg::Image& ref = s.gray ? gray_ref : src;
        const double ours_db = nmxjpeg::psnr(ref, by_peer), peer_db = nmxjpeg::psnr(ref, peer_round);
        EXPECT_GT(ours_db, peer_db - 0.3) << "ours " << ours_db << " dB, peer " << peer_db << " dB";
      }
  }
}

// Files the peer writes (every sampling, restart intervals, optimal tables)
// decode to the peer's coefficients exactly and its pixels within 3.
void expect_decodes_like_peer(const std::vector<uint8_t>& file, int tolerance = 3) {
  nmx::peer::Coefficients want;
  ASSERT_TRUE(nmx::peer::read_coefficients(file, want));
  nmxjpeg::Coefficients got;
  std::string error;
  ASSERT_TRUE(nmxjpeg::decode_coefficients(file.data(), file.size(), got, error)) << error;
  ASSERT_EQ(got.components.size(), want.values.size());
  for (size_t c = 0; c < want.values.size(); ++c) {
    const auto& g = got.components[c];
    ASSERT_GE(g.blocks_wide, want.wide[c]);
    ASSERT_GE(g.blocks_high, want.high[c]);
    for (int r = 0; r < want.high[c]; ++r)
      for (int col = 0; col < want.wide[c]; ++col) {
        const int16_t* w = &want.values[c][(static_cast<size_t>(r) * want.wide[c] + col) * 64];
        const int16_t* o = &g.values[(static_cast<size_t>(r) * g.blocks_wide + col) * 64];
        ASSERT_TRUE(nmx::test::same(w, o, 64, 8)) << "component " << c << " block " << r << "," << col;
      }
  }
  const nmxjpeg::Image peer = decode_peer(file), ours = decode_ours(file);
  ASSERT_EQ(peer.width, ours.width);
  ASSERT_EQ(peer.height, ours.height);
  ASSERT_EQ(peer.channels, ours.channels);
  EXPECT_LE(differences(peer, ours).first, tolerance);
}

TEST(JpegCodec, PeerFilesDecodeLikeThePeer) {
  struct Variant {
    int h, v;
    bool gray;
    int restart;
    bool optimize;
    int quality;
    bool separate_scans = false;
  };
  const Variant variants[] = {{1, 1, false, 0, false, 75}, {2, 1, false, 0, true, 95}, {2, 2, false, 3, false, 50},
                              {2, 2, false, 0, true, 90},  {1, 1, true, 7, true, 75},   {2, 2, false, 1, true, 20},
                              {4, 1, false, 0, false, 80}, {1, 1, false, 11, false, 98}, {2, 2, false, 0, false, 85, true},
                              {2, 1, false, 4, true, 70, true}};
  for (const std::string& path : nmx::test::corpus_paths()) {
    const nmxjpeg::Image src = load(path);
    for (const Variant& v : variants) {
      SCOPED_TRACE(path + " h" + std::to_string(v.h) + "v" + std::to_string(v.v) + (v.gray ? " gray" : "") +
                   " restart " + std::to_string(v.restart) + (v.optimize ? " optimized" : "") +
                   (v.separate_scans ? " one scan per component" : ""));
      nmx::peer::EncodeSettings s;
      s.h = v.h, s.v = v.v, s.gray = v.gray, s.restart = v.restart, s.optimize = v.optimize, s.quality = v.quality;
      s.separate_scans = v.separate_scans;
      const std::vector<uint8_t> file = nmx::peer::encode(as_peer(src), s);
      ASSERT_FALSE(file.empty());
      expect_decodes_like_peer(file);
    }
  }
}

TEST(JpegCodec, RealWorldFilesDecodeLikeThePeer) {
  for (const char* name : {"mate-wood-camera.jpg", "mate-greentraditional-gimp.jpg", "mate-aqua-exif.jpg"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> file = read_bytes(std::string(NMXJ_TEST_DATA) + "/realworld/" + name);
    ASSERT_GT(file.size(), 1000u);
    expect_decodes_like_peer(file);
  }
}

TEST(JpegCodec, OddSizesAndRestartsRoundTrip) {
  nmx::test::Rng rng(9);
  for (auto [w, h] : {std::pair{1, 1}, {7, 9}, {17, 33}, {33, 17}, {16, 16}, {65, 3}}) {
    nmxjpeg::Image src{w, h, 3, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
    for (size_t i = 0; i < src.pixels.size(); ++i) src.pixels[i] = static_cast<uint8_t>((i * 7 + i / 3 * 13) & 255);
    for (const SamplingCase& s : kSamplings)
      for (int restart : {0, 1, 2}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " " + s.name + " restart " + std::to_string(restart));
        std::vector<uint8_t> file;
        std::string error;
        ASSERT_TRUE(nmxjpeg::encode(src, {85, s.ours, restart}, file, error)) << error;
        const nmxjpeg::Image peer = decode_peer(file);
        ASSERT_TRUE(peer.width == w && peer.height == h);
        expect_decodes_like_peer(file);
      }
  }
}

TEST(JpegCodec, ScaledDecodingFollowsThePeer) {
  const nmxjpeg::Image src = load(nmx::test::corpus_paths()[1]);
  for (const SamplingCase& s : kSamplings) {
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(nmxjpeg::encode(src, {90, s.ours, 0}, file, error)) << error;
    for (int scale : {2, 4, 8}) {
      SCOPED_TRACE(std::string(s.name) + " scale 1/" + std::to_string(scale));
      const nmxjpeg::Image ours = decode_ours(file, scale), peer = decode_peer(file, scale);
      EXPECT_EQ(ours.width, (src.width + scale - 1) / scale);
      EXPECT_EQ(ours.height, (src.height + scale - 1) / scale);
      ASSERT_EQ(ours.pixels.size(), peer.pixels.size());
      // Different reduction filters: close, not equal.
      EXPECT_GT(nmxjpeg::psnr(ours, peer), 28.0);
    }
  }
}

TEST(JpegCodec, UnsupportedFilesAreRejectedWithAMessage) {
  const nmxjpeg::Image src = load(nmx::test::corpus_paths()[2]);
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    const char* keyword;
  };
  nmx::peer::EncodeSettings progressive, arithmetic, cmyk;
  progressive.progressive = arithmetic.arithmetic = cmyk.cmyk = true;
  std::vector<uint8_t> twelve = nmx::peer::encode(as_peer(src), {});
  // Claim 12-bit samples in the frame header.
  for (size_t i = 2; i + 4 < twelve.size(); ++i)
    if (twelve[i] == 0xFF && twelve[i + 1] == 0xC0) {
      twelve[i + 4] = 12;
      break;
    }
  std::vector<Case> cases = {
      {"progressive", nmx::peer::encode(as_peer(src), progressive), "progressive"},
      {"arithmetic", nmx::peer::encode(as_peer(src), arithmetic), "arithmetic"},
      {"cmyk", nmx::peer::encode(as_peer(src), cmyk), "four-component"},
      {"12-bit", twelve, "12-bit"},
      {"real-world progressive", read_bytes(std::string(NMXJ_TEST_DATA) + "/realworld/mate-freshflower-progressive.jpg"),
       "progressive"},
      {"not a JPEG", std::vector<uint8_t>(100, 0x42), "not a JPEG"},
  };
  for (const Case& c : cases) {
    ASSERT_GT(c.file.size(), 10u) << c.what;
    nmxjpeg::Image img;
    std::string error;
    EXPECT_FALSE(nmxjpeg::decode(c.file.data(), c.file.size(), {}, img, error)) << c.what;
    EXPECT_NE(error.find(c.keyword), std::string::npos) << c.what << ": " << error;
  }
}

// Every truncation and a few hundred corruptions of a small file either
// decode or fail with a message; none may crash (the sanitizer build checks
// every memory access).
TEST(JpegCodec, BrokenInputFailsCleanly) {
  nmxjpeg::Image src{40, 24, 3, std::vector<uint8_t>(40 * 24 * 3)};
  for (size_t i = 0; i < src.pixels.size(); ++i) src.pixels[i] = static_cast<uint8_t>(i * 31 % 251);
  std::vector<uint8_t> good;
  std::string error;
  ASSERT_TRUE(nmxjpeg::encode(src, {75, Sampling::S420, 2}, good, error)) << error;
  int failures = 0;
  for (size_t len = 0; len < good.size(); ++len) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(len));
    nmxjpeg::Image img;
    std::string why;
    if (!nmxjpeg::decode(cut.data(), cut.size(), {}, img, why)) {
      ++failures;
      EXPECT_FALSE(why.empty()) << "length " << len;
    }
  }
  EXPECT_GT(failures, 0);
  nmx::test::Rng rng(77);
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> bad = good;
    const int flips = 1 + round % 4;
    for (int k = 0; k < flips; ++k) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
    nmxjpeg::Image img;
    std::string why;
    if (!nmxjpeg::decode(bad.data(), bad.size(), {static_cast<int>(1u << (round % 4))}, img, why))
      EXPECT_FALSE(why.empty());
  }
}

}  // namespace

#endif  // NMXJ_HAVE_LIBJPEG
