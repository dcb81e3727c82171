#include "Minisign.h"

#include <sodium.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "strutil/StrUtil.h"

namespace lw {

namespace {

bool Base64(const std::string& text, std::vector<unsigned char>& out, size_t expect) {
  out.assign(expect + 8, 0);
  size_t len = 0;
  if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), " \t\r\n", &len, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0)
    return false;
  out.resize(len);
  return len == expect;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(cur);
      cur.clear();
    } else if (c != '\r') {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

}  // namespace

bool VerifyMinisign(const std::string& data, const std::string& signatureText,
                    const std::string& publicKey, std::string& error, std::string* trustedComment) {
  if (sodium_init() < 0) {
    error = "Cannot start the signature library";
    return false;
  }
  // The key: "untrusted comment: ..." then the base64 line, or the base64 line alone.
  std::string keyLine = Str_Trim(publicKey);
  const std::vector<std::string> keyLines = Lines(publicKey);
  if (keyLines.size() >= 2 && keyLines[0].rfind("untrusted comment:", 0) == 0)
    keyLine = Str_Trim(keyLines[1]);
  std::vector<unsigned char> key;
  if (!Base64(keyLine, key, 2 + 8 + crypto_sign_PUBLICKEYBYTES) || key[0] != 'E' || key[1] != 'd') {
    error = "The update public key is not a minisign key";
    return false;
  }
  const std::vector<std::string> lines = Lines(signatureText);
  const std::string kTrusted = "trusted comment: ";
  if (lines.size() < 4 || lines[0].rfind("untrusted comment:", 0) != 0 ||
      lines[2].rfind(kTrusted, 0) != 0) {
    error = "The signature file is not a minisign signature";
    return false;
  }
  std::vector<unsigned char> sig, global;
  if (!Base64(Str_Trim(lines[1]), sig, 2 + 8 + crypto_sign_BYTES) ||
      !Base64(Str_Trim(lines[3]), global, crypto_sign_BYTES)) {
    error = "The signature file is damaged";
    return false;
  }
  if (std::memcmp(sig.data() + 2, key.data() + 2, 8) != 0) {
    error = "The signature was made with another key";
    return false;
  }
  const unsigned char* pk = key.data() + 10;
  const unsigned char* s = sig.data() + 10;
  int rc = -1;
  if (sig[0] == 'E' && sig[1] == 'd') {
    rc = crypto_sign_verify_detached(s, reinterpret_cast<const unsigned char*>(data.data()),
                                     data.size(), pk);
  } else if (sig[0] == 'E' && sig[1] == 'D') {
    unsigned char hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()),
                       data.size(), nullptr, 0);
    rc = crypto_sign_verify_detached(s, hash, sizeof hash, pk);
  } else {
    error = "Unknown signature algorithm";
    return false;
  }
  if (rc != 0) {
    error = "Signature verification failed";
    return false;
  }
  // The trusted comment is signed together with the signature itself.
  std::string signedComment(reinterpret_cast<const char*>(s), crypto_sign_BYTES);
  signedComment += lines[2].substr(kTrusted.size());
  if (crypto_sign_verify_detached(global.data(),
                                  reinterpret_cast<const unsigned char*>(signedComment.data()),
                                  signedComment.size(), pk) != 0) {
    error = "Trusted comment signature verification failed";
    return false;
  }
  if (trustedComment) *trustedComment = lines[2].substr(kTrusted.size());
  return true;
}

std::string TrustedCommentField(const std::string& comment, const std::string& name) {
  const std::string prefix = name + ":";
  size_t start = 0;
  while (start <= comment.size()) {
    size_t end = comment.find('\t', start);
    if (end == std::string::npos) end = comment.size();
    if (comment.compare(start, prefix.size(), prefix) == 0)
      return comment.substr(start + prefix.size(), end - start - prefix.size());
    start = end + 1;
  }
  return {};
}

namespace {

std::string ToBase64(const unsigned char* bytes, size_t size) {
  std::string out(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(out.data(), out.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
  out.resize(std::strlen(out.c_str()));
  return out;
}

}  // namespace

TMinisignKey NewMinisignKey() {
  if (sodium_init() < 0) throw std::runtime_error("Cannot start the signature library");
  TMinisignKey key{};
  randombytes_buf(key.Id, sizeof key.Id);
  crypto_sign_keypair(key.Public, key.Secret);
  return key;
}

std::string MinisignPublicKeyLine(const TMinisignKey& key) {
  unsigned char raw[2 + 8 + 32] = {'E', 'd'};
  std::memcpy(raw + 2, key.Id, 8);
  std::memcpy(raw + 10, key.Public, 32);
  return ToBase64(raw, sizeof raw);
}

std::string MinisignSign(const std::string& data, const TMinisignKey& key,
                         const std::string& trustedComment) {
  unsigned char hash[crypto_generichash_BYTES_MAX];
  crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()),
                     data.size(), nullptr, 0);
  unsigned char sig[2 + 8 + crypto_sign_BYTES] = {'E', 'D'};
  std::memcpy(sig + 2, key.Id, 8);
  crypto_sign_detached(sig + 10, nullptr, hash, sizeof hash, key.Secret);
  std::string global(reinterpret_cast<const char*>(sig + 10), crypto_sign_BYTES);
  global += trustedComment;
  unsigned char globalSig[crypto_sign_BYTES];
  crypto_sign_detached(globalSig, nullptr, reinterpret_cast<const unsigned char*>(global.data()),
                       global.size(), key.Secret);
  return "untrusted comment: signature from lw\n" + ToBase64(sig, sizeof sig) +
         "\ntrusted comment: " + trustedComment + "\n" + ToBase64(globalSig, sizeof globalSig) +
         "\n";
}

}  // namespace lw
