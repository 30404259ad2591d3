// Reader of MPS files, free and fixed: NAME, ROWS, COLUMNS (with MARKER
// INTORG/INTEND), RHS, RANGES, BOUNDS (UP LO FX FR MI PL BV LI UI), OBJSENSE
// and ENDATA. The first N row is the objective, other N rows are dropped.
// Numbers are exact (exact_number.hpp); a bound of magnitude 1e30 or more,
// or "inf"/"infinity", is infinite.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "exact/model.hpp"

namespace mivex::exact {

// The model, or the message of the first error ("line 12: ...").
using MpsRead = std::variant<Model, std::string>;

enum class MpsLayout : unsigned char { Auto, Free, Fixed };

// Auto reads the free layout and, when that fails, the fixed one (names
// with spaces in columns 5-12, ...); the free layout's message is kept.
MpsRead read_mps(std::string_view text, MpsLayout layout = MpsLayout::Auto);

}  // namespace mivex::exact
