#pragma once

// Runs a built program the way a user would, and keeps what it printed.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lw::test {

struct TCommandResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

// A directory of its own for one test, named after it, removed afterwards. (Not
// tests/common/TempDir.h: the command tests want a path object and a readable name.)
class TScratchDir {
 public:
  explicit TScratchDir(const std::string& name) {
    FPath =
        std::filesystem::temp_directory_path() / ("lw-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(FPath);
    std::filesystem::create_directories(FPath);
  }
  ~TScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  const std::filesystem::path& Path() const { return FPath; }
  std::string operator/(const std::string& name) const { return (FPath / name).string(); }

 private:
  std::filesystem::path FPath;
};

inline std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline TCommandResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                 const TScratchDir& scratch) {
  std::string cmd = Quote(program);
  for (const std::string& a : args) cmd += " " + Quote(a);
  const std::string out = scratch / "stdout.txt", err = scratch / "stderr.txt";
  cmd += " >" + Quote(out) + " 2>" + Quote(err);
  TCommandResult r;
  const int status = std::system(cmd.c_str());
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Out = ReadFile(out);
  r.Err = ReadFile(err);
  return r;
}

// Copies the sample data next to the built command-line tool (the sample_data target) into
// `home`, so that a test's searches never touch the original. False when there is none.
inline bool CopySampleHome(const std::string& cliPath, const std::filesystem::path& home) {
  namespace fs = std::filesystem;
  const fs::path bin = fs::path(cliPath).parent_path();
  if (!fs::exists(bin / "sample" / "sample.db") || !fs::exists(bin / "data" / "swap.db"))
    return false;
  fs::copy(bin / "sample", home / "sample", fs::copy_options::recursive);
  fs::copy(bin / "data", home / "data", fs::copy_options::recursive);
  fs::copy(bin / "setup.ini", home / "setup.ini");
  return true;
}

inline int CountLines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

}  // namespace lw::test
