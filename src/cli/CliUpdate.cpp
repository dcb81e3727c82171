// `update`: one run of the update engine without a window. Status lines are printed as the
// wizard's memo shows them, questions are answered from the options, and the offered files
// are chosen with --select.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "CliOptions.h"
#include "CliSignals.h"
#include "Commands.h"
#include "NetUpdate.h"
#include "Notifier.h"
#include "PathExpand.h"
#include "SharedData.h"
#include "TransferUrl.h"
#include "UpdateSettings.h"
#include "UpdateStatus.h"
#include "strutil/StrUtil.h"

namespace lw::cli {

namespace {

constexpr TOptionSpec kUpdateOptions[] = {
    {"--url", "URL", "the update control file (default: the prod_dupdateurl setting)"},
    {"--yes", nullptr, "answer Yes to every question, what's-new and licence text"},
    {"--no", nullptr, "answer No to every question (default: asked on a terminal, else No)"},
    {"--select", "N,...", "the offered files to download, counted from 1 (default: all)"},
    {"--dry-run", nullptr, "decide and report, but download, run and remember nothing"},
    {"--home", "DIR", "program directory to run from (settings; {APP} in control files)"},
};

constexpr TCommandSpec kUpdate{
    "update", "[--url URL] [--yes|--no] [--select N,...] [--dry-run] [--home DIR]", kUpdateOptions,
    "An installed copy (layout: installed) is updated by the system's package manager: an\n"
    "update that would change its files is refused before anything is downloaded.\n"
    "Without a signature (no update key), a control file fetched over plain http or FTP may\n"
    "only download into the data directory or the temporary directory.\n"
    "Exit status 0 when the control file was processed to the end and nothing failed or was\n"
    "refused, 1 otherwise; 130 or 143 when stopped by Ctrl+C or kill.\n"};

struct TUpdateArgs {
  std::string Url;
  int Answer = -1;  // -1 ask, 0 no, 1 yes
  std::set<int> Select;
  bool DryRun = false;
  std::string Home;
};

TUpdateArgs ParseUpdateArgs(const TParsedArgs& p) {
  if (!p.Operands.empty()) throw UsageError(kUpdate, "unexpected argument '" + p.Operands[0] + "'");
  if (p.Has("--yes") && p.Has("--no"))
    throw UsageError(kUpdate, "--yes and --no exclude each other");
  TUpdateArgs out;
  out.Url = p.Value("--url");
  if (p.Has("--yes") || p.Has("--no")) out.Answer = p.Has("--yes") ? 1 : 0;
  if (p.Has("--select")) {
    const std::string list = p.Value("--select");
    const int fields = Str_StrCount(list, ",") + 1;
    for (int n = 1; n <= fields; ++n) {
      const std::string item = Str_Trim(Str_Extract(list, n, ","));
      if (item.empty() || item.size() > 6 ||
          item.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError(kUpdate, "--select: '" + item + "' is not an entry number");
      out.Select.insert(std::stoi(item));
    }
  }
  out.DryRun = p.Has("--dry-run");
  out.Home = p.Value("--home");
  if (p.Has("--home") && out.Home.empty()) throw UsageError(kUpdate, "--home needs a directory");
  return out;
}

// Line breaks of the control file's texts (CR, CR LF) as the terminal's.
std::string TerminalText(std::string text) {
  text = Str_StrTran(text, "\r\n", "\n");
  return Str_StrTran(text, "\r", "\n");
}

bool Ask(const TUpdateArgs& parsed, const std::string& question) {
  std::printf("? %s", TerminalText(question).c_str());
  if (parsed.Answer >= 0 || !::isatty(STDIN_FILENO)) {
    const bool yes = parsed.Answer == 1;
    std::printf(" %s\n", yes ? "yes" : "no");
    return yes;
  }
  std::printf(" [y/N] ");
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);
  line = Str_Lower(Str_Trim(line));
  return line == "y" || line == "yes";
}

void DrawProgress(const std::string& name, int64_t pos, int64_t size) {
  constexpr int kWidth = 30;
  const int filled =
      size > 0 ? static_cast<int>(std::min<int64_t>(pos * kWidth / size, kWidth)) : 0;
  std::fprintf(stderr, "\r\033[K[%s%s] %s %s", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, ' ').c_str(), FileSizeFmt(pos).c_str(),
               UrlToFile(name).c_str());
}

}  // namespace

