#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "FieldDefs.h"
#include "IniFile.h"
#include "Layout.h"
#include "Notifier.h"
#include "Params.h"
#include "strutil/Volumes.h"

namespace lw {

class TSession;
class TDatabase;
class TTable;

// The application information: the program's version block and what start-up works out.
struct TAppInfo {
  std::string ProductName;  // also the application title
  std::string ProductVersion;
  std::string AppInternalName;
  std::string ProductId;  // first two characters of AppInternalName ("LW")
  std::string AuthorCompany;
  std::string AuthorCopyright;
  std::string AppExeDir;     // program directory, with trailing '/' (real case kept)
  std::string AppSrcDir;     // root of the distribution medium with trailing '/', or ""
  std::string DataPassword;  // password of the protected tables
  std::string NetNewsURL;    // news address (the news_url setting) or ""
};

// What start-up uses from the outside world; every member has a default, so
// TSharedData() runs the real program's start-up.
struct TSharedDataOptions {
  // The program directory; its layout (portable or installed) says where setup.ini,
  // lwconfig.ini, sample/sample.db and data/swap.db are looked for. Empty: the directory of
  // the running executable (/proc/self/exe).
  std::string ProgramDir;
  // The file whose embedded version block fills the application information. Empty: the
  // running executable, or the values compiled into this library when it carries no block.
  std::string VersionFile;
  // The mounted volumes searched for the distribution medium. Null: the machine's mounts.
  std::shared_ptr<TVolumeSource> Volumes;
  // Where the sample-data notice goes. Null: a TStderrNotifier.
  std::shared_ptr<TNotifier> Notifier;
  // A table file of the listings layout that the searches read instead of the medium's
  // table or the sample (the command-line tool's --table), and its password, if any.
  std::string SourceTable;
  std::string SourcePassword;
};

// The one object through which windows, the worker and the command-line tool reach the
// settings, the data locations and the local result table.
//
// Construction never throws: every failure lands in ErrorText (empty means ready). Session,
// Database and ResultTable exist only when the start-up file checks passed. Destruction
// closes the session and then writes the "Application" settings back to ConfigIni.
//
// Threads: the object lives on the user-interface thread (or the command-line tool's only
// thread) and nothing in it is guarded. A search worker reads it only while it is being
// constructed on that thread (it copies the password, the locations and app_datadir), so
// settings may change while a search runs; they apply from the next search on. The result
// table here is the grid's cursor, read on the user-interface thread while the worker
// appends to the same file through a table of its own session. The notifier is called on
// the thread that calls the member reporting through it.
class TSharedData {
 public:
  TSharedData();
  explicit TSharedData(TSharedDataOptions options);
  ~TSharedData();
  TSharedData(const TSharedData&) = delete;
  TSharedData& operator=(const TSharedData&) = delete;

  // --- settings ---
  TParams& Params() { return FParams; }
  const TParams& Params() const { return FParams; }
  TIniFile* ConfigIni() const { return FConfigIni.get(); }  // user settings file, or null

  // --- errors ---
  const std::string& ErrorText() const { return FErrorText; }
  void SetErrorText(const std::string& text) { FErrorText = text; }
  bool GetSuccess() const { return FErrorText.empty(); }

  // --- application information ---
  const TAppInfo& AppInfo() const { return FAppInfo; }
  TAppInfo& AppInfo() { return FAppInfo; }
  const std::string& ProductName() const { return FAppInfo.ProductName; }
  const std::string& ProductVersion() const { return FAppInfo.ProductVersion; }
  const std::string& AppInternalName() const { return FAppInfo.AppInternalName; }
  const std::string& ProductId() const { return FAppInfo.ProductId; }
  const std::string& AuthorCompany() const { return FAppInfo.AuthorCompany; }
  const std::string& AuthorCopyright() const { return FAppInfo.AuthorCopyright; }
  const std::string& AppExeDir() const { return FAppInfo.AppExeDir; }
  const std::string& AppSrcDir() const { return FAppInfo.AppSrcDir; }
  const std::string& DataPassword() const { return FAppInfo.DataPassword; }
  const std::string& NetNewsURL() const { return FAppInfo.NetNewsURL; }
  // Portable or installed, and the directories that follow from it (decided at start).
  const TLayout& Layout() const { return FLayout; }
  // The application title (the product name).
  const std::string& Title() const { return FAppInfo.ProductName; }

