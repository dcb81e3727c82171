#pragma once

#include <string>

#include "MinisignFormat.h"

namespace lw {

// Verifies a detached minisign signature (the text of a ".minisig" file) of `data` with a
// public key given as its base64 line (the second line of a minisign.pub, or the key alone).
// Both the legacy ("Ed") and the pre-hashed ("ED", BLAKE2b-512) signatures are accepted; the
// key ids must agree and the trusted comment's global signature must hold too. False with
// `error` set otherwise.
// `trustedComment`, when given, receives the signed trusted comment.
bool VerifyMinisign(const std::string& data, const std::string& signatureText,
                    const std::string& publicKey, std::string& error,
                    std::string* trustedComment = nullptr);

struct TMinisignKeyPair {
  TMinisignPublicKey Public;
  TMinisignSecretKey Secret;
};

// A new key pair with a random key id.
TMinisignKeyPair GenerateMinisignKeyPair();

// A pre-hashed ("ED") detached signature of `data`, as current minisign makes by default.
TMinisignSignature SignMinisign(const std::string& data, const TMinisignSecretKey& key,
                                const std::string& trustedComment);

}  // namespace lw
