#pragma once
// What every test suite shares: whole files read and written, a fresh folder that goes away with
// everything in it, and the option values a fresh process starts with.

#include "core/glib_ptr.hpp"
#include "core/options.hpp"

#include <cstdint>
#include <filesystem>
#include <fstream>
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
