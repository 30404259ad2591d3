#include "cp/difference_cycles.hpp"

#include <unordered_map>

namespace mivex::cp {

namespace {

struct Edge {
  std::uint32_t from, to;  // x_to <= x_from + weight
  i128 weight;
};

class Graph {
 public:
  // x <= y + w. A weight beyond the 64-bit range says nothing a pair of
  // 64-bit values could violate, so it is left out.
  void add(std::uint32_t x, std::uint32_t y, i128 w) {
    if (w >= kAbove64) return;
    edges_.push_back({node(y), node(x), w});
  }

  // a (x - y) <= k_upper (unless rel is >=) and a (x - y) >= k_lower (unless
  // rel is <=), with a > 0.
  void add_linear(std::uint32_t x, std::uint32_t y, std::int64_t a, const ExactSum& k_upper,
                  const ExactSum& k_lower, CpConstraint::Rel rel) {
    if (rel != CpConstraint::Rel::Ge) add(x, y, floor_bound(k_upper, a));
    if (rel != CpConstraint::Rel::Le) add(y, x, -ceil_bound(k_lower, a));
  }

  // Bellman-Ford from a virtual source at distance 0 to every node: a
  // relaxation in round n (n nodes) can only come from a negative cycle.
  bool negative_cycle(std::uint64_t budget) const {
    const std::size_t n = nodes_.size();
    if (edges_.empty()) return false;
    std::vector<i128> dist(n, 0);
    std::uint64_t spent = 0;
    for (std::size_t round = 0; round <= n; ++round) {
      bool relaxed = false;
      for (const Edge& e : edges_) {
        if (dist[e.from] + e.weight < dist[e.to]) {
          dist[e.to] = dist[e.from] + e.weight;
          relaxed = true;
        }
      }
      if (!relaxed) return false;
      if (round == n) return true;
      spent += edges_.size();
      if (spent > budget) return false;
    }
    return false;
  }

 private:
  std::uint32_t node(std::uint32_t var) {
    auto [it, fresh] = nodes_.try_emplace(var, static_cast<std::uint32_t>(nodes_.size()));
    return it->second;
  }

  std::unordered_map<std::uint32_t, std::uint32_t> nodes_;
  std::vector<Edge> edges_;
};

// Every pair of unfixed terms a x and -a y gives a difference constraint once
// the other terms are replaced by their least (for <=) or greatest (for >=)
// contribution at the current domains; domains only shrink below this node,
// so the constraint stays implied.
void add_linear(Graph& graph, const Propagator& p, const Store& s) {
  constexpr std::size_t kMaxUnfixed = 8;  // pairs grow quadratically
  const Propagator::Term* unfixed[kMaxUnfixed];
  std::size_t count = 0;
  ExactSum min_sum, max_sum;
  for (const auto& t : p.terms) {
    const bool pos = t.coeff > 0;
    add_product(min_sum, t.coeff, pos ? s.lo(t.var) : s.hi(t.var));
    add_product(max_sum, t.coeff, pos ? s.hi(t.var) : s.lo(t.var));
    if (!s.fixed(t.var)) {
      if (count == kMaxUnfixed) return;
      unfixed[count++] = &t;
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t j = 0; j < count; ++j) {
      const auto& t = *unfixed[i];
      const auto& u = *unfixed[j];
      if (t.coeff <= 0 || i128{u.coeff} != -i128{t.coeff}) continue;
      // The other terms' least and greatest sums: drop t and u from the totals.
      ExactSum min_others = min_sum, max_others = max_sum;
      min_others.sub(i128{t.coeff} * s.lo(t.var));
      min_others.sub(i128{u.coeff} * s.hi(u.var));
      max_others.sub(i128{t.coeff} * s.hi(t.var));
      max_others.sub(i128{u.coeff} * s.lo(u.var));
      ExactSum k_upper(p.c), k_lower(p.c);
      k_upper.sub(min_others);
      k_lower.sub(max_others);
      graph.add_linear(t.var, u.var, t.coeff, k_upper, k_lower, p.rel);
    }
  }
}

}  // namespace

bool has_negative_cycle(const std::vector<Propagator>& propagators, const Store& store,
                        std::uint64_t budget) {
  Graph graph;
  for (const Propagator& p : propagators) {
    switch (p.kind) {
      case Propagator::Kind::Eq:
        graph.add(p.x, p.y, 0);
        graph.add(p.y, p.x, 0);
        break;
      case Propagator::Kind::Lt:
      case Propagator::Kind::Le: graph.add(p.x, p.y, p.c); break;
      case Propagator::Kind::Linear: add_linear(graph, p, store); break;
      default: break;
    }
  }
  return graph.negative_cycle(budget);
}

}  // namespace mivex::cp
