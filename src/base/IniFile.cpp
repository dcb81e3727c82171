#include "IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "strutil/StrUtil.h"

namespace lw {

namespace {

constexpr const char* kBlanks = " \t\v";
constexpr const char* kCrLf = "\r\n";
constexpr const char kUtf16LeBom[] = "\xFF\xFE";

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

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16LE text (without its mark) as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(const std::string& bytes) {
  std::string out;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

// UTF-8 text as UTF-16LE; a byte that starts no valid sequence stands for itself (Latin-1).
std::string Utf8ToUtf16Le(const std::string& text) {
  std::string out;
  auto put = [&](uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    uint32_t c = b;
    bool valid = len > 0 && i + static_cast<size_t>(len) <= text.size();
    if (valid && len > 1) {
      c = b & (0x7F >> len);
      for (int k = 1; k < len && valid; ++k) {
        const auto cont = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        valid = (cont & 0xC0) == 0x80;
        c = (c << 6) | (cont & 0x3F);
      }
    }
    if (!valid) {
      c = b;
      i += 1;
    } else {
      i += static_cast<size_t>(len);
    }
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

struct TDocument {
  // Read from and written back as UTF-16LE with its mark; other files are bytes as they are.
  // A UTF-8 mark is not special: it sticks to the first line, which then is no section.
  bool Utf16 = false;
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
    std::string out;
    for (const TLine& l : Lines) out += l.Text + l.Eol;
    return Utf16 ? kUtf16LeBom + Utf8ToUtf16Le(out) : out;
  }
};

TDocument Parse(const std::string& content) {
  TDocument doc;
  size_t pos = 0;
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

TDocument ParseContent(const std::string& content);

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
  return ParseContent(content);
}

TDocument ParseContent(const std::string& content) {
  if (content.compare(0, 2, kUtf16LeBom) == 0) {
    TDocument doc = Parse(Utf16LeToUtf8(content.substr(2)));
    doc.Utf16 = true;
    return doc;
  }
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

// Write permission as Windows grants it: a file or directory without any write bit is
// read-only for everyone, the owner and root included.
bool Writable(const std::string& path, const struct stat& st) {
  return (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

// Replaces the file's contents through a temporary file in the same directory, so that a
// crash never leaves half a settings file. A read-only file or directory refuses the write
// rather than being replaced; the file keeps its owner and group, or is rewritten in place
// when the replacement could not have them.
bool Save(const std::string& fileName, const std::string& content, bool ownerOnly) {
  namespace fs = std::filesystem;
  std::string target = fileName;
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    const fs::path real = fs::canonical(target, ec);
    if (!ec) target = real.string();
  }
  std::string dir = fs::path(target).parent_path().string();
  if (dir.empty()) dir = ".";
  struct stat dirSt {};
  if (::stat(dir.c_str(), &dirSt) != 0 || !Writable(dir, dirSt)) return false;
  mode_t mode = 0666;
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    if (!S_ISREG(st.st_mode) || !Writable(target, st)) return false;
    mode = st.st_mode & 07777;
  }
  if (ownerOnly) mode = 0600;
  const std::string temp = target + ".tmp" + std::to_string(::getpid());
  if (WriteFileAt(temp, content, mode)) {
    bool kept = ::chmod(temp.c_str(), mode) == 0;
    if (exists) kept = kept && ::chown(temp.c_str(), st.st_uid, st.st_gid) == 0;
    if (kept && ::rename(temp.c_str(), target.c_str()) == 0) return true;
  }
  ::unlink(temp.c_str());
  if (!WriteFileAt(target, content, mode)) return false;
  return !ownerOnly || ::chmod(target.c_str(), mode) == 0;
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
  if (!Save(FFileName, doc.Text(), FOwnerOnly))
    throw std::runtime_error("Unable to write to " + FFileName);
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
  if (!Save(FFileName, doc.Text(), FOwnerOnly))
    throw std::runtime_error("Unable to write to " + FFileName);
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
  if (!Save(FFileName, doc.Text(), FOwnerOnly))
    throw std::runtime_error("Unable to write to " + FFileName);
}

TIniText::TIniText(const std::string& content) {
  // Only the first section of a name counts, and within it the first key of a name, as
  // TIniFile reads them.
  TKeys* current = nullptr;
  for (const TLine& line : ParseContent(content).Lines) {
    if (line.Kind == TKind::Section) {
      const auto [at, isNew] = FValues.try_emplace(Str_Lower(line.Name));
      current = isNew ? &at->second : nullptr;
      if (isNew) FSections.push_back(line.Name);
    } else if (line.Kind == TKind::Key && current) {
      current->try_emplace(Str_Lower(line.Name), line.Value);
    }
  }
}

std::string TIniText::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  const auto s = FValues.find(Str_Lower(TrimSpaces(section)));
  if (s == FValues.end()) return def;
  const auto k = s->second.find(Str_Lower(TrimSpaces(key)));
  return k == s->second.end() ? def : Unquote(k->second);
}

bool TIniText::SectionExists(const std::string& section) const {
  return FValues.count(Str_Lower(TrimSpaces(section))) > 0;
}

}  // namespace lw
