// Outcomes of the solvers: LpResult for the LP and MILP paths, SolverResult
// for the SAT and CP paths.
#pragma once

#include <string>
#include <utility>

#include "core/assignment.hpp"

namespace mivex {

class UnknownReason {
 public:
  enum class Kind { Unsupported, Undecidable, NumericalIssue, ResourceLimit, IncompleteAlgorithm, Internal };

  explicit UnknownReason(Kind kind, std::string message = {})
      : kind_(kind), message_(std::move(message)) {}
  static UnknownReason internal(std::string message) {
    return UnknownReason(Kind::Internal, std::move(message));
  }

  Kind kind() const { return kind_; }
  const std::string& message() const { return message_; }
  // "resource limit", "internal: {message}", ...
  std::string text() const;

  bool operator==(const UnknownReason& other) const = default;

 private:
  Kind kind_;
  std::string message_;  // only for Kind::Internal
};

class LpResult {
 public:
  enum class Kind { Optimal, Feasible, Infeasible, Unbounded, Unknown };

  static LpResult optimal(Assignment model, double objective) {
    return LpResult(Kind::Optimal, std::move(model), objective, UnknownReason(UnknownReason::Kind::Unsupported));
  }
  static LpResult feasible(Assignment model) {
    return LpResult(Kind::Feasible, std::move(model), 0.0, UnknownReason(UnknownReason::Kind::Unsupported));
  }
  static LpResult infeasible() { return LpResult(Kind::Infeasible, {}, 0.0, UnknownReason(UnknownReason::Kind::Unsupported)); }
  static LpResult unbounded() { return LpResult(Kind::Unbounded, {}, 0.0, UnknownReason(UnknownReason::Kind::Unsupported)); }
  static LpResult unknown(UnknownReason reason) { return LpResult(Kind::Unknown, {}, 0.0, std::move(reason)); }

  Kind kind() const { return kind_; }
  const Assignment& assignment() const { return assignment_; }
  Assignment& assignment() { return assignment_; }
  double objective() const { return objective_; }
  const UnknownReason& reason() const { return reason_; }

  // The status word of the result dictionary ("OPTIMAL", "UNKNOWN (resource limit)", ...).
  std::string status() const;
  // The diagnostic text form: "OPTIMAL (obj=4)\nModel: [x0 -> 1]", "INFEASIBLE", ...
  std::string text() const;

 private:
  LpResult(Kind kind, Assignment model, double objective, UnknownReason reason)
      : kind_(kind), assignment_(std::move(model)), objective_(objective), reason_(std::move(reason)) {}

  Kind kind_;
  Assignment assignment_;
  double objective_;
  UnknownReason reason_;
};

class SolverResult {
 public:
  enum class Kind { Sat, Unsat };

  static SolverResult sat(Assignment model) { return SolverResult(Kind::Sat, std::move(model)); }
  static SolverResult unsat() { return SolverResult(Kind::Unsat, {}); }

  Kind kind() const { return kind_; }
  bool is_sat() const { return kind_ == Kind::Sat; }
  const Assignment& assignment() const { return assignment_; }

 private:
  SolverResult(Kind kind, Assignment model) : kind_(kind), assignment_(std::move(model)) {}

  Kind kind_;
  Assignment assignment_;
};

}  // namespace mivex
