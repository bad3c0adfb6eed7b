#include "core/pixbufs.hpp"

#include "core/c64pixbufs.hpp"
#include "core/palette.hpp"

#include <array>

namespace {

constexpr int cell_pixels = 8; // a character cell and a bitmap cell are 8x8 pixels
constexpr int rgba_channels = 4;

struct Target {
    guchar *pixels;
    int rowstride;
    int columns;
    int rows;

    guchar *cell_row(int cell, int row) const {
        const int x = cell % columns * cell_pixels;
        const int y = cell / columns * cell_pixels + row;
        return pixels + y * rowstride + x * rgba_channels;
    }
    int cell_count() const { return columns * rows; }
};

// Multicolour: four double-wide pixels a byte, bit pairs 7-6, 5-4, 3-2, 1-0 from the left.
// 00 is the background, 01 the screen byte's high nibble, 10 its low nibble, 11 colour RAM.
void render_multicolor(const Target &target, const std::uint8_t *bitmap, const std::uint8_t *screen,
                       const std::uint8_t *colour, std::uint8_t background) {
    const PaletteRgb background_rgb = palette_get_rgb(background);
    for (int cell = 0; cell < target.cell_count(); ++cell) {
        const std::array<PaletteRgb, 4> pair_rgb = {
            background_rgb, palette_get_rgb(screen[cell] >> 4), palette_get_rgb(screen[cell]),
            palette_get_rgb(colour[cell])};
        for (int row = 0; row < cell_pixels; ++row) {
            const std::uint8_t bits = bitmap[cell * cell_pixels + row];
            guchar *pixel = target.cell_row(cell, row);
            for (int shift = 6; shift >= 0; shift -= 2) {
                const PaletteRgb &rgb = pair_rgb[(bits >> shift) & 3];
                palette_put_opaque_pixel(pixel, rgb);
                palette_put_opaque_pixel(pixel + rgba_channels, rgb);
                pixel += 2 * rgba_channels;
            }
        }
    }
}

// Hires: one pixel a bit; a clear bit takes the screen byte's low nibble, a set bit its high one.
void render_hires(const Target &target, const std::uint8_t *bitmap, const std::uint8_t *screen) {
    for (int cell = 0; cell < target.cell_count(); ++cell) {
        const std::array bit_rgb = {palette_get_rgb(screen[cell]),
                                    palette_get_rgb(screen[cell] >> 4)};
        for (int row = 0; row < cell_pixels; ++row) {
            const std::uint8_t bits = bitmap[cell * cell_pixels + row];
            guchar *pixel = target.cell_row(cell, row);
            for (int shift = 7; shift >= 0; --shift, pixel += rgba_channels) {
                palette_put_opaque_pixel(pixel, bit_rgb[(bits >> shift) & 1]);
            }
        }
    }
}

// PETSCII: each cell is the glyph of its screen code, off pixels in the background colour and
// on pixels in the cell's colour. Glyph pixels are told apart by Pepto blue's red component.
void render_petscii(const Target &target, const std::uint8_t *screen, const std::uint8_t *colour,
                    std::uint8_t background) {
    const PaletteRgb background_rgb = palette_get_rgb(background);
    PaletteRgb off_rgb{};
    palette_get_pepto_rgb_at_index(c64pixbufs_off_colour, off_rgb.data());
    for (int cell = 0; cell < target.cell_count(); ++cell) {
        const GdkPixbuf *glyph = c64pixbufs_get_char_at_index(screen[cell]);
        if (glyph == nullptr) {
            continue;
        }
        const guchar *glyph_pixels = gdk_pixbuf_read_pixels(glyph);
        const int glyph_rowstride = gdk_pixbuf_get_rowstride(glyph);
        const int glyph_channels = gdk_pixbuf_get_n_channels(glyph);
        const PaletteRgb foreground_rgb = palette_get_rgb(colour[cell]);
        for (int row = 0; row < cell_pixels; ++row) {
            const guchar *source = glyph_pixels + row * glyph_rowstride;
            guchar *pixel = target.cell_row(cell, row);
            for (int column = 0; column < cell_pixels; ++column) {
                const bool off = source[column * glyph_channels] == off_rgb[0];
                palette_put_opaque_pixel(pixel + column * rgba_channels,
                                         off ? background_rgb : foreground_rgb);
            }
        }
    }
}

} // namespace

GdkPixbuf *pixbufs_new_from_hires_opaque(const std::uint8_t *bitmap, const std::uint8_t *screen,
                                         const std::uint8_t *colour, std::uint8_t background,
                                         int columns, int rows) {
    if (columns <= 0 || rows <= 0) {
        return nullptr;
    }
    GdkPixbuf *image =
        gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, columns * cell_pixels, rows * cell_pixels);
    if (image == nullptr) {
        return nullptr;
    }
    const Target target = {gdk_pixbuf_get_pixels(image), gdk_pixbuf_get_rowstride(image), columns,
                           rows};
    if (bitmap == nullptr) {
        // A cell whose glyph is missing keeps the background instead of uninitialised memory.
        gdk_pixbuf_fill(image, palette_get_rgba_fill(background));
        render_petscii(target, screen, colour, background);
    } else if (colour == nullptr) {
        render_hires(target, bitmap, screen);
    } else {
        render_multicolor(target, bitmap, screen, colour, background);
    }
    return image;
}
