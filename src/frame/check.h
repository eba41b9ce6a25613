// Argument checks shared by every entry point.
//
// An entry point lists its checks in its own order; the first failing check
// decides the status and later checks are skipped:
//
//   grouped order (pointers, steps, size, values):
//     ArgCheck().ptr(src).ptr(dst).step(srcStep).step(dstStep).size(roi)
//   argument by argument:
//     ArgCheck().ptr(src).step(srcStep).ptr(dst).step(dstStep).size(roi)
#pragma once

#include <cstdint>

#include "nmxj.h"

namespace nmx {

class ArgCheck {
 public:
  // Null pointer: -8.
  ArgCheck& ptr(const void* p) { return fail_if(p == nullptr, nmxStatusNullPtrErr); }
  // Planar argument: the array pointer, then each of its n plane pointers.
  template <class P>
  ArgCheck& planes(P const* arr, int n) {
    ptr(arr);
    for (int i = 0; i < n && status_ == nmxStatusOk; ++i) ptr(arr[i]);
    return *this;
  }
  // Row step below 1: -14.
  ArgCheck& step(int32_t s) { return fail_if(s < 1, nmxStatusStepErr); }
  // Per-plane steps, in plane order.
  ArgCheck& steps(const int32_t* s, int n) {
    for (int i = 0; i < n; ++i) step(s[i]);
    return *this;
  }
  // Width or height below its minimum (at least 1): -6.
  ArgCheck& size(NmxSize roi, int32_t minWidth = 1, int32_t minHeight = 1) {
    return fail_if(roi.width < minWidth || roi.height < minHeight || roi.width < 1 || roi.height < 1,
                   nmxStatusSizeErr);
  }
  // A length or count below its minimum: -6.
  ArgCheck& length(int32_t n, int32_t minimum = 1) { return fail_if(n < minimum, nmxStatusSizeErr); }
  // A check particular to the operation.
  ArgCheck& fail_if(bool failed, nmxStatus status) {
    if (status_ == nmxStatusOk && failed) status_ = status;
    return *this;
  }

  nmxStatus status() const { return status_; }
  bool ok() const { return status_ == nmxStatusOk; }

 private:
  nmxStatus status_ = nmxStatusOk;
};

}  // namespace nmx
