// Replays saved inputs through a fuzz target's entry function without
// libFuzzer, so the test command runs every saved finding again (under the
// sanitizers too): each regular file of the folders named on the command
// line, in name order. A finding aborts, or trips a sanitizer, as it did
// under the fuzzer; a folder that does not exist holds no finding yet.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    if (!fs::is_directory(argv[i])) continue;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(argv[i])) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      std::printf("replaying %s\n", file.c_str());
      std::fflush(stdout);
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  return 0;
}
