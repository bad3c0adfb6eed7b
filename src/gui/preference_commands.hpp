#pragma once
// The Preferences menu: palette, zoom, selection marking, transition, attribute byte format and
// re-encoding.

#include <gtk/gtk.h>

void on_menuitem_palette_peptos_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_palette_high_contrast_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_palette_pixcen_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_palette_ccs64_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_zoom_1x_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_zoom_2x_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_zoom_3x_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_zoom_4x_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_selection_method_frame_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_selection_method_alpha_adjustment_activate(GtkMenuItem *menuitem,
                                                            gpointer user_data);
void on_menuitem_selection_method_both_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_transition_none_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_transition_flicker_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_sprite_attribute_byte_format_ignore_activate(GtkMenuItem *menuitem,
                                                              gpointer user_data);
void on_menuitem_sprite_attribute_byte_format_sprite_pad_activate(GtkMenuItem *menuitem,
                                                                  gpointer user_data);
void on_menuitem_reencode_graphics_activate(GtkMenuItem *menuitem, gpointer user_data);
void on_menuitem_follow_files_activate(GtkMenuItem *menuitem, gpointer user_data);
