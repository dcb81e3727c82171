// libFuzzer target for the cabinet and LZ ("SZDD") wrappers: the input is written as a
// cabinet and as an LZ file and both are unpacked into a scratch directory, whose contents
// are removed again. Nothing may be written outside it.
//
// Input: the bytes of a cabinet or of an SZDD file.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "CabExtract.h"
#include "FuzzScratch.h"
#include "LzExpand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string dir = lw::fuzz::ScratchDir("update-unpack");
  const std::string out = dir + "/out";
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  lw::fuzz::WriteFile(dir + "/in.cab", bytes);
  (void)lw::CabExtract(dir + "/in.cab", out);
  lw::fuzz::WriteFile(out + "/in.da_", bytes);
  (void)lw::LzExpandFile(out + "/in.da_");
  std::filesystem::remove_all(out, ec);
  return 0;
}
