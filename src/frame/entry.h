// Declarations of every entry point: nmx::entry::NAME has the type of the
// export NAME in nmxj.h. A family defines its entry points in this namespace;
// the publication table (publish.cpp) points the exports at them.
#pragma once

#include "nmxj.h"

namespace nmx::entry {
#define NMX_SLOT(name) decltype(::name) name;
#define NMX_TODO(name)
#include "frame/exports.inc"
#undef NMX_SLOT
#undef NMX_TODO
}  // namespace nmx::entry
