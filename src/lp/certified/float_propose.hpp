// The floating-point side of the fast path: a simplex in double precision
// (CLP) that proposes final bases. Nothing it returns is trusted; the exact
// certificates decide.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/cancel.hpp"
#include "lp/certified/certify.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/certified/warm_basis.hpp"

namespace mivex::lp {

struct Proposal {
  enum class Status : std::uint8_t { Optimal, Infeasible, Unbounded, Failed };
  Status status = Status::Failed;
  Basis basis;  // the final basis, unless Failed
  // Optimal: the engine's reduced costs of the minimisation, by variable as
  // the certificates number them (column j, then row i's activity as n + i,
  // whose reduced cost is the row's dual). Rounded and unchecked: only a
  // hint of which moves keep the objective.
  std::vector<double> reduced;
};

// One floating-point model of a form. Each run starts from the basis the
// previous one ended on (or the one set by start_from). A pending interrupt
// (Cancel) stops a run within an iteration and is rethrown from it.
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
  // The primal simplex from a crash basis instead of the current one (a
  // fresh model only; mivex_exact's first proposal where x = 0 is feasible).
  Proposal crash_primal();

  // Branch and bound keeps one model of the root and adds each node's rows
  // for its runs. Rows `first_row`.. of `form` (the loaded rows followed by
  // new ones, over the same columns) are added to the model; false, with
  // nothing added, when one of their numbers has no finite double.
  bool add_rows(const ColumnForm& form, std::size_t first_row);
  // Drops every row after the first `keep`.
  void remove_rows(std::size_t keep);
  // The next run starts from `basis`, whose rows are the first of the
  // model's; rows after those start basic (a new row's own slack). From the
  // all-slack basis when `basis` is null.
  void start_from(const WarmBasis* basis);
  // The basis the last run ended on.
  WarmBasis warm_basis() const;

 private:
  struct Engine;
  std::unique_ptr<Engine> engine_;
};

// A WeightSearch (certify.hpp): the multipliers that maximise the smallest
// combined entry, when that is positive.
std::optional<std::vector<double>> find_weights(const std::vector<std::vector<double>>& k,
                                                const std::vector<bool>& free, Cancel& cancel);

}  // namespace mivex::lp
