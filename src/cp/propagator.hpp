// The working form of a constraint. Each propagator narrows the bounds of its
// variables from the bounds of the others and reports failure when the
// constraint cannot hold in the current domains. All of them are monotone
// (smaller domains never give larger results), so running them in any order
// until none changes anything reaches the same fixpoint.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/cp_problem.hpp"
#include "cp/store.hpp"

namespace mivex::cp {

struct WideLinear;  // a Linear whose merged coefficients leave 64 bits

struct Propagator {
  enum class Kind : std::uint8_t { Eq, Neq, Lt, Le, Linear, AllDifferent, WideLinear };
  struct Term {
    std::int64_t coeff;  // never 0
    std::uint32_t var;   // each variable at most once
  };

  Kind kind;
  std::uint32_t x = 0, y = 0;                // Eq, Neq, Lt, Le
  std::int64_t c = 0;                        // Eq: x = y + c; Le: x <= y + c; Linear: right-hand side
  CpConstraint::Rel rel = CpConstraint::Rel::Le;  // Linear
  std::vector<Term> terms;                   // Linear
  std::vector<std::uint32_t> vars;           // AllDifferent
  std::int64_t base = 0;                     // AllDifferent: least declared value
  std::uint32_t words = 0;                   // AllDifferent: bitset size for its values, 0 if too wide
  std::shared_ptr<const WideLinear> wide;    // WideLinear

  // The bounds whose changes can make this propagator narrow again, as
  // 2v (lo of v rose) and 2v + 1 (hi of v fell).
  std::vector<std::uint32_t> watched() const;
};

// How one application ended. A propagator at its own fixpoint would change
// nothing if run again at once; otherwise the caller runs it again until it
// changes nothing.
enum class Run : std::uint8_t { Failed, AtFixpoint, MayNarrowMore };

// Narrow `store` by one propagator.
Run propagate(const Propagator& p, Store& store);

bool propagate_wide_linear(const WideLinear& linear, Store& store);

}  // namespace mivex::cp
