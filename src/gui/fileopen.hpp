#pragma once
// The eight file choosers. Each returns 1 and a new UTF-8 path in out when the user confirmed,
// else 0; it remembers the folder (and for pictures and sprites the filter) for next time.

#include <gtk/gtk.h>

GtkWidget *create_filechooserdialog_open();
GtkWidget *create_filechooserdialog_save();

gboolean fileopen_open_picture_file(gchar **out);
gboolean fileopen_open_sprites_file(gchar **out);
gboolean fileopen_open_project_file(gchar **out);
gboolean fileopen_save_project_file(const gchar *suggested_name, gchar **out);
gboolean fileopen_save_png_file(const gchar *suggested_name, gchar **out);
gboolean fileopen_save_executable_file(const gchar *suggested_name, gchar **out);
gboolean fileopen_save_c64_picture_file(const gchar *suggested_name, gchar **out);
// With the SpritePad type chosen, a name without ".spr" gets it, so the name tells the type.
gboolean fileopen_save_c64_sprites_file(const gchar *suggested_name, gchar **out);

// A new start of the editor offers the first filter of each chooser again.
void fileopen_forget_filters();

// The picture chooser's live preview; image is the preview widget.
void fileopen_update_hires_preview_cb(GtkFileChooser *chooser, gpointer image);
