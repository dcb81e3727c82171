#include "Publish.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string_view>

#include "Cabinet.h"
#include "ControlText.h"
#include "Files.h"
#include "Keys.h"
#include "Sha256.h"
#include "Szdd.h"
#include "UpdateDate.h"
#include "Versions.h"
#include "strutil/FileUtil.h"
#include "strutil/StrUtil.h"
#include "strutil/VersionInfo.h"

namespace lw::publish {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what);
}

// The engine names a downloaded file after the last part of its URL, taken literally, and
// expands "{...}" and "<...>" groups in it; so a published name holds nothing a URL would
// have to encode and nothing the expansion would touch.
bool PlainName(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
    return std::isalnum(c) || std::string_view("._-+~").find(c) != std::string_view::npos;
  });
}

void CheckBaseUrl(const std::string& url) {
  const std::string lower = Str_Lower(url);
  const bool scheme = lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 ||
                      lower.rfind("ftp://", 0) == 0;
  const bool plain = std::none_of(url.begin(), url.end(), [](unsigned char c) {
    return c <= ' ' || c >= 0x7F || std::string_view("\"{}<>").find(c) != std::string_view::npos;
  });
  if (!scheme || !plain)
    Fail(
        "--base-url must be an http, https or ftp URL without blanks, quotes, braces or "
        "angle brackets (given '" +
        url + "')");
}

std::string ControlDate(const std::string& text) {
  if (text.empty()) return {};
  if (text == "today") {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%d/%m/%Y", &tm);
    return buf;
  }
  if (!ParseUpdateDate(text, "dd/mm/yyyy", '/'))
    Fail("--date must be a day written dd/mm/yyyy, or 'today' (given '" + text + "')");
  return text;
}

// The regular files directly in `dir`, by name; anything else there is refused rather than
// left out of the update unnoticed.
std::vector<std::string> SourceFiles(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (!e.is_regular_file())
      Fail(dir + "/" + name + " is not a regular file; only the files directly in " + dir +
           " are published");
    if (!PlainName(name))
      Fail("'" + name + "': a published name may hold letters, digits and . _ - + ~ only");
    names.push_back(name);
  }
  if (ec) Fail("cannot list " + dir + ": " + ec.message());
  if (names.empty()) Fail(dir + " holds no files to publish");
  std::sort(names.begin(), names.end());
  return names;
}

std::string PublishedName(const std::string& name, bool component, TPacking packing) {
  if (component) return name + "_new";  // the updater swaps "_new" files into place
  switch (packing) {
    case TPacking::Lz:
      if (const std::string packed = SzddPackedName(name); !packed.empty()) return packed;
      Fail("'" + name + "' cannot be LZ-packed: its name would not expand back to itself");
    case TPacking::Cabinet:
      return name + ".cab";
    case TPacking::None:
      break;
  }
  return name;
}

// Every entry named and checked before anything is written.
std::vector<TControlEntry> Plan(const TPublishOptions& o, const std::string& controlName) {
  const std::vector<std::string> files = SourceFiles(o.SourceDir);
  for (const std::string& c : o.AppComponents)
    if (!std::binary_search(files.begin(), files.end(), c))
      Fail("--app " + c + ": no such file in " + o.SourceDir);
  std::set<std::string> taken = {Str_Lower(controlName), Str_Lower(controlName + ".minisig")};
  std::vector<TControlEntry> entries;
  for (const std::string& name : files) {
    TControlEntry e;
    e.Name = name;
    e.Component =
        std::find(o.AppComponents.begin(), o.AppComponents.end(), name) != o.AppComponents.end();
    e.Published = PublishedName(name, e.Component, o.Packing);
    e.Compressed = !e.Component && o.Packing == TPacking::Lz;
    // Compared without case: the published files may well be served from a file system
    // that ignores it.
    if (!taken.insert(Str_Lower(e.Published)).second)
      Fail("'" + name + "' would be published as " + e.Published + ", a name already taken");
    entries.push_back(e);
  }
  return entries;
}

// Reads one file, packs it into the output directory and fills in what the control file says
// of it.
void PublishFile(const TPublishOptions& o, const std::string& outDir, TControlEntry& e) {
  const std::string source = o.SourceDir + "/" + e.Name;
  const std::string bytes = ReadWholeFile(source);
  TFileVersionInfo info;
  TFileVersion64 parsed;
  if (ReadFileVersionInfo(source, info) && ParseVersionText(info.FileVersion, parsed))
    e.Version = info.FileVersion;
  else
    e.Checksum = FileChecksum(source);
  struct stat st {};
  ::stat(source.c_str(), &st);
  const bool cabinet = !e.Component && o.Packing == TPacking::Cabinet;
  const std::string published =
      e.Compressed ? SzddCompress(bytes, e.Name)
      : cabinet    ? CabinetOf(e.Name, bytes, st.st_mtime, (st.st_mode & S_IXUSR) != 0)
                   : bytes;
  const std::string target = outDir + e.Published;
  ReplaceFile(target, published);
  e.Size = static_cast<int64_t>(published.size());
  e.Sha256 = FileSha256Hex(target);
  if (e.Sha256.empty()) Fail("cannot read back " + target);
  e.Url = o.BaseUrl + (o.BaseUrl.back() == '/' ? "" : "/") + e.Published;
}

}  // namespace

void Publish(const TPublishOptions& o, std::ostream& report) {
  if (!DirectoryExists(o.SourceDir)) Fail(o.SourceDir + " is not a directory");
  CheckBaseUrl(o.BaseUrl);
  const std::string controlName = ExtractFileName(o.Out);
  if (!PlainName(controlName))
    Fail("--out must name a file of letters, digits and . _ - + ~ (given '" + o.Out + "')");
  for (const std::string* value : {&o.TargetDir, &o.AppName})
    if (value->find_first_of("\r\n") != std::string::npos)
      Fail("a control file value is one line (given '" + *value + "')");
  const std::string outDir = ExtractFilePath(o.Out);
  std::error_code ec;
  if (fs::equivalent(outDir.empty() ? "." : outDir, o.SourceDir, ec))
    Fail("the control file must not be written into " + o.SourceDir +
         ": the published files go beside it");
  const TMinisignSecretKey key = ReadSecretKey(o.KeyFile);

  TControlOptions control;
  control.Date = ControlDate(o.Date);
  control.TargetDir = o.TargetDir;
  control.AppName = o.AppName;
  std::vector<TControlEntry> entries = Plan(o, controlName);
  if (!outDir.empty() && !ForceDirectories(outDir)) Fail("cannot create " + outDir);
  for (TControlEntry& e : entries) {
    PublishFile(o, outDir, e);
    report << e.Published << "  " << e.Size << " bytes"
           << (e.Version.empty() ? "" : "  version " + e.Version) << "\n";
  }
  const std::string text = ControlText(control, entries);
  ReplaceFile(o.Out, text);
  const std::string comment =
      "timestamp:" + std::to_string(std::time(nullptr)) + "\tfile:" + controlName + "\thashed";
  ReplaceFile(o.Out + ".minisig", FormatMinisignSignature(SignMinisign(text, key, comment)));
  report << o.Out << ": " << entries.size() << " files, signed with key "
         << MinisignKeyIdText(key.KeyId) << " in " << o.Out << ".minisig\n";
}

}  // namespace lw::publish
