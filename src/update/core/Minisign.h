#pragma once

#include <string>

namespace lw {

// Verifies a detached minisign signature (the text of a ".minisig" file) of `data` with a
// public key given as its base64 line (the second line of a minisign.pub, or the key alone).
// Both the legacy ("Ed") and the pre-hashed ("ED", BLAKE2b-512) signatures are accepted; the
// key ids must agree and the trusted comment's global signature must hold too. False with
// `error` set otherwise.
bool VerifyMinisign(const std::string& data, const std::string& signatureText,
                    const std::string& publicKey, std::string& error);

}  // namespace lw
