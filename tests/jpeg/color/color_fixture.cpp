#include "color_fixture.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace nmx::test::color {
namespace {

using U8 = const uint8_t*;
using U8P = const uint8_t* const*;

// The plane side of forward conversions is written through uint8_t* const[],
// read through const uint8_t* const[] by the inverse ones.
U8P cp(uint8_t* const* p) { return const_cast<U8P>(reinterpret_cast<const uint8_t* const*>(p)); }

std::vector<Conv> make_table() {
  std::vector<Conv> t;
  // name, forward, pix, ycc, sub, bgr, cmyk, luma, alpha, pk, stepsChecked, threaded, call shape
#define CONV(NAME, FWD, PIX, YCC, SUB, BGR, CMYK, LUMA, ALPHA, PK, CHECKED, THR, SHAPE)                   \
  t.push_back({#NAME, FWD, Lay::PIX, Lay::YCC, SUB, BGR, CMYK, LUMA, ALPHA, Pk::PK, CHECKED, THR, \
               [](const Args& a) -> nmxStatus { return SHAPE(NAME); }});
  // Call shapes: C interleaved, W packed 16-bit, P planes, S per-plane steps, Y one plane, A alpha.
#define CP(N) N(static_cast<U8>(a.src), a.srcStep, a.dstPlanes, a.dstStep, a.roi)
#define CPS(N) N(static_cast<U8>(a.src), a.srcStep, a.dstPlanes, a.dstSteps, a.roi)
#define CY(N) N(static_cast<U8>(a.src), a.srcStep, a.dstPlanes ? a.dstPlanes[0] : nullptr, a.dstStep, a.roi)
#define CC(N) N(static_cast<U8>(a.src), a.srcStep, static_cast<uint8_t*>(a.dst), a.dstStep, a.roi)
#define WP(N) N(static_cast<const uint16_t*>(a.src), a.srcStep, a.dstPlanes, a.dstStep, a.roi)
#define PP(N) N(a.srcPlanes, a.srcStep, a.dstPlanes, a.dstStep, a.roi)
#define PY(N) N(a.srcPlanes, a.srcStep, a.dstPlanes ? a.dstPlanes[0] : nullptr, a.dstStep, a.roi)
#define PC(N) N(a.srcPlanes, a.srcStep, static_cast<uint8_t*>(a.dst), a.dstStep, a.roi)
#define PCA(N) N(a.srcPlanes, a.srcStep, static_cast<uint8_t*>(a.dst), a.dstStep, a.roi, a.alpha)
#define PW(N) N(a.srcPlanes, a.srcStep, static_cast<uint16_t*>(a.dst), a.dstStep, a.roi)
#define PSC(N) N(a.srcPlanes, a.srcSteps, static_cast<uint8_t*>(a.dst), a.dstStep, a.roi)
#define PSCA(N) N(a.srcPlanes, a.srcSteps, static_cast<uint8_t*>(a.dst), a.dstStep, a.roi, a.alpha)
  // Forward, interleaved full resolution.
  CONV(nmxiRGBToYCbCr_JPEG_8u_C3P3R, true, C3, P3, 1, false, false, false, false, RGB555, true, true, CP)
  CONV(nmxiBGRToYCbCr_JPEG_8u_C3P3R, true, C3, P3, 1, true, false, false, false, RGB555, true, true, CP)
  CONV(nmxiRGBToYCbCr_JPEG_8u_C4P3R, true, C4, P3, 1, false, false, false, false, RGB555, false, false, CP)
  CONV(nmxiBGRToYCbCr_JPEG_8u_C4P3R, true, C4, P3, 1, true, false, false, false, RGB555, false, false, CP)
  CONV(nmxiRGBToYCbCr_JPEG_8u_P3R, true, P3, P3, 1, false, false, false, false, RGB555, true, true, PP)
  // Forward, sub-sampled.
  CONV(nmxiRGBToYCbCr422_JPEG_8u_C3P3R, true, C3, P3, 2, false, false, false, false, RGB555, false, false, CPS)
  CONV(nmxiBGRToYCbCr422_JPEG_8u_C3P3R, true, C3, P3, 2, true, false, false, false, RGB555, false, false, CPS)
  CONV(nmxiRGBToYCbCr422_JPEG_8u_C4P3R, true, C4, P3, 2, false, false, false, false, RGB555, false, false, CPS)
  CONV(nmxiBGRToYCbCr422_JPEG_8u_C4P3R, true, C4, P3, 2, true, false, false, false, RGB555, false, false, CPS)
  CONV(nmxiRGBToYCbCr411_JPEG_8u_C3P3R, true, C3, P3, 4, false, false, false, false, RGB555, false, false, CPS)
  CONV(nmxiBGRToYCbCr411_JPEG_8u_C3P3R, true, C3, P3, 4, true, false, false, false, RGB555, false, false, CPS)
  CONV(nmxiRGBToYCbCr411_JPEG_8u_C4P3R, true, C4, P3, 4, false, false, false, false, RGB555, false, false, CPS)
  CONV(nmxiBGRToYCbCr411_JPEG_8u_C4P3R, true, C4, P3, 4, true, false, false, false, RGB555, false, false, CPS)
  // Forward, packed.
  CONV(nmxiRGB555ToYCbCr_JPEG_16u8u_C3P3R, true, W16, P3, 1, false, false, false, false, RGB555, true, false, WP)
  CONV(nmxiRGB565ToYCbCr_JPEG_16u8u_C3P3R, true, W16, P3, 1, false, false, false, false, RGB565, true, false, WP)
  CONV(nmxiBGR555ToYCbCr_JPEG_16u8u_C3P3R, true, W16, P3, 1, false, false, false, false, BGR555, true, false, WP)
  CONV(nmxiBGR565ToYCbCr_JPEG_16u8u_C3P3R, true, W16, P3, 1, false, false, false, false, BGR565, true, false, WP)
  // Forward, luminance only.
  CONV(nmxiRGBToY_JPEG_8u_C3C1R, true, C3, P3, 1, false, false, true, false, RGB555, true, true, CY)
  CONV(nmxiBGRToY_JPEG_8u_C3C1R, true, C3, P3, 1, true, false, true, false, RGB555, true, true, CY)
  CONV(nmxiRGBToY_JPEG_8u_P3C1R, true, P3, P3, 1, false, false, true, false, RGB555, true, true, PY)
  // Forward, CMYK.
  CONV(nmxiCMYKToYCCK_JPEG_8u_C4P4R, true, C4, P4, 1, false, true, false, false, RGB555, true, true, CP)
  CONV(nmxiCMYKToYCCK_JPEG_8u_P4R, true, P4, P4, 1, false, true, false, false, RGB555, true, true, PP)
  // Inverse, CMYK.
  CONV(nmxiYCCKToCMYK_JPEG_8u_P4C4R, false, C4, P4, 1, false, true, false, false, RGB555, true, true, PC)
  CONV(nmxiYCCKToCMYK_JPEG_8u_P4R, false, P4, P4, 1, false, true, false, false, RGB555, true, true, PP)
  // Inverse, full resolution.
  CONV(nmxiYCbCrToRGB_JPEG_8u_P3C3R, false, C3, P3, 1, false, false, false, false, RGB555, true, true, PC)
  CONV(nmxiYCbCrToBGR_JPEG_8u_P3C3R, false, C3, P3, 1, true, false, false, false, RGB555, true, true, PC)
  CONV(nmxiYCbCrToRGB_JPEG_8u_P3C4R, false, C4, P3, 1, false, false, false, true, RGB555, false, false, PCA)
  CONV(nmxiYCbCrToBGR_JPEG_8u_P3C4R, false, C4, P3, 1, true, false, false, true, RGB555, false, false, PCA)
  CONV(nmxiYCbCrToRGB_JPEG_8u_P3R, false, P3, P3, 1, false, false, false, false, RGB555, true, true, PP)
  // Inverse, packed.
  CONV(nmxiYCbCrToRGB555_JPEG_8u16u_P3C3R, false, W16, P3, 1, false, false, false, false, RGB555, true, false, PW)
  CONV(nmxiYCbCrToRGB565_JPEG_8u16u_P3C3R, false, W16, P3, 1, false, false, false, false, RGB565, true, false, PW)
  CONV(nmxiYCbCrToBGR555_JPEG_8u16u_P3C3R, false, W16, P3, 1, false, false, false, false, BGR555, true, false, PW)
  CONV(nmxiYCbCrToBGR565_JPEG_8u16u_P3C3R, false, W16, P3, 1, false, false, false, false, BGR565, true, false, PW)
  // Inverse, sub-sampled.
  CONV(nmxiYCbCr422ToRGB_JPEG_8u_P3C3R, false, C3, P3, 2, false, false, false, false, RGB555, false, false, PSC)
  CONV(nmxiYCbCr422ToBGR_JPEG_8u_P3C3R, false, C3, P3, 2, true, false, false, false, RGB555, false, false, PSC)
  CONV(nmxiYCbCr422ToRGB_JPEG_8u_P3C4R, false, C4, P3, 2, false, false, false, true, RGB555, false, false, PSCA)
  CONV(nmxiYCbCr422ToBGR_JPEG_8u_P3C4R, false, C4, P3, 2, true, false, false, true, RGB555, false, false, PSCA)
  CONV(nmxiYCbCr411ToRGB_JPEG_8u_P3C3R, false, C3, P3, 4, false, false, false, false, RGB555, false, false, PSC)
  CONV(nmxiYCbCr411ToBGR_JPEG_8u_P3C3R, false, C3, P3, 4, true, false, false, false, RGB555, false, false, PSC)
  CONV(nmxiYCbCr411ToRGB_JPEG_8u_P3C4R, false, C4, P3, 4, false, false, false, true, RGB555, false, false, PSCA)
  CONV(nmxiYCbCr411ToBGR_JPEG_8u_P3C4R, false, C4, P3, 4, true, false, false, true, RGB555, false, false, PSCA)
  // Inverse, interleaved 4:2:2 source.
  CONV(nmxiYCbCr422ToRGB_JPEG_8u_C2C3R, false, C3, C2, 1, false, false, false, false, RGB555, false, true, CC)
  return t;
}

bool is_planar(Lay l) { return l == Lay::P3 || l == Lay::P4; }

}  // namespace

