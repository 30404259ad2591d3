// The solver: one interval per variable, one propagator per constraint,
// propagation to a fixpoint and a depth-first search that fixes the variable
// with the smallest domain (lowest index on ties) to its values in increasing
// order. The first solution found is the answer.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/assignment.hpp"
#include "core/cancel.hpp"
#include "core/cp_problem.hpp"
#include "cp/propagator.hpp"
#include "cp/store.hpp"

namespace mivex::cp {

class CpSolver {
 public:
  explicit CpSolver(const CpProblem& problem, Cancel& cancel = Cancel::none());

  // Narrow every domain to the common fixpoint of the propagators; false when
  // a constraint cannot hold.
  bool propagate_all();
  // The first solution in search order, or none.
  std::optional<Assignment> search();

  bool all_fixed() const;
  Assignment model() const;

  std::size_t num_vars() const { return store_.size(); }
  std::int64_t lo(std::size_t v) const { return store_.lo(static_cast<std::uint32_t>(v)); }
  std::int64_t hi(std::size_t v) const { return store_.hi(static_cast<std::uint32_t>(v)); }
  // Look for negative difference cycles after this many propagator runs at a
  // node (and at doubling intervals after that). Tests set it low.
  void set_first_cycle_look(std::uint64_t runs) { first_cycle_look_ = runs; }
  // Values tried by the search so far.
  std::uint64_t nodes() const { return nodes_; }

 private:
  bool run_queue();
  // The unfixed variable with the smallest domain, or Store::kNone.
  std::uint32_t choose();

  Store store_;
  std::vector<Propagator> propagators_;
  bool never_ = false;  // some constraint or domain can never hold
  Cancel& cancel_;
  std::uint64_t nodes_ = 0;
  std::uint64_t first_cycle_look_ = 0;
  std::uint32_t first_open_ = 0;  // every variable below it is fixed
};

}  // namespace mivex::cp
