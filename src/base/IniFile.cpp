#include "IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "strutil/StrUtil.h"

namespace lw {

namespace {

constexpr const char* kBlanks = " \t\v";
constexpr const char* kCrLf = "\r\n";
constexpr const char kUtf8Bom[] = "\xEF\xBB\xBF";

std::string TrimBlanks(const std::string& s) {
  const size_t b = s.find_first_not_of(kBlanks);
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(kBlanks) - b + 1);
}

// Section and key arguments lose surrounding spaces (only spaces) before they are matched.
std::string TrimSpaces(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

enum class TKind { Other, Comment, Section, Key };

struct TLine {
  std::string Text;
  std::string Eol;  // the line's own terminator, kept so untouched lines stay byte for byte
  TKind Kind = TKind::Other;
  std::string Name;   // section name or key name
  std::string Value;  // raw value of a key line, trimmed
};

void Classify(TLine& line) {
  const size_t first = line.Text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return;
  const char c = line.Text[first];
  if (c == ';') {
    line.Kind = TKind::Comment;
  } else if (c == '[') {
    // The name ends at the first ']'; a missing ']' lets it run to the end of the line.
    const size_t close = line.Text.find(']', first + 1);
    line.Kind = TKind::Section;
    line.Name = TrimBlanks(line.Text.substr(
        first + 1, close == std::string::npos ? std::string::npos : close - first - 1));
  } else if (const size_t eq = line.Text.find('='); eq != std::string::npos) {
    line.Kind = TKind::Key;
    line.Name = TrimBlanks(line.Text.substr(0, eq));
    line.Value = TrimBlanks(line.Text.substr(eq + 1));
  }
}

struct TDocument {
  std::string Bom;
  std::vector<TLine> Lines;

  // Index of the first header named `section`, or -1.
  int FindSection(const std::string& section) const {
    for (size_t i = 0; i < Lines.size(); ++i)
      if (Lines[i].Kind == TKind::Section && Str_SameText(Lines[i].Name, section))
        return static_cast<int>(i);
    return -1;
  }
  // One past the last line of the section whose header is at `header`.
  int SectionEnd(int header) const {
    size_t i = static_cast<size_t>(header) + 1;
    while (i < Lines.size() && Lines[i].Kind != TKind::Section) ++i;
    return static_cast<int>(i);
  }
  int FindKey(int header, const std::string& key) const {
    if (header < 0) return -1;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i)
      if (Lines[i].Kind == TKind::Key && Str_SameText(Lines[i].Name, key)) return i;
    return -1;
  }

  std::string Text() const {
    std::string out = Bom;
    for (const TLine& l : Lines) out += l.Text + l.Eol;
    return out;
  }
};

TDocument Parse(const std::string& content) {
  TDocument doc;
  size_t pos = 0;
  if (content.compare(0, 3, kUtf8Bom) == 0) {
    doc.Bom = kUtf8Bom;
    pos = 3;
  }
  while (pos < content.size()) {
    const size_t eol = content.find_first_of(kCrLf, pos);
    TLine line;
    if (eol == std::string::npos) {
      line.Text = content.substr(pos);
      pos = content.size();
    } else {
      line.Text = content.substr(pos, eol - pos);
      const size_t len =
          (content[eol] == '\r' && eol + 1 < content.size() && content[eol + 1] == '\n') ? 2 : 1;
      line.Eol = content.substr(eol, len);
      pos = eol + len;
    }
    Classify(line);
    doc.Lines.push_back(std::move(line));
  }
  return doc;
}

// Reading never fails: a file that is missing, not a regular file or unreadable reads as
// empty.
TDocument Load(const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string content;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      content.append(buf, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  return Parse(content);
}

// What a read returns: one pair of enclosing matching quotes removed, at most 2047 chars.
std::string Unquote(const std::string& raw) {
  std::string v = raw;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  if (v.size() > TIniFile::kMaxValueLength) v.resize(TIniFile::kMaxValueLength);
  return v;
}

bool WriteFileAt(const std::string& path, const std::string& content, mode_t mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (ok && done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  return ok;
}

// Replaces the file's contents through a temporary file in the same directory, so that a
// crash never leaves half a settings file; falls back to rewriting in place when the
// directory does not allow the temporary file.
bool Save(const std::string& fileName, const std::string& content) {
  namespace fs = std::filesystem;
  std::string target = fileName;
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    const fs::path real = fs::canonical(target, ec);
    if (!ec) target = real.string();
  }
  mode_t mode = 0666;
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) mode = st.st_mode & 07777;
  const std::string temp = target + ".tmp" + std::to_string(::getpid());
  if (WriteFileAt(temp, content, mode)) {
    if (exists) ::chmod(temp.c_str(), mode);
    if (::rename(temp.c_str(), target.c_str()) == 0) return true;
  }
  ::unlink(temp.c_str());
  return WriteFileAt(target, content, mode);
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  const TDocument doc = Load(FFileName);
  const int k = doc.FindKey(doc.FindSection(TrimSpaces(section)), TrimSpaces(key));
  return k < 0 ? def : Unquote(doc.Lines[static_cast<size_t>(k)].Value);
}

long TIniFile::ReadInteger(const std::string& section, const std::string& key, long def) const {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) return def;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  long v = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    v = std::strtol(begin + 2, &end, 16);
  else if (text[0] == '$')
    v = std::strtol(begin + 1, &end, 16);
  else
    v = std::strtol(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE) return def;
  return v;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(const std::string& section) const {
  return Load(FFileName).FindSection(TrimSpaces(section)) >= 0;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  const TDocument doc = Load(FFileName);
  return doc.FindKey(doc.FindSection(TrimSpaces(section)), TrimSpaces(key)) >= 0;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  const TDocument doc = Load(FFileName);
  const int h = doc.FindSection(TrimSpaces(section));
  if (h < 0) return keys;
  for (int i = h + 1, end = doc.SectionEnd(h); i < end; ++i)
    if (doc.Lines[i].Kind == TKind::Key) keys.push_back(doc.Lines[i].Name);
  return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (const TLine& l : Load(FFileName).Lines)
    if (l.Kind == TKind::Section) names.push_back(l.Name);
  return names;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) const {
  std::vector<std::string> values;
  const TDocument doc = Load(FFileName);
  const int h = doc.FindSection(TrimSpaces(section));
  if (h < 0) return values;
  for (int i = h + 1, end = doc.SectionEnd(h); i < end; ++i)
    if (doc.Lines[i].Kind == TKind::Key)
      values.push_back(doc.Lines[i].Name + "=" + Unquote(doc.Lines[i].Value));
  return values;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  const std::string s = TrimSpaces(section);
  const std::string k = TrimSpaces(key);
  // A line break inside a value would end the line early and could smuggle in other keys or
  // sections; it becomes a blank instead.
  std::string v = value;
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';

  TDocument doc = Load(FFileName);
  const int h = doc.FindSection(s);
  if (h < 0) {
    if (!doc.Lines.empty() && doc.Lines.back().Eol.empty()) doc.Lines.back().Eol = kCrLf;
    TLine header;
    header.Text = "[" + s + "]";
    header.Eol = kCrLf;
    doc.Lines.push_back(header);
    TLine line;
    line.Text = k + "=" + v;
    line.Eol = kCrLf;
    doc.Lines.push_back(line);
  } else if (const int i = doc.FindKey(h, k); i >= 0) {
    TLine& line = doc.Lines[static_cast<size_t>(i)];
    line.Text = line.Name + "=" + v;
    if (line.Eol.empty() && static_cast<size_t>(i) + 1 < doc.Lines.size()) line.Eol = kCrLf;
  } else {
    // After the last key line of the section (before its trailing comments and blank lines),
    // or right after the header when it has no keys.
    int after = h;
    for (int j = h + 1, end = doc.SectionEnd(h); j < end; ++j)
      if (doc.Lines[j].Kind == TKind::Key) after = j;
    TLine& prev = doc.Lines[static_cast<size_t>(after)];
    if (prev.Eol.empty()) prev.Eol = kCrLf;
    TLine line;
    line.Text = k + "=" + v;
    line.Eol = kCrLf;
    doc.Lines.insert(doc.Lines.begin() + after + 1, line);
  }
  if (!Save(FFileName, doc.Text())) throw std::runtime_error("Unable to write to " + FFileName);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, long value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  TDocument doc = Load(FFileName);
  const int i = doc.FindKey(doc.FindSection(TrimSpaces(section)), TrimSpaces(key));
  if (i < 0) return;
  doc.Lines.erase(doc.Lines.begin() + i);
  if (!Save(FFileName, doc.Text())) throw std::runtime_error("Unable to write to " + FFileName);
}

void TIniFile::EraseSection(const std::string& section) {
  TDocument doc = Load(FFileName);
  const int h = doc.FindSection(TrimSpaces(section));
  if (h < 0) return;
  const int end = doc.SectionEnd(h);
  std::vector<TLine> kept;
  for (int i = 0; i < static_cast<int>(doc.Lines.size()); ++i) {
    const bool inSection = i >= h && i < end;
    if (inSection && (i == h || doc.Lines[i].Kind == TKind::Key)) continue;
    kept.push_back(std::move(doc.Lines[i]));
  }
  doc.Lines = std::move(kept);
  if (!Save(FFileName, doc.Text())) throw std::runtime_error("Unable to write to " + FFileName);
}

}  // namespace lw
