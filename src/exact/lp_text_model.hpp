// The LP text of `mivex` read into a model: its variables x0, x1, ... are
// non-negative columns, each constraint a row (named as written, or c1,
// c2, ... in order), `int` marks integer columns.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "exact/model.hpp"

namespace mivex::exact {

std::variant<Model, std::string> lp_text_model(std::string_view text);

}  // namespace mivex::exact
