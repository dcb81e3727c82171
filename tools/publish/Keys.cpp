#include "Keys.h"

#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

#include "Files.h"

namespace lw::publish {

namespace {

void StartSodium() {
  if (sodium_init() < 0) throw std::runtime_error("cannot start the signature library");
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

TKeyPair GenerateKeyPair() {
  StartSodium();
  TKeyPair pair;
  crypto_sign_keypair(pair.Public.Key.data(), pair.Secret.Key.data());
  randombytes_buf(pair.Public.KeyId.data(), pair.Public.KeyId.size());
  pair.Secret.KeyId = pair.Public.KeyId;
  return pair;
}

TKeyPair WriteKeyPair(const std::string& prefix) {
  const std::string pub = prefix + ".pub", key = prefix + ".key";
  for (const std::string& path : {pub, key})
    if (Exists(path)) throw std::runtime_error(path + " exists; not replacing a key");
  TKeyPair pair = GenerateKeyPair();
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

TMinisignSignature Sign(const std::string& data, const TMinisignSecretKey& key,
                        const std::string& trustedComment) {
  StartSodium();
  TMinisignSignature s;
  s.Prehashed = true;
  s.KeyId = key.KeyId;
  s.TrustedComment = trustedComment;
  unsigned char hash[crypto_generichash_BYTES_MAX];
  crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()),
                     data.size(), nullptr, 0);
  crypto_sign_detached(s.Signature.data(), nullptr, hash, sizeof hash, key.Key.data());
  std::string global(s.Signature.begin(), s.Signature.end());
  global += trustedComment;
  crypto_sign_detached(s.GlobalSignature.data(), nullptr,
                       reinterpret_cast<const unsigned char*>(global.data()), global.size(),
                       key.Key.data());
  return s;
}

}  // namespace lw::publish
