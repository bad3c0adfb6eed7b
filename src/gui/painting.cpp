#include "gui/painting.hpp"

#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <array>

GdkPixbuf *pixbuf_picture = nullptr;
GdkPixbuf *pixbuf_sprites = nullptr;
gchar *utf8_path_and_filename_picture = nullptr;

namespace {

constexpr int no_border_color = -1;
constexpr int c64_colour_count = 16;

// The C64 display at one pixel per C64 pixel: the 320x200 picture, 48-pixel open borders above
// and below it, the side borders beside that column; the sprite list is 8 sprites of 24x21
// across at twice the zoom.
struct AreaSize {
    const char *name;
    int width;
    int height;
};

constexpr std::array<AreaSize, 7> zoomed_areas{{
    {"drawingarea_upper_border", 320, 48},
    {"drawingarea_lower_border", 320, 48},
    {"drawingarea_left_border", 48, 296},
    {"drawingarea_right_border", 48, 296},
    {"drawingarea_picture", 320, 200},
    {"drawingarea_sprites", 384, 210},
    {"drawingarea_sprite_palette", 256, 16},
}};

} // namespace

gboolean open_picture(const gchar *utf8_path, gboolean take_border) {
    if (pixbuf_picture != nullptr) {
        g_object_unref(pixbuf_picture);
        pixbuf_picture = nullptr;
    }
    picture_data.format = picture_format_none;
    picture_data.border_color = no_border_color;
    GError *error = nullptr;
    if (!hiresdecoder_decode_hires_screen_file(utf8_path, picture_format_none, &pixbuf_picture,
                                               &picture_data, &error)) {
        GErrorPtr owned{error};
        GCharPtr status{g_strdup_printf(tr(" Error: %s"), owned->message)};
        controls_update_main_statusbar(status.get());
        controls_show_message_dialog(owned->message, GTK_MESSAGE_ERROR);
        return FALSE;
    }
    gchar *path = g_strdup(utf8_path);
    g_free(utf8_path_and_filename_picture);
    utf8_path_and_filename_picture = path;
    if (take_border == 1 && picture_data.border_color != no_border_color) {
        border_color_index = picture_data.border_color % c64_colour_count;
    }
    return TRUE;
}

void set_zoom_level() {
    const int zoom = options_expansion;
    for (const AreaSize &area : zoomed_areas) {
        gtk_widget_set_size_request(lookup_widget(window_main, area.name), area.width * zoom,
                                    area.height * zoom);
    }
}

void repaint_sprite_views() {}

void set_background_color_for_sprites() {}

gboolean on_drawingarea_left_border_configure_event(GtkWidget *, GdkEventConfigure *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_left_border_expose_event(GtkWidget *, GdkEventExpose *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_upper_border_configure_event(GtkWidget *, GdkEventConfigure *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_upper_border_expose_event(GtkWidget *, GdkEventExpose *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_picture_configure_event(GtkWidget *, GdkEventConfigure *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_picture_expose_event(GtkWidget *, GdkEventExpose *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_lower_border_configure_event(GtkWidget *, GdkEventConfigure *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_lower_border_expose_event(GtkWidget *, GdkEventExpose *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_right_border_configure_event(GtkWidget *, GdkEventConfigure *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_right_border_expose_event(GtkWidget *, GdkEventExpose *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprites_configure_event(GtkWidget *, GdkEventConfigure *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprites_expose_event(GtkWidget *, GdkEventExpose *, gpointer) {
    return FALSE;
}
