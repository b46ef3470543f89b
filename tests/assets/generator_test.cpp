// The generator is deterministic: two runs write the same bytes, and they are the bytes
// the build put in data/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every regular file under `root`, as paths relative to it, sorted.
std::vector<fs::path> Files(const fs::path& root) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root));
  std::sort(files.begin(), files.end());
  return files;
}

TEST(Generator, TwoRunsWriteIdenticalFiles) {
  const fs::path first = fs::current_path() / "generated_first";
  const fs::path second = fs::current_path() / "generated_second";
  fs::remove_all(first);
  fs::remove_all(second);
  ASSERT_EQ(std::system((std::string(ZELTO_ASSETGEN) + " " + first.string()).c_str()), 0);
  ASSERT_EQ(std::system((std::string(ZELTO_ASSETGEN) + " " + second.string()).c_str()), 0);
  const std::vector<fs::path> files = Files(first);
  ASSERT_EQ(files, Files(second));
  EXPECT_EQ(files.size(), 20u);
  for (const fs::path& file : files) {
    const std::vector<char> bytes = Bytes(first / file);
    EXPECT_FALSE(bytes.empty()) << file;
    EXPECT_EQ(bytes, Bytes(second / file)) << file;
    EXPECT_EQ(bytes, Bytes(fs::path(ZELTO_DATA_DIR) / file)) << file << " differs from the build's data";
  }
  fs::remove_all(first);
  fs::remove_all(second);
}

TEST(Generator, RefusesAMissingArgument) {
  EXPECT_NE(std::system((std::string(ZELTO_ASSETGEN) + " 2>/dev/null").c_str()), 0);
}

}  // namespace
