// IniFile: the settings file of named values, read once, looked up by section line.
//
// Format: pairs of lines, a section line such as "[boule_vitesse]" and the value line
// right after it. The whole section line, brackets included, is the name. Where a
// section line is expected, a line beginning with ';' is a comment. Each line read loses
// its last character (normally the line feed; a CR LF ending counts as one line feed),
// so a last line without a line feed loses a real character. Nothing is trimmed. A line
// holds at most 1022 characters before its line feed. Only lines beginning with '['
// count as sections; the entries are the first that many pairs of the file.
//
// The file is required: the constructor ends the process through FatalError when it is
// missing ("fichier ini <name> absent") or breaks the format (a value line beginning
// with '[', a section line with no value line, a line too long). ParseIniText does the
// reading with a status and no process-ending policy, for tests and fuzzing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct IniEntry {
  int32_t index;
  std::string name;   // the section line without its last character
  std::string value;  // the value line without its last character
};

enum class IniStatus : int32_t {
  kLoaded = 0,
  kUnreadable = 1,          // the file cannot be opened or read
  kLineTooLong = 2,         // a line of more than kIniMaxLineLength characters
  kValueIsSection = 3,      // a value line beginning with '['
  kMissingValue = 4,        // a section line with no value line before the end
  kTooLarge = 5,            // more than kIniMaxFileBytes bytes
};

constexpr size_t kIniMaxLineLength = 1022;
// Far beyond any settings file; keeps a runaway file from exhausting memory.
constexpr size_t kIniMaxFileBytes = 1 << 20;

// Parses the whole text of a settings file into `entries` (replaced). On failure
// `entries` is empty and *failedLine (if not null) holds the 1-based line at fault.
IniStatus ParseIniText(std::string_view text, std::vector<IniEntry>* entries,
                       int32_t* failedLine = nullptr);

// The number at the start of `text`, as atof reads a decimal one: leading white space
// skipped, then the longest prefix forming a decimal floating-point number; 0.0 when
// there is none. Hexadecimal, "inf" and "nan" are not numbers here (they read as 0).
double DecimalPrefixValue(const char* text);

// A short French description of a failure status, Windows-1252.
const char* IniStatusText(IniStatus status);

class IniFile {
 public:
  // Loads the file; ends the process through FatalError if it is missing or malformed.
  explicit IniFile(const char* fileName);
  virtual ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  // Reads the file, replacing the entries; on failure there are no entries.
  IniStatus Load(const char* fileName);

  // The value of the first entry whose name equals `name` byte for byte (brackets
  // included), or null if there is none. The text belongs to this object.
  const char* GetString(const char* name) const;

  // The same look-up converted by DecimalPrefixValue; 0.0 when there is no such entry.
  double GetFloat(const char* name) const;

  // GetString for a section the program cannot do without: ends the process through
  // FatalError, naming the section and the file, if it is missing.
  const char* GetRequiredString(const char* name) const;

  const std::string& FileName() const { return fileName_; }
  const std::vector<IniEntry>& Entries() const { return entries_; }

 private:
  std::string fileName_;
  std::vector<IniEntry> entries_;
  int32_t failedLine_ = 0;
};
