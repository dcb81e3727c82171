// The Paradox cipher: its constant tables are the published ones, the password checksum
// matches the stored values of real tables, and every transform inverts.
#include "paradox/ParadoxCrypt.h"

#include <gtest/gtest.h>

#include <string>

#include "ParadoxSupport.h"
#include "TableCodec.h"

namespace lw {
namespace {

using namespace paradox;

std::string AsString(const uint8_t* p, size_t n) {
  return std::string(reinterpret_cast<const char*>(p), n);
}

TEST(ParadoxCrypt, ConstantTablesMatchTheirPublishedSums) {
  EXPECT_EQ(test::Sha256Hex(AsString(kCryptTableA, 256)),
            "c5a5fe3d4de74cc7e5777a94adbbcc36177d1a95114af9de1a5dd65a8fec2b60");
  EXPECT_EQ(test::Sha256Hex(AsString(kCryptTableB, 256)),
            "5171c9ac4c8ce77135f9140185a31e2886550b42f3d24b88db10605a683fa228");
  EXPECT_EQ(test::Sha256Hex(AsString(kCryptTableC, 256)),
            "40e13a8a8a4a84d2dadbee614e512dafa849c7249d70f3478141f3668a547619");
  EXPECT_EQ(test::Sha256Hex("abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(ParadoxCrypt, PasswordChecksums) {
  EXPECT_EQ(ParadoxPasswordChecksum("123"), 0x0A25E09Au);  // stored in real encrypted tables
  EXPECT_EQ(ParadoxPasswordChecksum("test"), 0x20E26198u);
  EXPECT_EQ(ParadoxPasswordChecksum("password"), 0x73BC0DF9u);
  EXPECT_EQ(ParadoxPasswordChecksum(""), 0u);
  EXPECT_NE(ParadoxPasswordChecksum("Test"), ParadoxPasswordChecksum("test"));  // case matters
  // Passwords longer than the cipher's chunk still give a checksum, from their first 256 bytes.
  EXPECT_EQ(ParadoxPasswordChecksum(std::string(300, 'x')),
            ParadoxPasswordChecksum(std::string(256, 'x')));
}

TEST(ParadoxCrypt, TransformsInvertAndDependOnTheirParameters) {
  std::string plain(4096, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 31 + 7);
  auto data = [](std::string& s) { return reinterpret_cast<uint8_t*>(s.data()); };

  std::string block = plain;
  EncryptDataBlock(data(block), block.size(), 0x0A25E09A, 3);
  EXPECT_NE(block, plain);
  std::string other = plain;
  EncryptDataBlock(data(other), other.size(), 0x0A25E09A, 4);  // the block number keys it too
  EXPECT_NE(block, other);
  DecryptDataBlock(data(block), block.size(), 0x0A25E09A, 3);
  EXPECT_EQ(block, plain);
  // Each block number permutes the chunks its own way, and each way inverts.
  for (uint32_t blockNo = 0; blockNo < 256; ++blockNo) {
    std::string b = plain;
    EncryptDataBlock(data(b), b.size(), 0x0A25E09A, blockNo);
    DecryptDataBlock(data(b), b.size(), 0x0A25E09A, blockNo);
    ASSERT_EQ(b, plain) << "block " << blockNo;
  }

  // Chunks are independent: the second half of a block decrypts on its own.
  EncryptDataBlock(data(block), block.size(), 0x1234, 9);
  std::string half = block.substr(2048);
  DecryptDataBlock(data(half), half.size(), 0x1234, 9, 8);
  EXPECT_EQ(half, plain.substr(2048));

  // Blob files use the same parameters everywhere: any aligned range decrypts alone.
  std::string mb = plain;
  EncryptBlobRange(data(mb), mb.size(), 0xBEEF);
  std::string tail = mb.substr(1024, 512);
  DecryptBlobRange(data(tail), tail.size(), 0xBEEF);
  EXPECT_EQ(tail, plain.substr(1024, 512));
}

// Writers encrypt only the bytes they change: any range stored that way must leave the cipher
// image exactly as encrypting the whole changed block would, whether the range covers a chunk
// mostly (encrypted whole) or a few bytes of it (each byte on its own).
TEST(ParadoxCrypt, ChangedBytesEncryptAsTheWholeBlockWould) {
  auto data = [](std::string& s) { return reinterpret_cast<uint8_t*>(s.data()); };
  std::string plain(4096, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 131 + 17);
  const uint32_t key = 0x0A25E09A;
  for (uint32_t blockNo : {1u, 77u, 256u, 700u}) {
    std::string cipher = plain;
    EncryptDataBlock(data(cipher), cipher.size(), key, blockNo);
    const std::pair<size_t, size_t> ranges[] = {{0, 6},       {4, 6},       {6, 449},   {250, 260},
                                                {1000, 1443}, {3900, 4096}, {511, 513}, {0, 4096}};
    for (auto [from, to] : ranges) {
      std::string changed = plain;
      for (size_t i = from; i < to; ++i) changed[i] = static_cast<char>(changed[i] ^ 0x5A);
      std::string expected = changed;
      EncryptDataBlock(data(expected), expected.size(), key, blockNo);
      std::string stored = cipher;
      EncryptDataBytes(data(changed), data(stored), from, to, key, blockNo);
      ASSERT_EQ(stored, expected) << "block " << blockNo << " bytes " << from << "-" << to;

      std::string mbExpected = changed, mbStored = plain;
      EncryptBlobRange(data(mbExpected), mbExpected.size(), key);
      EncryptBlobRange(data(mbStored), mbStored.size(), key);
      EncryptBlobBytes(data(changed), data(mbStored), from, to, key);
      ASSERT_EQ(mbStored, mbExpected) << "blob bytes " << from << "-" << to;
    }
  }
}

}  // namespace
}  // namespace lw
