#pragma once

#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace lw::cli {

// One option of a command, written "--name VALUE", "--name=VALUE" or, for a flag, "--name".
struct TOptionSpec {
  const char* Name;       // "--state"
  const char* ValueName;  // "CODE"; nullptr for a flag
  const char* Help;       // one line for --help
};

// A command's description for its usage texts.
struct TCommandSpec {
  const char* Name;      // "search"
  const char* Synopsis;  // "[criteria] [--list] ..." after "ledgerwake-cli search "
  std::span<const TOptionSpec> Options;
  const char* Notes = nullptr;  // further lines for --help, or nullptr
};

// A command line that does not fit the command: exit status 2, the message and the short
// usage on stderr.
class EUsage : public std::runtime_error {
 public:
  EUsage(const std::string& message, std::string usage)
      : std::runtime_error(message), FUsage(std::move(usage)) {}
  const std::string& Usage() const { return FUsage; }

 private:
  std::string FUsage;
};

// The command line split into options (in the order given) and operands.
class TParsedArgs {
 public:
  bool Help = false;  // --help or -h was given
  std::vector<std::pair<std::string, std::string>> Options;
  std::vector<std::string> Operands;

  bool Has(const std::string& name) const;
  // The last value given for the option, or `def`.
  std::string Value(const std::string& name, const std::string& def = "") const;
  // Every value given for a repeatable option, in order.
  std::vector<std::string> Values(const std::string& name) const;
};

// Splits `args` by `commandSpec`. "--" ends the options; "-" alone is an operand (standard input or
// output). Throws EUsage for an unknown option, a flag given a value or a missing value.
TParsedArgs ParseArgs(const std::vector<std::string>& args, const TCommandSpec& commandSpec);

// A usage error of the command: "ledgerwake-cli NAME: message" with its short usage.
EUsage UsageError(const TCommandSpec& commandSpec, const std::string& message);

// "usage: ledgerwake-cli NAME SYNOPSIS" and every option with its help line, for --help.
std::string FullUsage(const TCommandSpec& commandSpec);
// "usage: ..." and the options, one per line without help, for stderr after a usage error.
std::string ShortUsage(const TCommandSpec& commandSpec);
// --help: the full usage on stdout; the exit status (0, or 1 when stdout cannot be written).
int PrintHelp(const TCommandSpec& commandSpec);

// What --help does instead of printing, while set: the manual page is made from the very
// tables --help prints, by asking each command for its help. An empty handler prints again.
using THelpHandler = std::function<int(const TCommandSpec&)>;
void SetHelpHandler(THelpHandler handler);

}  // namespace lw::cli
