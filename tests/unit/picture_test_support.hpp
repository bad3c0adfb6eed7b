#pragma once
// Helpers for the picture tests: colours as hex numbers, pixel access, and files in a temp dir.

#include "core/glib_ptr.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace picture_test {

// The Pepto colours as the C64 community publishes them, written out independently of the
// editor's own table.
constexpr std::array<std::uint32_t, 16> pepto = {
    0x000000, 0xFFFFFF, 0x68372B, 0x70A4B2, 0x6F3D86, 0x588D43, 0x352879, 0xB8C76F,
    0x6F4F25, 0x433900, 0x9A6759, 0x444444, 0x6C6C6C, 0x9AD284, 0x6C5EB5, 0x959595};

// Test cases print as their name, so that test listings stay readable.
template <typename Case>
requires requires(const Case &test_case) {
    test_case.name;
}
void PrintTo(const Case &test_case, std::ostream *out) {
    *out << test_case.name;
}

inline std::uint32_t rgb_at(const GdkPixbuf *image, int x, int y) {
    const guchar *pixel = gdk_pixbuf_read_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                          x * gdk_pixbuf_get_n_channels(image);
    return std::uint32_t{pixel[0]} << 16 | std::uint32_t{pixel[1]} << 8 | pixel[2];
}

inline int alpha_at(const GdkPixbuf *image, int x, int y) {
    return gdk_pixbuf_read_pixels(
        image)[y * gdk_pixbuf_get_rowstride(image) + x * gdk_pixbuf_get_n_channels(image) + 3];
}

// A fresh directory under the system's temp dir, removed with everything in it.
class TempDir {
  public:
    TempDir() : path_(g_dir_make_tmp("sidewell-test-XXXXXX", nullptr)) {}
    ~TempDir() { remove_tree(path_.get()); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string path() const { return path_.get(); }
    std::string file(const std::string &name) const { return path() + "/" + name; }
    std::string write(const std::string &name, const std::vector<std::uint8_t> &bytes) const {
        const std::string file_path = file(name);
        g_file_set_contents(file_path.c_str(), reinterpret_cast<const gchar *>(bytes.data()),
                            static_cast<gssize>(bytes.size()), nullptr);
        return file_path;
    }

  private:
    static void remove_tree(const gchar *dir_path) {
        if (GDir *dir = g_dir_open(dir_path, 0, nullptr)) {
            while (const gchar *name = g_dir_read_name(dir)) {
                const GCharPtr child(g_build_filename(dir_path, name, nullptr));
                if (g_file_test(child.get(), G_FILE_TEST_IS_DIR)) {
                    remove_tree(child.get());
                } else {
                    g_unlink(child.get());
                }
            }
            g_dir_close(dir);
        }
        g_rmdir(dir_path);
    }

    GCharPtr path_;
};

} // namespace picture_test
