#pragma once
// The product name and version, as the about box and the project files carry it.

inline constexpr const char *sidewell_name_and_version = "C64 Sidewell 1.1.4";
