#include "gui/colorpickers.hpp"

#include "core/options.hpp"
#include "core/sprites.hpp"
#include "gui/edit_commands.hpp"
#include "gui/painting.hpp"
#include "gui/project_commands.hpp"
#include "gui/screen_geometry.hpp"
#include "gui/support.hpp"

#include <array>
#include <cstdint>
#include <optional>

cairo_surface_t *surface_palette = nullptr;
cairo_surface_t *surface_sprite_palette = nullptr;
// Light green, the colour of the template sprites.
std::uint8_t color_index_sprite_bit_pair_10 = 13;

namespace {

constexpr int palette_size = 16;
// At zoom 1 each colour of a strip is a 16x16 square.
constexpr int palette_swatch_width = palette_strip_width / palette_size;

GtkWidget *drawingarea_palette = nullptr;
GtkWidget *drawingarea_sprite_palette = nullptr;
GtkWidget *drawingarea_color_sprite_bit_pair_00 = nullptr;
GtkWidget *drawingarea_color_sprite_bit_pair_10 = nullptr;
GtkWidget *drawingarea_color_sprite_bit_pair_01 = nullptr;
GtkWidget *drawingarea_color_sprite_bit_pair_11 = nullptr;

// The areas whose redraw a pick of a border colour asks for.
constexpr std::array<const char *, 4> border_areas{
    "drawingarea_upper_border",
    "drawingarea_left_border",
    "drawingarea_right_border",
    "drawingarea_lower_border",
};

void queue_draw(GtkWidget *widget) {
    if (widget != nullptr)
        gtk_widget_queue_draw(widget);
}

bool is_active(GtkWidget *widget, const char *name) {
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(lookup_widget(widget, name))) == TRUE;
}

void configure_palette(GtkWidget *widget, GtkWidget **slot, cairo_surface_t **surface) {
    if (*surface != nullptr)
        cairo_surface_destroy(*surface);
    *surface = drawingarea_palette_init(gtk_widget_get_window(widget));
    painting_remember_widget(slot, widget);
}

gboolean expose_palette(GtkWidget *widget, const GdkEventExpose *event, cairo_surface_t *surface) {
    if (surface == nullptr)
        return FALSE;
    const CairoPtr cr{gdk_cairo_create(gtk_widget_get_window(widget))};
    cairo_set_source_surface(cr.get(), surface, 0, 0);
    gdk_cairo_rectangle(cr.get(), &event->area);
    cairo_fill(cr.get());
    return TRUE;
}

// The colour under a single press of the left button; none for any other press.
std::optional<std::uint8_t> picked_colour(const GdkEventButton *event) {
    constexpr guint left_button = 1;
    if (event->type != GDK_BUTTON_PRESS || event->button != left_button)
        return std::nullopt;
    const int swatch_width = palette_swatch_width * options_expansion;
    return static_cast<std::uint8_t>(static_cast<int>(event->x / swatch_width) % palette_size);
}

gboolean expose_swatch(GtkWidget *widget, const GdkEventExpose *event, std::uint8_t colour) {
    const CairoPtr cr{gdk_cairo_create(gtk_widget_get_window(widget))};
    painting_set_source_colour(cr.get(), colour);
    gdk_cairo_rectangle(cr.get(), &event->area);
    cairo_fill(cr.get());
    return TRUE;
}

bool is_selected(unsigned index) {
    std::int32_t selected = 0;
    return sprites_get_selected_at_index(index, &selected) == 1 && selected == 1;
}

void set_sprite_colour(std::uint8_t colour) {
    sprites_set_color_for_selection(colour);
    color_index_sprite_bit_pair_10 = colour;
    queue_draw(drawingarea_color_sprite_bit_pair_10);
    // The viewer shows sprites 20-23 and 32-35 in the colours of the sprites four before them,
    // so a pick for one member of such a pair is a pick for both.
    for (unsigned b = 0; b < sprites_capacity; b++) {
        if (!sprites_is_linked_index(b))
            continue;
        const unsigned a = sprites_get_colour_source_index(b);
        if (is_selected(a) && !is_selected(b))
            sprites_set_color_at_index(b, colour);
        else if (!is_selected(a) && is_selected(b))
            sprites_set_color_at_index(a, colour);
    }
}

} // namespace

cairo_surface_t *drawingarea_palette_init(GdkWindow *window) {
    const int size = palette_swatch_width * options_expansion;
    cairo_surface_t *surface =
        gdk_window_create_similar_surface(window, CAIRO_CONTENT_COLOR, palette_size * size, size);
    const CairoPtr cr{cairo_create(surface)};
    // Colour 0 shows as the line above and below the swatches and between them.
    painting_set_source_colour(cr.get(), 0);
    cairo_paint(cr.get());
    for (int colour = 0; colour < palette_size; colour++) {
        painting_set_source_colour(cr.get(), static_cast<std::uint8_t>(colour));
        cairo_rectangle(cr.get(), size * colour, 1, size - 1, size - 2);
        cairo_fill(cr.get());
    }
    return surface;
}

