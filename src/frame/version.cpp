// The version query: two constant records that differ only in their name; the
// core library's feature 128 picks the one with the trailing '+'.
#include "nmxcore.h"
#include "nmxj.h"

namespace {

constexpr int32_t kFeature = 128;

constexpr NmxVersionInfo make_record(const char* name) {
  return NmxVersionInfo{7, 0, 205, 1032, {'y', '8', 0, 0}, name, "7.0 build 205.58", "Apr 18 2011"};
}

constexpr NmxVersionInfo kWithFeature = make_record("nmxjy8-7.0.dll+");
constexpr NmxVersionInfo kPlain = make_record("nmxjy8-7.0.dll");

}  // namespace

extern "C" NMXJ_API const NmxVersionInfo* nmxjGetLibVersion(void) {
  return ownGetFeature(kFeature) != 0 ? &kWithFeature : &kPlain;
}
