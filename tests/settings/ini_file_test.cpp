// IniFile: the line-pair rules, look-ups, and the fatal paths for missing or broken files.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "settings/ini_file.h"

namespace {

void WriteFile(const std::string& name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

TEST(IniFile, LooksUpValuesByTheirWholeSectionLine) {
  WriteFile("five.ini",
            "; the ball scene\n[boule_text]\ndata/boule/tex.bmp\n[boule_vitesse]\n2.5\n"
            ";between pairs\n[anim_speed]\n  -3e1xyz\n[anim_speed]\n7\n[texte]\n;not a comment\n"
            "[ trailing ]\nword\n");
  IniFile ini("five.ini");
  ASSERT_EQ(ini.Entries().size(), 6u);
  EXPECT_EQ(ini.Entries()[5].index, 5);
  EXPECT_STREQ(ini.GetString("[boule_text]"), "data/boule/tex.bmp");
  EXPECT_DOUBLE_EQ(ini.GetFloat("[boule_vitesse]"), 2.5);
  EXPECT_DOUBLE_EQ(ini.GetFloat("[anim_speed]"), -30.0);  // first match wins, atof prefix
  EXPECT_STREQ(ini.GetString("[texte]"), ";not a comment");  // only section positions hold comments
  EXPECT_STREQ(ini.GetString("[ trailing ]"), "word");
  EXPECT_EQ(ini.GetString("[ trailing]"), nullptr);  // nothing is trimmed
  EXPECT_EQ(ini.GetString("[BOULE_TEXT]"), nullptr);
  EXPECT_EQ(ini.GetFloat("[Boule_vitesse]"), 0.0);
  EXPECT_EQ(ini.GetFloat("[texte]"), 0.0);
  EXPECT_EQ(ini.GetString("boule_text"), nullptr);
  EXPECT_EQ(ini.GetString(nullptr), nullptr);
}

TEST(IniFile, LineEndings) {
  std::vector<IniEntry> lf, crlf;
  ASSERT_EQ(ParseIniText("[a]\n1\n[b]\n2.25\n", &lf), kIniLoaded);
  ASSERT_EQ(ParseIniText("[a]\r\n1\r\n[b]\r\n2.25\r\n", &crlf), kIniLoaded);
  ASSERT_EQ(crlf.size(), 2u);
  EXPECT_EQ(crlf[1].name, lf[1].name);
  EXPECT_EQ(crlf[1].value, lf[1].value);
  // The last character of every line goes, even a real one on a last line with no line feed.
  std::vector<IniEntry> cut;
  ASSERT_EQ(ParseIniText("[a]\n1.5", &cut), kIniLoaded);
  EXPECT_EQ(cut[0].value, "1.");
  // Lines after the last pair are not read; an empty file has no entries.
  ASSERT_EQ(ParseIniText("[a]\nx\n\n\n", &cut), kIniLoaded);
  EXPECT_EQ(cut.size(), 1u);
  EXPECT_EQ(ParseIniText("", &cut), kIniLoaded);
  EXPECT_TRUE(cut.empty());
}

TEST(IniFile, MalformedFilesAreRefusedWithTheLineAtFault) {
  std::vector<IniEntry> entries;
  int32_t line = 0;
  EXPECT_EQ(ParseIniText("[a]\n[b]\n1\n", &entries, &line), kIniValueIsSection);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(ParseIniText("[a]\n1\n;c\n[b]\n", &entries, &line), kIniMissingValue);
  EXPECT_EQ(ParseIniText("[a]\n1\n[b]", &entries, &line), kIniMissingValue);
  EXPECT_TRUE(entries.empty());
  const std::string longest(1022, 'x');
  EXPECT_EQ(ParseIniText("[a]\n" + longest + "\n", &entries), kIniLoaded);
  EXPECT_EQ(entries[0].value, longest);
  EXPECT_EQ(ParseIniText("[a]\n" + longest + "xy", &entries, &line), kIniLineTooLong);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(ParseIniText("[a]\r\n" + longest + "\r\n", &entries), kIniLoaded);  // CR LF is one line feed
}

TEST(IniFile, RandomTextParsesOrFailsCleanly) {
  std::mt19937 generator(3);
  const char alphabet[] = "[];\r\nab1.";
  for (int trial = 0; trial < 2000; ++trial) {
    std::string text(generator() % 40, ' ');
    for (char& c : text) c = alphabet[generator() % (sizeof alphabet - 1)];
    std::vector<IniEntry> entries;
    if (ParseIniText(text, &entries) == kIniLoaded) {
      for (const IniEntry& entry : entries) ASSERT_NE(entry.value.substr(0, 1), "[") << text;
    } else {
      ASSERT_TRUE(entries.empty());
    }
  }
}

TEST(IniFileDeathTest, MissingFileBrokenFileAndMissingSectionAreFatal) {
  EXPECT_EXIT(IniFile("data/boule/boule.ini"), testing::ExitedWithCode(9999 & 0xFF),
              "fichier ini data/boule/boule.ini absent");
  WriteFile("broken.ini", "[a]\n[b]\n");
  EXPECT_EXIT(IniFile("broken.ini"), testing::ExitedWithCode(9999 & 0xFF), "broken.ini.*ligne 2");
  WriteFile("one.ini", "[a]\nx\n");
  IniFile ini("one.ini");
  EXPECT_STREQ(ini.GetRequiredString("[a]"), "x");
  EXPECT_EXIT(ini.GetRequiredString("[boule_text]"), testing::ExitedWithCode(9999 & 0xFF),
              "\\[boule_text\\].*one.ini");
}

}  // namespace