const std::vector<Conv>& conversions() {
  static const std::vector<Conv> table = make_table();
  return table;
}

const Conv& conv(const std::string& name) {
  for (const Conv& c : conversions())
    if (name == c.name) return c;
  throw std::runtime_error("no conversion " + name);
}

int Bufs::pix_bytes() const { return c.pix == Lay::C3 ? 3 : c.pix == Lay::C4 ? 4 : c.pix == Lay::W16 ? 2 : 1; }

Bufs::Bufs(const Conv& conv, NmxSize r, int pad) : c(conv), roi(r) {
  const int w = roi.width > 0 ? roi.width : 1, rows = (roi.height > 0 ? roi.height : 1) + 1;
  // Pixel side: one interleaved image, or planes (R, G, B or C, M, Y, K) kept in `planes` slots 4..7.
  pixStep = w * pix_bytes() + pad;
  pix.assign(static_cast<size_t>(pixStep) * rows, kCanary);
  planeStep = w + pad;
  planes.resize(4 + (is_planar(c.pix) ? (c.pix == Lay::P4 ? 4 : 3) : 0));
  // Plane side: full-resolution planes share one step; sub-sampled chroma gets its own, different steps;
  // the interleaved 4:2:2 source lives in plane 0, (w + 1) / 2 pairs a row.
  for (size_t i = 0; i < planes.size(); ++i) {
    const bool chroma = (i == 1 || i == 2) && c.sub > 1;
    const int32_t step = i == 0 && c.ycc == Lay::C2 ? ((w + 1) / 2) * 4 + pad
                         : chroma                   ? (w + 1) / 2 + pad + 3 * static_cast<int>(i)
                                                    : planeStep;
    planes[i].assign(static_cast<size_t>(step) * rows, kCanary);
    (i < 4 ? planePtr[i] : pixPtr[i - 4]) = planes[i].data();
    if (i < 4) planeSteps[i] = step;
    if (i < 3) steps3[i] = step;
  }
}

