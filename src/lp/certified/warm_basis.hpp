// A final basis of the floating-point engine, to start a later run of the
// same model from (branch and bound hands it from a node to its children):
// one status per column, then one per row, as the engine keeps them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "linear/system.hpp"
#include "lp/factor/standard_form.hpp"

namespace mivex::lp {

// The engine's statuses (float_propose.cpp checks that they are its own).
enum class WarmStatus : std::uint8_t { Free = 0, Basic = 1, AtUpper = 2, AtLower = 3, Superbasic = 4, Fixed = 5 };

struct WarmBasis {
  std::vector<std::uint8_t> column;
  std::vector<std::uint8_t> row;
};

// The same vertex as the basis the exact pivots ended on (`basis` by
// position, in the columns of `form`, the form of `system` with `extra`
// after its rows): a structural column is basic where it is basic there,
// a row where one of its auxiliary columns is, and a nonbasic row sits at
// its right-hand side. Nothing where two auxiliary columns of one row are
// basic, which leaves the engine one basic status short.
std::optional<WarmBasis> warm_basis_of(const StandardForm& form, const std::vector<std::uint32_t>& basis,
                                       const linear::LinearSystem& system,
                                       const std::vector<linear::LinearConstraint>* extra);

}  // namespace mivex::lp
