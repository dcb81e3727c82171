#include "NetUpdate.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

#include <cstdlib>

#include "IniFile.h"
#include "Process.h"
#include "Transfer.h"
#include "TransferUrl.h"
#include "UpdateStatus.h"
#include "Versions.h"
#include "strutil/FileUtil.h"
#include "strutil/StrUtil.h"
#include "strutil/SysUtil.h"

namespace lw {

#ifndef LW_UPDATE_PUBLIC_KEY
#define LW_UPDATE_PUBLIC_KEY ""
#endif

std::string BuiltInUpdatePublicKey() {
  return LW_UPDATE_PUBLIC_KEY;
}

TNetUpdate::TNetUpdate() : FTransfer(std::make_unique<TTransfer>()) {
  UpdatePublicKey = BuiltInUpdatePublicKey();
  Layout = DecideLayout(ExtractFilePath(ProgramPath()));
}

TNetUpdate::~TNetUpdate() {
  WaitForThread();
}

bool TNetUpdate::CheckVersions(const std::string& newVersion, const std::string& localFile,
                               int64_t newChecksum, int64_t newSize) {
  return lw::CheckVersions(newVersion, LocalPath(localFile), newChecksum, newSize);
}

std::string TNetUpdate::ExpandPath(const std::string& text) {
  return lw::ExpandPath(text, OnConvertPrefix,
                        [this](const std::string& name) { return ConvertPrefix(name); });
}

std::string TNetUpdate::ConvertPrefix(const std::string& name) {
  // An installed program is started from anywhere (a desktop menu, a shell): its current
  // directory says nothing about where the application lives.
  if (name == "APP" && Layout.IsInstalled()) return Layout.ProgramDir;
  if (name == "APP" && !AppDirectory.empty()) return AppDirectory;
  return DefaultPrefixDirectory(name);
}

std::string TNetUpdate::URLtoFile(const std::string& url) {
  return UrlToFile(url);
}

std::string TNetUpdate::MakeProxyUrl(const std::string& url, const std::string& userId,
                                     const std::string& password) {
  if (userId.empty() || !Str_SameText(Str_Left(url, 7), "HTTP://")) return url;
  return "http://" + userId + ":" + password + "@" + url.substr(7);
}

void TNetUpdate::DoStatus(int id, const std::string& arg, int statusCode, int errCode) {
  // A password written into an update address is the user's: no line shows or logs it.
  if (OnStatus) OnStatus(RedactUrlsIn(FormatUpdateStatus(id, arg)), statusCode, errCode);
}

void TNetUpdate::DoStatus(int id, const std::string& arg) {
  const TUpdateStatusText t = UpdateStatusText(id);
  DoStatus(id, arg, t.StatusCode, t.ErrorCode);
}

void TNetUpdate::CustomProcess(const std::string& localFile) {
  if (OnFileDownloaded) OnFileDownloaded(localFile);
}

void TNetUpdate::ShowHTMLDialog(const std::string&) {
  // The HTML dialog instruction is reported (935) and shows nothing.
}

// --- remembered values ---------------------------------------------------------------------

std::string TNetUpdate::RememberFile() {
  std::string dir = GetSpecialFolderLocation(nullptr, sfAppData);
  if (dir.empty()) dir = TempDirectory();
  return IncludeTrailingSlash(dir) + "ledgerwake/update.ini";
}

namespace {

std::string RememberSection(const TLastURLEntry& e) {
  return e.Key + "\\" + e.Section;
}

bool WriteRemembered(const TLastURLEntry& e, const char* name, const std::string& value) {
  const std::string file = TNetUpdate::RememberFile();
  ForceDirectories(ExtractFilePath(file));
  try {
    TIniFile(file).WriteString(RememberSection(e), name, value);
    return true;
  } catch (const std::exception&) {
    return false;  // not remembering is not worth failing a run for
  }
}

}  // namespace

std::string TNetUpdate::URLGet() {
  const TLastURLEntry& e = LastURLEntry;
  if (e.Key.empty() || e.Section.empty() || !e.Save) return {};
  return TIniFile(RememberFile()).ReadString(RememberSection(e), "LastURL", "");
}

void TNetUpdate::URLPut(const std::string& url) {
  const TLastURLEntry& e = LastURLEntry;
  if (e.Key.empty() || e.Section.empty() || !e.Save) return;
  WriteRemembered(e, "LastURL", url);
}

TUpdateDate TNetUpdate::UpdateDateGet() {
  const TLastURLEntry& e = LastURLEntry;
  if (e.Key.empty() || e.Section.empty()) return kNoUpdateDate;
  const auto d =
      ParseShortDate(TIniFile(RememberFile()).ReadString(RememberSection(e), "LastDate", ""));
  return d ? *d : kNoUpdateDate;
}

void TNetUpdate::UpdateDatePut(const TUpdateDate& date) {
  const TLastURLEntry& e = LastURLEntry;
  if (e.Key.empty() || e.Section.empty() || !e.Save) return;
  WriteRemembered(e, "LastDate", FormatShortDate(date));
}

// --- connection ----------------------------------------------------------------------------

bool TNetUpdate::DefaultConnected(const std::string& url) {
  const std::string host = Str_Lower(ExtractServer(url));
  if (host.rfind("127.", 0) == 0 || host.rfind("localhost", 0) == 0 || host.rfind("[::1]", 0) == 0)
    return true;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return false;
  bool up = false;
  for (ifaddrs* i = list; i && !up; i = i->ifa_next)
    up = i->ifa_addr && (i->ifa_flags & IFF_UP) && (i->ifa_flags & IFF_RUNNING) &&
         !(i->ifa_flags & IFF_LOOPBACK) &&
         (i->ifa_addr->sa_family == AF_INET || i->ifa_addr->sa_family == AF_INET6);
  ::freeifaddrs(list);
  return up;
}

bool TNetUpdate::Connected() {
  // On Linux "connected" means a network interface other than loopback is up with an
  // address (there is no dial-up state to ask); owners and tests may supply their own check.
  if (ConnectedCheck) return ConnectedCheck();
  return DefaultConnected(URL);
}

int TNetUpdate::ConnectionType() {
  return Connected() ? 0 : -1;
}

// --- POST ----------------------------------------------------------------------------------

void TNetUpdate::DoPostUpdateInfo() {
  TPostUpdateInfo& p = PostUpdateInfo;
  if (!p.Enabled || p.Server.empty() || p.Action.empty()) return;
  p.PostResult.clear();
  const std::string server = p.Server.find(':') == std::string::npos ? p.Server + ":80" : p.Server;
  TTransferRequest request;
  request.Url = "http://" + server + (p.Action.front() == '/' ? "" : "/") + p.Action;
  request.PostBody = p.Data;
  request.ContentType = "application/x-www-form-urlencoded";
  request.UserAgent = "TNetUpdate";
  request.Proxy = Proxy;
  request.FailOnHttpError = false;
  request.Pump = [this] {
    ProcessMessages();
    return !PollCancel();
  };
  try {
    p.PostResult = FTransfer->Get(request).Body;
  } catch (const ETransferError&) {
    // The answer stays empty; the owner's OnProcessPostResult decides what follows.
  }
}

// --- worker thread -------------------------------------------------------------------------

void TNetUpdate::DoThreadUpdate() {
  WaitForThread();
  FInThread = true;
  FThread = std::thread([this] {
    try {
      DoUpdate();
    } catch (const std::exception& e) {
      if (OnShowMessage) OnShowMessage(e.what(), true);
    }
    auto done = [this] {
      if (OnThreadUpdateDone) OnThreadUpdateDone();
      FInThread = false;
      if (FRestartWanted) DoRestart();
    };
    if (OnSynchronize)
      OnSynchronize(done);
    else
      done();
  });
}

void TNetUpdate::WaitForThread() {
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TNetUpdate::ProcessMessages() {
  if (OnProcessMessages) OnProcessMessages();
}

bool TNetUpdate::StartCommand(const std::string& commandLine) {
  if (DryRun) return false;
  std::string error;
  int code = 0;
  return StartCommandLine(LocalPath(commandLine), error, code) > 0;
}

}  // namespace lw
