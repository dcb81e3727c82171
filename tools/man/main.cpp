// lw-man: the manual page of ledgerwake-cli, written from the same tables that its `help`
// and each command's --help print, so that the page cannot tell of an option the command
// does not take.
//
//   lw-man TEMPLATE VERSION OUTPUT
//
// TEMPLATE is the page's roff text; the line `.\" @COMMANDS@` is replaced by a section per
// command (its synopsis, summary, options and notes) and every @VERSION@ by VERSION.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "CliOptions.h"
#include "Commands.h"

namespace {

using lw::cli::TCommandSpec;
using lw::cli::TOptionSpec;

// Text as roff shows it literally. A dash that starts an option (or follows another dash) is
// a minus sign, which is what a reader copies into a shell; one inside a word is a hyphen.
std::string Roff(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool lineStart = i == 0 || text[i - 1] == '\n';
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-' && (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1])) ||
                            (i + 1 < text.size() && text[i + 1] == '-'))) {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

// The summary `help` shows, as a sentence.
std::string Sentence(std::string text) {
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return text + ".";
}

std::string OptionTag(const TOptionSpec& o) {
  std::string tag = "\\fB" + Roff(o.Name) + "\\fR";
  if (o.ValueName) tag += " \\fI" + Roff(o.ValueName) + "\\fR";
  return tag;
}

std::string CommandSection(const lw::cli::TCommand& command, const TCommandSpec& usage) {
  std::string s = ".SS \"" + Roff(usage.Name) + "\"\n";
  s += ".B ledgerwake\\-cli " + Roff(usage.Name) + "\n" + Roff(usage.Synopsis) + "\n.PP\n";
  s += Roff(Sentence(command.Summary)) + "\n";
  for (const TOptionSpec& o : usage.Options)
    s += ".TP\n" + OptionTag(o) + "\n" + Roff(o.Help) + "\n";
  if (usage.Notes) s += ".PP\n" + Roff(usage.Notes);
  return s;
}

// Each command's own --help, caught instead of printed.
std::optional<std::string> CommandSections() {
  std::string sections;
  for (const lw::cli::TCommand& command : lw::cli::CommandTable()) {
    std::optional<TCommandSpec> usage;
    lw::cli::SetHelpHandler([&usage](const TCommandSpec& s) {
      usage = s;
      return 0;
    });
    command.Run({"--help"});
    lw::cli::SetHelpHandler(nullptr);
    if (!usage) {
      std::fprintf(stderr, "lw-man: '%s --help' gave no help table\n", command.Name);
      return std::nullopt;
    }
    sections += CommandSection(command, *usage);
  }
  return sections;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: lw-man TEMPLATE VERSION OUTPUT\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string marker = ".\\\" @COMMANDS@\n";
  if (page.find(marker) == std::string::npos) {
    std::fprintf(stderr, "lw-man: %s: no line '.\\\" @COMMANDS@'\n", argv[1]);
    return 1;
  }
  const std::optional<std::string> sections = CommandSections();
  if (!sections) return 1;
  ReplaceAll(page, marker, *sections);
  ReplaceAll(page, "@VERSION@", argv[2]);
  std::ofstream out(argv[3], std::ios::binary);
  out << page;
  out.close();
  if (!out) {
    std::fprintf(stderr, "lw-man: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
