#include "CliOptions.h"

#include <algorithm>
#include <cstdio>

namespace lw::cli {

namespace {

const TOptionSpec* Find(const TCommandSpec& commandSpec, const std::string& name) {
  auto it = std::find_if(commandSpec.Options.begin(), commandSpec.Options.end(),
                         [&](const TOptionSpec& o) { return name == o.Name; });
  return it == commandSpec.Options.end() ? nullptr : &*it;
}

THelpHandler& HelpHandler() {
  static THelpHandler handler;
  return handler;
}

std::string OptionText(const TOptionSpec& o) {
  std::string s = o.Name;
  if (o.ValueName) s += std::string(" ") + o.ValueName;
  return s;
}

}  // namespace

EUsage UsageError(const TCommandSpec& commandSpec, const std::string& message) {
  return EUsage(std::string("ledgerwake-cli ") + commandSpec.Name + ": " + message,
                ShortUsage(commandSpec));
}

bool TParsedArgs::Has(const std::string& name) const {
  return std::any_of(Options.begin(), Options.end(),
                     [&](const auto& o) { return o.first == name; });
}

std::string TParsedArgs::Value(const std::string& name, const std::string& def) const {
  for (auto it = Options.rbegin(); it != Options.rend(); ++it)
    if (it->first == name) return it->second;
  return def;
}

std::vector<std::string> TParsedArgs::Values(const std::string& name) const {
  std::vector<std::string> out;
  for (const auto& o : Options)
    if (o.first == name) out.push_back(o.second);
  return out;
}

TParsedArgs ParseArgs(const std::vector<std::string>& args, const TCommandSpec& commandSpec) {
  TParsedArgs out;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a == "-" || a.empty() || a[0] != '-') {
      out.Operands.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      out.Help = true;
      continue;
    }
    const size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    const TOptionSpec* option = a.rfind("--", 0) == 0 ? Find(commandSpec, name) : nullptr;
    if (!option) throw UsageError(commandSpec, "unknown option '" + name + "'");
    if (!option->ValueName) {
      if (eq != std::string::npos)
        throw UsageError(commandSpec, name + " takes no value (given '" + a.substr(eq + 1) + "')");
      out.Options.emplace_back(name, "");
    } else if (eq != std::string::npos) {
      out.Options.emplace_back(name, a.substr(eq + 1));
    } else if (i + 1 < args.size()) {
      out.Options.emplace_back(name, args[++i]);
    } else {
      throw UsageError(commandSpec, name + " needs a value (" + option->ValueName + ")");
    }
  }
  return out;
}

std::string FullUsage(const TCommandSpec& commandSpec) {
  std::string s =
      std::string("usage: ledgerwake-cli ") + commandSpec.Name + " " + commandSpec.Synopsis + "\n";
  size_t width = std::string("-h, --help").size();
  for (const TOptionSpec& o : commandSpec.Options) width = std::max(width, OptionText(o).size());
  auto line = [&](const std::string& left, const char* help) {
    s += "  " + left + std::string(width - left.size() + 2, ' ') + help + "\n";
  };
  for (const TOptionSpec& o : commandSpec.Options) line(OptionText(o), o.Help);
  line("-h, --help", "this text");
  if (commandSpec.Notes) s += commandSpec.Notes;
  return s;
}

std::string ShortUsage(const TCommandSpec& commandSpec) {
  std::string s =
      std::string("usage: ledgerwake-cli ") + commandSpec.Name + " " + commandSpec.Synopsis + "\n";
  for (const TOptionSpec& o : commandSpec.Options) s += "  " + OptionText(o) + "\n";
  s += std::string("'ledgerwake-cli ") + commandSpec.Name + " --help' explains each option.\n";
  return s;
}

void SetHelpHandler(THelpHandler handler) {
  HelpHandler() = std::move(handler);
}

int PrintHelp(const TCommandSpec& commandSpec) {
  if (HelpHandler()) return HelpHandler()(commandSpec);
  std::fputs(FullUsage(commandSpec).c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace lw::cli
