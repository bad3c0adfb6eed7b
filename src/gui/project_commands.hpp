#pragma once
// The File menu's project commands and what is loaded: picture, sprites and project file.

#include <gtk/gtk.h>

extern int picture_loaded;
extern int sprites_loaded;
extern gchar *utf8_path_and_filename_project;
extern gchar *utf8_path_and_filename_sprites;
extern int border_color_index; // the closed corner border colour, $D020
// The project as it stood when the template preview began, and whether it is still to come back.
extern gchar *project_backup_data;
extern int project_backup_pending_restore;

void on_menuitem_new_project_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_open_project_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_save_project_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_save_project_as_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_load_picture_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_load_sprites_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_reload_graphics_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_open_example_activate(GtkMenuItem *menuitem, gpointer user_data);

// What the menu commands do once a file is chosen; also for files given on the command line.
void project_commands_open_project(const gchar *utf8_path);
void project_commands_load_picture(const gchar *utf8_path);
// A PNG frame: its picture and its border sprites, the places breaking the rules reported once.
void project_commands_load_frame(const gchar *utf8_path);
// 1 when the sprites were loaded, 0 when the file was no sprite file (reported).
int project_commands_load_sprites(const gchar *utf8_path);
// As load_sprites, for a file given or dropped: one that is no sprite file leaves the sprites in
// use as they were.
void project_commands_add_sprites(const gchar *utf8_path);

// Writes the project file; 1 when it was written, else 0 (a write error has been reported).
int save_project_to_file(const gchar *utf8_path);
// Asks for a project file name (with ".ini" added when missing) and saves there.
void choose_name_and_save_project_to_file();
// Brings back the picture, sprites and colours held in project_backup_data.
void restore_project_from_data();

// The files the editor follows on disk.
enum class FollowedFile { picture, sprites, project };
// Reads a followed file again after it changed on disk, as F4 does (the artist's colours and the
// undo history stay; a project brings its own). FALSE with error set when it does not read, and
// what was shown before stays.
gboolean project_commands_reload_changed_file(FollowedFile file, GError **error);
