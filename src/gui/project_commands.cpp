#include "gui/project_commands.hpp"

int picture_loaded = 0;
int sprites_loaded = 0;
gchar *utf8_path_and_filename_project = nullptr;
gchar *utf8_path_and_filename_sprites = nullptr;
int border_color_index = 0;

void on_menuitem_new_project_activate(GtkMenuItem *, gpointer) {}
void on_menuitem_open_project_activate(GtkMenuItem *, gpointer) {}
void on_menuitem_save_project_activate(GtkMenuItem *, gpointer) {}
void on_menuitem_save_project_as_activate(GtkMenuItem *, gpointer) {}
void on_menuitem_load_picture_activate(GtkMenuItem *, gpointer) {}
void on_menuitem_load_sprites_activate(GtkMenuItem *, gpointer) {}
void on_menuitem_reload_graphics_activate(GtkMenuItem *, gpointer) {}
