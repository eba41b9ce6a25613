// Marker segments of a baseline JFIF file.
#pragma once

#include <cstdint>
#include <vector>

#include "jpeg/tables.h"

namespace nmxjpeg {

class SegmentWriter {
 public:
  explicit SegmentWriter(std::vector<uint8_t>& out) : out_(out) {}

  void marker(uint8_t m) { byte(0xFF), byte(m); }
  void byte(int b) { out_.push_back(static_cast<uint8_t>(b)); }
  void word(int w) { byte(w >> 8), byte(w & 0xFF); }

  void soi() { marker(0xD8); }
  void eoi() { marker(0xD9); }
  void jfif() {
    marker(0xE0);
    word(16);
    for (uint8_t c : {'J', 'F', 'I', 'F', '\0'}) byte(c);
    word(0x0101);         // version 1.1
    byte(0), word(1), word(1);  // aspect ratio 1:1, no density unit
    byte(0), byte(0);     // no thumbnail
  }
  // One 8-bit table in zig-zag order.
  void dqt(int id, const uint8_t table[64]) {
    marker(0xDB);
    word(67);
    byte(id);
    for (int i = 0; i < 64; ++i) byte(table[i]);
  }
  void dht(int tableClass, int id, const HuffmanList& list) {
    marker(0xC4);
    word(3 + 16 + list.symbol_count);
    byte(tableClass << 4 | id);
    for (uint8_t c : list.counts) byte(c);
    for (int i = 0; i < list.symbol_count; ++i) byte(list.symbols[i]);
  }
  void dri(int interval) {
    marker(0xDD);
    word(4);
    word(interval);
  }
  struct Component {
    int id, h, v, table;
  };
  void sof0(int width, int height, const Component* comps, int n) {
    marker(0xC0);
    word(8 + 3 * n);
    byte(8), word(height), word(width), byte(n);
    for (int i = 0; i < n; ++i) byte(comps[i].id), byte(comps[i].h << 4 | comps[i].v), byte(comps[i].table);
  }
  // comps: id, then DC table << 4 | AC table.
  void sos(const int* ids, const int* tables, int n) {
    marker(0xDA);
    word(6 + 2 * n);
    byte(n);
    for (int i = 0; i < n; ++i) byte(ids[i]), byte(tables[i]);
    byte(0), byte(63), byte(0);  // full spectral range, no approximation
  }

 private:
  std::vector<uint8_t>& out_;
};

}  // namespace nmxjpeg
