// The what's-new and licence texts, and the restart through the updater program.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "NetUpdate.h"
#include "Process.h"
#include "TempFile.h"
#include "UpdateStatus.h"
#include "strutil/FileUtil.h"

namespace lw {

namespace {

// Downloads a text into `localName`, reads it and deletes the file; empty when that failed.
std::optional<std::string> TakeText(TNetUpdate& engine, const std::string& url,
                                    const std::string& localName) {
  if (!engine.URLGetFile(url, false, localName)) return std::nullopt;
  std::ifstream in(localName, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ::unlink(localName.c_str());
  return text;
}

}  // namespace

bool TNetUpdate::WhatsNewDialog(const std::string& url, const TWhatsNewDialog& dialog) {
  const auto text = TakeText(*this, url, "./whatsnew.txt");
  if (!text) return true;  // nothing to show counts as accepted
  TWhatsNewDialog d = dialog;
  d.Text = *text;
  return OnWhatsNewDialog && OnWhatsNewDialog(d);
}

bool TNetUpdate::EULADialog(const std::string& url, const TEulaDialog& dialog) {
  const auto text = TakeText(*this, url, "./eula.txt");
  if (!text) return true;
  TEulaDialog d = dialog;
  d.Text = *text;
  return OnEulaDialog && OnEulaDialog(d);
}

bool TNetUpdate::ExtractUpdateResource() {
  // The updater ships as its own executable beside the program; it is copied out of the way
  // so that it can replace files in the program's directory, itself included.
  std::string source = UpdaterProgram;
  if (source.empty()) source = ExtractFilePath(ProgramPath()) + "upd";
  std::ifstream in(source, std::ios::binary);
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
    allow = OnAskQuestion && OnAskQuestion(FormatUpdateStatus(911, ""));
  if (!allow) return;
  ExtractUpdateResource();
  const std::string commandLine =
      TempDirectory() + "upd " + std::to_string(::getpid()) + " " + FAppName + " " + FAppComps;
  std::string error;
  int code = 0;
  if (StartCommandLine(commandLine, error, code) < 0) DoStatus(950, error, 9, code);
  if (OnAppDoClose)
    OnAppDoClose();
  else
    std::exit(0);
}

}  // namespace lw
