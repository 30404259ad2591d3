#include "core/solver_result.hpp"

#include "core/float_text.hpp"

namespace mivex {

std::string UnknownReason::text() const {
  switch (kind_) {
    case Kind::Unsupported: return "unsupported";
    case Kind::Undecidable: return "undecidable";
    case Kind::NumericalIssue: return "numerical issue";
    case Kind::ResourceLimit: return "resource limit";
    case Kind::IncompleteAlgorithm: return "incomplete algorithm";
    case Kind::Internal: return "internal: " + message_;
  }
  return {};
}

std::string LpResult::status() const {
  switch (kind_) {
    case Kind::Optimal: return "OPTIMAL";
    case Kind::Feasible: return "FEASIBLE";
    case Kind::Infeasible: return "INFEASIBLE";
    case Kind::Unbounded: return "UNBOUNDED";
    case Kind::Unknown: return text();
  }
  return {};
}

std::string LpResult::text() const {
  switch (kind_) {
    case Kind::Optimal:
      return "OPTIMAL (obj=" + float_text(objective_) + ")\nModel: " + assignment_.text();
    case Kind::Feasible: return "FEASIBLE\nModel: " + assignment_.text();
    case Kind::Infeasible: return "INFEASIBLE";
    case Kind::Unbounded: return "UNBOUNDED";
    case Kind::Unknown: return "UNKNOWN (" + reason_.text() + ")";
  }
  return {};
}

}  // namespace mivex
