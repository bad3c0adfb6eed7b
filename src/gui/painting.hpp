#pragma once
// The picture, the open upper and lower borders, the side borders and the sprite list: their
// images, sizes at the current zoom and drawing.

#include <gtk/gtk.h>

#include <cstdint>
#include <memory>

struct CairoDestroy {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
};
using CairoPtr = std::unique_ptr<cairo_t, CairoDestroy>;

extern GdkPixbuf *pixbuf_picture;      // the rendered picture at zoom 1, or null
extern GdkPixbuf *pixbuf_sprites;      // the sprite list page at zoom 1, or null
extern GdkPixbuf *pixbuf_left_border;  // the left side border at zoom 1, or null
extern GdkPixbuf *pixbuf_right_border; // the right side border at zoom 1, or null
extern gchar *utf8_path_and_filename_picture;

// Decodes the picture file into picture_data and pixbuf_picture; reports a failure itself and
// leaves no picture.
gboolean open_picture(const gchar *utf8_path, gboolean take_border);
// The same without a report: on failure error is set and the picture shown before stays.
gboolean painting_replace_picture(const gchar *utf8_path, gboolean take_border, GError **error);
void set_zoom_level();
// Refills the sprite list and both border images and queues their areas for drawing.
void repaint_sprite_views();
void set_background_color_for_sprites();

// The colour behind the sprites and the open borders: the loaded picture's background unless
// the picture is hires, else the sprites' own.
std::uint8_t painting_get_display_background_index();
// Makes a C64 colour of the current palette the source of cr.
void painting_set_source_colour(cairo_t *cr, std::uint8_t colour_index);
// Keeps widget in *slot until GTK destroys it; a slot already holding a widget is kept.
void painting_remember_widget(GtkWidget **slot, GtkWidget *widget);

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
