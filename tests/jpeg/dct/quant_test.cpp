// Quality scaling, working tables and 8x8 quantization through the exports.
#include <cmath>
#include <cstring>
#include <vector>

#include "nmxj.h"
#include "support/harness.h"

namespace {

TEST(QuantFwdRawTableInit, ScalesByQuality) {
  const struct {
    uint8_t entry;
    int32_t quality;
    uint8_t want;
  } cases[] = {
      {16, 75, 8},   {16, 50, 16},  {0, 50, 1},    {16, 25, 32},   {11, 10, 55},  {99, 90, 20},
      {1, 99, 1},    {255, 1, 255}, {5, 1, 250},   {6, 1, 255},    {255, 100, 1}, {200, 101, 1},
      {255, 1000, 1}, {3, 49, 3},   {51, 51, 50},  {128, 2, 255},  {1, 2, 25},    {2, 99, 1},    {3, 75, 2},
  };
  for (const auto& c : cases) {
    uint8_t table[64];
    std::memset(table, c.entry, 64);
    ASSERT_EQ(nmxiQuantFwdRawTableInit_JPEG_8u(table, c.quality), nmxStatusOk);
    for (int i = 0; i < 64; ++i)
      ASSERT_EQ(table[i], c.want) << "entry " << +c.entry << " quality " << c.quality;
  }
}

// Raw tables holding every quantizer 0..255: the inverse table is the raw one
// in natural order (placed here by walking the anti-diagonals, not by the
// library's map); the forward one holds the nearest integer to 32768 / q, and
// 65535 with the divide-by-zero status for a quantizer of 0.
TEST(QuantTables, ReciprocalsInNaturalOrder) {
  std::vector<int> natural;  // natural position of each zig-zag index
  for (int d = 0; d < 15; ++d)
    for (int k = 0; k < 8; ++k) {
      const int r = d % 2 ? k : d - k, c = d - r;  // odd diagonals run down, even ones up
      if (r >= 0 && r < 8 && c >= 0 && c < 8) natural.push_back(8 * r + c);
    }
  ASSERT_EQ(natural.size(), 64u);
  for (int base = 0; base < 256; base += 64) {
    uint8_t raw[64];
    for (int z = 0; z < 64; ++z) raw[z] = static_cast<uint8_t>(base + (z * 37 + 11) % 64);
    uint16_t fwd[64], inv[64];
    ASSERT_EQ(nmxiQuantFwdTableInit_JPEG_8u16u(raw, fwd), base ? nmxStatusOk : nmxStatusDivByZero);
    ASSERT_EQ(nmxiQuantInvTableInit_JPEG_8u16u(raw, inv), nmxStatusOk);
    for (int z = 0; z < 64; ++z) {
      const int q = raw[z], i = natural[z];
      EXPECT_EQ(inv[i], q) << "zig-zag " << z;
      EXPECT_EQ(fwd[i], q ? std::lround(32768.0 / q) : 65535) << "q " << q;
    }
  }
}

// Checks in order (pointers, then the quality); a failure changes nothing.
TEST(Quant, ArgumentChecksLeaveOutputsAlone) {
  uint8_t raw[64];
  uint16_t table[64];
  int16_t block[64];
  std::memset(raw, 0x11, sizeof raw);
  std::memset(table, 0x22, sizeof table);
  std::memset(block, 0x33, sizeof block);
  const nmxStatus kNull = nmxStatusNullPtrErr;
  EXPECT_EQ(nmxiQuantFwdRawTableInit_JPEG_8u(nullptr, 0), kNull);
  for (int32_t q : {0, -1, INT32_MIN}) EXPECT_EQ(nmxiQuantFwdRawTableInit_JPEG_8u(raw, q), nmxStatusBadArgErr);
  for (auto fn : {nmxiQuantFwdTableInit_JPEG_8u16u, nmxiQuantInvTableInit_JPEG_8u16u}) {
    EXPECT_EQ(fn(nullptr, table), kNull);
    EXPECT_EQ(fn(raw, nullptr), kNull);
  }
  for (auto fn : {nmxiQuantFwd8x8_JPEG_16s_C1I, nmxiQuantInv8x8_JPEG_16s_C1I}) {
    EXPECT_EQ(fn(nullptr, table), kNull);
    EXPECT_EQ(fn(block, nullptr), kNull);
  }
  for (int i = 0; i < 64; ++i) ASSERT_TRUE(raw[i] == 0x11 && table[i] == 0x2222 && block[i] == 0x3333) << i;
}

// Quantizes one coefficient by one quantizer through the exports.
int16_t quantize(int16_t c, uint8_t q) {
  uint8_t raw[64];
  std::memset(raw, q, 64);
  uint16_t fwd[64];
  nmxiQuantFwdTableInit_JPEG_8u16u(raw, fwd);
  int16_t block[64];
  for (int16_t& v : block) v = c;
  EXPECT_EQ(nmxiQuantFwd8x8_JPEG_16s_C1I(block, fwd), nmxStatusOk);
  for (int16_t v : block) EXPECT_EQ(v, block[0]);
  return block[0];
}

TEST(QuantFwd8x8, RoundsHalvesUpward) {
  const struct {
    int16_t c;
    uint8_t q;
    int16_t want;
  } cases[] = {{8, 16, 1},    {-8, 16, 0},    {24, 16, 2},  {-24, 16, -1}, {7, 16, 0},   {-9, 16, -1},
               {4095, 1, 4095}, {-4096, 1, -4096}, {0, 255, 0}, {1000, 10, 100}, {-1000, 10, -100}};
  for (const auto& c : cases) EXPECT_EQ(quantize(c.c, c.q), c.want) << c.c << " / " << +c.q;
  nmx::test::Rng rng(5);
  std::uniform_int_distribution<int> coef(-2048, 2047), quant(1, 255);
  for (int i = 0; i < 2000; ++i) {
    const int16_t c = static_cast<int16_t>(coef(rng));
    const uint8_t q = static_cast<uint8_t>(quant(rng));
    ASSERT_LE(std::fabs(quantize(c, q) - static_cast<double>(c) / q), 1.0) << c << " / " << +q;
  }
}

TEST(QuantInv8x8, MultipliesWithWrapAround) {
  uint16_t table[64];
  int16_t block[64];
  for (int i = 0; i < 64; ++i) {
    table[i] = static_cast<uint16_t>(i + 1);
    block[i] = static_cast<int16_t>(i % 2 ? 1000 * i : -7 * i);
  }
  ASSERT_EQ(nmxiQuantInv8x8_JPEG_16s_C1I(block, table), nmxStatusOk);
  for (int i = 0; i < 64; ++i) {
    const int32_t full = (i % 2 ? 1000 * i : -7 * i) * (i + 1);
    EXPECT_EQ(block[i], static_cast<int16_t>(full & 0xFFFF)) << i;
  }
}

}  // namespace
