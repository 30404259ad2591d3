// A finite-domain problem as read from CP text: integer variables with
// inclusive ranges, and constraints over them by variable index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace mivex::cp {

struct CpVar {
  std::string name;
  std::int64_t min;
  std::int64_t max;  // min > max is allowed: the variable has no value
};

struct CpConstraint {
  // x = y
  struct Eq {
    std::size_t x, y;
  };
  // x != y
  struct Neq {
    std::size_t x, y;
  };
  // x < y
  struct Lt {
    std::size_t x, y;
  };
  // x <= y + c
  struct Le {
    std::size_t x, y;
    std::int64_t c;
  };
  // sum of coeff * var over terms, compared with rhs
  struct Term {
    std::int64_t coeff;
    std::size_t var;
  };
  enum class Rel : std::uint8_t { Le = 0, Eq = 1, Ge = 2 };
  struct Linear {
    std::vector<Term> terms;  // as written: zero coefficients and repeats kept
    std::int64_t rhs;
    Rel rel;
  };
  // pairwise different; a variable may be listed more than once
  struct AllDifferent {
    std::vector<std::size_t> vars;
  };

  std::variant<Eq, Neq, Lt, Le, Linear, AllDifferent> kind;
};

struct CpProblem {
  std::vector<CpVar> vars;  // a variable's index is its position
  std::vector<CpConstraint> constraints;
};

}  // namespace mivex::cp
