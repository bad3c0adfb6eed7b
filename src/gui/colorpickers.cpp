#include "gui/colorpickers.hpp"

cairo_surface_t *surface_palette = nullptr;
cairo_surface_t *surface_sprite_palette = nullptr;
std::uint8_t color_index_sprite_bit_pair_10 = 13;

gboolean on_drawingarea_palette_configure_event(GtkWidget *, GdkEventConfigure *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_palette_expose_event(GtkWidget *, GdkEventExpose *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_palette_button_press_event(GtkWidget *, GdkEventButton *, gpointer) {
    return FALSE;
}
void on_checkbutton_sprite_multicolor_toggled(GtkToggleButton *, gpointer) {}
gboolean on_drawingarea_color_sprite_bit_pair_00_configure_event(GtkWidget *, GdkEventConfigure *,
                                                                 gpointer) {
    return FALSE;
}
gboolean on_drawingarea_color_sprite_bit_pair_00_expose_event(GtkWidget *, GdkEventExpose *,
                                                              gpointer) {
    return FALSE;
}
gboolean on_drawingarea_color_sprite_bit_pair_10_configure_event(GtkWidget *, GdkEventConfigure *,
                                                                 gpointer) {
    return FALSE;
}
gboolean on_drawingarea_color_sprite_bit_pair_10_expose_event(GtkWidget *, GdkEventExpose *,
                                                              gpointer) {
    return FALSE;
}
gboolean on_drawingarea_color_sprite_bit_pair_01_configure_event(GtkWidget *, GdkEventConfigure *,
                                                                 gpointer) {
    return FALSE;
}
gboolean on_drawingarea_color_sprite_bit_pair_01_expose_event(GtkWidget *, GdkEventExpose *,
                                                              gpointer) {
    return FALSE;
}
gboolean on_drawingarea_color_sprite_bit_pair_11_configure_event(GtkWidget *, GdkEventConfigure *,
                                                                 gpointer) {
    return FALSE;
}
gboolean on_drawingarea_color_sprite_bit_pair_11_expose_event(GtkWidget *, GdkEventExpose *,
                                                              gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprite_palette_configure_event(GtkWidget *, GdkEventConfigure *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprite_palette_expose_event(GtkWidget *, GdkEventExpose *, gpointer) {
    return FALSE;
}
gboolean on_drawingarea_sprite_palette_button_press_event(GtkWidget *, GdkEventButton *, gpointer) {
    return FALSE;
}
