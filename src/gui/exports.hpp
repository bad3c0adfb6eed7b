#pragma once
// Export of the project as a PNG screenshot and as a self-running C64 program.

#include <gtk/gtk.h>

void on_menuitem_export_to_png_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_export_activate(GtkMenuItem *menuitem, gpointer user_data);
