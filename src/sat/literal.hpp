// A literal is a variable with a polarity, coded as 2 * var + (1 if positive):
// the negative literal of v is 2v, the positive one 2v + 1, and negation flips
// the low bit. Codes index the watch lists and the per-literal values.
#pragma once

#include <cstdint>

#include "core/error.hpp"

namespace mivex::sat {

using Var = std::uint32_t;

struct Lit {
  std::uint32_t code;

  static Lit make(Var var, bool positive) { return {2 * var + (positive ? 1u : 0u)}; }
  // DIMACS d (never 0): variable |d| - 1, positive when d > 0.
  static Lit from_dimacs(std::int32_t d) {
    if (d == 0) stop("DIMACS literal cannot be 0");
    std::uint32_t magnitude = d < 0 ? 0u - static_cast<std::uint32_t>(d) : static_cast<std::uint32_t>(d);
    return make(magnitude - 1, d > 0);
  }

  Var var() const { return code >> 1; }
  bool positive() const { return (code & 1) != 0; }
  Lit operator~() const { return {code ^ 1}; }
  bool operator==(const Lit&) const = default;
  std::int32_t to_dimacs() const {
    std::int64_t d = static_cast<std::int64_t>(var()) + 1;
    return static_cast<std::int32_t>(positive() ? d : -d);
  }
};

// Value of a literal under the current assignment.
enum class LBool : std::uint8_t { False = 0, True = 1, Undef = 2 };

}  // namespace mivex::sat
