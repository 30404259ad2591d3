// Numbers read exactly from their text: a decimal literal with any number
// of digits ("-12.5e-3", "1D2" as old MPS writers put it) or a fraction
// "p/q". Nothing is rounded; a decimal exponent is capped so that a short
// token cannot ask for an enormous number.
#pragma once

#include <optional>
#include <string_view>

#include "linear/rational.hpp"

namespace mivex::exact {

// Largest decimal exponent accepted (a number of 20,000 digits).
inline constexpr long kMaxExponent = 20000;

// The value of a decimal literal, or nothing when `text` is not one.
std::optional<linear::Rational> parse_decimal(std::string_view text);

// The value of "p", "p/q" (q nonzero) or a decimal literal.
std::optional<linear::Rational> parse_number(std::string_view text);

}  // namespace mivex::exact
