// The what's-new and licence texts, and the restart through the updater program.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "NetUpdate.h"
#include "Process.h"
#include "TempFile.h"
#include "UpdateStatus.h"
#include "strutil/FileUtil.h"

namespace lw {

namespace {

// Downloads a text into a file of its own in the engine's temporary directory (beside the
// control file; never a fixed name in the current directory, which may be anyone's or not
// writable), reads it and deletes the file; nothing when that failed.
std::optional<std::string> TakeText(TNetUpdate& engine, const std::string& url,
                                    const std::string& prefix) {
  TTempFile local(TNetUpdate::TempDirectory(), prefix);
  if (!local.IsOpen() || !local.Close()) return std::nullopt;
  if (!engine.URLGetFile(url, false, local.Path(), "", TNetUpdate::kMaxTextBytes))
    return std::nullopt;
  std::ifstream in(local.Path(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

bool TNetUpdate::WhatsNewDialog(const std::string& url, const TWhatsNewDialog& dialog) {
  const auto text = TakeText(*this, url, "whatsnew-");
  if (!text) return true;  // nothing to show counts as accepted
  TWhatsNewDialog d = dialog;
  d.Text = *text;
  return OnWhatsNewDialog && OnWhatsNewDialog(d);
}

bool TNetUpdate::EULADialog(const std::string& url, const TEulaDialog& dialog) {
  const auto text = TakeText(*this, url, "eula-");
  if (!text) return true;
  TEulaDialog d = dialog;
  d.Text = *text;
  return OnEulaDialog && OnEulaDialog(d);
}

std::string TNetUpdate::UpdaterSource() const {
  return UpdaterProgram.empty() ? Layout.UpdaterDir + "upd" : UpdaterProgram;
}

bool TNetUpdate::ExtractUpdateResource() {
  // The updater ships as its own executable (beside the program when portable, in the
  // installation's libexec/ledgerwake/ when installed); it is copied out of the way so that
  // it can replace files in the program's directory, itself included.
  std::ifstream in(UpdaterSource(), std::ios::binary);
  if (!in) return false;
  const std::string target = TempDirectory() + "upd";
  TTempFile temp(DirectoryOf(target), "NUPD");
  if (!temp.IsOpen()) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (::write(temp.Fd(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    return false;
  ::fchmod(temp.Fd(), 0755);
  return temp.RenameTo(target);
}

void TNetUpdate::DoRestart() {
  bool allow = true;
  if (OnAppRestart)
    OnAppRestart(allow);
  else if (!FSilentRestart)
    allow = OnAskQuestion && OnAskQuestion(FormatUpdateStatus(usAskRestart, ""));
  if (!allow) return;
  // The updater's own path is quoted like the application's name: a temporary directory may
  // hold blanks.
  const std::string commandLine = "\"" + TempDirectory() + "upd\" " + std::to_string(::getpid()) +
                                  " " + FAppName + " " + FAppComps;
  std::string error;
  int code = 0;
  // Without its own fresh copy the updater is not started at all: whatever else lies under
  // that name is not ours to run.
  if (!ExtractUpdateResource()) {
    code = errno;
    ++FFailures;
    DoStatus(usUpdaterFailed, UpdaterSource() + ": " + std::strerror(code), 9, code);
  } else if (StartCommandLine(commandLine, error, code) < 0) {
    ++FFailures;
    DoStatus(usUpdaterFailed, error, 9, code);
  }
  if (OnAppDoClose)
    OnAppDoClose();
  else
    std::exit(0);
}

}  // namespace lw
