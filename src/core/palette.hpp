#pragma once
// The sixteen C64 colours in the four palettes the editor offers. The palette in use is
// options_palette, read on every call.

#include <array>
#include <cstdint>
#include <span>

constexpr int palette_colour_count = 16;

// Writes R, G, B of the colour in the current palette; untouched for a palette outside 0-3.
void palette_get_rgb_at_index(int index, std::uint8_t *rgb);
using PaletteRgb = std::array<std::uint8_t, 3>;
// The same as a value; black for a palette outside 0-3.
PaletteRgb palette_get_rgb(int index);
// The colour as gdk_pixbuf_fill takes it: red<<24 | green<<16 | blue<<8 | 0xFF.
std::uint32_t palette_get_rgba_fill(int index);
// Writes the colour into an RGBA pixel with alpha 255.
void palette_put_opaque_pixel(std::uint8_t *pixel, const PaletteRgb &rgb);
void palette_get_rgb_double_at_index(int index, double *rgb);
// Always Pepto: glyph images are drawn in Pepto blue and light blue.
void palette_get_pepto_rgb_at_index(int index, std::uint8_t *rgb);
// Lowest index whose current-palette colour equals rgb exactly; 0 when none does.
unsigned palette_get_index_for_rgb(const std::uint8_t *rgb);

// The colour's name as artists say it ("light blue"); index reduced modulo 16.
const char *palette_get_colour_name(int index);

// A palette an image may have been painted with: the editor's four (options_palette's values,
// in order) and those paint programs and emulators commonly ship.
struct PaletteKnown {
    const char *name;
    const std::array<PaletteRgb, palette_colour_count> *colours;
};
std::span<const PaletteKnown> palette_get_known_palettes();
