#include "gui/selection.hpp"

gboolean on_drawingarea_left_border_button_press_event(GtkWidget *, GdkEventButton *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_left_border_key_press_event(GtkWidget *, GdkEventKey *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_left_border_query_tooltip(GtkWidget *, gint, gint, gboolean, GtkTooltip *,
                                                  gpointer) {
    return FALSE;
}
gboolean on_drawingarea_left_border_key_release_event(GtkWidget *, GdkEventKey *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_right_border_button_press_event(GtkWidget *, GdkEventButton *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_right_border_key_press_event(GtkWidget *, GdkEventKey *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_right_border_query_tooltip(GtkWidget *, gint, gint, gboolean, GtkTooltip *,
                                                   gpointer) {
    return FALSE;
}
gboolean on_drawingarea_right_border_key_release_event(GtkWidget *, GdkEventKey *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprites_button_press_event(GtkWidget *, GdkEventButton *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprites_key_press_event(GtkWidget *, GdkEventKey *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprites_query_tooltip(GtkWidget *, gint, gint, gboolean, GtkTooltip *,
                                              gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprites_key_release_event(GtkWidget *, GdkEventKey *, gpointer) {
    return FALSE;
}
void on_vscrollbar_sprites_value_changed(GtkRange *, gpointer) {}
