#include "color_fixture.h"

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

int Bufs::pix_bytes() const {
  switch (c.pix) {
    case Lay::C3: return 3;
    case Lay::C4: return 4;
    case Lay::W16: return 2;
    default: return 1;
  }
}

Bufs::Bufs(const Conv& conv, NmxSize r, int pad) : c(conv), roi(r) {
  const int w = roi.width > 0 ? roi.width : 1, h = roi.height > 0 ? roi.height : 1;
  // Pixel side: one interleaved image, or planes (R, G, B or C, M, Y, K) kept in `planes` slots 4..7.
  pixStep = w * pix_bytes() + pad;
  pix.assign(static_cast<size_t>(pixStep) * (h + 1), kCanary);
  planeStep = w + pad;
  const int n = is_planar(c.pix) ? (c.pix == Lay::P4 ? 4 : 3) : 0;
  planes.resize(4 + n);
  // Plane side: full-resolution planes share one step; sub-sampled chroma gets its own, different steps.
  for (int i = 0; i < 4; ++i) {
    const int chroma = (i == 1 || i == 2) && c.sub > 1;
    planeSteps[i] = chroma ? (w + 1) / 2 + pad + 3 * i : planeStep;
    if (i < 3) steps3[i] = planeSteps[i];
    planes[i].assign(static_cast<size_t>(planeSteps[i]) * (h + 1), kCanary);
    planePtr[i] = planes[i].data();
  }
  if (c.ycc == Lay::C2) {  // the interleaved 4:2:2 source lives in plane 0, (w + 1) / 2 pairs a row
    planeSteps[0] = ((w + 1) / 2) * 4 + pad;
    planes[0].assign(static_cast<size_t>(planeSteps[0]) * (h + 1), kCanary);
    planePtr[0] = planes[0].data();
  }
  for (int i = 0; i < n; ++i) planes[4 + i].assign(static_cast<size_t>(planeStep) * (h + 1), kCanary);
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
  // Pixel-side plane pointers (R, G, B[, K]) live after the plane-side ones.
  uint8_t** pixPlanes = pixPtr;
  for (size_t i = 4; i < planes.size(); ++i) pixPlanes[i - 4] = planes[i].data();
  const bool pixPlanar = is_planar(c.pix);
  if (c.forward) {
    if (pixPlanar) {
      a.srcPlanes = cp(pixPlanes);
      a.srcStep = planeStep;
    } else {
      a.src = pix.data();
      a.srcStep = pixStep;
    }
    a.dstPlanes = planePtr;
    a.dstStep = planeStep;
    a.dstSteps = steps3;
  } else {
    if (c.ycc == Lay::C2) {
      a.src = planes[0].data();
      a.srcStep = planeSteps[0];
    } else {
      a.srcPlanes = cp(planePtr);
      a.srcStep = planeStep;
      a.srcSteps = steps3;
    }
    if (pixPlanar) {
      a.dstPlanes = pixPlanes;
      a.dstStep = planeStep;
    } else {
      a.dst = pix.data();
      a.dstStep = pixStep;
    }
  }
  return a;
}

void Bufs::get_rgb(int x, int y, int rgb[3]) const {
  if (is_planar(c.pix)) {
    for (int i = 0; i < 3; ++i) rgb[i] = planes[4 + i][static_cast<size_t>(y) * planeStep + x];
  } else if (c.pix == Lay::W16) {
    uint16_t v;
    std::memcpy(&v, &pix[static_cast<size_t>(y) * pixStep + 2 * x], 2);
    const bool six = c.pk == Pk::RGB565 || c.pk == Pk::BGR565, bgr = c.pk == Pk::BGR555 || c.pk == Pk::BGR565;
    const int lo = (v & 31) << 3, mid = six ? ((v >> 5) & 63) << 2 : ((v >> 5) & 31) << 3;
    const int top = ((v >> (six ? 11 : 10)) & 31) << 3;
    rgb[0] = bgr ? top : lo;
    rgb[1] = mid;
    rgb[2] = bgr ? lo : top;
    return;
  } else {
    const uint8_t* p = &pix[static_cast<size_t>(y) * pixStep + static_cast<size_t>(x) * pix_bytes()];
    rgb[0] = p[c.bgr ? 2 : 0];
    rgb[1] = p[1];
    rgb[2] = p[c.bgr ? 0 : 2];
  }
  if (c.cmyk)
    for (int i = 0; i < 3; ++i) rgb[i] = 255 - rgb[i];
}

