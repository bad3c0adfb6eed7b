#include "core/pixbufs.hpp"

#include "core/c64pixbufs.hpp"
#include "core/palette.hpp"

#include <array>

namespace {

constexpr int cell_pixels = 8; // a character cell and a bitmap cell are 8x8 pixels
constexpr int rgba_channels = 4;
constexpr guchar opaque = 255;

using Rgb = std::array<std::uint8_t, 3>;

Rgb rgb_of(int index) {
    Rgb rgb{};
    palette_get_rgb_at_index(index, rgb.data());
    return rgb;
}

void put_pixel(guchar *pixel, const Rgb &rgb) {
    pixel[0] = rgb[0];
    pixel[1] = rgb[1];
    pixel[2] = rgb[2];
    pixel[3] = opaque;
}

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
    const Rgb background_rgb = rgb_of(background);
    for (int cell = 0; cell < target.cell_count(); ++cell) {
        const std::array<Rgb, 4> pair_rgb = {background_rgb, rgb_of(screen[cell] >> 4),
                                             rgb_of(screen[cell]), rgb_of(colour[cell])};
        for (int row = 0; row < cell_pixels; ++row) {
            const std::uint8_t bits = bitmap[cell * cell_pixels + row];
            guchar *pixel = target.cell_row(cell, row);
            for (int shift = 6; shift >= 0; shift -= 2) {
                const Rgb &rgb = pair_rgb[(bits >> shift) & 3];
                put_pixel(pixel, rgb);
                put_pixel(pixel + rgba_channels, rgb);
                pixel += 2 * rgba_channels;
            }
        }
    }
}

// Hires: one pixel a bit; a clear bit takes the screen byte's low nibble, a set bit its high one.
void render_hires(const Target &target, const std::uint8_t *bitmap, const std::uint8_t *screen) {
    for (int cell = 0; cell < target.cell_count(); ++cell) {
        const std::array<Rgb, 2> bit_rgb = {rgb_of(screen[cell]), rgb_of(screen[cell] >> 4)};
        for (int row = 0; row < cell_pixels; ++row) {
            const std::uint8_t bits = bitmap[cell * cell_pixels + row];
            guchar *pixel = target.cell_row(cell, row);
            for (int shift = 7; shift >= 0; --shift, pixel += rgba_channels) {
                put_pixel(pixel, bit_rgb[(bits >> shift) & 1]);
            }
        }
    }
}

// PETSCII: each cell is the glyph of its screen code, off pixels in the background colour and
// on pixels in the cell's colour. Glyph pixels are told apart by Pepto blue's red component.
void render_petscii(const Target &target, const std::uint8_t *screen, const std::uint8_t *colour,
                    std::uint8_t background) {
    const Rgb background_rgb = rgb_of(background);
    Rgb off_rgb{};
    palette_get_pepto_rgb_at_index(c64pixbufs_off_colour, off_rgb.data());
    for (int cell = 0; cell < target.cell_count(); ++cell) {
        const GdkPixbuf *glyph = c64pixbufs_get_char_at_index(screen[cell]);
        if (glyph == nullptr) {
            continue;
        }
        const guchar *glyph_pixels = gdk_pixbuf_read_pixels(glyph);
        const int glyph_rowstride = gdk_pixbuf_get_rowstride(glyph);
        const int glyph_channels = gdk_pixbuf_get_n_channels(glyph);
        const Rgb foreground_rgb = rgb_of(colour[cell]);
        for (int row = 0; row < cell_pixels; ++row) {
            const guchar *source = glyph_pixels + row * glyph_rowstride;
            guchar *pixel = target.cell_row(cell, row);
            for (int column = 0; column < cell_pixels; ++column) {
                const bool off = source[column * glyph_channels] == off_rgb[0];
                put_pixel(pixel + column * rgba_channels, off ? background_rgb : foreground_rgb);
            }
        }
    }
}

guint32 rgba_word(const Rgb &rgb) {
    return static_cast<guint32>(rgb[0]) << 24 | static_cast<guint32>(rgb[1]) << 16 |
           static_cast<guint32>(rgb[2]) << 8 | opaque;
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
        gdk_pixbuf_fill(image, rgba_word(rgb_of(background)));
        render_petscii(target, screen, colour, background);
    } else if (colour == nullptr) {
        render_hires(target, bitmap, screen);
    } else {
        render_multicolor(target, bitmap, screen, colour, background);
    }
    return image;
}
