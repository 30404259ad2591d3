// The floating-point side of the fast path: a simplex in double precision
// (CLP) that proposes final bases. Nothing it returns is trusted; the exact
// certificates decide.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "lp/certify.hpp"
#include "lp/column_form.hpp"

namespace mivex::lp {

struct Proposal {
  enum class Status : std::uint8_t { Optimal, Infeasible, Unbounded, Failed };
  Status status = Status::Failed;
  Basis basis;  // the final basis, unless Failed
};

// One floating-point model of a form. Each run starts from the basis the
// previous one ended on. A pending interrupt (Cancel) stops a run within an
// iteration and is rethrown from it.
class FloatSimplex {
 public:
  FloatSimplex(const ColumnForm& form, Cancel& cancel);
  ~FloatSimplex();
  FloatSimplex(const FloatSimplex&) = delete;
  FloatSimplex& operator=(const FloatSimplex&) = delete;

  // False when a number of the form has no finite double (or the form is too
  // large for the engine's indexes); every run then fails.
  bool loaded() const;
  Proposal dual();
  Proposal primal();

 private:
  struct Engine;
  std::unique_ptr<Engine> engine_;
};

// A WeightSearch (certify.hpp): the multipliers that maximise the smallest
// combined entry, when that is positive.
std::optional<std::vector<double>> find_weights(const std::vector<std::vector<double>>& k,
                                                const std::vector<bool>& free, Cancel& cancel);

}  // namespace mivex::lp
