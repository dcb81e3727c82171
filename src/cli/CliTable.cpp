#include "CliTable.h"

#include <sys/stat.h>

#include <fstream>
#include <stdexcept>
#include <string_view>

#include "Field.h"
#include "Session.h"
#include "strutil/CodePage.h"

namespace lw::cli {

namespace {

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A table file's header holds binary counts and codes; a file whose start is all text
// (an export, a list of names) is what users most often take for a table. Returns what
// such a file is, or "" when it may be a table.
std::string TextFileKind(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[512];
  in.read(head, sizeof head);
  const std::string_view start(head, static_cast<size_t>(in.gcount()));
  if (start.empty()) return "an empty file";
  for (unsigned char c : start)
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f) return "";
  const std::string_view firstLine = start.substr(0, start.find_first_of("\r\n"));
  return firstLine.find_first_of(",;\t") != std::string_view::npos ? "a CSV file" : "a text file";
}

bool HasExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
         dot + 1 < path.size();
}

constexpr char kTableFiles[] = "tables are Paradox .db or dBase .dbf files";

constexpr TOptionSpec kTableOptions[] = {
    {"--password", "P", "password of a protected table"},
    {"--raw", nullptr, "text in the stored bytes of the table's code page instead of UTF-8"},
};

}  // namespace

TCommandSpec TableCommandSpec(const char* name) {
  return {name, "TABLE [--password P] [--raw]", kTableOptions,
          "TABLE is used as given when it exists; a name without extension is tried with .db, "
          "then .dbf.\n"};
}

TTableArgs ParseTableArgs(const std::vector<std::string>& args, const TCommandSpec& commandSpec) {
  const TParsedArgs parsed = ParseArgs(args, commandSpec);
  TTableArgs out;
  out.Help = parsed.Help;
  if (out.Help) return out;
  if (parsed.Operands.size() != 1)
    throw UsageError(commandSpec,
                     parsed.Operands.empty() ? "no table given" : "one table at a time");
  out.Path = parsed.Operands[0];
  out.Password = parsed.Value("--password");
  out.Raw = parsed.Has("--raw");
  return out;
}

std::string ResolveTablePath(const std::string& given) {
  std::string path = given;
  auto refuse = [&path](const std::string& what) {
    return std::runtime_error("'" + path + "' is " + what + ", not a table (" + kTableFiles + ")");
  };
  if (!IsFile(path) && !HasExtension(given)) {
    for (const char* ext : {".db", ".dbf"})
      if (IsFile(given + ext)) {
        path = given + ext;
        break;
      }
  }
  if (IsFile(path)) {
    if (const std::string kind = TextFileKind(path); !kind.empty()) throw refuse(kind);
    // The engine names a table by its extension; a file without one cannot be told apart
    // from a table name to be completed.
    if (!HasExtension(path)) throw refuse("a file without extension");
    return path;
  }
  if (IsDirectory(given)) throw refuse("a directory");
  if (!HasExtension(given))
    throw std::runtime_error("no such table: '" + given + "' (tried " + given + ".db and " + given +
                             ".dbf)");
  throw std::runtime_error("no such table: '" + given + "'");
}

std::unique_ptr<TTable> OpenTableForReading(const TTableArgs& args) {
  const std::string path = ResolveTablePath(args.Path);
  if (!args.Password.empty()) TSession::Default().AddPassword(args.Password);
  auto table = std::make_unique<TTable>();
  table->SetTableName(path);
  table->SetReadOnly(true);
  table->Open();
  return table;
}

TOutputText::TOutputText(TTable& table, bool raw)
    : FCodePage(table.FileInfo().CodePage), FRaw(raw) {}

std::string_view TOutputText::operator()(std::string_view stored) {
  if (FRaw) return stored;
  FBuffer.clear();
  AppendUtf8(FBuffer, stored, FCodePage);
  return FBuffer;
}

std::string_view TOutputText::Field(TField& field, std::string_view stored) {
  switch (field.DataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
      return (*this)(stored);
    default:
      return stored;
  }
}

}  // namespace lw::cli
