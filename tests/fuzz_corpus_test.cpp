// Replays the fuzz corpus (fuzz/corpus/<function>/: the edge-case seeds and
// every input a fuzzer found that exposed a fault) through the same checks
// the fuzz targets make, on every platform the suite runs on: errno kept,
// same bits when called again, results inside the documented range.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "exported_calls.hpp"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzCorpus, EveryFunctionHasSeeds) {
  for (const varnel::test::Exported& fn : varnel::test::exported_functions()) {
    const fs::path dir = fs::path(VARNEL_FUZZ_CORPUS) / fn.id;
    EXPECT_TRUE(fs::is_directory(dir) && !fs::is_empty(dir)) << "no corpus for " << fn.id;
  }
}

TEST(FuzzCorpus, EveryEntryPassesTheChecks) {
  int replayed = 0;
  for (const varnel::test::Exported& fn : varnel::test::exported_functions()) {
    const fs::path dir = fs::path(VARNEL_FUZZ_CORPUS) / fn.id;
    if (!fs::is_directory(dir)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
      const std::vector<uint8_t> bytes = read_file(entry.path());
      const varnel::test::Args args =
          varnel::test::decode(fn.signature, bytes.data(), bytes.size());
      const std::string fault = varnel::test::check_call(fn, args);
      EXPECT_EQ(fault, "") << entry.path().filename().string();
      ++replayed;
    }
  }
  std::printf("%d corpus entries replayed\n", replayed);
}

}  // namespace
