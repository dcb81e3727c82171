#pragma once

#include <string>

#include "MinisignFormat.h"

namespace lw::publish {

struct TKeyPair {
  TMinisignPublicKey Public;
  TMinisignSecretKey Secret;
};

TKeyPair GenerateKeyPair();

// Writes PREFIX.pub and PREFIX.key (readable by the owner only). Refuses, writing nothing,
// when either exists: a maker who lost the old secret key that way could no longer sign for
// the programs built with its public key.
TKeyPair WriteKeyPair(const std::string& prefix);

// The secret key file's key; throws with the file's name in the message.
TMinisignSecretKey ReadSecretKey(const std::string& path);

// A pre-hashed ("ED") detached signature of `data`, as current minisign makes by default.
TMinisignSignature Sign(const std::string& data, const TMinisignSecretKey& key,
                        const std::string& trustedComment);

}  // namespace lw::publish
