// Where data and grabs live: the installed layout is recognised only where it really is, the
// user-dirs file is read the way the desktop writes it, and data names alone are mapped.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/data_location.h"

namespace {

namespace fs = std::filesystem;

struct PicturesCase {
  const char* text;
  const char* expected;
};

TEST(PicturesFolder, TheLastValidLineWinsAndAnythingElseFallsBackToPictures) {
  const PicturesCase cases[] = {
      {"", "/home/v/Pictures"},
      {"XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "/home/v/Bilder"},
      {"# comment\n  XDG_PICTURES_DIR = \"/srv/shots\"\n", "/srv/shots"},
      {"XDG_PICTURES_DIR=\"$HOME/Images\"\nXDG_PICTURES_DIR=\"$HOME/Photos\"", "/home/v/Photos"},
      {"XDG_PICTURES_DIR=\"$HOME/Mes \\\"Images\\\"\"\n", "/home/v/Mes \"Images\""},
      {"XDG_PICTURES_DIR=\"$HOME\"\n", "/home/v"},
      {"XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", "/home/v/Pictures"},
      // Relative paths, other variables, a missing quote, an empty value: all refused.
      {"XDG_PICTURES_DIR=\"Pictures\"\n", "/home/v/Pictures"},
      {"XDG_PICTURES_DIR=\"$HOMEX/Pictures\"\n", "/home/v/Pictures"},
      {"XDG_PICTURES_DIR=\"$HOME/unterminated\n", "/home/v/Pictures"},
      {"XDG_PICTURES_DIR=$HOME/unquoted\n", "/home/v/Pictures"},
      {"XDG_PICTURES_DIR=\"\"\n", "/home/v/Pictures"},
      {"XDG_PICTURES_DIR_OLD=\"/old\"\n", "/home/v/Pictures"},
      {"XDG_PICTURES_DIR=\"/trailing\\", "/home/v/Pictures"},
  };
  for (const PicturesCase& test : cases) {
    EXPECT_EQ(PicturesFolderFromUserDirs(test.text, "/home/v"), test.expected) << test.text;
  }
}

class InstalledLayout : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("zelto2k-layout-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "usr/lib/games/zelto2k");
    fs::create_directories(root_ / "home/.config");
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string Path(const char* relative) const { return (root_ / relative).string(); }

  fs::path root_;
};

TEST_F(InstalledLayout, OnlyAProgramInLibGamesWithItsDataBesideCountsAsInstalled) {
  const std::string home = Path("home");
  // The data folder is not there yet: the layout alone is not enough.
  EXPECT_TRUE(FindDataLocation(Path("usr/lib/games/zelto2k/zelto2k"), home, "").dataRoot.empty());
  fs::create_directories(root_ / "usr/share/games/zelto2k/data");

  const DataLocation installed = FindDataLocation(Path("usr/lib/games/zelto2k/zelto2k"), home, "");
  EXPECT_EQ(installed.dataRoot, Path("usr/share/games/zelto2k"));
  EXPECT_EQ(installed.grabFolder, home + "/Pictures/Zelto2k");

  const char* elsewhere[] = {"", "zelto2k", "/zelto2k", "/work/build/zelto2k", "/opt/zelto2k-1.0.0/zelto2k.x86_64"};
  for (const char* program : elsewhere) {
    const DataLocation location = FindDataLocation(program, home, "");
    EXPECT_TRUE(location.dataRoot.empty() && location.grabFolder.empty()) << program;
  }
  const DataLocation lookalike = FindDataLocation(Path("usr/lib/games/zelto2kx/zelto2k"), home, "");
  EXPECT_TRUE(lookalike.dataRoot.empty());
}

TEST_F(InstalledLayout, TheUserDirsFileComesFromXdgConfigHomeWhenItIsAbsolute) {
  fs::create_directories(root_ / "usr/share/games/zelto2k/data");
  fs::create_directories(root_ / "config");
  std::ofstream(root_ / "home/.config/user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Images\"\n";
  std::ofstream(root_ / "config/user-dirs.dirs") << "XDG_PICTURES_DIR=\"/elsewhere\"\n";
  const std::string program = Path("usr/lib/games/zelto2k/zelto2k");
  const std::string home = Path("home");
  EXPECT_EQ(FindDataLocation(program, home, "").grabFolder, home + "/Images/Zelto2k");
  EXPECT_EQ(FindDataLocation(program, home, "relative/config").grabFolder, home + "/Images/Zelto2k");
  EXPECT_EQ(FindDataLocation(program, home, Path("config")).grabFolder, "/elsewhere/Zelto2k");
  // No home at all: the data still comes from the installed folder, grabs stay where they are.
  const DataLocation homeless = FindDataLocation(program, "", "");
  EXPECT_EQ(homeless.dataRoot, Path("usr/share/games/zelto2k"));
  EXPECT_TRUE(homeless.grabFolder.empty());
}

TEST(MapDataName, OnlyDataNamesMoveAndOnlyWhenInstalled) {
  const DataLocation installed{"/usr/share/games/zelto2k", "/home/v/Pictures/Zelto2k"};
  const DataLocation here{};
  EXPECT_EQ(MapDataName(installed, "data/boule/boule.ini"), "/usr/share/games/zelto2k/data/boule/boule.ini");
  EXPECT_EQ(MapDataName(here, "data/boule/boule.ini"), "data/boule/boule.ini");
  for (const char* name : {"grab_1.bmp", "/tmp/data/x.bmp", "database.bin", "data", ""}) {
    EXPECT_EQ(MapDataName(installed, name), name);
  }
}

TEST(DataPath, AProgramRunFromItsBuildFolderReadsAndGrabsWhereItIs) {
  // This test program does not live in an installed layout.
  EXPECT_EQ(DataPath("data/mowt.xm"), "data/mowt.xm");
  EXPECT_EQ(GrabPath("grab_7.bmp"), "grab_7.bmp");
}

}  // namespace
