#pragma once
// Export of the project as a PNG screenshot and as a self-running C64 program, and of its
// picture and sprites as C64 files.

#include <gtk/gtk.h>

// Writes the composed screen (416x272, as the monitor shows it) of the loaded picture and
// sprites as a PNG file.
gboolean export_screen_to_png(const gchar *utf8_path, GError **error);

// Write the program file for the loaded multicolour or PETSCII picture and the first 40 sprites,
// replacing any file atomically; a write error is reported in the status bar and a dialog.
gboolean export_mc_to_executable(const gchar *utf8_path);
gboolean export_petscii_to_executable(const gchar *utf8_path);

// Export to executable once the name is chosen: writes the program, runs the cruncher on it
// behind a progress dialog and reports how that ended.
void export_program_to(const gchar *utf8_path);

void on_menuitem_export_to_png_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_export_activate(GtkMenuItem *menuitem, gpointer user_data);
// Save the picture (Koala Painter, or PETSCII Vellum) and the sprites (raw, with attribute
// bytes) as files C64 tools read.
void on_menuitem_save_picture_as_c64_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_save_sprites_as_c64_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_run_in_emulator_activate(GtkMenuItem *menuitem, gpointer user_data);
// Run in emulator is offered only while x64sc or x64 is on PATH.
void on_menuitem_file_activate(GtkMenuItem *menuitem, gpointer user_data);