void Bufs::put_rgb(int x, int y, const int rgb[3]) {
  int v[3] = {rgb[0], rgb[1], rgb[2]};
  if (c.cmyk)
    for (int i = 0; i < 3; ++i) v[i] = 255 - v[i];
  if (is_planar(c.pix)) {
    for (int i = 0; i < 3; ++i) planes[4 + i][static_cast<size_t>(y) * planeStep + x] = static_cast<uint8_t>(v[i]);
  } else if (c.pix == Lay::W16) {
    const bool six = c.pk == Pk::RGB565 || c.pk == Pk::BGR565, bgr = c.pk == Pk::BGR555 || c.pk == Pk::BGR565;
    const int lo = (bgr ? v[2] : v[0]) >> 3, mid = six ? v[1] >> 2 : v[1] >> 3, top = (bgr ? v[0] : v[2]) >> 3;
    const uint16_t w = static_cast<uint16_t>(lo | (mid << 5) | (top << (six ? 11 : 10)));
    std::memcpy(&pix[static_cast<size_t>(y) * pixStep + 2 * x], &w, 2);
  } else {
    uint8_t* p = &pix[static_cast<size_t>(y) * pixStep + static_cast<size_t>(x) * pix_bytes()];
    p[c.bgr ? 2 : 0] = static_cast<uint8_t>(v[0]);
    p[1] = static_cast<uint8_t>(v[1]);
    p[c.bgr ? 0 : 2] = static_cast<uint8_t>(v[2]);
  }
}

int Bufs::get_k(int x, int y) const {
  if (is_planar(c.pix)) return planes[7][static_cast<size_t>(y) * planeStep + x];
  return pix[static_cast<size_t>(y) * pixStep + 4 * x + 3];
}
void Bufs::put_k(int x, int y, int k) {
  if (is_planar(c.pix))
    planes[7][static_cast<size_t>(y) * planeStep + x] = static_cast<uint8_t>(k);
  else
    pix[static_cast<size_t>(y) * pixStep + 4 * x + 3] = static_cast<uint8_t>(k);
}
int Bufs::get_alpha(int x, int y) const { return pix[static_cast<size_t>(y) * pixStep + 4 * x + 3]; }

uint8_t& Bufs::ycc(int i, int x, int y) {
  if (c.ycc == Lay::C2) {
    uint8_t* row = &planes[0][static_cast<size_t>(y) * planeSteps[0]];
    if (i == 0) return row[4 * (x / 2) + 2 * (x & 1)];
    return row[4 * x + (i == 1 ? 1 : 3)];
  }
  return planes[i][static_cast<size_t>(y) * planeSteps[i] + x];
}

void Bufs::randomize_input(Rng& rng, Fill mode) {
  if (c.forward) fill(pix.data(), pix.size(), rng, mode);
  for (size_t i = c.forward ? 4 : 0; i < (c.forward ? planes.size() : 4); ++i)
    fill(planes[i].data(), planes[i].size(), rng, mode);
}

std::vector<uint8_t> Bufs::output_bytes() const {
  std::vector<uint8_t> out;
  if (c.forward) {
    for (int i = 0; i < n_planes(); ++i) out.insert(out.end(), planes[i].begin(), planes[i].end());
  } else {
    out = pix;
    for (size_t i = 4; i < planes.size(); ++i) out.insert(out.end(), planes[i].begin(), planes[i].end());
  }
  return out;
}

void Bufs::clear_output(uint8_t v) {
  if (c.forward) {
    for (int i = 0; i < n_planes(); ++i) std::fill(planes[i].begin(), planes[i].end(), v);
  } else {
    std::fill(pix.begin(), pix.end(), v);
    for (size_t i = 4; i < planes.size(); ++i) std::fill(planes[i].begin(), planes[i].end(), v);
  }
}

std::vector<bool> Bufs::inside_mask() const {
  std::vector<bool> mask;
  auto add = [&](size_t bytes, int32_t step, int32_t rowBytes, int32_t rows) {
    for (size_t k = 0; k < bytes; ++k) {
      const int32_t r = static_cast<int32_t>(k / step), col = static_cast<int32_t>(k % step);
      mask.push_back(r < rows && col < rowBytes);
    }
  };
  const NmxSize done = converted();
  if (c.forward) {
    for (int i = 0; i < n_planes(); ++i) {
      const NmxSize s = plane_size(i);
      add(planes[i].size(), planeSteps[i], s.width, s.height);
    }
  } else {
    add(pix.size(), pixStep, is_planar(c.pix) ? 0 : done.width * pix_bytes(), done.height);
    for (size_t i = 4; i < planes.size(); ++i) add(planes[i].size(), planeStep, done.width, done.height);
  }
  return mask;
}

bool Bufs::outside_untouched(std::string* where, uint8_t v) const {
  const std::vector<uint8_t> out = output_bytes();
  const std::vector<bool> mask = inside_mask();
  for (size_t k = 0; k < out.size(); ++k)
    if (!mask[k] && out[k] != v) {
      if (where) *where = "output byte " + std::to_string(k);
      return false;
    }
  return true;
}

}  // namespace nmx::test::color
