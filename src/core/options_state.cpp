#include "core/options.hpp"

// The option variables with their values at process start, before the preferences file is read.
int options_palette = 0;
int options_expansion = 1;
int options_selection_method = 0;
int options_transition = 0;
int options_sprite_attribute_byte_format = 0;
gboolean options_reencode_graphics = FALSE;
gboolean options_follow_files = TRUE;
int *options_window_position = nullptr;
gchar *options_picture_dir_string = nullptr;
gchar *options_sprites_dir_string = nullptr;
gchar *options_export_png_dir_string = nullptr;
gchar *options_export_dir_string = nullptr;
gchar *utf8_path_configfile = nullptr;
