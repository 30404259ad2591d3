#include "exact/branch_bound.hpp"

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "exact/node_lps.hpp"
#include "exact/solve_model.hpp"
#include <gmp.h>

namespace mivex::exact {

namespace {

struct Node {
  Rational key;  // the parent's LP value, minimised
  std::vector<BoundChange> changes;
  std::shared_ptr<const lp::WarmBasis> start;  // the parent's final basis
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
  // The integer column to branch on: the first fractional one (on the
  // corpus this finds incumbents sooner than the most fractional one).
  std::optional<std::size_t> branching_column(const std::vector<Rational>& x) const;
  // Solve one node; returns the child to dive into, if any.
  std::optional<Node> visit(Node node);
  Answer finish(bool complete, std::optional<Node> pending);
  // The answer when the root LP decides the model.
  Answer root_answer(const LpAnswer& lp) const;

  const Model& model_;
  const Limits& limits_;
  Cancel& cancel_;
  const int sense_;
  const std::chrono::steady_clock::time_point start_;
  const bool integral_objective_;
  // Open nodes by creation order and by bound: the search takes the newest
  // (depth first) until it has an incumbent, then the least bound.
  std::map<std::uint64_t, Node> open_;
  std::set<std::pair<Rational, std::uint64_t>> by_bound_;
  void push(Node node) {
    by_bound_.emplace(node.key, created_);
    open_.emplace(created_++, std::move(node));
  }
  Node pop() {
    auto it = incumbent_key_ ? open_.find(by_bound_.begin()->second) : std::prev(open_.end());
    by_bound_.erase({it->second.key, it->first});
    Node node = std::move(it->second);
    open_.erase(it);
    return node;
  }
  std::uint64_t created_ = 0;
  std::uint64_t solved_ = 0;
  std::optional<Rational> incumbent_key_;
  std::vector<Rational> incumbent_;
  std::optional<Answer> root_stop_;  // the root relaxation decided the model
  std::optional<Lowered> lowered_;
  std::unique_ptr<NodeLps> lps_;
};

Answer Search::root_answer(const LpAnswer& lp) const {
  Answer a;
  if (lp.status == LpAnswer::Status::Infeasible) {
    a.status = Answer::Status::Infeasible;
    if (lp.certified) a.farkas = row_multipliers(*lowered_, model_.rows.size(), lp.y);
  } else {
    a.message = "the LP relaxation is unbounded; whether an integer point exists was not decided";
  }
  return a;
}

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
  for (std::size_t j = 0; j < x.size(); ++j) {
    if (model_.columns[j].integer && !x[j].is_integer()) return j;
  }
  return std::nullopt;
}

std::optional<Node> Search::visit(Node node) {
  NodeLps::Outcome out = lps_->solve(node.changes, node.start.get());
  ++solved_;
  if (out.answer.status != LpAnswer::Status::Optimal) {
    // A node below the root cannot be unbounded when the root was not.
    if (solved_ == 1) root_stop_ = root_answer(out.answer);
    return std::nullopt;
  }
  Answer lp;
  lp.x = column_values(*lowered_, out.answer.x);
  lp.objective = objective_at(model_, lp.x);
  Rational key = sense_ > 0 ? *lp.objective : -*lp.objective;
  if (prunable(key)) return std::nullopt;
  std::optional<std::size_t> j = branching_column(lp.x);
  if (!j) {
    incumbent_key_ = std::move(key);
    incumbent_ = std::move(lp.x);
    return std::nullopt;
  }
  const Rational down = floor_of(lp.x[*j]);
  Node low{key, node.changes, out.basis};
  low.changes.push_back(BoundChange{*j, true, down});
  Node high{key, std::move(node.changes), out.basis};
  high.changes.push_back(BoundChange{*j, false, down + Rational(1)});
  const bool low_first = lp.x[*j] - down < Rational(1, 2);
  Node& dive = low_first ? low : high;
  Node& later = low_first ? high : low;
  push(std::move(later));
  if (incumbent_key_) {
    push(std::move(dive));
    return std::nullopt;
  }
  return std::move(dive);
}

Answer Search::run() {
  lowered_ = lower_model(model_, box_of(model_));
  if (!lowered_) return solve_relaxation(model_, box_of(model_), cancel_);  // an empty box
  lps_ = std::make_unique<NodeLps>(*lowered_, cancel_);
  std::optional<Node> next = Node{};
  ++created_;
  while (next || !open_.empty()) {
    cancel_.check();
    if (!next) {
      if (incumbent_key_ && prunable(by_bound_.begin()->first)) {
        open_.clear();
        break;
      }
      next = pop();
    }
    if (prunable(next->key)) {
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
