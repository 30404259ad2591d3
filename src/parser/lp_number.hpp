// Decimal float literals of the LP text format: an optional sign, digits
// with an optional point (a digit on at least one side), an optional
// exponent; or inf, infinity, nan in any case with an optional sign.
// Nothing else: no white space, no hex, no separators.
#pragma once

#include <optional>
#include <string_view>

namespace mivex::parser {

// The nearest double, or nothing when `text` is not such a literal.
// Magnitudes beyond the double range give infinity, tiny ones zero.
std::optional<double> parse_float(std::string_view text);

}  // namespace mivex::parser
