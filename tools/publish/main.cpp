// lw-publish: the maker's side of the update channel. `keygen` makes the key pair whose
// public half is built into the program; `lw-publish DIR ...` publishes the files of DIR with
// a control file and its signature, ready to be copied to the update server.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "Keys.h"
#include "Publish.h"

namespace {

using lw::cli::EUsage;
using lw::cli::TCommandSpec;
using lw::cli::TOptionSpec;
using lw::cli::TParsedArgs;

const char kSynopsis[] =
    "usage: lw-publish keygen [--out PREFIX]\n"
    "       lw-publish DIR --base-url URL --key KEYFILE [--out FILE] [--lz | --cab]\n"
    "                  [--targetdir DIR] [--date DD/MM/YYYY|today] [--app NAME]... [--appname "
    "PATH]\n"
    "'lw-publish --help' explains each option.\n";

const char kUsage[] =
    "usage: lw-publish keygen [--out PREFIX]\n"
    "         writes a new key pair: PREFIX.pub and PREFIX.key (default PREFIX: update);\n"
    "         an existing key is never replaced\n"
    "       lw-publish DIR --base-url URL --key KEYFILE [--out FILE] [--lz | --cab]\n"
    "                  [--targetdir DIR] [--date DD/MM/YYYY|today] [--app NAME]... [--appname "
    "PATH]\n"
    "         writes FILE (default: update.inf) for the files directly in DIR, the published\n"
    "         files beside it, and its signature FILE.minisig\n"
    "  --base-url URL     where the published files will be served from\n"
    "  --key KEYFILE      the unencrypted secret key that signs the control file\n"
    "  --lz               publish each file LZ-packed (SZDD); the program expands it\n"
    "  --cab              publish each file in a cabinet of its own (the program must\n"
    "                     have cabinet extraction on)\n"
    "  --targetdir DIR    where the program puts the files (default: {APP})\n"
    "  --date D           a date-based update; without it each file's version (or, for a\n"
    "                     file without a version block, its checksum) decides\n"
    "  --app NAME         NAME is a file of the running program, put in place by the updater\n"
    "                     at a restart (repeatable; published unpacked as NAME_new)\n"
    "  --appname PATH     the program started again after the restart (default: the first\n"
    "                     --app in the target directory)\n"
    "  -h, --help         this text\n"
    "docs/publishing.md explains the formats and how a maker sets up signing.\n";

constexpr TOptionSpec kKeygenOptions[] = {{"--out", "PREFIX", ""}};
constexpr TOptionSpec kPublishOptions[] = {
    {"--base-url", "URL", ""}, {"--key", "KEYFILE", ""}, {"--out", "FILE", ""},
    {"--lz", nullptr, ""},     {"--cab", nullptr, ""},   {"--targetdir", "DIR", ""},
    {"--date", "D", ""},       {"--app", "NAME", ""},    {"--appname", "PATH", ""}};

// The shared parser words its messages for ledgerwake-cli ("ledgerwake-cli NAME: message");
// the message alone is what applies here.
EUsage Usage(const std::string& message) {
  const size_t colon = message.find(": ");
  const bool reworded = message.rfind("ledgerwake-cli ", 0) == 0 && colon != std::string::npos;
  return EUsage(reworded ? message.substr(colon + 2) : message, kSynopsis);
}

TParsedArgs Parse(const std::vector<std::string>& args, const TCommandSpec& usage) {
  try {
    return lw::cli::ParseArgs(args, usage);
  } catch (const EUsage& e) {
    throw Usage(e.what());
  }
}

int Keygen(const std::vector<std::string>& args) {
  const TParsedArgs a = Parse(args, {"keygen", "", kKeygenOptions});
  if (a.Help) return std::fputs(kUsage, stdout) < 0 ? 1 : 0;
  if (!a.Operands.empty()) throw Usage("keygen takes no operand ('" + a.Operands[0] + "')");
  const std::string prefix = a.Value("--out", "update");
  const lw::publish::TKeyPair pair = lw::publish::WriteKeyPair(prefix);
  const std::string pub = lw::FormatMinisignPublicKey(pair.Public);
  const std::string line = pub.substr(pub.find('\n') + 1, pub.size() - pub.find('\n') - 2);
  std::cout << "Wrote " << prefix << ".pub and " << prefix << ".key (key "
            << lw::MinisignKeyIdText(pair.Public.KeyId) << ").\n"
            << "Keep " << prefix << ".key secret: what it signs, the program installs.\n"
            << "The program's public key line:\n  " << line << "\n";
  return 0;
}

int PublishCommand(const std::vector<std::string>& args) {
  const TParsedArgs a = Parse(args, {"publish", "", kPublishOptions});
  if (a.Help) return std::fputs(kUsage, stdout) < 0 ? 1 : 0;
  if (a.Operands.size() != 1) throw Usage("give exactly one directory to publish");
  if (a.Value("--base-url").empty() || a.Value("--key").empty())
    throw Usage("--base-url and --key are required");
  if (a.Has("--lz") && a.Has("--cab")) throw Usage("--lz and --cab exclude each other");
  if (a.Has("--appname") && !a.Has("--app")) throw Usage("--appname needs --app");
  lw::publish::TPublishOptions o;
  o.SourceDir = a.Operands[0];
  o.BaseUrl = a.Value("--base-url");
  o.KeyFile = a.Value("--key");
  o.Out = a.Value("--out", o.Out);
  o.Packing = a.Has("--lz")    ? lw::publish::TPacking::Lz
              : a.Has("--cab") ? lw::publish::TPacking::Cabinet
                               : lw::publish::TPacking::None;
  o.TargetDir = a.Value("--targetdir", o.TargetDir);
  o.Date = a.Value("--date");
  o.AppComponents = a.Values("--app");
  o.AppName = a.Value("--appname");
  lw::publish::Publish(o, std::cout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (!args.empty() && args[0] == "keygen")
      return Keygen(std::vector<std::string>(args.begin() + 1, args.end()));
    return PublishCommand(args);
  } catch (const EUsage& e) {
    std::cerr << "lw-publish: " << e.what() << "\n" << e.Usage();
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "lw-publish: " << e.what() << "\n";
    return 1;
  }
}
