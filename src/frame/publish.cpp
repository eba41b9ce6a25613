// Publication of the exports.
//
// nmx_slots holds one 8-byte slot per implemented export, in the byte order of
// the export names, each the address of that export's entry point; the loader
// fills it (relocations) and nothing writes it afterwards. Each export is a
// single indirect jump through its slot, so the caller's arguments reach the
// entry point untouched whatever its signature.
#include "frame/entry.h"

extern "C" {
extern __attribute__((visibility("hidden"), used)) void* const nmx_slots[] = {
#define NMX_SLOT(name) reinterpret_cast<void*>(&nmx::entry::name),
#define NMX_TODO(name)
#include "frame/exports.inc"
#undef NMX_SLOT
#undef NMX_TODO
};
}

namespace {

#define NMX_STR2(x) #x
#define NMX_STR(x) NMX_STR2(x)

// The slot index of a thunk is its __COUNTER__ value minus the value taken here.
asm(".set .Lnmx_slot_base, " NMX_STR(__COUNTER__) " + 1\n");
#define NMX_THUNK(name, index)                               \
  asm(".text\n"                                              \
      ".p2align 4\n"                                         \
      ".globl " #name "\n"                                   \
      ".type " #name ", @function\n" #name ":\n"             \
      "  jmp *nmx_slots+8*(" NMX_STR(index) " - .Lnmx_slot_base)(%rip)\n" \
      ".size " #name ", .-" #name "\n");

#define NMX_SLOT(name) NMX_THUNK(name, __COUNTER__)
#define NMX_TODO(name)
#include "frame/exports.inc"
#undef NMX_SLOT
#undef NMX_TODO

}  // namespace
