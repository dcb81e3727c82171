#pragma once

#include <cstdint>
#include <string>

namespace lw {

// Whether a name stored in a cabinet may be written below a target directory: not empty, not
// absolute ("/x", "\x", "C:x"), and without a "." or ".." component. Names use "\" or "/".
bool SafeCabinetName(const std::string& storedName);

// The sum of the sizes the cabinet at `path` declares for its files; -1 when it is no
// cabinet. Extraction writes each file at its declared size.
int64_t CabDeclaredSize(const std::string& path);

// Extracts every file of the cabinet below `targetDir` ("" means the current directory),
// creating missing directories, and sets each file's time from the cabinet. All stored names
// are checked before anything is written; one unsafe name refuses the whole cabinet. Each
// file is written to a temporary file and renamed over its name, so an existing file is
// either replaced whole or left as it was. 0 on success, -1 on any failure (`error` set).
int CabExtract(const std::string& cabinet, const std::string& targetDir,
               std::string* error = nullptr);

}  // namespace lw
