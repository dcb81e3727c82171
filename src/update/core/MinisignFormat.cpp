#include "MinisignFormat.h"

#include <sodium.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "strutil/StrUtil.h"

namespace lw {

namespace {

const std::string kUntrusted = "untrusted comment:";
const std::string kTrusted = "trusted comment: ";

// Secret key: signature, KDF and checksum algorithms, KDF salt and limits (all unused
// without a password), key id, key, checksum.
constexpr size_t kKdfAlg = 2, kChkAlg = 4, kKeyNum = 54, kSecret = 62, kChk = 126,
                 kSecretSize = 158;

void Fail(const std::string& what) {
  throw std::runtime_error(what);
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

std::vector<unsigned char> Decode(const std::string& text, size_t expect, const std::string& what) {
  std::vector<unsigned char> out(expect + 8);
  size_t len = 0;
  const std::string t = Str_Trim(text);
  if (sodium_base642bin(out.data(), out.size(), t.data(), t.size(), " \t\r\n", &len, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      len != expect)
    Fail(what);
  out.resize(len);
  return out;
}

std::string Encode(const unsigned char* bytes, size_t n) {
  std::string out(sodium_base64_ENCODED_LEN(n, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(out.data(), out.size(), bytes, n, sodium_base64_VARIANT_ORIGINAL);
  out.resize(out.size() - 1);  // the terminating zero
  return out;
}

// The base64 line of a key file: the line after its untrusted comment, or the text alone.
std::string KeyLine(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  if (lines.size() >= 2 && lines[0].rfind(kUntrusted, 0) == 0) return lines[1];
  return text;
}

void SecretKeyCheck(const unsigned char* raw, unsigned char* chk) {
  if (sodium_init() < 0) Fail("cannot start the signature library");
  crypto_generichash_state st;
  crypto_generichash_init(&st, nullptr, 0, 32);
  crypto_generichash_update(&st, raw, 2);
  crypto_generichash_update(&st, raw + kKeyNum, 8);
  crypto_generichash_update(&st, raw + kSecret, 64);
  crypto_generichash_final(&st, chk, 32);
}

}  // namespace

TMinisignPublicKey ParseMinisignPublicKey(const std::string& text) {
  const auto raw = Decode(KeyLine(text), 2 + 8 + 32, "not a minisign public key");
  if (raw[0] != 'E' || raw[1] != 'd') Fail("not an Ed25519 minisign public key");
  TMinisignPublicKey key;
  std::memcpy(key.KeyId.data(), raw.data() + 2, 8);
  std::memcpy(key.Key.data(), raw.data() + 10, 32);
  return key;
}

std::string FormatMinisignPublicKey(const TMinisignPublicKey& key) {
  unsigned char raw[42] = {'E', 'd'};
  std::memcpy(raw + 2, key.KeyId.data(), 8);
  std::memcpy(raw + 10, key.Key.data(), 32);
  return kUntrusted + " minisign public key " + MinisignKeyIdText(key.KeyId) + "\n" +
         Encode(raw, sizeof raw) + "\n";
}

TMinisignSecretKey ParseMinisignSecretKey(const std::string& text) {
  auto raw = Decode(KeyLine(text), kSecretSize, "not a minisign secret key");
  if (std::memcmp(raw.data(), "Ed", 2) != 0 || std::memcmp(raw.data() + kChkAlg, "B2", 2) != 0)
    Fail("not an Ed25519 minisign secret key");
  if (raw[kKdfAlg] != 0 || raw[kKdfAlg + 1] != 0)
    Fail(
        "the secret key is protected by a password; this tool needs an unencrypted key "
        "(lw-publish keygen, or minisign -G -W)");
  // minisign leaves the checksum of an unencrypted key zero; one that is set must hold.
  unsigned char chk[32], zero[32] = {};
  SecretKeyCheck(raw.data(), chk);
  if (std::memcmp(raw.data() + kChk, zero, 32) != 0 && std::memcmp(raw.data() + kChk, chk, 32) != 0)
    Fail("the secret key is damaged (its checksum does not hold)");
  TMinisignSecretKey key;
  std::memcpy(key.KeyId.data(), raw.data() + kKeyNum, 8);
  std::memcpy(key.Key.data(), raw.data() + kSecret, 64);
  sodium_memzero(raw.data(), raw.size());
  return key;
}

std::string FormatMinisignSecretKey(const TMinisignSecretKey& key) {
  unsigned char raw[kSecretSize] = {'E', 'd', 0, 0, 'B', '2'};
  std::memcpy(raw + kKeyNum, key.KeyId.data(), 8);
  std::memcpy(raw + kSecret, key.Key.data(), 64);
  SecretKeyCheck(raw, raw + kChk);
  const std::string b64 = Encode(raw, sizeof raw);
  sodium_memzero(raw, sizeof raw);
  return kUntrusted + " minisign secret key " + MinisignKeyIdText(key.KeyId) + ", unencrypted\n" +
         b64 + "\n";
}

TMinisignSignature ParseMinisignSignature(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  if (lines.size() < 4 || lines[0].rfind(kUntrusted, 0) != 0 || lines[2].rfind(kTrusted, 0) != 0)
    Fail("not a minisign signature");
  const auto sig = Decode(lines[1], 2 + 8 + 64, "the signature is damaged");
  const auto global = Decode(lines[3], 64, "the signature is damaged");
  TMinisignSignature s;
  if (sig[0] != 'E' || (sig[1] != 'd' && sig[1] != 'D')) Fail("unknown signature algorithm");
  s.Prehashed = sig[1] == 'D';
  std::memcpy(s.KeyId.data(), sig.data() + 2, 8);
  std::memcpy(s.Signature.data(), sig.data() + 10, 64);
  s.TrustedComment = lines[2].substr(kTrusted.size());
  std::memcpy(s.GlobalSignature.data(), global.data(), 64);
  return s;
}

std::string FormatMinisignSignature(const TMinisignSignature& s) {
  if (s.TrustedComment.find_first_of("\r\n") != std::string::npos)
    Fail("a trusted comment is one line");
  unsigned char sig[74] = {'E', static_cast<unsigned char>(s.Prehashed ? 'D' : 'd')};
  std::memcpy(sig + 2, s.KeyId.data(), 8);
  std::memcpy(sig + 10, s.Signature.data(), 64);
  return kUntrusted + " signature from minisign secret key\n" + Encode(sig, sizeof sig) + "\n" +
         kTrusted + s.TrustedComment + "\n" +
         Encode(s.GlobalSignature.data(), s.GlobalSignature.size()) + "\n";
}

std::string MinisignKeyIdText(const TMinisignKeyId& id) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = id.size(); i-- > 0;) {
    out += kHex[id[i] >> 4];
    out += kHex[id[i] & 15];
  }
  return out;
}

std::string TrustedCommentField(const std::string& comment, const std::string& name) {
  size_t start = 0;
  while (start <= comment.size()) {
    size_t end = comment.find('\t', start);
    if (end == std::string::npos) end = comment.size();
    if (comment.compare(start, name.size() + 1, name + ":") == 0)
      return comment.substr(start + name.size() + 1, end - start - name.size() - 1);
    start = end + 1;
  }
  return {};
}

}  // namespace lw
