#include "cp/difference_cycles.hpp"

#include <unordered_map>

namespace mivex::cp {

namespace {

struct Edge {
  std::uint32_t from, to;  // p(to) <= p(from) + weight
  i128 weight;
};

class Graph {
 public:
  // sx * x + sy * y <= w with signs sx, sy in {+1, -1}. A weight beyond the
  // 64-bit range is left out: dropping a constraint only weakens the check.
  void add(std::uint32_t x, int sx, std::uint32_t y, int sy, i128 w) {
    if (w >= kAbove64) return;
    edges_.push_back({node(y, -sy), node(x, sx), w});
    edges_.push_back({node(x, -sx), node(y, sy), w});
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
  std::uint32_t node(std::uint32_t var, int sign) {
    std::uint64_t key = 2 * std::uint64_t{var} + (sign < 0 ? 1 : 0);
    auto [it, fresh] = nodes_.try_emplace(key, static_cast<std::uint32_t>(nodes_.size()));
    return it->second;
  }

  std::unordered_map<std::uint64_t, std::uint32_t> nodes_;
  std::vector<Edge> edges_;
};

i128 magnitude(std::int64_t a) { return a < 0 ? -i128{a} : i128{a}; }

// Every pair of unfixed terms a x, b y with |a| = |b| = m gives a unit
// constraint once the other terms are replaced by their least (for <=) or
// greatest (for >=) sum at the current domains; domains only shrink below this
// node, so the constraint stays implied.
void add_linear(Graph& graph, const Propagator& p, const Store& s) {
  constexpr std::size_t kMaxUnfixed = 8;  // pairs grow quadratically
  const Propagator::Term* unfixed[kMaxUnfixed];
  std::size_t count = 0;
  auto least = [&](const Propagator::Term& t) { return i128{t.coeff} * (t.coeff > 0 ? s.lo(t.var) : s.hi(t.var)); };
  auto most = [&](const Propagator::Term& t) { return i128{t.coeff} * (t.coeff > 0 ? s.hi(t.var) : s.lo(t.var)); };
  ExactSum min_sum, max_sum;
  for (const auto& t : p.terms) {
    min_sum.add(least(t));
    max_sum.add(most(t));
    if (!s.fixed(t.var)) {
      if (count == kMaxUnfixed) return;
      unfixed[count++] = &t;
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t j = i + 1; j < count; ++j) {
      const auto& t = *unfixed[i];
      const auto& u = *unfixed[j];
      const i128 m = magnitude(t.coeff);
      if (magnitude(u.coeff) != m) continue;
      const int st = t.coeff > 0 ? 1 : -1, su = u.coeff > 0 ? 1 : -1;
      if (p.rel != CpConstraint::Rel::Ge) {  // m (st x + su y) <= rhs - least(others)
        ExactSum k(p.c);
        k.sub(min_sum);
        k.add(least(t));
        k.add(least(u));
        graph.add(t.var, st, u.var, su, floor_bound(k, m));
      }
      if (p.rel != CpConstraint::Rel::Le) {  // m (st x + su y) >= rhs - most(others)
        ExactSum k(p.c);
        k.sub(max_sum);
        k.add(most(t));
        k.add(most(u));
        graph.add(t.var, -st, u.var, -su, -ceil_bound(k, m));
      }
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
        graph.add(p.x, 1, p.y, -1, p.c);
        graph.add(p.y, 1, p.x, -1, -i128{p.c});
        break;
      case Propagator::Kind::Lt:
      case Propagator::Kind::Le: graph.add(p.x, 1, p.y, -1, p.c); break;
      case Propagator::Kind::Linear: add_linear(graph, p, store); break;
      default: break;
    }
  }
  return graph.negative_cycle(budget);
}

}  // namespace mivex::cp
