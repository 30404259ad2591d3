// What the overflow-safe Rational costs on small values, against a plain
// 64-bit fraction that wraps silently (reduced by Euclid's loop after every
// operation). Build and run from the repository root after a test build:
//   g++ -O2 -std=c++20 -Isrc bench/lp_rational_bench.cpp build/tests/libmivex_core.a -lgmp -o /tmp/rb && /tmp/rb
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "linear/rational.hpp"

using mivex::linear::Rational;

namespace {

struct Plain {
  std::int64_t num, den;
  static std::uint64_t gcd(std::uint64_t a, std::uint64_t b) {
    while (b != 0) {
      std::uint64_t r = a % b;
      a = b;
      b = r;
    }
    return a;
  }
  static Plain make(std::int64_t n, std::int64_t d) {
    std::uint64_t g = gcd(n < 0 ? 0 - static_cast<std::uint64_t>(n) : n, d < 0 ? 0 - static_cast<std::uint64_t>(d) : d);
    if (d < 0) n = -n, d = -d;
    if (g >= 2) n /= static_cast<std::int64_t>(g), d /= static_cast<std::int64_t>(g);
    return {n, d};
  }
  friend Plain operator+(Plain a, Plain b) { return make(a.num * b.den + b.num * a.den, a.den * b.den); }
  friend Plain operator*(Plain a, Plain b) { return make(a.num * b.num, a.den * b.den); }
  friend Plain operator-(Plain a, Plain b) { return make(a.num * b.den - b.num * a.den, a.den * b.den); }
};

template <class F>
double time_ns(F&& f, int reps) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::nano>(t1 - t0).count() / reps;
}

}  // namespace

int main() {
  const int n = 1 << 12, rounds = 400;
  std::mt19937_64 rng(1);
  std::vector<std::pair<std::int64_t, std::int64_t>> raw(n);
  for (auto& [a, b] : raw) a = static_cast<std::int64_t>(rng() % 2001) - 1000, b = 1 + rng() % 1000;
  std::vector<Plain> p;
  std::vector<Rational> r;
  for (auto [a, b] : raw) p.push_back(Plain::make(a, b)), r.emplace_back(a, b);
  std::int64_t sink = 0;

  struct Row { const char* what; double plain, exact; } rows[3];
  rows[0] = {"a + b",
             time_ns([&] { for (int k = 0; k < rounds; ++k) for (int i = 0; i + 1 < n; ++i) sink += (p[i] + p[i + 1]).num; }, rounds * (n - 1)),
             time_ns([&] { for (int k = 0; k < rounds; ++k) for (int i = 0; i + 1 < n; ++i) sink += (r[i] + r[i + 1]).num(); }, rounds * (n - 1))};
  rows[1] = {"a * b",
             time_ns([&] { for (int k = 0; k < rounds; ++k) for (int i = 0; i + 1 < n; ++i) sink += (p[i] * p[i + 1]).num; }, rounds * (n - 1)),
             time_ns([&] { for (int k = 0; k < rounds; ++k) for (int i = 0; i + 1 < n; ++i) sink += (r[i] * r[i + 1]).num(); }, rounds * (n - 1))};
  rows[2] = {"c - f * x (pivot update)",
             time_ns([&] { for (int k = 0; k < rounds; ++k) for (int i = 0; i + 2 < n; ++i) sink += (p[i + 2] - p[i] * p[i + 1]).num; }, rounds * (n - 2)),
             time_ns([&] { for (int k = 0; k < rounds; ++k) for (int i = 0; i + 2 < n; ++i) { Rational c = r[i + 2]; c.sub_mul(r[i], r[i + 1]); sink += c.num(); } }, rounds * (n - 2))};
  std::printf("%-26s %12s %12s %8s\n", "operation (small values)", "plain ns", "Rational ns", "ratio");
  for (const Row& row : rows) std::printf("%-26s %12.1f %12.1f %8.2f\n", row.what, row.plain, row.exact, row.exact / row.plain);
  std::printf("(checksum %lld)\n", static_cast<long long>(sink));
}
