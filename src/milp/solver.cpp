#include "milp/solver.hpp"

#include <utility>

#include "milp/search.hpp"

namespace mivex::milp {

LpResult BranchAndBound::solve(Cancel& cancel) {
  stats_ = SearchStats();
  Search search(system_, {node_limit_, ways_, repeats_, floors_, check_nodes_, bounds_start_, tie_lifting_}, stats_, cancel);
  if (auto answer = search.solve_root()) return std::move(*answer);
  while (auto id = search.next_node()) {
    NodeSolve solved = search.solve(*id);
    search.count(solved);
    // An LP that could not finish says nothing about the node; claiming an
    // optimum without it would be unfounded.
    if (!solved.hopeless && solved.result.kind() == LpResult::Kind::Unknown) return std::move(solved.result);
    search.settle(*id, std::move(solved));
  }
  return search.outcome();
}

}  // namespace mivex::milp
