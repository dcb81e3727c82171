#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ControlFile.h"
#include "Layout.h"
#include "PathExpand.h"
#include "UpdateDate.h"

namespace lw {

class TTransfer;
struct TTransferRequest;
class ETransferError;

enum TNetUpdateType { ftpUpdate, httpUpdate, fileUpdate };
enum TNetUpdateConnect {
  nucNoConnect,
  nucConnectPrompt,
  nucConnectSilent,
  nucConnectPromptHangup,
  nucConnectSilentHangup
};
enum TNetUpdateUpdate { nuuPromptOnce, nuuPromptAll, nuuSilent };

// Where the engine remembers the redirected control-file URL ("LastURL") and the date of the
// last date-based update ("LastDate"): section "<Key>\<Section>" of the INI file
// "ledgerwake/update.ini" in the user's configuration directory ($XDG_CONFIG_HOME, else
// ~/.config).
struct TLastURLEntry {
  bool Save = false;
  std::string Key;
  std::string Section;
};

// The optional form POST made when an update was found.
struct TPostUpdateInfo {
  std::string Server;  // host, optionally ":port" (80 otherwise)
  std::string Action;  // the object requested, "/path"
  std::string Data;    // form-encoded body
  bool Enabled = false;
  std::string PostResult;  // the server's answer of the last POST
};

// The what's-new and licence texts the owner shows; the answers say whether the user went on.
struct TWhatsNewDialog {
  std::string Caption, Text, OkCaption, CancelCaption;
};
struct TEulaDialog {
  std::string Caption, Text, OkCaption, AcceptCaption, DeclineCaption;
};

// The engine's settings, named and defaulted like the component's published properties.
struct TNetUpdateProperties {
  std::string URL;
  TNetUpdateType UpdateType = ftpUpdate;
  TNetUpdateConnect UpdateConnect = nucNoConnect;
  TNetUpdateUpdate UpdateUpdate = nuuPromptOnce;
  std::string Proxy;  // "host:port" or a proxy URL; empty: no proxy
  std::string ProxyUserID, ProxyPassword;
  std::string Host;
  int Port = 21;
  std::string UserID, Password;
  std::string FTPDirectory;
  bool FTPPassive = false;
  std::string Signature = "NetUpdate";
  bool SignatureCheck = false;
  std::string DateFormat = "dd/mm/yyyy";
  char DateSeparator = '/';
  bool ExtractCAB = false;
  TLastURLEntry LastURLEntry;
  TPostUpdateInfo PostUpdateInfo;
  // A minisign public key (base64 line). When set, a control file is acted on only with a
  // valid detached signature at its URL + ".minisig". Defaults to the key built into the
  // program (empty unless the build names one).
  std::string UpdatePublicKey;
  // The updater program put into the temporary directory at a restart; default: "upd" in
  // the layout's updater directory.
  std::string UpdaterProgram;
  // Where the program lives; default: the layout of the running program's directory. In
  // the installed layout "{APP}" is the program directory, and a control file that would
  // change the installation is refused as a whole (951) before anything is downloaded: the
  // system's package manager updates an installed copy.
  TLayout Layout;
  // What {APP} stands for in a portable program when it is not the current directory (a
  // command told where the program lives); "" keeps the current directory. An installed
  // program's {APP} is always its program directory.
  std::string AppDirectory;
  // A run that decides and reports everything but changes nothing: no file is downloaded
  // (each entry that would be is reported with 945), no command or page is started, nothing
  // is remembered and there is no restart.
  bool DryRun = false;
  // Whether the system has an Internet connection; default: DefaultConnected.
  std::function<bool()> ConnectedCheck;
};

// The events, each optional. They run on the thread that runs the update.
struct TNetUpdateEvents {
  std::function<void(const std::string& statusStr, int statusCode, int errCode)> OnStatus;
  std::function<void(const std::string& fileName, int64_t pos, int64_t size)> OnFileProgress;
  std::function<void(bool& cancel)> OnProgressCancel;
  std::function<void(const std::string& fileName)> OnFileDownloaded;
  std::function<void(std::vector<std::string>& list)> OnGetFileList;
  std::function<void(std::string& path)> OnConvertPrefix;
  std::function<void(const std::string& newVersion, const std::string& localVersion, bool& isNew)>
      OnFileVersionCheck;
  std::function<void(const std::string& msg, const std::string& param, bool& allow)>
      OnCustomValidate;
  std::function<void(const std::string& msg, const std::string& param)> OnCustomProcess;
  std::function<void(bool& allowPostResult)> OnProcessPostResult;
  std::function<void(bool& allow)> OnAppRestart;
  std::function<void()> OnAppDoClose;
  std::function<void()> OnThreadUpdateDone;
  std::function<void(const std::string& action)> OnProgress;  // never fired

