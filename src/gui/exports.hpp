#pragma once
// Export of the project as a PNG screenshot and as a self-running C64 program.

#include <gtk/gtk.h>

// Writes the composed screen (416x272, as the monitor shows it) of the loaded picture and
// sprites as a PNG file.
gboolean export_screen_to_png(const gchar *utf8_path, GError **error);

// Write the program file for the loaded multicolour or PETSCII picture and the first 40 sprites,
// replacing any file atomically; a write error is reported in the status bar and a dialog.
gboolean export_mc_to_executable(const gchar *utf8_path);
gboolean export_petscii_to_executable(const gchar *utf8_path);

// Runs the cruncher on the program file, packing it in place into a self-extracting program that
// starts at start_address. FALSE with error set when it could not be started; otherwise its wait
// status in *wait_status.
gboolean export_crunch_executable(const gchar *utf8_path, int start_address, gint *wait_status,
                                  GError **error);

void on_menuitem_export_to_png_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_export_activate(GtkMenuItem *menuitem, gpointer user_data);
