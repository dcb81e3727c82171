// DoUpdate: one update run, step by step, with its status messages in order.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "CabExtract.h"
#include "Minisign.h"
#include "NetUpdate.h"
#include "Transfer.h"
#include "UpdateStatus.h"
#include "Versions.h"
#include "strutil/FileUtil.h"
#include "strutil/StrUtil.h"

namespace lw {

struct TNetUpdate::TRun {
  bool FileMode = false;
  bool Dialled = false;
  std::string ControlUrl;
  std::string ControlLocal;  // the local copy, once downloaded
  std::optional<TUpdateDate> NewDate;
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
  run.FileMode = UpdateType == fileUpdate;
  const std::string remembered = URLGet();
  run.ControlUrl = ExpandPath(remembered.empty() ? URL : remembered);

  if (!run.FileMode) {
    DoStatus(918);
    bool connected = Connected();
    if (!connected && UpdateConnect == nucNoConnect) return;
    if (!connected &&
        (UpdateConnect == nucConnectPrompt || UpdateConnect == nucConnectPromptHangup)) {
      DoStatus(919);
      if (!Dial()) return;
      run.Dialled = connected = true;
    }
    if (!connected &&
        (UpdateConnect == nucConnectSilent || UpdateConnect == nucConnectSilentHangup)) {
      DoStatus(920);
      if (!Dial()) return;
      run.Dialled = connected = true;
    }
    DoStatus(921);
    // The transfer client needs no session of its own, so 922 cannot happen here; an
    // unusable proxy fails the first transfer instead.
    if (UpdateType == ftpUpdate) {
      DoStatus(923, Host);
      // Connecting and logging in is checked by listing the login directory.
      const TTransferRequest probe = Request("");
      try {
        FTransfer->Get(probe);
      } catch (const ETransferError& e) {
        ReportTransferError(e.Kind(), e.what());
        FTransfer->Disconnect();
        DoStatus(924, Host);
        EndRun(run);
        return;
      }
    }
  }
  if (RunSteps(run)) EndRun(run);
}

// Steps 3 to 16; false when the run is over without the closing steps (file mode).
bool TNetUpdate::RunSteps(TRun& run) {
  const std::string tmp = TempDirectory();
  if (!URLGetFile(run.ControlUrl, false, tmp)) {
    DoStatus(925);
    return !run.FileMode;
  }
  DoStatus(926);
  run.ControlLocal = tmp + URLtoFile(run.ControlUrl);

  // A configured key: nothing of the file is acted on before its signature holds.
  if (!UpdatePublicKey.empty()) {
    std::string signature, error;
    bool valid = FetchSignature(run.ControlUrl, signature);
    if (valid) {
      std::ifstream in(run.ControlLocal, std::ios::binary);
      const std::string data((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
      valid = VerifyMinisign(data, signature, UpdatePublicKey, error);
    }
    if (!valid) {
      DoStatus(927);
      return !run.FileMode;
    }
  }

  TControlFile control(run.ControlLocal, [this](const std::string& v) { return ExpandPath(v); });
  if (SignatureCheck && control.Signature() != Signature) {
    DoStatus(927);
    return !run.FileMode;
  }

  const std::string dateText = control.Date();
  if (!dateText.empty()) {
    DoStatus(928);
    const auto date = ParseUpdateDate(dateText, DateFormat, DateSeparator);
    if (!date || !(UpdateDateGet() < *date)) {
      DoStatus(930);
      return !run.FileMode;
    }
    run.NewDate = *date;
    DoStatus(929, FormatShortDate(*date));
  }

  if (PostUpdateInfo.Enabled) {
    DoPostUpdateInfo();
    bool allow = true;
    if (OnProcessPostResult) OnProcessPostResult(allow);
    if (!allow) return !run.FileMode;
  }

  if (dateText.empty() && control.Unconditional().empty()) {
    const TUpdateCriteria c = control.UpdateCriteria();
    switch (UpdateKindOf("", c.NewVersion, c.LocalVersion, c.NewChecksum, c.NewSize)) {
      case TUpdateKind::Checksum:
        DoStatus(931);
        break;
      case TUpdateKind::Version:
        DoStatus(933);
        break;
      case TUpdateKind::FileSize:
        DoStatus(932);
        break;
      default:
        break;
    }
    if (!CheckVersions(c.NewVersion, c.LocalVersion, c.NewChecksum, c.NewSize)) {
      DoStatus(930);
      return !run.FileMode;
    }
    DoStatus(929, c.NewVersion);
  }

  // Decided once, before anything is shown, asked, remembered or downloaded.
  if (const std::string installed = InstalledTarget(control); !installed.empty()) {
    DoStatus(951, installed);
    return !run.FileMode;
  }

  if (OnCustomValidate) {
    bool allow = true;
    OnCustomValidate(control.ValidateMsg(), control.ValidateParam(), allow);
    if (!allow) return !run.FileMode;
  }
  if (OnCustomProcess) OnCustomProcess(control.ProcessMsg(), control.ProcessParam());

  FRestartWanted = control.AppUpdate();
  FAppName = control.AppName();
  if (FAppName.empty()) FRestartWanted = false;
  if (FAppName.find(' ') != std::string::npos) FAppName = "\"" + FAppName + "\"";
  FAppComps = control.AppComps();
  FSilentRestart = control.SilentRestart();

  if (const std::string msg = control.Msg(); !msg.empty()) {
    DoStatus(934);
    if (OnShowMessage) OnShowMessage(msg, false);
  }
  if (const std::string html = control.HtmlDlg(); !html.empty()) {
    DoStatus(935);
    ShowHTMLDialog(html);
  }
  if (const std::string before = control.RunBefore(); !before.empty()) StartCommand(before);
  if (const std::string query = control.Query(); !query.empty()) {
    DoStatus(936);
    if (!OnAskQuestion || !OnAskQuestion(query)) {
      FRestartWanted = false;
      return !run.FileMode;
    }
  }

  if (const std::string file = control.WhatsNewFile(); !file.empty()) {
    DoStatus(937);
    const TWhatsNewDialog d{control.WhatsNewCaption(), "", control.WhatsNewOkBtn(),
                            control.WhatsNewCancelBtn()};
    if (!WhatsNewDialog(file, d)) {
      DoStatus(938);
      FRestartWanted = false;
      return !run.FileMode;
    }
  }
  if (const std::string file = control.EulaFile(); !file.empty()) {
    DoStatus(939);
    const TEulaDialog d{control.EulaCaption(), "", control.EulaOkBtn(), control.EulaAccept(),
                        control.EulaDecline()};
    if (!EULADialog(file, d)) {
      DoStatus(940);
      FRestartWanted = false;
      return !run.FileMode;
    }
  }

  if (run.NewDate && !DryRun) UpdateDatePut(*run.NewDate);

  if (const std::string next = control.UpdateURL(); !next.empty()) {
    DoStatus(941);
    if (!DryRun) URLPut(next);
  }
  if (const std::string show = control.ShowURL(); !show.empty()) {
    DoStatus(942);
    const std::string url = MakeProxyUrl(show, ProxyUserID, ProxyPassword);
    if (OnOpenURL && !DryRun)
      OnOpenURL(url);
    else
      StartCommand("xdg-open \"" + url + "\"");  // nothing in a dry run
  }

  if (!control.FilesCount().empty()) FileLoop(run, control);

  if (const std::string after = control.RunAfter(); !after.empty()) StartCommand(after);
  DoStatus(948);
  return !run.FileMode;
}

void TNetUpdate::FileLoop(TRun&, TControlFile& control) {
  const int count = control.FileCount();
  std::vector<std::string> selection;
  if (OnGetFileList) {
    for (int i = 1; i <= count; ++i) selection.push_back(control.File(i).Descr);
    OnGetFileList(selection);
  }
  DoStatus(943);
  bool prompt = UpdateUpdate != nuuSilent;
  for (int i = 1; i <= count; ++i) {
    TFileEntry e = control.File(i);
    const bool chosen =
        OnGetFileList ? (static_cast<size_t>(i) <= selection.size() && !selection[i - 1].empty())
                      : true;
    if (e.Url.empty() || !chosen) continue;
    const std::string targetDir = LocalPath(e.TargetDir);
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
    DoStatus(945, e.Url);
    if (DryRun) continue;
    const std::string fileName = URLtoFile(e.Url);
    if (UpdateUpdate == nuuPromptAll) {
      if (!OnAskQuestion || !OnAskQuestion(FormatUpdateStatus(909, "") + fileName)) continue;
    } else if (UpdateUpdate == nuuPromptOnce && prompt) {
      if (!OnAskQuestion || !OnAskQuestion(FormatUpdateStatus(910, ""))) break;
    }
    if (UpdateUpdate == nuuPromptOnce) prompt = false;
    if (!URLGetFile(e.Url, e.Compressed, targetDir, e.Sha256)) {
      DoStatus(946, e.Url);
      FRestartWanted = false;
      continue;
    }
    const bool component = IsAppComponent(FAppComps, e.Url);
    if (component) FRestartNeeded = true;
    if (ExtractCAB && Str_SameText(Str_Right(fileName, 4), ".CAB") && !component) {
      const std::string cab = targetDir + fileName;
      if (CabExtract(cab, targetDir) != 0)
        DoStatus(947, cab);
      else
        ::unlink(cab.c_str());
    }
  }
}

bool TNetUpdate::IsAppComponent(const std::string& appComps, const std::string& url) {
  return !appComps.empty() && Str_Pos(Str_Upper(appComps), Str_Upper(URLtoFile(url))) > 0;
}

// Steps 17 to 19.
void TNetUpdate::EndRun(TRun& run) {
  if (!run.ControlLocal.empty()) ::unlink(run.ControlLocal.c_str());
  FTransfer->Disconnect();
  (void)HangupMode(UpdateConnect);  // hanging up is a no-op without dialling functions
  DoStatus(949);
  if (FRestartWanted && FRestartNeeded && !FInThread && !DryRun) DoRestart();
}

}  // namespace lw
