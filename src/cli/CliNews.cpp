// `news`: the news tree as the news window shows it, fetched first with --refresh.
#include <cstdio>
#include <filesystem>
#include <string>

#include "CliMessages.h"
#include "CliOptions.h"
#include "Commands.h"
#include "NewsClient.h"
#include "NewsText.h"
#include "SettingsKeys.h"
#include "SharedData.h"

namespace lw::cli {

namespace {

constexpr TOptionSpec kNewsOptions[] = {
    {"--refresh", nullptr, "fetch the news even when the news file exists"},
    {"--home", "DIR", "program directory to run from (default: this program's)"},
};

constexpr TCommandSpec kNews{
    "news", "[--refresh] [--home DIR]", kNewsOptions,
    "Prints the news as the news window shows it: one node a line, two blanks per level, each\n"
    "news item's link after its caption. Without a news file, or with --refresh, the news is\n"
    "fetched first from news_url (through app_proxyhost:app_proxyport when set) into\n"
    "news_file; a failed fetch prints its reason, leaves the file as it was and exits 1.\n"
    "The tree is printed as UTF-8, whether the file is UTF-8 or 8-bit text. A fetch takes\n"
    "at most 15 s and 1 MiB.\n"
    "A relative news_file lies in the program directory (layout: portable) or in\n"
    "$XDG_DATA_HOME/ledgerwake/ (layout: installed).\n"};

}  // namespace

int RunNews(const std::vector<std::string>& args) {
  const TParsedArgs parsed = ParseArgs(args, kNews);
  if (parsed.Help) return PrintHelp(kNews);
  if (!parsed.Operands.empty())
    throw UsageError(kNews, "unexpected argument '" + parsed.Operands[0] + "'");
  if (parsed.Has("--home") && parsed.Value("--home").empty())
    throw UsageError(kNews, "--home needs a directory");
  const bool refresh = parsed.Has("--refresh");
  const std::string home = parsed.Value("--home");
  TSharedDataOptions options;
  options.ProgramDir = home;
  options.Notifier = std::make_shared<TSilentNotifier>();  // only the news on stdout
  auto shared = std::make_unique<TSharedData>(options);
  if (!shared->ErrorText().empty()) throw std::runtime_error(shared->ErrorText());
  const TParams& p = shared->Params();
  TNewsSettings settings{p.Value(keys::kNewsUrl), shared->NewsFilePath(),
                         p.Value(keys::kAppProxyHost), p.Value(keys::kAppProxyPort)};
  if (settings.File.empty()) {
    PrintMessage("No news: news_file is not set.");
    return 0;
  }
  TNewsTree tree;
  if (refresh || !std::filesystem::exists(settings.File)) {
    if (settings.Url.empty())
      throw std::runtime_error("no news address is set (news_url is empty), so no news to fetch");
    TNewsClient client;
    tree = client.Refresh(settings);
  } else {
    tree = LoadNewsFile(settings.File);
  }
  const std::string text = NewsTreeText(tree);
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (std::fflush(stdout) != 0) throw std::runtime_error("cannot write the output");
  if (tree.LinesLeftOut > 0)
    std::fprintf(stderr, "%zu more lines of %s not shown\n", tree.LinesLeftOut,
                 settings.File.c_str());
  if (!tree.Error.empty()) throw std::runtime_error(settings.File + ": " + tree.Error);
  return 0;
}

}  // namespace lw::cli
