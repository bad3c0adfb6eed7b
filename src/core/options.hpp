#pragma once
// The user's preferences: the option variables every module reads, and the preferences file
// "user.ini" that keeps them between runs.

#include <glib.h>

extern int options_palette;
extern int options_expansion;
extern int options_selection_method;
extern int options_transition;
extern int options_sprite_attribute_byte_format;
extern gboolean options_reencode_graphics;
extern gboolean options_follow_files; // reload files as they change on disk
extern int *options_window_position;  // x, y as read from the file, or null
extern gchar *options_picture_dir_string;
extern gchar *options_sprites_dir_string;
extern gchar *options_export_png_dir_string;
extern gchar *options_export_dir_string;
extern gchar *utf8_path_configfile;

// Where the live window position comes from when the file is written; the GUI sets it.
using OptionsPositionSource = gboolean (*)(int *x, int *y);
void options_set_position_source(OptionsPositionSource source);

void options_module_init();
// The same, with the preferences folder inside config_dir instead of the user's own.
void options_module_init_in(const gchar *config_dir);
// Reads the preferences file below config_dir (the user's configuration folder) if there is
// one, and never writes or creates anything: for runs without a window.
void options_module_init_read_only(const gchar *config_dir);
void options_load_from_file();
void set_options_from_config(GKeyFile *key_file);
gboolean options_save_to_file();
