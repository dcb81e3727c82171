#pragma once

#include <cstdint>
#include <string>

namespace lw {

bool FileExists(const std::string& path);  // a regular file (or a link to one)
bool DirectoryExists(const std::string& path);
// Creates `dir` and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& dir);

// '\' separators (files written on Windows) turned into '/'.
std::string SlashPath(const std::string& path);
// `dir` with one trailing '/' added when it has none ("" stays "").
std::string IncludeTrailingSlash(const std::string& dir);
// `dir` without one trailing '/' or '\' (when present).
std::string ExcludeTrailingSlash(const std::string& dir);
// The directory part of a path including its trailing '/' ("" for a bare name).
std::string ExtractFilePath(const std::string& path);
// The part after the last '/'.
std::string ExtractFileName(const std::string& path);
// The file name's extension with its '.' ("data.cab" gives ".cab"), "" when it has none; the
// directory part never counts ("my.cabinet/data" has none).
std::string ExtractFileExt(const std::string& path);

// The running program's own path (/proc/self/exe resolved), "" when unknown.
std::string ProgramPath();

// The last modification of the file as a local date-time: milliseconds counted like the
// table engine's date-time values (0001-01-01 is day 1, day 1 starting at 86,400,000 ms).
// 0 when the file does not exist.
int64_t FileDateTime(const std::string& path);

// The nearest thing to a program's registered "App Paths" directory: the directory (without
// trailing '/') holding the first executable named like the file-name part of `exe` on the
// PATH. "" when none is found; never throws.
std::string RegFilePath(const std::string& exe);

}  // namespace lw
