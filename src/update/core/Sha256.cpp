#include "Sha256.h"

#include <sodium.h>

#include <cstdio>

#include "strutil/StrUtil.h"

namespace lw {

std::string FileSha256Hex(const std::string& path) {
  if (sodium_init() < 0) return {};
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  crypto_hash_sha256_state st;
  crypto_hash_sha256_init(&st);
  static thread_local unsigned char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) crypto_hash_sha256_update(&st, buf, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return {};
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&st, digest);
  char hex[crypto_hash_sha256_BYTES * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
  return hex;
}

bool FileMatchesSha256(const std::string& path, const std::string& hex) {
  const std::string digest = FileSha256Hex(path);
  return !digest.empty() && digest == Str_Lower(Str_Trim(hex));
}

}  // namespace lw
