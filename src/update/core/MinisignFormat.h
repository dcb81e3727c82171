#pragma once

#include <array>
#include <string>

namespace lw {

// The three minisign files: a public key, an unencrypted secret key and a detached signature.
// The engine reads keys and signatures, the publisher's tool writes all three; both go
// through here so that a file one side writes is what the other side reads. Reading throws
// std::runtime_error with a message saying what is wrong with the text.

using TMinisignKeyId = std::array<unsigned char, 8>;

struct TMinisignPublicKey {
  TMinisignKeyId KeyId{};
  std::array<unsigned char, 32> Key{};
};

// libsodium's 64-byte Ed25519 secret key (seed, then public key).
struct TMinisignSecretKey {
  TMinisignKeyId KeyId{};
  std::array<unsigned char, 64> Key{};
};

struct TMinisignSignature {
  // "ED": the signature is of the BLAKE2b-512 digest of the data; "Ed": of the data itself.
  bool Prehashed = true;
  TMinisignKeyId KeyId{};
  std::array<unsigned char, 64> Signature{};
  std::string TrustedComment;
  // Signs the signature and the trusted comment together.
  std::array<unsigned char, 64> GlobalSignature{};
};

// A whole ".pub" file or its base64 line alone.
TMinisignPublicKey ParseMinisignPublicKey(const std::string& text);
std::string FormatMinisignPublicKey(const TMinisignPublicKey& key);

// Only unencrypted keys (minisign -G -W): an encrypted one is refused with a message.
TMinisignSecretKey ParseMinisignSecretKey(const std::string& text);
std::string FormatMinisignSecretKey(const TMinisignSecretKey& key);

TMinisignSignature ParseMinisignSignature(const std::string& text);
std::string FormatMinisignSignature(const TMinisignSignature& signature);

// The key id as minisign prints it: 16 upper-case hex digits of the id read little-endian.
std::string MinisignKeyIdText(const TMinisignKeyId& id);

// The value of one "name:value" field of a trusted comment (fields are separated by tabs, as
// in minisign's default "timestamp:<seconds>\tfile:<name>\thashed"); "" when absent.
std::string TrustedCommentField(const std::string& comment, const std::string& name);

}  // namespace lw
