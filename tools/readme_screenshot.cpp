// Takes the README's screenshot: starts the editor with fresh preferences, opens the example
// project through File -> Open project as a user would, and saves the window's contents as PNG.
//
//   readme_screenshot <project.ini> <out.png>     (needs an X display, e.g. under xvfb-run)

#include "gui/app.hpp"
#include "gui/project_commands.hpp"

#include <gtk/gtk.h>

#include <cstdio>

namespace {

const char *project_path;
const char *png_path;
int exit_status = 1;

// The open dialog runs its own loop; pick the project in it as soon as it is mapped.
gboolean answer_file_chooser(gpointer) {
    GList *toplevels = gtk_window_list_toplevels();
    bool answered = false;
    for (GList *item = toplevels; item; item = item->next) {
        GtkWidget *widget = GTK_WIDGET(item->data);
        if (GTK_IS_FILE_CHOOSER_DIALOG(widget) && gtk_widget_get_mapped(widget)) {
            gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(widget), project_path);
            gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_OK);
            answered = true;
        }
    }
    g_list_free(toplevels);
    return answered ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

gboolean save_window(gpointer) {
    GdkPixbuf *pixbuf = nullptr;
    GdkPixmap *pixmap = gtk_widget_get_snapshot(window_main, nullptr);
    if (pixmap) {
        int width = 0, height = 0;
        gdk_drawable_get_size(GDK_DRAWABLE(pixmap), &width, &height);
        pixbuf = gdk_pixbuf_get_from_drawable(nullptr, GDK_DRAWABLE(pixmap), nullptr, 0, 0, 0, 0,
                                              width, height);
        g_object_unref(pixmap);
    }
    GError *error = nullptr;
    if (pixbuf && gdk_pixbuf_save(pixbuf, png_path, "png", &error, nullptr)) {
        exit_status = 0;
    } else {
        std::fprintf(stderr, "could not save %s: %s\n", png_path,
                     error ? error->message : "no snapshot of the window");
        g_clear_error(&error);
    }
    if (pixbuf) {
        g_object_unref(pixbuf);
    }
    gtk_main_quit();
    return G_SOURCE_REMOVE;
}

gboolean open_project(gpointer) {
    g_timeout_add(100, answer_file_chooser, nullptr);
    on_menuitem_open_project_activate(nullptr, nullptr);
    g_timeout_add(1000, save_window, nullptr);
    return G_SOURCE_REMOVE;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <project.ini> <out.png>\n", argv[0]);
        return 2;
    }
    project_path = argv[1];
    png_path = argv[2];
    // A throwaway preferences folder: the picture shows the editor's defaults, and the user's
    // own preferences file stays as it is.
    gchar *config_home = g_dir_make_tmp("sidewell-screenshot-XXXXXX", nullptr);
    g_setenv("XDG_CONFIG_HOME", config_home, TRUE);
    app_start(&argc, &argv);
    g_idle_add(open_project, nullptr);
    gtk_main();
    gchar *quoted = g_shell_quote(config_home);
    gchar *command = g_strdup_printf("rm -rf %s", quoted);
    g_free(quoted);
    g_spawn_command_line_sync(command, nullptr, nullptr, nullptr, nullptr);
    g_free(command);
    g_free(config_home);
    return exit_status;
}
