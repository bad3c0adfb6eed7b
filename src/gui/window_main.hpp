#pragma once
// The main window: every widget built, registered under its name and connected.

#include <gtk/gtk.h>

GtkWidget *create_window_main();
