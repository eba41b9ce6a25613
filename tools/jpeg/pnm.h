// Binary PPM (P6) and PGM (P5) files with 8-bit samples.
#pragma once

#include <string>

#include "jpeg/codec.h"

namespace nmxjpeg {

bool read_pnm(const std::string& path, Image& image, std::string& error);
bool write_pnm(const std::string& path, const Image& image, std::string& error);

}  // namespace nmxjpeg
