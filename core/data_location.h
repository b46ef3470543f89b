// Where the demo's files live: a data name mapped to the file to open, and the folder grabs go to.
//
// The demo names its files as paths relative to the working directory ("data/boule/boule.ini"),
// and its messages name them that way whatever happens here. Run from the build folder or
// from the release folder of the tarball (its launcher changes into that folder), the files
// are right there: DataPath returns the name unchanged and GrabPath too, so grabs land in the
// working directory.
//
// Installed (the Debian package), the program lives in PREFIX/lib/games/zelto2k/ and its data
// in PREFIX/share/games/zelto2k/data/, and the working directory is whatever the viewer's is.
// The program learns that it is installed from its own location, read once from
// /proc/self/exe (Linux only; elsewhere it never counts as installed): a program whose folder
// ends in /lib/games/zelto2k, with PREFIX/share/games/zelto2k/data/ present, is installed. The
// same binary therefore plays from the build folder, the tarball and the package. Installed:
// - DataPath maps "data/..." to PREFIX/share/games/zelto2k/data/...; other names are left alone;
// - GrabPath puts grabs in the viewer's pictures folder, in a Zelto2k folder it creates when
//   needed: XDG_PICTURES_DIR from $XDG_CONFIG_HOME/user-dirs.dirs (~/.config/user-dirs.dirs
//   when XDG_CONFIG_HOME is unset or not absolute), else ~/Pictures. HOME comes from the
//   environment, else from the password database; with neither, grabs stay in the working
//   directory. A folder that cannot be made leaves the grab to fail like any unwritable grab
//   (it is dropped).
//
// Every function returns a new string; nothing here owns a file. The location is worked out
// on first use and kept for the run (thread-safe).
#pragma once

#include <string>
#include <string_view>

// The two answers for one program: both empty when it runs where it is (not installed).
struct DataLocation {
  std::string dataRoot;    // the folder that holds data/, without a trailing slash
  std::string grabFolder;  // the folder grabs go to
};

// The file to open for a data name, for this process.
std::string DataPath(std::string_view name);

// The file to write a grab named `fileName` ("grab_1.bmp") to, for this process; creates the
// grab folder when the program is installed.
std::string GrabPath(std::string_view fileName);

// The pieces, for the tests.

// The location of a program at `executablePath` with the given HOME and XDG_CONFIG_HOME
// (either may be empty). Checks that the data folder exists and reads the user-dirs file.
DataLocation FindDataLocation(std::string_view executablePath, std::string_view home,
                              std::string_view configHome);

// The pictures folder named by the text of a user-dirs.dirs file for `home`: its last valid
// XDG_PICTURES_DIR line ("$HOME/..." or an absolute path, in double quotes, backslashes
// escaping the next character), else home/Pictures.
std::string PicturesFolderFromUserDirs(std::string_view userDirsText, std::string_view home);

// `name` as `location` maps it: data names under dataRoot, everything else as given.
std::string MapDataName(const DataLocation& location, std::string_view name);
