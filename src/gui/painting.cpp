#include "gui/painting.hpp"

#include "core/glib_ptr.hpp"
#include "core/hiresdecoder.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/controls.hpp"
#include "gui/project_commands.hpp"
#include "gui/screen_geometry.hpp"
#include "gui/support.hpp"

#include <array>

GdkPixbuf *pixbuf_picture = nullptr;
GdkPixbuf *pixbuf_sprites = nullptr;
gchar *utf8_path_and_filename_picture = nullptr;

namespace {

constexpr int no_border_color = -1;
constexpr int c64_colour_count = 16;

// The areas whose size follows the zoom, in the order they are resized.
struct AreaSize {
    const char *name;
    int width;
    int height;
};

constexpr std::array<AreaSize, 7> zoomed_areas{{
    {"drawingarea_upper_border", picture_width, open_border_height},
    {"drawingarea_lower_border", picture_width, open_border_height},
    {"drawingarea_left_border", side_border_width, side_border_height},
    {"drawingarea_right_border", side_border_width, side_border_height},
    {"drawingarea_picture", picture_width, picture_height},
    {"drawingarea_sprites", sprite_list_width, sprite_list_height},
    {"drawingarea_sprite_palette", palette_strip_width, palette_strip_height},
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
