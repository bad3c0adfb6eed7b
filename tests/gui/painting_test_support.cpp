#include "painting_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"
#include "core/spritesdecoder.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <array>
#include <filesystem>
#include <sstream>

namespace {

constexpr std::uint32_t white_rgb = 0xFFFFFF;

guchar *pixel_at(GdkPixbuf *image, int x, int y) {
    return gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
           x * gdk_pixbuf_get_n_channels(image);
}

PixbufPtr pixels_of(GdkDrawable *drawable, int width, int height) {
    return PixbufPtr{gdk_pixbuf_get_from_drawable(
        nullptr, drawable, gdk_drawable_get_colormap(drawable), 0, 0, 0, 0, width, height)};
}

} // namespace

PixbufPtr area_pixels(GtkWidget *area) {
    GdkPixmap *pixmap = gtk_widget_get_snapshot(area, nullptr);
    if (pixmap == nullptr)
        return nullptr;
    int width = 0;
    int height = 0;
    gdk_drawable_get_size(pixmap, &width, &height);
    PixbufPtr pixels = pixels_of(pixmap, width, height);
    g_object_unref(pixmap);
    return pixels;
}

bool area_take_queued_draw(GtkWidget *area) {
    GdkRegion *queued = gdk_window_get_update_area(gtk_widget_get_window(area));
    if (queued == nullptr)
        return false;
    gdk_region_destroy(queued);
    return true;
}

void area_press(GtkWidget *area, double x, double y, guint button, GdkEventType type) {
    GdkWindow *window = gtk_widget_get_window(area);
    GdkEvent *event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x;
    event->button.y = y;
    event->button.button = button;
    event->button.device = gdk_display_get_core_pointer(gdk_window_get_display(window));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

std::uint32_t pixel_rgb(const GdkPixbuf *image, int x, int y) {
    const guchar *pixel = pixel_at(const_cast<GdkPixbuf *>(image), x, y);
    return std::uint32_t{pixel[0]} << 16 | std::uint32_t{pixel[1]} << 8 | pixel[2];
}

void pixel_set_rgb(GdkPixbuf *image, int x, int y, std::uint32_t rgb) {
    guchar *pixel = pixel_at(image, x, y);
    pixel[0] = static_cast<guchar>(rgb >> 16);
    pixel[1] = static_cast<guchar>(rgb >> 8);
    pixel[2] = static_cast<guchar>(rgb);
}

std::uint32_t palette_rgb(std::uint8_t colour_index) {
    std::array<std::uint8_t, 3> rgb{};
    palette_get_rgb_at_index(colour_index, rgb.data());
    return std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2];
}

PixbufPtr pixels_enlarged(const GdkPixbuf *image, int zoom) {
    const int width = gdk_pixbuf_get_width(image);
    const int height = gdk_pixbuf_get_height(image);
    PixbufPtr enlarged{gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width * zoom, height * zoom)};
    for (int y = 0; y < height * zoom; y++)
        for (int x = 0; x < width * zoom; x++)
            pixel_set_rgb(enlarged.get(), x, y, pixel_rgb(image, x / zoom, y / zoom));
    return enlarged;
}

void pixels_draw_outline(GdkPixbuf *image, int x, int y, int width, int height) {
    for (int i = 0; i < width; i++) {
        pixel_set_rgb(image, x + i, y, white_rgb);
        pixel_set_rgb(image, x + i, y + height - 1, white_rgb);
    }
    for (int j = 0; j < height; j++) {
        pixel_set_rgb(image, x, y + j, white_rgb);
        pixel_set_rgb(image, x + width - 1, y + j, white_rgb);
    }
}

std::string pixels_first_difference(const GdkPixbuf *actual, const GdkPixbuf *expected) {
    std::ostringstream text;
    const int width = gdk_pixbuf_get_width(expected);
    const int height = gdk_pixbuf_get_height(expected);
    if (gdk_pixbuf_get_width(actual) != width || gdk_pixbuf_get_height(actual) != height) {
        text << "size " << gdk_pixbuf_get_width(actual) << "x" << gdk_pixbuf_get_height(actual)
             << ", expected " << width << "x" << height;
        return text.str();
    }
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            if (pixel_rgb(actual, x, y) != pixel_rgb(expected, x, y)) {
                text << std::hex << "pixel (" << std::dec << x << ", " << y << ") is " << std::hex
                     << pixel_rgb(actual, x, y) << ", expected " << pixel_rgb(expected, x, y);
                return text.str();
            }
    return text.str();
}

std::string example_path(const char *name) {
    std::string path = __FILE__;
    path.erase(path.rfind("/tests/gui/"));
    return path + "/examples/" + name;
}

std::string shared_picture_path(const char *name) {
    const std::filesystem::path path =
        std::filesystem::path(SIDEWELL_SHARED_DIR) / "pictures" / name;
    return std::filesystem::exists(path) ? path.string() : std::string{};
}

void PaintingTest::TearDown() {
    picture_loaded = 0;
    picture_data.format = picture_format_none;
    g_free(utf8_path_and_filename_picture);
    utf8_path_and_filename_picture = nullptr;
    EditorTest::TearDown();
}

void PaintingTest::load_picture(const std::string &path) {
    ASSERT_TRUE(open_picture(path.c_str(), TRUE)) << path;
    picture_loaded = 1;
    set_background_color_for_sprites();
    repaint_sprite_views();
    process_events(50);
}

void PaintingTest::load_sprites(const std::string &path) {
    GError *error = nullptr;
    const int decoded = spritesdecoder_decode_sprites_file(
        path.c_str(), options_sprite_attribute_byte_format, 1, &error);
    const GErrorPtr owned{error};
    ASSERT_EQ(decoded, 1) << path << ": " << (owned ? owned->message : "");
    repaint_sprite_views();
    process_events(50);
}

void PaintingTest::choose(const char *menuitem) {
    gtk_menu_item_activate(GTK_MENU_ITEM(widget(menuitem)));
    process_events(50);
}

void PaintingTest::choose_zoom(int zoom) {
    const std::string item = "menuitem_zoom_" + std::to_string(zoom) + "x";
    choose(item.c_str());
}
