// A final basis of the floating-point engine, to start a later run of the
// same model from (branch and bound hands it from a node to its children):
// one status per column, then one per row, as the engine keeps them.
#pragma once

#include <cstdint>
#include <vector>

namespace mivex::lp {

struct WarmBasis {
  std::vector<std::uint8_t> column;
  std::vector<std::uint8_t> row;
};

}  // namespace mivex::lp
