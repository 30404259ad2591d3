#include "cp/compile.hpp"

#include <algorithm>
#include <type_traits>
#include <unordered_map>

#include "cp/wide_linear.hpp"

namespace mivex::cp {

namespace {

using Rel = CpConstraint::Rel;

// All-different lists whose values span fewer than this many use a bitset.
constexpr std::uint64_t kMaxBitsetValues = 1 << 14;

std::uint32_t index32(std::size_t v) { return static_cast<std::uint32_t>(v); }

Compiled always(bool truth) {
  return {truth ? Compiled::Status::AlwaysTrue : Compiled::Status::AlwaysFalse, std::nullopt};
}

Compiled propagate_with(Propagator p) { return {Compiled::Status::Propagate, std::move(p)}; }

bool rel_holds(int sign, Rel rel) {
  return rel == Rel::Le ? sign <= 0 : rel == Rel::Eq ? sign == 0 : sign >= 0;
}

Propagator binary(Propagator::Kind kind, std::size_t x, std::size_t y, std::int64_t c = 0) {
  Propagator p{};
  p.kind = kind;
  p.x = index32(x);
  p.y = index32(y);
  p.c = c;
  return p;
}

Compiled compile_linear(const CpConstraint::Linear& linear) {
  // Merge in order of first appearance; 128 bits hold any sum of 64-bit coefficients.
  std::vector<std::pair<i128, std::uint32_t>> merged;
  std::unordered_map<std::size_t, std::size_t> slot;
  for (const auto& term : linear.terms) {
    auto [it, fresh] = slot.try_emplace(term.var, merged.size());
    if (fresh) {
      merged.push_back({term.coeff, index32(term.var)});
    } else {
      merged[it->second].first += term.coeff;
    }
  }
  std::erase_if(merged, [](const auto& term) { return term.first == 0; });
  if (merged.empty()) {
    int sign = linear.rhs < 0 ? 1 : (linear.rhs > 0 ? -1 : 0);  // sign of 0 - rhs
    return always(rel_holds(sign, linear.rel));
  }
  bool fits = std::all_of(merged.begin(), merged.end(), [](const auto& term) {
    return term.first >= kMin64 && term.first <= kMax64;
  });
  Propagator p{};
  p.rel = linear.rel;
  p.c = linear.rhs;
  if (!fits) {
    p.kind = Propagator::Kind::WideLinear;
    p.wide = make_wide_linear(merged, linear.rhs, linear.rel);
    for (const auto& term : merged) p.vars.push_back(term.second);
    return propagate_with(std::move(p));
  }
  // x - y compared with a constant narrows exactly like Eq (with an offset)
  // or Le, which do it without sums and divisions.
  if (merged.size() == 2 && merged[0].first == -merged[1].first &&
      (merged[0].first == 1 || merged[0].first == -1)) {
    std::uint32_t x = merged[0].first == 1 ? merged[0].second : merged[1].second;
    std::uint32_t y = merged[0].first == 1 ? merged[1].second : merged[0].second;
    if (linear.rel == Rel::Eq) return propagate_with(binary(Propagator::Kind::Eq, x, y, linear.rhs));
    if (linear.rel == Rel::Le) return propagate_with(binary(Propagator::Kind::Le, x, y, linear.rhs));
    if (linear.rhs != kMin64) return propagate_with(binary(Propagator::Kind::Le, y, x, -linear.rhs));
  }
  p.kind = Propagator::Kind::Linear;
  for (const auto& term : merged) p.terms.push_back({static_cast<std::int64_t>(term.first), term.second});
  return propagate_with(std::move(p));
}

Compiled compile_all_different(const CpConstraint::AllDifferent& all, const std::vector<Interval>& declared) {
  std::vector<std::uint32_t> vars;
  for (std::size_t v : all.vars) vars.push_back(index32(v));
  std::vector<std::uint32_t> sorted = vars;
  std::sort(sorted.begin(), sorted.end());
  // A variable listed twice differs from itself: never satisfiable.
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return always(false);
  Propagator p{};
  if (vars.size() == 2) {  // the same narrowing as a single Neq
    p.kind = Propagator::Kind::Neq;
    p.x = vars[0];
    p.y = vars[1];
    return propagate_with(std::move(p));
  }
  p.kind = Propagator::Kind::AllDifferent;
  // Values seen as a bitset when they span a small range (they only shrink).
  std::int64_t lo = kMax64, hi = kMin64;
  for (std::uint32_t v : vars) {
    lo = std::min(lo, declared[v].lo);
    hi = std::max(hi, declared[v].hi);
  }
  std::uint64_t span = static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo);
  if (lo <= hi && span < kMaxBitsetValues) {
    p.base = lo;
    p.words = static_cast<std::uint32_t>(span / 64 + 1);
  }
  p.vars = std::move(vars);
  return propagate_with(std::move(p));
}

}  // namespace

Compiled compile(const CpConstraint& constraint, const std::vector<Interval>& declared) {
  using Kind = Propagator::Kind;
  return std::visit(
      [&](const auto& c) -> Compiled {
        using C = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<C, CpConstraint::Eq>) {
          if (c.x == c.y) return always(true);
          return propagate_with(binary(Kind::Eq, c.x, c.y));
        } else if constexpr (std::is_same_v<C, CpConstraint::Neq>) {
          if (c.x == c.y) return always(false);
          return propagate_with(binary(Kind::Neq, c.x, c.y));
        } else if constexpr (std::is_same_v<C, CpConstraint::Lt>) {
          if (c.x == c.y) return always(false);
          return propagate_with(binary(Kind::Lt, c.x, c.y, -1));
        } else if constexpr (std::is_same_v<C, CpConstraint::Le>) {
          if (c.x == c.y) return always(c.c >= 0);
          return propagate_with(binary(Kind::Le, c.x, c.y, c.c));
        } else if constexpr (std::is_same_v<C, CpConstraint::Linear>) {
          return compile_linear(c);
        } else {
          return compile_all_different(c, declared);
        }
      },
      constraint.kind);
}

}  // namespace mivex::cp
