#pragma once

#include <string>

namespace mivex {

// Decimal text of a double without exponent, with the fewest digits that read
// back to the same value: 1.0 -> "1", 2.5 -> "2.5", 1e-7 -> "0.0000001".
// Non-finite values read "NaN", "inf" and "-inf".
std::string float_text(double value);

}  // namespace mivex
