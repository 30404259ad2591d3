#include "support/cp_random.hpp"

#include <limits>

namespace mivex::cp::random {

namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

struct Draw {
  std::mt19937_64& rng;
  std::int64_t in(std::int64_t lo, std::int64_t hi) {
    return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
  }
  bool chance(int percent) { return in(0, 99) < percent; }
  template <class T, std::size_t N>
  T pick(const T (&items)[N]) {
    return items[in(0, N - 1)];
  }
};

}  // namespace

CpProblem random_problem(std::mt19937_64& rng, Flavor flavor) {
  Draw draw{rng};
  const bool extreme = flavor == Flavor::Extreme;
  static const std::int64_t big_coeffs[] = {kMin, kMin + 1, -(std::int64_t{1} << 62), -3, -2, -1, 0,
                                            1,    2,        3,  std::int64_t{1} << 62, kMax - 1, kMax};
  static const std::int64_t bases[] = {kMin, kMin + 3, -(std::int64_t{1} << 62), -4, 0,
                                       std::int64_t{1} << 62, kMax - 9, kMax - 6};
  static const std::int64_t big_consts[] = {kMin, kMin + 1, -(std::int64_t{1} << 62), -7, -1, 0,
                                            1,    5,        std::int64_t{1} << 62,     kMax - 1, kMax};

  CpProblem problem;
  const std::size_t vars = static_cast<std::size_t>(draw.in(flavor == Flavor::Difference ? 2 : 1, extreme ? 4 : 6));
  for (std::size_t i = 0; i < vars; ++i) {
    std::int64_t lo = extreme ? draw.pick(bases) + draw.in(0, 3) : draw.in(-4, 4);
    std::int64_t width = draw.in(0, extreme ? 5 : flavor == Flavor::Difference ? 12 : 6);
    std::int64_t hi = lo > kMax - width ? kMax : lo + width;
    if (draw.chance(3)) {  // an empty range
      hi = lo == kMin ? kMin : lo - 1;
      lo = hi + 1;
    }
    problem.vars.push_back({"v" + std::to_string(i), lo, hi});
  }
  auto var = [&] { return static_cast<std::size_t>(draw.in(0, static_cast<std::int64_t>(vars) - 1)); };
  auto coeff = [&] { return extreme && draw.chance(50) ? draw.pick(big_coeffs) : draw.in(-4, 4); };
  auto constant = [&] { return extreme && draw.chance(50) ? draw.pick(big_consts) : draw.in(-6, 6); };

  const bool difference = flavor == Flavor::Difference;
  const int constraints = static_cast<int>(draw.in(difference ? 2 : 0, 6));
  for (int k = 0; k < constraints; ++k) {
    if (difference && draw.chance(50)) {
      CpConstraint::Linear linear;
      std::int64_t a = draw.in(1, 3);
      linear.terms = {{a, var()}, {draw.chance(70) ? -a : a, var()}};
      if (draw.chance(40)) linear.terms.push_back({draw.in(-2, 2), var()});
      linear.rhs = draw.in(-4, 4);
      linear.rel = static_cast<CpConstraint::Rel>(draw.in(0, 2));
      problem.constraints.push_back({std::move(linear)});
      continue;
    }
    switch (draw.in(0, difference ? 3 : 5)) {
      case 0: problem.constraints.push_back({CpConstraint::Eq{var(), var()}}); break;
      case 1: problem.constraints.push_back({CpConstraint::Neq{var(), var()}}); break;
      case 2: problem.constraints.push_back({CpConstraint::Lt{var(), var()}}); break;
      case 3: problem.constraints.push_back({CpConstraint::Le{var(), var(), constant()}}); break;
      case 4: {
        CpConstraint::Linear linear;
        const int terms = static_cast<int>(draw.in(1, 4));
        for (int t = 0; t < terms; ++t) linear.terms.push_back({coeff(), var()});
        linear.rhs = constant();
        linear.rel = static_cast<CpConstraint::Rel>(draw.in(0, 2));
        problem.constraints.push_back({std::move(linear)});
        break;
      }
      default: {
        CpConstraint::AllDifferent all;
        const int n = static_cast<int>(draw.in(2, 4));
        for (int t = 0; t < n; ++t) all.vars.push_back(var());
        problem.constraints.push_back({std::move(all)});
      }
    }
  }
  return problem;
}

std::string to_text(const CpProblem& problem) {
  std::string text;
  auto name = [&](std::size_t v) { return problem.vars[v].name; };
  for (const auto& v : problem.vars) {
    text += "var " + v.name + " " + std::to_string(v.min) + " " + std::to_string(v.max) + "\n";
  }
  for (const auto& constraint : problem.constraints) {
    std::visit(
        [&](const auto& c) {
          using C = std::decay_t<decltype(c)>;
          if constexpr (std::is_same_v<C, CpConstraint::Eq>) {
            text += "eq " + name(c.x) + " " + name(c.y);
          } else if constexpr (std::is_same_v<C, CpConstraint::Neq>) {
            text += "neq " + name(c.x) + " " + name(c.y);
          } else if constexpr (std::is_same_v<C, CpConstraint::Lt>) {
            text += "lt " + name(c.x) + " " + name(c.y);
          } else if constexpr (std::is_same_v<C, CpConstraint::Le>) {
            text += "le " + name(c.x) + " " + name(c.y) + " " + std::to_string(c.c);
          } else if constexpr (std::is_same_v<C, CpConstraint::Linear>) {
            text += "linear";
            for (const auto& t : c.terms) text += " " + std::to_string(t.coeff) + " " + name(t.var);
            static const char* rels[] = {"le", "eq", "ge"};
            text += " " + std::to_string(c.rhs) + " " + rels[static_cast<int>(c.rel)];
          } else {
            text += "alldifferent";
            for (std::size_t v : c.vars) text += " " + name(v);
          }
          text += "\n";
        },
        constraint.kind);
  }
  return text;
}

}  // namespace mivex::cp::random
