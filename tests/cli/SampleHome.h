#pragma once

// A program directory of its own with a copy of the sample data next to the built programs,
// and readers of what the search prints.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CommandRunner.h"

namespace lw::test {

namespace fs = std::filesystem;

// The sample data next to the built programs (the sample_data target).
inline fs::path SampleHome() {
  return fs::path(LW_CLI_PATH).parent_path();
}

// A program directory of its own with a copy of the sample data, so that the searches here
// never touch the one next to the programs.
class TSampleHomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CopySampleHome(LW_CLI_PATH, FHome.Path()))
      GTEST_SKIP() << "no sample data next to " << LW_CLI_PATH << " (build sample_data)";
  }

  test::TCommandResult Search(std::vector<std::string> args) {
    args.insert(args.begin(), {"search", "--home", FHome.Path().string()});
    return RunProgram(LW_CLI_PATH, args, FScratch);
  }

  TScratchDir FHome{"search-home"};
  TScratchDir FScratch{"search-out"};
};

// RFC 4180 records: quoted fields may hold commas, doubled quotes and line breaks.
inline std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\n') {
      row.push_back(field);
      field.clear();
      rows.push_back(row);
      row.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  return rows;
}

inline int Column(const std::vector<std::string>& header, const std::string& name) {
  for (size_t i = 0; i < header.size(); ++i)
    if (header[i] == name) return static_cast<int>(i);
  ADD_FAILURE() << "no column " << name;
  return 0;
}

inline std::string FoundLine(const std::string& out) {
  auto at = out.find("Total Records Found: ");
  if (at == std::string::npos) return "";
  return out.substr(at, out.find('\n', at) - at);
}

}  // namespace lw::test
