// A mode of the exact simplex named on a bench's command line: "always",
// "never", or anything else for the default ("auto"); each mode enum
// (Bounds, Lifting) has the three.
#pragma once

#include <string_view>

template <class Mode>
Mode mode_named(std::string_view name) {
  return name == "always" ? Mode::Always : name == "never" ? Mode::Never : Mode::Auto;
}
