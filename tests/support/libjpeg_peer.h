// libjpeg-turbo through its public API, as a black-box peer for end-to-end
// tests: in-memory encoding with the options real files use, decoding
// (optionally scaled), and errors turned into return values instead of exit().
#pragma once

#if NMXJ_HAVE_LIBJPEG

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace nmx::peer {

struct Pixels {
  int width = 0, height = 0, channels = 0;
  std::vector<uint8_t> data;
};

struct EncodeSettings {
  int quality = 75;
  int h = 2, v = 2;            // luma sampling factors; chroma stays 1x1
  bool gray = false;           // one-component output
  int restart = 0;             // restart interval in MCUs
  bool optimize = false;       // optimal Huffman tables
  bool progressive = false;
  bool arithmetic = false;
  bool cmyk = false;           // four-component output (input is RGB; K = 0)
  bool separate_scans = false; // sequential, one scan per component
};

namespace detail {
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};
inline void on_error(j_common_ptr info) {
  auto* e = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, e->message);
  std::longjmp(e->jump, 1);
}
inline void quiet(j_common_ptr, int) {}
}  // namespace detail

// Encodes RGB (or gray) pixels; empty on failure.
inline std::vector<uint8_t> encode(const Pixels& img, const EncodeSettings& s) {
  jpeg_compress_struct c;
  detail::ErrorManager err;
  c.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = detail::on_error;
  unsigned char* buf = nullptr;
  unsigned long len = 0;
  std::vector<uint8_t> cmyk_rows;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    std::free(buf);
    return {};
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &buf, &len);
  c.image_width = static_cast<JDIMENSION>(img.width);
  c.image_height = static_cast<JDIMENSION>(img.height);
  c.input_components = s.cmyk ? 4 : img.channels;
  c.in_color_space = s.cmyk ? JCS_CMYK : img.channels == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  if (s.gray) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
  jpeg_set_quality(&c, s.quality, TRUE);
  if (!s.gray && !s.cmyk && img.channels == 3) {
    c.comp_info[0].h_samp_factor = s.h;
    c.comp_info[0].v_samp_factor = s.v;
  }
  c.restart_interval = static_cast<unsigned>(s.restart);
  c.optimize_coding = s.optimize ? TRUE : FALSE;
  c.arith_code = s.arithmetic ? TRUE : FALSE;
  c.dct_method = JDCT_ISLOW;
  if (s.progressive) jpeg_simple_progression(&c);
  jpeg_scan_info scans[4] = {};
  if (s.separate_scans) {
    for (int i = 0; i < c.num_components; ++i) {
      scans[i].comps_in_scan = 1;
      scans[i].component_index[0] = i;
      scans[i].Ss = 0;
      scans[i].Se = 63;
    }
    c.scan_info = scans;
    c.num_scans = c.num_components;
  }
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row4(static_cast<size_t>(img.width) * 4);
  while (c.next_scanline < c.image_height) {
    const uint8_t* src = img.data.data() + static_cast<size_t>(c.next_scanline) * img.width * img.channels;
    JSAMPROW row = const_cast<JSAMPROW>(src);
    if (s.cmyk) {
      for (int x = 0; x < img.width; ++x)
        for (int k = 0; k < 4; ++k) row4[4 * x + k] = k < 3 ? static_cast<uint8_t>(255 - src[3 * x + k]) : 0;
      row = row4.data();
    }
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> out(buf, buf + len);
  std::free(buf);
  return out;
}

// Decodes to RGB or gray with the default (accurate integer) settings,
// scaled by 1/scale; false with a message on failure.
inline bool decode(const std::vector<uint8_t>& file, Pixels& out, std::string& message, int scale = 1) {
  jpeg_decompress_struct d;
  detail::ErrorManager err;
  d.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = detail::on_error;
  err.pub.emit_message = detail::quiet;
  if (setjmp(err.jump)) {
    message = err.message;
    jpeg_destroy_decompress(&d);
    return false;
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&d, TRUE);
  d.dct_method = JDCT_ISLOW;
  d.scale_num = 1;
  d.scale_denom = static_cast<unsigned>(scale);
  jpeg_start_decompress(&d);
  out.width = static_cast<int>(d.output_width);
  out.height = static_cast<int>(d.output_height);
  out.channels = d.output_components;
  out.data.resize(static_cast<size_t>(out.width) * out.height * out.channels);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = out.data.data() + static_cast<size_t>(d.output_scanline) * out.width * out.channels;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return true;
}

// Quantized coefficients per component over width_in_blocks x
// height_in_blocks, natural order.
struct Coefficients {
  std::vector<int> wide, high;
  std::vector<std::vector<int16_t>> values;
};

inline bool read_coefficients(const std::vector<uint8_t>& file, Coefficients& out) {
  jpeg_decompress_struct d;
  detail::ErrorManager err;
  d.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = detail::on_error;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&d);
    return false;
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&d, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d);
  for (int ci = 0; ci < d.num_components; ++ci) {
    const int w = static_cast<int>(d.comp_info[ci].width_in_blocks);
    const int h = static_cast<int>(d.comp_info[ci].height_in_blocks);
    out.wide.push_back(w);
    out.high.push_back(h);
    std::vector<int16_t> all(static_cast<size_t>(w) * h * 64);
    for (int r = 0; r < h; ++r) {
      JBLOCKARRAY rows =
          d.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&d), arrays[ci], static_cast<JDIMENSION>(r), 1, FALSE);
      for (int col = 0; col < w; ++col)
        for (int k = 0; k < 64; ++k) all[(static_cast<size_t>(r) * w + col) * 64 + k] = rows[0][col][k];
    }
    out.values.push_back(std::move(all));
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return true;
}

}  // namespace nmx::peer

#endif  // NMXJ_HAVE_LIBJPEG
