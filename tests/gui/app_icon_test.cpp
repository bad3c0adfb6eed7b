// The desktop icons are the about box's drawing: every pixel of each installed PNG against the
// XPM the about box shows, enlarged or reduced by gdk-pixbuf's own scaler. A reduced icon
// averages the area of the drawing each of its pixels covers; gdk-pixbuf averages exactly only
// for whole factors, so the drawing is first enlarged to a size that is a whole multiple of the
// icon's.

#include "core/glib_ptr.hpp"
#include "gui/data/c64_sidewell_icon.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>

namespace {

constexpr int drawing_size = 64;
// Reduced icons blend neighbouring pixels; the two scalers may round each channel differently.
constexpr int reduced_tolerance = 2;

struct IconCase {
    const char *name;
    int size;
    int enlarged_size; // the drawing's size before it is reduced to size
};

void PrintTo(const IconCase &icon, std::ostream *out) {
    *out << icon.name;
}

class AppIcon : public testing::TestWithParam<IconCase> {};

TEST_P(AppIcon, ShowsTheAboutBoxDrawing) {
    const IconCase &icon = GetParam();
    const std::string path =
        std::string(SIDEWELL_ICON_DIR) + "/" + std::to_string(icon.size) + ".png";
    GError *error = nullptr;
    const PixbufPtr png(gdk_pixbuf_new_from_file(path.c_str(), &error));
    ASSERT_TRUE(png) << path << ": " << GErrorPtr(error)->message;
    const PixbufPtr drawing(gdk_pixbuf_new_from_xpm_data(c64_sidewell_icon_xpm));
    ASSERT_EQ(gdk_pixbuf_get_width(drawing.get()), drawing_size);
    const PixbufPtr enlarged(gdk_pixbuf_scale_simple(drawing.get(), icon.enlarged_size,
                                                     icon.enlarged_size, GDK_INTERP_NEAREST));
    const PixbufPtr expected(
        gdk_pixbuf_scale_simple(enlarged.get(), icon.size, icon.size, GDK_INTERP_TILES));
    const int tolerance = icon.enlarged_size > icon.size ? reduced_tolerance : 0;

    ASSERT_EQ(gdk_pixbuf_get_width(png.get()), icon.size);
    ASSERT_EQ(gdk_pixbuf_get_height(png.get()), icon.size);
    ASSERT_TRUE(gdk_pixbuf_get_has_alpha(png.get()));
    const guchar *got = gdk_pixbuf_get_pixels(png.get());
    const guchar *want = gdk_pixbuf_get_pixels(expected.get());
    const int got_stride = gdk_pixbuf_get_rowstride(png.get());
    const int want_stride = gdk_pixbuf_get_rowstride(expected.get());
    int differing = 0;
    for (int y = 0; y < icon.size; ++y) {
        for (int x = 0; x < icon.size; ++x) {
            const guchar *g = got + y * got_stride + x * 4;
            const guchar *w = want + y * want_stride + x * 4;
            // A fully transparent pixel has no colour to compare.
            const int channels = (g[3] == 0 && w[3] == 0) ? 0 : 4;
            bool same = std::abs(g[3] - w[3]) <= tolerance;
            for (int c = 0; c < channels; ++c) {
                same = same && std::abs(g[c] - w[c]) <= tolerance;
            }
            differing += same ? 0 : 1;
        }
    }
    EXPECT_EQ(differing, 0) << "pixels of " << path << " differ from the about box's icon";
}

INSTANTIATE_TEST_SUITE_P(
    HicolorSizes, AppIcon,
    testing::Values(IconCase{"enlarged_256", 256, 256}, IconCase{"enlarged_128", 128, 128},
                    IconCase{"as_drawn_64", 64, 64}, IconCase{"reduced_48", 48, 3 * drawing_size},
                    IconCase{"reduced_32", 32, drawing_size},
                    IconCase{"reduced_16", 16, drawing_size}),
    [](const testing::TestParamInfo<IconCase> &info) { return std::string(info.param.name); });

} // namespace
