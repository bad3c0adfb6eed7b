#pragma once
// Helpers shared by the sprite tests: pixels of images, palette colours, temporary files.

#include "core/glib_ptr.hpp"
#include "core/palette.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sprite_test {

using Rgba = std::array<std::uint8_t, 4>;
using Rgb = std::array<std::uint8_t, 3>;

inline Rgba pixel_at(const GdkPixbuf *image, int x, int y) {
    const guchar *p = gdk_pixbuf_read_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                      x * gdk_pixbuf_get_n_channels(image);
    return {p[0], p[1], p[2], p[3]};
}

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

// A temporary folder removed with everything in it when the owner goes.
class TempDir {
  public:
    TempDir() : path_{g_dir_make_tmp("sidewell-sprites-XXXXXX", nullptr)} {}
    ~TempDir() {
        for (const auto &name : files_)
            g_remove(name.c_str());
        for (const auto &name : subdirectories_)
            g_rmdir(name.c_str());
        g_rmdir(path_.get());
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string write(const std::string &name, const std::vector<std::uint8_t> &bytes) {
        const std::string file = std::string{path_.get()} + "/" + name;
        g_file_set_contents(file.c_str(), reinterpret_cast<const gchar *>(bytes.data()),
                            static_cast<gssize>(bytes.size()), nullptr);
        files_.push_back(file);
        return file;
    }
    std::string subdirectory(const std::string &name) {
        const std::string dir = std::string{path_.get()} + "/" + name;
        g_mkdir(dir.c_str(), 0700);
        subdirectories_.push_back(dir);
        return dir;
    }
    std::string path() const { return path_.get(); }

  private:
    GCharPtr path_;
    std::vector<std::string> files_;
    std::vector<std::string> subdirectories_;
};

} // namespace sprite_test
