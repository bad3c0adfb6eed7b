#include "area_test_support.hpp"

#include "core/hiresdecoder.hpp"
#include "core/options.hpp"
#include "core/palette.hpp"
#include "core/sprites.hpp"
#include "core/spritesdecoder.hpp"
#include "gui/app.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <array>
#include <sstream>

namespace {

constexpr std::uint32_t white_rgb = 0xFFFFFF;

// The hardware key X would report for keyval, for the key bindings that look at it.
guint16 keycode_of(guint keyval, guint8 *group) {
    GdkKeymapKey *keys = nullptr;
    gint count = 0;
    guint16 keycode = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_default(), keyval, &keys, &count) &&
        count > 0) {
        keycode = static_cast<guint16>(keys[0].keycode);
        *group = static_cast<guint8>(keys[0].group);
    }
    g_free(keys);
    return keycode;
}

// A handler that takes the press stops the emission, so this runs only for presses left alone.
gboolean note_unhandled_press(GtkWidget *, GdkEventButton *, gpointer reached) {
    *static_cast<bool *>(reached) = true;
    return FALSE;
}

guchar *pixel_at(GdkPixbuf *image, int x, int y) {
    return gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
           x * gdk_pixbuf_get_n_channels(image);
}

void replace_string(gchar *&variable, const gchar *value) {
    g_free(variable);
    variable = g_strdup(value);
}

} // namespace

bool send_button(GtkWidget *area, double x, double y, guint state, GdkEventType type,
                 guint button) {
    GdkWindow *window = gtk_widget_get_window(area);
    GdkEvent *event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x;
    event->button.y = y;
    event->button.state = state;
    event->button.button = button;
    event->button.device = gdk_display_get_core_pointer(gdk_display_get_default());
    gint origin_x = 0;
    gint origin_y = 0;
    gdk_window_get_origin(window, &origin_x, &origin_y);
    event->button.x_root = origin_x + x;
    event->button.y_root = origin_y + y;
    bool unhandled = false;
    const gulong probe = g_signal_connect_after(area, "button-press-event",
                                                G_CALLBACK(note_unhandled_press), &unhandled);
    gtk_main_do_event(event);
    g_signal_handler_disconnect(area, probe);
    gdk_event_free(event);
    return !unhandled;
}

// Keys reach an area only through its toplevel, which hands them to its focus widget.
void send_key_event(guint keyval, guint state, GdkEventType type) {
    GdkEvent *event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window_main)));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.state = state;
    event->key.keyval = keyval;
    event->key.string = g_strdup("");
    event->key.hardware_keycode = keycode_of(keyval, &event->key.group);
    gtk_main_do_event(event);
    gdk_event_free(event);
}

void tap_key(guint keyval, guint state) {
    send_key_event(keyval, state, GDK_KEY_PRESS);
    send_key_event(keyval, state, GDK_KEY_RELEASE);
}

void choose(const char *menuitem) {
    gtk_menu_item_activate(GTK_MENU_ITEM(lookup_widget(window_main, menuitem)));
    process_events(50);
}

void choose_zoom(int zoom) {
    choose(("menuitem_zoom_" + std::to_string(zoom) + "x").c_str());
}

std::pair<int, int> window_position() {
    process_events(100);
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(window_main), &x, &y);
    return {x, y};
}

void flush_redraws() {
    process_events();
    gdk_window_process_all_updates();
}

bool take_queued_redraw(const char *widget_name) {
    GdkWindow *window = gtk_widget_get_window(lookup_widget(window_main, widget_name));
    GdkRegion *queued = gdk_window_get_update_area(window);
    if (queued == nullptr)
        return false;
    gdk_region_destroy(queued);
    return true;
}

std::vector<unsigned> selected_sprites() {
    std::vector<unsigned> indices;
    for (unsigned index = 0; index < sprites_get_array_size(); index++) {
        std::int32_t selected = 0;
        sprites_get_selected_at_index(index, &selected);
        if (selected == 1)
            indices.push_back(index);
    }
    return indices;
}

PixbufPtr area_pixels(GtkWidget *area) {
    GdkPixmap *pixmap = gtk_widget_get_snapshot(area, nullptr);
    if (pixmap == nullptr)
        return nullptr;
    int width = 0;
    int height = 0;
    gdk_drawable_get_size(pixmap, &width, &height);
    PixbufPtr pixels{gdk_pixbuf_get_from_drawable(
        nullptr, pixmap, gdk_drawable_get_colormap(pixmap), 0, 0, 0, 0, width, height)};
    g_object_unref(pixmap);
    return pixels;
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
                text << "pixel (" << x << ", " << y << ") is " << std::hex
                     << pixel_rgb(actual, x, y) << ", expected " << pixel_rgb(expected, x, y);
                return text.str();
            }
    return text.str();
}

std::string area_first_pixel_not(GtkWidget *area, std::uint32_t rgb) {
    const PixbufPtr shown = area_pixels(area);
    PixbufPtr expected{gdk_pixbuf_copy(shown.get())};
    gdk_pixbuf_fill(expected.get(), rgb << 8 | 0xFF);
    return pixels_first_difference(shown.get(), expected.get());
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

PixbufPtr decoded_picture(const std::string &path) {
    GdkPixbuf *pixbuf = nullptr;
    GError *error = nullptr;
    hiresdecoder_decode_hires_screen_file(path.c_str(), picture_format_none, &pixbuf, nullptr,
                                          &error);
    const GErrorPtr owned_error{error};
    return PixbufPtr{pixbuf};
}

void AreaTest::TearDown() {
    picture_loaded = 0;
    sprites_loaded = 0;
    picture_data.format = picture_format_none;
    project_backup_pending_restore = 0;
    replace_string(utf8_path_and_filename_picture, nullptr);
    replace_string(utf8_path_and_filename_sprites, nullptr);
    replace_string(project_backup_data, nullptr);
    EditorTest::TearDown();
}

void AreaTest::load_picture(const std::filesystem::path &path) {
    ASSERT_TRUE(open_picture(path.c_str(), TRUE)) << path;
    picture_loaded = 1;
    set_background_color_for_sprites();
    repaint_sprite_views();
    process_events(50);
}

void AreaTest::load_sprites(const std::filesystem::path &path) {
    GError *error = nullptr;
    const int decoded = spritesdecoder_decode_sprites_file(
        path.c_str(), options_sprite_attribute_byte_format, 1, &error);
    const GErrorPtr owned{error};
    ASSERT_EQ(decoded, 1) << path << ": " << (owned ? owned->message : "");
    sprites_loaded = 1;
    replace_string(utf8_path_and_filename_sprites, path.c_str());
    repaint_sprite_views();
    process_events(50);
}
