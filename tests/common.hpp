#pragma once
// What every test suite shares: whole files read and written, a fresh folder that goes away with
// everything in it, and the option values a fresh process starts with.

#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline std::string read_text(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

inline Bytes read_bytes(const std::filesystem::path &path) {
    const std::string text = read_text(path);
    return {text.begin(), text.end()};
}

// Writes the whole file, making its folder first.
inline std::filesystem::path write_file(const std::filesystem::path &path,
                                        std::string_view contents) {
    std::error_code no_folder; // a bare file name has none to make
    std::filesystem::create_directories(path.parent_path(), no_folder);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

inline std::filesystem::path write_file(const std::filesystem::path &path, const Bytes &contents) {
    return write_file(path, {reinterpret_cast<const char *>(contents.data()), contents.size()});
}

// A file of the example project in the repository, found from this file's place in it.
inline std::string example_path(const std::string &name) {
    return std::filesystem::path(__FILE__).lexically_normal().parent_path().parent_path() /
           "examples" / name;
}

inline std::string file_uri(const std::filesystem::path &path) {
    return GCharPtr{g_filename_to_uri(path.c_str(), nullptr, nullptr)}.get();
}

// A fresh folder under the system's temp folder.
struct TempDir {
    const std::string path = GCharPtr(g_dir_make_tmp("sidewell-test-XXXXXX", nullptr)).get();
    TempDir() = default;
    TempDir(const TempDir &) = delete;
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string &name) const { return path + "/" + name; }
    std::string write(const std::string &name, const Bytes &bytes) const {
        return write_file(file(name), bytes).string();
    }
};

// The preferences file as a fresh start writes it, up to the window's position.
inline constexpr const char *options_default_text =
    "# C64 Sidewell config file - do NOT edit\n\n[directories]\npicture_dir=(NULL)\n"
    "sprites_dir=(NULL)\nexport_png_dir=(NULL)\nexport_dir=(NULL)\n\n[interface]\npalette=0\n"
    "expansion=1\nselection_method=0\ntransition=0\n\n[sprites]\n"
    "sprite_attribute_byte_format=0\n\n[misc]\nreencode_graphics=false\nfollow_files=true\n\n";

// Replaces a path the editor owns; an empty one leaves none.
inline void set_path(gchar **path, const std::filesystem::path &value = {}) {
    g_free(*path);
    *path = value.empty() ? nullptr : g_strdup(value.c_str());
}

inline void options_reset_to_start_values() {
    options_palette = 0;
    options_expansion = 1;
    options_selection_method = 0;
    options_transition = 0;
    options_sprite_attribute_byte_format = 0;
    options_reencode_graphics = FALSE;
    options_follow_files = TRUE;
    g_free(options_window_position);
    options_window_position = nullptr;
    for (gchar **folder : {&options_picture_dir_string, &options_sprites_dir_string,
                           &options_export_png_dir_string, &options_export_dir_string})
        set_path(folder);
}

// 0xRRGGBBAA at every pixel.
using Painter = std::function<std::uint32_t(int, int)>;

inline std::string write_png(const std::filesystem::path &file, int width, int height,
                             const Painter &paint) {
    const PixbufPtr image(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height));
    guchar *pixels = gdk_pixbuf_get_pixels(image.get());
    const int rowstride = gdk_pixbuf_get_rowstride(image.get());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c)
                pixels[y * rowstride + 4 * x + c] =
                    static_cast<guchar>(paint(x, y) >> (24 - 8 * c));
    EXPECT_TRUE(gdk_pixbuf_save(image.get(), file.c_str(), "png", nullptr, nullptr));
    return file.string();
}

// A colour of the Pepto palette as 0xRRGGBBAA, opaque.
inline std::uint32_t pepto(int colour) {
    std::array<std::uint8_t, 3> rgb{};
    palette_get_pepto_rgb_at_index(colour, rgb.data());
    return std::uint32_t{rgb[0]} << 24 | std::uint32_t{rgb[1]} << 16 | std::uint32_t{rgb[2]} << 8 |
           0xFF;
}

// A frame on black with one multicolour cell of four colours besides black (cell column 3,
// row 2), a yellow pair in the first row of the cell below it, which must stay as it is, and one
// hires sprite of two colours (slot 5); fitted says how the editor loads it.
inline std::uint32_t offending_frame(int x, int y, bool fitted) {
    constexpr int cell_x = 48 + 3 * 8;
    constexpr int cell_y = 35 + 2 * 8;
    constexpr int slot_x = 24; // slot 5: left border, second column, row 1 from file row 48
    constexpr int slot_y = 48;
    if (x >= cell_x && x < cell_x + 8 && y >= cell_y && y < cell_y + 8) {
        const int pair = (x - cell_x) / 2;
        const int row = y - cell_y;
        const int colours[4] = {1, row < 4 ? 1 : 2, 3, row == 0 && !fitted ? 15 : 3};
        return pepto(colours[pair]); // cyan 30 pixels, white 24, red 8, light grey 2
    }
    if (y == cell_y + 8 && x >= cell_x && x < cell_x + 2)
        return pepto(7);
    if (y == slot_y && x >= slot_x && x < slot_x + 4)
        return pepto(x < slot_x + 3 ? 1 : (fitted ? 0 : 2));
    return pepto(0);
}
