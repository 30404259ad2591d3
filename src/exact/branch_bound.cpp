#include "exact/branch_bound.hpp"

#include <chrono>
#include <map>
#include <utility>

#include "exact/solve_model.hpp"
#include <gmp.h>

namespace mivex::exact {

namespace {

struct BoundChange {
  std::size_t column;
  bool upper;
  Rational value;
};

struct Node {
  Rational key;  // the parent's LP value, minimised
  std::vector<BoundChange> changes;
};

Rational floor_of(const Rational& v) {
  mpq_t q;
  mpq_init(q);
  v.to_mpq(q);
  mpz_fdiv_q(mpq_numref(q), mpq_numref(q), mpq_denref(q));
  mpz_set_ui(mpq_denref(q), 1);
  Rational out = Rational::from_mpq(q);
  mpq_clear(q);
  return out;
}

class Search {
 public:
  Search(const Model& model, const Limits& limits, Cancel& cancel)
      : model_(model), limits_(limits), cancel_(cancel), sense_(model.maximize ? -1 : 1),
        start_(std::chrono::steady_clock::now()), integral_objective_(objective_is_integral()) {}

  Answer run();

 private:
  bool objective_is_integral() const;
  bool out_of_budget() const;
  // Whether a node whose LP value (minimised) is `key` cannot beat the incumbent.
  bool prunable(const Rational& key) const;
  // The integer column to branch on: the most fractional, lowest index on ties.
  std::optional<std::size_t> branching_column(const std::vector<Rational>& x) const;
  // Solve one node; returns the child to dive into, if any.
  std::optional<Node> visit(Node node);
  Answer finish(bool complete, std::optional<Node> pending);

  const Model& model_;
  const Limits& limits_;
  Cancel& cancel_;
  const int sense_;
  const std::chrono::steady_clock::time_point start_;
  const bool integral_objective_;
  std::map<std::pair<Rational, std::uint64_t>, Node> open_;
  std::uint64_t created_ = 0;
  std::uint64_t solved_ = 0;
  std::optional<Rational> incumbent_key_;
  std::vector<Rational> incumbent_;
  std::optional<Answer> root_stop_;  // the root relaxation decided the model
};

bool Search::objective_is_integral() const {
  for (const Column& c : model_.columns) {
    if (c.cost.is_zero()) continue;
    if (!c.integer || !c.cost.is_integer()) return false;
  }
  return true;
}

bool Search::out_of_budget() const {
  if (limits_.nodes && solved_ >= *limits_.nodes) return true;
  if (!limits_.seconds) return false;
  std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start_;
  return spent.count() >= *limits_.seconds;
}

bool Search::prunable(const Rational& key) const {
  if (!incumbent_key_) return false;
  if (!integral_objective_) return key >= *incumbent_key_;
  // Objective values are the constant plus an integer.
  const Rational shift = sense_ > 0 ? model_.objective_constant : -model_.objective_constant;
  Rational least = -floor_of(-(key - shift)) + shift;
  return least >= *incumbent_key_;
}

std::optional<std::size_t> Search::branching_column(const std::vector<Rational>& x) const {
  std::optional<std::size_t> best;
  Rational best_distance;
  const Rational half(1, 2);
  for (std::size_t j = 0; j < x.size(); ++j) {
    if (!model_.columns[j].integer || x[j].is_integer()) continue;
    Rational distance = x[j] - floor_of(x[j]) - half;
    if (distance.is_negative()) distance = -distance;
    if (!best || distance < best_distance) {
      best = j;
      best_distance = std::move(distance);
    }
  }
  return best;
}

std::optional<Node> Search::visit(Node node) {
  Box box = box_of(model_);
  for (const BoundChange& c : node.changes) (c.upper ? box.upper : box.lower)[c.column] = c.value;
  Answer lp = solve_relaxation(model_, box, cancel_);
  ++solved_;
  if (lp.status == Answer::Status::Infeasible) {
    if (solved_ == 1) root_stop_ = std::move(lp);
    return std::nullopt;
  }
  if (lp.status == Answer::Status::Unbounded) {
    Answer a;
    a.message = "the LP relaxation is unbounded; whether an integer point exists was not decided";
    root_stop_ = std::move(a);
    return std::nullopt;
  }
  Rational key = sense_ > 0 ? *lp.objective : -*lp.objective;
  if (prunable(key)) return std::nullopt;
  std::optional<std::size_t> j = branching_column(lp.x);
  if (!j) {
    incumbent_key_ = std::move(key);
    incumbent_ = std::move(lp.x);
    return std::nullopt;
  }
  const Rational down = floor_of(lp.x[*j]);
  Node low{key, node.changes};
  low.changes.push_back(BoundChange{*j, true, down});
  Node high{key, std::move(node.changes)};
  high.changes.push_back(BoundChange{*j, false, down + Rational(1)});
  const bool low_first = lp.x[*j] - down < Rational(1, 2);
  Node& dive = low_first ? low : high;
  Node& later = low_first ? high : low;
  open_.emplace(std::make_pair(later.key, created_++), std::move(later));
  if (incumbent_key_) {
    open_.emplace(std::make_pair(dive.key, created_++), std::move(dive));
    return std::nullopt;
  }
  return std::move(dive);
}

Answer Search::run() {
  std::optional<Node> next = Node{};
  ++created_;
  while (next || !open_.empty()) {
    cancel_.check();
    if (!next) {
      auto first = open_.begin();
      if (prunable(first->second.key)) {
        open_.clear();
        break;
      }
      next = std::move(first->second);
      open_.erase(first);
    } else if (prunable(next->key)) {
      next.reset();
      continue;
    }
    if (out_of_budget()) return finish(false, std::move(next));
    next = visit(std::move(*next));
    if (root_stop_) break;
  }
  return finish(true, std::nullopt);
}

Answer Search::finish(bool complete, std::optional<Node> pending) {
  Answer answer;
  if (root_stop_) {
    answer = std::move(*root_stop_);
    answer.nodes = solved_;
    return answer;
  }
  answer.nodes = solved_;
  std::optional<Rational> bound = incumbent_key_;
  auto lower = [&](const Rational& key) {
    if (!bound || key < *bound) bound = key;
  };
  if (!complete) {
    if (pending) lower(pending->key);
    for (const auto& [key, node] : open_) lower(node.key);
  }
  if (!incumbent_.empty()) {
    answer.x = std::move(incumbent_);
    answer.objective = objective_at(model_, answer.x);
    answer.status = complete ? Answer::Status::Optimal : Answer::Status::Feasible;
  } else {
    answer.status = complete ? Answer::Status::Infeasible : Answer::Status::Unknown;
  }
  // The root node's key is a placeholder (no parent): an unsolved root
  // proves nothing.
  if (bound && (complete || solved_ > 0)) answer.bound = sense_ > 0 ? *bound : -*bound;
  if (!complete) answer.message = "stopped by a limit after " + std::to_string(solved_) + " nodes";
  return answer;
}

}  // namespace

Answer branch_and_bound(const Model& model, const Limits& limits, Cancel& cancel) {
  return Search(model, limits, cancel).run();
}

}  // namespace mivex::exact