  // --- data locations ---
  const std::string& SourceDir() const { return FSourceDir; }  // with trailing '/'
  const std::string& SourceTableName() const { return FSourceTableName; }
  const std::string& LocalDir() const { return FLocalDir; }                // app_datadir at start
  const std::string& ResultTableName() const { return FResultTableName; }  // "swap.db"
  // The password of a source table given in the options, registered by the worker besides
  // DataPassword; "" otherwise.
  const std::string& SourcePassword() const { return FOptions.SourcePassword; }
  // The user settings file's path: the layout's settings directory (the program directory
  // when portable) + lower-cased ProductId + "config.ini".
  std::string ConfigFileName() const;

  // --- table engine (owned by Session; null when start-up failed its checks) ---
  TSession* Session() const { return FSession.get(); }
  TDatabase* Database() const { return FDatabase; }
  TTable* ResultTable() const { return FResultTable; }

  // --- operations ---
  // Root (with trailing '/') of the first mounted volume, in mount-point order, whose label
  // or network source carries a volume marker and whose root holds `fileName`; "" if none.
  std::string FindSourceDir(const std::string& fileName);
  // Opens Session and Database, registers DataPassword, opens ResultTable and refreshes its
  // field and index definitions. Errors go to ErrorText.
  void InitLocalTables();
  // Clears ErrorText, recreates the table's file empty with its current definitions and
  // protects it with `password` (DataPassword when empty). Leaves the table open or closed
  // and exclusive or not as it was. Errors go to ErrorText.
  void RestructureTable(TTable* table, const std::string& password);
  // Makes the searches read another table of the listings layout from now on (the caller has
  // checked its layout and password). When its fields differ from those the result table
  // holds after "Result", the result table is recreated empty from them; returns whether it
  // was. Throws when the table cannot be read or the result table not recreated.
  bool SetSourceTable(const std::string& path, const std::string& password);
  std::string EncryptPassword(const std::string& text);
  std::string DecryptPassword(const std::string& text);
  // Fills Params from the setup file and ConfigIni; errors propagate.
  void LoadParams();
  // Writes the "Application" settings to ConfigIni, places inside the program directory
  // relative to it; throws "Unable to write to <file>".
  void SaveParams();
  // A directory setting as the program uses it: a relative value is taken from the layout's
  // home (the program directory when portable, the user's data directory when installed),
  // an absolute one (older files wrote those) as it is.
  std::string ProgramPlace(const std::string& setting) const;
  // A directory as the user settings file keeps it: relative when inside the layout's home.
  std::string PlaceSetting(const std::string& dir) const;
  // The news file: the news_file setting, a relative name taken from the layout's news
  // directory (the program directory when portable, the user's data directory when
  // installed, which the program can write); "" when there is no news.
  std::string NewsFilePath() const;

  TNotifier& Notifier() const { return *FNotifier; }
  TVolumeSource& Volumes() const { return *FVolumes; }

 private:
  void Initialize(const std::string& programDir, const std::string& versionFile);
  void CopyResultTemplate();
  void CopySettingsTemplate();
  const std::string& PlaceHome() const;
  // Recreates the result table empty from the source table's fields; `reason` is why it did
  // not open. Throws when that fails too.
  void RebuildResultTable(const std::string& reason);
  // The source table's fields, read with the passwords of this session.
  std::vector<TFieldDef> SourceFields();
  void RecreateResultTable(const std::vector<TFieldDef>& sourceFields);
  void AppendError(const std::string& prefix, const std::exception* error,
                   const std::string& unknownText, const std::string& suffix = "");

  TSharedDataOptions FOptions;
  std::shared_ptr<TVolumeSource> FVolumes;
  std::shared_ptr<TNotifier> FNotifier;
  TParams FParams;
  std::string FErrorText;
  std::unique_ptr<TIniFile> FConfigIni;
  TAppInfo FAppInfo;
  std::string FProgramDir;  // program directory as the system reports it, with '/'
  TLayout FLayout;
  // The source table was found and the local directories made: the directory is an
  // installation, and the user settings file may be created in it.
  bool FInstallationFound = false;
  std::string FSourceDir;
  std::string FSourceTableName;
  std::string FLocalDir;
  std::string FResultTableName;
  std::unique_ptr<TSession> FSession;
  TDatabase* FDatabase = nullptr;
  TTable* FResultTable = nullptr;
};

}  // namespace lw
