#include "cp/propagator.hpp"

#include <algorithm>

#include "cp/wide_linear.hpp"

namespace mivex::cp {

namespace {

using Rel = CpConstraint::Rel;

// Remove value v from the bounds of u when it sits on one of them.
bool exclude_at_bounds(Store& s, std::uint32_t u, std::int64_t v) {
  if (v < s.lo(u) || v > s.hi(u)) return true;
  if (v == s.lo(u)) return s.set_lo(u, i128{v} + 1);
  if (v == s.hi(u)) return s.set_hi(u, i128{v} - 1);
  return true;
}

bool neq(const Propagator& p, Store& s) {
  if (s.fixed(p.x) && s.fixed(p.y) && s.lo(p.x) == s.lo(p.y)) return false;
  if (s.fixed(p.x) && !exclude_at_bounds(s, p.y, s.lo(p.x))) return false;
  if (s.fixed(p.y) && !exclude_at_bounds(s, p.x, s.lo(p.y))) return false;
  return true;
}

// x = y + c: both become the intersection (shifted for y).
bool eq(const Propagator& p, Store& s) {
  i128 lo = std::max(i128{s.lo(p.x)}, i128{s.lo(p.y)} + p.c);
  i128 hi = std::min(i128{s.hi(p.x)}, i128{s.hi(p.y)} + p.c);
  if (lo > hi) return false;
  return s.set_lo(p.x, lo) && s.set_hi(p.x, hi) && s.set_lo(p.y, lo - p.c) && s.set_hi(p.y, hi - p.c);
}

// x <= y + c (Lt is c = -1).
bool le(std::uint32_t x, std::uint32_t y, std::int64_t c, Store& s) {
  return s.set_hi(x, i128{s.hi(y)} + c) && s.set_lo(y, i128{s.lo(x)} - c);
}

// Each term against the rest: the sums over all terms minus the term's own
// contribution, kept up to date as the term's bounds move.
bool linear(const Propagator& p, Store& s) {
  ExactSum min_sum, max_sum;
  for (const auto& t : p.terms) {
    bool pos = t.coeff > 0;
    add_product(min_sum, t.coeff, pos ? s.lo(t.var) : s.hi(t.var));
    add_product(max_sum, t.coeff, pos ? s.hi(t.var) : s.lo(t.var));
  }
  const bool upper = p.rel != Rel::Ge, lower = p.rel != Rel::Le;
  for (const auto& t : p.terms) {
    const std::int64_t a = t.coeff, lo = s.lo(t.var), hi = s.hi(t.var);
    const bool pos = a > 0;
    const i128 own_min = i128{a} * (pos ? lo : hi), own_max = i128{a} * (pos ? hi : lo);
    if (upper) {  // a * v <= rhs - minrest
      ExactSum n(p.c);
      n.sub(min_sum);
      n.add(own_min);
      if (!(pos ? s.set_hi(t.var, floor_bound(n, a)) : s.set_lo(t.var, ceil_bound(n, a)))) return false;
    }
    if (lower) {  // a * v >= rhs - maxrest
      ExactSum n(p.c);
      n.sub(max_sum);
      n.add(own_max);
      if (!(pos ? s.set_lo(t.var, ceil_bound(n, a)) : s.set_hi(t.var, floor_bound(n, a)))) return false;
    }
    if (s.lo(t.var) != lo || s.hi(t.var) != hi) {
      min_sum.sub(own_min);
      max_sum.sub(own_max);
      add_product(min_sum, a, pos ? s.lo(t.var) : s.hi(t.var));
      add_product(max_sum, a, pos ? s.hi(t.var) : s.lo(t.var));
    }
  }
  return true;
}

// Every fixed value is pushed off the bounds of the other variables; two
// variables fixed to one value fail. Small value ranges use a bitset of the
// fixed values, others a sorted list.
bool all_different_bits(const Propagator& p, Store& s, bool& fixed_more) {
  std::vector<std::uint64_t>& bits = s.bits();
  if (bits.size() < p.words) bits.resize(p.words);
  std::fill(bits.begin(), bits.begin() + p.words, 0);
  auto seen = [&](std::int64_t value) {
    std::uint64_t i = static_cast<std::uint64_t>(value) - static_cast<std::uint64_t>(p.base);
    return (bits[i >> 6] >> (i & 63)) & 1;
  };
  bool any = false;
  for (std::uint32_t v : p.vars) {
    if (!s.fixed(v)) continue;
    if (seen(s.lo(v))) return false;
    std::uint64_t i = static_cast<std::uint64_t>(s.lo(v)) - static_cast<std::uint64_t>(p.base);
    bits[i >> 6] |= std::uint64_t{1} << (i & 63);
    any = true;
  }
  if (!any) return true;
  for (std::uint32_t v : p.vars) {
    if (s.fixed(v)) continue;
    std::int64_t lo = s.lo(v), hi = s.hi(v);
    while (lo <= hi && seen(lo)) ++lo;
    if (lo > hi) return false;
    while (seen(hi)) --hi;
    if (!s.set_lo(v, lo) || !s.set_hi(v, hi)) return false;
    fixed_more = fixed_more || lo == hi;
  }
  return true;
}

// One pass over the list; `fixed_more` tells whether it fixed a variable.
bool all_different_pass(const Propagator& p, Store& s, bool& fixed_more) {
  if (p.words > 0) return all_different_bits(p, s, fixed_more);
  std::vector<std::int64_t>& fixed = s.scratch();
  fixed.clear();
  for (std::uint32_t v : p.vars) {
    if (s.fixed(v)) fixed.push_back(s.lo(v));
  }
  if (fixed.empty()) return true;
  std::sort(fixed.begin(), fixed.end());
  if (std::adjacent_find(fixed.begin(), fixed.end()) != fixed.end()) return false;
  for (std::uint32_t v : p.vars) {
    if (s.fixed(v)) continue;
    i128 lo = s.lo(v);
    auto up = std::lower_bound(fixed.begin(), fixed.end(), s.lo(v));
    while (up != fixed.end() && *up == lo) ++up, ++lo;
    i128 hi = s.hi(v);
    auto down = std::upper_bound(fixed.begin(), fixed.end(), s.hi(v));
    while (down != fixed.begin() && *(down - 1) == hi) --down, --hi;
    if (!s.set_lo(v, lo) || !s.set_hi(v, hi)) return false;
    fixed_more = fixed_more || lo == hi;
  }
  return true;
}

// Passes until one fixes no further variable: the bounds it moved then sit
// off every fixed value, so another pass would change nothing.
bool all_different(const Propagator& p, Store& s) {
  bool fixed_more = true;
  while (fixed_more) {
    fixed_more = false;
    if (!all_different_pass(p, s, fixed_more)) return false;
  }
  return true;
}

}  // namespace

std::vector<std::uint32_t> Propagator::watched() const {
  auto lo = [](std::uint32_t v) { return 2 * v; };
  auto hi = [](std::uint32_t v) { return 2 * v + 1; };
  switch (kind) {
    case Kind::Lt:
    case Kind::Le: return {lo(x), hi(y)};  // hi(x) <= hi(y) + c, lo(y) >= lo(x) - c
    case Kind::Eq:
    case Kind::Neq: return {lo(x), hi(x), lo(y), hi(y)};
    case Kind::Linear: {
      // A <= side reads only the least sums (lo of positive terms, hi of
      // negative ones); a >= side only the greatest.
      std::vector<std::uint32_t> out;
      for (const auto& t : terms) {
        bool pos = t.coeff > 0;
        if (rel != CpConstraint::Rel::Ge) out.push_back(pos ? lo(t.var) : hi(t.var));
        if (rel != CpConstraint::Rel::Le) out.push_back(pos ? hi(t.var) : lo(t.var));
      }
      return out;
    }
    case Kind::AllDifferent:
    case Kind::WideLinear: {
      std::vector<std::uint32_t> out;
      for (std::uint32_t v : vars) out.insert(out.end(), {lo(v), hi(v)});
      return out;
    }
  }
  return {};
}

Run propagate(const Propagator& p, Store& s) {
  auto done = [](bool ok) { return ok ? Run::AtFixpoint : Run::Failed; };
  auto again = [](bool ok) { return ok ? Run::MayNarrowMore : Run::Failed; };
  switch (p.kind) {
    // Run again at once, these would change nothing: Eq leaves both domains
    // one (shifted) interval, Neq and AllDifferent leave every fixed value off
    // the other bounds, and Le and one-sided Linear move only bounds they do
    // not read. Two-sided Linear reads what it moves, so it may narrow more.
    case Propagator::Kind::Eq: return done(eq(p, s));
    case Propagator::Kind::Neq: return done(neq(p, s));
    case Propagator::Kind::Lt:
    case Propagator::Kind::Le: return done(le(p.x, p.y, p.c, s));
    case Propagator::Kind::Linear:
      return p.rel == CpConstraint::Rel::Eq ? again(linear(p, s)) : done(linear(p, s));
    case Propagator::Kind::AllDifferent: return done(all_different(p, s));
    case Propagator::Kind::WideLinear: return again(propagate_wide_linear(*p.wide, s));
  }
  return Run::Failed;
}

}  // namespace mivex::cp
