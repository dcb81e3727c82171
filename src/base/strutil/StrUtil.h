#pragma once

#include <cstdint>
#include <string>

// Text helpers shared by the whole program. Texts are 8-bit byte strings compared byte for
// byte; positions are 1-based. Every function that takes a count from a position follows the
// safe-substring rule: the result is empty when the start is below 1 or past the end or the
// count is negative, otherwise it is at most `count` characters from the start, never past the
// end. No function here throws for bad positions or counts.
namespace lw {

// The safe substring itself: up to `count` characters of s from the 1-based `start`.
std::string Str_Copy(const std::string& s, int64_t start, int64_t count);

// Field n (1-based) of s, fields separated by `delim`; "" for an empty s, n below 1 or a field
// past the last. With a delimiter longer than one character a field begins right after the
// first character of the preceding delimiter.
std::string Str_Extract(const std::string& s, int n, const std::string& delim);
// 1-based position of the n-th occurrence of sub in s (occurrences may overlap); 0 when there
// are fewer, when sub is empty or n is below 1.
int64_t Str_Pos(const std::string& s, const std::string& sub, int n = 1);
// Every occurrence of `find` replaced by `repl`, left to right; inserted text is not searched
// again. An empty `find` returns s unchanged.
std::string Str_StrTran(const std::string& s, const std::string& find, const std::string& repl);
// s padded on the left with c to n characters, or its rightmost n characters.
std::string Str_PadLeft(const std::string& s, int n, char c = ' ');
// s padded on the right with c to n characters, or its leftmost n characters.
std::string Str_PadRight(const std::string& s, int n, char c = ' ');
std::string Str_Left(const std::string& s, int64_t n);
std::string Str_Right(const std::string& s, int64_t n);
std::string Str_SubToEnd(const std::string& s, int64_t pos);
// The first pos-1 characters of s, then ins, then s from pos+count on.
std::string Str_Stuff(const std::string& s, const std::string& ins, int64_t pos, int64_t count);
// Non-overlapping occurrences of sub, left to right; 0 for an empty sub.
int Str_StrCount(const std::string& s, const std::string& sub);
std::string Str_Replicate(char c, int64_t n);
std::string Str_Space(int64_t n);

// ASCII-only case changes (other bytes unchanged) and comparisons without regard to case.
std::string Str_Upper(std::string s);
std::string Str_Lower(std::string s);
bool Str_SameText(const std::string& a, const std::string& b);
// Blanks (space, tab, vertical tab, CR, LF) removed from both ends.
std::string Str_Trim(const std::string& s);

// -1, 0 or 1 comparing two version texts component by component ("." or "," separated, the
// first four components as integers, a missing or non-numeric component counting as 0).
int CompareVer(const std::string& a, const std::string& b);
// "1023 bytes", "1.00 Kb" (1024 bytes), "1.00 Mb" (1,024,000 bytes).
std::string FileSizeFmt(int64_t n);
// "999 bytes/sec", "1.50 Kb/sec" (1000), "2.50 Mb/sec" (1,000,000).
std::string FileSizeFmtSpeed(int64_t n);
// The part after the last '/' or '\' (the whole text when it has neither).
std::string UrlToFile(const std::string& url);
// The host of a URL: scheme and user information dropped, path cut off, port kept.
std::string ExtractServer(const std::string& url);

}  // namespace lw
