#include "support/lp_files.hpp"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <variant>

namespace mivex::support {

linear::LinearSystem parse_lp(const std::string& text) {
  auto parsed = parser::LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) throw std::runtime_error(*message);
  return std::get<linear::LinearSystem>(std::move(parsed));
}

parser::LpParse read_lp_file(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) return "cannot open " + path.string();
  std::stringstream text;
  text << in.rdbuf();
  return parser::LpFormatParser::parse(text.str());
}

std::filesystem::path corpus_dir(const std::string& family) {
  if (const char* env = std::getenv("MIVEX_CORPUS")) return std::filesystem::path(env) / family;
  // This file sits in tests/support, two folders below the project.
  return std::filesystem::path(__FILE__).parent_path() / "../../../shared/corpus" / family;
}

std::optional<linear::LinearSystem> corpus_model(const std::string& family, const std::string& name) {
  const std::filesystem::path file = corpus_dir(family) / (name + ".lp");
  if (!std::filesystem::exists(file)) return std::nullopt;
  return std::get<linear::LinearSystem>(read_lp_file(file));
}

}  // namespace mivex::support
