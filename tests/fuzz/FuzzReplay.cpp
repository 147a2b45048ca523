// The main of a fuzz target outside libFuzzer: every file named, and every
// file of every folder named (in name order, sub-folders included), goes once
// through the target. The ordinary test builds replay the seeds and past
// findings this way, under their own sanitizers; a finding fails the test as
// it fails the fuzzer. Exit 0, or 2 when an argument cannot be read.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::vector<fs::path> entrees;
  for (int i = 1; i < argc; i++) {
    std::error_code ec;
    const fs::path p(argv[i]);
    if (fs::is_directory(p, ec)) {
      for (const auto& e : fs::recursive_directory_iterator(p, ec))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.') entrees.push_back(e.path());
      if (ec) {
        std::fprintf(stderr, "cannot read %s\n", argv[i]);
        return 2;
      }
    } else if (fs::is_regular_file(p, ec)) {
      entrees.push_back(p);
    } else {
      std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
      return 2;
    }
  }
  std::sort(entrees.begin(), entrees.end());
  for (const fs::path& p : entrees) {
    std::ifstream in(p, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", p.c_str());
      return 2;
    }
    const std::vector<char> octets((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "%s\n", p.c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(octets.data()), octets.size());
  }
  std::printf("%zu inputs replayed\n", entrees.size());
  return 0;
}