NmxSize Bufs::converted() const {
  NmxSize s = roi;
  if (c.sub > 1) s.width &= ~1;
  if (c.sub == 4) s.height &= ~1;
  return s;
}

NmxSize Bufs::plane_size(int i) const {
  NmxSize s = converted();
  if ((i == 1 || i == 2) && c.sub > 1) s.width /= 2;
  if ((i == 1 || i == 2) && c.sub == 4) s.height /= 2;
  if (c.ycc == Lay::C2 && i > 0) s.width = (roi.width + 1) / 2;
  return s;
}

Args Bufs::args() {
  Args a;
  a.roi = roi;
  a.alpha = 0x3C;
  const bool pixPlanar = is_planar(c.pix);
  if (c.forward) {
    if (pixPlanar) a.srcPlanes = cp(pixPtr), a.srcStep = planeStep;
    else a.src = pix.data(), a.srcStep = pixStep;
    a.dstPlanes = planePtr, a.dstStep = planeStep, a.dstSteps = steps3;
  } else {
    if (c.ycc == Lay::C2) a.src = planes[0].data(), a.srcStep = planeSteps[0];
    else a.srcPlanes = cp(planePtr), a.srcStep = planeStep, a.srcSteps = steps3;
    if (pixPlanar) a.dstPlanes = pixPtr, a.dstStep = planeStep;
    else a.dst = pix.data(), a.dstStep = pixStep;
  }
  return a;
}

