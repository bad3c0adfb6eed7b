#pragma once
// Selecting sprites with the mouse and the keys in the two side borders and the sprite list,
// the template preview and the sprite tooltips.

#include <gtk/gtk.h>

gboolean on_drawingarea_left_border_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                       gpointer user_data);
gboolean on_drawingarea_left_border_key_press_event(GtkWidget *widget, GdkEventKey *event,
                                                    gpointer user_data);
gboolean on_drawingarea_left_border_query_tooltip(GtkWidget *widget, gint x, gint y,
                                                  gboolean keyboard_mode, GtkTooltip *tooltip,
                                                  gpointer user_data);
gboolean on_drawingarea_left_border_key_release_event(GtkWidget *widget, GdkEventKey *event,
                                                      gpointer user_data);
gboolean on_drawingarea_right_border_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                        gpointer user_data);
gboolean on_drawingarea_right_border_key_press_event(GtkWidget *widget, GdkEventKey *event,
                                                     gpointer user_data);
gboolean on_drawingarea_right_border_query_tooltip(GtkWidget *widget, gint x, gint y,
                                                   gboolean keyboard_mode, GtkTooltip *tooltip,
                                                   gpointer user_data);
gboolean on_drawingarea_right_border_key_release_event(GtkWidget *widget, GdkEventKey *event,
                                                       gpointer user_data);
gboolean on_drawingarea_sprites_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                   gpointer user_data);
gboolean on_drawingarea_sprites_key_press_event(GtkWidget *widget, GdkEventKey *event,
                                                gpointer user_data);
gboolean on_drawingarea_sprites_query_tooltip(GtkWidget *widget, gint x, gint y,
                                              gboolean keyboard_mode, GtkTooltip *tooltip,
                                              gpointer user_data);
gboolean on_drawingarea_sprites_key_release_event(GtkWidget *widget, GdkEventKey *event,
                                                  gpointer user_data);
void on_vscrollbar_sprites_value_changed(GtkRange *range, gpointer user_data);
// GTK tries the menus' accelerators before the focused widget: the sprite areas' Ctrl+A and
// Ctrl+N (select all, select none; Ctrl+N is also New project) reach them first here.
gboolean on_window_main_key_press_event(GtkWidget *window, GdkEventKey *event, gpointer user_data);