  // What a desktop would show itself, supplied by the owner (a window, the command line, a
  // test). Without a handler a message is dropped, a question answers No and a dialog
  // counts as refused.
  std::function<void(const std::string& text, bool error)> OnShowMessage;
  std::function<bool(const std::string& question)> OnAskQuestion;
  std::function<bool(const TWhatsNewDialog&)> OnWhatsNewDialog;
  std::function<bool(const TEulaDialog&)> OnEulaDialog;
  std::function<void(const std::string& url)> OnOpenURL;  // default: xdg-open
  // Lets the owner's user interface process its pending events during transfers.
  std::function<void()> OnProcessMessages;
  // Runs a function on the owner's thread (DoThreadUpdate's end); default: directly.
  std::function<void(std::function<void()>)> OnSynchronize;
};

// The update engine: one DoUpdate fetches the control file, decides, asks, downloads,
// unpacks and, when parts of the program were replaced, hands over to the updater program.
// Everything it has to say goes through numbered status messages (OnStatus) and events.
//
// Trust: the control file is fetched once into memory (at most kMaxControlBytes), its
// signature is verified on exactly those bytes, and the run acts only on that one parse.
// With a public key every control file must be signed, and its signature's trusted comment
// must name the control file ("file:<name>"). Without a key, a control file fetched over
// https (certificate verified) or from a local path is acted on as it says; one fetched over
// plain http or FTP may only download files below the layout's data directory or {TMP}:
// commands, restarts, redirections of the control file and any other target are refused
// (status 952) and counted as failures.
//
// Threads: while a DoThreadUpdate run is going the owner may call Cancel, RunningInThread
// and WaitForThread only; properties and event handlers must stay as they are until
// OnThreadUpdateDone. The events run on the worker thread, except OnThreadUpdateDone.
class TNetUpdate : public TNetUpdateProperties, public TNetUpdateEvents {
 public:
  static constexpr int64_t kMaxControlBytes = 1 << 20;
  static constexpr int64_t kMaxSignatureBytes = 4096;
  static constexpr int64_t kMaxTextBytes = 1 << 20;  // what's-new and licence texts

  TNetUpdate();
  virtual ~TNetUpdate();
  TNetUpdate(const TNetUpdate&) = delete;
  TNetUpdate& operator=(const TNetUpdate&) = delete;

  // One whole update run. Failures become status messages; only a `files` count that is not
  // a number leaves as an exception (EControlFileCount).
  void DoUpdate();
  // Ends the running run as soon as it can: the transfer under way stops, nothing further is
  // downloaded, run or asked, and the run's temporary files go. Safe from any thread (a
  // signal watcher, the window of a threaded run).
  void Cancel() { FCancelled = true; }
  // DoUpdate on a worker thread; OnThreadUpdateDone then runs through OnSynchronize.
  void DoThreadUpdate();
  // Waits for a DoThreadUpdate run to end.
  void WaitForThread();

  // One download (HTTP or FTP by UpdateType, a copy in file mode) into `target`, a file name
  // or a directory (empty or ending in a separator: the URL's file name is added). With
  // `sha256` the file must have that digest. True when the file is in place.
  // `maxBytes` (> 0) is the most the file may have; a larger one fails with status 953.
  bool URLGetFile(const std::string& url, bool compressed, const std::string& target,
                  const std::string& sha256 = "", int64_t maxBytes = 0);
  // A file copy in 16384-byte blocks; the target is replaced in one step when the copy is
  // complete.
  bool FileGetFile(const std::string& source, const std::string& target);

