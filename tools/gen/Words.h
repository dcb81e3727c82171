#pragma once

#include <span>

namespace lw::gen {

// Word lists the made-up names and addresses are built from.
std::span<const char* const> FirstNames();
std::span<const char* const> LastNames();
std::span<const char* const> StreetNames();
std::span<const char* const> StreetTypes();
std::span<const char* const> CompanyWords();  // "Lakeside", "Summit", ...
std::span<const char* const> CompanySuffixes();
std::span<const char* const> NoteTexts();

}  // namespace lw::gen
