#include "gui/preference_commands.hpp"

#include "core/glib_ptr.hpp"
#include "core/options.hpp"
#include "gui/app.hpp"
#include "gui/file_follow.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/support.hpp"

#include <array>

namespace {

constexpr std::array<const char *, 4> colour_swatches{
    "drawingarea_color_sprite_bit_pair_00",
    "drawingarea_color_sprite_bit_pair_01",
    "drawingarea_color_sprite_bit_pair_10",
    "drawingarea_color_sprite_bit_pair_11",
};

// Redraws everything in a new palette or selection marking.
void refresh_display(bool queue_swatches) {
    // Setting the size request to its current value changes nothing; going one step away and
    // back makes GTK allocate every area anew, so each gets a configure event and rebuilds
    // the palette strip in the new colours.
    const int zoom = options_expansion;
    options_expansion = zoom >= 2 ? zoom - 1 : zoom + 1;
    set_zoom_level();
    options_expansion = zoom;
    set_zoom_level();
    if (picture_loaded == 1) {
        // open_picture replaces the path it is given, so it gets a copy; the corner colour the
        // user chose is kept.
        GCharPtr path{g_strdup(utf8_path_and_filename_picture)};
        open_picture(path.get(), FALSE);
        set_background_color_for_sprites();
    }
    repaint_sprite_views();
    if (queue_swatches) {
        for (const char *swatch : colour_swatches) {
            gtk_widget_queue_draw(lookup_widget(window_main, swatch));
        }
    }
    options_save_to_file();
}

// A radio item acts only when it became the chosen one: the item that was chosen before is
// activated too as it is left.
bool chosen(GtkMenuItem *menuitem) {
    return gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(menuitem)) == TRUE;
}

void choose_palette(GtkMenuItem *menuitem, int palette) {
    if (chosen(menuitem)) {
        options_palette = palette;
        refresh_display(true);
    }
}

void choose_selection_method(GtkMenuItem *menuitem, int method) {
    if (chosen(menuitem)) {
        options_selection_method = method;
        refresh_display(false);
    }
}

void choose_zoom(GtkMenuItem *menuitem, int zoom) {
    if (chosen(menuitem)) {
        options_expansion = zoom;
        set_zoom_level();
        options_save_to_file();
    }
}

void choose_transition(GtkMenuItem *menuitem, int transition) {
    if (chosen(menuitem)) {
        options_transition = transition;
        options_save_to_file();
    }
}

} // namespace

void on_menuitem_palette_peptos_activate(GtkMenuItem *menuitem, gpointer) {
    choose_palette(menuitem, 0);
}
void on_menuitem_palette_high_contrast_activate(GtkMenuItem *menuitem, gpointer) {
    choose_palette(menuitem, 1);
}
void on_menuitem_palette_pixcen_activate(GtkMenuItem *menuitem, gpointer) {
    choose_palette(menuitem, 2);
}
void on_menuitem_palette_ccs64_activate(GtkMenuItem *menuitem, gpointer) {
    choose_palette(menuitem, 3);
}

void on_menuitem_zoom_1x_activate(GtkMenuItem *menuitem, gpointer) {
    choose_zoom(menuitem, 1);
}
void on_menuitem_zoom_2x_activate(GtkMenuItem *menuitem, gpointer) {
    choose_zoom(menuitem, 2);
}
void on_menuitem_zoom_3x_activate(GtkMenuItem *menuitem, gpointer) {
    choose_zoom(menuitem, 3);
}
void on_menuitem_zoom_4x_activate(GtkMenuItem *menuitem, gpointer) {
    choose_zoom(menuitem, 4);
}

void on_menuitem_selection_method_frame_activate(GtkMenuItem *menuitem, gpointer) {
    choose_selection_method(menuitem, 0);
}
void on_menuitem_selection_method_alpha_adjustment_activate(GtkMenuItem *menuitem, gpointer) {
    choose_selection_method(menuitem, 1);
}
void on_menuitem_selection_method_both_activate(GtkMenuItem *menuitem, gpointer) {
    choose_selection_method(menuitem, 2);
}

void on_menuitem_transition_none_activate(GtkMenuItem *menuitem, gpointer) {
    choose_transition(menuitem, 0);
}
void on_menuitem_transition_flicker_activate(GtkMenuItem *menuitem, gpointer) {
    choose_transition(menuitem, 1);
}

// The attribute byte format only matters when sprites are next loaded; the file learns it with
// the next write of any kind.
void on_menuitem_sprite_attribute_byte_format_ignore_activate(GtkMenuItem *menuitem, gpointer) {
    if (chosen(menuitem)) {
        options_sprite_attribute_byte_format = 0;
    }
}
void on_menuitem_sprite_attribute_byte_format_sprite_pad_activate(GtkMenuItem *menuitem, gpointer) {
    if (chosen(menuitem)) {
        options_sprite_attribute_byte_format = 1;
    }
}

void on_menuitem_reencode_graphics_activate(GtkMenuItem *menuitem, gpointer) {
    options_reencode_graphics = gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(menuitem));
    options_save_to_file();
}

void on_menuitem_follow_files_activate(GtkMenuItem *menuitem, gpointer) {
    options_follow_files = gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(menuitem));
    options_save_to_file();
    file_follow_sync();
}
