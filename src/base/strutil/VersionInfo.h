#pragma once

#include <string>

namespace lw {

// The version block of one of our files. Every executable of ours carries one (CMake:
// lw_add_version_block(target)): a marker followed by "Name\0Value\0" pairs and an empty name.
struct TFileVersionInfo {
  std::string CompanyName;
  std::string FileDescription;
  std::string FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string ProductName;
  std::string LegalTrademarks;
  std::string OriginalFileName;
  std::string ProductVersion;
  std::string Comments;
};

// Reads the first version block of the file. False (and `info` untouched) when the path is
// empty, the file cannot be read or carries no block; a name missing from the block reads "".
bool ReadFileVersionInfo(const std::string& path, TFileVersionInfo& info);

// Fills the ten outputs in this order from the file's version block; leaves them as they
// were when the file has none.
void GetFileVerInfo(const std::string& path, std::string& companyName, std::string& fileDescription,
                    std::string& fileVersion, std::string& internalName,
                    std::string& legalCopyright, std::string& productName,
                    std::string& legalTrademarks, std::string& originalFileName,
                    std::string& productVersion, std::string& comments);

// The FileVersion of the file, "" when it has none.
std::string FileVer(const std::string& path);

// The values every version block of this build carries (OriginalFileName empty), for a
// program of ours that was linked without its block.
TFileVersionInfo BuiltInVersionInfo();

}  // namespace lw
