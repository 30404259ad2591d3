// Modes named on a bench's command line: "always", "never", or anything
// else for the default (`otherwise`: Auto for the exact simplex's modes).
#pragma once

#include <string_view>

#include "lp/simplex/revised_simplex.hpp"

template <class Mode>
Mode mode_named(std::string_view name, Mode otherwise = Mode::Auto) {
  return name == "always" ? Mode::Always : name == "never" ? Mode::Never : otherwise;
}

// The flags that set a mode of the exact simplex for every solver of the
// process: --bounds, --lifting and --lattice. Whether `flag` is one (its
// mode then set from `value`).
inline bool simplex_mode_flag(std::string_view flag, std::string_view value) {
  using mivex::lp::RevisedSimplex;
  if (flag == "--bounds") {
    RevisedSimplex::set_bounds_default(mode_named<RevisedSimplex::Bounds>(value));
  } else if (flag == "--lifting") {
    RevisedSimplex::set_lifting_default(mode_named<RevisedSimplex::Lifting>(value));
  } else if (flag == "--lattice") {
    RevisedSimplex::set_lattice_default(mode_named<RevisedSimplex::Lattice>(value));
  } else {
    return false;
  }
  return true;
}
