// A tableau row given by its nonzero cells: (column, value) pairs with
// distinct columns, in any order.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "linear/rational.hpp"

namespace mivex::lp::reference {

using SparseRow = std::vector<std::pair<std::size_t, linear::Rational>>;

}  // namespace mivex::lp::reference
