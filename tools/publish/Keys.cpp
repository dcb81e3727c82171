#include "Keys.h"

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

#include "Files.h"

namespace lw::publish {

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

TKeyPair WriteKeyPair(const std::string& prefix) {
  const std::string pub = prefix + ".pub", key = prefix + ".key";
  for (const std::string& path : {pub, key})
    if (Exists(path)) throw std::runtime_error(path + " exists; not replacing a key");
  TKeyPair pair = GenerateMinisignKeyPair();
  WriteNewFile(key, FormatMinisignSecretKey(pair.Secret), 0600);
  try {
    WriteNewFile(pub, FormatMinisignPublicKey(pair.Public), 0644);
  } catch (...) {
    ::unlink(key.c_str());  // a secret key without its public key is of no use to anyone
    throw;
  }
  return pair;
}

TMinisignSecretKey ReadSecretKey(const std::string& path) {
  const std::string text = ReadWholeFile(path);
  try {
    return ParseMinisignSecretKey(text);
  } catch (const std::exception& e) {
    throw std::runtime_error(path + ": " + e.what());
  }
}

}  // namespace lw::publish
