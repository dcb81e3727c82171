// `news`: the news tree as the news window shows it, fetched first with --refresh.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "Commands.h"
#include "NewsClient.h"
#include "NewsText.h"
#include "SettingsKeys.h"
#include "SharedData.h"

namespace lw::cli {

namespace {

const char kNewsUsage[] =
    "usage: ledgerwake-cli news [--refresh] [--home DIR]\n"
    "  Prints the news as the news window shows it: one node a line, two blanks per level,\n"
    "  each news item's link after its caption. Without a news file, or with --refresh,\n"
    "  the news is fetched first from news_url (through app_proxyhost:app_proxyport when\n"
    "  set) into news_file.\n"
    "  --refresh    fetch even when the news file exists\n"
    "  --home DIR   program directory to run from (default: this program's)\n";

}  // namespace

int RunNews(const std::vector<std::string>& args) {
  bool refresh = false;
  std::string home;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help") {
      std::fputs(kNewsUsage, stdout);
      return 0;
    }
    if (args[i] == "--refresh") {
      refresh = true;
    } else if (args[i] == "--home" && i + 1 < args.size()) {
      home = args[++i];
    } else {
      throw std::runtime_error("news: unknown argument '" + args[i] + "'\n" + kNewsUsage);
    }
  }
  TSharedDataOptions options;
  options.ProgramDir = home;
  auto shared = std::make_unique<TSharedData>(options);
  if (!shared->ErrorText().empty()) throw std::runtime_error(shared->ErrorText());
  const TParams& p = shared->Params();
  TNewsSettings settings{p.Value(keys::kNewsUrl), p.Value(keys::kNewsFile),
                         p.Value(keys::kAppProxyHost), p.Value(keys::kAppProxyPort)};
  if (settings.File.empty()) {
    std::fputs("No news: news_file is not set.\n", stderr);
    return 0;
  }
  TNewsTree tree;
  if (refresh || !std::filesystem::exists(settings.File)) {
    TNewsClient client;
    tree = client.Refresh(settings);
  } else {
    tree = LoadNewsFile(settings.File);
  }
  const std::string text = NewsTreeText(tree);
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (std::fflush(stdout) != 0) throw std::runtime_error("cannot write the output");
  if (!tree.Error.empty()) throw std::runtime_error(settings.File + ": " + tree.Error);
  return 0;
}

}  // namespace lw::cli
