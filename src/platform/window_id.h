/*
 * A window as the platform-free code knows it: an opaque handle value,
 * 0 for none.
 */
#pragma once

#include <cstdint>

namespace orvanta {

using WindowId = std::uintptr_t;

}  // namespace orvanta
