// Start-up and shutdown of the shared data object.
#include "SharedData.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "DataPassword.h"
#include "Database.h"
#include "PasswordScramble.h"
#include "PrivateSession.h"
#include "Session.h"
#include "SettingsKeys.h"
#include "Table.h"
#include "strutil/FileUtil.h"
#include "strutil/StrUtil.h"
#include "strutil/VersionInfo.h"

namespace lw {

namespace {

std::shared_ptr<TVolumeSource> DefaultVolumes() {
  // The process-wide source lives for the whole run; nothing to free.
  return std::shared_ptr<TVolumeSource>(&SystemVolumeSource(), [](TVolumeSource*) {});
}

std::string AbsoluteDir(const std::string& dir) {
  if (dir.empty()) return dir;
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(dir, ec);
  return IncludeTrailingSlash(ec ? dir : abs.string());
}

std::string AbsoluteFile(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(path, ec);
  return ec ? path : abs.string();
}

// An empty directory setting cannot be created; a directory that cannot be made is reported
// with the system's reason, which says more than the missing result table would later.
void MakeDirectory(const std::string& dir) {
  if (dir.empty()) throw std::runtime_error("Unable to create directory");
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(dir), ec);
  if (ec || !DirectoryExists(dir))
    throw std::runtime_error("cannot create directory '" + dir +
                             "': " + (ec ? ec.message() : "Not a directory"));
}

// Copies `source` to `target` through a file of its own beside it, made writable by its owner
// whatever the source's mode, so that `target` appears whole or not at all, also when two
// first starts copy at once. `replace` false leaves a `target` that appeared meanwhile alone.
void CopyWritable(const std::string& source, const std::string& target, bool replace) {
  namespace fs = std::filesystem;
  std::string part = target + ".XXXXXX";
  const int fd = ::mkstemp(part.data());
  std::error_code ec;
  if (fd < 0)
    ec.assign(errno, std::generic_category());
  else
    ::close(fd);
  if (!ec) fs::copy_file(source, part, fs::copy_options::overwrite_existing, ec);
  if (!ec)
    fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    ec);
  if (!ec && replace) fs::rename(part, target, ec);
  if (!ec && !replace && ::link(part.c_str(), target.c_str()) != 0 && errno != EEXIST)
    ec.assign(errno, std::generic_category());
  if (fd >= 0 && (ec || !replace)) ::unlink(part.c_str());
  if (ec)
    throw std::runtime_error("cannot copy '" + source + "' to '" + ExtractFilePath(target) +
                             "': " + ec.message());
}

}  // namespace

TSharedData::TSharedData() : TSharedData(TSharedDataOptions{}) {}

TSharedData::TSharedData(TSharedDataOptions options) : FOptions(std::move(options)) {
  FVolumes = FOptions.Volumes ? FOptions.Volumes : DefaultVolumes();
  FNotifier = FOptions.Notifier ? FOptions.Notifier : std::make_shared<TStderrNotifier>();
  try {
    Initialize(FOptions.ProgramDir, FOptions.VersionFile);
  } catch (const std::exception& e) {
    AppendError("Initialize: ", &e, "Initialize: Unknown error.");
  } catch (...) {
    AppendError("Initialize: ", nullptr, "Initialize: Unknown error.");
  }
}

TSharedData::~TSharedData() {
  if (FSession) {
    try {
      FSession->RemoveAllPasswords();
      FSession->Close();
    } catch (...) {
      // The session goes away regardless; nothing is left to report it to.
    }
    FResultTable = nullptr;
    FDatabase = nullptr;
    FSession.reset();
  }
  // The user settings file is not created in a directory that start-up did not recognise.
  std::error_code ec;
  if (FConfigIni && (FInstallationFound || std::filesystem::exists(FConfigIni->FileName(), ec))) {
    try {
      SaveParams();
    } catch (const std::exception& e) {
      try {
        FNotifier->ShowError(Title(), e.what());
      } catch (...) {
      }
    } catch (...) {
    }
    FConfigIni.reset();
  }
}

std::string TSharedData::ConfigFileName() const {
  return (FLayout.ConfigDir.empty() ? AppExeDir() : FLayout.ConfigDir) + Str_Lower(ProductId()) +
         "config.ini";
}

void TSharedData::AppendError(const std::string& prefix, const std::exception* error,
                              const std::string& unknownText, const std::string& suffix) {
  const char* message = error ? error->what() : nullptr;
  if (message && *message)
    FErrorText += prefix + message + suffix;
  else
    FErrorText += unknownText + suffix;
}

std::string TSharedData::EncryptPassword(const std::string& text) {
  try {
    return ScramblePassword(text);
  } catch (const std::exception& e) {
    AppendError("Restructure Table: ", &e, "Restructure Table: Unknown error.");
  } catch (...) {
    AppendError("Restructure Table: ", nullptr, "Restructure Table: Unknown error.");
  }
  return {};
}

std::string TSharedData::DecryptPassword(const std::string& text) {
  try {
    return UnscramblePassword(text);
  } catch (const std::exception& e) {
    AppendError("Restructure Table: ", &e, "Restructure Table: Unknown error.");
  } catch (...) {
    AppendError("Restructure Table: ", nullptr, "Restructure Table: Unknown error.");
  }
  return {};
}

