// IniFile: the line-pair parser and the fatal policy around it.
#include "settings/ini_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/data_location.h"
#include "core/fatal_error.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double DecimalPrefixValue(const char* text) {
  const char* start = text;
  while (*start == ' ' || (*start >= '\t' && *start <= '\r')) ++start;
  // The longest prefix of the form [+-] (digits [. digits] | . digits) [e [+-] digits].
  const char* end = start;
  if (*end == '+' || *end == '-') ++end;
  const char* digits = end;
  while (IsDigit(*end)) ++end;
  bool anyDigit = end != digits;
  if (*end == '.') {
    const char* fraction = ++end;
    while (IsDigit(*end)) ++end;
    anyDigit = anyDigit || end != fraction;
  }
  if (!anyDigit) return 0.0;
  if (*end == 'e' || *end == 'E') {
    const char* exponent = end + 1;
    if (*exponent == '+' || *exponent == '-') ++exponent;
    if (IsDigit(*exponent)) {
      end = exponent;
      while (IsDigit(*end)) ++end;
    }
  }
  // strtod sees only the decimal text, so it cannot take a hexadecimal, infinite or NaN
  // reading; it still rounds correctly and overflows to HUGE_VAL as atof does.
  const std::string number(start, end);
  return std::strtod(number.c_str(), nullptr);
}

namespace {

// Splits text into lines the way a text-mode read sees them: a CR LF ending reads as a
// line feed. Each line keeps its line feed (absent on a last line without one).
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  // Next line into *line; false at the end of the text.
  bool Next(std::string* line) {
    if (position_ >= text_.size()) return false;
    ++lineNumber_;
    size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) {
      line->assign(text_.substr(position_));
      position_ = text_.size();
      return true;
    }
    size_t contentEnd = end;
    if (contentEnd > position_ && text_[contentEnd - 1] == '\r') --contentEnd;
    line->assign(text_.substr(position_, contentEnd - position_));
    line->push_back('\n');
    position_ = end + 1;
    return true;
  }

  int32_t lineNumber() const { return lineNumber_; }

 private:
  std::string_view text_;
  size_t position_ = 0;
  int32_t lineNumber_ = 0;
};

bool TooLong(const std::string& line) {
  const size_t content = !line.empty() && line.back() == '\n' ? line.size() - 1 : line.size();
  return content > kIniMaxLineLength;
}

}  // namespace

IniStatus ParseIniText(std::string_view text, std::vector<IniEntry>* entries, int32_t* failedLine) {
  entries->clear();
  if (failedLine != nullptr) *failedLine = 0;
  auto fail = [&](IniStatus status, int32_t line) {
    entries->clear();
    if (failedLine != nullptr) *failedLine = line;
    return status;
  };

  // Counting pass: the number of entries is the number of lines beginning with '['.
  size_t sectionCount = 0;
  {
    LineReader reader(text);
    std::string line;
    while (reader.Next(&line)) {
      if (TooLong(line)) return fail(IniStatus::kLineTooLong, reader.lineNumber());
      if (line[0] == '[') ++sectionCount;
    }
  }

  // Reading pass: that many pairs, comments skipped where a section line is expected.
  LineReader reader(text);
  std::string name;
  std::string value;
  while (entries->size() < sectionCount) {
    bool more = reader.Next(&name);
    while (more && name[0] == ';') more = reader.Next(&name);
    // Every '[' line is either a name or a rejected value, so the pairs cannot run out
    // before the count is reached; the check stays for safety.
    if (!more) return fail(IniStatus::kMissingValue, reader.lineNumber());
    if (!reader.Next(&value)) return fail(IniStatus::kMissingValue, reader.lineNumber());
    if (value[0] == '[') return fail(IniStatus::kValueIsSection, reader.lineNumber());
    name.pop_back();
    value.pop_back();
    entries->push_back(IniEntry{static_cast<int32_t>(entries->size()), name, value});
  }
  return IniStatus::kLoaded;
}

const char* IniStatusText(IniStatus status) {
  switch (status) {
    case IniStatus::kLoaded: return "lu";
    case IniStatus::kUnreadable: return "illisible";
    case IniStatus::kLineTooLong: return "ligne trop longue";
    case IniStatus::kValueIsSection: return "ligne de valeur commen\xE7" "ant par '['";
    case IniStatus::kMissingValue: return "section sans ligne de valeur";
    case IniStatus::kTooLarge: return "fichier trop grand";
  }
  return "erreur inconnue";
}

IniFile::IniFile(const char* fileName) {
  const char* shownName = fileName != nullptr ? fileName : "(null)";
  std::FILE* probe = fileName != nullptr ? std::fopen(DataPath(fileName).c_str(), "rb") : nullptr;
  if (probe == nullptr) {
    FatalError(("fichier ini " + std::string(shownName) + " absent").c_str());
  }
  std::fclose(probe);
  const IniStatus status = Load(fileName);
  if (status != IniStatus::kLoaded) {
    std::string message = "fichier ini " + std::string(shownName) + " incorrect : " + IniStatusText(status);
    if (failedLine_ > 0) message += " (ligne " + std::to_string(failedLine_) + ")";
    FatalError(message.c_str());
  }
}

IniFile::~IniFile() = default;

IniStatus IniFile::Load(const char* fileName) {
  entries_.clear();
  failedLine_ = 0;
  fileName_ = fileName != nullptr ? fileName : "";
  std::FILE* file = fileName != nullptr ? std::fopen(DataPath(fileName).c_str(), "rb") : nullptr;
  if (file == nullptr) return IniStatus::kUnreadable;
  std::string text;
  char buffer[4096];
  size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() <= kIniMaxFileBytes) {
    text.append(buffer, count);
  }
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError) return IniStatus::kUnreadable;
  if (text.size() > kIniMaxFileBytes) return IniStatus::kTooLarge;
  return ParseIniText(text, &entries_, &failedLine_);
}

const char* IniFile::GetString(const char* name) const {
  if (name == nullptr) return nullptr;
  for (const IniEntry& entry : entries_) {
    if (std::strcmp(entry.name.c_str(), name) == 0) return entry.value.c_str();
  }
  return nullptr;
}

double IniFile::GetFloat(const char* name) const {
  const char* value = GetString(name);
  return value != nullptr ? DecimalPrefixValue(value) : 0.0;
}

const char* IniFile::GetRequiredString(const char* name) const {
  const char* value = GetString(name);
  if (value == nullptr) {
    FatalError(("section " + std::string(name != nullptr ? name : "(null)") +
                " absente du fichier ini " + fileName_ + "\n").c_str());
  }
  return value;
}
