/* A program outside the project that finds the installed library. */
#include <stdio.h>
#include <string.h>

#include "nmxj.h"

int main(void) {
  int16_t in[4] = {-300, -128, 0, 300};
  uint8_t out[4];
  NmxSize roi = {4, 1};
  if (nmxiAdd128_JPEG_16s8u_C1R(in, 8, out, 4, roi) != nmxStatusOk) return 1;
  if (out[0] != 0 || out[1] != 0 || out[2] != 128 || out[3] != 255) return 2;
  if (strcmp(nmxjGetLibVersion()->versionText, "7.0 build 205.58") != 0) return 3;
  puts("installed library ok");
  return 0;
}
