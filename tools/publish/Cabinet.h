#pragma once

#include <ctime>
#include <string>

namespace lw::publish {

// A cabinet holding the one file `name` with `data`, stored without compression (one folder
// of type "none"), with the file's modification time and, for a program, its "executable"
// attribute. Throws for data beyond what one cabinet folder may hold.
std::string CabinetOf(const std::string& name, const std::string& data, std::time_t modified,
                      bool executable);

}  // namespace lw::publish
