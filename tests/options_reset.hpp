#pragma once
// Both test programs start each test from the option values a fresh process has.

#include "core/options.hpp"

#include <glib.h>

#include <initializer_list>

inline void options_reset_to_start_values() {
    options_palette = 0;
    options_expansion = 1;
    options_selection_method = 0;
    options_transition = 0;
    options_sprite_attribute_byte_format = 0;
    options_reencode_graphics = FALSE;
    g_free(options_window_position);
    options_window_position = nullptr;
    for (gchar **folder : {&options_picture_dir_string, &options_sprites_dir_string,
                           &options_export_png_dir_string, &options_export_dir_string}) {
        g_free(*folder);
        *folder = nullptr;
    }
}
