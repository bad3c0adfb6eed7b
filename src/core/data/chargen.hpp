#pragma once
// The C64 character generator ROM 901225-01: the upper case/graphics set followed by the lower
// case set, each 256 glyphs in screen code order, 8 bytes a glyph (one per pixel row, most
// significant bit leftmost). Codes 128-255 are the ROM's reverse-video glyphs.

#include <array>
#include <cstddef>
#include <cstdint>

constexpr std::size_t c64_chargen_glyph_size = 8;
constexpr std::size_t c64_chargen_glyph_count = 256;
constexpr std::size_t c64_chargen_set_size = c64_chargen_glyph_size * c64_chargen_glyph_count;
constexpr std::size_t c64_chargen_size = 2 * c64_chargen_set_size;

extern const std::array<std::uint8_t, c64_chargen_size> c64_chargen_rom;
