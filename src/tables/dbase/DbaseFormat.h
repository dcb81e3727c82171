#pragma once

// The parsed header of a .dbf file (dBase III/IV/5, FoxPro 2.x, Visual FoxPro) and the facts
// of the format that the reader and the writer share. How the files fit together, the
// pitfalls of real files and the tests that cover them: docs/formats/dbase.md.

#include <cstdint>
#include <string>
#include <vector>

#include "FieldType.h"

namespace lw {

class TPosixFile;

namespace dbase {

constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr uint8_t kHeaderEnd = 0x0D;
constexpr uint8_t kFileEnd = 0x1A;
constexpr uint8_t kLiveFlag = ' ';
constexpr uint8_t kDeletedFlag = '*';

// Version bytes we write.
constexpr uint8_t kVersionDbase3 = 0x03;
constexpr uint8_t kVersionDbase3Memo = 0x83;
constexpr uint8_t kVersionDbase4Memo = 0x8B;

// Windows ANSI (code page 1252): the code page mark that dBase IV, FoxPro, LibreOffice and
// shapelib all know.
constexpr uint8_t kLanguageDriverAnsi = 0x03;

// Visual FoxPro field flags (descriptor byte 18).
constexpr uint8_t kFlagSystem = 0x01;
constexpr uint8_t kFlagNullable = 0x02;
constexpr uint8_t kFlagBinary = 0x04;

enum class TMemoKind {
  None,      // the version byte announces no memo file
  DbaseIII,  // 512-byte blocks, text ended by 0x1A
  DbaseIV,   // blocks of the size in the memo header, FF FF 08 00 + length before the data
  FoxPro,    // .fpt: big-endian header, type + length before the data
  Smt,       // Clipper SIX .smt: not supported
};

struct TDbaseField {
  std::string Name;
  char Letter = 'C';
  int Offset = 0;  // from the start of the record (the deletion flag is byte 0)
  int Width = 0;
  int Decimals = 0;
  uint8_t Flags = 0;
  TFieldType Type = ftUnknown;
  int NullBit = -1;     // Visual FoxPro: bit in _NullFlags that marks the value null
  int LengthBit = -1;   // Visual FoxPro V/Q: bit that says the last byte holds the length
  bool Hidden = false;  // the _NullFlags system field
  bool BinaryMemoPointer = false;  // memo pointer stored as a 4-byte integer (Visual FoxPro)
};

struct TDbaseHeader {
  uint8_t Version = 0;
  int UpdateYear = 0, UpdateMonth = 0, UpdateDay = 0;
  uint32_t RecordCount = 0;  // as stored
  int HeaderLength = 0;
  int StoredRecordLength = 0;
  int RecordLength = 0;  // distance between records as they lie in the file
  uint8_t TableFlags = 0;
  uint8_t LanguageDriver = 0;
  bool VisualFoxPro = false;
  TMemoKind Memo = TMemoKind::None;
  std::vector<TDbaseField> Fields;  // including the hidden _NullFlags field
  int NullFlagsOffset = -1;
  int NullFlagsWidth = 0;

  bool HasMemoFields() const;
};

// Reads and checks the header and the field descriptors; throws EDatabaseError naming the
// file for anything it cannot read (dBase II, dBase 7, damage).
TDbaseHeader ReadDbaseHeader(const TPosixFile& file);

// "dBase III+ with memo", "Visual FoxPro", ... for a version byte.
std::string DbaseVersionName(uint8_t version);

// Windows/DOS code page of a language driver byte; 0 when the byte names none we know.
int CodePageFromLanguageDriver(uint8_t ldid);

// Little-endian helpers.
inline uint32_t GetU32LE(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t GetU16LE(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t GetU32BE(const uint8_t* p) {
  return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}
inline void PutU32LE(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void PutU16LE(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

}  // namespace dbase
}  // namespace lw
