#pragma once

// A directory laid out like the program directory, and a notifier that records.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Notifier.h"
#include "SharedData.h"
#include "TempDir.h"

namespace lw::test {

class TRecordingNotifier : public TNotifier {
 public:
  void ShowInfo(const std::string& caption, const std::string& text) override {
    Infos.push_back(caption + "|" + text);
  }
  void ShowError(const std::string& caption, const std::string& text) override {
    Errors.push_back(caption + "|" + text);
  }
  std::vector<std::string> Infos;
  std::vector<std::string> Errors;
};

class THome {
 public:
  THome()
      : Volumes(std::make_shared<TFixedVolumeSource>()),
        Notifier(std::make_shared<TRecordingNotifier>()) {}

  // The program directory, with trailing '/'.
  std::string Dir() const { return FDir.Path() + "/"; }
  std::string Path(const std::string& rel) const { return Dir() + rel; }
  void Write(const std::string& rel, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << text;
  }
  std::string Read(const std::string& rel) const {
    std::ifstream in(Path(rel), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // A mounted medium: a directory of its own standing in for the mount point.
  std::string AddVolume(const std::string& name, const std::string& type, const std::string& label,
                        const std::string& remote = "") {
    const std::string mount = Path("mnt/" + name);
    std::filesystem::create_directories(mount);
    Volumes->List().push_back({mount, type, label, remote, false});
    return mount;
  }
  TSharedDataOptions Options() const {
    TSharedDataOptions o;
    o.ProgramDir = FDir.Path();
    o.Volumes = Volumes;
    o.Notifier = Notifier;
    return o;
  }
  std::unique_ptr<TSharedData> Start() const { return std::make_unique<TSharedData>(Options()); }

  std::shared_ptr<TFixedVolumeSource> Volumes;
  std::shared_ptr<TRecordingNotifier> Notifier;

 private:
  TTempDir FDir;
};

}  // namespace lw::test
