// The generator is deterministic: two runs write the same bytes, and they are the bytes
// the build put in data/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(Generator, TwoRunsWriteTheBuildsFiles) {
  const std::string run = std::string(ZELTO_ASSETGEN) + " ", data = ZELTO_DATA_DIR;
  ASSERT_EQ(std::system("rm -rf generated_first generated_second"), 0);
  ASSERT_EQ(std::system((run + "generated_first").c_str()), 0);
  ASSERT_EQ(std::system((run + "generated_second").c_str()), 0);
  EXPECT_EQ(std::system("diff -r generated_first generated_second"), 0);
  EXPECT_EQ(std::system(("diff -r generated_first " + data).c_str()), 0) << "differs from the build's data";
  EXPECT_EQ(std::system("test $(find generated_first -type f -size +0 | wc -l) -eq 20"), 0);
  EXPECT_NE(std::system((run + "2>/dev/null").c_str()), 0) << "runs without its output folder";
  EXPECT_EQ(std::system("rm -rf generated_first generated_second"), 0);
}
