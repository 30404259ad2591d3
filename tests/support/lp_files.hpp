// LP text and the corpus, for the C++ tests and the bench tools.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "linear/system.hpp"
#include "parser/lp_format.hpp"

namespace mivex::support {

// The system in `text`; throws std::runtime_error with the reader's message.
linear::LinearSystem parse_lp(const std::string& text);
// The reader's answer for a file (a system or a message; a file that
// cannot be opened gives a message too).
parser::LpParse read_lp_file(const std::filesystem::path& path);
// The corpus folder of a family ("lp", "milp", ...): $MIVEX_CORPUS/<family>
// when set, else ../shared/corpus/<family> beside the project.
std::filesystem::path corpus_dir(const std::string& family);
// The corpus model `name` (the file without ".lp") of `family`, read; none
// when the file is not there. Stops the test when the reader refuses it.
std::optional<linear::LinearSystem> corpus_model(const std::string& family, const std::string& name);

}  // namespace mivex::support
