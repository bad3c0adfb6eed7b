#pragma once
// The main window: every widget built, registered under its name and connected.

#include <gtk/gtk.h>

// The window as the first frame shows it: every area and button, the menu bar with its titles
// and the Edit menu.
GtkWidget *create_window_main();
// Fills the File, Preferences and Help menus, showing the preferences, and sets the tooltips:
// what no one can use before the window is on screen. Does nothing the second time.
void window_main_add_later_menus(GtkWidget *window);
bool window_main_has_all_menus(GtkWidget *window);