// The installed program directory cannot hold the user's result table: the first start
// copies the installed empty one (with its blob and index files) into the data directory,
// the table file itself last, as its presence marks a finished copy. An existing table is
// the user's and stays. The copies are made writable whatever the template's mode.
void TSharedData::CopyResultTemplate() {
  namespace fs = std::filesystem;
  const std::string templateDir = FLayout.ReadOnlyDir + "data/";
  if (FLocalDir.empty() || FileExists(FLocalDir + FResultTableName) ||
      !FileExists(templateDir + FResultTableName))
    return;
  const std::string stem = fs::path(FResultTableName).stem().string();
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(templateDir, ec))
    if (e.is_regular_file() && e.path().stem() == stem && e.path().filename() != FResultTableName)
      names.push_back(e.path().filename().string());
  names.push_back(FResultTableName);
  for (const std::string& name : names) CopyWritable(templateDir + name, FLocalDir + name, true);
}

// A package ships the user settings file a user starts from (the grid's columns, which
// fields the record view shows) as defaults/ beside its setup file; the first start copies
// it to where the user settings file belongs. A user's own file stays, and unpacking a newer
// archive over a portable copy leaves it alone.
void TSharedData::CopySettingsTemplate() {
  const std::string target = ConfigFileName();
  const std::string source = FLayout.ReadOnlyDir + "defaults/" + ExtractFileName(target);
  if (FileExists(target) || !FileExists(source) || !FileExists(FLayout.ReadOnlyDir + "setup.ini"))
    return;
  MakeDirectory(FLayout.ConfigDir);
  CopyWritable(source, target, false);
}

void TSharedData::Initialize(const std::string& programDir, const std::string& versionFile) {
  // 1. Version block of the program.
  TFileVersionInfo version;
  if (!ReadFileVersionInfo(versionFile.empty() ? ProgramPath() : versionFile, version) &&
      versionFile.empty())
    version = BuiltInVersionInfo();
  FAppInfo.ProductName = version.ProductName;
  FAppInfo.ProductVersion = version.ProductVersion;
  FAppInfo.AppInternalName = version.InternalName;
  FAppInfo.AuthorCompany = version.CompanyName;
  FAppInfo.AuthorCopyright = version.LegalCopyright;

  // 2. Product code and program directory. The directory keeps its real case: on a file
  // system that tells case apart, a lower-cased path would name another directory.
  FAppInfo.ProductId = Str_Left(FAppInfo.AppInternalName, 2);
  FProgramDir = AbsoluteDir(programDir.empty() ? ExtractFilePath(ProgramPath()) : programDir);
  FAppInfo.AppExeDir = FProgramDir;
  // Everything below reads from or creates in this directory: a mistyped one must not
  // grow a tree of its own.
  if (!DirectoryExists(FProgramDir))
    throw std::runtime_error("program directory '" + FProgramDir + "' does not exist");
  // Portable or installed: where the read-only files come from and where ours go.
  FLayout = DecideLayout(FProgramDir);

  // 3. The distribution medium.
  FAppInfo.AppSrcDir = FindSourceDir("setup.ini");

  // 4. The table password.
  FAppInfo.DataPassword = DecryptPassword(EncryptPassword(kDataPasswordText));

  // 5.-7. Settings.
  FParams.SetValue("br", "\r\n");
  CopySettingsTemplate();
  FConfigIni = std::make_unique<TIniFile>(ConfigFileName());
  LoadParams();

  // 8. Source table: one given by the caller, the medium's, or the sample table.
  if (!FOptions.SourceTable.empty()) {
    FSourceDir = ExtractFilePath(AbsoluteFile(FOptions.SourceTable));
    FSourceTableName = ExtractFileName(FOptions.SourceTable);
  } else if (AppSrcDir().empty()) {
    FSourceDir = FLayout.ReadOnlyDir + "sample/";
    FSourceTableName = "sample.db";
    FNotifier->ShowInfo(Title(), Title() + " will run with sample data.");
  } else {
    // A setup file made on Windows writes the directory with backslashes.
    FSourceDir = AppSrcDir() + SlashPath(FParams.Value(keys::kDbPath));
    FSourceTableName = FParams.Value(keys::kDbName1);
  }

  // 9.-12. Local directories, then both tables, both misses reported. Without its source
  // table the directory is no installation of ours (a mistyped or shared folder given as
  // the program directory), so nothing is created there.
  const std::string sourcePath = FSourceDir + FSourceTableName;
  const bool sourceFound = FileExists(sourcePath);
  if (sourceFound) {
    // Installed, the user's settings directory too, and the user's result table.
    if (FLayout.IsInstalled()) MakeDirectory(FLayout.ConfigDir);
    MakeDirectory(FParams.Value(keys::kAppDataDir));
    MakeDirectory(FParams.Value(keys::kAppTempDir));
    FInstallationFound = true;
  }
  FLocalDir = FParams.Value(keys::kAppDataDir);
  FResultTableName = "swap.db";
  if (sourceFound && FLayout.IsInstalled()) CopyResultTemplate();
  if (!sourceFound) FErrorText += "\r\nFile not found. '" + sourcePath + "'";
  const std::string resultPath = FParams.Value(keys::kAppDataDir) + FResultTableName;
  if (!FileExists(resultPath)) FErrorText += "\r\nFile not found. '" + resultPath + "'";
  if (!FErrorText.empty()) return;

  // 13. Our own session over the result table.
  TPrivateSession own = OpenPrivateSession(ExcludeTrailingSlash(FLocalDir));
  FSession = std::move(own.Session);
  FDatabase = own.Database;
  FResultTable = FSession->CreateTable();
  FResultTable->SetDatabaseName(FDatabase->DatabaseName());
  FResultTable->SetTableName(FResultTableName);
  InitLocalTables();
}

}  // namespace lw
