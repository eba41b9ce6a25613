// Quality scaling, working tables and 8x8 quantization through the exports.
#include <cmath>
#include <cstring>
#include <vector>

#include "nmxj.h"
#include "support/harness.h"

namespace {

// Natural-order index of every zig-zag position, found by walking the
// anti-diagonals; used to place test values without the library's own table.
std::vector<int> natural_of_zigzag() {
  std::vector<int> out;
  for (int d = 0; d < 15; ++d)
    for (int k = 0; k < 8; ++k) {
      const int r = d % 2 ? k : d - k, c = d - r;  // odd diagonals run down, even ones up
      if (r >= 0 && r < 8 && c >= 0 && c < 8) out.push_back(8 * r + c);
    }
  return out;
}

TEST(QuantFwdRawTableInit, ScalesByQuality) {
  const struct {
    uint8_t entry;
    int32_t quality;
    uint8_t want;
  } cases[] = {
      {16, 75, 8},   {16, 50, 16},  {0, 50, 1},    {16, 25, 32},   {11, 10, 55},  {99, 90, 20},
      {1, 99, 1},    {255, 1, 255}, {5, 1, 250},   {6, 1, 255},    {255, 100, 1}, {200, 101, 1},
      {255, 1000, 1}, {3, 49, 3},   {51, 51, 50},  {128, 2, 255},  {1, 2, 25},    {2, 99, 1},
  };
  for (const auto& c : cases) {
    uint8_t table[64];
    std::memset(table, c.entry, 64);
    ASSERT_EQ(nmxiQuantFwdRawTableInit_JPEG_8u(table, c.quality), nmxStatusOk);
    for (int i = 0; i < 64; ++i)
      ASSERT_EQ(table[i], c.want) << "entry " << +c.entry << " quality " << c.quality;
  }
}

TEST(QuantFwdRawTableInit, ArgumentChecks) {
  uint8_t table[64];
  for (int i = 0; i < 64; ++i) table[i] = static_cast<uint8_t>(i * 3);
  uint8_t before[64];
  std::memcpy(before, table, 64);
  EXPECT_EQ(nmxiQuantFwdRawTableInit_JPEG_8u(nullptr, 0), nmxStatusNullPtrErr);
  for (int32_t q : {0, -1, -1000, INT32_MIN}) {
    EXPECT_EQ(nmxiQuantFwdRawTableInit_JPEG_8u(table, q), nmxStatusBadArgErr);
    EXPECT_EQ(std::memcmp(table, before, 64), 0);
  }
}

TEST(QuantTables, ReciprocalsAndReorder) {
  const std::vector<int> nat = natural_of_zigzag();
  ASSERT_EQ(nat.size(), 64u);
  // Quantizer values with known rounded reciprocals.
  const struct {
    uint8_t q;
    uint16_t recip;
  } recips[] = {{1, 32768}, {2, 16384}, {3, 10923}, {7, 4681}, {16, 2048}, {99, 331}, {255, 129}, {0, 65535}};
  for (const auto& c : recips) {
    for (int z : {0, 1, 2, 35, 63}) {
      uint8_t raw[64];
      std::memset(raw, 16, 64);
      raw[z] = c.q;
      uint16_t fwd[64], inv[64];
      const nmxStatus want = c.q == 0 ? nmxStatusDivByZero : nmxStatusOk;
      ASSERT_EQ(nmxiQuantFwdTableInit_JPEG_8u16u(raw, fwd), want);
      ASSERT_EQ(nmxiQuantInvTableInit_JPEG_8u16u(raw, inv), nmxStatusOk);
      for (int i = 0; i < 64; ++i) {
        const bool here = i == nat[z];
        EXPECT_EQ(fwd[i], here ? c.recip : 2048) << "q " << +c.q << " zigzag " << z << " natural " << i;
        EXPECT_EQ(inv[i], here ? c.q : 16);
      }
    }
  }
}

TEST(QuantTables, ArgumentChecksLeaveTableAlone) {
  uint8_t raw[64] = {};
  uint16_t table[64];
  for (auto fn : {nmxiQuantFwdTableInit_JPEG_8u16u, nmxiQuantInvTableInit_JPEG_8u16u}) {
    std::fill(table, table + 64, 0xBEEF);
    EXPECT_EQ(fn(nullptr, table), nmxStatusNullPtrErr);
    EXPECT_EQ(fn(raw, nullptr), nmxStatusNullPtrErr);
    EXPECT_EQ(fn(nullptr, nullptr), nmxStatusNullPtrErr);
    for (uint16_t v : table) ASSERT_EQ(v, 0xBEEF);
  }
}

// Quantizes one coefficient by one quantizer through the exports.
int16_t quantize(int16_t c, uint8_t q) {
  uint8_t raw[64];
  std::memset(raw, q, 64);
  uint16_t fwd[64];
  nmxiQuantFwdTableInit_JPEG_8u16u(raw, fwd);
  int16_t block[64] = {};
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
}

TEST(QuantFwd8x8, WithinOneOfTrueQuotient) {
  nmx::test::Rng rng(5);
  std::uniform_int_distribution<int> coef(-2048, 2047), quant(1, 255);
  for (int i = 0; i < 2000; ++i) {
    const int16_t c = static_cast<int16_t>(coef(rng));
    const uint8_t q = static_cast<uint8_t>(quant(rng));
    const double exact = static_cast<double>(c) / q;
    EXPECT_LE(std::fabs(quantize(c, q) - exact), 1.0) << c << " / " << +q;
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

TEST(Quant8x8, ArgumentChecksLeaveBlockAlone) {
  int16_t block[64];
  uint16_t table[64];
  std::fill(table, table + 64, 3);
  for (auto fn : {nmxiQuantFwd8x8_JPEG_16s_C1I, nmxiQuantInv8x8_JPEG_16s_C1I}) {
    std::fill(block, block + 64, 1234);
    EXPECT_EQ(fn(nullptr, table), nmxStatusNullPtrErr);
    EXPECT_EQ(fn(block, nullptr), nmxStatusNullPtrErr);
    for (int16_t v : block) ASSERT_EQ(v, 1234);
  }
}

TEST(QuantTables, ZigzagWalksNeighbours) {
  // The inverse table of raw[k] = k lists the zig-zag index of each natural
  // position; consecutive zig-zag indices must be neighbouring cells.
  uint8_t raw[64];
  for (int k = 0; k < 64; ++k) raw[k] = static_cast<uint8_t>(k);
  uint16_t inv[64];
  ASSERT_EQ(nmxiQuantInvTableInit_JPEG_8u16u(raw, inv), nmxStatusOk);
  int pos[64];
  std::fill(pos, pos + 64, -1);
  for (int i = 0; i < 64; ++i) pos[inv[i]] = i;
  for (int k = 0; k < 64; ++k) ASSERT_GE(pos[k], 0) << "zig-zag index " << k << " missing";
  for (int k = 1; k < 64; ++k) {
    const int dr = std::abs(pos[k] / 8 - pos[k - 1] / 8), dc = std::abs(pos[k] % 8 - pos[k - 1] % 8);
    EXPECT_TRUE(dr <= 1 && dc <= 1 && dr + dc > 0) << k;
  }
}

}  // namespace
