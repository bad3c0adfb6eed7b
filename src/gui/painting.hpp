#pragma once
// The picture, the open upper and lower borders, the side borders and the sprite list: their
// images, sizes at the current zoom and drawing.

#include <gtk/gtk.h>

extern GdkPixbuf *pixbuf_picture; // the rendered picture at zoom 1, or null
extern GdkPixbuf *pixbuf_sprites; // the sprite list at zoom 1, or null
extern gchar *utf8_path_and_filename_picture;

// Decodes the picture file into picture_data and pixbuf_picture; reports a failure itself.
gboolean open_picture(const gchar *utf8_path, gboolean take_border);
void set_zoom_level();
void repaint_sprite_views();
void set_background_color_for_sprites();

gboolean on_drawingarea_left_border_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                    gpointer user_data);
gboolean on_drawingarea_left_border_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                 gpointer user_data);
gboolean on_drawingarea_upper_border_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                     gpointer user_data);
gboolean on_drawingarea_upper_border_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                  gpointer user_data);
gboolean on_drawingarea_picture_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                gpointer user_data);
gboolean on_drawingarea_picture_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                             gpointer user_data);
gboolean on_drawingarea_lower_border_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                     gpointer user_data);
gboolean on_drawingarea_lower_border_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                  gpointer user_data);
gboolean on_drawingarea_right_border_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                     gpointer user_data);
gboolean on_drawingarea_right_border_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                  gpointer user_data);
gboolean on_drawingarea_sprites_configure_event(GtkWidget *widget, GdkEventConfigure *event,
                                                gpointer user_data);
gboolean on_drawingarea_sprites_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                             gpointer user_data);