namespace {
// R, G, B fields of a 16-bit pixel: where each starts and how many bits it has.
struct Word {
  int shift[3], bits[3];
};
Word word_layout(Pk pk) {
  const bool six = pk == Pk::RGB565 || pk == Pk::BGR565, bgr = pk == Pk::BGR555 || pk == Pk::BGR565;
  const int top = six ? 11 : 10;
  return {{bgr ? top : 0, 5, bgr ? 0 : top}, {5, six ? 6 : 5, 5}};
}
}  // namespace

uint8_t& Bufs::channel(int x, int y, int k) {
  if (is_planar(c.pix)) return planes[4 + k][static_cast<size_t>(y) * planeStep + x];
  const int at = k < 3 && c.bgr ? 2 - k : k;
  return pix[static_cast<size_t>(y) * pixStep + static_cast<size_t>(x) * pix_bytes() + at];
}

void Bufs::get_rgb(int x, int y, int rgb[3]) {
  const Word f = word_layout(c.pk);
  uint16_t w = 0;
  if (c.pix == Lay::W16) std::memcpy(&w, &pix[static_cast<size_t>(y) * pixStep + 2 * x], 2);
  for (int k = 0; k < 3; ++k) {
    rgb[k] = c.pix == Lay::W16 ? ((w >> f.shift[k]) & ((1 << f.bits[k]) - 1)) << (8 - f.bits[k]) : channel(x, y, k);
    if (c.cmyk) rgb[k] = 255 - rgb[k];
  }
}

void Bufs::put_rgb(int x, int y, const int rgb[3]) {
  const Word f = word_layout(c.pk);
  uint16_t w = 0;
  for (int k = 0; k < 3; ++k) {
    const int v = c.cmyk ? 255 - rgb[k] : rgb[k];
    if (c.pix == Lay::W16) w = static_cast<uint16_t>(w | (v >> (8 - f.bits[k])) << f.shift[k]);
    else channel(x, y, k) = static_cast<uint8_t>(v);
  }
  if (c.pix == Lay::W16) std::memcpy(&pix[static_cast<size_t>(y) * pixStep + 2 * x], &w, 2);
}

uint8_t& Bufs::ycc(int i, int x, int y) {
  if (c.ycc == Lay::C2) {
    uint8_t* row = &planes[0][static_cast<size_t>(y) * planeSteps[0]];
    return i == 0 ? row[4 * (x / 2) + 2 * (x & 1)] : row[4 * x + (i == 1 ? 1 : 3)];
  }
  return planes[i][static_cast<size_t>(y) * planeSteps[i] + x];
}

void Bufs::randomize_input(Rng& rng, Fill mode) {
  if (c.forward) fill(pix.data(), pix.size(), rng, mode);
  for (size_t i = c.forward ? 4 : 0; i < (c.forward ? planes.size() : 4); ++i)
    fill(planes[i].data(), planes[i].size(), rng, mode);
}

std::vector<Bufs::Out> Bufs::outputs() const {
  auto* self = const_cast<Bufs*>(this);
  std::vector<Out> out;
  const NmxSize done = converted();
  if (c.forward) {
    for (int i = 0; i < n_planes(); ++i) {
      const NmxSize s = plane_size(i);
      out.push_back({&self->planes[i], planeSteps[i], s.width, s.height});
    }
  } else {
    out.push_back({&self->pix, pixStep, is_planar(c.pix) ? 0 : done.width * pix_bytes(), done.height});
    for (size_t i = 4; i < planes.size(); ++i) out.push_back({&self->planes[i], planeStep, done.width, done.height});
  }
  return out;
}

std::vector<uint8_t> Bufs::output_bytes() const {
  std::vector<uint8_t> bytes;
  for (const Out& o : outputs()) bytes.insert(bytes.end(), o.buf->begin(), o.buf->end());
  return bytes;
}

std::vector<bool> Bufs::inside_mask() const {
  std::vector<bool> mask;
  for (const Out& o : outputs())
    for (size_t k = 0; k < o.buf->size(); ++k)
      mask.push_back(static_cast<int32_t>(k / o.step) < o.rows && static_cast<int32_t>(k % o.step) < o.rowBytes);
  return mask;
}

void Bufs::clear_output(uint8_t v) {
  for (const Out& o : outputs()) std::fill(o.buf->begin(), o.buf->end(), v);
}

}  // namespace nmx::test::color
