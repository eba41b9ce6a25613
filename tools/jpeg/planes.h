// 8-bit sample planes with edge replication, shared by the encoder and the
// decoder.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

namespace nmxjpeg {

// A plane of width x height samples, `border` samples of margin on every side
// (for filters that read around a region). Memory is not cleared.
class Plane {
 public:
  Plane() = default;
  Plane(int width, int height, int border = 0)
      : width_(width), height_(height), border_(border), stride_(stride_for(width, border)),
        data_(new uint8_t[static_cast<size_t>(stride_) * (height + 2 * border)]) {}

  // Row step of a plane of this width and border: rows padded to 32 bytes.
  static int stride_for(int width, int border) { return (width + 2 * border + 31) & ~31; }

  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return stride_; }
  uint8_t* row(int y) { return data_.get() + static_cast<ptrdiff_t>(y + border_) * stride_ + border_; }
  const uint8_t* row(int y) const { return const_cast<Plane*>(this)->row(y); }
  uint8_t* origin() { return row(0); }
  const uint8_t* origin() const { return row(0); }

  // Fills everything outside the valid w x h top-left area (up to the plane
  // size plus its border) by repeating the nearest valid sample.
  void replicate_edges(int w, int h) {
    for (int y = 0; y < h; ++y) {
      uint8_t* r = row(y);
      std::memset(r + w, r[w - 1], static_cast<size_t>(width_ + border_ - w));
      if (border_) std::memset(r - border_, r[0], static_cast<size_t>(border_));
    }
    const size_t bytes = static_cast<size_t>(width_ + 2 * border_);
    for (int y = h; y < height_ + border_; ++y) std::memcpy(row(y) - border_, row(h - 1) - border_, bytes);
    for (int y = -border_; y < 0; ++y) std::memcpy(row(y) - border_, row(0) - border_, bytes);
  }

 private:
  int width_ = 0, height_ = 0, border_ = 0, stride_ = 0;
  std::unique_ptr<uint8_t[]> data_;
};

}  // namespace nmxjpeg
