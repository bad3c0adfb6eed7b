#include "gui/app.hpp"

#include "core/commandline.hpp"
#include "core/glib_ptr.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/pngreader.hpp"
#include "core/sprites.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/exports.hpp"
#include "gui/file_follow.hpp"
#include "gui/fileopen.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"
#include "gui/window_main.hpp"

#include <pango/pangocairo.h>

#include <vector>

GtkWidget *window_main = nullptr;

namespace {

constexpr const char *quit_question = "Are you sure you want to quit?";

// Every write of the preferences stores where the window is at that moment.
gboolean window_main_position(int *x, int *y) {
    if (window_main == nullptr) {
        return FALSE;
    }
    gtk_window_get_position(GTK_WINDOW(window_main), x, y);
    return TRUE;
}

// Ends the program after the user agreed: preferences first, then the large images.
bool confirm_quit() {
    if (!controls_get_user_confirmation(tr(quit_question))) {
        return false;
    }
    options_save_to_file();
    cleanup_before_quitting();
    return true;
}

template <typename T> void release(T *&object, void (*release_function)(T *)) {
    if (object != nullptr) {
        release_function(object);
        object = nullptr;
    }
}

void unref_pixbuf(GdkPixbuf *pixbuf) {
    g_object_unref(pixbuf);
}

// What only a user's action needs waits until the window has been painted once: the File,
// Preferences and Help menus with the tooltips, and the menu images, whose icon theme costs more
// to load than the rest of the first frame. The idle runs after every redraw of that frame.
bool menu_images_wanted = false;
guint completion_source = 0;

gboolean complete_window(gpointer) {
    completion_source = 0;
    window_main_add_later_menus(window_main);
    on_menuitem_file_activate(nullptr, nullptr);
    if (menu_images_wanted) {
        g_object_set(gtk_settings_get_default(), "gtk-menu-images", TRUE, nullptr);
    }
    return G_SOURCE_REMOVE;
}

gboolean on_first_expose(GtkWidget *window, GdkEventExpose *, gpointer) {
    g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(on_first_expose),
                                         nullptr);
    completion_source = g_idle_add(complete_window, nullptr);
    return FALSE;
}

void complete_after_first_frame() {
    gboolean shown = FALSE;
    g_object_get(gtk_settings_get_default(), "gtk-menu-images", &shown, nullptr);
    if (shown) {
        menu_images_wanted = true;
        g_object_set(gtk_settings_get_default(), "gtk-menu-images", FALSE, nullptr);
    }
    g_signal_connect_after(window_main, "expose-event", G_CALLBACK(on_first_expose), nullptr);
}

} // namespace

GtkWidget *app_lookup_widget(const char *name) {
    return lookup_widget(window_main, name);
}

bool app_start(int *argc, char ***argv) {
    gtk_set_locale();
    // Making the font map starts Pango reading the fontconfig setup in a thread of its own; left
    // to the first label, it would hold up the first frame by a third while the window waits.
    pango_cairo_font_map_get_default();
    if (!gtk_init_check(argc, argv)) {
        return false;
    }
    fileopen_forget_filters();
    sprites_module_init();
    options_set_position_source(window_main_position);
    options_module_init();
    // The saved preferences apply once: the menus show them when they are filled, and the areas
    // take the saved zoom before showing realises them, so their first configure events build every
    // off-screen image in the saved palette and size.
    window_main = create_window_main();
    complete_after_first_frame();
    set_zoom_level();
    if (options_window_position != nullptr) {
        gtk_window_move(GTK_WINDOW(window_main), options_window_position[0],
                        options_window_position[1]);
    }
    gtk_widget_show(window_main);
    g_signal_connect(window_main, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    return true;
}

void app_open_files(gchar **filenames) {
    for (gchar **filename = filenames; filename != nullptr && *filename != nullptr; ++filename) {
        const GCharPtr utf8(g_filename_display_name(*filename));
        switch (commandline_classify_file(utf8.get())) {
        case CommandlineFileKind::project:
            project_commands_open_project(utf8.get());
            break;
        case CommandlineFileKind::picture:
            // A PNG frame holds the border sprites too.
            if (pngreader_is_frame_file(utf8.get())) {
                project_commands_load_frame(utf8.get());
            } else {
                project_commands_load_picture(utf8.get());
            }
            break;
        case CommandlineFileKind::sprites:
            project_commands_add_sprites(utf8.get());
            break;
        }
    }
}

void on_window_main_drag_data_received(GtkWidget *, GdkDragContext *, gint, gint,
                                       GtkSelectionData *data, guint, guint, gpointer) {
    gchar **uris = gtk_selection_data_get_uris(data);
    if (uris == nullptr) {
        return;
    }
    std::vector<gchar *> filenames;
    for (gchar **uri = uris; *uri != nullptr; ++uri) {
        if (gchar *filename = g_filename_from_uri(*uri, nullptr, nullptr)) {
            filenames.push_back(filename);
        }
    }
    filenames.push_back(nullptr);
    app_open_files(filenames.data());
    for (gchar *filename : filenames) {
        g_free(filename);
    }
    g_strfreev(uris);
}

void cleanup_before_quitting() {
    if (completion_source != 0) {
        g_source_remove(completion_source);
        completion_source = 0;
    }
    file_follow_stop();
    release(pixbuf_picture, unref_pixbuf);
    release(pixbuf_sprites, unref_pixbuf);
    release(surface_palette, cairo_surface_destroy);
    release(surface_sprite_palette, cairo_surface_destroy);
}

gboolean on_window_main_delete_event(GtkWidget *, GdkEvent *, gpointer) {
    // FALSE lets GTK destroy the window, whose "destroy" ends the main loop.
    return confirm_quit() ? FALSE : TRUE;
}

void on_menuitem_quit_activate(GtkMenuItem *, gpointer) {
    if (confirm_quit()) {
        gtk_main_quit();
    }
}
