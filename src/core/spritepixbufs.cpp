#include "core/spritepixbufs.hpp"

#include "core/palette.hpp"
#include "core/sprites.hpp"

#include <array>

namespace {

constexpr int channels = 4;
constexpr std::uint8_t clear = 0;
constexpr int pixels_per_byte = 8;
constexpr int bytes_per_row = sprite_width / pixels_per_byte;
constexpr int pairs_per_row = sprite_width / 2;

} // namespace

GdkPixbuf *spritepixbufs_new_pixbuf() {
    return gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, sprite_width, sprite_height);
}

void spritepixbufs_set_pixbuf_data_from_sprite_data_mono(GdkPixbuf *image, const std::uint8_t *data,
                                                         std::uint8_t background,
                                                         std::uint8_t colour,
                                                         std::int32_t transparent) {
    if (image == nullptr || data == nullptr)
        return;
    const PaletteRgb set_rgb = palette_get_rgb(colour);
    const PaletteRgb clear_rgb = palette_get_rgb(background);
    const int rowstride = gdk_pixbuf_get_rowstride(image);
    guchar *pixels = gdk_pixbuf_get_pixels(image);
    for (unsigned r = 0; r < sprite_height; r++) {
        guchar *pixel = pixels + r * rowstride;
        for (unsigned x = 0; x < sprite_width; x++, pixel += channels) {
            const std::uint8_t byte = data[bytes_per_row * r + x / pixels_per_byte];
            // The most significant bit is the leftmost pixel.
            const bool set = (byte >> (7 - x % pixels_per_byte)) & 1;
            if (set)
                palette_put_opaque_pixel(pixel, set_rgb);
            else if (transparent == 1)
                pixel[3] = clear;
            else
                palette_put_opaque_pixel(pixel, clear_rgb);
        }
    }
}

void spritepixbufs_set_pixbuf_data_from_sprite_data_multicolor(GdkPixbuf *image,
                                                               const std::uint8_t *data,
                                                               const std::uint8_t *colours,
                                                               std::int32_t transparent) {
    if (image == nullptr || data == nullptr)
        return;
    const std::array rgbs = {palette_get_rgb(colours[0]), palette_get_rgb(colours[1]),
                             palette_get_rgb(colours[2]), palette_get_rgb(colours[3])};
    const int rowstride = gdk_pixbuf_get_rowstride(image);
    guchar *pixels = gdk_pixbuf_get_pixels(image);
    for (unsigned r = 0; r < sprite_height; r++) {
        guchar *pixel = pixels + r * rowstride;
        for (unsigned p = 0; p < pairs_per_row; p++, pixel += 2 * channels) {
            const unsigned x = 2 * p;
            const std::uint8_t byte = data[bytes_per_row * r + x / pixels_per_byte];
            // A multicolour pixel is a bit pair, twice as wide as a hires pixel.
            const unsigned value = (byte >> (6 - x % pixels_per_byte)) & 3;
            if (value == 0 && transparent != 0) {
                pixel[3] = clear;
                pixel[channels + 3] = clear;
            } else {
                palette_put_opaque_pixel(pixel, rgbs[value]);
                palette_put_opaque_pixel(pixel + channels, rgbs[value]);
            }
        }
    }
}
