#pragma once

#include <string>

#include "Minisign.h"

namespace lw::publish {

using TKeyPair = TMinisignKeyPair;

// Writes PREFIX.pub and PREFIX.key (readable by the owner only). Refuses, writing nothing,
// when either exists: a maker who lost the old secret key that way could no longer sign for
// the programs built with its public key.
TKeyPair WriteKeyPair(const std::string& prefix);

// The secret key file's key; throws with the file's name in the message.
TMinisignSecretKey ReadSecretKey(const std::string& path);

}  // namespace lw::publish
