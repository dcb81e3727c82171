#pragma once

// Helpers of the Paradox tests: SHA-256 (to check constant tables and blob payloads against
// published sums), a small JSON reader for the corpus's expected values, and code-page text
// conversion through iconv.

#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lw::test {

inline std::string Sha256Hex(std::string_view data) {
  static const uint32_t k[64] = {
      0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
      0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
      0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
      0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
      0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
      0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
      0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
      0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
      0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
      0xc67178f2};
  uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::string msg(data);
  const uint64_t bits = uint64_t{data.size()} * 8;
  msg.push_back(static_cast<char>(0x80));
  while (msg.size() % 64 != 56) msg.push_back(0);
  for (int i = 7; i >= 0; --i) msg.push_back(static_cast<char>(bits >> (8 * i)));
  auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
  for (size_t off = 0; off < msg.size(); off += 64) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
      const auto* p = reinterpret_cast<const uint8_t*>(msg.data() + off + 4 * i);
      w[i] = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    }
    for (int i = 16; i < 64; ++i) {
      uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    for (int i = 0; i < 64; ++i) {
      uint32_t t1 =
          hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
      uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      hh = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
  }
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (uint32_t v : h)
    for (int i = 7; i >= 0; --i) out.push_back(hex[(v >> (4 * i)) & 15]);
  return out;
}

// A parsed JSON value (numbers keep their text so that floats compare exactly).
struct TJson {
  enum class Kind { Null, Bool, Number, String, Array, Object } Kind = Kind::Null;
  bool Bool = false;
  std::string Text;  // number text or string value
  std::vector<TJson> Items;
  // An object's members as two parallel lists: a pair holding TJson cannot be a member of
  // TJson itself (its type is not complete yet), a vector of it can.
  std::vector<std::string> MemberNames;
  std::vector<TJson> MemberValues;

  const TJson* Find(const std::string& key) const {
    for (size_t i = 0; i < MemberNames.size(); ++i)
      if (MemberNames[i] == key) return &MemberValues[i];
    return nullptr;
  }
  const TJson& operator[](const std::string& key) const {
    const TJson* j = Find(key);
    if (!j) throw std::runtime_error("JSON has no member " + key);
    return *j;
  }
  bool IsNull() const { return Kind == Kind::Null; }
};

class TJsonReader {
 public:
  static TJson Parse(std::string_view text) {
    TJsonReader r(text);
    TJson v = r.Value();
    return v;
  }

 private:
  explicit TJsonReader(std::string_view t) : FText(t) {}
  void Space() {
    while (FPos < FText.size() && std::strchr(" \t\r\n", FText[FPos])) ++FPos;
  }
  [[noreturn]] void Fail() { throw std::runtime_error("bad JSON at " + std::to_string(FPos)); }
  char Peek() {
    Space();
    if (FPos >= FText.size()) Fail();
    return FText[FPos];
  }
  void Expect(char c) {
    if (Peek() != c) Fail();
    ++FPos;
  }
  static void PutUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  uint32_t Hex4() {
    if (FPos + 4 > FText.size()) Fail();
    uint32_t v = static_cast<uint32_t>(std::stoul(std::string(FText.substr(FPos, 4)), nullptr, 16));
    FPos += 4;
    return v;
  }
  std::string String() {
    Expect('"');
    std::string out;
    while (FPos < FText.size() && FText[FPos] != '"') {
      char c = FText[FPos++];
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (FPos >= FText.size()) Fail();
      char e = FText[FPos++];
      switch (e) {
        case 'n':
          out.push_back('\n');
          break;
        case 't':
          out.push_back('\t');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'u': {
          uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && FText.substr(FPos, 2) == "\\u") {
            FPos += 2;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (Hex4() - 0xDC00);
          }
          PutUtf8(out, cp);
          break;
        }
        default:
          out.push_back(e);
      }
    }
    Expect('"');
    return out;
  }
  TJson Value() {
    TJson v;
    char c = Peek();
    if (c == '{') {
      ++FPos;
      v.Kind = TJson::Kind::Object;
      if (Peek() == '}') return ++FPos, v;
      for (;;) {
        std::string key = String();
        Expect(':');
        TJson member = Value();
        v.MemberNames.push_back(key);
        v.MemberValues.push_back(std::move(member));
        if (Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect('}');
        return v;
      }
    }
    if (c == '[') {
      ++FPos;
      v.Kind = TJson::Kind::Array;
      if (Peek() == ']') return ++FPos, v;
      for (;;) {
        v.Items.push_back(Value());
        if (Peek() == ',') {
          ++FPos;
          continue;
        }
        Expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.Kind = TJson::Kind::String;
      v.Text = String();
      return v;
    }
    for (const char* word : {"null", "true", "false"}) {
      if (FText.substr(FPos, std::strlen(word)) == word) {
        FPos += std::strlen(word);
        v.Kind = word[0] == 'n' ? TJson::Kind::Null : TJson::Kind::Bool;
        v.Bool = word[0] == 't';
        return v;
      }
    }
    size_t start = FPos;
    while (FPos < FText.size() && std::strchr("+-0123456789.eE", FText[FPos])) ++FPos;
    if (start == FPos) Fail();
    v.Kind = TJson::Kind::Number;
    v.Text = std::string(FText.substr(start, FPos - start));
    return v;
  }

  std::string_view FText;
  size_t FPos = 0;
};

// Text in a table's code page as UTF-8 (code page 0: 437, as the corpus decoder did).
inline std::string ToUtf8(std::string_view text, int codePage) {
  const std::string from = "CP" + std::to_string(codePage ? codePage : 437);
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string in(text), out(text.size() * 4 + 16, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = in.size(), ol = out.size();
  iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  out.resize(out.size() - ol);
  return out;
}

}  // namespace lw::test