int RunUpdate(const std::vector<std::string>& args) {
  const TParsedArgs parsedArgs = ParseArgs(args, kUpdate);
  if (parsedArgs.Help) return PrintHelp(kUpdate);
  const TUpdateArgs parsed = ParseUpdateArgs(parsedArgs);
  TUpdateSettings settings;
  {
    // The settings as the program's update window takes them.
    TSharedDataOptions options;
    options.ProgramDir = parsed.Home;
    options.Notifier = std::make_shared<TSilentNotifier>();
    TSharedData shared(options);
    settings = UpdateSettingsFrom(shared.Params(), shared.Layout());
  }
  // {APP} is where the program lives, not wherever the command was started.
  if (!parsed.Home.empty()) settings.AppDirectory = ResolvedDirectory(parsed.Home);
  const std::vector<std::string> variables = UpdateVariables(settings);
  if (!parsed.Url.empty()) settings.ControlUrl = parsed.Url;

  TNetUpdate engine;
  ConfigureUpdateEngine(engine, settings);
  engine.DryRun = parsed.DryRun;
  TStopSignals signals;
  const bool terminal = ::isatty(STDERR_FILENO);
  bool progressShown = false;
  engine.OnStatus = [&](const std::string& text, int code, int err) {
    if (progressShown) std::fputs("\r\033[K", stderr);
    progressShown = false;
    std::printf("[%d - %d] %s\n", code, err, TerminalText(text).c_str());
    std::fflush(stdout);
  };
  engine.OnConvertPrefix = [&](std::string& path) { ReplaceUpdateVariables(path, variables); };
  // Ctrl+C and kill end the run the way Cancel does, its temporary files removed.
  engine.OnProcessMessages = [&] {
    if (TStopSignals::Received() != 0) engine.Cancel();
  };
  engine.OnFileProgress = [&](const std::string& name, int64_t pos, int64_t size) {
    if (!terminal) return;
    DrawProgress(name, pos, size);
    progressShown = true;
  };
  engine.OnGetFileList = [&](std::vector<std::string>& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      const int n = static_cast<int>(i) + 1;
      const bool chosen = parsed.Select.empty() || parsed.Select.count(n) > 0;
      const std::string name = Str_Extract(list[i], 1, ";");
      std::printf("%c %d. %s\n", chosen ? '*' : ' ', n, name.c_str());
      // The engine skips an empty entry; a chosen entry without a description stays chosen.
      if (!chosen)
        list[i].clear();
      else if (list[i].empty())
        list[i].assign(1, ';');
    }
  };
  engine.OnShowMessage = [](const std::string& text, bool error) {
    std::printf("%s%s\n", error ? "Error: " : "", TerminalText(text).c_str());
  };
  engine.OnAskQuestion = [&](const std::string& q) { return Ask(parsed, q); };
  engine.OnWhatsNewDialog = [&](const TWhatsNewDialog& d) {
    std::printf("--- %s\n%s\n---\n", d.Caption.c_str(), TerminalText(d.Text).c_str());
    return Ask(parsed, d.OkCaption + " (or " + d.CancelCaption + ")?");
  };
  engine.OnEulaDialog = [&](const TEulaDialog& d) {
    std::printf("--- %s\n%s\n---\n", d.Caption.c_str(), TerminalText(d.Text).c_str());
    return Ask(parsed, d.AcceptCaption + "?");
  };
  engine.OnOpenURL = [](const std::string& u) {
    std::printf("Open: %s\n", RedactUrlsIn(u).c_str());
  };
  engine.OnAppRestart = [&](bool& allow) {
    allow = Ask(parsed, FormatUpdateStatus(usAskRestart, ""));
  };
  engine.OnAppDoClose = [] { std::fflush(stdout); };
  engine.DoUpdate();
  if (progressShown) std::fputs("\r\033[K", stderr);
  if (TStopSignals::Received() != 0) return TStopSignals::ExitStatus();
  return engine.Finished() && engine.Failures() == 0 ? 0 : 1;
}

}  // namespace lw::cli
