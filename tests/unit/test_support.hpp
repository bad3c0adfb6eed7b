#pragma once
// Shared by the unit tests: whole images and files compared, sprite records, temp folders.

#include "../common.hpp"
#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/palette.hpp"
#include "core/sprites.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace test_support {

// A GLib warning or critical (a refused argument, say) is a fault of ours: it stops the tests.
inline const GLogLevelFlags fatal_levels_before = g_log_set_always_fatal(
    static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL));

using Rgba = std::array<std::uint8_t, 4>;
using Bitmap = std::array<std::uint8_t, sprite_data_size>;

inline Rgba pixel_at(const GdkPixbuf *image, int x, int y) {
    const guchar *p = gdk_pixbuf_read_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    return {p[0], p[1], p[2], gdk_pixbuf_get_has_alpha(image) ? p[3] : guchar{255}};
}
inline Rgba opaque(std::uint32_t hex) {
    return {std::uint8_t(hex >> 16), std::uint8_t(hex >> 8), std::uint8_t(hex), 255};
}
// A colour index in the current palette.
inline Rgba opaque(int colour) {
    Rgba rgba{0, 0, 0, 255};
    palette_get_rgb_at_index(colour, rgba.data());
    return rgba;
}

// Every pixel of an RGBA image against expected(x, y); a transparent pixel's colour is not set.
template <typename Expected>
::testing::AssertionResult same_image(const GdkPixbuf *image, int width, int height,
                                      Expected expected) {
    if (image == nullptr || gdk_pixbuf_get_width(image) != width ||
        gdk_pixbuf_get_height(image) != height || gdk_pixbuf_get_n_channels(image) != 4)
        return ::testing::AssertionFailure() << "no RGBA image of " << width << "x" << height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba want = expected(x, y);
            const Rgba got = pixel_at(image, x, y);
            if (want[3] == 0 ? got[3] != 0 : got != want)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs";
        }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult same_bytes(const Bytes &actual, const Bytes &expected) {
    const auto [a, e] =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (a == actual.end() && e == expected.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "differ at offset " << (a - actual.begin()) << " of "
                                         << actual.size() << ", expected " << expected.size();
}

// Every field of two picture records, without the padding between them.
inline bool same_picture(const PictureData &a, const PictureData &b) {
    return std::memcmp(&a, &b, offsetof(PictureData, charset) + 1) == 0 &&
           a.border_color == b.border_color && a.format == b.format;
}

inline Bitmap filled(std::uint8_t value) {
    Bitmap bytes{};
    bytes.fill(value);
    return bytes;
}

// Colour, multicolour and selected flag of a record; the getters write 0 for an index out of use.
inline std::tuple<int, int, int> attributes_at(unsigned index) {
    std::uint8_t colour = 0xEE;
    std::int32_t multicolor = 0x5A;
    std::int32_t selected = 0x5A;
    const int in_use = sprites_get_color_at_index(index, &colour);
    EXPECT_EQ(sprites_get_multicolor_at_index(index, &multicolor), in_use) << index;
    EXPECT_EQ(sprites_get_selected_at_index(index, &selected), in_use) << index;
    EXPECT_EQ(in_use, index < sprites_get_array_size() ? 1 : 0) << index;
    return {colour, multicolor, selected};
}
inline Bitmap data_at(unsigned index) {
    Bitmap bytes{};
    if (const SpriteRecord *record = sprites_get_record_at_index(index))
        std::copy_n(record->data, sprite_data_size, bytes.begin());
    return bytes;
}

// A set bit is 1 in single colour; in multicolour a double-wide pixel is the bit pair 0-3.
inline int sprite_value(const Bitmap &bitmap, bool multicolour, int x, int y) {
    const int byte = bitmap[3 * y + x / 8];
    return multicolour ? byte >> (6 - (x % 8 & 6)) & 3 : byte >> (7 - x % 8) & 1;
}

// Pairs 00, 01, 10, 11 show the background, $D025, the sprite's colour and $D026 (shared holds
// the first, second and last).
inline Rgba sprite_pixel(const Bitmap &bitmap, bool multicolour, int colour,
                         const std::array<int, 3> &shared, int x, int y) {
    const int colours[] = {shared[0], multicolour ? shared[1] : colour, colour, shared[2]};
    return opaque(colours[sprite_value(bitmap, multicolour, x, y)]);
}

// The record a side border image shows at (x, y): slots from row 40, 21 rows apart, the left
// border open on rows 48-248 and the right one on rows 47-247; none past the records in use.
inline std::optional<unsigned> border_record(bool left, int x, int y, unsigned count) {
    const int band_top = left ? 48 : 47;
    if (y < band_top || y >= band_top + 201)
        return std::nullopt;
    const unsigned i = 4 * ((y - 40) / 21) + (left ? 0 : 2) + x / 24;
    return i < std::min(count, 40u) ? std::optional(i) : std::nullopt;
}

// Each test starts from the options and the sprite store of a fresh process.
class FreshState : public ::testing::Test {
  protected:
    void SetUp() override {
        options_reset_to_start_values();
        sprites_module_init();
    }
    void TearDown() override { options_reset_to_start_values(); }
};

} // namespace test_support
