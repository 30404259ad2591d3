#include "core/cores.hpp"

#include <cstdlib>
#include <thread>

namespace mivex {

bool spare_core() {
  const unsigned cores = std::thread::hardware_concurrency();
  if (cores < 2) return false;
  double load[1];
  // Where the load cannot be read, the core count alone decides.
  if (getloadavg(load, 1) != 1) return true;
  return load[0] < static_cast<double>(cores);
}

}  // namespace mivex
