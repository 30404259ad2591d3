#include "cp/equal_classes.hpp"

#include <unordered_set>
#include <utility>

namespace mivex::cp {

namespace {

// value(v) = value(root(v)) + offset(v); 128 bits hold any chain of 64-bit offsets.
class OffsetClasses {
 public:
  explicit OffsetClasses(std::size_t n) : parent_(n), offset_(n, 0) {
    for (std::size_t v = 0; v < n; ++v) parent_[v] = static_cast<std::uint32_t>(v);
  }

  std::pair<std::uint32_t, i128> find(std::uint32_t v) {
    i128 total = 0;
    std::uint32_t root = v;
    while (parent_[root] != root) {
      total += offset_[root];
      root = parent_[root];
    }
    // Point every variable of the path straight at the root.
    i128 rest = total;
    while (parent_[v] != v) {
      std::uint32_t next = parent_[v];
      i128 own = offset_[v];
      parent_[v] = root;
      offset_[v] = rest;
      rest -= own;
      v = next;
    }
    return {root, total};
  }

  // x = y + c; false when the classes already say otherwise.
  bool join(std::uint32_t x, std::uint32_t y, i128 c) {
    auto [rx, ox] = find(x);
    auto [ry, oy] = find(y);
    if (rx == ry) return ox == oy + c;
    parent_[rx] = ry;
    offset_[rx] = oy + c - ox;
    return true;
  }

 private:
  std::vector<std::uint32_t> parent_;
  std::vector<i128> offset_;
};

struct PairHash {
  std::size_t operator()(const std::pair<std::uint32_t, i128>& p) const {
    auto bits = static_cast<unsigned __int128>(p.second);
    return std::hash<std::uint64_t>()(p.first * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(bits) ^
                                      static_cast<std::uint64_t>(bits >> 64));
  }
};

}  // namespace

bool equal_but_different(const std::vector<Propagator>& propagators, std::size_t num_vars) {
  OffsetClasses classes(num_vars);
  bool any = false;
  for (const Propagator& p : propagators) {
    if (p.kind != Propagator::Kind::Eq) continue;
    if (!classes.join(p.x, p.y, p.c)) return true;
    any = true;
  }
  if (!any) return false;
  std::unordered_set<std::pair<std::uint32_t, i128>, PairHash> seen;
  for (const Propagator& p : propagators) {
    if (p.kind == Propagator::Kind::Neq && classes.find(p.x) == classes.find(p.y)) return true;
    if (p.kind == Propagator::Kind::AllDifferent) {
      seen.clear();
      for (std::uint32_t v : p.vars) {
        if (!seen.insert(classes.find(v)).second) return true;
      }
    }
  }
  return false;
}

}  // namespace mivex::cp
