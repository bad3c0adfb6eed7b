#pragma once
// The File menu's project commands and what is loaded: picture, sprites and project file.

#include <gtk/gtk.h>

extern int picture_loaded;
extern int sprites_loaded;
extern gchar *utf8_path_and_filename_project;
extern gchar *utf8_path_and_filename_sprites;
extern int border_color_index; // the closed corner border colour, $D020

void on_menuitem_new_project_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_open_project_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_save_project_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_save_project_as_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_load_picture_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_load_sprites_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_reload_graphics_activate(GtkMenuItem *menuitem, gpointer user_data);
