/* The public header as a C99 program sees it: types, constants and a call. */
#include <stdio.h>
#include <string.h>

#include "nmxj.h"

int main(void) {
  const NmxVersionInfo* v = nmxjGetLibVersion();
  NmxSize size = {4, 2};
  uint8_t src[8] = {0, 1, 127, 128, 129, 200, 254, 255};
  int16_t dst[8];
  nmxStatus s = nmxiSub128_JPEG_8u16s_C1R(src, 4, dst, 8, size);
  if (v == NULL || v->major != 7 || strcmp(v->versionText, "7.0 build 205.58") != 0) return 1;
  if (s != nmxStatusOk || dst[0] != -128 || dst[7] != 127) return 2;
  if (nmxiSub128_JPEG_8u16s_C1R(NULL, 4, dst, 8, size) != nmxStatusNullPtrErr) return 3;
  printf("C99 header ok: %s\n", v->name);
  return 0;
}
