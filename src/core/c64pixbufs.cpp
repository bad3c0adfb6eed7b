#include "core/c64pixbufs.hpp"

#include "core/data/chargen.hpp"
#include "core/glib_ptr.hpp"
#include "core/palette.hpp"

#include <array>
#include <cstddef>

namespace {

// Each set is one 256x64 image, a grid of 32x8 glyph cells; glyph i sits at column i mod 32,
// row i div 32.
constexpr int glyphs_per_row = 32;
constexpr int glyph_pixels = static_cast<int>(c64_chargen_glyph_size);
constexpr int font_width = glyphs_per_row * glyph_pixels;
constexpr int font_height =
    static_cast<int>(c64_chargen_glyph_count) / glyphs_per_row * glyph_pixels;
constexpr int font_channels = 3;

using GlyphArray = std::array<PixbufPtr, c64_chargen_glyph_count>;

PixbufPtr uppercase_fonts;
PixbufPtr lowercase_fonts;
GlyphArray uppercase_font_array;
GlyphArray lowercase_font_array;
int set_uppercase = 1;

PixbufPtr new_font_image(std::size_t rom_offset) {
    PixbufPtr font(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, font_width, font_height));
    if (!font) {
        return font;
    }
    std::array<std::uint8_t, 3> off{};
    std::array<std::uint8_t, 3> on{};
    palette_get_pepto_rgb_at_index(c64pixbufs_off_colour, off.data());
    palette_get_pepto_rgb_at_index(c64pixbufs_on_colour, on.data());

    guchar *pixels = gdk_pixbuf_get_pixels(font.get());
    const int rowstride = gdk_pixbuf_get_rowstride(font.get());
    for (std::size_t code = 0; code < c64_chargen_glyph_count; ++code) {
        const int left = static_cast<int>(code) % glyphs_per_row * glyph_pixels;
        const int top = static_cast<int>(code) / glyphs_per_row * glyph_pixels;
        for (int row = 0; row < glyph_pixels; ++row) {
            const std::uint8_t bits =
                c64_chargen_rom[rom_offset + code * c64_chargen_glyph_size + row];
            guchar *pixel = pixels + (top + row) * rowstride + left * font_channels;
            for (int column = 0; column < glyph_pixels; ++column, pixel += font_channels) {
                const bool lit = (bits & (0x80 >> column)) != 0;
                const auto &colour = lit ? on : off;
                pixel[0] = colour[0];
                pixel[1] = colour[1];
                pixel[2] = colour[2];
            }
        }
    }
    return font;
}

// Glyphs are views into the set's image: they share its pixels and keep it alive.
void cut_glyphs(GdkPixbuf *font, GlyphArray &glyphs) {
    for (std::size_t code = 0; code < glyphs.size(); ++code) {
        const int left = static_cast<int>(code) % glyphs_per_row * glyph_pixels;
        const int top = static_cast<int>(code) / glyphs_per_row * glyph_pixels;
        glyphs[code].reset(gdk_pixbuf_new_subpixbuf(font, left, top, glyph_pixels, glyph_pixels));
    }
}

void build_set(PixbufPtr &font, GlyphArray &glyphs, std::size_t rom_offset) {
    if (font) {
        return;
    }
    font = new_font_image(rom_offset);
    if (font) {
        cut_glyphs(font.get(), glyphs);
    }
}

void build_fonts() {
    build_set(uppercase_fonts, uppercase_font_array, 0);
    build_set(lowercase_fonts, lowercase_font_array, c64_chargen_set_size);
}

} // namespace

void c64pixbufs_module_init() {
    build_fonts();
}

void c64pixbuf_set_case(int set_uppercase_flag) {
    set_uppercase = set_uppercase_flag;
}

GdkPixbuf *c64pixbufs_get_char_at_index(std::uint8_t screen_code) {
    return set_uppercase == 1 ? c64pixbufs_get_uppercase_char_at_index(screen_code)
                              : c64pixbufs_get_lowercase_char_at_index(screen_code);
}

GdkPixbuf *c64pixbufs_get_uppercase_char_at_index(std::uint8_t screen_code) {
    build_fonts();
    return uppercase_font_array[screen_code].get();
}

GdkPixbuf *c64pixbufs_get_lowercase_char_at_index(std::uint8_t screen_code) {
    build_fonts();
    return lowercase_font_array[screen_code].get();
}
