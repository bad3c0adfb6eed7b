#pragma once
// The border and sprite palette strips, the four bit-pair swatches and the multicolour switch.

#include <gtk/gtk.h>

#include <cstdint>

extern cairo_surface_t *surface_palette;        // the border palette strip, or null
extern cairo_surface_t *surface_sprite_palette; // the sprite palette strip, or null
// The colour the "Sprite color (10)" swatch shows: the last one picked or landed on.
extern std::uint8_t color_index_sprite_bit_pair_10;

// The sixteen colours side by side, 16 x 16 pixels each at the current zoom, on a surface made
// for window; the caller owns it.
cairo_surface_t *drawingarea_palette_init(GdkWindow *window);

gboolean on_drawingarea_palette_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                gpointer user_data);
gboolean on_drawingarea_palette_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                             gpointer user_data);
gboolean on_drawingarea_palette_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                   gpointer user_data);
void on_checkbutton_sprite_multicolor_toggled(GtkToggleButton *togglebutton, gpointer user_data);
gboolean on_drawingarea_color_sprite_bit_pair_00_configure_event(GtkWidget *widget,
                                                                 GdkEventConfigure *event,
                                                                 gpointer user_data);
gboolean on_drawingarea_color_sprite_bit_pair_00_expose_event(GtkWidget *widget,
                                                              GdkEventExpose *event,
                                                              gpointer user_data);
gboolean on_drawingarea_color_sprite_bit_pair_10_configure_event(GtkWidget *widget,
                                                                 GdkEventConfigure *event,
                                                                 gpointer user_data);
gboolean on_drawingarea_color_sprite_bit_pair_10_expose_event(GtkWidget *widget,
                                                              GdkEventExpose *event,
                                                              gpointer user_data);
gboolean on_drawingarea_color_sprite_bit_pair_01_configure_event(GtkWidget *widget,
                                                                 GdkEventConfigure *event,
                                                                 gpointer user_data);
gboolean on_drawingarea_color_sprite_bit_pair_01_expose_event(GtkWidget *widget,
                                                              GdkEventExpose *event,
                                                              gpointer user_data);
gboolean on_drawingarea_color_sprite_bit_pair_11_configure_event(GtkWidget *widget,
                                                                 GdkEventConfigure *event,
                                                                 gpointer user_data);
gboolean on_drawingarea_color_sprite_bit_pair_11_expose_event(GtkWidget *widget,
                                                              GdkEventExpose *event,
                                                              gpointer user_data);
gboolean on_drawingarea_sprite_palette_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                       gpointer user_data);
gboolean on_drawingarea_sprite_palette_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                    gpointer user_data);
gboolean on_drawingarea_sprite_palette_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                          gpointer user_data);
