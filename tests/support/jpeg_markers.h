// A small JPEG marker parser for tests and benchmarks: frame header (SOFn),
// Huffman tables (DHT), restart interval (DRI) and scans (SOS) with the extent
// of their entropy-coded data. It reads structure only.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nmx::test {

struct JpegHuffTable {
  bool present = false;
  uint8_t counts[16] = {};
  std::vector<uint8_t> symbols;
};

struct JpegComponent {
  int id = 0, h = 1, v = 1;
};

struct JpegScanComponent {
  int index = 0;  // position in JpegFile::components
  int td = 0, ta = 0;
};

struct JpegScan {
  std::vector<JpegScanComponent> components;
  int restart_interval = 0;                   // DRI in force for this scan
  std::array<JpegHuffTable, 4> dc, ac;        // tables in force for this scan
  size_t data_begin = 0, data_end = 0;        // whole entropy-coded data, RSTn markers included
};

struct JpegFile {
  int sof = -1;  // 0xC0..0xCF frame marker
  int width = 0, height = 0;
  std::vector<JpegComponent> components;
  std::vector<JpegScan> scans;
  int hmax = 1, vmax = 1;
};

// Parses the markers of a whole file. On failure returns false and says why.
inline bool parse_jpeg(const uint8_t* d, size_t n, JpegFile* out, std::string* why) {
  auto fail = [&](const char* msg) {
    if (why) *why = msg;
    return false;
  };
  JpegFile f;
  std::array<JpegHuffTable, 4> dc, ac;
  int dri = 0;
  if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return fail("no SOI");
  size_t p = 2;
  for (;;) {
    while (p < n && d[p] == 0xFF && p + 1 < n && d[p + 1] == 0xFF) ++p;  // fill bytes
    if (p + 1 >= n) return fail("truncated before a marker");
    if (d[p] != 0xFF) return fail("marker expected");
    const int m = d[p + 1];
    p += 2;
    if (m == 0xD9) break;  // EOI
    if (m >= 0xD0 && m <= 0xD7) return fail("restart marker outside a scan");
    if (p + 2 > n) return fail("truncated segment length");
    const size_t len = static_cast<size_t>(d[p] << 8 | d[p + 1]);
    if (len < 2 || p + len > n) return fail("bad segment length");
    const uint8_t* s = d + p + 2;
    const size_t sl = len - 2;
    if ((m >= 0xC0 && m <= 0xCF) && m != 0xC4 && m != 0xC8 && m != 0xCC) {
      if (sl < 6) return fail("short SOF");
      f.sof = m;
      f.height = s[1] << 8 | s[2];
      f.width = s[3] << 8 | s[4];
      const int nc = s[5];
      if (sl < 6 + 3 * static_cast<size_t>(nc)) return fail("short SOF components");
      for (int i = 0; i < nc; ++i) {
        JpegComponent c;
        c.id = s[6 + 3 * i];
        c.h = s[7 + 3 * i] >> 4;
        c.v = s[7 + 3 * i] & 15;
        f.hmax = std::max(f.hmax, c.h);
        f.vmax = std::max(f.vmax, c.v);
        f.components.push_back(c);
      }
    } else if (m == 0xC4) {
      size_t q = 0;
      while (q < sl) {
        if (q + 17 > sl) return fail("short DHT");
        const int tc = s[q] >> 4, th = s[q] & 15;
        if (tc > 1 || th > 3) return fail("bad DHT class or slot");
        JpegHuffTable t;
        t.present = true;
        size_t total = 0;
        for (int i = 0; i < 16; ++i) total += t.counts[i] = s[q + 1 + i];
        if (q + 17 + total > sl) return fail("short DHT symbols");
        t.symbols.assign(s + q + 17, s + q + 17 + total);
        (tc ? ac : dc)[th] = t;
        q += 17 + total;
      }
    } else if (m == 0xDD) {
      if (sl < 2) return fail("short DRI");
      dri = s[0] << 8 | s[1];
    } else if (m == 0xDA) {
      if (sl < 1) return fail("short SOS");
      JpegScan sc;
      const int ns = s[0];
      if (sl < 4 + 2 * static_cast<size_t>(ns)) return fail("short SOS components");
      for (int i = 0; i < ns; ++i) {
        JpegScanComponent c;
        const int id = s[1 + 2 * i];
        c.index = -1;
        for (size_t k = 0; k < f.components.size(); ++k)
          if (f.components[k].id == id) c.index = static_cast<int>(k);
        if (c.index < 0) return fail("scan names an unknown component");
        c.td = s[2 + 2 * i] >> 4;
        c.ta = s[2 + 2 * i] & 15;
        if (c.td > 3 || c.ta > 3) return fail("bad table slot in SOS");
        sc.components.push_back(c);
      }
      sc.restart_interval = dri;
      sc.dc = dc;
      sc.ac = ac;
      // Entropy-coded data runs to the first marker that is neither a
      // stuffed 0x00, a fill byte nor RSTn.
      size_t q = sc.data_begin = p + len;
      for (;;) {
        if (q + 1 >= n) return fail("scan data runs to the end of the file");
        if (d[q] != 0xFF) {
          ++q;
          continue;
        }
        size_t r = q + 1;
        while (r < n && d[r] == 0xFF) ++r;
        if (r >= n) return fail("scan data runs to the end of the file");
        if (d[r] != 0x00 && (d[r] < 0xD0 || d[r] > 0xD7)) break;
        q = r + 1;
      }
      sc.data_end = q;
      f.scans.push_back(std::move(sc));
      p = f.scans.back().data_end;
      continue;
    }
    p += len;
  }
  if (f.sof < 0) return fail("no frame header");
  *out = std::move(f);
  return true;
}

// Blocks per MCU row and column and per component, for interleaved scans.
struct JpegGeometry {
  int mcus_x = 0, mcus_y = 0;
  // For a single-component scan of component c: its blocks across and down.
  static int blocks_across(const JpegFile& f, const JpegComponent& c) {
    return (f.width * c.h + 8 * f.hmax - 1) / (8 * f.hmax);
  }
  static int blocks_down(const JpegFile& f, const JpegComponent& c) {
    return (f.height * c.v + 8 * f.vmax - 1) / (8 * f.vmax);
  }
};

inline JpegGeometry mcu_geometry(const JpegFile& f) {
  JpegGeometry g;
  g.mcus_x = (f.width + 8 * f.hmax - 1) / (8 * f.hmax);
  g.mcus_y = (f.height + 8 * f.vmax - 1) / (8 * f.vmax);
  return g;
}

}  // namespace nmx::test
