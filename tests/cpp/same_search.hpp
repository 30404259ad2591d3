// Two branch-and-bound searches that must not differ in anything
// observable: the same status and text, the same point, the objective's
// double bit for bit, and the same tree (nodes examined, LPs solved).
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "core/solver_result.hpp"
#include "milp/solver.hpp"

inline void expect_same_search(const mivex::LpResult& a, const mivex::milp::SearchStats& sa,
                               const mivex::LpResult& b, const mivex::milp::SearchStats& sb,
                               const std::string& name) {
  EXPECT_EQ(a.status(), b.status()) << name;
  EXPECT_EQ(a.text(), b.text()) << name;
  EXPECT_EQ(a.assignment().text(), b.assignment().text()) << name;
  EXPECT_EQ(std::bit_cast<std::uint64_t>(a.objective()), std::bit_cast<std::uint64_t>(b.objective())) << name;
  EXPECT_EQ(sa.nodes, sb.nodes) << name;
  EXPECT_EQ(sa.lp_solves, sb.lp_solves) << name;
}
