#pragma once
// Start-up and the two ways out: File -> Quit and the window's close button.

#include <gtk/gtk.h>

extern GtkWidget *window_main;

// The widget registered under name on the main window.
GtkWidget *app_lookup_widget(const char *name);

// Everything before the main loop: toolkit, window, stores, preferences. False when the
// display cannot be opened.
bool app_start(int *argc, char ***argv);
// Opens file arguments in the window as the File menu would: a project, else a picture, else a
// sprite file, by what each file holds. Takes names in the GLib file name encoding.
void app_open_files(gchar **filenames);

// Files dropped on the window open as app_open_files opens them.
void on_window_main_drag_data_received(GtkWidget *widget, GdkDragContext *context, gint x, gint y,
                                       GtkSelectionData *data, guint info, guint time,
                                       gpointer user_data);
void cleanup_before_quitting();

gboolean on_window_main_delete_event(GtkWidget *widget, GdkEvent *event, gpointer user_data);
void on_menuitem_quit_activate(GtkMenuItem *menuitem, gpointer user_data);
