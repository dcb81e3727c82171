#pragma once

#include <string>
#include <string_view>

namespace lw {

// The 8-bit code pages of the table files and their characters, without any user-interface
// toolkit: the windows and the command-line tool read a table's text through these.
//
// Known code pages: 1252 (Windows Western) and 437 (the DOS code page older Paradox tables
// record). 0 (a table that records none) means Windows-1252; any other code page falls back
// to Latin-1, which at least keeps every byte.
inline constexpr int kDefaultCodePage = 1252;

// The character a stored byte stands for.
char16_t CodePageChar(unsigned char byte, int codePage);
// The byte the code page stores for a character; '?' when it has none.
char CodePageByte(char16_t ch, int codePage);
// Appends the stored bytes as UTF-8.
void AppendUtf8(std::string& out, std::string_view bytes, int codePage);
std::string CodePageToUtf8(std::string_view bytes, int codePage);
// The stored bytes for UTF-8 text (what a terminal or a settings file hands over); a byte that
// is not part of a UTF-8 sequence is kept as it is, so text already in the code page passes.
std::string Utf8ToCodePage(std::string_view utf8, int codePage);

}  // namespace lw
