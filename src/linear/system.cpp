#include "linear/system.hpp"

#include "core/error.hpp"

namespace mivex::linear {

std::uint64_t LinearSystem::new_variable() {
  std::uint64_t index = next_var++;
  variables.push_back(index);
  var_info_.push_back({index, false});
  return index;
}

const VarInfo& LinearSystem::var_info(std::uint64_t var) const {
  if (var >= var_info_.size()) stop("variable index out of range");
  return var_info_[var];
}

void LinearSystem::set_integer(std::uint64_t var, bool is_integer) {
  if (var >= var_info_.size()) stop("variable index out of range");
  var_info_[var].is_integer = is_integer;
}

}  // namespace mivex::linear
