// DoUpdate: one update run, phase by phase, with its status messages in order.
#include <sys/stat.h>
#include <unistd.h>

#include "CabExtract.h"
#include "Minisign.h"
#include "NetUpdate.h"
#include "TempFile.h"
#include "Transfer.h"
#include "TransferUrl.h"
#include "UpdateStatus.h"
#include "Versions.h"
#include "strutil/FileUtil.h"
#include "strutil/StrUtil.h"

namespace lw {

struct TNetUpdate::TRun {
  bool FileMode = false;
  bool Dialled = false;
  // Signed, fetched over https or from a local path: acted on as it says. Otherwise the
  // restricted rules for unsigned control files apply.
  bool Trusted = false;
  std::string ControlUrl;
  std::optional<TUpdateDate> NewDate;
  std::unique_ptr<TControlFile> Control;
};

namespace {

bool HangupMode(TNetUpdateConnect c) {
  return c == nucConnectPromptHangup || c == nucConnectSilentHangup;
}

// The dialling functions of the system do not exist here; a missing one counts as a
// successful dial.
bool Dial() {
  return true;
}

}  // namespace

void TNetUpdate::DoUpdate() {
  TRun run;
  FRestartNeeded = false;
  FFinished = false;
  FFailures = 0;
  FCancelled = false;
  run.FileMode = UpdateType == fileUpdate;
  const std::string remembered = URLGet();
  run.ControlUrl = ExpandPath(remembered.empty() ? URL : remembered);

  if (!run.FileMode) {
    DoStatus(usCheckingConnection);
    bool connected = Connected();
    if (!connected && UpdateConnect == nucNoConnect) return;
    if (!connected &&
        (UpdateConnect == nucConnectPrompt || UpdateConnect == nucConnectPromptHangup)) {
      DoStatus(usPromptDial);
      if (!Dial()) return;
      run.Dialled = connected = true;
    }
    if (!connected &&
        (UpdateConnect == nucConnectSilent || UpdateConnect == nucConnectSilentHangup)) {
      DoStatus(usDialling);
      if (!Dial()) return;
      run.Dialled = connected = true;
    }
    DoStatus(usConnected);
    // The transfer client needs no session of its own, so 922 cannot happen here; an
    // unusable proxy fails the first transfer instead.
    if (UpdateType == ftpUpdate) {
      DoStatus(usFtpConnect, Host);
      // Connecting and logging in is checked by listing the login directory.
      const TTransferRequest probe = Request("");
      try {
        FTransfer->Get(probe);
      } catch (const ETransferError& e) {
        ReportTransferError(e.Kind(), e.what());
        FTransfer->Disconnect();
        DoStatus(usFtpConnectFailed, Host);
        EndRun(run);
        return;
      }
    }
  }
  bool closing = true;
  try {
    closing = RunSteps(run);
  } catch (const EControlFileCount&) {
    throw;
  } catch (const std::exception& e) {
    // Out of memory, a file system that failed under us: the run ends with a word, never an
    // exception the owner did not ask for.
    ++FFailures;
    DoStatus(usStopped, e.what());
  }
  if (closing) EndRun(run);
}

// Steps 3 to 16; false when the run is over without the closing steps (file mode).
bool TNetUpdate::RunSteps(TRun& run) {
  if (FetchAndVerify(run) && Decide(run) && Ask(run)) {
    Download(run);
    Finish(run);
  }
  return !run.FileMode;
}

bool TNetUpdate::FetchAndVerify(TRun& run) {
  std::string effectiveUrl;
  const auto bytes = FetchText(run.ControlUrl, kMaxControlBytes, true, &effectiveUrl);
  if (!bytes) {
    DoStatus(usControlNotFound);
    return false;
  }
  DoStatus(usControlFound);
  const std::string name = URLtoFile(run.ControlUrl);
  {
    // Owners learn of every download by a local file name: a copy of the bytes just fetched,
    // under a name of this run's own, gone again once they were told.
    TTempFile copy(TempDirectory(), name + ".");
    if (copy.IsOpen() &&
        ::write(copy.Fd(), bytes->data(), bytes->size()) == static_cast<ssize_t>(bytes->size()))
      CustomProcess(copy.Path());
  }

  // A configured key: nothing of the file is acted on before its signature holds, for this
  // very file name.
  if (!UpdatePublicKey.empty()) {
    const auto signature = FetchText(run.ControlUrl + ".minisig", kMaxSignatureBytes, false);
    std::string error, comment;
    if (!signature || !VerifyMinisign(*bytes, *signature, UpdatePublicKey, error, &comment) ||
        TrustedCommentField(comment, "file") != name) {
      DoStatus(usInvalidSignature);
      return false;
    }
    run.Trusted = true;
  } else {
    run.Trusted = run.FileMode || (UpdateType == httpUpdate && UrlScheme(effectiveUrl) == "https");
  }

  run.Control = std::make_unique<TControlFile>(
      *bytes, [this](const std::string& v) { return ExpandPath(v); });
  if (SignatureCheck && run.Control->Signature() != Signature) {
    DoStatus(usInvalidSignature);
    return false;
  }
  return true;
}

bool TNetUpdate::Decide(TRun& run) {
  const TControlFile& control = *run.Control;
  const std::string dateText = control.Date();
  if (!dateText.empty()) {
    DoStatus(usDateUpdate);
    const auto date = ParseUpdateDate(dateText, DateFormat, DateSeparator);
    if (!date || !(UpdateDateGet() < *date)) {
      DoStatus(usNoNewVersion);
      return false;
    }
    run.NewDate = *date;
    DoStatus(usNewVersion, FormatShortDate(*date));
  }

  if (PostUpdateInfo.Enabled) {
    DoPostUpdateInfo();
    bool allow = true;
    if (OnProcessPostResult) OnProcessPostResult(allow);
    if (!allow) return false;
  }

  if (dateText.empty() && control.Unconditional().empty()) {
    const TUpdateCriteria c = control.UpdateCriteria();
    switch (UpdateKindOf("", c.NewVersion, c.LocalVersion, c.NewChecksum, c.NewSize)) {
      case TUpdateKind::Checksum:
        DoStatus(usChecksumUpdate);
        break;
      case TUpdateKind::Version:
        DoStatus(usVersionUpdate);
        break;
      case TUpdateKind::FileSize:
        DoStatus(usSizeUpdate);
        break;
      default:
        break;
    }
    if (!CheckVersions(c.NewVersion, c.LocalVersion, c.NewChecksum, c.NewSize)) {
      DoStatus(usNoNewVersion);
      return false;
    }
    DoStatus(usNewVersion, c.NewVersion);
  }

  // Decided once, before anything is shown, asked, remembered or downloaded.
  if (const std::string installed = InstalledTarget(control); !installed.empty()) {
    DoStatus(usInstalledCopy, installed);
    return false;
  }
  return true;
}

bool TNetUpdate::Ask(TRun& run) {
  const TControlFile& control = *run.Control;
  if (OnCustomValidate) {
    bool allow = true;
    OnCustomValidate(control.ValidateMsg(), control.ValidateParam(), allow);
    if (!allow) return false;
  }
  if (OnCustomProcess) OnCustomProcess(control.ProcessMsg(), control.ProcessParam());

  FRestartWanted = control.AppUpdate();
  FAppName = control.AppName();
  if (FAppName.empty()) FRestartWanted = false;
  if (FRestartWanted && Refused(run.Trusted, "restart of " + FAppName)) FRestartWanted = false;
  if (FAppName.find(' ') != std::string::npos) FAppName = "\"" + FAppName + "\"";
  FAppComps = control.AppComps();
  FSilentRestart = control.SilentRestart();

  if (const std::string msg = control.Msg(); !msg.empty()) {
    DoStatus(usMessage);
    if (OnShowMessage) OnShowMessage(msg, false);
  }
  if (const std::string html = control.HtmlDlg(); !html.empty()) {
    DoStatus(usHtmlDialog);
    ShowHTMLDialog(html);
  }
  if (const std::string before = control.RunBefore(); !before.empty())
    if (!Refused(run.Trusted, "runbefore " + before)) StartCommand(before);
  if (const std::string query = control.Query(); !query.empty()) {
    DoStatus(usQuery);
    if (!OnAskQuestion || !OnAskQuestion(query)) {
      FRestartWanted = false;
      return false;
    }
  }

  if (const std::string file = control.WhatsNewFile(); !file.empty()) {
    DoStatus(usWhatsNew);
    const TWhatsNewDialog d{control.WhatsNewCaption(), "", control.WhatsNewOkBtn(),
                            control.WhatsNewCancelBtn()};
    if (!WhatsNewDialog(file, d)) {
      DoStatus(usWhatsNewRefused);
      FRestartWanted = false;
      return false;
    }
  }
  if (const std::string file = control.EulaFile(); !file.empty()) {
    DoStatus(usEula);
    const TEulaDialog d{control.EulaCaption(), "", control.EulaOkBtn(), control.EulaAccept(),
                        control.EulaDecline()};
    if (!EULADialog(file, d)) {
      DoStatus(usEulaRefused);
      FRestartWanted = false;
      return false;
    }
  }
  if (FCancelled) return false;

  if (run.NewDate && !DryRun) UpdateDatePut(*run.NewDate);

  if (const std::string next = control.UpdateURL(); !next.empty()) {
    DoStatus(usRedirection);
    // An unsigned file must not send future runs elsewhere, least of all to an https server
    // of its own choosing whose control file would then be trusted.
    if (!Refused(run.Trusted, "updateURL " + next) && !DryRun) URLPut(next);
  }
  if (const std::string show = control.ShowURL(); !show.empty()) {
    DoStatus(usShowUrl);
    const std::string scheme = UrlScheme(show);
    if (run.Trusted || scheme == "http" || scheme == "https" ||
        !Refused(run.Trusted, "showURL " + show)) {
      const std::string url = MakeProxyUrl(show, ProxyUserID, ProxyPassword);
      if (OnOpenURL && !DryRun)
        OnOpenURL(url);
      else
        StartCommand("xdg-open \"" + url + "\"");  // nothing in a dry run
    }
  }
  return true;
}

void TNetUpdate::Download(TRun& run) {
  const TControlFile& control = *run.Control;
  if (control.FilesCount().empty()) return;
  const int count = control.FileCount();
  std::vector<std::string> selection;
  if (OnGetFileList) {
    for (int i = 1; i <= count; ++i) selection.push_back(control.File(i).Descr);
    OnGetFileList(selection);
  }
  DoStatus(usFileUpdate);
  bool prompt = UpdateUpdate != nuuSilent;
  for (int i = 1; i <= count && !FCancelled; ++i) {
    const TFileEntry e = control.File(i);
    const bool chosen =
        OnGetFileList ? (static_cast<size_t>(i) <= selection.size() && !selection[i - 1].empty())
                      : true;
    if (e.Url.empty() || !chosen) continue;
    const std::string targetDir = LocalPath(e.TargetDir);
    const std::string fileName = URLtoFile(e.Url);
    if (!run.Trusted && (!AllowedTarget(targetDir, fileName) || IsAppComponent(FAppComps, e.Url))) {
      Refused(run.Trusted, "target " + targetDir + fileName);
      continue;
    }
    if (!DryRun && !targetDir.empty() && !DirectoryExists(targetDir))
      ::mkdir(targetDir.c_str(), 0777);
    if (!CheckVersions(e.Criteria.NewVersion, e.Criteria.LocalVersion, e.Criteria.NewChecksum,
                       e.Criteria.NewSize))
      continue;
    if (OnFileVersionCheck && !e.CustomVersion.empty()) {
      bool isNew = true;
      OnFileVersionCheck(e.CustomVersion, e.Criteria.LocalVersion, isNew);
      if (!isNew) continue;
    }
    DoStatus(usDownloadUpdate, e.Url);
    if (DryRun) continue;
    if (UpdateUpdate == nuuPromptAll) {
      if (!OnAskQuestion || !OnAskQuestion(FormatUpdateStatus(usAskDownloadFile, "") + fileName))
        continue;
    } else if (UpdateUpdate == nuuPromptOnce && prompt) {
      if (!OnAskQuestion || !OnAskQuestion(FormatUpdateStatus(usAskDownloadFiles, ""))) break;
    }
    if (UpdateUpdate == nuuPromptOnce) prompt = false;
    const bool component = IsAppComponent(FAppComps, e.Url);
    const bool cabinet = ExtractCAB && Str_SameText(ExtractFileExt(fileName), ".CAB") && !component;
    // The size the entry announces for the file as served, else its new size, is what the
    // download may grow to; an LZ file may be a little larger than what it expands to, a
    // cabinet holds more than the one file compared.
    int64_t limit = e.Size;
    if (limit <= 0 && e.Criteria.NewSize > 0 && !cabinet)
      limit = e.Compressed ? e.Criteria.NewSize + e.Criteria.NewSize / 8 + 64 : e.Criteria.NewSize;
    if (!URLGetFile(e.Url, e.Compressed, targetDir, e.Sha256, limit)) {
      DoStatus(usDownloadFailed, e.Url);
      ++FFailures;
      FRestartWanted = false;
      continue;
    }
    if (component) FRestartNeeded = true;
    if (cabinet) {
      const std::string cab = targetDir + fileName;
      if (!Fits(cab, CabDeclaredSize(cab), targetDir) || CabExtract(cab, targetDir) != 0) {
        DoStatus(usCabFailed, cab);
        ++FFailures;
      } else {
        ::unlink(cab.c_str());
      }
    }
  }
}

void TNetUpdate::Finish(TRun& run) {
  if (FCancelled) return;
  if (const std::string after = run.Control->RunAfter(); !after.empty())
    if (!Refused(run.Trusted, "runafter " + after)) StartCommand(after);
  DoStatus(usFinished);
  FFinished = true;
}

bool TNetUpdate::IsAppComponent(const std::string& appComps, const std::string& url) {
  return !appComps.empty() && Str_Pos(Str_Upper(appComps), Str_Upper(URLtoFile(url))) > 0;
}

// Steps 17 to 19.
void TNetUpdate::EndRun(TRun&) {
  FTransfer->Disconnect();
  (void)HangupMode(UpdateConnect);  // hanging up is a no-op without dialling functions
  DoStatus(usClosed);
  if (FRestartWanted && FRestartNeeded && !FInThread && !DryRun && !FCancelled) DoRestart();
}

}  // namespace lw
