// IniFile: the line-pair rules, look-ups, and the fatal paths for missing or broken files.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <utility>

#include "core/exit_codes.h"
#include "settings/ini_file.h"

namespace {


TEST(IniFile, LooksUpValuesByTheirWholeSectionLine) {
  std::ofstream("five.ini", std::ios::binary)
      << "; the ball scene\n[boule_text]\ndata/boule/tex.bmp\n[boule_vitesse]\n2.5\n"
         ";between pairs\n[anim_speed]\n  -3e1xyz\n[anim_speed]\n7\n[texte]\n;not a comment\n";
  IniFile ini("five.ini");
  ASSERT_EQ(ini.Entries().size(), 5u);
  EXPECT_STREQ(ini.GetString("[boule_text]"), "data/boule/tex.bmp");
  EXPECT_DOUBLE_EQ(ini.GetFloat("[boule_vitesse]"), 2.5);
  EXPECT_DOUBLE_EQ(ini.GetFloat("[anim_speed]"), -30.0);  // first match wins, atof prefix
  EXPECT_STREQ(ini.GetString("[texte]"), ";not a comment");  // only section positions hold comments
  EXPECT_EQ(ini.GetString(nullptr), nullptr);
}

TEST(IniFile, FloatsAreTheLongestDecimalPrefix) {
  const std::pair<const char*, double> cases[] = {
      {"0x10", 0.0}, {"0x1p3", 0.0}, {"inf", 0.0}, {"-infinity", 0.0}, {"nan", 0.0}, {"NAN(1)", 0.0},
      {" \t+.5e", 0.5}, {"-7.e+2x", -700.0}, {"1e", 1.0}, {"1e+", 1.0}, {"12.5.3", 12.5}, {".", 0.0},
      {"+-1", 0.0}, {"- 1", 0.0}, {"0.1", 0.1}, {"1e400", HUGE_VAL}, {"-1e-400", -0.0}, {"", 0.0}};
  for (const auto& [text, expected] : cases) {
    const double value = DecimalPrefixValue(text);
    EXPECT_EQ(value, expected) << text;
    EXPECT_EQ(std::signbit(value), std::signbit(expected)) << text;
  }
}

TEST(IniFile, LineRulesAndMalformedFiles) {
  std::vector<IniEntry> entries;
  ASSERT_EQ(ParseIniText("[a]\r\n1\r\n[b]\r\n2.25\r\n", &entries), IniStatus::kLoaded);
  EXPECT_EQ(entries.at(1).name + "=" + entries.at(1).value, "[b]=2.25");
  // The last character of every line goes, even a real one on a last line with no line feed.
  ASSERT_EQ(ParseIniText("[a]\n1.5", &entries), IniStatus::kLoaded);
  EXPECT_EQ(entries[0].value, "1.");
  const std::string longest(1022, 'x');
  EXPECT_EQ(ParseIniText("[a]\r\n" + longest + "\r\n", &entries), IniStatus::kLoaded);  // CR LF is one line feed
  EXPECT_EQ(entries[0].value, longest);
  int32_t line = 0;
  EXPECT_EQ(ParseIniText("[a]\n[b]\n1\n", &entries, &line), IniStatus::kValueIsSection);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(ParseIniText("[a]\n1\n;c\n[b]\n", &entries, &line), IniStatus::kMissingValue);
  EXPECT_TRUE(entries.empty());
  EXPECT_EQ(ParseIniText("[a]\n" + longest + "xy", &entries, &line), IniStatus::kLineTooLong);
  EXPECT_EQ(line, 2);
}

TEST(IniFile, RandomTextParsesOrFailsCleanly) {
  std::mt19937 generator(3);
  const char alphabet[] = "[];\r\nab1.";
  for (int trial = 0; trial < 2000; ++trial) {
    std::string text(generator() % 40, ' ');
    for (char& c : text) c = alphabet[generator() % (sizeof alphabet - 1)];
    std::vector<IniEntry> entries;
    if (ParseIniText(text, &entries) == IniStatus::kLoaded) {
      for (const IniEntry& entry : entries) ASSERT_NE(entry.value.substr(0, 1), "[") << text;
    } else {
      ASSERT_TRUE(entries.empty());
    }
  }
}

// A missing file and a missing section, named in the message: see Tampering.Settings.
TEST(IniFileDeathTest, ABrokenFileIsFatalAndTheMessageNamesTheLine) {
  std::ofstream("broken.ini", std::ios::binary) << "[a]\n[b]\n";
  EXPECT_EXIT(IniFile("broken.ini"), testing::ExitedWithCode(kExitFatalSeen), "broken.ini.*ligne 2");
}

}  // namespace
