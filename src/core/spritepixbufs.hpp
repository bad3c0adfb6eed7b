#pragma once
// 24x21 RGBA images of single sprites in the current palette.

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "core/sprites.hpp"

#include <cstdint>

// What pixel (x, y) of a 63-byte bitmap shows, as a bit pair: 0 the background, 1 multicolour 0,
// 2 the sprite's own colour, 3 multicolour 1. A single-colour pixel is 0 or 2. The most
// significant bits are the leftmost pixel; a multicolour pixel is a bit pair, twice as wide as a
// hires pixel.
constexpr unsigned spritepixbufs_get_pixel_value(const std::uint8_t *data, bool multicolor,
                                                 unsigned x, unsigned y) {
    constexpr unsigned pixels_per_byte = 8;
    constexpr unsigned bytes_per_row = sprite_width / pixels_per_byte;
    constexpr unsigned sprite_colour_pair = 2;
    const std::uint8_t byte = data[bytes_per_row * y + x / pixels_per_byte];
    const unsigned shift = pixels_per_byte - 1 - x % pixels_per_byte;
    if (multicolor)
        return (byte >> (shift & ~1U)) & 3;
    return ((byte >> shift) & 1) * sprite_colour_pair;
}

GdkPixbuf *spritepixbufs_new_pixbuf();
void spritepixbufs_set_pixbuf_data_from_sprite_data_mono(GdkPixbuf *image, const std::uint8_t *data,
                                                         std::uint8_t background,
                                                         std::uint8_t colour,
                                                         std::int32_t transparent);
void spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(GdkPixbuf *image,
                                                               const std::uint8_t *data,
                                                               const std::uint8_t *colours,
                                                               std::int32_t transparent);
