#pragma once

#include <string>

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

// The value of `name` in a trusted comment of minisign's form, tab-separated "name:value"
// fields ("timestamp:1733745600\tfile:update.inf"); "" when it has none.
std::string TrustedCommentField(const std::string& comment, const std::string& name);

// A minisign key pair: the 8-byte key id and libsodium's Ed25519 keys.
struct TMinisignKey {
  unsigned char Id[8];
  unsigned char Public[32];
  unsigned char Secret[64];
};
TMinisignKey NewMinisignKey();
// The public key's base64 line, as the second line of a minisign.pub holds it.
std::string MinisignPublicKeyLine(const TMinisignKey& key);
// A pre-hashed ("ED") detached signature of `data` in minisign's file form.
std::string MinisignSign(const std::string& data, const TMinisignKey& key,
                         const std::string& trustedComment);

}  // namespace lw
