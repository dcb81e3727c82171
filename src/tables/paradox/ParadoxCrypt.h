#pragma once

// The Paradox table cipher. Encrypted tables store a 32-bit checksum of the password in the
// header; the cipher itself is keyed by the low 16 bits of that checksum only, so a table can
// be decrypted without knowing the password, which is merely verified.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lw::paradox {

extern const uint8_t kCryptTableA[256];
extern const uint8_t kCryptTableB[256];
extern const uint8_t kCryptTableC[256];

constexpr size_t kCryptChunk = 256;

// One 256-byte chunk in place.
void EncryptChunk(uint8_t* chunk, uint8_t a, uint8_t b, uint8_t c, uint8_t d);
void DecryptChunk(uint8_t* chunk, uint8_t a, uint8_t b, uint8_t c, uint8_t d);
// The same from a plain chunk elsewhere (`plain` may be `chunk`).
void EncryptChunkTo(const uint8_t* plain, uint8_t* chunk, uint8_t a, uint8_t b, uint8_t c,
                    uint8_t d);

// A data block of a .db file (whole block including its 6-byte header). `size` is a multiple
// of 256; `firstChunk` lets a caller process part of a block (chunks are independent).
void EncryptDataBlock(uint8_t* data, size_t size, uint32_t key, uint32_t blockNo,
                      size_t firstChunk = 0);
void DecryptDataBlock(uint8_t* data, size_t size, uint32_t key, uint32_t blockNo,
                      size_t firstChunk = 0);
// The same from the block's plain image elsewhere (`plain` may be `data`).
void EncryptDataBlockTo(const uint8_t* plain, uint8_t* data, size_t size, uint32_t key,
                        uint32_t blockNo, size_t firstChunk = 0);

// The cipher moves every byte on its own: plain byte x of a chunk becomes cipher byte
// (C[x] - d) mod 256 of the same chunk, XORed with key bytes that depend only on the
// positions. So a change of a few bytes is encrypted without touching the rest of the chunk:
// EncryptDataBytes stores plain bytes [from, to) of data block `blockNo` (offsets within
// the block, any alignment) into the block's cipher image `cipher`: a chunk the range mostly
// covers is encrypted whole from `plain` (the block's whole plain image), the few bytes of
// any other chunk each on their own.
void EncryptDataBytes(const uint8_t* plain, uint8_t* cipher, size_t from, size_t to, uint32_t key,
                      uint32_t blockNo);

// The same for bytes [from, to) of a .mb file range that starts on a chunk boundary.
void EncryptBlobBytes(const uint8_t* plain, uint8_t* cipher, size_t from, size_t to, uint32_t key);

// Any 256-aligned range of a .mb file: every chunk uses the same parameters.
void EncryptBlobRange(uint8_t* data, size_t size, uint32_t key);
void DecryptBlobRange(uint8_t* data, size_t size, uint32_t key);

uint32_t PasswordChecksum(std::string_view password);

}  // namespace lw::paradox
