#include "sat/memory.hpp"

#include <string>

#include "core/memory.hpp"

namespace mivex::sat {

void require_memory_for_vars(std::uint64_t num_vars) {
  // Small problems never need the check (and never pay for reading /proc).
  if (num_vars < (std::uint64_t{1} << 20)) return;
  require_memory(num_vars * kBytesPerVar, "SAT problem with " + std::to_string(num_vars) + " variables");
}

}  // namespace mivex::sat
