#include "Minisign.h"

#include <sodium.h>

#include <stdexcept>

#include "MinisignFormat.h"

namespace lw {

namespace {

bool Verify(const unsigned char* signature, const std::string& message,
            const TMinisignPublicKey& key) {
  return crypto_sign_verify_detached(signature,
                                     reinterpret_cast<const unsigned char*>(message.data()),
                                     message.size(), key.Key.data()) == 0;
}

}  // namespace

bool VerifyMinisign(const std::string& data, const std::string& signatureText,
                    const std::string& publicKey, std::string& error, std::string* trustedComment) {
  if (sodium_init() < 0) {
    error = "Cannot start the signature library";
    return false;
  }
  TMinisignPublicKey key;
  TMinisignSignature sig;
  try {
    key = ParseMinisignPublicKey(publicKey);
  } catch (const std::exception&) {
    error = "The update public key is not a minisign key";
    return false;
  }
  try {
    sig = ParseMinisignSignature(signatureText);
  } catch (const std::exception& e) {
    error = std::string("The signature file: ") + e.what();
    return false;
  }
  if (sig.KeyId != key.KeyId) {
    error = "The signature was made with another key";
    return false;
  }
  std::string signedData = data;
  if (sig.Prehashed) {
    unsigned char hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()),
                       data.size(), nullptr, 0);
    signedData.assign(reinterpret_cast<const char*>(hash), sizeof hash);
  }
  if (!Verify(sig.Signature.data(), signedData, key)) {
    error = "Signature verification failed";
    return false;
  }
  // The trusted comment is signed together with the signature itself.
  const std::string global =
      std::string(sig.Signature.begin(), sig.Signature.end()) + sig.TrustedComment;
  if (!Verify(sig.GlobalSignature.data(), global, key)) {
    error = "Trusted comment signature verification failed";
    return false;
  }
  if (trustedComment) *trustedComment = sig.TrustedComment;
  return true;
}

namespace {

void StartSodium() {
  if (sodium_init() < 0) throw std::runtime_error("cannot start the signature library");
}

}  // namespace

TMinisignKeyPair GenerateMinisignKeyPair() {
  StartSodium();
  TMinisignKeyPair pair;
  crypto_sign_keypair(pair.Public.Key.data(), pair.Secret.Key.data());
  randombytes_buf(pair.Public.KeyId.data(), pair.Public.KeyId.size());
  pair.Secret.KeyId = pair.Public.KeyId;
  return pair;
}

TMinisignSignature SignMinisign(const std::string& data, const TMinisignSecretKey& key,
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

}  // namespace lw
