#include "gui/app.hpp"

#include "core/c64pixbufs.hpp"
#include "core/i18n.hpp"
#include "core/options.hpp"
#include "core/sprites.hpp"
#include "gui/colorpickers.hpp"
#include "gui/controls.hpp"
#include "gui/fileopen.hpp"
#include "gui/painting.hpp"
#include "gui/window_main.hpp"

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

} // namespace

void app_start(int *argc, char ***argv) {
    gtk_set_locale();
    gtk_init(argc, argv);
    fileopen_forget_filters();
    window_main = create_window_main();
    // Showing realises the drawing areas: their first configure events record them and create
    // the off-screen images that applying the preferences below repaints.
    gtk_widget_show(window_main);
    g_signal_connect(window_main, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    sprites_module_init();
    c64pixbufs_module_init();
    options_set_position_source(window_main_position);
    options_module_init();
    controls_adjust_from_options();
}

void cleanup_before_quitting() {
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
