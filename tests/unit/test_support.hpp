#pragma once
// Helpers shared by the unit tests: pixels of images, palette colours, sprite records, and files
// in a temporary folder.

#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"
#include "core/sprites.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace test_support {

using Bytes = std::vector<std::uint8_t>;
using Rgba = std::array<std::uint8_t, 4>;
using Rgb = std::array<std::uint8_t, 3>;
using Bitmap = std::array<std::uint8_t, sprite_data_size>;

// The Pepto colours as the C64 community publishes them, written out independently of the
// editor's own table.
constexpr std::array<std::uint32_t, 16> pepto = {
    0x000000, 0xFFFFFF, 0x68372B, 0x70A4B2, 0x6F3D86, 0x588D43, 0x352879, 0xB8C76F,
    0x6F4F25, 0x433900, 0x9A6759, 0x444444, 0x6C6C6C, 0x9AD284, 0x6C5EB5, 0x959595};

// Names parameterised tests after their case's name.
inline constexpr auto by_name = [](const auto &info) { return std::string{info.param.name}; };

inline const guchar *pixel_address(const GdkPixbuf *image, int x, int y) {
    return gdk_pixbuf_read_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
           x * gdk_pixbuf_get_n_channels(image);
}
inline std::uint32_t rgb_at(const GdkPixbuf *image, int x, int y) {
    const guchar *p = pixel_address(image, x, y);
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}
inline Rgba pixel_at(const GdkPixbuf *image, int x, int y) {
    const guchar *p = pixel_address(image, x, y);
    return {p[0], p[1], p[2], p[3]};
}

// A colour of the current palette as an opaque pixel.
inline Rgb rgb_of(int colour) {
    Rgb rgb{};
    palette_get_rgb_at_index(colour, rgb.data());
    return rgb;
}
inline Rgba opaque(const Rgb &rgb) {
    return {rgb[0], rgb[1], rgb[2], 255};
}
inline Rgba opaque(int colour) {
    return opaque(rgb_of(colour));
}

inline Bitmap filled(std::uint8_t value) {
    Bitmap bytes{};
    bytes.fill(value);
    return bytes;
}

// Row r has only pixel r set, so each image row tells which sprite row it shows.
inline Bitmap diagonal() {
    Bitmap bytes{};
    for (unsigned r = 0; r < sprite_height; r++)
        bytes[3 * r + r / 8] = static_cast<std::uint8_t>(0x80 >> (r % 8));
    return bytes;
}

// The ROM's glyph rows of a few screen codes, leftmost pixel in bit 7.
using Glyph = std::array<std::uint8_t, 8>;
constexpr Glyph capital_a = {0x18, 0x3C, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x00};
constexpr Glyph small_a = {0x00, 0x00, 0x3C, 0x06, 0x3E, 0x66, 0x3E, 0x00};
constexpr Glyph solid = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr Glyph blank = {};

// The 8x8 cell at (x0, y0) read back as glyph rows: bits set where the pixel has colour on;
// every other pixel must have colour off.
inline Glyph cell_rows(const GdkPixbuf *image, int x0, int y0, std::uint32_t on,
                       std::uint32_t off) {
    Glyph rows{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t colour = rgb_at(image, x0 + x, y0 + y);
            EXPECT_TRUE(colour == on || colour == off)
                << "pixel " << x0 + x << "," << y0 + y << " is " << std::hex << colour;
            if (colour == on)
                rows[y] |= static_cast<std::uint8_t>(0x80 >> x);
        }
    return rows;
}

// Attributes of a sprite record; values the store would never write when the index is refused.
inline std::uint8_t colour_at(unsigned index) {
    std::uint8_t colour = 0xEE;
    sprites_get_color_at_index(index, &colour);
    return colour;
}
inline std::int32_t multicolor_at(unsigned index) {
    std::int32_t flag = 0x5A;
    sprites_get_multicolor_at_index(index, &flag);
    return flag;
}
inline std::int32_t selected_at(unsigned index) {
    std::int32_t flag = 0x5A;
    sprites_get_selected_at_index(index, &flag);
    return flag;
}
inline Bitmap data_at(unsigned index) {
    Bitmap bytes{};
    if (const SpriteRecord *record = sprites_get_record_at_index(index))
        std::copy_n(record->data, sprite_data_size, bytes.begin());
    return bytes;
}

// The three selection anchors (last, left, right) and the three shared colours of the store.
inline std::tuple<int, int, int> anchors() {
    return {sprites_get_last_selected_index(), sprites_get_last_selected_index_left(),
            sprites_get_last_selected_index_right()};
}
inline std::tuple<int, int, int> shared_colours() {
    return {sprites_get_background_color(), sprites_get_multicolor0(), sprites_get_multicolor1()};
}

// The bitmap of entry index of the built-in template.
inline Bitmap template_bitmap(unsigned index) {
    Bitmap bytes{};
    std::copy_n(sprites_get_template_entry(index).begin(), sprite_data_size, bytes.begin());
    return bytes;
}

// Sprites 20-23 and 32-35 take the colour of the sprite four places earlier.
constexpr bool is_linked(unsigned index) {
    return (index >= 20 && index <= 23) || (index >= 32 && index <= 35);
}

// Colour index of multicolour pixel (x, y), 160 by 200, by the VIC-II's rules: pair 00 is the
// background, 01 the screen byte's high nibble, 10 its low nibble, 11 the colour RAM nibble.
inline int multicolour_index(const PictureData &picture, int x, int y) {
    const int cell = y / 8 * 40 + x / 4;
    const int pair = picture.bitmap[cell * 8 + y % 8] >> (6 - 2 * (x % 4)) & 3;
    const int colours[] = {picture.background_color, picture.screen_ram[cell] >> 4,
                           picture.screen_ram[cell], picture.color_ram[cell]};
    return colours[pair] & 0x0F;
}

// Every field of two picture records, without the padding between them.
inline bool same_picture(const PictureData &a, const PictureData &b) {
    return std::memcmp(&a, &b, offsetof(PictureData, charset) + 1) == 0 &&
           a.border_color == b.border_color && a.format == b.format;
}

inline std::string read_text(const std::string &path) {
    gchar *contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr))
        return {};
    const GCharPtr owner(contents);
    return std::string(contents, length);
}
inline Bytes read_bytes(const std::string &path) {
    const std::string text = read_text(path);
    return Bytes(text.begin(), text.end());
}

inline std::string shared_path(const std::string &name) {
    return std::string{SIDEWELL_SHARED_DIR} + "/" + name;
}

// The example projects in the repository, found from this file's place in it.
inline std::string example_path(const std::string &name) {
    std::string path = __FILE__;
    path.erase(path.rfind("/tests/unit/"));
    return path + "/examples/" + name;
}

// A fresh folder under the system's temp folder, removed with everything in it.
class TempDir {
  public:
    TempDir() : path_(GCharPtr(g_dir_make_tmp("sidewell-test-XXXXXX", nullptr)).get()) {}
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    std::string write(const std::string &name, const Bytes &bytes) const {
        g_file_set_contents(file(name).c_str(), reinterpret_cast<const gchar *>(bytes.data()),
                            static_cast<gssize>(bytes.size()), nullptr);
        return file(name);
    }
    std::string subdirectory(const std::string &name) const {
        g_mkdir(file(name).c_str(), 0700);
        return file(name);
    }

  private:
    std::string path_;
};

// Runs each test in the Pepto palette and leaves that palette behind.
class PeptoTest : public ::testing::Test {
  protected:
    void SetUp() override { options_palette = 0; }
    void TearDown() override { options_palette = 0; }
};

} // namespace test_support
