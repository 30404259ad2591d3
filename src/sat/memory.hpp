// Refusing a problem whose per-variable storage the machine cannot hold,
// before anything is allocated: a huge literal (up to 2^31) would otherwise
// get the process killed by the kernel instead of failing cleanly.
#pragma once

#include <cstdint>

namespace mivex::sat {

// Throws MemoryRefusal when `num_vars` variables need more than is available.
void require_memory_for_vars(std::uint64_t num_vars);

// Rough bytes per variable of one solve_sat call: solver arrays, watch list
// headers, the model and the Python dictionary built from it.
inline constexpr std::uint64_t kBytesPerVar = 256;

}  // namespace mivex::sat