  virtual bool CheckVersions(const std::string& newVersion, const std::string& localFile,
                             int64_t newChecksum, int64_t newSize);
  std::string ExpandPath(const std::string& text);
  virtual std::string ConvertPrefix(const std::string& name);
  // In the installed layout, the directory of the installation that the control file would
  // change (a file entry's target that needs updating, or a restart that replaces parts of
  // the program); "" when it changes none, and always in the portable layout.
  std::string InstalledTarget(const TControlFile& control);
  static std::string URLtoFile(const std::string& url);
  // Whether the file downloaded from `url` is one of the application's components
  // (`appComps`), which the updater puts in place at the restart.
  static bool IsAppComponent(const std::string& appComps, const std::string& url);
  static std::string MakeProxyUrl(const std::string& url, const std::string& userId,
                                  const std::string& password);
  virtual void DoStatus(int id, const std::string& arg, int statusCode, int errCode);
  void DoStatus(int id, const std::string& arg = "");
  virtual bool WhatsNewDialog(const std::string& url, const TWhatsNewDialog& dialog);
  virtual bool EULADialog(const std::string& url, const TEulaDialog& dialog);
  void DoRestart();
  // Puts the updater program into the temporary directory as "upd"; false when it cannot
  // (errno then says why).
  virtual bool ExtractUpdateResource();
  // Where the updater program is copied from.
  std::string UpdaterSource() const;
  virtual void CustomProcess(const std::string& localFile);
  std::string URLGet();
  void URLPut(const std::string& url);
  TUpdateDate UpdateDateGet();
  void UpdateDatePut(const TUpdateDate& date);
  bool Connected();
  int ConnectionType();
  void ShowHTMLDialog(const std::string& path);
  void DoPostUpdateInfo();

  // The run state the owner may look at.
  // Whether the last run processed its control file to the end (status 948).
  bool Finished() const { return FFinished; }
  // The failures of the last run: downloads and unpackings that failed, refusals of what an
  // unsigned control file asked, an updater that could not be started.
  int Failures() const { return FFailures; }
  bool RestartWanted() const { return FRestartWanted; }
  bool RestartNeeded() const { return FRestartNeeded; }
  bool RunningInThread() const { return FInThread; }
  const std::string& AppName() const { return FAppName; }
  const std::string& AppComps() const { return FAppComps; }

  // The temporary directory the engine uses, with a trailing '/'.
  static std::string TempDirectory();
  // The file that holds the remembered values.
  static std::string RememberFile();
  // True when a network interface other than loopback is up and has an address, or when
  // `url` names a loopback host (such a server needs no network).
  static bool DefaultConnected(const std::string& url);

 private:
  struct TRun;
  bool RunSteps(TRun& run);
  // The phases of a run; each answers whether the run goes on.
  bool FetchAndVerify(TRun& run);
  bool Decide(TRun& run);
  bool Ask(TRun& run);
  void Download(TRun& run);
  void Finish(TRun& run);
  void EndRun(TRun& run);
  // What an unsigned control file fetched over plain http or FTP may not do: reported
  // (952) and counted; true when `what` is refused.
  bool Refused(bool trusted, const std::string& what);
  // Whether an unsigned control file may put a file into `targetDir`: below the data
  // directory or the temporary directory, as the file system resolves the path.
  bool AllowedTarget(const std::string& targetDir, const std::string& fileName) const;
  bool StartCommand(const std::string& commandLine);
  void ReportTransferError(int kind, const std::string& message);
  bool Receive(const std::string& url, const std::string& localName, const std::string& sha256,
               int64_t maxBytes);
  bool CopyInto(const std::string& source, const std::string& target, const std::string& sha256,
                int64_t maxBytes = 0);
  // A request for `url` in the run's mode: FTP names the file on Host in FTPDirectory.
  TTransferRequest Request(const std::string& url);
  // Fetches a text the run acts on into memory, at most `limit` bytes; `effectiveUrl` gets
  // where it came from after redirects. With `report` the download is reported like any
  // other (915, then 916/917/953 on failure).
  std::optional<std::string> FetchText(const std::string& url, int64_t limit, bool report,
                                       std::string* effectiveUrl = nullptr);
  // Whether a file unpacked to `declared` bytes fits in `dir`; reports 953 when not.
  bool Fits(const std::string& what, int64_t declared, const std::string& dir);
  void ReportDownloadFailure(const ETransferError& e, const std::string& url);
  bool PollCancel();
  void ProcessMessages();

  std::unique_ptr<TTransfer> FTransfer;
  bool FRestartWanted = false;
  bool FRestartNeeded = false;
  bool FSilentRestart = false;
  bool FFinished = false;
  int FFailures = 0;
  std::atomic<bool> FCancelled{false};
  std::atomic<bool> FInThread{false};
  std::string FAppName, FAppComps;
  std::thread FThread;
};

// The public key built into the program ("" unless the build sets LW_UPDATE_PUBLIC_KEY).
std::string BuiltInUpdatePublicKey();

}  // namespace lw
