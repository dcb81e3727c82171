#pragma once

#include <string>

namespace lw::publish {

// The name a file is published under when LZ-packed: its last character replaced by "_".
// "" when the expanding side could not restore the original name from it.
std::string SzddPackedName(const std::string& name);

// `data` in the Microsoft LZ ("SZDD") format, recording the last character of `name` so that
// the file expands to that name. Throws for data of 4 GiB or more (the header's length).
std::string SzddCompress(const std::string& data, const std::string& name);

}  // namespace lw::publish