gboolean on_drawingarea_palette_configure_event(GtkWidget *widget, GdkEventConfigure *, gpointer) {
    configure_palette(widget, &drawingarea_palette, &surface_palette);
    return TRUE;
}

gboolean on_drawingarea_palette_expose_event(GtkWidget *widget, GdkEventExpose *event, gpointer) {
    return expose_palette(widget, event, surface_palette);
}

gboolean on_drawingarea_palette_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                   gpointer) {
    const std::optional<std::uint8_t> colour = picked_colour(event);
    if (!colour)
        return FALSE;
    const HistoryState before = edit_commands_get_state();
    border_color_index = *colour;
    queue_draw(drawingarea_palette);
    for (const char *area : border_areas)
        gtk_widget_queue_draw(lookup_widget(widget, area));
    edit_commands_record("corner colour", before);
    return TRUE;
}

gboolean on_drawingarea_sprite_palette_configure_event(GtkWidget *widget, GdkEventConfigure *,
                                                       gpointer) {
    configure_palette(widget, &drawingarea_sprite_palette, &surface_sprite_palette);
    return TRUE;
}

gboolean on_drawingarea_sprite_palette_expose_event(GtkWidget *widget, GdkEventExpose *event,
                                                    gpointer) {
    return expose_palette(widget, event, surface_sprite_palette);
}

gboolean on_drawingarea_sprite_palette_button_press_event(GtkWidget *widget, GdkEventButton *event,
                                                          gpointer) {
    const std::optional<std::uint8_t> picked = picked_colour(event);
    if (!picked)
        return FALSE;
    const std::uint8_t colour = *picked;
    const HistoryState before = edit_commands_get_state();
    const char *change = "shared colours";
    if (is_active(widget, "radiobutton_color_sprite_bit_pair_00")) {
        sprites_set_background_color(colour);
        queue_draw(drawingarea_color_sprite_bit_pair_00);
    } else if (is_active(widget, "radiobutton_color_sprite_bit_pair_01")) {
        sprites_set_multicolor0(colour);
        queue_draw(drawingarea_color_sprite_bit_pair_01);
    } else if (is_active(widget, "radiobutton_color_sprite_bit_pair_11")) {
        sprites_set_multicolor1(colour);
        queue_draw(drawingarea_color_sprite_bit_pair_11);
    } else if (is_active(widget, "radiobutton_color_sprite_bit_pair_10")) {
        set_sprite_colour(colour);
        change = "sprite colour";
    } else {
        return FALSE;
    }
    repaint_sprite_views();
    edit_commands_record(change, before);
    return TRUE;
}

void on_checkbutton_sprite_multicolor_toggled(GtkToggleButton *togglebutton, gpointer) {
    HistoryState before = edit_commands_get_state();
    before.multicolour_switch = !before.multicolour_switch;
    sprites_set_multicolor_for_all(gtk_toggle_button_get_active(togglebutton) ? 1 : 0);
    repaint_sprite_views();
    edit_commands_record("multicolour mode", before);
}

gboolean on_drawingarea_color_sprite_bit_pair_00_configure_event(GtkWidget *widget,
                                                                 GdkEventConfigure *, gpointer) {
    painting_remember_widget(&drawingarea_color_sprite_bit_pair_00, widget);
    return TRUE;
}

gboolean on_drawingarea_color_sprite_bit_pair_00_expose_event(GtkWidget *widget,
                                                              GdkEventExpose *event, gpointer) {
    return expose_swatch(widget, event, painting_get_display_background_index());
}

gboolean on_drawingarea_color_sprite_bit_pair_10_configure_event(GtkWidget *widget,
                                                                 GdkEventConfigure *, gpointer) {
    painting_remember_widget(&drawingarea_color_sprite_bit_pair_10, widget);
    return TRUE;
}

gboolean on_drawingarea_color_sprite_bit_pair_10_expose_event(GtkWidget *widget,
                                                              GdkEventExpose *event, gpointer) {
    return expose_swatch(widget, event, color_index_sprite_bit_pair_10);
}

gboolean on_drawingarea_color_sprite_bit_pair_01_configure_event(GtkWidget *widget,
                                                                 GdkEventConfigure *, gpointer) {
    painting_remember_widget(&drawingarea_color_sprite_bit_pair_01, widget);
    return TRUE;
}

gboolean on_drawingarea_color_sprite_bit_pair_01_expose_event(GtkWidget *widget,
                                                              GdkEventExpose *event, gpointer) {
    return expose_swatch(widget, event, sprites_get_multicolor0());
}

gboolean on_drawingarea_color_sprite_bit_pair_11_configure_event(GtkWidget *widget,
                                                                 GdkEventConfigure *, gpointer) {
    painting_remember_widget(&drawingarea_color_sprite_bit_pair_11, widget);
    return TRUE;
}

gboolean on_drawingarea_color_sprite_bit_pair_11_expose_event(GtkWidget *widget,
                                                              GdkEventExpose *event, gpointer) {
    return expose_swatch(widget, event, sprites_get_multicolor1());
}
