// The word-pair arithmetic behind Rational's in-place forms (internal).
#pragma once

#include "linear/rational.hpp"

namespace mivex::linear {

// c -= f * x when every numerator and denominator takes at most two machine
// words; false, with c untouched, otherwise.
bool wide_sub_mul(Rational& c, const Rational& f, const Rational& x);

// (negative ? -num : num) / den, reduced; den > 0.
Rational wide_fraction(bool negative, unsigned __int128 num, unsigned __int128 den);

}  // namespace mivex::linear
